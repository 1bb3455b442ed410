#include "tester/Limits.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> values(std::span<const int32_t> t) {
    return {t.begin(), t.end()};
}

const QChar comma(u',');
const QChar point(u'.');

} // namespace

TEST(LimitTables, ValuesByTesterIndex) {
    EXPECT_EQ(values(PeResistanceLimits(1)),
              (std::vector<int32_t>{300, 400, 500, 600, 700, 800, 900, 1000, 100, 200}));
    EXPECT_EQ(values(PeResistanceLimits(3)), values(PeResistanceLimits(1)));
    EXPECT_EQ(values(PeResistanceLimits(0)), (std::vector<int32_t>{300, 400, 500, 600, 700, 800, 900, 1000}));
    EXPECT_EQ(values(InsulationLimits), (std::vector<int32_t>{250, 300, 500, 1000, 2000}));
    EXPECT_EQ(values(LeakageLimits), (std::vector<int32_t>{50, 350, 400, 500, 600, 700, 800, 900, 1000, 1100,
                                                           1200, 1300, 1400, 1500}));
}

TEST(LimitTables, IndexOfValue) {
    EXPECT_EQ(IndexOfValue(LeakageLimits, 700), 5);
    EXPECT_EQ(IndexOfValue(PeResistanceLimits10, 100), 8);
    EXPECT_EQ(IndexOfValue(PeResistanceLimits8, 100), -1);
    EXPECT_EQ(IndexOfValue(InsulationLimits, 251), -1);
    const std::vector<int32_t> twice{5, 7, 7};
    EXPECT_EQ(IndexOfValue(twice, 7), 1) << "the lower of two";
    EXPECT_EQ(IndexOfValue(std::span<const int32_t>(), 7), -1);
}

TEST(LimitTables, DisplayTexts) {
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkPeResistance, 0, 0, true, comma), "300");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkPeResistance, 8, 1, true, comma), "100");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkPeResistance, 8, 0, true, comma), " --- ");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkPeResistance, -1, 1, true, comma), " --- ");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkInsulation, 0, 0, true, comma), "0,25");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkInsulation, 2, 0, true, point), "0.50");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkInsulation, 5, 3, true, comma), " --- ");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkLeakage, 1, 3, true, comma), "3,50");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkLeakage, 13, 3, true, comma), "15,00");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkLeakage, 14, 3, true, comma), " --- ");
    EXPECT_EQ(LimitDisplayText(TLimitKind::lkLeakage, 1, 3, false, comma), " --- ") << "row not in use";
    EXPECT_EQ(LimitAt(TLimitKind::lkLeakage, 5, 0), 700);
    EXPECT_FALSE(LimitAt(TLimitKind::lkPeResistance, 9, 0));
}

namespace {

struct StandardCase {
    int cls;
    bool din0702;
    int variant;
    int level;
    std::optional<int32_t> insulation;
    int32_t leakage;
};

} // namespace

// Every class and part at the oldest and the newest firmware level.
TEST(StandardLimits, EveryClassAndPartAtLevelsZeroAndThree) {
    const std::vector<StandardCase> cases{
        // class I
        {1, false, 1, 0, 1000, 350},
        {1, true, 1, 0, 500, 700},
        {1, false, 1, 3, 1000, 350},
        {1, true, 1, 3, 1000, 350},
        // class II: the leakage limit drops with an insulation test
        {2, false, 0, 0, 2000, 350},
        {2, false, 1, 0, 2000, 50},
        {2, false, 2, 0, 2000, 50},
        {2, true, 2, 0, 2000, 700},
        {2, false, 0, 3, 2000, 350},
        {2, false, 2, 3, 2000, 50},
        {2, true, 1, 3, 2000, 50},
        {2, true, 0, 3, 2000, 350},
        // class III
        {3, false, 1, 0, 250, 350},
        {3, true, 1, 0, 250, 700},
        {3, false, 1, 3, 250, 350},
        {3, true, 1, 3, 250, 350},
        // no class chosen
        {0, false, 0, 0, std::nullopt, 350},
        {0, true, 0, 0, std::nullopt, 700},
        {0, true, 0, 3, std::nullopt, 350},
    };
    for (const auto& c : cases) {
        const TStandardLimits l = StandardLimits(c.cls, c.din0702, c.variant, c.level);
        SCOPED_TRACE(testing::Message() << "class " << c.cls << " 070" << (c.din0702 ? 2 : 1) << " variant "
                                        << c.variant << " level " << c.level);
        EXPECT_EQ(l.PeResistance, 300);
        EXPECT_EQ(l.Insulation, c.insulation);
        EXPECT_EQ(l.Leakage, c.leakage);
    }
    // Levels 1 and 2 keep the older rule.
    EXPECT_EQ(StandardLimits(1, true, 1, 2).Insulation, 500);
    EXPECT_EQ(StandardLimits(1, true, 1, 2).Leakage, 700);
}

TEST(StandardLimits, IndicesAndBarPositions) {
    TStandardLimitIndices i = StandardLimitIndices(1, true, 1, 2);
    EXPECT_EQ(i.PeResistance, 0);
    EXPECT_EQ(i.Insulation, 2);
    EXPECT_EQ(i.Leakage, 5);
    EXPECT_EQ(TrackBarPosition(TLimitKind::lkPeResistance, i.PeResistance, 2), 2);
    EXPECT_EQ(
        TrackBarPosition(TLimitKind::lkPeResistance, StandardLimitIndices(1, true, 1, 0).PeResistance, 0), 0);
    i = StandardLimitIndices(2, false, 2, 3);
    EXPECT_EQ(i.Insulation, 4);
    EXPECT_EQ(i.Leakage, 0);
    EXPECT_EQ(StandardLimitIndices(1, false, 1, 3).Insulation, 3);
    EXPECT_EQ(StandardLimitIndices(3, false, 1, 3).Insulation, 0);
    EXPECT_EQ(StandardLimitIndices(3, false, 1, 3).Leakage, 1);
    EXPECT_EQ(StandardLimitIndices(0, false, 1, 3).Insulation, -1);
}

TEST(TrackBars, ProtectiveConductorBarRunsFromLowestValueFromLevelOne) {
    for (int level : {1, 3}) {
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, 0, level), 8);
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, 1, level), 9);
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, 2, level), 0);
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, 9, level), 7);
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, 10, level), -1);
        int32_t previous = 0;
        for (int p = 0; p <= 9; ++p) {
            const int index = IndexOfTrackBarPosition(TLimitKind::lkPeResistance, p, level);
            EXPECT_EQ(TrackBarPosition(TLimitKind::lkPeResistance, index, level), p);
            const int32_t value = *LimitAt(TLimitKind::lkPeResistance, index, level);
            EXPECT_GT(value, previous) << "position " << p;
            previous = value;
        }
    }
}

TEST(TrackBars, OtherBarsAndLevelZeroShowTheIndex) {
    for (int p = 0; p <= 7; ++p) {
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, p, 0), p);
        EXPECT_EQ(TrackBarPosition(TLimitKind::lkPeResistance, p, 0), p);
    }
    EXPECT_EQ(TrackBarPosition(TLimitKind::lkPeResistance, 8, 0), -1);
    EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkPeResistance, 8, 0), -1);
    for (int level : {0, 3}) {
        for (int p = 0; p <= 4; ++p)
            EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkInsulation, p, level), p);
        for (int p = 0; p <= 13; ++p)
            EXPECT_EQ(TrackBarPosition(TLimitKind::lkLeakage, p, level), p);
        EXPECT_EQ(TrackBarPosition(TLimitKind::lkInsulation, 5, level), -1);
        EXPECT_EQ(IndexOfTrackBarPosition(TLimitKind::lkLeakage, 14, level), -1);
        EXPECT_EQ(TrackBarPosition(TLimitKind::lkLeakage, -1, level), -1);
    }
}
