#include "tester/SettingsPanel.h"

#include "tester/LiveDisplay.h"

#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

#include <Qt>

namespace {

using B = TesterSettingsBlock;
using Bytes = FakeTesterLink::Bytes;
using Events = std::vector<std::string>;

class Panel : public testing::Test {
protected:
    FakeTesterLink link;
    TExchangeGate& gate = link.gate; // the link's, as in the program
    TTesterSettings settings{link};
    TLiveState state;
    TSettingsPanel panel{state, link, settings};

    void SetUp() override {
        state.SettingDelay = 3;
        link.block.d = {0x00, 0x04, 0x01, 30, 0x00, 0x00, 0x00, 0x00};
    }
    // Data of the settings blocks written.
    std::vector<Bytes> Blocks() const {
        std::vector<Bytes> b;
        for (const auto& w : link.writes())
            b.push_back(w.data);
        return b;
    }
};

TEST_F(Panel, HandlerSetsTheHoldCounterAndBracketsTheWriter) {
    EXPECT_TRUE(panel.RadioGroup1Click(1));
    EXPECT_EQ(state.SettingsHold, 3);
    EXPECT_EQ(state.Panel.RadioGroup1, 1);
    EXPECT_EQ(link.events, (Events{"pause", "pause", "$34", "$66", "resume", "resume"}));
    EXPECT_EQ(Blocks(), (std::vector<Bytes>{{Menueflags::DINVDE, 0x04, 0x01, 30, 0, B::WrittenByPc, 0, 0}}));
}

TEST_F(Panel, EachControlWritesItsSetting) {
    struct Case {
        const char* name;
        std::function<void()> change;
        int byte;
        uint8_t value;
    };
    const std::vector<Case> cases = {
        {"Messablauf automatisch", [&] { panel.RadioGroup3Click(1); }, 0, Menueflags::automatisch},
        {"Berührungsstrom mit", [&] { panel.RadioGroup5Click(1); }, 0, Menueflags::mitBeruehr},
        {"Grenzwerte manuell", [&] { panel.RadioGroup4Click(1); }, 0, Menueflags::manuGrenz},
        {"Steuerbarcode", [&] { panel.CheckBox1Click(true); }, 0, Menueflags::Steuerbarcode},
        {"Einstellsperre", [&] { panel.CheckBox2Click(true); }, 5, B::Einstellsperre | B::WrittenByPc},
        {"Schutzklasse III", [&] { panel.ComboBox1Change(2); }, 2, 3},
        {"Messzeit 12,5 s", [&] { panel.FloatEdit1Exit(12.5); }, 3, 125},
    };
    for (const auto& c : cases) {
        SetUp();
        link.clear();
        c.change();
        const auto blocks = Blocks();
        ASSERT_EQ(blocks.size(), 1u) << c.name;
        EXPECT_EQ(blocks[0][static_cast<size_t>(c.byte)], c.value) << c.name;
    }
}

TEST_F(Panel, InsulationAndDifferentialWritesTwoBlocks) {
    link.level = 2;
    link.block.d[0] = Menueflags::mitIsol;
    panel.RadioGroup2Click(2);
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0][0], Menueflags::mitIsol | Menueflags::mitIsoDiff);
    EXPECT_EQ(blocks[1][0], Menueflags::mitIsoDiff);
    EXPECT_EQ(state.Panel.RadioGroup2, 2);
}

TEST_F(Panel, VisualCheckAtLevelZeroDoesNothingAtAll) {
    link.level = 0;
    state.SettingsHold = 1;
    panel.ComboBox2Change(2);
    EXPECT_TRUE(link.events.empty());
    EXPECT_EQ(state.SettingsHold, 1);
}

TEST_F(Panel, VisualCheckYesWritesOnlyWhatDiffers) {
    link.block.d[2] = 0x01 | B::VisualCheckPending;
    panel.ComboBox2Change(PanelEntry::SichtJa);
    auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], (Bytes{0x00, 0x04, 0x01, 30})) << "pending cleared, trailing zeros dropped";
    EXPECT_EQ(blocks[1], (Bytes{0x00, 0x04, 0x01, 30, 0, 0, Messablauf::SichtpruefungBestanden}));

    link.clear();
    panel.ComboBox2Change(PanelEntry::SichtJa);
    EXPECT_TRUE(link.writes().empty()) << "already so";
    EXPECT_EQ(link.events, (Events{"pause", "pause", "$34", "resume", "pause", "$34", "resume", "resume"}));

    link.clear();
    panel.ComboBox2Change(PanelEntry::SichtNichtEntschieden);
    blocks = Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0][2], 0x01 | B::VisualCheckPending);
    EXPECT_EQ(blocks[1], (Bytes{0x00, 0x04, 0x09, 30})) << "passed cleared";
}

TEST_F(Panel, EnterInTheMeasuringTimeWritesAndIsKeptFromTheEdit) {
    int key = Qt::Key_Return;
    panel.FloatEdit1KeyDown(key, 4.25);
    EXPECT_EQ(key, 0);
    ASSERT_EQ(Blocks().size(), 1u);
    EXPECT_EQ(Blocks()[0][3], 42) << "42.5 tenths round to the even neighbour";
    EXPECT_EQ(state.SettingsHold, 3);

    key = Qt::Key_Enter;
    panel.FloatEdit1KeyDown(key, 5.0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(Blocks().size(), 2u);

    link.clear();
    state.SettingsHold = 0;
    key = Qt::Key_5;
    panel.FloatEdit1KeyDown(key, 5.0);
    EXPECT_EQ(key, Qt::Key_5);
    EXPECT_TRUE(link.events.empty());
    EXPECT_EQ(state.SettingsHold, 0);
}

TEST_F(Panel, ChangesDuringAnExchangeAreWrittenAfterItTheLatestOfEachOnce) {
    bool atOnce = true;
    link.whileWaiting = [&](const FakeTesterLink::Request& r) {
        if (r.sub != MsgQueryFlags)
            return;
        link.whileWaiting = nullptr;
        state.SettingsHold = 0;
        const size_t events = link.events.size();
        atOnce = panel.CheckBox2Click(true);
        panel.FloatEdit1Exit(10.0);
        panel.CheckBox2Click(false);
        panel.FloatEdit1Exit(12.5);
        EXPECT_EQ(link.events.size(), events) << "nothing runs while the exchange waits";
        EXPECT_EQ(state.SettingsHold, 3) << "the panel keeps the choices";
    };
    panel.RadioGroup3Click(1);
    EXPECT_FALSE(atOnce);
    EXPECT_FALSE(state.Panel.CheckBox2);
    EXPECT_EQ(state.Panel.FloatEdit1, 12.5);
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 3u) << "the sequence, then the latest lock and time";
    EXPECT_EQ(blocks[0][0], Menueflags::automatisch);
    EXPECT_EQ(blocks[1][5], B::WrittenByPc) << "lock off";
    EXPECT_EQ(blocks[2][3], 125);
    EXPECT_EQ(link.events.back(), "resume");
}

TEST_F(Panel, WaitingChangeIsDroppedWhenTheTesterIsGoneByItsTurn) {
    link.whileWaiting = [&](const FakeTesterLink::Request&) {
        link.whileWaiting = nullptr;
        panel.CheckBox1Click(true);
        link.connected = false;
    };
    panel.RadioGroup1Click(1);
    const size_t events = link.events.size();
    EXPECT_EQ(Blocks().size(), 1u);
    EXPECT_EQ(link.events.size(), events);
    EXPECT_FALSE(gate.Waiting());
}

TEST_F(Panel, MeasuringTimeWaitingForItsTurnIsNotWrittenToTheNextConnection) {
    std::vector<TExchangeGate::TAction> posted;
    gate.SetScheduler([&](TExchangeGate::TAction a) { posted.push_back(std::move(a)); });
    panel.FloatEdit1Exit(6.0);
    EXPECT_TRUE(link.events.empty()) << "not inside the focus event";
    ASSERT_EQ(posted.size(), 1u);
    TWerteSatz ws;
    TLiveDisplay(state, ws, link, settings).ResetConnection(); // disconnected, connected again
    posted[0]();
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Panel, TrackBarActionThatLeavesThePositionMarksNothing) {
    state.Panel.RadioGroup4 = PanelEntry::Manuell;
    state.Panel.TrackBarPosition = {9, 4, 13};
    panel.TrackBarChange(1, 4); // a step beyond the end, or the release of the handle
    EXPECT_EQ(state.PendingLimit, (std::array<bool, 3>{}));
    panel.TrackBarChange(1, 3);
    EXPECT_EQ(state.PendingLimit, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(state.Panel.TrackBarPosition[1], 3);
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Panel, TouchCurrentAndRowsFollowTheShownMode) {
    TSettingsPanelState& p = state.Panel;
    UpdateTouchCurrentEnabled(p, Menueflags::mitIsoDiff, 2);
    EXPECT_TRUE(p.RadioGroup5Enabled);
    UpdateTouchCurrentEnabled(p, Menueflags::mitIsol, 1);
    EXPECT_FALSE(p.RadioGroup5Enabled);
    UpdateTouchCurrentEnabled(p, 0, 3);
    EXPECT_FALSE(p.RadioGroup5Enabled);

    // Class II, insulation test, DIN VDE 0702: only insulation below level 3.
    p = TSettingsPanelState();
    p.ComboBox1 = 1;
    p.RadioGroup2 = 1;
    p.RadioGroup1 = 1;
    p.RadioGroup4 = 1;
    state.Display.LimitText = {"300", "2,00", "3,50"};
    UpdateMeasurementRows(state, 2);
    EXPECT_EQ(state.Display.RowInUse, (std::array<bool, 7>{false, true, false, false, false, false, false}));
    EXPECT_EQ(p.TrackBarEnabled, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(state.Display.LimitText, (std::array<QString, 3>{NotMeasuredText, "2,00", NotMeasuredText}));
    UpdateMeasurementRows(state, 3);
    EXPECT_EQ(state.Display.RowInUse, (std::array<bool, 7>{false, true, true, false, false, false, false}));

    // No class chosen: nothing applies.
    p.ComboBox1 = -1;
    UpdateMeasurementRows(state, 3);
    EXPECT_EQ(state.Display.RowInUse, (std::array<bool, 7>{}));
}

} // namespace
