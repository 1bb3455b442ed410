#include "tester/KeyCommands.h"

#include "platform/message_box.h"

#include <memory>

const QString ClearMemoryQuestion =
    QStringLiteral("Sollen die im Gerätetester gespeicherten Prüfungsdaten wirklich gelöscht werden?");

namespace {
constexpr int32_t StartDelayAtConnect = 8;
}

bool TKeyCommands::Perform(std::function<bool()> commands) {
    if (!link_.Connected())
        return false;
    // Each click is carried out, in the order clicked; the sent flag answers only an action
    // that runs at once.
    auto sent = std::make_shared<bool>(false);
    const bool now = link_.ExchangeGate().Perform(0, [this, commands, sent] {
        if (link_.Connected())
            *sent = commands();
    });
    return now ? *sent : true;
}

bool TKeyCommands::BitBtn1Click() {
    return Perform([this] {
        link_.PauseRefresh();
        settings_.SendKeyCommand({KeyAbort});
        settings_.SendKeyCommand({KeyAbort});
        settings_.SendKeyCommand({KeyStart});
        link_.ResumeRefresh();
        return true;
    });
}

bool TKeyCommands::BitBtn2Click() {
    return Perform([this] {
        link_.PauseRefresh();
        settings_.SendKeyCommand({KeyStart});
        link_.ResumeRefresh();
        return true;
    });
}

bool TKeyCommands::BitBtn3Click() {
    return Perform([this] {
        link_.PauseRefresh();
        settings_.SendKeyCommand({KeyAbort});
        link_.ResumeRefresh();
        return true;
    });
}

bool TKeyCommands::BitBtn5Click() {
    return Perform([this] {
        if (platform::messageBox(ClearMemoryQuestion, platform::MessageButtons::YesNo,
                                 platform::MessageIcon::Exclamation) != platform::MessageResult::Yes)
            return false;
        // The box let timers and frames run: the tester may be gone.
        if (!link_.Connected())
            return false;
        link_.PauseRefresh();
        settings_.SendKeyCommand({KeyClearMemory});
        if (link_.FirmwareLevel() >= 1)
            settings_.SendKeyCommand({KeyAbort});
        link_.ResumeRefresh();
        return true;
    });
}

void TKeyCommands::Timer1Tick() {
    const TExchangeGate& gate = link_.ExchangeGate();
    // A change still waiting for its write keeps its hold.
    if (state_.SettingsHold > 0 && !gate.Waiting())
        --state_.SettingsHold;
    TLiveDisplayState& s = state_.Display;
    if (s.BitBtn1Enabled || state_.StartCountdown <= 0)
        return;
    // Command $40 lets an exchange that runs, and the user's actions waiting for it, go first.
    if (state_.StartCountdown == 1 && (gate.Busy() || gate.Waiting()))
        return;
    if (--state_.StartCountdown == 0) {
        s.BitBtn1Enabled = true;
        settings_.SendCommand40();
    }
}

void TKeyCommands::StartCountdownAtConnect() {
    state_.StartCountdown = StartDelayAtConnect;
}

void TKeyCommands::IdleDisconnected() {
    state_.Display.BitBtn1Enabled = false;
    state_.StartCountdown = 0;
}
