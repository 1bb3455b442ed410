#include "tester/SettingsPanel.h"

#include <Qt>

#include <utility>

namespace {

// Keys of the waiting writes: one per setting, so that only the latest choice is written.
enum TPanelKey : int {
    pkDinVde = 1,
    pkSequence,
    pkInsulation,
    pkTouchCurrent,
    pkProtectionClass,
    pkManualLimits,
    pkControlBarcode,
    pkSettingsLock,
    pkVisualCheck,
    pkMeasuringTime,
};

} // namespace

template <typename Write> TExchangeGate::TAction TSettingsPanel::Writing(Write write) {
    // The panel shows the choice until the write has been made and its hold has run down.
    state_.SettingsHold = state_.SettingDelay;
    // A change waiting for its turn is for the tester it was made for, not for the next one.
    const int32_t connection = state_.Connection;
    return [this, write, connection] {
        if (!link_.Connected() || state_.Connection != connection)
            return;
        state_.SettingsHold = state_.SettingDelay;
        link_.PauseRefresh();
        write();
        link_.ResumeRefresh();
    };
}

template <typename Write> bool TSettingsPanel::Run(int key, Write write) {
    return link_.ExchangeGate().Perform(key, Writing(write));
}

bool TSettingsPanel::RadioGroup1Click(int itemIndex) {
    state_.Panel.RadioGroup1 = itemIndex;
    return Run(pkDinVde, [this, itemIndex] { settings_.SendDinVde(itemIndex); });
}

bool TSettingsPanel::RadioGroup3Click(int itemIndex) {
    state_.Panel.RadioGroup3 = itemIndex;
    return Run(pkSequence,
               [this, itemIndex] { settings_.SendAutoSequence(itemIndex == PanelEntry::Automatisch); });
}

bool TSettingsPanel::RadioGroup2Click(int itemIndex) {
    state_.Panel.RadioGroup2 = itemIndex;
    return Run(pkInsulation, [this, itemIndex] {
        settings_.SendInsulationMode(itemIndex == PanelEntry::MitIsol, itemIndex == PanelEntry::IsolUndDiff);
    });
}

bool TSettingsPanel::RadioGroup5Click(int itemIndex) {
    state_.Panel.RadioGroup5 = itemIndex;
    return Run(pkTouchCurrent,
               [this, itemIndex] { settings_.SendTouchCurrent(itemIndex == PanelEntry::MitBeruehr); });
}

bool TSettingsPanel::ComboBox1Change(int itemIndex) {
    state_.Panel.ComboBox1 = itemIndex;
    return Run(pkProtectionClass, [this, itemIndex] { settings_.SendProtectionClass(itemIndex + 1); });
}

bool TSettingsPanel::RadioGroup4Click(int itemIndex) {
    state_.Panel.RadioGroup4 = itemIndex;
    return Run(pkManualLimits,
               [this, itemIndex] { settings_.SendManualLimits(itemIndex == PanelEntry::Manuell); });
}

bool TSettingsPanel::CheckBox1Click(bool checked) {
    state_.Panel.CheckBox1 = checked;
    return Run(pkControlBarcode, [this, checked] { settings_.SendControlBarcode(checked); });
}

bool TSettingsPanel::CheckBox2Click(bool checked) {
    state_.Panel.CheckBox2 = checked;
    return Run(pkSettingsLock, [this, checked] { settings_.SendSettingsLock(checked); });
}

bool TSettingsPanel::ComboBox2Change(int itemIndex) {
    state_.Panel.ComboBox2 = itemIndex;
    if (link_.FirmwareLevel() < 1)
        return true;
    return Run(pkVisualCheck, [this, itemIndex] {
        switch (itemIndex) {
        case PanelEntry::SichtNichtEntschieden:
            settings_.SendVisualCheckPending(true);
            settings_.SendVisualCheckPassed(false);
            break;
        case PanelEntry::SichtNein:
            settings_.SendVisualCheckPending(false);
            settings_.SendVisualCheckPassed(false);
            break;
        case PanelEntry::SichtJa:
            settings_.SendVisualCheckPending(false);
            settings_.SendVisualCheckPassed(true);
            break;
        default:
            break;
        }
    });
}

void TSettingsPanel::FloatEdit1Exit(double seconds) {
    state_.Panel.FloatEdit1 = seconds;
    auto write = Writing([this, seconds] { settings_.SendMeasuringTime(MeasuringTimeTenths(seconds)); });
    link_.ExchangeGate().Post(pkMeasuringTime, std::move(write));
}

void TSettingsPanel::FloatEdit1KeyDown(int& key, double seconds) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    FloatEdit1Exit(seconds);
    key = 0;
}

void TSettingsPanel::TrackBarChange(int trackBar, int position) {
    if (trackBar < 0 || trackBar >= LimitRowCount)
        return;
    int& shown = state_.Panel.TrackBarPosition[static_cast<size_t>(trackBar)];
    // An action that leaves the bar where it was (a step at its end, a release) changes no limit.
    if (position == shown)
        return;
    shown = position;
    if (state_.Panel.RadioGroup4 == PanelEntry::Manuell)
        state_.PendingLimit[static_cast<size_t>(trackBar)] = true;
}

void UpdateTouchCurrentEnabled(TSettingsPanelState& panel, int32_t flags, int32_t schutzklasse) {
    panel.RadioGroup5Enabled = !(flags & Menueflags::mitIsol) && schutzklasse != 3;
}

void UpdateMeasurementRows(TLiveState& state, int32_t firmwareLevel) {
    const TSettingsPanelState& p = state.Panel;
    const int32_t mask =
        ComputeEnables(p.RadioGroup2 >= PanelEntry::MitIsol, p.RadioGroup2 == PanelEntry::IsolUndDiff,
                       p.RadioGroup1 == PanelEntry::Din0702, p.RadioGroup5 == PanelEntry::MitBeruehr,
                       p.ComboBox1 + 1, firmwareLevel);
    for (int row = 0; row < ValueRowCount; ++row) {
        const bool inUse = (mask >> row) & 1;
        state.Display.RowInUse[static_cast<size_t>(row)] = inUse;
        if (row < LimitRowCount) {
            state.Panel.TrackBarEnabled[static_cast<size_t>(row)] =
                inUse && p.RadioGroup4 == PanelEntry::Manuell;
            if (!inUse)
                state.Display.LimitText[static_cast<size_t>(row)] = NotMeasuredText;
        }
    }
}
