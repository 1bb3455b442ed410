#include "tests/support/FakeTesterLink.h"

#include "tester/ModeTable.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Bytes = std::vector<uint8_t>;

struct ModeWriterTest : ::testing::Test {
    FakeTesterLink link;
    TExchangeGate& gate = link.gate; // the link's, as in the program
    TTesterSettings settings{link};
    int hold = 0;
    TMeasuringModeWriter writer{link, settings, hold, 7};

    std::vector<FakeTesterLink::Request> settingsWrites() const {
        std::vector<FakeTesterLink::Request> w;
        for (const auto& r : link.writes())
            if (r.sub == MsgSetSettings)
                w.push_back(r);
        return w;
    }
    std::vector<FakeTesterLink::Request> limitWrites() const {
        std::vector<FakeTesterLink::Request> w;
        for (const auto& r : link.writes())
            if (r.sub == MsgSetLimitIndices)
                w.push_back(r);
        return w;
    }
    // d0 of every settings block written, in order.
    Bytes flagsWritten() const {
        Bytes f;
        for (const auto& r : settingsWrites())
            f.push_back(r.data.at(0));
        return f;
    }
};

TEST(ModeTable, ListsTheDifferentialRowsOnlyFromFirmwareLevelOne) {
    EXPECT_EQ(ModeTableRowCount(0), 24);
    EXPECT_STREQ(ModeTable[23].Code, "80");
    for (int level = 1; level <= 3; ++level)
        EXPECT_EQ(ModeTableRowCount(level), 36);
    EXPECT_STREQ(ModeTable[35].Code, "57");
    // The rows only shown from level 1 on are exactly those with insulation plus differential.
    for (int row = 0; row < ModeTableSize; ++row)
        EXPECT_EQ(ModeTable[static_cast<size_t>(row)].mitIsoDiff, row >= 24) << row;
}

TEST(ModeTable, CodesAreTheControlBarcodeNumbersOncePerRow) {
    std::set<std::string> codes;
    for (const TModeRow& r : ModeTable) {
        codes.insert(r.Code);
        // The cell texts say what the fields hold.
        const char* klasse[] = {"", "I", "II", "III"};
        EXPECT_STREQ(r.Texts[0], klasse[r.Schutzklasse]) << r.Code;
        EXPECT_STREQ(r.Texts[3], r.DinVde == 1 ? "0702" : "0701") << r.Code;
        EXPECT_STREQ(r.Texts[4], r.automatisch ? "ja" : "nein") << r.Code;
        if (r.mitIsol)
            EXPECT_STREQ(r.Texts[2], "-") << r.Code;
        else
            EXPECT_STREQ(r.Texts[2], r.mitBeruehr ? "ja" : "nein") << r.Code;
    }
    EXPECT_EQ(codes.size(), 36u);
    EXPECT_STREQ(ModeTable[12].Code, "87");
    EXPECT_STREQ(ModeTable[16].Code, "77");
    EXPECT_STREQ(ModeTable[20].Code, "83");
}

TEST_F(ModeWriterTest, TableRowSetsClassInsulationTouchCurrentDinVdeAndSequenceInThatOrder) {
    link.level = 0;
    link.block.d = {Menueflags::mitIsol | Menueflags::automatisch | Menueflags::DINVDE, 0, 1, 20, 0, 0, 0, 0};
    EXPECT_TRUE(writer.WriteTableRow(12)); // "87": II, touch current, 0701, single
    // class 2 (insulation still on), insulation off (class II then needs touch current),
    // touch current on, 0701, single sequence.
    EXPECT_EQ(flagsWritten(), (Bytes{0x07, 0x13, 0x13, 0x11, 0x10}));
    EXPECT_EQ(settingsWrites().front().data.at(2) & 3, 2);
    EXPECT_EQ(link.block.d[0], 0x10);
    EXPECT_EQ(link.block.d[2] & 3, 2);
    EXPECT_TRUE(limitWrites().empty());
    EXPECT_EQ(link.events.front(), "pause");
    EXPECT_EQ(link.events.back(), "resume");
    EXPECT_EQ(hold, 7);
}

TEST_F(ModeWriterTest, DifferentialRowWritesBothInsulationBitsFromLevelOne) {
    link.level = 1;
    EXPECT_TRUE(writer.WriteTableRow(30)); // "62": I, I + D, no touch current, 0702, single
    EXPECT_EQ(settingsWrites().size(), 6u);
    EXPECT_EQ(link.block.d[0], Menueflags::mitIsoDiff | Menueflags::DINVDE);
    EXPECT_EQ(link.block.d[2] & 3, 1);
}

TEST_F(ModeWriterTest, RowOutsideTheListedTableSendsNothing) {
    link.level = 0;
    EXPECT_FALSE(writer.WriteTableRow(24));
    EXPECT_FALSE(writer.WriteTableRow(-1));
    link.level = 3;
    EXPECT_FALSE(writer.WriteTableRow(36));
    EXPECT_TRUE(link.events.empty());
    EXPECT_EQ(hold, 0);
}

TEST_F(ModeWriterTest, StoredTestWithManualLimitsSendsTheLimitsThatAreInTheirTables) {
    link.level = 0;
    link.sequence = {0, 0, 1, 1, 1, 0, 0, 0};
    TStoredTestMode mode;
    mode.Menueflags = Menueflags::manuGrenz;
    mode.Schutzklasse = 1;
    mode.GrwSchutzleiterwid = 150; // not in the 8-entry table
    mode.GrwIsolationswid = 500;   // index 2
    mode.GrwAbleitstrom = 700;     // index 5
    EXPECT_TRUE(writer.WriteStoredTest(mode));
    // class, insulation off, touch current off, 0701, single, manual limits on.
    ASSERT_EQ(settingsWrites().size(), 6u);
    EXPECT_EQ(link.block.d[0], Menueflags::manuGrenz);
    EXPECT_EQ(link.block.d[2] & 3, 1);
    const auto limits = limitWrites();
    ASSERT_EQ(limits.size(), 2u);
    EXPECT_EQ(limits[0].data, (Bytes{1, 2, 1}));
    EXPECT_EQ(limits[1].data, (Bytes{1, 2, 5}));
    EXPECT_EQ(link.events.back(), "resume");
}

TEST_F(ModeWriterTest, StoredTestUsesTheLongProtectiveConductorTableFromLevelOne) {
    link.level = 1;
    TStoredTestMode mode;
    mode.Menueflags = Menueflags::manuGrenz | Menueflags::mitIsol | Menueflags::DINVDE;
    mode.Schutzklasse = 1;
    mode.GrwSchutzleiterwid = 100; // index 8
    mode.GrwIsolationswid = 123;   // none
    mode.GrwAbleitstrom = 99;      // none
    EXPECT_TRUE(writer.WriteStoredTest(mode));
    const auto limits = limitWrites();
    ASSERT_EQ(limits.size(), 1u);
    EXPECT_EQ(limits[0].data.at(0), 8);
}

TEST_F(ModeWriterTest, StoredTestWithoutManualLimitsSwitchesThemOffAndSendsNoLimit) {
    link.block.d[0] = Menueflags::manuGrenz;
    TStoredTestMode mode;
    mode.Menueflags = Menueflags::automatisch | Menueflags::mitBeruehr;
    mode.Schutzklasse = 1;
    mode.GrwIsolationswid = 500;
    EXPECT_TRUE(writer.WriteStoredTest(mode));
    EXPECT_EQ(link.block.d[0], Menueflags::automatisch | Menueflags::mitBeruehr);
    EXPECT_TRUE(limitWrites().empty());
}

TEST_F(ModeWriterTest, FailedProtectionClassWriteSendsNothingElseAndResumes) {
    link.answers = false;
    TStoredTestMode mode;
    mode.Menueflags = Menueflags::manuGrenz;
    mode.Schutzklasse = 2;
    EXPECT_FALSE(writer.WriteStoredTest(mode));
    for (const auto& r : link.requests)
        EXPECT_EQ(r.sub, MsgQueryFlags);
    EXPECT_EQ(link.requests.size(), 3u); // the class writer's three rounds
    EXPECT_EQ(link.events.back(), "resume");
}

TEST_F(ModeWriterTest, ChainStopsAtTheFirstWriterThatFails) {
    link.level = 0;
    int settingsWritesSeen = 0;
    link.whileWaiting = [&](const FakeTesterLink::Request& r) {
        if (r.sub == MsgSetSettings && ++settingsWritesSeen == 3)
            link.answers = false; // the touch-current write and all after it go unanswered
    };
    EXPECT_FALSE(writer.WriteTableRow(4));
    EXPECT_EQ(settingsWrites().size(), 3u);
    EXPECT_EQ(link.events.back(), "resume");
}

TEST_F(ModeWriterTest, StoredTestWithoutClassIsRefusedByTheFirstWriter) {
    EXPECT_FALSE(writer.WriteStoredTest(TStoredTestMode{}));
    EXPECT_TRUE(link.requests.empty());
}

TEST_F(ModeWriterTest, NothingIsSentWhileAnotherExchangeHoldsTheGate) {
    TExchangeGate::TScope other(gate);
    TStoredTestMode mode;
    mode.Schutzklasse = 1;
    EXPECT_FALSE(writer.WriteTableRow(0));
    EXPECT_FALSE(writer.WriteStoredTest(mode));
    // The other exchange has paused the refresh; resuming it now would break into its wait.
    EXPECT_TRUE(link.events.empty());
    EXPECT_EQ(hold, 0);
}

TEST_F(ModeWriterTest, EachWriterOfTheChainTakesTheGateInTurn) {
    link.level = 0;
    bool busyWhileWaiting = true;
    link.whileWaiting = [&](const FakeTesterLink::Request&) {
        busyWhileWaiting = busyWhileWaiting && gate.Busy();
    };
    EXPECT_TRUE(writer.WriteTableRow(0));
    EXPECT_TRUE(busyWhileWaiting);
    EXPECT_FALSE(gate.Busy());
}

TEST(StoredTestMode, TakesTheModeFieldsOfATestRecord) {
    TWerteSatz w;
    w.Menueflags = 27;
    w.Schutzklasse = 3;
    w.GrwSchutzleiterwid = 300;
    w.GrwIsolationswid = 250;
    w.GrwAbleitstrom = 50;
    const TStoredTestMode m = StoredTestModeOf(w);
    EXPECT_EQ(m.Menueflags, 27);
    EXPECT_EQ(m.Schutzklasse, 3);
    EXPECT_EQ(m.GrwSchutzleiterwid, 300);
    EXPECT_EQ(m.GrwIsolationswid, 250);
    EXPECT_EQ(m.GrwAbleitstrom, 50);
}

} // namespace
