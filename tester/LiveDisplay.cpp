#include "tester/LiveDisplay.h"

#include "tester/SettingsPanel.h"

namespace {

using B = TesterSettingsBlock;

uint8_t dataByte(const TProtok& frame, int i) {
    return frame[static_cast<size_t>(4 + i)];
}

// Signed little-endian word at data bytes i, i + 1.
int32_t word(const TProtok& frame, int i) {
    return static_cast<int16_t>(dataByte(frame, i) | (dataByte(frame, i + 1) << 8));
}

int32_t unsignedWord(const TProtok& frame, int i) {
    return dataByte(frame, i) | (dataByte(frame, i + 1) << 8);
}

constexpr TLimitKind LimitKinds[LimitRowCount] = {TLimitKind::lkPeResistance, TLimitKind::lkInsulation,
                                                  TLimitKind::lkLeakage};

// Start button stays off this many Timer1 ticks after the tester reports idle again.
constexpr int32_t StartDelayAfterTest = 38;

} // namespace

int RunningRow(int32_t runningStep) {
    return runningStep >= 1 && runningStep <= ValueRowCount ? runningStep - 1 : -1;
}

QString StepName(int32_t runningStep) {
    static const char* const names[] = {
        "Ruhezustand",       "Schutzleiter-\r\nwiderstand", "Isolations-\r\nwiderstand",
        "Ersatzableitstrom", "Schutzleiterstrom",           "Schutzleiterstrom\r\numgepolt",
        "Berührungsstrom",   "Berührungsstrom\r\numgepolt",
    };
    if (runningStep < 0 || runningStep >= static_cast<int32_t>(std::size(names)))
        return QString();
    return QString::fromUtf8(names[runningStep]);
}

QString TLiveDisplay::FormatRow(int row, int32_t value) const {
    const QChar sep = Globals::DecimalSeparator;
    switch (row) {
    case MeasurementBits::Schutzleiterwid:
        return FormatSchutzleiterwid(value);
    case MeasurementBits::Isolationswid:
        return FormatIsolationswid(value, link_.FirmwareLevel(), sep);
    case MeasurementBits::Ableitstrom:
        return FormatAbleitstrom(value, sep);
    default:
        return FormatStrom(value, sep);
    }
}

void TLiveDisplay::Apply(int kind, const TProtok& frame, TPanelFocus focus) {
    switch (kind) {
    case 0:
        ApplyLimits1(frame);
        break;
    case 1:
        ApplyLimits2(frame);
        break;
    case 2:
        ApplyRecordCount(frame);
        break;
    case 3:
        ApplyFlags(frame, focus);
        break;
    case 4:
        ApplyMeasured1(frame);
        break;
    case 5:
        ApplyMeasured2(frame);
        break;
    case 6:
        ApplyRawValue(frame);
        break;
    case 7:
        ApplySequenceFlags(frame);
        break;
    default:
        break;
    }
}

void TLiveDisplay::ApplyLimits1(const TProtok&) {}

void TLiveDisplay::ApplyLimits2(const TProtok& frame) {
    werteSatz_.GrwSchutzleiterstrom = word(frame, 0);
    werteSatz_.GrwBeruehrungsstrom = word(frame, 2);
    werteSatz_.GrwSchnellabschaltung = word(frame, 4);
}

void TLiveDisplay::ApplyRecordCount(const TProtok& frame) {
    state_.Display.StoredRecords = QString::number(unsignedWord(frame, 0));
    state_.Display.FreeBytes =
        dataByte(frame, 4) != 0 ? QStringLiteral("voll") : QString::number(unsignedWord(frame, 2));
}

void TLiveDisplay::ApplyFlags(const TProtok& frame, TPanelFocus focus) {
    const uint8_t d0 = dataByte(frame, B::Menueflags);
    const uint8_t d2 = dataByte(frame, B::Schutzklasse);
    const uint8_t d3 = dataByte(frame, B::Messzeit);
    const uint8_t d4 = dataByte(frame, B::Status);
    const uint8_t d5 = dataByte(frame, B::Sperre);
    const uint8_t d6 = dataByte(frame, B::Messablauf);
    const int32_t schutzklasse = d2 & B::ClassMask;
    const int level = link_.FirmwareLevel();

    werteSatz_.Menueflags = d0;
    werteSatz_.Schutzklasse = schutzklasse;
    werteSatz_.Messablauf = d6;

    TSettingsPanelState& p = state_.Panel;
    UpdateTouchCurrentEnabled(p, d0, schutzklasse);

    if (state_.SettingsHold == 0) {
        p.RadioGroup1 = (d0 & Menueflags::DINVDE) ? 1 : 0;
        p.RadioGroup3 = (d0 & Menueflags::automatisch) ? 1 : 0;
        p.RadioGroup2 = (d0 & Menueflags::mitIsoDiff) ? PanelEntry::IsolUndDiff
                        : (d0 & Menueflags::mitIsol)  ? PanelEntry::MitIsol
                                                      : 0;
        if (!focus.ComboBox1)
            p.ComboBox1 = schutzklasse - 1;
        if (level >= 1) {
            p.ComboBox2Enabled = true;
            if (!focus.ComboBox2)
                p.ComboBox2 = (d2 & B::VisualCheckPending)                ? PanelEntry::SichtNichtEntschieden
                              : (d6 & Messablauf::SichtpruefungBestanden) ? PanelEntry::SichtJa
                                                                          : PanelEntry::SichtNein;
        } else {
            p.ComboBox2 = PanelEntry::SichtNichtEntschieden;
            p.ComboBox2Enabled = false;
        }
        p.RadioGroup4 = (d0 & Menueflags::manuGrenz) ? 1 : 0;
        p.RadioGroup5 = (d0 & Menueflags::mitBeruehr) ? 1 : 0;
        p.CheckBox1 = (d0 & Menueflags::Steuerbarcode) != 0;
        p.CheckBox2 = (d5 & B::Einstellsperre) != 0;
        if (!focus.FloatEdit1)
            p.FloatEdit1 = d3 / 10.0;
    }

    TLiveDisplayState& s = state_.Display;
    s.Umschalt = (d4 & B::Umschalt) != 0;
    s.Abbruch = (d6 & Messablauf::abgebrochen) != 0;
    s.Grenzwert = (d6 & Messablauf::Schnellabschaltung) != 0;
    s.NotAus = (d6 & Messablauf::NotAus) != 0;
    s.WarningWindowVisible = (d5 & B::MainsWarning) != 0;
    const int row = RunningRow(state_.RunningStep);
    if (row >= 0)
        s.LimitExceeded[static_cast<size_t>(row)] = (d6 & Messablauf::Schnellabschaltung) != 0;
    s.MainsNoteVisible = row >= MeasurementBits::SchutzlStromL1N;

    if (state_.SettingsHold == 0 && p.RadioGroup4 == 0)
        ApplyStandardLimits();
    UpdateMeasurementRows(state_, level);
}

void TLiveDisplay::ApplyMeasured1(const TProtok& frame) {
    werteSatz_.Schutzleiterwid = word(frame, 0);
    werteSatz_.Isolationswid = word(frame, 2);
    werteSatz_.Ableitstrom = word(frame, 4);
    werteSatz_.Grenzwertflags = dataByte(frame, 6);
    const int32_t values[] = {werteSatz_.Schutzleiterwid, werteSatz_.Isolationswid, werteSatz_.Ableitstrom};
    const int running = RunningRow(state_.RunningStep);
    TLiveDisplayState& s = state_.Display;
    for (int row = 0; row < 3; ++row) {
        if (row == running)
            continue;
        const auto r = static_cast<size_t>(row);
        s.ValueText[r] = s.RowInUse[r] ? FormatRow(row, values[r]) : NotMeasuredText;
    }
    for (int row = 0; row < ValueRowCount; ++row)
        if (row != running)
            s.LimitExceeded[static_cast<size_t>(row)] = (werteSatz_.Grenzwertflags >> row) & 1;
}

void TLiveDisplay::ApplyMeasured2(const TProtok& frame) {
    werteSatz_.SchutzlStromL1N = word(frame, 0);
    werteSatz_.SchutzlStromNL1 = word(frame, 2);
    werteSatz_.BeruehrungsstromL1N = word(frame, 4);
    werteSatz_.BeruehrungsstromNL1 = word(frame, 6);
    const int32_t values[] = {werteSatz_.SchutzlStromL1N, werteSatz_.SchutzlStromNL1,
                              werteSatz_.BeruehrungsstromL1N, werteSatz_.BeruehrungsstromNL1};
    const int running = RunningRow(state_.RunningStep);
    TLiveDisplayState& s = state_.Display;
    for (int row = 3; row < ValueRowCount; ++row) {
        if (row == running)
            continue;
        const auto r = static_cast<size_t>(row);
        s.ValueText[r] = s.RowInUse[r] ? FormatRow(row, values[r - 3]) : NotMeasuredText;
    }
}

void TLiveDisplay::ApplyRawValue(const TProtok& frame) {
    const int row = RunningRow(state_.RunningStep);
    if (row >= 0)
        state_.Display.ValueText[static_cast<size_t>(row)] = FormatRow(row, word(frame, 4));
}

void TLiveDisplay::ApplySequenceFlags(const TProtok& frame) {
    // Copied first: sending a pending limit lets further frames in while it waits.
    const int32_t step = dataByte(frame, 1) & 0x7F;
    const uint8_t reported[LimitRowCount] = {dataByte(frame, 2), dataByte(frame, 3), dataByte(frame, 4)};

    state_.RunningStep = step;
    TLiveDisplayState& s = state_.Display;
    if (step != 0) {
        s.BitBtn1Enabled = false;
        state_.StartCountdown = 0;
    } else if (!s.BitBtn1Enabled && state_.StartCountdown == 0) {
        state_.StartCountdown = StartDelayAfterTest;
    }
    const bool singleStep = step != 0 && !(werteSatz_.Menueflags & Menueflags::automatisch);
    s.BitBtn2Enabled = singleStep ? true : s.WarningWindowVisible;
    s.BitBtn3Enabled = step != 0;
    s.BitBtn4Enabled = step == 0;
    s.BitBtn5Enabled = step == 0;
    s.StepName = StepName(step);

    if (state_.Panel.RadioGroup4 != PanelEntry::Manuell)
        return;
    for (int limit = 0; limit < LimitRowCount; ++limit)
        SendPendingOrMirror(limit, reported[limit]);
    ShowPeLimit(reported[0]);
    ShowInsulationLimit(reported[1]);
    ShowLeakageLimit(reported[2]);
}

void TLiveDisplay::SendPendingOrMirror(int limit, int reportedIndex) {
    const auto l = static_cast<size_t>(limit);
    const TLimitKind kind = LimitKinds[l];
    const int level = link_.FirmwareLevel();
    if (state_.PendingLimit[l]) {
        // Another exchange is waiting for the tester: the bar stays pending for the next frame.
        if (link_.ExchangeGate().Busy())
            return;
        state_.PendingLimit[l] = false;
        const int index = IndexOfTrackBarPosition(kind, state_.Panel.TrackBarPosition[l], level);
        link_.PauseRefresh();
        switch (kind) {
        case TLimitKind::lkPeResistance:
            settings_.SendPeLimitIndex(index);
            break;
        case TLimitKind::lkInsulation:
            settings_.SendInsulationLimitIndex(index);
            break;
        case TLimitKind::lkLeakage:
            settings_.SendLeakageLimitIndex(index);
            break;
        }
        link_.ResumeRefresh();
        state_.SettingsHold = state_.SettingDelay;
    } else if (state_.SettingsHold == 0) {
        const int position = TrackBarPosition(kind, reportedIndex, level);
        if (position >= 0)
            state_.Panel.TrackBarPosition[l] = position;
    }
}

void TLiveDisplay::ApplyStandardLimits() {
    const TSettingsPanelState& p = state_.Panel;
    const int schutzklasse = p.ComboBox1 >= 0 && p.ComboBox1 <= 2 ? p.ComboBox1 + 1 : 0;
    const int level = link_.FirmwareLevel();
    const TStandardLimitIndices idx =
        StandardLimitIndices(schutzklasse, p.RadioGroup1 == PanelEntry::Din0702, p.RadioGroup2, level);
    const int indices[LimitRowCount] = {idx.PeResistance, idx.Insulation, idx.Leakage};
    for (size_t l = 0; l < LimitRowCount; ++l) {
        if (indices[l] >= 0)
            state_.Panel.TrackBarPosition[l] = TrackBarPosition(LimitKinds[l], indices[l], level);
        ShowLimit(LimitKinds[l], indices[l]);
    }
}

void TLiveDisplay::ShowLimit(TLimitKind kind, int Index) {
    const auto row = static_cast<size_t>(kind);
    const int level = link_.FirmwareLevel();
    const bool inUse = state_.Display.RowInUse[row];
    state_.Display.LimitText[row] = LimitDisplayText(kind, Index, level, inUse, Globals::DecimalSeparator);
    const std::optional<int32_t> value = LimitAt(kind, Index, level);
    if (!value || !inUse)
        return;
    switch (kind) {
    case TLimitKind::lkPeResistance:
        werteSatz_.GrwSchutzleiterwid = *value;
        break;
    case TLimitKind::lkInsulation:
        werteSatz_.GrwIsolationswid = *value;
        break;
    case TLimitKind::lkLeakage:
        werteSatz_.GrwAbleitstrom = *value;
        break;
    }
}

void TLiveDisplay::ShowPeLimit(int Index) {
    ShowLimit(TLimitKind::lkPeResistance, Index);
}
void TLiveDisplay::ShowInsulationLimit(int Index) {
    ShowLimit(TLimitKind::lkInsulation, Index);
}
void TLiveDisplay::ShowLeakageLimit(int Index) {
    ShowLimit(TLimitKind::lkLeakage, Index);
}

void TLiveDisplay::ClearMeasuredValues() {
    TLiveDisplayState& s = state_.Display;
    s.StoredRecords = QStringLiteral("-");
    s.FreeBytes = QStringLiteral("-");
    s.LimitText.fill(NotMeasuredText);
    s.ValueText.fill(NotMeasuredText);
    s.LimitExceeded.fill(false);
    s.MainsNoteVisible = false;
    s.Umschalt = s.Abbruch = s.Grenzwert = s.NotAus = false;
    s.StepName.clear();
    s.WarningWindowVisible = false;
}

void TLiveDisplay::ResetConnection() {
    ClearMeasuredValues();
    TLiveDisplayState& s = state_.Display;
    s.BitBtn1Enabled = s.BitBtn2Enabled = s.BitBtn3Enabled = s.BitBtn4Enabled = s.BitBtn5Enabled = false;
    state_.Panel.TrackBarEnabled.fill(false);
    state_.Panel.RadioGroup5Enabled = false;
    state_.Panel.ComboBox2Enabled = false;
    state_.RunningStep = 0;
    state_.StartCountdown = 0;
    ++state_.Connection;
    werteSatz_ = TWerteSatz();
}
