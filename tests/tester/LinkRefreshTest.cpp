#include "tester/LinkRefresh.h"
#include "tester/Housekeeping.h"
#include "tester/TesterMessages.h"

#include <gtest/gtest.h>

namespace {

TProtok testerFrame(uint8_t code, uint8_t d0 = 0, uint8_t id = MsgIdTester) {
    TProtok f{};
    f[0] = 0x53;
    f[1] = id;
    f[3] = code;
    f[4] = d0;
    return f;
}

} // namespace

TEST(LinkRefresh, PollOrderIsTheKindTableAndWraps) {
    TLinkRefresh r;
    std::vector<uint8_t> codes;
    for (int i = 0; i < 9; ++i)
        codes.push_back(r.TakePollCode());
    EXPECT_EQ(codes, (std::vector<uint8_t>{0x31, 0x32, 0x33, 0x34, 0x37, 0x38, 0x39, 0x3A, 0x31}));
    EXPECT_EQ(r.PollIndex(), 1);
    EXPECT_EQ(PollLogLine(3), "Info 3 anfordern");
}

TEST(LinkRefresh, TickFiresWhenTheCounterRunsDownAndNotWhileDisconnected) {
    TLinkRefresh r;
    r.SetRefreshCounter(3);
    EXPECT_FALSE(r.Tick(true));
    EXPECT_FALSE(r.Tick(true));
    EXPECT_TRUE(r.Tick(true));
    EXPECT_FALSE(r.Tick(true)); // stays at 0 until the next refresh sets it
    r.SetRefreshCounter(1);
    EXPECT_FALSE(r.Tick(false));
    EXPECT_EQ(r.RefreshCounter(), 0);
}

TEST(LinkRefresh, OnlyTesterFramesOfKeptKindsAreStored) {
    TLinkRefresh r;
    EXPECT_EQ(r.Store(testerFrame(0x35), true), -1);
    EXPECT_EQ(r.Store(testerFrame(0x3B), true), -1);
    EXPECT_EQ(r.Store(testerFrame(0x37, 0, MsgIdPc), true), -1);
    EXPECT_EQ(r.PendingMask(), 0);
    EXPECT_EQ(r.Store(testerFrame(0x3A), true), 7);
    EXPECT_EQ(r.PendingMask(), 0x80);
    EXPECT_EQ(r.Store(testerFrame(0x31), false), 0); // poll mode: kept, not pending
    EXPECT_EQ(r.PendingMask(), 0x80);
}

TEST(LinkRefresh, NewerFrameOfAKindReplacesTheUnshownOne) {
    TLinkRefresh r;
    r.Store(testerFrame(0x37, 1), true);
    r.Store(testerFrame(0x37, 2), true);
    EXPECT_EQ(r.Buffer(4)[4], 2);
    EXPECT_EQ(r.PendingMask(), 1u << 4);
}

TEST(LinkRefresh, IdleRotationLooksAtOneKindPerPassInTableOrder) {
    TLinkRefresh r;
    r.Store(testerFrame(0x3A), true); // kind 7 arrives first
    r.Store(testerFrame(0x32), true); // kind 1
    std::vector<int> applied;
    for (int pass = 0; pass < 8; ++pass) {
        const int k = r.IdleStep(true);
        if (k >= 0) {
            applied.push_back(k);
            r.ClearPending(k);
        }
    }
    EXPECT_EQ(applied, (std::vector<int>{1, 7}));
    EXPECT_EQ(r.RotationIndex(), 0);
}

TEST(LinkRefresh, DisconnectedIdleDropsEverythingPending) {
    TLinkRefresh r;
    r.IdleStep(true);
    r.IdleStep(true);
    r.Store(testerFrame(0x34), true);
    EXPECT_EQ(r.IdleStep(false), -1);
    EXPECT_EQ(r.PendingMask(), 0);
    EXPECT_EQ(r.RotationIndex(), 0);
}

TEST(Housekeeping, ActivityLedStaysLitForTwoTicks) {
    int counter = 2;
    EXPECT_TRUE(THousekeeping::TickActivityLed(counter));
    EXPECT_FALSE(THousekeeping::TickActivityLed(counter));
    EXPECT_FALSE(THousekeeping::TickActivityLed(counter));
    EXPECT_EQ(counter, 0);
}

TEST(Housekeeping, InactivityTimesOutOnlyWhenRunningDownFromAboveZero) {
    THousekeeping h;
    h.ActiveCtr = 0; // paused
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(h.Tick(true, false).InactivityTimeout);
    h.ActiveCtr = 2;
    EXPECT_FALSE(h.Tick(true, false).InactivityTimeout);
    EXPECT_TRUE(h.Tick(true, false).InactivityTimeout);
    h.ActiveCtr = 5;
    EXPECT_FALSE(h.Tick(false, false).InactivityTimeout);
    EXPECT_EQ(h.ActiveCtr, 0);
}

TEST(Housekeeping, SplashGoesAfterEightTicks) {
    THousekeeping h;
    int freedAt = 0;
    for (int tick = 1; tick <= 10; ++tick)
        if (h.Tick(false, freedAt == 0).FreeSplash)
            freedAt = tick;
    EXPECT_EQ(freedAt, 8);
}
