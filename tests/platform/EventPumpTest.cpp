#include "platform/event_pump.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

using namespace platform;

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

} // namespace

TEST(Notifier, CallsFromAWorkerRunInTheUiThreadInPostingOrder) {
    Notifier notifier;
    std::vector<int> seen;
    const auto uiThread = std::this_thread::get_id();
    bool allInUi = true;
    std::thread worker([poster = notifier.poster(), &seen, &allInUi, uiThread] {
        for (int i = 0; i < 500; ++i) {
            std::vector<int> payload{i};
            poster.post([payload = std::move(payload), &seen, &allInUi, uiThread] {
                allInUi = allInUi && std::this_thread::get_id() == uiThread;
                seen.push_back(payload[0]);
            });
        }
    });
    worker.join();
    EXPECT_TRUE(seen.empty()) << "nothing runs before the event loop does";
    waitUntil([&] { return seen.size() == 500; }, systemClock().nowMs() + 2000);
    ASSERT_EQ(seen.size(), 500u);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(seen[i], i);
    EXPECT_TRUE(allInUi);
}

TEST(Notifier, NothingRunsOnceTheNotifierIsGone) {
    int runs = 0;
    Notifier::Poster poster;
    {
        Notifier notifier;
        poster = notifier.poster();
        EXPECT_TRUE(poster.post([&] { ++runs; }));
    }
    EXPECT_FALSE(poster.post([&] { ++runs; }));
    processPendingEvents();
    EXPECT_EQ(runs, 0);
}

TEST(Notifier, AThrowingCallDoesNotStopTheOthers) {
    Notifier notifier;
    int runs = 0;
    notifier.post([] { throw std::runtime_error("boom"); });
    notifier.post([&] { ++runs; });
    processPendingEvents();
    EXPECT_EQ(runs, 1);
}

TEST(WaitUntil, EndsWhenTheConditionHoldsAndKeepsTheLoopRunning) {
    bool fired = false;
    QTimer::singleShot(30, [&] { fired = true; });
    const int64_t start = systemClock().nowMs();
    EXPECT_TRUE(waitUntil([&] { return fired; }, start + 5000));
    EXPECT_LT(systemClock().nowMs() - start, 2000);
}

TEST(WaitUntil, GivesUpAfterTheDeadlineWithoutSpinning) {
    const int64_t start = systemClock().nowMs();
    const double cpu0 = cpuSeconds();
    EXPECT_FALSE(waitUntil([] { return false; }, start + 400));
    const int64_t waited = systemClock().nowMs() - start;
    const double cpu = cpuSeconds() - cpu0;
    EXPECT_GT(waited, 400);
    // A busy loop would burn about as much processor time as it waited.
    EXPECT_LT(cpu, 0.25 * waited / 1000.0);
}

TEST(WaitUntil, CountsNestedWaits) {
    EXPECT_EQ(activeWaits(), 0);
    int inner = -1;
    QTimer::singleShot(0, [&] { inner = activeWaits(); });
    delayMs(20);
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(activeWaits(), 0);
}

TEST(WaitUntil, ZeroDelayStillHandlesPendingEvents) {
    Notifier notifier;
    bool ran = false;
    notifier.post([&] { ran = true; });
    delayMs(0);
    EXPECT_TRUE(ran);
}

TEST(WaitUntil, InsideAPostedCallLaterPostsStillArrive) {
    // A handler that runs from a posted call (data from a port thread) may itself wait
    // for the next posted call.
    Notifier notifier;
    bool outerDone = false;
    bool innerArrived = false;
    notifier.post([&] {
        std::thread worker([poster = notifier.poster(), &innerArrived] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            poster.post([&innerArrived] { innerArrived = true; });
        });
        waitUntil([&] { return innerArrived; }, systemClock().nowMs() + 2000);
        worker.join();
        outerDone = true;
    });
    waitUntil([&] { return outerDone; }, systemClock().nowMs() + 3000);
    EXPECT_TRUE(outerDone);
    EXPECT_TRUE(innerArrived);
}
