// The bus's synchronous request over the real port against the tester double.
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tests/serial/PortTestSupport.h"
#include "tests/support/tester_double.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class CateBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tester.start());
        devices.paths[1] = tester.slavePath();
        devices.applyTo(cate);
        cate.SetReadBufferSize(64);
        cate.SetReadInterval(10);
        cate.Loaded();
        cate.SetPort(TPort::Com1);
        ASSERT_EQ(cate.Port(), TPort::Com1);
        bus.SetCate(&cate);
        bus.SetTickTime(10);
        bus.OnBadMsg = [this](TSynchroBus&, const TProtok&) { ++bad; };
    }

    bool request(uint8_t sub, TProtok& answer, uint32_t timeout = 200) {
        return bus.RequestMsg(TesterDouble::IdPc, sub, "", ByteSet({TesterDouble::IdTester}), ByteSet({sub}),
                              timeout, answer);
    }

    TesterDouble tester;
    PortDevices devices;
    TCate cate;
    TSynchroBus bus;
    int bad = 0;
};

TEST_F(CateBus, ARequestIsAnsweredByTheTester) {
    TProtok answer{};
    ASSERT_TRUE(request(0x10, answer));
    EXPECT_EQ(answer[1], 0xEC);
    EXPECT_EQ(answer[3], 0x10);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&answer[4]), 7), "2000000");
    ASSERT_TRUE(request(0x11, answer));
    EXPECT_EQ(answer[4], 0x21);
    EXPECT_EQ(answer[8], 0x09);
    const auto frames = tester.receivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][1], 0x61);
    EXPECT_EQ(frames[0][3], 0x10);
}

// The wire time itself (25 ms) is bench_round_trip's; on a loaded machine the test only knows
// that the answer came to the first attempt, before a retry could go out.
TEST_F(CateBus, APacedAnswerComesToTheFirstAttempt) {
    tester.setPacing(true);
    bus.SetMsgTimeOut(2000);
    TProtok answer{};
    const int64_t t0 = platform::systemClock().nowMs();
    ASSERT_TRUE(request(0x34, answer, 2000));
    EXPECT_LT(platform::systemClock().nowMs() - t0, 2000);
    EXPECT_EQ(tester.receivedFrames().size(), 1u);
}

TEST_F(CateBus, ASilentTesterIsAskedMaxTryTimes) {
    tester.misbehave(TesterDouble::Misbehaviour::Silent);
    bus.SetMsgTimeOut(40);
    TProtok answer{};
    EXPECT_FALSE(request(0x10, answer, 50));
    tester.waitForFrames(3, 500);
    EXPECT_EQ(tester.receivedFrames().size(), 3u);
}

TEST_F(CateBus, AWrongChecksumIsNoAnswer) {
    tester.misbehave(TesterDouble::Misbehaviour::WrongChecksum);
    TProtok answer{};
    EXPECT_FALSE(request(0x11, answer, 80));
    EXPECT_EQ(bad, 3);
}

TEST_F(CateBus, AFrameSplitByMoreThanTheCharTimeOutIsDropped) {
    bus.SetCharTimeOut(50);
    tester.misbehave(TesterDouble::Misbehaviour::SplitFrame, 120);
    TProtok answer{};
    EXPECT_FALSE(request(0x10, answer, 300));
    tester.misbehave(TesterDouble::Misbehaviour::None);
    EXPECT_TRUE(request(0x10, answer, 300));
}

TEST_F(CateBus, LateAnswersAndGarbageAreSurvived) {
    tester.misbehave(TesterDouble::Misbehaviour::Late, 120);
    TProtok answer{};
    EXPECT_TRUE(request(0x10, answer, 300));
    tester.misbehave(TesterDouble::Misbehaviour::Garbage);
    EXPECT_FALSE(request(0x10, answer, 50));
    tester.misbehave(TesterDouble::Misbehaviour::None);
    platform::delayMs(150);
    EXPECT_TRUE(request(0x10, answer, 200));
}

TEST_F(CateBus, AFrameTheTesterSendsByItselfIsUnhandled) {
    std::vector<uint8_t> subs;
    bus.OnMsgUnhandled = [&](TSynchroBus&, const TProtok& f) { subs.push_back(f[3]); };
    tester.sendFrame(0x37, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(waitFor([&] { return !subs.empty(); }, 2000));
    EXPECT_EQ(subs, std::vector<uint8_t>{0x37});
}

} // namespace
