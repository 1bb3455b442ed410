#pragma once

// The counters of the main window's 100 ms housekeeping tick, in ticks. The settings hold
// counter and the start-button countdown belong to the live state (TLiveState) and are
// ticked by the key commands, which know whether an exchange with the tester is running.
struct THousekeeping {
    int SendLed = 0;
    int ReceiveLed = 0;
    int ActiveCtr = 0; // inactivity: runs down while connected, at 0 the link is dropped
    int Splash = 8;

    // What one tick asks of the window.
    struct TResult {
        bool InactivityTimeout = false;
        bool FreeSplash = false;
    };

    // The activity LEDs are ticked apart, each with its LED.
    TResult Tick(bool connected, bool splashExists);

    // An activity LED counter: counts down to 0; the LED is lit while it is not 0.
    static bool TickActivityLed(int& counter);
};
