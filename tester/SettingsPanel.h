#pragma once

#include "tester/LiveState.h"
#include "tester/TesterSettings.h"

#include <cstdint>

// The settings panel's handlers without the widgets. Each takes the entry the user chose,
// keeps it as what the panel shows and writes the one setting to the tester.
//
// Only one exchange with the tester runs at a time: a change made while another exchange
// waits for the tester is written as soon as that has ended, the latest choice of each
// setting once. Until then and for the hold after its write the panel keeps the choice.
class TSettingsPanel {
public:
    TSettingsPanel(TLiveState& state, ITesterLink& link, TTesterSettings& settings)
        : state_(state), link_(link), settings_(settings) {}

    // Each returns whether it wrote at once (false: the write waits for the running exchange).
    bool RadioGroup1Click(int itemIndex);
    bool RadioGroup3Click(int itemIndex);
    bool RadioGroup2Click(int itemIndex);
    bool RadioGroup5Click(int itemIndex);
    bool ComboBox1Change(int itemIndex);
    bool RadioGroup4Click(int itemIndex);
    bool CheckBox1Click(bool checked);
    bool CheckBox2Click(bool checked);
    // Does nothing at all below firmware level 1.
    bool ComboBox2Change(int itemIndex);
    // seconds: the edit's value. Leaving the edit and Enter in it are called while a focus or
    // key event is delivered, so their write is posted to the gate (TExchangeGate::Post).
    void FloatEdit1Exit(double seconds);
    // key: the Qt key code; Enter (Return or Enter) writes the measuring time and is set to
    // 0 so that the edit does not see it. Other keys pass untouched.
    void FloatEdit1KeyDown(int& key, double seconds);
    // trackBar 0..2 = TrackBar1..TrackBar3: marks the bar's limit as pending while the
    // limits are manual; nothing is sent here. A position equal to the one shown changes
    // nothing.
    void TrackBarChange(int trackBar, int position);

private:
    // The common frame: hold counter, pause, writer, resume.
    template <typename Write> TExchangeGate::TAction Writing(Write write);
    template <typename Write> bool Run(int key, Write write);

    TLiveState& state_;
    ITesterLink& link_;
    TTesterSettings& settings_;
};

// RadioGroup5 ("Berührungsstrom") applies unless the insulation test is on or the class is
// III. flags: byte 0 of the settings block.
void UpdateTouchCurrentEnabled(TSettingsPanelState& panel, int32_t flags, int32_t schutzklasse);

// Enables the value and limit rows of the measurements that apply to the mode the panel
// shows; a limit row that does not apply shows " --- ".
void UpdateMeasurementRows(TLiveState& state, int32_t firmwareLevel);
