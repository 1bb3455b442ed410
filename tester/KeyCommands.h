#pragma once

#include "tester/LiveState.h"
#include "tester/TesterSettings.h"

#include <QString>

#include <functional>

// Text of the confirmation before the tester's record memory is cleared.
extern const QString ClearMemoryQuestion;

// The key buttons of the main window and the start-button countdown, without the widgets.
// A key command is the command byte of the settings block, each sent as its own
// read-modify-write. A click while another exchange waits for the tester is carried out as
// soon as that has ended, each in the order clicked.
class TKeyCommands {
public:
    TKeyCommands(TLiveState& state, ITesterLink& link, TTesterSettings& settings)
        : state_(state), link_(link), settings_(settings) {}

    // Each returns false when nothing is or will be sent (no tester, or "Speicher CLR"
    // answered with No).
    // "Prüfung Start": abort, abort, start, so that a waiting test ends before the new one.
    bool BitBtn1Click();
    // "Prüfung weiter".
    bool BitBtn2Click();
    // "Abbrechen".
    bool BitBtn3Click();
    // "Speicher CLR": asks first (platform::messageBox) when its turn has come; clears and,
    // from firmware level 1 on, aborts.
    bool BitBtn5Click();

    // Timer1's part of the counters: the settings hold counter runs down, and the start-button
    // countdown enables "Prüfung Start" and sends command $40 when it ends. While another
    // exchange runs, the countdown waits for a tick after it.
    void Timer1Tick();

    // At connect "Prüfung Start" waits this many ticks.
    void StartCountdownAtConnect();
    // The idle handler while no tester is connected.
    void IdleDisconnected();

private:
    bool Perform(std::function<bool()> commands);

    TLiveState& state_;
    ITesterLink& link_;
    TTesterSettings& settings_;
};
