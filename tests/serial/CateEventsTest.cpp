// Line events and thread failures of the port component, over a scripted device.
#include "serial/Cate32.h"
#include "tests/serial/PortTestSupport.h"

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <QTimer>

#include <chrono>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using platform::CommWait;

class CateEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        logPath = dir.filePath("port.log").toStdString();
        cate.SetCommOpener([this](int, platform::CommOpenStatus&) -> std::unique_ptr<platform::CommDevice> {
            return std::make_unique<FakeCommDevice>(shared);
        });
        cate.OnFrameError = [this](TCate&) { events.push_back("frame"); };
        cate.OnOverrunError = [this](TCate&) { events.push_back("overrun"); };
        cate.OnRxParityError = [this](TCate&) { events.push_back("parity"); };
        cate.OnBreak = [this](TCate&) { events.push_back("break"); };
        cate.OnCTSChange = [this](TCate&, bool on) { events.push_back(on ? "cts on" : "cts off"); };
        cate.OnDSRChange = [this](TCate&, bool on) { events.push_back(on ? "dsr on" : "dsr off"); };
        cate.OnCharReceived = [this](TCate&) { events.push_back("char"); };
        cate.OnLastCharSent = [this](TCate&) { events.push_back("txempty"); };
        cate.OnRequestHangup = [this](TCate&) { events.push_back("hangup"); };
        cate.Loaded();
    }

    void script(std::initializer_list<std::pair<CommWait, uint32_t>> items) {
        std::lock_guard l(shared->mutex);
        for (auto& i : items)
            shared->events.push_back(i);
    }

    void openAndSettle(size_t expected) {
        cate.SetLogfileName(logPath);
        cate.SetPort(TPort::Com1);
        waitFor([&] { return events.size() >= expected; }, 2000);
        platform::delayMs(30);
    }

    std::shared_ptr<FakeCommDevice::Shared> shared = std::make_shared<FakeCommDevice::Shared>();
    QTemporaryDir dir;
    std::string logPath;
    TCate cate;
    std::vector<std::string> events;
};

TEST_F(CateEvents, SeveralLineErrorsComeAsFrameOverrunParityAfterOneEntry) {
    shared->errors = platform::CE_RXPARITY | platform::CE_OVERRUN | platform::CE_FRAME;
    script({{CommWait::LineEvent, platform::EV_ERR}});
    openAndSettle(3);
    EXPECT_EQ(events, (std::vector<std::string>{"frame", "overrun", "parity"}));
    EXPECT_EQ(cate.Port(), TPort::Com1);
    cate.SetPort(TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "CommError: $000E"), 1);
}

TEST_F(CateEvents, AnErrorEventWithoutErrorBitsPostsNothingAndGoesOn) {
    script({{CommWait::LineEvent, platform::EV_ERR}, {CommWait::LineEvent, platform::EV_BREAK}});
    openAndSettle(1);
    EXPECT_EQ(events, std::vector<std::string>{"break"});
    cate.SetPort(TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    EXPECT_TRUE(contains(lines, "BREAK detected"));
    for (const auto& l : lines)
        EXPECT_EQ(l.rfind("CommError", 0), std::string::npos);
}

TEST_F(CateEvents, CtsAndDsrChangesCarryTheLineState) {
    shared->modem = platform::MS_CTS_ON;
    script({{CommWait::LineEvent, platform::EV_CTS | platform::EV_DSR}});
    openAndSettle(2);
    EXPECT_EQ(events, (std::vector<std::string>{"cts on", "dsr off"}));
    EXPECT_TRUE(cate.CtsState());
    EXPECT_FALSE(cate.DsrState());
    cate.SetPort(TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    EXPECT_LT(indexOf(lines, "CTS ON detected"), indexOf(lines, "DSR OFF detected"));
    EXPECT_FALSE(cate.CtsState());
}

TEST_F(CateEvents, AllSixBitsAreEvaluatedInTheirOrder) {
    shared->errors = platform::CE_FRAME;
    shared->modem = platform::MS_DSR_ON;
    script({{CommWait::LineEvent, 0xDD}});
    openAndSettle(6);
    EXPECT_EQ(events, (std::vector<std::string>{"frame", "break", "cts off", "dsr on", "char", "txempty"}));
}

TEST_F(CateEvents, AnUnknownMaskEndsTheReadThreadWithOneHangup) {
    script({{CommWait::LineEvent, 0x100}});
    openAndSettle(1);
    EXPECT_EQ(events, std::vector<std::string>{"hangup"});
    EXPECT_EQ(cate.Port(), TPort::Com1);
    cate.SetPort(TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    const long unknown = indexOf(lines, "Unerwarteter Schnittstellenevent 256");
    ASSERT_GE(unknown, 0);
    long located = -1;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("[Cate.1184]. Fehler: \"", 0) == 0)
            located = static_cast<long>(i);
    EXPECT_GT(located, unknown);
    EXPECT_TRUE(contains(lines, "Read Thread wird beendet"));
}

TEST_F(CateEvents, AThreadFailingItsSetUpFailsTheOpen) {
    shared->maskOk = false;
    cate.SetLogfileName(logPath);
    cate.SetCreateExceptions(true);
    EXPECT_THROW(cate.SetPort(TPort::Com1), ECommsError);
    EXPECT_EQ(cate.Port(), TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    EXPECT_TRUE(contains(lines, "[Cate.1139]. Fehler: \"Invalid argument\""));
    EXPECT_TRUE(contains(lines, "Schnittstelle wird geschlossen"));
    // The port can be opened again once the device behaves.
    shared->maskOk = true;
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::Com1);
}

// The write thread's queue is made in the UI thread: its error is the one logged, not
// whatever the write thread's own errno holds.
TEST_F(CateEvents, AWriteQueueThatCannotBeMadeLogsWhyItWasNot) {
    // Once through the open first: the sanitizers' first checks on its path need descriptors.
    openAndSettle(0);
    cate.SetPort(TPort::NoPort);
    cate.SetLogfileName(logPath);
    {
        rlimit limit{};
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        rlimit fewer = limit;
        fewer.rlim_cur = 256;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &fewer), 0);
        std::vector<int> held;
        const auto release = qScopeGuard([&] {
            for (const int fd : held)
                ::close(fd);
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
        // Every descriptor but one taken: the close event gets it, the queue none.
        for (int fd; (fd = ::dup(shared->wake.fd())) >= 0;)
            held.push_back(fd);
        ASSERT_FALSE(held.empty());
        ::close(held.back());
        held.pop_back();
        cate.SetPort(TPort::Com1);
    }
    EXPECT_EQ(cate.Port(), TPort::NoPort);
    EXPECT_TRUE(contains(logTexts(logPath, false), "[Cate.1687]. Fehler: \"Too many open files\""));
}

TEST_F(CateEvents, AWriteThatKeepsTakingNothingFails) {
    shared->writeTakesNothing = true;
    openAndSettle(0);
    const uint8_t b[4] = {1, 2, 3, 4};
    ASSERT_TRUE(cate.SendData(b, 4));
    ASSERT_TRUE(waitFor([&] { return !events.empty(); }, 2000));
    EXPECT_EQ(events, std::vector<std::string>{"hangup"});
    EXPECT_EQ(shared->writes, 3);
    EXPECT_FALSE(cate.SendData(b, 4));
    cate.SetPort(TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    EXPECT_TRUE(contains(lines, "TAPI wird geschlossen"));
    EXPECT_TRUE(contains(lines, "Fehler beim Senden im Write Thread"));
    EXPECT_TRUE(contains(lines, "Write Thread übernimmt keine Daten!"));
}

TEST_F(CateEvents, SettingsReachTheDeviceAtOpenButTheErrorCharDoesNot) {
    cate.SetBaudRate(TBaudRate::_128000);
    cate.SetParity(TParity::Mark);
    cate.SetDataBits(TDataBits::_7);
    cate.SetStopBits(TStopBits::_2);
    cate.SetRtsMode(TMode::Toggle);
    cate.SetDtrMode(TMode::Enable);
    cate.SetErrorChar('?');
    cate.SetFlags({TDCBFlag::dcbBinaryMode, TDCBFlag::dcbOutX, TDCBFlag::dcbAbortOnError});
    cate.SetReadInterval(10);
    shared->state.flags = 0x8000; // a bit outside the table stays
    openAndSettle(0);
    const platform::CommState s = shared->state;
    EXPECT_EQ(s.baudRate, 128000u);
    EXPECT_EQ(s.parity, 3);
    EXPECT_EQ(s.byteSize, 7);
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_EQ(s.errorChar, 0);
    EXPECT_EQ(s.flags, 0x8000u | 0x3000u | 0x0010u | 0x0001u | 0x0100u | 0x4000u);
    EXPECT_EQ(shared->timeouts.readInterval, 10u);
    cate.SetErrorChar('!');
    EXPECT_EQ(shared->state.errorChar, '!');
    cate.SetPort(TPort::NoPort);
    EXPECT_EQ(shared->state.flags & 0x3030u, 0u);
}

} // namespace

namespace {

TEST_F(CateEvents, AHangupOfTheFormerOpenDoesNotFailTheNextOne) {
    int connects = 0;
    cate.OnConnect = [&](TCate&) { ++connects; };
    openAndSettle(0);
    ASSERT_EQ(connects, 1);
    // The line goes away and the read thread reports it, but before the UI thread has
    // seen that report the port is opened anew.
    shared->later(CommWait::HungUp, 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!contains(logTexts(logPath, false), "Read Thread wird beendet") &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    cate.SetLogfileName(logPath);
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::Com1);
    EXPECT_EQ(connects, 2);
    platform::delayMs(30);
    EXPECT_EQ(events, std::vector<std::string>{}) << "the old line's hang-up is not the new one's";
}

} // namespace

namespace {

TEST_F(CateEvents, AnOpenOvertakenWhileItWaitsForItsThreadsReportsNothingMore) {
    int connects = 0, disconnects = 0;
    cate.OnConnect = [&](TCate&) { ++connects; };
    cate.OnDisconnect = [&](TCate&) { ++disconnects; };
    shared->maskDelayMs = 100;
    // The user disconnects while the port is still waiting for its threads.
    QTimer::singleShot(0, &cate, [&] { cate.SetPort(TPort::NoPort); });
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::NoPort);
    EXPECT_EQ(disconnects, 1);
    platform::delayMs(150);
    EXPECT_EQ(connects, 0);

    // A new open from inside the wait connects once.
    QTimer::singleShot(0, &cate, [&] {
        shared->maskDelayMs = 0;
        cate.SetPort(TPort::Com1);
    });
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::Com1);
    EXPECT_EQ(connects, 1);
    cate.SetPort(TPort::NoPort);
    EXPECT_EQ(disconnects, 2);
}

} // namespace
