#pragma once

// The counters of the main window's 100 ms housekeeping tick, in ticks.
struct THousekeeping {
    int SendLed = 0;
    int ReceiveLed = 0;
    int ActiveCtr = 0;   // inactivity: runs down while connected, at 0 the link is dropped
    int SettingHold = 0; // while above 0 the tester's state does not overwrite the settings controls
    int Splash = 8;
    int StartButton = 0;

    // What one tick asks of the window.
    struct TResult {
        bool InactivityTimeout = false;
        bool FreeSplash = false;
        bool EnableStartButton = false;
    };

    // The activity LEDs are ticked apart, each with its LED.
    TResult Tick(bool connected, bool splashExists, bool startButtonDisabled);

    // An activity LED counter: counts down to 0; the LED is lit while it is not 0.
    static bool TickActivityLed(int& counter);
};
