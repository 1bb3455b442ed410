#include "platform/comm_port.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using platform::CommOpenError;
using platform::CommOpenStatus;

TEST(CommPortMapping, ConfigurationBeforeDefault) {
    EXPECT_EQ(platform::commDevicePath(4), "/dev/ttyS3");
    EXPECT_EQ(platform::commDevicePath(4, ""), "/dev/ttyS3");
    EXPECT_EQ(platform::commDevicePath(4, "/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(CommPortOpen, EachFailureKeepsItsReasonAndTheDevice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CommOpenStatus status;

    const std::string missing = dir.filePath("ttyUSB7").toStdString();
    EXPECT_EQ(platform::openCommPath(missing, status), nullptr);
    EXPECT_EQ(status.why, CommOpenError::NoDevice);
    EXPECT_EQ(status.error, ENOENT);
    EXPECT_EQ(status.device, missing);

    const std::string plain = dir.filePath("plain").toStdString();
    { std::ofstream(plain) << "x"; }
    EXPECT_EQ(platform::openCommPath(plain, status), nullptr);
    EXPECT_EQ(status.why, CommOpenError::NotCommHandle);
    EXPECT_EQ(status.device, plain);

    EXPECT_EQ(platform::openCommPath(dir.path().toStdString(), status), nullptr);
    EXPECT_EQ(status.why, CommOpenError::NotCommHandle) << "a folder";

    // Root opens a file of mode 000 anyway; then it fails as no terminal.
    ASSERT_EQ(::chmod(plain.c_str(), 0), 0);
    EXPECT_EQ(platform::openCommPath(plain, status), nullptr);
    EXPECT_EQ(status.why, ::geteuid() == 0 ? CommOpenError::NotCommHandle : CommOpenError::NoPermission);
    EXPECT_EQ(platform::classifyOpenError(EACCES), CommOpenError::NoPermission);
    EXPECT_EQ(platform::classifyOpenError(EPERM), CommOpenError::NoPermission);
}

TEST(CommPortOpen, AHeldPortIsBusyAndTheFirstOpenSaysNothing) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);

    CommOpenStatus first, second;
    auto held = platform::openCommPath(slave, first);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(first.why, CommOpenError::None);
    EXPECT_EQ(platform::openCommPath(slave, second), nullptr);
    EXPECT_EQ(second.why, CommOpenError::Busy);
    EXPECT_EQ(second.device, slave);
    held.reset();
    EXPECT_NE(platform::openCommPath(slave, second), nullptr);
    ::close(master);
}

namespace {

// Modem lines and error counts of a pretended UART, counting every look at them.
struct FakeLineState {
    std::mutex mutex;
    std::condition_variable changed;
    int lines = 0;
    int changes = 0;
    bool cancelled = false;
    platform::LineBackend::Counts counts;
    std::atomic<int> lineReads{0}, countReads{0}, waits{0};

    void set(int newLines) {
        std::lock_guard lock(mutex);
        lines = newLines;
        ++changes;
        changed.notify_all();
    }
};

class FakeLines final : public platform::LineBackend {
public:
    explicit FakeLines(std::shared_ptr<FakeLineState> s) : s_(std::move(s)) {}
    bool getLines(int, int& lines) override {
        ++s_->lineReads;
        std::lock_guard lock(s_->mutex);
        lines = s_->lines;
        return true;
    }
    bool getCounts(int, Counts& counts) override {
        ++s_->countReads;
        std::lock_guard lock(s_->mutex);
        counts = s_->counts;
        return true;
    }
    platform::CommResult waitLines(int, int) override {
        ++s_->waits;
        std::unique_lock lock(s_->mutex);
        const int seen = s_->changes;
        s_->changed.wait(lock, [&] { return s_->cancelled || s_->changes != seen; });
        return !s_->cancelled;
    }
    void cancelWait() override {
        std::lock_guard lock(s_->mutex);
        s_->cancelled = true;
        s_->changed.notify_all();
    }

private:
    std::shared_ptr<FakeLineState> s_;
};

// A pseudo-terminal whose slave side is opened as a port with fake modem lines, and the
// read thread's loop over it.
class QuietPort : public ::testing::Test {
protected:
    void SetUp() override {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        platform::CommOpenStatus status;
        device = platform::openCommPath(::ptsname(master), status, std::make_unique<FakeLines>(lines));
        ASSERT_NE(device, nullptr);
        platform::CommTimeouts t;
        t.readInterval = 10;
        device->setCommTimeouts(t);
        ASSERT_TRUE(close.create());
    }
    void TearDown() override {
        stop();
        device.reset();
        if (master >= 0)
            ::close(master);
    }

    void run() {
        device->setCommMask(platform::EV_RXCHAR | platform::EV_TXEMPTY | platform::EV_CTS | platform::EV_DSR |
                            platform::EV_BREAK | platform::EV_ERR);
        reader = std::thread([this] {
            uint8_t buf[64];
            for (;;) {
                uint32_t ev = 0;
                const platform::CommWait w = device->waitInput(close, ev);
                ++wakeups;
                if (w == platform::CommWait::LineEvent) {
                    events |= ev;
                    uint32_t e = 0;
                    if ((ev & platform::EV_ERR) && device->clearCommError(e))
                        errors |= e;
                } else if (w == platform::CommWait::Readable) {
                    size_t got = 0;
                    device->read(buf, sizeof buf, got, close);
                    received += static_cast<int>(got);
                } else {
                    return;
                }
            }
        });
    }
    void stop() {
        close.signal();
        if (reader.joinable())
            reader.join();
    }
    static bool eventually(const std::function<bool()>& cond) {
        for (int i = 0; i < 300 && !cond(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return cond();
    }

    int master = -1;
    std::shared_ptr<FakeLineState> lines = std::make_shared<FakeLineState>();
    std::unique_ptr<platform::CommDevice> device;
    platform::CommEvent close;
    std::thread reader;
    std::atomic<int> wakeups{0}, received{0};
    std::atomic<uint32_t> events{0}, errors{0};
};

} // namespace

TEST_F(QuietPort, AQuietLineWakesNothingAndLooksAtNoLine) {
    run();
    ASSERT_TRUE(eventually([&] { return lines->waits == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int wakes = wakeups, lineReads = lines->lineReads, countReads = lines->countReads;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(wakeups, wakes);
    EXPECT_EQ(lines->lineReads, lineReads);
    EXPECT_EQ(lines->countReads, countReads);
    EXPECT_EQ(lines->waits, 1);
}

TEST_F(QuietPort, ALineChangeAndAnErrorWithBytesAreReported) {
    run();
    ASSERT_TRUE(eventually([&] { return lines->waits == 1; }));
    lines->set(TIOCM_CTS);
    ASSERT_TRUE(eventually([&] { return (events & platform::EV_CTS) != 0; }));
    EXPECT_FALSE(events & platform::EV_DSR);
    uint32_t status = 0;
    ASSERT_TRUE(device->getCommModemStatus(status));
    EXPECT_EQ(status & platform::MS_CTS_ON, platform::MS_CTS_ON);

    {
        std::lock_guard lock(lines->mutex);
        lines->counts.frame = 1;
    }
    const uint8_t bytes[3] = {1, 2, 3};
    ASSERT_EQ(::write(master, bytes, 3), 3);
    ASSERT_TRUE(eventually([&] { return received == 3; }));
    EXPECT_TRUE(events & platform::EV_ERR);
    EXPECT_EQ(errors, platform::CE_FRAME);
}

TEST_F(QuietPort, ReadingNothingIsNoHangUpButAClosedPeerIs) {
    uint8_t buf[8];
    size_t got = 99;
    EXPECT_EQ(device->read(buf, sizeof buf, got, close), platform::CommIo::Done);
    EXPECT_EQ(got, 0u);
    ::close(master);
    master = -1;
    EXPECT_EQ(device->read(buf, sizeof buf, got, close), platform::CommIo::HungUp);
}
