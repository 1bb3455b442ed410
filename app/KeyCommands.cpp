#include "app/KeyCommands.h"

#include "platform/message_box.h"

const QString ClearMemoryQuestion =
    QStringLiteral("Sollen die im Gerätetester gespeicherten Prüfungsdaten wirklich gelöscht werden?");

namespace {
constexpr int32_t StartDelayAtConnect = 8;
}

bool TKeyCommands::Ready() const {
    return link_.Connected() && !gate_.Busy();
}

bool TKeyCommands::BitBtn1Click() {
    if (!Ready())
        return false;
    link_.PauseRefresh();
    settings_.SendKeyCommand({KeyAbort});
    settings_.SendKeyCommand({KeyAbort});
    settings_.SendKeyCommand({KeyStart});
    link_.ResumeRefresh();
    return true;
}

bool TKeyCommands::BitBtn2Click() {
    if (!Ready())
        return false;
    link_.PauseRefresh();
    settings_.SendKeyCommand({KeyStart});
    link_.ResumeRefresh();
    return true;
}

bool TKeyCommands::BitBtn3Click() {
    if (!Ready())
        return false;
    link_.PauseRefresh();
    settings_.SendKeyCommand({KeyAbort});
    link_.ResumeRefresh();
    return true;
}

bool TKeyCommands::BitBtn5Click() {
    if (!Ready())
        return false;
    if (platform::messageBox(ClearMemoryQuestion, platform::MessageButtons::YesNo,
                             platform::MessageIcon::Exclamation) != platform::MessageResult::Yes)
        return false;
    // The box let timers and frames run: the tester may be gone, or busy with another exchange.
    if (!Ready())
        return false;
    link_.PauseRefresh();
    settings_.SendKeyCommand({KeyClearMemory});
    if (link_.FirmwareLevel() >= 1)
        settings_.SendKeyCommand({KeyAbort});
    link_.ResumeRefresh();
    return true;
}

void TKeyCommands::Timer1Tick() {
    if (state_.SettingsHold > 0)
        --state_.SettingsHold;
    TLiveDisplayState& s = state_.Display;
    if (s.BitBtn1Enabled || state_.StartCountdown <= 0)
        return;
    if (state_.StartCountdown == 1 && gate_.Busy())
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
