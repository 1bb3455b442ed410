#include "tester/TesterSettings.h"
#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t RamMs = 300;
constexpr uint32_t ReadEepromMs = 800;

using Request = FakeTesterLink::Request;

class Writers : public testing::Test {
protected:
    Writers() { link.sequence = {0, 0, 0, 1, 2, 0, 0, 0}; } // limit indices 0, 1, 2

    FakeTesterLink link;
    TExchangeGate& gate = link.gate; // the link's, as in the program
    TTesterSettings settings{link};

    void SetBlock(Bytes b) { std::copy(b.begin(), b.end(), link.block.d.begin()); }

    // The one block written, all eight bytes.
    Bytes Written() {
        const auto w = link.writes();
        EXPECT_EQ(w.size(), 1u);
        return w.empty() ? Bytes() : w.front().data;
    }

    using Events = std::vector<std::string>;
};

} // namespace

TEST_F(Writers, ProtectionClassThreeChangesClassAndModeFlagsOnly) {
    SetBlock({0x50, 0x04, 0xF1, 0x7B, 0x01, 0x80, 0x44, 0x12});
    EXPECT_TRUE(settings.SendProtectionClass(3));
    // d0: insulation test on, insulation and differential off; d2: bits 2-7 as read;
    // d5: the PC's bit (value 4) beside the tester's warning bit; d7: no command.
    EXPECT_EQ(Written(), (Bytes{0x14, 0x04, 0xF3, 0x7B, 0x01, 0x84, 0x44, 0x00}));
    EXPECT_EQ(link.events, (Events{"pause", "$34", "$66", "resume"}));
    EXPECT_EQ(link.requests[0].timeout, RamMs);
    EXPECT_TRUE(link.requests[0].data.empty());
    EXPECT_EQ(link.requests[1].timeout, ReadEepromMs);
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woWritten);
}

TEST_F(Writers, ProtectionClassTwoWithoutInsulationTurnsTouchCurrentOn) {
    SetBlock({0x00, 0, 0x03, 0, 0, 0, 0, 0});
    EXPECT_TRUE(settings.SendProtectionClass(2));
    EXPECT_EQ(Written(), (Bytes{0x10, 0, 0x02, 0, 0, 0x04, 0, 0}));
}

TEST_F(Writers, ProtectionClassOutsideOneToThreeSendsNothing) {
    for (int cls : {0, 4, -1}) {
        EXPECT_FALSE(settings.SendProtectionClass(cls));
        EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woRejected);
    }
    EXPECT_TRUE(link.events.empty()) << "refresh untouched too";
}

TEST_F(Writers, ModeFlagWritersSetAndClearTheirBit) {
    struct Case {
        std::function<bool(TTesterSettings&, bool)> send;
        uint8_t bit;
    };
    const std::vector<Case> cases{
        {[](TTesterSettings& s, bool on) { return s.SendAutoSequence(on); }, 1},
        {[](TTesterSettings& s, bool on) { return s.SendDinVde(on ? 1 : 0); }, 2},
        {[](TTesterSettings& s, bool on) { return s.SendManualLimits(on); }, 8},
        {[](TTesterSettings& s, bool on) { return s.SendTouchCurrent(on); }, 16},
        {[](TTesterSettings& s, bool on) { return s.SendControlBarcode(on); }, 32},
        {[](TTesterSettings& s, bool on) { return s.SendModeFlag(64, on); }, 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.bit));
        // Class 1 keeps the flags as they are; the status bytes go back as read.
        link.requests.clear();
        SetBlock({0x81, 0x04, 0x01, 0x1E, 0x01, 0x88, 0x40, 0x02});
        EXPECT_TRUE(c.send(settings, true));
        EXPECT_EQ(Written(), (Bytes{uint8_t(0x81 | c.bit), 0x04, 0x01, 0x1E, 0x01, 0x8C, 0x40, 0x00}));
        link.requests.clear();
        SetBlock({0xFF, 0x04, 0x01, 0x1E, 0x01, 0x88, 0x40, 0x02});
        EXPECT_TRUE(c.send(settings, false));
        EXPECT_EQ(Written(), (Bytes{uint8_t(0xFF & ~c.bit), 0x04, 0x01, 0x1E, 0x01, 0x8C, 0x40, 0x00}));
        EXPECT_EQ(link.writes().front().timeout, ReadEepromMs);
    }
}

TEST_F(Writers, TouchCurrentOffStaysOnInClassTwoWithoutInsulation) {
    SetBlock({0x10, 0, 0x02, 0, 0, 0, 0, 0});
    EXPECT_TRUE(settings.SendTouchCurrent(false));
    EXPECT_EQ(Written()[0], 0x10);
}

TEST_F(Writers, ClassThreeForcesInsulationOnWhateverTheModeWriteAsks) {
    SetBlock({0x44, 0, 0x03, 0, 0, 0, 0, 0});
    EXPECT_TRUE(settings.SendModeFlag(4, false));
    EXPECT_EQ(Written()[0], 0x04);
}

TEST_F(Writers, DinVdeIndexOutsideZeroOrOneSendsNothing) {
    EXPECT_FALSE(settings.SendDinVde(2));
    EXPECT_FALSE(settings.SendDinVde(-1));
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Writers, InsulationModeWritesDifferentialFirstThenInsulation) {
    link.level = 1;
    SetBlock({0x00, 0, 0x01, 0, 0, 0, 0, 0});
    link.whileWaiting = [this](const Request& r) {
        if (r.sub == MsgSetSettings) // the tester takes each write
            std::copy(r.data.begin(), r.data.end(), link.block.d.begin());
    };
    EXPECT_TRUE(settings.SendInsulationMode(true, true));
    const auto w = link.writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].data[0], 0x40);
    EXPECT_EQ(w[1].data[0], 0x44);
    EXPECT_EQ(link.events, (Events{"pause", "$34", "$66", "resume", "pause", "$34", "$66", "resume"}));

    // "Isol. und Diff.": differential set, insulation clear.
    link.requests.clear();
    EXPECT_TRUE(settings.SendInsulationMode(false, true));
    ASSERT_EQ(link.writes().size(), 2u);
    EXPECT_EQ(link.writes()[1].data[0], 0x40);
}

TEST_F(Writers, InsulationModeStopsWhenTheDifferentialWriteFails) {
    link.level = 2;
    link.answered = {true, false, true, false, true, false};
    EXPECT_FALSE(settings.SendInsulationMode(true, true));
    EXPECT_EQ(link.requests.size(), 6u) << "three rounds for the first write, none for the second";
    for (const auto& w : link.writes())
        EXPECT_EQ(w.data[0] & 0x40, 0x40);
}

TEST_F(Writers, InsulationModeAtLevelZeroWritesOnlyTheInsulationBit) {
    link.level = 0;
    SetBlock({0x40, 0, 0x01, 0, 0, 0, 0, 0});
    EXPECT_TRUE(settings.SendInsulationMode(false, true));
    EXPECT_EQ(Written()[0], 0x40) << "the differential bit is not touched";
}

TEST_F(Writers, SettingsLock) {
    SetBlock({0, 0, 0, 0, 0, 0x80, 0, 0x01});
    EXPECT_TRUE(settings.SendSettingsLock(true));
    EXPECT_EQ(Written(), (Bytes{0, 0, 0, 0, 0, 0x8C, 0, 0}));
    link.requests.clear();
    SetBlock({0, 0, 0, 0, 0, 0x88, 0, 0});
    EXPECT_TRUE(settings.SendSettingsLock(false));
    EXPECT_EQ(Written(), (Bytes{0, 0, 0, 0, 0, 0x84, 0, 0}));
}

TEST_F(Writers, MeasuringTimeLeavesTheStatusByteAlone) {
    SetBlock({0x01, 0, 0x01, 0x1E, 0, 0x80, 0, 0x02});
    EXPECT_TRUE(settings.SendMeasuringTime(125));
    EXPECT_EQ(Written(), (Bytes{0x01, 0, 0x01, 125, 0, 0x80, 0, 0}));
    EXPECT_EQ(link.writes().front().timeout, ReadEepromMs);
    link.events.clear();
    EXPECT_FALSE(settings.SendMeasuringTime(0));
    EXPECT_FALSE(settings.SendMeasuringTime(251));
    EXPECT_TRUE(link.events.empty());
    EXPECT_TRUE(settings.SendMeasuringTime(250));
}

TEST_F(Writers, KeyCommandCarriesOnlyTheKnownKeys) {
    SetBlock({0x01, 0, 0x01, 0x1E, 0, 0x80, 0x04, 0});
    EXPECT_TRUE(settings.SendKeyCommand({KeyStart, KeyAbort}));
    EXPECT_EQ(Written(), (Bytes{0x01, 0, 0x01, 0x1E, 0, 0x80, 0x04, 0x03}));
    EXPECT_EQ(link.writes().front().timeout, ReadEepromMs);
    link.requests.clear();
    EXPECT_TRUE(settings.SendKeyCommand({8, KeyClearMemory, 4, 300}));
    EXPECT_EQ(Written()[7], 0x14);
    link.requests.clear();
    EXPECT_TRUE(settings.SendKeyCommand({}));
    EXPECT_EQ(Written()[7], 0x00);
}

TEST_F(Writers, VisualCheckPendingWritesTheTrimmedBlockOnlyWhenItChanges) {
    link.level = 1;
    SetBlock({0x05, 0, 0x01, 0, 0, 0, 0, 0x07});
    settings.SendVisualCheckPending(true);
    const auto w = link.writes();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].data, (Bytes{0x05, 0, 0x09})) << "zeros at the end are left to the bus";
    EXPECT_EQ(w[0].timeout, RamMs);
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woWritten);

    link.events.clear();
    SetBlock({0x05, 0, 0x09, 0, 0, 0, 0, 0});
    settings.SendVisualCheckPending(true);
    EXPECT_EQ(link.events, (Events{"pause", "$34", "resume"}));
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woUnchanged);

    link.events.clear();
    settings.SendVisualCheckPending(false);
    EXPECT_EQ(link.events, (Events{"pause", "$34", "$66", "resume"}));
    EXPECT_EQ(link.requests.back().data, (Bytes{0x05, 0, 0x01}));
}

TEST_F(Writers, VisualCheckPassed) {
    link.level = 2;
    SetBlock({0x05, 0, 0x01, 0x1E, 0, 0, 0x04, 0});
    settings.SendVisualCheckPassed(true);
    EXPECT_EQ(Written(), (Bytes{0x05, 0, 0x01, 0x1E, 0, 0, 0x44}));
    link.events.clear();
    SetBlock({0x05, 0, 0x01, 0x1E, 0, 0, 0x44, 0});
    settings.SendVisualCheckPassed(true);
    EXPECT_EQ(link.events, (Events{"pause", "$34", "resume"}));
}

TEST_F(Writers, Command40) {
    link.level = 1;
    SetBlock({0x05, 0, 0x01, 0x1E, 0, 0x80, 0, 0});
    settings.SendCommand40();
    EXPECT_EQ(Written(), (Bytes{0x05, 0, 0x01, 0x1E, 0, 0x80, 0, 0x40}));
    EXPECT_EQ(link.writes().front().timeout, RamMs);
}

TEST_F(Writers, LevelZeroTestersGetNoVisualCheckNorCommand40) {
    link.level = 0;
    settings.SendVisualCheckPending(true);
    settings.SendVisualCheckPassed(true);
    settings.SendCommand40();
    EXPECT_TRUE(link.events.empty());
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woRejected);
}

TEST_F(Writers, LimitIndexWritersChangeOneIndexOfThree) {
    // Each from the same state; the tester takes what is written.
    const Bytes sequence{0x00, 0x83, 0x02, 0x03, 0x07, 0x11, 0x22, 0x33};
    link.sequence = sequence;
    EXPECT_TRUE(settings.SendPeLimitIndex(9));
    EXPECT_EQ(link.events, (Events{"pause", "$3A", "$68", "resume"}));
    EXPECT_EQ(link.requests[0].timeout, RamMs);
    EXPECT_EQ(link.requests[1].timeout, ReadEepromMs);
    EXPECT_EQ(Written(), (Bytes{9, 3, 7}));
    link.requests.clear();
    link.sequence = sequence;
    EXPECT_TRUE(settings.SendInsulationLimitIndex(4));
    EXPECT_EQ(Written(), (Bytes{2, 4, 7}));
    link.requests.clear();
    link.sequence = sequence;
    EXPECT_TRUE(settings.SendLeakageLimitIndex(0));
    EXPECT_EQ(Written(), (Bytes{2, 3, 0}));
}

TEST_F(Writers, LimitIndexGuards) {
    link.level = 0;
    EXPECT_FALSE(settings.SendPeLimitIndex(8));
    EXPECT_TRUE(link.events.empty());
    EXPECT_TRUE(settings.SendPeLimitIndex(7));
    link.level = 1;
    link.requests.clear();
    EXPECT_TRUE(settings.SendPeLimitIndex(8));
    EXPECT_EQ(Written()[0], 8);
    link.events.clear();
    EXPECT_FALSE(settings.SendPeLimitIndex(10));
    EXPECT_FALSE(settings.SendPeLimitIndex(-1));
    EXPECT_FALSE(settings.SendInsulationLimitIndex(5));
    EXPECT_FALSE(settings.SendLeakageLimitIndex(14));
    EXPECT_FALSE(settings.SendLeakageLimitIndex(-1));
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Writers, SilentTesterGetsThreeReadsAndNoWrite) {
    link.answered = {false, false, false};
    EXPECT_FALSE(settings.SendSettingsLock(true));
    EXPECT_EQ(link.events, (Events{"pause", "$34", "$34", "$34", "resume"}));
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woFailed);
}

TEST_F(Writers, UnansweredWritesAreRetriedFromAFreshRead) {
    SetBlock({0x01, 0, 0x01, 0, 0, 0, 0, 0});
    link.answered = {true, false, true, false, true, false};
    EXPECT_FALSE(settings.SendMeasuringTime(30));
    EXPECT_EQ(link.events, (Events{"pause", "$34", "$66", "$34", "$66", "$34", "$66", "resume"}));

    // The second round writes what the second read reported.
    link.events.clear();
    link.requests.clear();
    link.answered = {true, false};
    link.whileWaiting = [this](const Request& r) {
        if (r.sub == MsgSetSettings)
            link.block.d[TesterSettingsBlock::Messablauf] = 0x08; // the tester changed meanwhile
    };
    EXPECT_TRUE(settings.SendMeasuringTime(30));
    const auto w = link.writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].data[6], 0x00);
    EXPECT_EQ(w[1].data[6], 0x08);
    EXPECT_EQ(link.requests.size(), 4u);
}

TEST_F(Writers, LimitWritersAlsoRetryThreeRounds) {
    link.answered = {false, true, false, true, false};
    EXPECT_FALSE(settings.SendLeakageLimitIndex(3));
    EXPECT_EQ(link.events, (Events{"pause", "$3A", "$3A", "$68", "$3A", "$68", "resume"}));
}

TEST_F(Writers, ClosedPortEndsTheWriterWithRefreshStillPaused) {
    link.connected = false;
    EXPECT_FALSE(settings.SendTouchCurrent(true));
    EXPECT_EQ(link.events, (Events{"pause"}));
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woDisconnected);

    link.connected = true;
    link.events.clear();
    link.answered = {false};
    link.whileWaiting = [this](const Request&) { link.connected = false; };
    EXPECT_FALSE(settings.SendTouchCurrent(true));
    EXPECT_EQ(link.events, (Events{"pause", "$34"}));
}

TEST_F(Writers, AWriterStartedDuringAnExchangeDoesNothing) {
    SetBlock({0x00, 0, 0x01, 0x1E, 0, 0, 0, 0});
    bool inner = true;
    TWriteOutcome innerOutcome = TWriteOutcome::woWritten;
    link.whileWaiting = [&](const Request& r) {
        // A click handled while the read waits.
        if (r.sub == MsgQueryFlags && link.requests.size() == 1) {
            inner = settings.SendControlBarcode(true);
            innerOutcome = settings.LastOutcome();
            settings.SendCommand40();
        }
    };
    EXPECT_TRUE(settings.SendMeasuringTime(100));
    EXPECT_FALSE(inner);
    EXPECT_EQ(innerOutcome, TWriteOutcome::woBusy);
    EXPECT_EQ(link.events, (Events{"pause", "$34", "$66", "resume"})) << "the inner writers sent nothing";
    EXPECT_EQ(Written(), (Bytes{0x00, 0, 0x01, 100, 0, 0, 0, 0}));
    EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woWritten);
    EXPECT_FALSE(gate.Busy());
}

TEST_F(Writers, AnExchangeOfTheWindowHoldsTheWritersOff) {
    {
        TExchangeGate::TScope identification(gate);
        ASSERT_TRUE(identification.Acquired());
        EXPECT_TRUE(gate.Busy());
        TExchangeGate::TScope second(gate);
        EXPECT_FALSE(second.Acquired());
        EXPECT_FALSE(settings.SendKeyCommand({KeyAbort}));
        EXPECT_EQ(settings.LastOutcome(), TWriteOutcome::woBusy);
        EXPECT_TRUE(link.events.empty());
    }
    EXPECT_FALSE(gate.Busy());
    EXPECT_TRUE(settings.SendKeyCommand({KeyAbort}));
}

TEST_F(Writers, InsulationModeKeepsTheGateBetweenItsTwoWrites) {
    link.level = 3;
    bool innerRan = true;
    link.whileWaiting = [&](const Request& r) {
        if (r.sub == MsgSetSettings && link.writes().size() == 1)
            innerRan = settings.SendTouchCurrent(true);
    };
    EXPECT_TRUE(settings.SendInsulationMode(true, false));
    EXPECT_FALSE(innerRan);
    EXPECT_EQ(link.writes().size(), 2u);
}

TEST(ExchangeGate, ActionsAskedWhileHeldRunOnceItIsFreeTheLatestPerKey) {
    TExchangeGate gate;
    std::vector<std::string> ran;
    std::vector<TExchangeGate::TAction> posted;
    gate.SetScheduler([&](TExchangeGate::TAction a) { posted.push_back(std::move(a)); });
    {
        TExchangeGate::TScope held(gate);
        EXPECT_FALSE(gate.Perform(1, [&] { ran.push_back("time 5"); }));
        EXPECT_FALSE(gate.Perform(0, [&] { ran.push_back("start"); }));
        EXPECT_FALSE(gate.Perform(0, [&] { ran.push_back("abort"); }));
        EXPECT_FALSE(gate.Perform(1, [&] { ran.push_back("time 7"); }));
        EXPECT_TRUE(gate.Waiting());
    }
    EXPECT_TRUE(ran.empty()) << "posted, not run inside the holder's code";
    ASSERT_EQ(posted.size(), 1u);
    posted[0]();
    EXPECT_EQ(ran, (std::vector<std::string>{"start", "abort", "time 7"}));
    EXPECT_FALSE(gate.Waiting());
    EXPECT_TRUE(gate.Perform(1, [&] { ran.push_back("now"); }));
    EXPECT_EQ(ran.back(), "now");
}

TEST(MeasuringTime, TenthsRoundHalvesToEven) {
    EXPECT_EQ(MeasuringTimeTenths(12.5), 125);
    EXPECT_EQ(MeasuringTimeTenths(3.0), 30);
    EXPECT_EQ(MeasuringTimeTenths(25.0), 250);
    EXPECT_EQ(MeasuringTimeTenths(0.25), 2);
    EXPECT_EQ(MeasuringTimeTenths(0.75), 8);
}
