#include "tester/LiveDisplay.h"
#include "tester/SettingsPanel.h"

#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

namespace {

using B = TesterSettingsBlock;
using Bytes = FakeTesterLink::Bytes;

class Live : public testing::Test {
protected:
    FakeTesterLink link;
    TExchangeGate& gate = link.gate; // the link's, as in the program
    TTesterSettings settings{link};
    TLiveState state;
    TWerteSatz ws;
    TLiveDisplay live{state, ws, link, settings};

    void SetUp() override { Globals::DecimalSeparator = u','; }

    // A settings block frame.
    void Flags(std::initializer_list<uint8_t> d, TPanelFocus focus = {}) {
        live.ApplyFlags(TesterFrame(MsgQueryFlags, d), focus);
    }
    void Sequence(uint8_t step, uint8_t pe = 0, uint8_t ins = 0, uint8_t leak = 0) {
        live.ApplySequenceFlags(TesterFrame(MsgQuerySequenceFlags, {0, step, pe, ins, leak}));
    }
    // $37 / $38 with the words given.
    void Measured1(int16_t pe, int16_t ins, int16_t leak, uint8_t flags) {
        live.ApplyMeasured1(
            TesterFrame(MsgQueryMeasured1, {lo(pe), hi(pe), lo(ins), hi(ins), lo(leak), hi(leak), flags}));
    }
    void Measured2(int16_t a, int16_t b, int16_t c, int16_t d) {
        live.ApplyMeasured2(
            TesterFrame(MsgQueryMeasured2, {lo(a), hi(a), lo(b), hi(b), lo(c), hi(c), lo(d), hi(d)}));
    }
    void Raw(int16_t v) {
        live.ApplyRawValue(TesterFrame(MsgQueryRawValues, {0xAA, 0xBB, 0xCC, 0xDD, lo(v), hi(v)}));
    }
    static uint8_t lo(int16_t v) { return static_cast<uint8_t>(v & 0xFF); }
    static uint8_t hi(int16_t v) { return static_cast<uint8_t>((v >> 8) & 0xFF); }

    // Class I, insulation test, DIN VDE 0701: rows 0..2 in use.
    void ModeClassOneWithInsulation() { Flags({Menueflags::mitIsol, 0, 1, 30, 0, 0, 0, 0}); }
    // Class I, no insulation test, touch current: every row but insulation in use.
    void ModeClassOneAllCurrents() { Flags({Menueflags::mitBeruehr, 0, 1, 30, 0, 0, 0, 0}); }
};

TEST_F(Live, LimitsFramesFillOnlyTheRecord) {
    live.ApplyLimits1(TesterFrame(MsgQueryLimits1, {1, 2, 3, 4, 5, 6, 7, 8}));
    live.ApplyLimits2(TesterFrame(MsgQueryLimits2, {0x5E, 0x01, 0x32, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(ws.GrwSchutzleiterstrom, 350);
    EXPECT_EQ(ws.GrwBeruehrungsstrom, 50);
    EXPECT_EQ(ws.GrwSchnellabschaltung, -1);
    const TLiveDisplayState cleared;
    EXPECT_EQ(state.Display.ValueText, cleared.ValueText);
    EXPECT_EQ(state.Display.LimitText, cleared.LimitText);
}

TEST_F(Live, RecordCountShowsUnsignedCountsOrFull) {
    live.ApplyRecordCount(TesterFrame(MsgQueryRecordCount, {0x10, 0x27, 0xFF, 0xFF, 0}));
    EXPECT_EQ(state.Display.StoredRecords, "10000");
    EXPECT_EQ(state.Display.FreeBytes, "65535");
    live.ApplyRecordCount(TesterFrame(MsgQueryRecordCount, {3, 0, 0x20, 0, 1}));
    EXPECT_EQ(state.Display.StoredRecords, "3");
    EXPECT_EQ(state.Display.FreeBytes, "voll");
}

TEST_F(Live, FlagsMirrorTheBlockIntoThePanel) {
    Flags({Menueflags::DINVDE | Menueflags::automatisch | Menueflags::mitIsol | Menueflags::manuGrenz |
               Menueflags::mitBeruehr | Menueflags::Steuerbarcode,
           0, 2, 125, 0, B::Einstellsperre, Messablauf::SichtpruefungBestanden, 0});
    const TSettingsPanelState& p = state.Panel;
    EXPECT_EQ(p.RadioGroup1, 1);
    EXPECT_EQ(p.RadioGroup3, 1);
    EXPECT_EQ(p.RadioGroup2, 1);
    EXPECT_EQ(p.ComboBox1, 1);
    EXPECT_EQ(p.RadioGroup4, 1);
    EXPECT_EQ(p.RadioGroup5, 1);
    EXPECT_TRUE(p.CheckBox1);
    EXPECT_TRUE(p.CheckBox2);
    EXPECT_DOUBLE_EQ(p.FloatEdit1, 12.5);
    EXPECT_TRUE(p.ComboBox2Enabled);
    EXPECT_EQ(p.ComboBox2, PanelEntry::SichtJa);
    EXPECT_EQ(ws.Menueflags, 0x3F);
    EXPECT_EQ(ws.Schutzklasse, 2);
    EXPECT_EQ(ws.Messablauf, Messablauf::SichtpruefungBestanden);

    Flags({Menueflags::mitIsoDiff | Menueflags::mitIsol, 0, B::VisualCheckPending | 0xF0, 30, 0, 0,
           Messablauf::SichtpruefungBestanden, 0});
    EXPECT_EQ(p.RadioGroup1, 0);
    EXPECT_EQ(p.RadioGroup2, PanelEntry::IsolUndDiff);
    EXPECT_EQ(p.ComboBox1, -1) << "class 0 leaves no selection";
    EXPECT_EQ(p.ComboBox2, PanelEntry::SichtNichtEntschieden) << "pending wins over passed";
    EXPECT_FALSE(p.CheckBox1);
    EXPECT_FALSE(p.CheckBox2);

    Flags({0, 0, 3, 30, 0, 0, 0, 0});
    EXPECT_EQ(p.RadioGroup2, 0);
    EXPECT_EQ(p.ComboBox1, 2);
    EXPECT_EQ(p.ComboBox2, PanelEntry::SichtNein);
}

TEST_F(Live, VisualCheckIsDisabledAtLevelZero) {
    link.level = 0;
    state.Panel.ComboBox2 = 2;
    state.Panel.ComboBox2Enabled = true;
    Flags({0, 0, 1, 30, 0, 0, Messablauf::SichtpruefungBestanden, 0});
    EXPECT_EQ(state.Panel.ComboBox2, 0);
    EXPECT_FALSE(state.Panel.ComboBox2Enabled);
}

TEST_F(Live, FocusedControlsKeepTheUsersInput) {
    state.Panel.ComboBox1 = 0;
    state.Panel.ComboBox2 = 1;
    state.Panel.FloatEdit1 = 7.0;
    Flags({0, 0, 3 | B::VisualCheckPending, 100, 0, 0, 0, 0}, TPanelFocus{true, true, true});
    EXPECT_EQ(state.Panel.ComboBox1, 0);
    EXPECT_EQ(state.Panel.ComboBox2, 1);
    EXPECT_DOUBLE_EQ(state.Panel.FloatEdit1, 7.0);
    EXPECT_EQ(ws.Schutzklasse, 3);
}

TEST_F(Live, StateLabelsAndWarningFollowTheBlock) {
    Flags({0, 0, 1, 30, B::Umschalt, B::MainsWarning,
           Messablauf::abgebrochen | Messablauf::Schnellabschaltung | Messablauf::NotAus, 0});
    const TLiveDisplayState& s = state.Display;
    EXPECT_TRUE(s.Umschalt && s.Abbruch && s.Grenzwert && s.NotAus);
    EXPECT_TRUE(s.WarningWindowVisible);
    Flags({0, 0, 1, 30, 0, 0, Messablauf::Schnellabschaltung, 0});
    EXPECT_FALSE(s.Umschalt || s.Abbruch || s.NotAus);
    EXPECT_TRUE(s.Grenzwert);
    EXPECT_FALSE(s.WarningWindowVisible);
}

TEST_F(Live, RunningStepGetsItsLimitLabelAndMainsNote) {
    for (int step = 0; step <= 7; ++step) {
        Sequence(static_cast<uint8_t>(step));
        state.Display.LimitExceeded.fill(false);
        Flags({Menueflags::mitBeruehr, 0, 1, 30, 0, 0, Messablauf::Schnellabschaltung, 0});
        for (int row = 0; row < ValueRowCount; ++row)
            EXPECT_EQ(state.Display.LimitExceeded[row], row == step - 1) << step << " " << row;
        EXPECT_EQ(state.Display.MainsNoteVisible, step >= 4) << step;
    }
}

TEST_F(Live, HoldOffKeepsThePanelWhileTheRecordAndLabelsUpdate) {
    ModeClassOneWithInsulation();
    const TSettingsPanelState before = state.Panel;
    const auto limitsBefore = state.Display.LimitText;
    state.SettingsHold = 3;
    Flags({Menueflags::DINVDE | Menueflags::manuGrenz | Menueflags::mitIsoDiff, 0, 2, 200, B::Umschalt,
           B::MainsWarning | B::Einstellsperre, Messablauf::NotAus, 0});
    EXPECT_EQ(state.Panel.RadioGroup1, before.RadioGroup1);
    EXPECT_EQ(state.Panel.RadioGroup2, before.RadioGroup2);
    EXPECT_EQ(state.Panel.RadioGroup4, before.RadioGroup4);
    EXPECT_EQ(state.Panel.ComboBox1, before.ComboBox1);
    EXPECT_EQ(state.Panel.CheckBox2, before.CheckBox2);
    EXPECT_DOUBLE_EQ(state.Panel.FloatEdit1, before.FloatEdit1);
    EXPECT_EQ(state.Panel.TrackBarPosition, before.TrackBarPosition);
    EXPECT_EQ(state.Display.LimitText, limitsBefore) << "no standard limits while held";
    EXPECT_EQ(ws.Menueflags, Menueflags::DINVDE | Menueflags::manuGrenz | Menueflags::mitIsoDiff);
    EXPECT_EQ(ws.Schutzklasse, 2);
    EXPECT_EQ(ws.Messablauf, Messablauf::NotAus);
    EXPECT_TRUE(state.Display.Umschalt);
    EXPECT_TRUE(state.Display.NotAus);
    EXPECT_TRUE(state.Display.WarningWindowVisible);

    // Manual limits reported while held: the bars keep their positions too.
    state.Panel.RadioGroup4 = PanelEntry::Manuell;
    Sequence(0, 5, 4, 13);
    EXPECT_EQ(state.Panel.TrackBarPosition, before.TrackBarPosition);
}

TEST_F(Live, StandardLimitsFromTheMirroredMode) {
    link.level = 2;
    Flags({Menueflags::DINVDE | Menueflags::mitIsol, 0, 1, 30, 0, 0, 0, 0});
    EXPECT_EQ(state.Display.LimitText[0], "300");
    EXPECT_EQ(state.Display.LimitText[1], "0,50");
    EXPECT_EQ(state.Display.LimitText[2], "7,00");
    EXPECT_EQ(state.Panel.TrackBarPosition, (std::array<int, 3>{2, 2, 5}));
    EXPECT_EQ(ws.GrwSchutzleiterwid, 300);
    EXPECT_EQ(ws.GrwIsolationswid, 500);
    EXPECT_EQ(ws.GrwAbleitstrom, 700);
    EXPECT_EQ(state.Display.RowInUse, (std::array<bool, 7>{true, true, true, false, false, false, false}));
    EXPECT_EQ(state.Panel.TrackBarEnabled, (std::array<bool, 3>{false, false, false})) << "standard limits";
}

TEST_F(Live, NoClassLeavesTheInsulationLimitUnset) {
    state.Panel.TrackBarPosition = {0, 3, 0};
    ws.GrwIsolationswid = 1234;
    Flags({Menueflags::mitIsol | Menueflags::mitIsoDiff, 0, 0, 30, 0, 0, 0, 0});
    EXPECT_EQ(state.Panel.TrackBarPosition[1], 3);
    EXPECT_EQ(state.Display.LimitText[1], NotMeasuredText);
    EXPECT_EQ(ws.GrwIsolationswid, 1234);
}

TEST_F(Live, RowsNotInUseShowNoLimit) {
    // Class I without insulation test and with touch current: no insulation row.
    ModeClassOneAllCurrents();
    EXPECT_EQ(state.Display.RowInUse, (std::array<bool, 7>{true, false, true, true, true, true, true}));
    EXPECT_EQ(state.Display.LimitText[1], NotMeasuredText);
    EXPECT_EQ(state.Display.LimitText[2], "3,50");
}

TEST_F(Live, TouchCurrentGroupEnabling) {
    Flags({Menueflags::mitIsoDiff, 0, 2, 30, 0, 0, 0, 0});
    EXPECT_TRUE(state.Panel.RadioGroup5Enabled) << "insulation and differential has no bit 4";
    Flags({Menueflags::mitIsol, 0, 2, 30, 0, 0, 0, 0});
    EXPECT_FALSE(state.Panel.RadioGroup5Enabled);
    Flags({0, 0, 3, 30, 0, 0, 0, 0});
    EXPECT_FALSE(state.Panel.RadioGroup5Enabled);
    state.SettingsHold = 5;
    Flags({0, 0, 1, 30, 0, 0, 0, 0});
    EXPECT_TRUE(state.Panel.RadioGroup5Enabled) << "also while held";
}

TEST_F(Live, MeasuredValuesGoToTheRowsInUse) {
    ModeClassOneWithInsulation();
    Measured1(250, 1500, 20, 0b0000101);
    EXPECT_EQ(ws.Schutzleiterwid, 250);
    EXPECT_EQ(ws.Isolationswid, 1500);
    EXPECT_EQ(ws.Ableitstrom, 20);
    EXPECT_EQ(ws.Grenzwertflags, 5);
    EXPECT_EQ(state.Display.ValueText[0], "250");
    EXPECT_EQ(state.Display.ValueText[1], "1,50");
    EXPECT_EQ(state.Display.ValueText[2], "0,20");
    EXPECT_EQ(state.Display.LimitExceeded,
              (std::array<bool, 7>{true, false, true, false, false, false, false}));

    Measured2(120, -1, 1001, 50);
    EXPECT_EQ(ws.SchutzlStromL1N, 120);
    EXPECT_EQ(ws.SchutzlStromNL1, -1);
    EXPECT_EQ(ws.BeruehrungsstromL1N, 1001);
    EXPECT_EQ(ws.BeruehrungsstromNL1, 50);
    for (int row = 3; row < 7; ++row)
        EXPECT_EQ(state.Display.ValueText[row], NotMeasuredText) << "rows not in use";

    ModeClassOneAllCurrents();
    Measured1(-1, 1500, 2001, 0);
    EXPECT_EQ(state.Display.ValueText[0], NotMeasuredText);
    EXPECT_EQ(state.Display.ValueText[1], NotMeasuredText);
    EXPECT_EQ(state.Display.ValueText[2], ">20.0");
    Measured2(120, -1, 1001, 50);
    EXPECT_EQ(state.Display.ValueText[3], "1,20");
    EXPECT_EQ(state.Display.ValueText[4], NotMeasuredText);
    EXPECT_EQ(state.Display.ValueText[5], ">10.0");
    EXPECT_EQ(state.Display.ValueText[6], "0,50");
}

TEST_F(Live, RunningStepRowIsFedOnlyByRawValues) {
    ModeClassOneWithInsulation();
    Measured1(100, 1000, 10, 0);
    Sequence(2);
    state.Display.LimitExceeded[1] = true;
    Measured1(200, 3000, 30, 0);
    EXPECT_EQ(state.Display.ValueText[0], "200");
    EXPECT_EQ(state.Display.ValueText[1], "1,00") << "the running row keeps its value";
    EXPECT_TRUE(state.Display.LimitExceeded[1]) << "and its label";
    EXPECT_EQ(ws.Isolationswid, 3000) << "the record still updates";
    Raw(150);
    EXPECT_EQ(state.Display.ValueText[1], "<0.20");
    Raw(5000);
    EXPECT_EQ(state.Display.ValueText[1], "5,00");

    // Step 6 (touch current) is shown from $39 even when its row is not in use.
    Sequence(6);
    Raw(42);
    EXPECT_EQ(state.Display.ValueText[5], "0,42");
    Measured2(1, 2, 3, 4);
    EXPECT_EQ(state.Display.ValueText[5], "0,42");
}

TEST_F(Live, RawValueWhileIdleShowsNothing) {
    const auto before = state.Display.ValueText;
    Raw(77);
    EXPECT_EQ(state.Display.ValueText, before);
}

TEST_F(Live, StepNamesAndTheMaskedStepByte) {
    Sequence(0);
    EXPECT_EQ(state.Display.StepName, "Ruhezustand");
    Sequence(1);
    EXPECT_EQ(state.Display.StepName, "Schutzleiter-\r\nwiderstand");
    Sequence(0x85);
    EXPECT_EQ(state.RunningStep, 5);
    EXPECT_EQ(state.Display.StepName, "Schutzleiterstrom\r\numgepolt");
    Sequence(7);
    EXPECT_EQ(state.Display.StepName, QString::fromUtf8("Berührungsstrom\r\numgepolt"));
}

TEST_F(Live, StepAboveSevenNamesNoStepAndFeedsNoRow) {
    ModeClassOneAllCurrents();
    const auto values = state.Display.ValueText;
    Sequence(0x7F);
    EXPECT_EQ(state.RunningStep, 0x7F);
    EXPECT_EQ(state.Display.StepName, QString());
    EXPECT_FALSE(state.Display.BitBtn4Enabled) << "the tester is busy";
    EXPECT_TRUE(state.Display.BitBtn3Enabled);
    Raw(99);
    EXPECT_EQ(state.Display.ValueText, values);
    Flags({Menueflags::mitBeruehr, 0, 1, 30, 0, 0, Messablauf::Schnellabschaltung, 0});
    EXPECT_FALSE(state.Display.MainsNoteVisible);
    Measured1(100, 100, 100, 0x7F);
    EXPECT_EQ(state.Display.LimitExceeded, (std::array<bool, 7>{true, true, true, true, true, true, true}));
}

TEST_F(Live, ButtonsThroughATestSequence) {
    TLiveDisplayState& s = state.Display;
    // Single-step sequence: "Prüfung weiter" while a step runs.
    Flags({Menueflags::mitIsol, 0, 1, 30, 0, 0, 0, 0});
    Sequence(1);
    EXPECT_FALSE(s.BitBtn1Enabled);
    EXPECT_TRUE(s.BitBtn2Enabled);
    EXPECT_TRUE(s.BitBtn3Enabled);
    EXPECT_FALSE(s.BitBtn4Enabled);
    EXPECT_FALSE(s.BitBtn5Enabled);
    EXPECT_EQ(state.StartCountdown, 0);

    // Automatic sequence: only while the warning window is shown.
    Flags({Menueflags::mitIsol | Menueflags::automatisch, 0, 1, 30, 0, 0, 0, 0});
    Sequence(2);
    EXPECT_FALSE(s.BitBtn2Enabled);
    Flags({Menueflags::mitIsol | Menueflags::automatisch, 0, 1, 30, 0, B::MainsWarning, 0, 0});
    Sequence(3);
    EXPECT_TRUE(s.BitBtn2Enabled);

    // Idle again: the start button waits 38 ticks.
    Flags({Menueflags::mitIsol | Menueflags::automatisch, 0, 1, 30, 0, 0, 0, 0});
    Sequence(0);
    EXPECT_FALSE(s.BitBtn1Enabled);
    EXPECT_EQ(state.StartCountdown, 38);
    EXPECT_FALSE(s.BitBtn2Enabled);
    EXPECT_FALSE(s.BitBtn3Enabled);
    EXPECT_TRUE(s.BitBtn4Enabled);
    EXPECT_TRUE(s.BitBtn5Enabled);
    state.StartCountdown = 5;
    Sequence(0);
    EXPECT_EQ(state.StartCountdown, 5) << "a running countdown is not restarted";
    s.BitBtn1Enabled = true;
    state.StartCountdown = 0;
    Sequence(0);
    EXPECT_EQ(state.StartCountdown, 0) << "an enabled button needs no countdown";
}

class ManualLimits : public Live {
protected:
    void SetUp() override {
        Live::SetUp();
        link.level = 1;
        ModeClassOneWithInsulation();
        state.Panel.RadioGroup4 = PanelEntry::Manuell;
        state.SettingDelay = 4;
        link.clear();
    }
};

TEST_F(ManualLimits, TesterIndicesMoveTheBarsAndTheDigits) {
    Sequence(0, 8, 4, 13);
    EXPECT_EQ(state.Panel.TrackBarPosition, (std::array<int, 3>{0, 4, 13}));
    EXPECT_EQ(state.Display.LimitText[0], "100");
    EXPECT_EQ(state.Display.LimitText[1], "2,00");
    EXPECT_EQ(state.Display.LimitText[2], "15,00");
    EXPECT_EQ(ws.GrwSchutzleiterwid, 100);
    EXPECT_EQ(ws.GrwIsolationswid, 2000);
    EXPECT_EQ(ws.GrwAbleitstrom, 1500);
    EXPECT_TRUE(link.requests.empty());

    // An index outside the table neither moves the bar nor sets the limit.
    Sequence(0, 10, 5, 14);
    EXPECT_EQ(state.Panel.TrackBarPosition, (std::array<int, 3>{0, 4, 13}));
    EXPECT_EQ(state.Display.LimitText,
              (std::array<QString, 3>{NotMeasuredText, NotMeasuredText, NotMeasuredText}));
    EXPECT_EQ(ws.GrwSchutzleiterwid, 100);
}

TEST_F(ManualLimits, StandardLimitsIgnoreTheSequenceIndices) {
    state.Panel.RadioGroup4 = 0;
    state.PendingLimit[0] = true;
    const auto before = state.Panel.TrackBarPosition;
    Sequence(0, 5, 1, 1);
    EXPECT_EQ(state.Panel.TrackBarPosition, before);
    EXPECT_TRUE(link.requests.empty());
}

TEST_F(ManualLimits, PendingBarIsSentWithTheNextSequenceFrame) {
    TSettingsPanel panel(state, link, settings);
    link.sequence = {0, 0, 3, 2, 7, 0, 0, 0};
    panel.TrackBarChange(0, 0);
    EXPECT_TRUE(state.PendingLimit[0]);
    EXPECT_TRUE(link.requests.empty()) << "a moved bar sends nothing by itself";
    Sequence(0, 3, 2, 7);
    ASSERT_EQ(link.writes().size(), 1u);
    EXPECT_EQ(link.writes()[0].sub, MsgSetLimitIndices);
    EXPECT_EQ(link.writes()[0].data, (Bytes{8, 2, 7})) << "position 0 at level 1 is index 8";
    EXPECT_FALSE(state.PendingLimit[0]);
    EXPECT_EQ(state.SettingsHold, 4);
    EXPECT_EQ(state.Panel.TrackBarPosition[0], 0) << "the user's bar stays";
    EXPECT_EQ(state.Panel.TrackBarPosition[1], 3) << "the hold counter set by the send keeps the others too";
}

TEST_F(ManualLimits, StandardLimitsMarkNothing) {
    TSettingsPanel panel(state, link, settings);
    state.Panel.RadioGroup4 = 0;
    panel.TrackBarChange(1, 3);
    EXPECT_EQ(state.PendingLimit, (std::array<bool, 3>{}));
    EXPECT_TRUE(link.requests.empty());
}

TEST_F(ManualLimits, PendingLimitWaitsWhileAnotherExchangeRuns) {
    TSettingsPanel panel(state, link, settings);
    panel.TrackBarChange(2, 9);
    {
        TExchangeGate::TScope other(gate);
        Sequence(0, 0, 0, 3);
        EXPECT_TRUE(link.requests.empty());
        EXPECT_TRUE(state.PendingLimit[2]);
        EXPECT_EQ(state.Panel.TrackBarPosition[2], 9) << "the tester's index does not undo the user's bar";
    }
    Sequence(0, 0, 0, 3);
    ASSERT_EQ(link.writes().size(), 1u);
    EXPECT_EQ(link.writes()[0].data, (Bytes{0, 0, 9}));
    EXPECT_FALSE(state.PendingLimit[2]);
}

TEST_F(Live, ClearAndResetRestoreTheDisconnectedDisplay) {
    ModeClassOneAllCurrents();
    Flags({Menueflags::mitBeruehr, 0, 1, 30, 1, B::MainsWarning, 0x0D, 0});
    Sequence(4);
    Measured1(1, 2, 3, 0x7F);
    live.ApplyRecordCount(TesterFrame(MsgQueryRecordCount, {1, 0, 2, 0, 0}));
    state.StartCountdown = 12;
    live.ResetConnection();
    const TLiveDisplayState& s = state.Display;
    const TLiveDisplayState cleared;
    EXPECT_EQ(s.ValueText, cleared.ValueText);
    EXPECT_EQ(s.LimitText, cleared.LimitText);
    EXPECT_EQ(s.LimitExceeded, cleared.LimitExceeded);
    EXPECT_EQ(s.StoredRecords, "-");
    EXPECT_EQ(s.FreeBytes, "-");
    EXPECT_FALSE(s.Umschalt || s.Abbruch || s.Grenzwert || s.NotAus);
    EXPECT_FALSE(s.WarningWindowVisible || s.MainsNoteVisible);
    EXPECT_TRUE(s.StepName.isEmpty());
    EXPECT_FALSE(s.BitBtn1Enabled || s.BitBtn2Enabled || s.BitBtn3Enabled || s.BitBtn4Enabled ||
                 s.BitBtn5Enabled);
    EXPECT_EQ(state.RunningStep, 0);
    EXPECT_EQ(state.StartCountdown, 0);
    EXPECT_EQ(ws.Schutzleiterwid, 0);
    EXPECT_EQ(ws.Menueflags, 0);
}

TEST_F(Live, ApplyByKindIndexFollowsTheRefreshTable) {
    live.Apply(2, TesterFrame(MsgQueryRecordCount, {9, 0, 0, 0, 1}), {});
    EXPECT_EQ(state.Display.StoredRecords, "9");
    live.Apply(7, TesterFrame(MsgQuerySequenceFlags, {0, 3}), {});
    EXPECT_EQ(state.RunningStep, 3);
    live.Apply(8, TesterFrame(MsgQuerySequenceFlags, {0, 0}), {});
    live.Apply(-1, TesterFrame(MsgQuerySequenceFlags, {0, 0}), {});
    EXPECT_EQ(state.RunningStep, 3);
}

} // namespace
