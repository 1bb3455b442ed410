#include "platform/comm_port.h"

#include "platform/thread_queue.h"

#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace platform {

// ---- close event ----

CommEvent::~CommEvent() {
    detail::closeWakeFd(fd_);
}

CommResult CommEvent::create() {
    if (fd_ < 0)
        fd_ = detail::makeWakeFd();
    return fd_ >= 0 ? CommResult() : CommResult::failed(errno);
}

void CommEvent::signal() {
    detail::signalWakeFd(fd_);
}

bool CommEvent::isSignalled() const {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// ---- names and texts ----

std::string commDevicePath(int portNumber, const std::string& configured) {
    if (!configured.empty())
        return configured;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

CommOpenError classifyOpenError(int error) {
    switch (error) {
    case 0:
        return CommOpenError::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO: // a serial node without a UART behind it
        return CommOpenError::NoDevice;
    case EACCES:
    case EPERM:
        return CommOpenError::NoPermission;
    case EBUSY:
        return CommOpenError::Busy;
    case ENOTTY:
    case EINVAL:
    case EISDIR:
        return CommOpenError::NotCommHandle;
    default:
        return CommOpenError::OpenFailed;
    }
}

std::string systemErrorText(int code) {
    if (const char* text = ::strerrordesc_np(code))
        return text;
    return "Fehler #" + std::to_string(code) +
           " (Fehlertext nicht verfügbar: " + std::string(::strerrordesc_np(EINVAL)) + ")";
}

// ---- modem lines ----

namespace {

// Interrupts a thread blocked in TIOCMIWAIT; its handler does nothing.
int lineWaitSignal() {
    static const int sig = [] {
        const int n = SIGRTMIN + 5;
        struct sigaction sa {};
        sa.sa_handler = [](int) {};
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the ioctl returns EINTR
        ::sigaction(n, &sa, nullptr);
        return n;
    }();
    return sig;
}

class SystemLineBackend final : public LineBackend {
public:
    bool getLines(int fd, int& lines) override { return ::ioctl(fd, TIOCMGET, &lines) == 0; }
    bool getCounts(int fd, Counts& counts) override {
        serial_icounter_struct c{};
        if (::ioctl(fd, TIOCGICOUNT, &c) != 0)
            return false;
        counts = Counts{static_cast<uint32_t>(c.frame), static_cast<uint32_t>(c.overrun),
                        static_cast<uint32_t>(c.parity), static_cast<uint32_t>(c.brk),
                        static_cast<uint32_t>(c.buf_overrun)};
        return true;
    }
    CommResult waitLines(int fd, int mask) override {
        lineWaitSignal();
        {
            std::lock_guard lock(mutex_);
            if (cancelled_)
                return false;
            waiter_ = ::pthread_self();
            waiting_ = true;
        }
        int r;
        int error = 0;
        do {
            r = ::ioctl(fd, TIOCMIWAIT, mask);
            error = r == 0 ? 0 : errno;
        } while (error == EINTR && !isCancelled());
        {
            std::lock_guard lock(mutex_);
            waiting_ = false;
        }
        if (isCancelled())
            return false;
        return r == 0 ? CommResult() : CommResult::failed(error);
    }
    void cancelWait() override {
        const int sig = lineWaitSignal();
        std::unique_lock lock(mutex_);
        cancelled_ = true;
        // A signal that comes just before the ioctl is lost: send until the waiter is out.
        while (waiting_) {
            ::pthread_kill(waiter_, sig);
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            lock.lock();
        }
    }

private:
    bool isCancelled() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

    std::mutex mutex_;
    bool cancelled_ = false;
    bool waiting_ = false;
    pthread_t waiter_{};
};

} // namespace

std::unique_ptr<LineBackend> systemLineBackend() {
    return std::make_unique<SystemLineBackend>();
}

// ---- terminal device ----

namespace {

constexpr uint32_t noInterval = 0xFFFFFFFFu;
// How often modem lines are looked at where the driver cannot wait for a change.
constexpr int lineScanMs = 20;
constexpr int watchedLines = TIOCM_CTS | TIOCM_DSR;

class TerminalDevice final : public CommDevice {
public:
    TerminalDevice(int fd, std::unique_ptr<LineBackend> lines) : fd_(fd), lines_(std::move(lines)) {
        txWake_.create();
        lineWake_.create();
    }
    ~TerminalDevice() override {
        if (lineWatcher_.joinable()) {
            lines_->cancelWait();
            lineWatcher_.join();
        }
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }

    CommResult init() {
        termios2 t{};
        if (::ioctl(fd_, TCGETS2, &t) != 0)
            return CommResult::failed(errno);
        t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | INPCK);
        t.c_oflag &= ~OPOST;
        t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        t.c_cflag |= CREAD | CLOCAL;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        if (::ioctl(fd_, TCSETS2, &t) != 0)
            return CommResult::failed(errno);
        int lines = 0;
        modemLines_ = lines_->getLines(fd_, lines);
        LineBackend::Counts c;
        counters_ = lines_->getCounts(fd_, c);
        if (counters_)
            lastCounts_ = c;
        if (modemLines_)
            lastModem_ = modemWord(lines);
        return applyState(state_);
    }

    CommResult setupComm(uint32_t in, uint32_t out) override {
        inQueue_ = in;
        outQueue_ = out;
        return true;
    }
    CommResult getCommState(CommState& s) override {
        std::lock_guard lock(mutex_);
        s = state_;
        return true;
    }
    CommResult setCommState(const CommState& s) override {
        std::lock_guard lock(mutex_);
        state_ = s;
        return applyState(s);
    }
    CommResult getCommTimeouts(CommTimeouts& t) override {
        std::lock_guard lock(mutex_);
        t = timeouts_;
        return true;
    }
    CommResult setCommTimeouts(const CommTimeouts& t) override {
        std::lock_guard lock(mutex_);
        timeouts_ = t;
        return true;
    }
    // Both queues are purged even when the first fails; the first failure is the result.
    CommResult purgeComm(uint32_t flags) override {
        CommResult result;
        const auto flush = [&](int queue) {
            if (::ioctl(fd_, TCFLSH, queue) != 0 && result)
                result = CommResult::failed(errno);
        };
        if (flags & PURGE_RXCLEAR)
            flush(TCIFLUSH);
        if (flags & PURGE_TXCLEAR)
            flush(TCOFLUSH);
        return result;
    }
    CommResult getCommModemStatus(uint32_t& status) override {
        if (!modemLines_)
            return CommResult::failed(ENOTTY);
        int lines = 0;
        if (!lines_->getLines(fd_, lines))
            return CommResult::failed(ENOTTY);
        status = modemWord(lines);
        return true;
    }
    CommResult getCommProperties(uint32_t& in, uint32_t& out) override {
        in = inQueue_;
        out = outQueue_;
        return true;
    }
    CommResult setCommMask(uint32_t mask) override {
        mask_ = mask;
        return true;
    }
    CommResult clearCommError(uint32_t& errors) override {
        std::lock_guard lock(mutex_);
        scanCounters();
        errors = pendingErrors_;
        pendingErrors_ = 0;
        return true;
    }
    CommResult outputQueued(uint32_t& bytes) override {
        int n = 0;
        if (::ioctl(fd_, TIOCOUTQ, &n) != 0)
            return CommResult::failed(errno);
        bytes = static_cast<uint32_t>(n < 0 ? 0 : n);
        return true;
    }

    // Sleeps until bytes, a line change, the end of a write or the close event; it never wakes
    // just to look. Error counters are read once bytes came, since errors come with bytes.
    CommWaitResult waitInput(const CommEvent& close, uint32_t& events) override {
        watchLines();
        for (;;) {
            if (close.isSignalled())
                return CommWait::Closed;
            events = pendingLineEvents() & mask_;
            if (events)
                return CommWait::LineEvent;
            pollfd p[4] = {{close.fd(), POLLIN, 0},
                           {fd_, POLLIN | POLLPRI, 0},
                           {txWake_.fd(), POLLIN, 0},
                           {lineWake_.fd(), POLLIN, 0}};
            int timeout = -1;
            if (modemLines_ && lineWaitFailed_ && (mask_ & (EV_CTS | EV_DSR)))
                timeout = lineScanMs;
            if (txPending_ && (mask_ & EV_TXEMPTY))
                timeout = timeout < 0 ? 5 : std::min(timeout, 5);
            const int r = ::poll(p, 4, timeout);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return {CommWait::Failed, errno};
            }
            if (p[0].revents)
                return CommWait::Closed;
            if (p[2].revents)
                detail::resetWakeFd(txWake_.fd());
            if (p[3].revents) {
                detail::resetWakeFd(lineWake_.fd());
                linesChanged_ = true;
            }
            if (r == 0 && lineWaitFailed_)
                linesChanged_ = true;
            if (p[1].revents & POLLNVAL)
                return {CommWait::Failed, EBADF};
            if (p[1].revents & (POLLPRI | POLLERR))
                countsDue_ = true;
            if (p[1].revents & POLLIN) {
                countsDue_ = true;
                events = pendingLineEvents() & mask_;
                if (events)
                    return CommWait::LineEvent;
                if ((mask_ & EV_RXCHAR) && !rxReported_) {
                    rxReported_ = true;
                    events = EV_RXCHAR;
                    return CommWait::LineEvent;
                }
                return CommWait::Readable;
            }
            if (p[1].revents & POLLHUP)
                return {CommWait::HungUp, EIO};
        }
    }

    CommIoResult read(uint8_t* buffer, size_t max, size_t& got, const CommEvent& close) override {
        got = 0;
        rxReported_ = false;
        CommTimeouts t;
        getCommTimeouts(t);
        using clock = std::chrono::steady_clock;
        const uint64_t total = uint64_t(t.readTotalConstant) + uint64_t(t.readTotalMultiplier) * max;
        const auto deadline = clock::now() + std::chrono::milliseconds(total);
        for (;;) {
            const ssize_t n = ::read(fd_, buffer + got, max - got);
            if (n > 0) {
                got += static_cast<size_t>(n);
                if (got == max)
                    return CommIo::Done;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n == 0) {
                // Nothing there (a purge may have taken what poll saw): a hang-up only when
                // the line says so.
                if (got == 0 && hungUp())
                    return {CommIo::HungUp, EIO};
                return CommIo::Done;
            } else if (const int error = errno; error != EAGAIN) {
                if (got > 0)
                    return CommIo::Done; // the next wait finds the line gone
                return {error == EIO ? CommIo::HungUp : CommIo::Failed, error};
            }
            if (t.readInterval == noInterval && total == 0)
                return CommIo::Done;
            int timeout = -1;
            if (got > 0 && t.readInterval != noInterval)
                timeout = static_cast<int>(std::min<uint32_t>(t.readInterval, 60000));
            if (total > 0) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
                if (left <= 0)
                    return CommIo::Done;
                timeout = timeout < 0 ? static_cast<int>(left) : std::min<int>(timeout, left);
            }
            if (got > 0 && t.readInterval == noInterval)
                return CommIo::Done;
            pollfd p[2] = {{close.fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
            const int r = ::poll(p, 2, timeout);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return {CommIo::WaitFailed, errno};
            }
            if (p[0].revents)
                return CommIo::Closed;
            if (r == 0)
                return CommIo::Done;
            if (!(p[1].revents & POLLIN)) {
                if (got == 0 && (p[1].revents & POLLHUP))
                    return {CommIo::HungUp, EIO};
                return CommIo::Done;
            }
        }
    }

    CommIoResult write(const uint8_t* buffer, size_t count, size_t& written,
                       const CommEvent& close) override {
        written = 0;
        for (;;) {
            const ssize_t n = ::write(fd_, buffer, count);
            if (n >= 0) {
                written = static_cast<size_t>(n);
                if (n > 0) {
                    txPending_ = true;
                    detail::signalWakeFd(txWake_.fd());
                }
                return CommIo::Done;
            }
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error == EIO)
                return {CommIo::HungUp, error};
            if (error != EAGAIN)
                return {CommIo::Failed, error};
            pollfd p[2] = {{close.fd(), POLLIN, 0}, {fd_, POLLOUT, 0}};
            int r;
            do
                r = ::poll(p, 2, -1);
            while (r < 0 && errno == EINTR);
            if (r < 0)
                return {CommIo::WaitFailed, errno};
            if (p[0].revents)
                return CommIo::Closed;
            if ((p[1].revents & (POLLHUP | POLLERR)) && !(p[1].revents & POLLOUT))
                return {CommIo::HungUp, EIO};
        }
    }

private:
    static uint32_t modemWord(int lines) {
        uint32_t w = 0;
        if (lines & TIOCM_CTS)
            w |= MS_CTS_ON;
        if (lines & TIOCM_DSR)
            w |= MS_DSR_ON;
        if (lines & TIOCM_RNG)
            w |= 0x40;
        if (lines & TIOCM_CAR)
            w |= 0x80;
        return w;
    }

    // Caller holds mutex_.
    void scanCounters() {
        if (!counters_)
            return;
        LineBackend::Counts c;
        if (!lines_->getCounts(fd_, c))
            return;
        if (c.frame != lastCounts_.frame)
            pendingErrors_ |= CE_FRAME;
        if (c.overrun != lastCounts_.overrun || c.bufOverrun != lastCounts_.bufOverrun)
            pendingErrors_ |= CE_OVERRUN;
        if (c.parity != lastCounts_.parity)
            pendingErrors_ |= CE_RXPARITY;
        if (c.brk != lastCounts_.brk) {
            pendingErrors_ |= CE_BREAK;
            pendingBreak_ = true;
        }
        lastCounts_ = c;
    }

    bool hungUp() const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
    }

    // A thread of its own waits for changes of the modem lines, where anyone listens for them.
    void watchLines() {
        if (lineWatcher_.joinable() || lineWaitFailed_ || !modemLines_ || !(mask_ & (EV_CTS | EV_DSR)))
            return;
        linesChanged_ = true; // a change before the watcher runs is not lost
        lineWatcher_ = std::thread([this] {
            CommResult waited;
            while ((waited = lines_->waitLines(fd_, watchedLines))) {
                linesChanged_ = true;
                detail::signalWakeFd(lineWake_.fd());
            }
            // A driver that cannot wait is looked at now and then instead.
            if (waited.error == EINVAL || waited.error == ENOTTY) {
                lineWaitFailed_ = true;
                detail::signalWakeFd(lineWake_.fd());
            }
        });
    }

    uint32_t pendingLineEvents() {
        uint32_t ev = 0;
        if (countsDue_.exchange(false)) {
            std::lock_guard lock(mutex_);
            scanCounters();
        }
        {
            std::lock_guard lock(mutex_);
            if (pendingErrors_ & (CE_FRAME | CE_OVERRUN | CE_RXPARITY))
                ev |= EV_ERR;
            if (pendingBreak_) {
                ev |= EV_BREAK;
                pendingBreak_ = false;
            }
        }
        if (modemLines_ && linesChanged_.exchange(false)) {
            int lines = 0;
            if (lines_->getLines(fd_, lines)) {
                const uint32_t now = modemWord(lines);
                if ((now ^ lastModem_) & MS_CTS_ON)
                    ev |= EV_CTS;
                if ((now ^ lastModem_) & MS_DSR_ON)
                    ev |= EV_DSR;
                lastModem_ = now;
            }
        }
        if (txPending_) {
            uint32_t queued = 0;
            if (!outputQueued(queued) || queued == 0) {
                txPending_ = false;
                ev |= EV_TXEMPTY;
            }
        }
        return ev;
    }

    CommResult applyState(const CommState& s) {
        termios2 t{};
        if (::ioctl(fd_, TCGETS2, &t) != 0)
            return CommResult::failed(errno);
        t.c_cflag &= ~CBAUD;
        t.c_cflag |= BOTHER;
        t.c_ispeed = t.c_ospeed = s.baudRate;
        t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (s.parity) {
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
        }
        if (s.byteSize >= 5 && s.byteSize <= 8) {
            static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
            t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[s.byteSize - 5];
        }
        if (s.stopBits == 0)
            t.c_cflag &= ~CSTOPB;
        else
            t.c_cflag |= CSTOPB;
        if (s.flags & DCB_PARITY)
            t.c_iflag |= INPCK;
        else
            t.c_iflag &= ~INPCK;
        const bool rtsHandshake = (s.flags & DCB_RTS_CONTROL_MASK) == DCB_RTS_HANDSHAKE;
        if ((s.flags & DCB_OUTX_CTS_FLOW) || rtsHandshake)
            t.c_cflag |= CRTSCTS;
        else
            t.c_cflag &= ~CRTSCTS;
        t.c_iflag = (s.flags & DCB_OUTX) ? (t.c_iflag | IXON) : (t.c_iflag & ~IXON);
        t.c_iflag = (s.flags & DCB_INX) ? (t.c_iflag | IXOFF) : (t.c_iflag & ~IXOFF);
        // Taken before the lines are set: their calls may change errno.
        const CommResult set = ::ioctl(fd_, TCSETS2, &t) == 0 ? CommResult() : CommResult::failed(errno);
        if (modemLines_) {
            // Linux raises both lines on open; they follow the control fields instead.
            const uint32_t rts = s.flags & DCB_RTS_CONTROL_MASK;
            const uint32_t dtr = s.flags & DCB_DTR_CONTROL_MASK;
            int bit = TIOCM_RTS;
            if (!rtsHandshake)
                ::ioctl(fd_, rts == DCB_RTS_ENABLE ? TIOCMBIS : TIOCMBIC, &bit);
            bit = TIOCM_DTR;
            ::ioctl(fd_, dtr != 0 ? TIOCMBIS : TIOCMBIC, &bit);
        }
        return set;
    }

    int fd_;
    std::unique_ptr<LineBackend> lines_;
    std::mutex mutex_;
    CommState state_;
    CommTimeouts timeouts_;
    uint32_t inQueue_ = 0;
    uint32_t outQueue_ = 0;
    std::atomic<uint32_t> mask_{0};
    bool modemLines_ = false;
    bool counters_ = false;
    uint32_t lastModem_ = 0;
    LineBackend::Counts lastCounts_;
    uint32_t pendingErrors_ = 0;
    bool pendingBreak_ = false;
    bool rxReported_ = false;
    std::atomic<bool> txPending_{false};
    CommEvent txWake_;
    // Set by the line watcher, taken by the read thread.
    CommEvent lineWake_;
    std::atomic<bool> linesChanged_{false};
    std::atomic<bool> lineWaitFailed_{false};
    std::atomic<bool> countsDue_{false};
    std::thread lineWatcher_;
};

} // namespace

std::unique_ptr<CommDevice> openCommPath(const std::string& path, CommOpenStatus& status,
                                         std::unique_ptr<LineBackend> lines) {
    status = CommOpenStatus{CommOpenError::None, 0, path};
    const auto fail = [&status](int error) {
        status.why = classifyOpenError(error);
        if (status.why == CommOpenError::None)
            status.why = CommOpenError::OpenFailed;
        status.error = error;
        return nullptr;
    };
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(e);
    }
    // The advisory lock also holds against root, whom TIOCEXCL does not stop.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return fail(EBUSY);
    }
    ::ioctl(fd, TIOCEXCL);
    auto device = std::make_unique<TerminalDevice>(fd, lines ? std::move(lines) : systemLineBackend());
    if (const CommResult ready = device->init(); !ready) {
        device.reset();
        return fail(ready.error);
    }
    return device;
}

std::unique_ptr<CommDevice> openCommPort(int portNumber, CommOpenStatus& status) {
    return openCommPath(commDevicePath(portNumber), status);
}

} // namespace platform
