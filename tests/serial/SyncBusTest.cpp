#include "serial/SyncBus.h"
#include "FakeBusPort.h"
#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace {

struct BusFixture : ::testing::Test {
    FakeClock clock;
    std::unique_ptr<TSynchroBus> bus;
    FakeBusPort port;
    std::vector<std::string> events;

    void SetUp() override {
        bus = std::make_unique<TSynchroBus>(nullptr, clock);
        bus->SetTickTime(10000); // ticks come from the test
        bus->SetMsgTimeOut(500);
        bus->SetCate(&port);
        bus->OnMsgReceived = [this](TSynchroBus&, const TProtok& m) { events.push_back("rx " + hex(m[3])); };
        bus->OnMsgUnhandled = [this](TSynchroBus&, const TProtok& m) {
            events.push_back("unhandled " + hex(m[3]));
        };
        bus->OnBadMsg = [this](TSynchroBus&, const TProtok& m) { events.push_back("bad " + hex(m[3])); };
        bus->OnTimeOver = [this](TSynchroBus&) { events.push_back("timeover"); };
    }

    static std::string hex(uint8_t b) {
        char s[4];
        std::snprintf(s, sizeof s, "%02X", b);
        return s;
    }

    uint8_t sentSub(size_t i) const { return port.sent.at(i).at(3); }
};

} // namespace

using ReceiveTest = BusFixture;

TEST_F(ReceiveTest, GarbageBeforeStartIsDroppedAndFrameCompletesOnItsTwelfthByte) {
    std::vector<std::pair<uint8_t, bool>> chars;
    bus->OnCharReceived = [&](TSynchroBus&, uint8_t c, bool accepted) { chars.emplace_back(c, accepted); };
    port.deliver({0x00, 0x12, 0xFF});
    EXPECT_TRUE(chars.empty());
    port.deliver(frameBytes(0xEC, 0x37, {1, 2, 3}));
    ASSERT_EQ(chars.size(), 12u);
    for (size_t i = 0; i < 11; ++i)
        EXPECT_FALSE(chars[i].second);
    EXPECT_TRUE(chars[11].second);
    EXPECT_EQ(events, (std::vector<std::string>{"rx 37", "unhandled 37"}));
    EXPECT_EQ(bus->ReceiveIndex(), 0);
}

TEST_F(ReceiveTest, AGapLongerThanCharTimeOutRestartsCollection) {
    auto f = frameBytes(0xEC, 0x38, {9, 9});
    port.deliver({f.begin(), f.begin() + 5});
    clock.advance(100); // equal to CharTimeOut: still one frame
    port.deliver({f.begin() + 5, f.begin() + 7});
    EXPECT_EQ(bus->ReceiveIndex(), 7);
    clock.advance(101);
    port.deliver({f.begin() + 7, f.end()}); // dropped: none of them is "S"
    EXPECT_EQ(bus->ReceiveIndex(), 0);
    EXPECT_TRUE(events.empty());
    port.deliver(f);
    EXPECT_EQ(events, (std::vector<std::string>{"rx 38", "unhandled 38"}));
}

TEST_F(ReceiveTest, AnSInsideTheDataIsOrdinaryData) {
    TProtok got{};
    bus->OnMsgReceived = [&](TSynchroBus&, const TProtok& m) { got = m; };
    port.deliver(frameBytes(0xEC, 0x53, {0x53, 0x53, 0x00, 0x53}));
    EXPECT_EQ(got[3], 0x53);
    EXPECT_EQ(got[4], 0x53);
    EXPECT_EQ(got[7], 0x53);
}

TEST_F(ReceiveTest, BadChecksumGoesToOnBadMsgAndStillReleasesTheQueue) {
    bus->SendMsg(0x61, 0x10, "");
    EXPECT_FALSE(bus->SendMsg(0x61, 0x11, ""));
    ASSERT_EQ(port.sent.size(), 1u);
    port.deliver(frameBytes(0xEC, 0x10, {}, true));
    EXPECT_EQ(events, (std::vector<std::string>{"bad 10"}));
    ASSERT_EQ(port.sent.size(), 2u);
    EXPECT_EQ(sentSub(1), 0x11);
}

TEST_F(ReceiveTest, BlocksReachTheStateMachineInArrivalOrderWhenAHandlerPumps) {
    // The handler of the first frame is handed the next block while the rest of the
    // current one is still undelivered, as a nested event loop would do.
    auto a = frameBytes(0xEC, 0x37, {1});
    auto b = frameBytes(0xEC, 0x38, {2});
    auto c = frameBytes(0xEC, 0x39, {3});
    std::vector<uint8_t> first(a);
    first.insert(first.end(), b.begin(), b.begin() + 6);
    std::vector<uint8_t> second(b.begin() + 6, b.end());
    second.insert(second.end(), c.begin(), c.end());
    std::vector<TProtok> seenInHandler;
    bool nested = false;
    bus->OnMsgUnhandled = [&](TSynchroBus&, const TProtok& m) {
        if (!nested) {
            nested = true;
            port.deliver(second);
        }
        seenInHandler.push_back(m);
        events.push_back("unhandled " + hex(m[3]));
    };
    port.deliver(first);
    ASSERT_EQ(seenInHandler.size(), 3u);
    // Received frames in order, each intact; the outer handler still saw its own frame.
    EXPECT_EQ(events, (std::vector<std::string>{"rx 37", "rx 38", "unhandled 38", "rx 39", "unhandled 39",
                                                "unhandled 37"}));
    EXPECT_EQ(seenInHandler[2][3], 0x37);
    EXPECT_EQ(seenInHandler[2][4], 1);
    EXPECT_EQ(seenInHandler[0][4], 2);
}

using DeadlineTest = BusFixture;

TEST_F(DeadlineTest, IdleSendSetsTheDeadlineAndAwaitingQueues) {
    EXPECT_EQ(bus->AnswerDeadline(), 0);
    std::vector<uint8_t> stacked;
    bus->OnStackMsg = [&](TSynchroBus&, const TProtok& m) { stacked.push_back(m[3]); };
    EXPECT_TRUE(bus->SendMsg(0x61, 0x10, ""));
    EXPECT_EQ(bus->AnswerDeadline(), clock.nowMs() + 500);
    EXPECT_FALSE(bus->SendMsg(0x61, 0x11, ""));
    EXPECT_FALSE(bus->SendMsg(0x61, 0x34, ""));
    EXPECT_EQ(stacked, (std::vector<uint8_t>{0x11, 0x34}));
    EXPECT_EQ(bus->QueuedCount(), 2u);
    ASSERT_EQ(port.sent.size(), 1u);
    // Any complete frame, also one the peer sent by itself, releases the next message.
    port.deliver(frameBytes(0xEC, 0x37));
    ASSERT_EQ(port.sent.size(), 2u);
    EXPECT_EQ(sentSub(1), 0x11);
    EXPECT_NE(bus->AnswerDeadline(), 0);
    port.deliver(frameBytes(0xEC, 0x11));
    ASSERT_EQ(port.sent.size(), 3u);
    EXPECT_EQ(sentSub(2), 0x34);
}

TEST_F(DeadlineTest, TheDeadlinePassesOnlyWhenTheClockIsBeyondIt) {
    bus->SendMsg(0x61, 0x10, "");
    bus->SendMsg(0x61, 0x11, "");
    clock.advance(500);
    bus->DoTick();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(port.sent.size(), 1u);
    clock.advance(1);
    int ticks = 0;
    bus->OnTick = [&](TSynchroBus&) { ++ticks; };
    bus->DoTick();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"timeover"}));
    ASSERT_EQ(port.sent.size(), 2u) << "the tick sends the next queued message";
    EXPECT_EQ(sentSub(1), 0x11);
}

TEST_F(DeadlineTest, AnOverdueDeadlineNoticedByAByteSendsNothing) {
    bus->SendMsg(0x61, 0x10, "");
    bus->SendMsg(0x61, 0x11, "");
    clock.advance(501);
    port.deliver({0x00});
    EXPECT_EQ(events, (std::vector<std::string>{"timeover"}));
    EXPECT_EQ(bus->AnswerDeadline(), 0);
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(bus->QueuedCount(), 1u);
}

TEST_F(DeadlineTest, AnOverdueDeadlineNoticedBySendMsgSendsTheNewMessageFirst) {
    bus->SendMsg(0x61, 0x10, "");
    bus->SendMsg(0x61, 0x11, "");
    clock.advance(501);
    EXPECT_TRUE(bus->SendMsg(0x61, 0x34, ""));
    EXPECT_EQ(events, (std::vector<std::string>{"timeover"}));
    ASSERT_EQ(port.sent.size(), 2u);
    EXPECT_EQ(sentSub(1), 0x34);
    EXPECT_EQ(bus->AnswerDeadline(), clock.nowMs() + 500);
    EXPECT_EQ(bus->QueuedCount(), 1u);
}

TEST_F(DeadlineTest, SlaveModeClearsTheDeadlineAndNeverQueues) {
    bus->SendMsg(0x61, 0x10, "");
    EXPECT_NE(bus->AnswerDeadline(), 0);
    bus->SetMode(TSynchroMode::smSlave);
    EXPECT_EQ(bus->AnswerDeadline(), 0);
    EXPECT_TRUE(bus->SendMsg(0x61, 0x11, ""));
    EXPECT_TRUE(bus->SendMsg(0x61, 0x12, ""));
    EXPECT_EQ(port.sent.size(), 3u);
    EXPECT_EQ(bus->AnswerDeadline(), 0);
}

TEST_F(DeadlineTest, AFailedHandOverIsTriedOnceMoreAndKeepsTheDeadline) {
    std::vector<bool> results;
    bus->OnCateSent = [&](TSynchroBus&, const TProtok&, bool ok) { results.push_back(ok); };
    port.failures = 2;
    EXPECT_FALSE(bus->SendMsg(0x61, 0x10, ""));
    EXPECT_EQ(results, (std::vector<bool>{false, false}));
    EXPECT_EQ(port.sent.size(), 2u);
    EXPECT_NE(bus->AnswerDeadline(), 0);
    port.failures = 1;
    results.clear();
    clock.advance(501);
    EXPECT_TRUE(bus->SendMsg(0x61, 0x11, ""));
    EXPECT_EQ(results, (std::vector<bool>{false, true}));
}

TEST_F(DeadlineTest, WithoutAPortSendingSucceedsAndSetsNoDeadline) {
    std::vector<std::string> lines;
    bus->OnWriteToLog = [&](TSynchroBus&, const QDateTime&, std::string& l) { lines.push_back(l); };
    bus->SetCate(nullptr);
    EXPECT_TRUE(bus->SendMsg(0x61, 0x10, ""));
    EXPECT_EQ(bus->AnswerDeadline(), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"Kein Schnittstellenobjekt \"Cate\" verfügbar."}));
}

TEST(BusPortLink, AssigningAPortInstallsTheBusAndLetsGoOfTheFormerOne) {
    FakeClock clock;
    auto bus = std::make_unique<TSynchroBus>(nullptr, clock);
    FakeBusPort a;
    auto b = std::make_unique<FakeBusPort>();
    bool otherCalled = false;
    a.SetOnReceiveBData([&](const uint8_t*, uint16_t) { otherCalled = true; });
    bus->SetCate(&a);
    int received = 0;
    bus->OnMsgReceived = [&](TSynchroBus&, const TProtok&) { ++received; };
    a.deliver(frameBytes(0xEC, 0x10));
    EXPECT_FALSE(otherCalled);
    EXPECT_EQ(received, 1);
    bus->SetCate(b.get());
    EXPECT_FALSE(a.OnReceiveBData()) << "the former port no longer calls into the bus";
    b->deliver(frameBytes(0xEC, 0x10));
    EXPECT_EQ(received, 2);
    b.reset();
    EXPECT_EQ(bus->Cate(), nullptr) << "a freed port is forgotten";
    bus->SetCate(&a);
    bus.reset();
    EXPECT_FALSE(a.OnReceiveBData()) << "a destroyed bus is not called any more";
}

TEST(BusLog, LinesCarryTheStampTheCounterAndTheRewrittenText) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bus.log");
    FakeClock clock;
    TSynchroBus bus(nullptr, clock);
    FakeBusPort port;
    bus.SetCate(&port);
    bus.SetLogFile(path.toStdString());
    bus.SetLogTicks(true);
    bus.SendMsg(0x61, 0x11, "");
    port.deliver(frameBytes(0xEC, 0x11, {0x12, 0x34}));
    bus.SetLogTicks(false);
    bus.OnWriteToLog = [](TSynchroBus&, const QDateTime&, std::string& l) { l = "neu: " + l; };
    bus.WriteToLog("Test");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    const QString stamp = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3})";
    EXPECT_TRUE(
        QRegularExpression("^" + stamp +
                           R"(#\d{16,}: Gesendet: S <\$61> \{ 17\} \[\$11/ 17\] 00 00 00 00 00 00 00 00$)")
            .match(lines[0])
            .hasMatch())
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(": Empfang : S <$EC> { 87} [$11/ 17] 12 34 00 00 00 00 00 00"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(": -----------"));
    EXPECT_TRUE(QRegularExpression("^" + stamp + ": neu: Test$").match(lines[3]).hasMatch())
        << lines[3].toStdString();
}

TEST(BusLog, AFileThatCannotBeWrittenSwitchesTheLogOff) {
    FakeClock clock;
    TSynchroBus bus(nullptr, clock);
    bus.SetLogFile("/nonexistent-dir/bus.log");
    bus.WriteToLog("x");
    EXPECT_EQ(bus.LogFile(), "");
}

TEST(BusTick, TheTickThreadTicksInTheUiThread) {
    TSynchroBus bus;
    int ticks = 0;
    bool executing = false;
    bus.OnThreadExecuting = [&](TSynchroBus&) { executing = true; };
    bus.OnTick = [&](TSynchroBus&) { ++ticks; };
    bus.SetTickTime(10); // reaches the sleeping thread at once
    platform::waitUntil([&] { return ticks >= 3; }, platform::systemClock().nowMs() + 3000);
    EXPECT_GE(ticks, 3);
    EXPECT_TRUE(executing);
}
