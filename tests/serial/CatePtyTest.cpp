// The port component over a pseudo-terminal, with its real threads, against the tester double.
#include "serial/Cate32.h"
#include "tests/serial/PortTestSupport.h"
#include "tests/support/tester_double.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

class CatePty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tester.start());
        devices.paths[1] = tester.slavePath();
        devices.applyTo(cate);
        ASSERT_TRUE(dir.isValid());
        logPath = dir.filePath("port.log").toStdString();
        cate.SetReadInterval(10);
        cate.Loaded();
    }

    void open(bool ticks = false) {
        cate.SetLogTicks(ticks);
        cate.SetLogfileName(logPath);
        cate.SetPort(TPort::Com1);
        ASSERT_EQ(cate.Port(), TPort::Com1);
    }

    TesterDouble tester;
    QTemporaryDir dir;
    std::string logPath;
    PortDevices devices;
    TCate cate;
};

TEST_F(CatePty, OpenAndCloseWriteTheirSequenceToThePortLog) {
    for (bool ticks : {false, true}) {
        SCOPED_TRACE(ticks);
        ::unlink(logPath.c_str());
        int connects = 0, disconnects = 0;
        cate.OnConnect = [&](TCate&) { ++connects; };
        cate.OnDisconnect = [&](TCate&) { ++disconnects; };
        open(ticks);
        EXPECT_EQ(connects, 1);
        cate.SetPort(TPort::NoPort);
        EXPECT_EQ(disconnects, 1);
        EXPECT_EQ(cate.LogfileName(), "");

        const auto lines = logTexts(logPath, ticks);
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(lines[0], "");
        EXPECT_EQ(lines[1], "--- Logfile-Start ---");
        EXPECT_EQ(lines[2], "Schnittstelle auf COM1 wird geöffnet");
        EXPECT_EQ(lines[3], "Read Thread wurde erzeugt");
        EXPECT_EQ(lines[4], "Write Thread wurde erzeugt");
        EXPECT_EQ(lines[5], "Schnittstelle wird geschlossen");
        EXPECT_EQ(lines[6], "Read Thread wird geschlossen");
        EXPECT_EQ(lines.back(), "--- Logfile-Ende ---");
        const long readEnd = indexOf(lines, "Read Thread wird beendet");
        const long writeClose = indexOf(lines, "Write Thread wird geschlossen");
        EXPECT_GT(readEnd, 6);
        EXPECT_GT(writeClose, readEnd);
        EXPECT_GT(indexOf(lines, "Write Thread wird beendet"), 6);
    }
}

TEST_F(CatePty, DataGoesBothWays) {
    std::vector<uint8_t> got;
    cate.SetOnReceiveBData([&](const uint8_t* b, uint16_t n) { got.insert(got.end(), b, b + n); });
    open();
    const std::vector<uint8_t> out = {0x53, 0x61, 0x7E, 0x7E, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(cate.SendData(out.data(), static_cast<uint16_t>(out.size())));
    ASSERT_TRUE(tester.waitForBytes(out.size(), 2000));
    EXPECT_EQ(tester.receivedBytes(), out);

    tester.sendRaw({0x00, 0x53, 0xFF, 0x0A});
    ASSERT_TRUE(waitFor([&] { return got.size() >= 4; }, 2000));
    EXPECT_EQ(got, (std::vector<uint8_t>{0x00, 0x53, 0xFF, 0x0A}));
    cate.SetPort(TPort::NoPort);
    const auto lines = logTexts(logPath, false);
    EXPECT_TRUE(contains(lines, "Daten werden gesendet: 53 61 7E 7E 00 00 00 00 00 00 00 00"));
    EXPECT_TRUE(contains(lines, "Daten wurden empfangen: 00 53 FF 0A"));
}

TEST_F(CatePty, ABurstBeyondTheReadBufferArrivesWholeAndInOrder) {
    std::vector<uint8_t> got;
    std::vector<size_t> blocks;
    cate.SetOnReceiveBData([&](const uint8_t* b, uint16_t n) {
        got.insert(got.end(), b, b + n);
        blocks.push_back(n);
    });
    open();
    std::vector<uint8_t> burst(5000);
    for (size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<uint8_t>(i * 7 + i / 256);
    tester.sendRaw(burst);
    ASSERT_TRUE(waitFor([&] { return got.size() >= burst.size(); }, 5000));
    EXPECT_EQ(got, burst);
    for (size_t n : blocks)
        EXPECT_LE(n, 2048u);
}

TEST_F(CatePty, APacedFrameComesAsOneBlock) {
    std::vector<size_t> blocks;
    cate.SetOnReceiveBData([&](const uint8_t*, uint16_t n) { blocks.push_back(n); });
    open();
    tester.setPacing(true);
    tester.sendFrame(0x37, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(waitFor([&] { return !blocks.empty(); }, 2000));
    platform::delayMs(50);
    EXPECT_EQ(blocks, std::vector<size_t>{12});
}

TEST_F(CatePty, APortHeldElsewhereFailsToOpenAndIsFreeAfterTheClose) {
    open();
    TCate second;
    devices.applyTo(second);
    second.Loaded();
    second.SetPort(TPort::Com1);
    EXPECT_EQ(second.Port(), TPort::NoPort);
    second.SetCreateExceptions(true);
    try {
        second.SetPort(TPort::Com1);
        FAIL() << "no exception";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Fehler beim Öffnen der Schnittstelle");
    }
    EXPECT_EQ(second.Port(), TPort::NoPort);
    // Another program cannot take it either.
    platform::CommOpenStatus status;
    EXPECT_EQ(platform::openCommPath(tester.slavePath(), status), nullptr);
    EXPECT_EQ(status.why, platform::CommOpenError::Busy);
    EXPECT_EQ(second.OpenStatus().why, platform::CommOpenError::Busy);
    EXPECT_EQ(second.OpenStatus().device, tester.slavePath());

    cate.SetPort(TPort::NoPort);
    second.SetPort(TPort::Com1);
    EXPECT_EQ(second.Port(), TPort::Com1);
}

TEST_F(CatePty, APathThatIsNoTerminalIsNoCommHandle) {
    const std::string file = dir.filePath("plain").toStdString();
    { std::ofstream(file) << "x"; }
    devices.paths[2] = file;
    cate.SetCreateExceptions(true);
    try {
        cate.SetPort(TPort::Com2);
        FAIL() << "no exception";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "File Handle ist kein Comm Handle.");
    }
    EXPECT_EQ(cate.Port(), TPort::NoPort);
}

TEST_F(CatePty, TheNameIsResolvedAtEveryOpen) {
    devices.paths[1] = "/nonexistent/tty";
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::NoPort);
    devices.paths[1] = tester.slavePath();
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::Com1);
    EXPECT_EQ(platform::commDevicePath(3), "/dev/ttyS2");
}

TEST_F(CatePty, APeerHangingUpIsReportedOnceAndTheCloseStillWorks) {
    int hangups = 0;
    cate.OnRequestHangup = [&](TCate&) { ++hangups; };
    open();
    tester.hangUp();
    ASSERT_TRUE(waitFor([&] { return hangups > 0; }, 3000));
    const uint8_t b[3] = {1, 2, 3};
    cate.SendData(b, 3); // the write thread finds the line gone too
    platform::delayMs(200);
    EXPECT_EQ(hangups, 1);
    EXPECT_EQ(cate.Port(), TPort::Com1);
    cate.SetPort(TPort::NoPort);
    EXPECT_EQ(hangups, 1);
    const auto lines = logTexts(logPath, false);
    EXPECT_TRUE(contains(lines, "ERROR_INVALID_HANDLE, Port wurde vom Provider geschlossen"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Read Thread wird beendet"), 1);
}

TEST_F(CatePty, ADeliberateCloseReportsNoHangup) {
    int hangups = 0;
    cate.OnRequestHangup = [&](TCate&) { ++hangups; };
    open();
    cate.SetPort(TPort::NoPort);
    platform::delayMs(50);
    EXPECT_EQ(hangups, 0);
}

TEST_F(CatePty, ClosingWhileAWriteIsBlockedEndsPromptly) {
    open();
    tester.setReading(false);
    std::vector<uint8_t> big(60000, 0x55);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(cate.SendData(big.data(), static_cast<uint16_t>(big.size())));
    platform::delayMs(100);
    const auto t0 = std::chrono::steady_clock::now();
    cate.SetPort(TPort::NoPort);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(took, std::chrono::seconds(3));
    const auto lines = logTexts(logPath, false);
    const long failed = indexOf(lines, "Fehler beim Senden im Write Thread");
    EXPECT_GE(failed, 0);
    EXPECT_GT(indexOf(lines, "Write Thread wird beendet"), failed);
}

TEST_F(CatePty, TheLastMessageBeforeACloseIsStillWritten) {
    open();
    const std::vector<uint8_t> stop = {0x53, 0x61, 0x67, 0x67, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(cate.SendData(stop.data(), static_cast<uint16_t>(stop.size())));
    cate.SetPort(TPort::NoPort);
    ASSERT_TRUE(tester.waitForBytes(stop.size(), 1000));
    EXPECT_EQ(tester.receivedBytes(), stop);
}

TEST_F(CatePty, SendDataWhileClosedFailsAndSaysSo) {
    cate.SetLogfileName(logPath);
    const uint8_t b[2] = {1, 2};
    EXPECT_FALSE(cate.SendData(b, 2));
    cate.SetLogfileName("");
    EXPECT_TRUE(contains(logTexts(logPath, false), "Write Thread wurde nicht eingerichtet!"));
}

TEST_F(CatePty, SettingThePortThatIsOpenReopensWithoutDisconnect) {
    int connects = 0, disconnects = 0;
    cate.OnConnect = [&](TCate&) { ++connects; };
    cate.OnDisconnect = [&](TCate&) { ++disconnects; };
    open();
    cate.SetPort(TPort::Com1);
    EXPECT_EQ(cate.Port(), TPort::Com1);
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(disconnects, 0);
    // And a closed port closed again does nothing.
    cate.SetPort(TPort::NoPort);
    cate.SetPort(TPort::NoPort);
    EXPECT_EQ(disconnects, 1);
}

TEST_F(CatePty, PropertiesKeepTheirRules) {
    TCate fresh;
    devices.applyTo(fresh);
    EXPECT_EQ(fresh.Version(), "1.024");
    fresh.SetVersion("9");
    EXPECT_EQ(fresh.Version(), "1.024");
    EXPECT_EQ(fresh.ReadBufferSize(), 4096u);
    fresh.SetReadInterval(0);
    EXPECT_EQ(fresh.ReadInterval(), 4294967295u);
    EXPECT_FALSE(fresh.CtsState());
    EXPECT_FALSE(fresh.DsrState());
    // Before the end of loading the port is only stored.
    fresh.SetPort(TPort::Com1);
    EXPECT_EQ(fresh.Port(), TPort::Com1);
    EXPECT_EQ(fresh.SendData(reinterpret_cast<const uint8_t*>("x"), 1), false);
    fresh.SetRtsMode(TMode::Enable);
    fresh.SetDtrMode(TMode::Enable);
    fresh.Loaded();
    EXPECT_EQ(fresh.Port(), TPort::Com1);
    EXPECT_FALSE(fresh.CtsState()); // a pseudo-terminal has no modem lines
    fresh.SetPort(TPort::NoPort);
    EXPECT_EQ(fresh.RtsMode(), TMode::Disable);
    EXPECT_EQ(fresh.DtrMode(), TMode::Disable);
}

TEST_F(CatePty, OnlyTheByteEventGetsDataWhenBothAreBound) {
    int b = 0;
    std::string s;
    cate.SetOnReceiveBData([&](const uint8_t*, uint16_t) { ++b; });
    cate.OnReceiveSData = [&](TCate&, const std::string& d) { s = d; };
    open();
    tester.sendRaw({'a', 0, 'b'});
    ASSERT_TRUE(waitFor([&] { return b > 0; }, 2000));
    EXPECT_EQ(s, "");
    cate.SetOnReceiveBData(nullptr);
    tester.sendRaw({'a', 0, 'b'});
    ASSERT_TRUE(waitFor([&] { return !s.empty(); }, 2000));
    EXPECT_EQ(s, std::string("a\0b", 3));
}

TEST_F(CatePty, ALogThatCannotBeOpenedIsSwitchedOff) {
    cate.SetLogfileName(dir.filePath("missing/dir/port.log").toStdString());
    EXPECT_EQ(cate.LogfileName(), "");
}

TEST_F(CatePty, LogTicksTakesEffectAtTheNextOpenOfTheLog) {
    cate.SetLogfileName(logPath);
    cate.SetLogTicks(true);
    const uint8_t b[1] = {1};
    cate.SendData(b, 1);
    cate.SetLogfileName("");
    for (const auto& l : logTexts(logPath, false))
        EXPECT_NE(l.rfind("<bad stamp>", 0), 0u) << l;
}

} // namespace
