#pragma once

#include "tester/Globals.h"
#include "tester/Limits.h"
#include "tester/LiveState.h"
#include "tester/TesterSettings.h"

#include <QString>

#include <cstdint>

// Turns the tester's refresh frames into what the main window shows and keeps the live test
// record up to date. Each Apply routine takes the whole frame of its kind ($31, $32, $33,
// $34, $37, $38, $39, $3A); the window then copies the state into its controls.
class TLiveDisplay {
public:
    TLiveDisplay(TLiveState& state, TWerteSatz& werteSatz, ITesterLink& link, TTesterSettings& settings)
        : state_(state), werteSatz_(werteSatz), link_(link), settings_(settings) {}

    void ApplyLimits1(const TProtok& frame);
    void ApplyLimits2(const TProtok& frame);
    void ApplyRecordCount(const TProtok& frame);
    // focus: the panel controls that keep the user's input while they have the focus.
    void ApplyFlags(const TProtok& frame, TPanelFocus focus = {});
    void ApplyMeasured1(const TProtok& frame);
    void ApplyMeasured2(const TProtok& frame);
    void ApplyRawValue(const TProtok& frame);
    void ApplySequenceFlags(const TProtok& frame);
    // By the refresh's kind index 0..7 (in the order above); other indices do nothing.
    void Apply(int kind, const TProtok& frame, TPanelFocus focus = {});

    // Standard limits for the mode the panel shows: moves the track bars and shows them.
    void ApplyStandardLimits();
    // Shows one limit and stores it in the live record; " --- " for an index outside the
    // table or a row that does not apply.
    void ShowPeLimit(int Index);
    void ShowInsulationLimit(int Index);
    void ShowLeakageLimit(int Index);

    // Every value, counter, label and the warning window back to the cleared display.
    void ClearMeasuredValues();
    // The disconnected state: cleared display, buttons and limit bars off, no step, no
    // countdown, the live record cleared.
    void ResetConnection();

private:
    void ShowLimit(TLimitKind kind, int Index);
    QString FormatRow(int row, int32_t value) const;
    void SendPendingOrMirror(int limit, int reportedIndex);

    TLiveState& state_;
    TWerteSatz& werteSatz_;
    ITesterLink& link_;
    TTesterSettings& settings_;
};

// Row of the running step in MeasurementBits order, or -1 while idle or for a step the
// program does not know.
int RunningRow(int32_t runningStep);

// Name of a running step for the label under the buttons; empty for an unknown step.
QString StepName(int32_t runningStep);
