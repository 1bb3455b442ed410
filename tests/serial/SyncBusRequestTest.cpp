#include "FakeBusPort.h"
#include "serial/SyncBus.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

constexpr uint8_t Pc = 0x61;
constexpr uint8_t Tester = 0xEC;

// A peer that answers each frame it is handed after a delay, as the tester would, on virtual
// time: the waits jump to what is due next, the same way every run.
struct RequestFixture : ::testing::Test {
    VirtualClock clock;
    TSynchroBus bus{nullptr, clock};
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
            clock.after(answerDelayMs, [this, sub] { port.deliver(frameBytes(Tester, sub, answerData)); });
        };
    }

    bool request(uint8_t sub, uint32_t timeout, TProtok& out) {
        return bus.RequestMsg(Pc, sub, "", ByteSet({Tester}), ByteSet({sub}), timeout, out);
    }
    // Runs call every period ms, the first time after first ms.
    void every(int64_t first, int64_t period, std::function<void()> call) {
        clock.after(first, [this, period, call] {
            call();
            every(period, period, call);
        });
    }
    void wait(int64_t ms) { platform::delayMs(ms, clock); }
};

} // namespace

TEST_F(RequestFixture, AnAnswerInTheFirstAttemptEndsTheRequestAtOnce) {
    TProtok out{};
    const int64_t start = clock.nowMs();
    ASSERT_TRUE(request(0x11, 1000, out));
    EXPECT_LT(clock.nowMs() - start, 900);
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

TEST_F(RequestFixture, RetriesWithinTheBusDeadlineAreWithdrawnAndTheLateAnswerComesUnhandled) {
    answer = false;
    bus.SetMsgTimeOut(300);
    TProtok out{};
    EXPECT_FALSE(request(0x34, 30, out));
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(bus.QueuedCount(), 0u) << "the retries waited in the queue and go out no more";
    // The tester answers late: the answer is nobody's, and nothing follows it.
    port.deliver(frameBytes(Tester, 0x34));
    wait(50);
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(unhandled, 1);
}

TEST_F(RequestFixture, BehindAnOutstandingFrameARequestQueuesOneAttemptAndWithdrawsIt) {
    answer = false;
    bus.SetMsgTimeOut(500);
    bus.SendMsg(Pc, 0x67, "");
    size_t mostQueued = 0;
    every(5, 5, [&] { mostQueued = std::max(mostQueued, bus.QueuedCount()); });
    TProtok out{};
    EXPECT_FALSE(request(0x11, 60, out));
    EXPECT_EQ(mostQueued, 1u);
    EXPECT_EQ(bus.QueuedCount(), 0u);
    EXPECT_EQ(port.sent.size(), 1u) << "only the frame before the request";
}

TEST_F(RequestFixture, AMatchingFrameThePeerSendsByItselfIsTakenAsTheAnswer) {
    answer = false;
    clock.after(10, [this] { port.deliver(frameBytes(Tester, 0x3A, {0, 3})); });
    TProtok out{};
    ASSERT_TRUE(request(0x3A, 500, out));
    EXPECT_EQ(out[5], 3);
}

TEST_F(RequestFixture, FramesOfOtherIdsSubsOrWithBadChecksumsDoNotQualify) {
    answer = false;
    bus.SetMsgTimeOut(10);
    clock.after(5, [this] {
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
    clock.after(5, [&] {
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

TEST(SyncBusWait, KeepsTimersAndDeliveriesRunning) {
    // On the real clock: the answer comes from a Qt timer's third run, so the request ends only
    // if both run in its wait.
    TSynchroBus bus;
    FakeBusPort port;
    bus.SetTickTime(10000);
    bus.SetCate(&port);
    int timerRuns = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++timerRuns == 3)
            port.deliver(frameBytes(Tester, 0x10));
    });
    timer.start(10);
    TProtok out{};
    ASSERT_TRUE(bus.RequestMsg(Pc, 0x10, "", ByteSet({Tester}), ByteSet({0x10}), 10000, out));
    EXPECT_EQ(timerRuns, 3);
}

namespace {

// A peer slower than the request's time-out: it answers each frame after 400 ms with the
// frame's first data byte, so that every answer tells which request it belongs to.
struct SlowPeerFixture : RequestFixture {
    void SetUp() override {
        RequestFixture::SetUp();
        answerDelayMs = 400;
        bus.SetMsgTimeOut(500);
        port.onSent = [this](const std::vector<uint8_t>& f) {
            if (!answer)
                return;
            const uint8_t sub = f[3], d0 = f[4];
            clock.after(answerDelayMs, [this, sub, d0] {
                port.deliver(frameBytes(Tester, sub, {d0, 0x77}));
            });
        };
    }

    bool entry(uint8_t index, uint32_t timeout, TProtok& out) {
        return bus.RequestMsg(Pc, 0x15, std::string(1, static_cast<char>(index)), ByteSet({Tester}),
                              ByteSet({0x15}), timeout, out);
    }
    size_t sentWith(uint8_t d0) const {
        return static_cast<size_t>(
            std::count_if(port.sent.begin(), port.sent.end(), [d0](const auto& f) { return f[4] == d0; }));
    }
};

} // namespace

TEST_F(SlowPeerFixture, EachRequestGetsItsOwnAnswerAndSendsOnceWhenRetriesWaitInTheQueue) {
    for (uint8_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        TProtok out{};
        ASSERT_TRUE(entry(i, 300, out));
        EXPECT_EQ(out[4], i);
        EXPECT_EQ(bus.QueuedCount(), 0u) << "the retry waiting in the queue is withdrawn";
    }
    wait(500);
    EXPECT_EQ(port.sent.size(), 3u);
    EXPECT_EQ(unhandled, 0);
}

TEST_F(SlowPeerFixture, TheLateAnswerToARetryThatWentOutIsNotTheNextRequestsAnswer) {
    bus.SetMsgTimeOut(100);
    TProtok out{};
    // Its retry goes out at 250 ms, before the answer to the first attempt.
    ASSERT_TRUE(entry(1, 250, out));
    EXPECT_EQ(out[4], 1);
    EXPECT_EQ(sentWith(1), 2u);
    ASSERT_TRUE(entry(2, 1000, out));
    EXPECT_EQ(out[4], 2) << "the answer to the earlier retry arrived first";
    EXPECT_EQ(sentWith(2), 1u);
    EXPECT_EQ(unhandled, 1) << "the late answer is unhandled";
}

TEST_F(SlowPeerFixture, ALostLateAnswerCostsTheNextRequestARetryNotItsData) {
    bus.SetMsgTimeOut(100);
    int answered = 0;
    port.onSent = [&](const std::vector<uint8_t>& f) {
        // The answer to the second frame is lost on the line.
        if (++answered == 2)
            return;
        const uint8_t d0 = f[4];
        clock.after(400, [this, d0] { port.deliver(frameBytes(Tester, 0x15, {d0})); });
    };
    TProtok out{};
    ASSERT_TRUE(entry(1, 250, out));
    ASSERT_TRUE(entry(2, 600, out));
    EXPECT_EQ(out[4], 2);
}

TEST_F(SlowPeerFixture, ARetryWaitsForTheBusDeadlineEvenWhileOtherFramesArrive) {
    every(50, 50, [&] { port.deliver(frameBytes(Tester, 0x32)); });
    TProtok out{};
    ASSERT_TRUE(entry(4, 300, out));
    EXPECT_EQ(out[4], 4);
    EXPECT_EQ(port.sent.size(), 1u);
}

namespace {

// The main window's timings: class R 300 ms, class E 800 ms, bus deadline 500 ms, tick 1000 ms.
struct LostFramesFixture : RequestFixture {
    void SetUp() override {
        RequestFixture::SetUp();
        bus.SetMsgTimeOut(500);
    }
    // Ticks from phase ms on, every second.
    void tickFrom(int phase) {
        every(phase, 1000, [this] { bus.DoTick(); });
    }
};

struct TickPhase : LostFramesFixture, ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(TickPhase, ARequestAfterASilentOneGetsItsOwnAnswer) {
    tickFrom(GetParam());
    answer = false;
    TProtok out{};
    EXPECT_FALSE(request(0x34, 300, out));
    const size_t silent = port.sent.size();
    EXPECT_GE(silent, 2u);
    answer = true;
    ASSERT_TRUE(request(0x34, 300, out)) << "the frames sent so far: " << port.sent.size();
    EXPECT_EQ(port.sent.size(), silent + 1);
    EXPECT_EQ(unhandled, 0);
}

INSTANTIATE_TEST_SUITE_P(SyncBus, TickPhase, ::testing::Range(0, 1000, 100));

TEST_F(LostFramesFixture, ARequestQueuedBehindAFrameWithoutAnswerGoesOutWithinItsTime) {
    answer = false;
    bus.SendMsg(Pc, 0x67, "");
    answer = true;
    wait(100);
    const int64_t start = clock.nowMs();
    TProtok out{};
    ASSERT_TRUE(request(0x11, 300, out));
    EXPECT_LT(clock.nowMs() - start, 900);
    ASSERT_EQ(port.sent.size(), 2u);
    EXPECT_EQ(bus.QueuedCount(), 0u);
}

TEST_F(LostFramesFixture, FramesLostOnTheLineAreNotAwaitedAsLateAnswers) {
    int lost = 3;
    port.onSent = [&](const std::vector<uint8_t>& f) {
        if (lost > 0 && lost--)
            return;
        const uint8_t sub = f[3];
        clock.after(answerDelayMs, [this, sub] { port.deliver(frameBytes(Tester, sub)); });
    };
    TProtok out{};
    EXPECT_FALSE(request(0x20, 800, out));
    ASSERT_EQ(port.sent.size(), 3u);
    ASSERT_TRUE(request(0x20, 800, out));
    EXPECT_EQ(port.sent.size(), 4u) << "answered at its first attempt";
    EXPECT_EQ(unhandled, 0);
}

namespace {

// The tester as seen on the wire: it answers each frame after delayMs unless that answer is lost,
// and the answer carries the number of the frame it answers. With autosend on it also sends a
// frame of its own every 200 ms. Frames are numbered from 1 and remembered with the request
// that sent them.
struct WireFixture : LostFramesFixture {
    int delayMs = 50;
    std::vector<int> lostAnswers;
    std::vector<int> senderOf{0}; // request of each frame number
    std::vector<int64_t> sentAt{0};
    int requestNo = 0;

    void SetUp() override {
        LostFramesFixture::SetUp();
        port.onSent = [this](const std::vector<uint8_t>& f) {
            const int n = static_cast<int>(senderOf.size());
            senderOf.push_back(requestNo);
            sentAt.push_back(clock.nowMs());
            if (std::find(lostAnswers.begin(), lostAnswers.end(), n) != lostAnswers.end())
                return;
            const uint8_t sub = f[3];
            clock.after(delayMs, [this, sub, n] { port.deliver(frameBytes(Tester, sub, {uint8_t(n)})); });
        };
        bus.OnMsgUnhandled = [this](TSynchroBus&, const TProtok& m) { unhandled += m[3] != 0x37; };
    }
    void autosendOn() {
        every(200, 200, [this] { port.deliver(frameBytes(Tester, 0x37)); });
    }
    int frames() const { return static_cast<int>(senderOf.size()) - 1; }

    // A class-R request that asks for another entry each time; on success, the number of the
    // frame its answer answers.
    bool classR(int& answered) {
        ++requestNo;
        TProtok out{};
        const bool ok = bus.RequestMsg(Pc, 0x15, std::string(1, static_cast<char>(requestNo)),
                                       ByteSet({Tester}), ByteSet({0x15}), 300, out);
        answered = ok ? out[4] : 0;
        return ok;
    }
};

struct AutosendPhase : WireFixture, ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(AutosendPhase, NoAttemptGoesOutAfterItsRequestHasEnded) {
    tickFrom(GetParam());
    autosendOn();
    lostAnswers = {1, 2};
    int answered = 0;
    EXPECT_FALSE(classR(answered));
    const int64_t ended = clock.nowMs();
    ASSERT_EQ(frames(), 2);
    EXPECT_LE(sentAt[2], ended);
    // Two lost answers cost three frames: the next request gets its own answer at its first send.
    ASSERT_TRUE(classR(answered));
    EXPECT_EQ(answered, 3);
    wait(1200);
    EXPECT_EQ(frames(), 3);
    EXPECT_EQ(unhandled, 0);
}

INSTANTIATE_TEST_SUITE_P(SyncBus, AutosendPhase, ::testing::Values(0, 300, 600));

struct SlowTesterDelay : WireFixture, ::testing::WithParamInterface<int> {};

// Each answer comes after the request's retry went out: every request still takes its own.
TEST_P(SlowTesterDelay, EveryRequestGetsItsOwnAnswer) {
    delayMs = GetParam();
    autosendOn();
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        int answered = 0;
        const bool ok = classR(answered);
        // Slower than three attempts the request fails; an answer it takes is still its own.
        if (delayMs < 900) {
            EXPECT_TRUE(ok);
        }
        if (ok) {
            EXPECT_EQ(senderOf.at(static_cast<size_t>(answered)), i) << "answer to frame " << answered;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SyncBus, SlowTesterDelay, ::testing::Values(600, 700, 1000));
