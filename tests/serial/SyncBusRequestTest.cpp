#include "FakeBusPort.h"
#include "serial/SyncBus.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace {

constexpr uint8_t Pc = 0x61;
constexpr uint8_t Tester = 0xEC;

// A peer that answers each frame it is handed after a delay, as the tester would.
struct RequestFixture : ::testing::Test {
    TSynchroBus bus;
    FakeBusPort port;
    int answerDelayMs = 5;
    bool answer = true;
    std::vector<uint8_t> answerData{0x12, 0x34, 0x56, 0x78, 0x90};
    int unhandled = 0;

    void SetUp() override {
        bus.SetTickTime(10000);
        bus.SetCate(&port);
        bus.OnMsgUnhandled = [this](TSynchroBus&, const TProtok&) { ++unhandled; };
        port.onSent = [this](const std::vector<uint8_t>& f) {
            if (!answer)
                return;
            const uint8_t sub = f[3];
            QTimer::singleShot(answerDelayMs, &port,
                               [this, sub] { port.deliver(frameBytes(Tester, sub, answerData)); });
        };
    }

    bool request(uint8_t sub, uint32_t timeout, TProtok& out) {
        return bus.RequestMsg(Pc, sub, "", ByteSet({Tester}), ByteSet({sub}), timeout, out);
    }
};

} // namespace

TEST_F(RequestFixture, AnAnswerInTheFirstAttemptEndsTheRequestAtOnce) {
    TProtok out{};
    const int64_t start = platform::systemClock().nowMs();
    ASSERT_TRUE(request(0x11, 1000, out));
    EXPECT_LT(platform::systemClock().nowMs() - start, 900);
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(out[0], 0x53);
    EXPECT_EQ(out[1], Tester);
    EXPECT_EQ(out[3], 0x11);
    EXPECT_EQ(out[4], 0x12);
    EXPECT_EQ(out[8], 0x90);
    EXPECT_EQ(unhandled, 0) << "the awaited answer is not unhandled";
    EXPECT_FALSE(bus.RequestPending());
}

TEST_F(RequestFixture, WithoutAnAnswerItTriesMaxTryTimesAndLeavesTheAnswerAlone) {
    answer = false;
    bus.SetMsgTimeOut(20);
    TProtok out;
    out.fill(0xAB);
    EXPECT_FALSE(request(0x11, 40, out));
    EXPECT_EQ(port.sent.size(), 3u);
    for (uint8_t b : out)
        ASSERT_EQ(b, 0xAB);
}

TEST_F(RequestFixture, MaxTryBelowOneStillMakesOneAttempt) {
    answer = false;
    bus.SetMsgTimeOut(10);
    bus.SetmaxTry(0);
    TProtok out{};
    EXPECT_FALSE(request(0x11, 20, out));
    EXPECT_EQ(port.sent.size(), 1u);
}

TEST_F(RequestFixture, ARetryWithinTheBusDeadlineIsQueuedAndItsAnswerComesUnhandled) {
    answer = false;
    bus.SetMsgTimeOut(300);
    TProtok out{};
    EXPECT_FALSE(request(0x34, 30, out));
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(bus.QueuedCount(), 2u);
    // The tester answers late: the answer releases the queued retries, whose answers are
    // nobody's any more.
    answer = true;
    port.deliver(frameBytes(Tester, 0x34));
    EXPECT_EQ(port.sent.size(), 2u);
    platform::waitUntil([&] { return port.sent.size() == 3u && unhandled == 3; },
                        platform::systemClock().nowMs() + 2000);
    EXPECT_EQ(unhandled, 3);
}

TEST_F(RequestFixture, AMatchingFrameThePeerSendsByItselfIsTakenAsTheAnswer) {
    answer = false;
    QTimer::singleShot(10, &port, [this] { port.deliver(frameBytes(Tester, 0x3A, {0, 3})); });
    TProtok out{};
    ASSERT_TRUE(request(0x3A, 500, out));
    EXPECT_EQ(out[5], 3);
}

TEST_F(RequestFixture, FramesOfOtherIdsSubsOrWithBadChecksumsDoNotQualify) {
    answer = false;
    bus.SetMsgTimeOut(10);
    QTimer::singleShot(5, &port, [this] {
        port.deliver(frameBytes(Pc, 0x11));
        port.deliver(frameBytes(Tester, 0x12));
        port.deliver(frameBytes(Tester, 0x11, {}, true));
    });
    TProtok out{};
    EXPECT_FALSE(request(0x11, 60, out));
    EXPECT_EQ(unhandled, 2);
}

TEST_F(RequestFixture, SlaveModeSendsOnceAndAnswersWithZeros) {
    bus.SetMode(TSynchroMode::smSlave);
    TProtok out;
    out.fill(0xAB);
    EXPECT_FALSE(request(0x11, 50, out));
    EXPECT_EQ(port.sent.size(), 1u);
    for (uint8_t b : out)
        ASSERT_EQ(b, 0);
}

TEST_F(RequestFixture, ARequestStartedWhileAnotherWaitsFailsAtOnceAndTheOuterKeepsItsAnswer) {
    answerDelayMs = 40;
    bool innerResult = true;
    size_t sentByInner = 0;
    QTimer::singleShot(5, &port, [&] {
        const size_t before = port.sent.size();
        TProtok inner{};
        innerResult = request(0x34, 500, inner);
        sentByInner = port.sent.size() - before;
    });
    TProtok out{};
    ASSERT_TRUE(request(0x11, 1000, out));
    EXPECT_EQ(out[3], 0x11);
    EXPECT_FALSE(innerResult);
    EXPECT_EQ(sentByInner, 0u);
}

TEST_F(RequestFixture, TheWaitKeepsTimersAndDeliveriesRunning) {
    answerDelayMs = 100;
    int timerRuns = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timerRuns; });
    timer.start(10);
    TProtok out{};
    ASSERT_TRUE(request(0x10, 1000, out));
    EXPECT_GE(timerRuns, 3);
}
