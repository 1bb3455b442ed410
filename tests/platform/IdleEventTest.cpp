#include "platform/event_pump.h"
#include "platform/idle_event.h"
#include "platform/window_timer.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

using namespace platform;

namespace {

void runLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct IdleFixture : ::testing::Test {
    int passes = 0;
    int passesInsideWaits = 0;
    void SetUp() override {
        setIdleHandler([this] {
            ++passes;
            if (activeWaits() > 0)
                ++passesInsideWaits;
        });
    }
    void TearDown() override { setIdleHandler(nullptr); }
};

} // namespace

TEST_F(IdleFixture, RunsAfterEventsAndThenRestsUntilTheNextOne) {
    QTimer::singleShot(5, [] {});
    runLoopFor(50);
    const int afterEvents = passes;
    EXPECT_GE(afterEvents, 1);
    // Nothing but the loop's own end timer for 300 ms: at most a pass or two, no spinning.
    runLoopFor(300);
    EXPECT_LE(passes - afterEvents, 3);
}

TEST_F(IdleFixture, FollowsEveryTickOfARunningTimer) {
    QTimer timer;
    timer.start(20);
    runLoopFor(300);
    EXPECT_GE(passes, 5);
    EXPECT_LE(passes, 40);
}

TEST_F(IdleFixture, DoesNotRunWhileAWaitIsInProgress) {
    QTimer timer;
    timer.start(10);
    const int before = passes;
    delayMs(150);
    EXPECT_EQ(passesInsideWaits, 0);
    EXPECT_EQ(passes, before);
    runLoopFor(50);
    EXPECT_GT(passes, before) << "passes resume once the wait is over";
}

TEST_F(IdleFixture, RunsInsideANestedLoopLikeAModalDialog) {
    QTimer timer;
    timer.start(20);
    int passesInNested = -1;
    QTimer::singleShot(0, [&] { // a posted call, as from a port event
        const int before = passes;
        runLoopFor(200);
        passesInNested = passes - before;
    });
    runLoopFor(300);
    EXPECT_GE(passesInNested, 3);
}

TEST(UiTimer, AnIntervalOfZeroNeverFires) {
    TTimer t;
    int fired = 0;
    t.OnTimer = [&] { ++fired; };
    t.SetInterval(0);
    runLoopFor(60);
    EXPECT_EQ(fired, 0);
    EXPECT_FALSE(t.isRunning());
    t.SetInterval(10);
    runLoopFor(80);
    EXPECT_GE(fired, 3);
    t.SetEnabled(false);
    const int stopped = fired;
    runLoopFor(50);
    EXPECT_EQ(fired, stopped);
}

TEST(UiTimer, EnablingARunningTimerKeepsItsBeat) {
    TTimer t;
    int fired = 0;
    t.OnTimer = [&] { ++fired; };
    t.SetInterval(40);
    QTimer again;
    QObject::connect(&again, &QTimer::timeout, [&] { t.SetEnabled(true); });
    again.start(10);
    runLoopFor(200);
    EXPECT_GE(fired, 2);
}
