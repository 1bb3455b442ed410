#include "tests/support/tester_double.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// 10 bits a byte at 9600 bit/s.
constexpr long byteTimeNs = 1'041'667;

void addNs(timespec& t, long ns) {
    t.tv_nsec += ns;
    while (t.tv_nsec >= 1'000'000'000) {
        t.tv_nsec -= 1'000'000'000;
        ++t.tv_sec;
    }
}

} // namespace

TesterDouble::TesterDouble(int dataBytes) : dataBytes_(dataBytes) {
    handlers_[0x10] = [](State& s, const TProtok&) -> std::optional<std::vector<uint8_t>> {
        std::vector<uint8_t> d(s.programVersion.begin(), s.programVersion.end());
        d.resize(7, ' ');
        return d;
    };
    handlers_[0x11] = [](State& s, const TProtok&) -> std::optional<std::vector<uint8_t>> {
        std::vector<uint8_t> d;
        for (size_t i = 0; i + 1 < s.serialNumber.size() && d.size() < 5; i += 2) {
            const uint8_t lo = static_cast<uint8_t>(s.serialNumber[i] - '0') & 0x0F;
            const uint8_t hi = static_cast<uint8_t>(s.serialNumber[i + 1] - '0') & 0x0F;
            d.push_back(static_cast<uint8_t>(lo | (hi << 4)));
        }
        return d;
    };
    handlers_[0x34] = [](State& s, const TProtok&) -> std::optional<std::vector<uint8_t>> {
        return std::vector<uint8_t>(s.settings.begin(), s.settings.end());
    };
}

TesterDouble::~TesterDouble() {
    stop();
}

bool TesterDouble::start() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return false;
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0)
        return false;
    slavePath_ = name;
    // Held open so that the line is raw from the start and the master never sees a
    // hang-up between two opens of the program.
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ < 0)
        return false;
    termios t{};
    ::tcgetattr(slaveHold_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slaveHold_, TCSANOW, &t);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0 || stopFd_ < 0)
        return false;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void TesterDouble::stop() {
    stopping_ = true;
    const uint64_t one = 1;
    for (int fd : {wake_, stopFd_})
        if (fd >= 0) [[maybe_unused]]
            ssize_t n = ::write(fd, &one, sizeof one);
    if (thread_.joinable())
        thread_.join();
    closeMaster();
    if (slaveHold_ >= 0) {
        ::close(slaveHold_);
        slaveHold_ = -1;
    }
    for (int* fd : {&wake_, &stopFd_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

void TesterDouble::closeMaster() {
    std::lock_guard lock(writeMutex_);
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

void TesterDouble::setHandler(uint8_t sub, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[sub] = std::move(handler);
}

void TesterDouble::misbehave(Misbehaviour m, int delayMs) {
    std::lock_guard lock(mutex_);
    misbehaviour_ = m;
    delayMs_ = delayMs;
}

void TesterDouble::setReading(bool on) {
    reading_ = on;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

void TesterDouble::hangUp() {
    hangupRequested_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

TesterDouble::State TesterDouble::state() {
    std::lock_guard lock(mutex_);
    return state_;
}

void TesterDouble::withState(const std::function<void(State&)>& change) {
    std::lock_guard lock(mutex_);
    change(state_);
}

std::vector<uint8_t> TesterDouble::receivedBytes() {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<TProtok> TesterDouble::receivedFrames() {
    std::lock_guard lock(mutex_);
    return frames_;
}

bool TesterDouble::waitForBytes(size_t n, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return received_.size() >= n; });
}

bool TesterDouble::waitForFrames(size_t n, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return frames_.size() >= n; });
}

int TesterDouble::answersSent() {
    std::lock_guard lock(mutex_);
    return answers_;
}

std::vector<uint8_t> TesterDouble::frame(uint8_t id, uint8_t sub, const std::vector<uint8_t>& data,
                                         bool badChecksum) const {
    std::vector<uint8_t> f(static_cast<size_t>(dataBytes_ + 4), 0);
    f[0] = 'S';
    f[1] = id;
    f[3] = sub;
    unsigned sum = sub;
    for (size_t i = 0; i < data.size() && i < static_cast<size_t>(dataBytes_); ++i) {
        f[4 + i] = data[i];
        sum += data[i];
    }
    f[2] = static_cast<uint8_t>(sum + (badChecksum ? 1 : 0));
    return f;
}

void TesterDouble::sendFrame(uint8_t sub, const std::vector<uint8_t>& data, bool badChecksum) {
    const std::vector<uint8_t> f = frame(IdTester, sub, data, badChecksum);
    writeBytes(f, -1, 0, -1);
}

void TesterDouble::setAnswerLoss(std::function<bool(const TProtok& request)> lose) {
    std::lock_guard lock(mutex_);
    loseAnswer_ = std::move(lose);
}

std::vector<TesterDouble::WireEvent> TesterDouble::wire() {
    std::lock_guard lock(mutex_);
    return wire_;
}

void TesterDouble::logWritten(const std::vector<uint8_t>& bytes, int request, bool lost) {
    WireEvent e{nowMs(), false, request, lost, {}};
    std::copy_n(bytes.begin(), std::min(bytes.size(), e.frame.size()), e.frame.begin());
    std::lock_guard lock(mutex_);
    wire_.push_back(e);
}

void TesterDouble::sendRaw(const std::vector<uint8_t>& bytes) {
    writeBytes(bytes);
}

bool TesterDouble::pause(int ms) {
    pollfd p{stopFd_, POLLIN, 0};
    const int64_t end = nowMs() + ms;
    for (int64_t left = ms; left > 0 && !stopping_; left = end - nowMs())
        ::poll(&p, 1, static_cast<int>(left));
    return !stopping_;
}

void TesterDouble::writeBytes(const std::vector<uint8_t>& bytes, int splitAfter, int pauseMs, int request) {
    std::lock_guard lock(writeMutex_);
    if (master_ < 0)
        return;
    // Logged in the order the frames go on the line.
    if (request != Unlogged)
        logWritten(bytes, request);
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (static_cast<int>(i) == splitAfter && pauseMs > 0) {
            if (!pause(pauseMs))
                return;
            ::clock_gettime(CLOCK_MONOTONIC, &next);
        }
        if (pacing_) {
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            addNs(next, byteTimeNs);
            if (::write(master_, &bytes[i], 1) != 1)
                return;
            continue;
        }
        // Unpaced: the rest at once, up to a split point.
        const size_t end =
            splitAfter > static_cast<int>(i) && pauseMs > 0 ? static_cast<size_t>(splitAfter) : bytes.size();
        size_t done = i;
        while (done < end) {
            const ssize_t n = ::write(master_, bytes.data() + done, end - done);
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                return;
            }
            done += static_cast<size_t>(n);
        }
        i = end - 1;
    }
}

void TesterDouble::serve() {
    uint8_t buf[4096];
    while (!stopping_) {
        if (hangupRequested_) {
            closeMaster();
            hangupRequested_ = false;
        }
        pollfd p[2] = {{wake_, POLLIN, 0}, {master_, static_cast<short>(reading_ ? POLLIN : 0), 0}};
        const int timeout =
            delayed_.empty() ? -1 : static_cast<int>(std::max<int64_t>(0, delayed_.front().at - nowMs()));
        const int n = master_ >= 0 ? ::poll(p, 2, timeout) : ::poll(p, 1, timeout);
        sendDueAnswers();
        if (n == 0)
            continue;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[0].revents) {
            uint64_t v;
            [[maybe_unused]] ssize_t r = ::read(wake_, &v, sizeof v);
            continue;
        }
        if (master_ < 0 || !(p[1].revents & POLLIN))
            continue;
        const ssize_t got = ::read(master_, buf, sizeof buf);
        if (got <= 0)
            continue;
        {
            std::lock_guard lock(mutex_);
            received_.insert(received_.end(), buf, buf + got);
        }
        changed_.notify_all();
        for (ssize_t i = 0; i < got; ++i)
            receive(buf[i]);
    }
}

void TesterDouble::sendDueAnswers() {
    while (!delayed_.empty() && delayed_.front().at <= nowMs()) {
        writeBytes(delayed_.front().bytes, -1, 0, delayed_.front().request);
        delayed_.pop_front();
        std::lock_guard lock(mutex_);
        ++answers_;
    }
}

void TesterDouble::receive(uint8_t b) {
    const int64_t now = nowMs();
    if (rxIndex_ > 0 && now - lastByteMs_ > charTimeOutMs_)
        rxIndex_ = 0;
    lastByteMs_ = now;
    if (rxIndex_ == 0 && b != 'S')
        return;
    if (rxIndex_ == 0)
        ::clock_gettime(CLOCK_MONOTONIC, &rxStart_);
    rx_[static_cast<size_t>(rxIndex_++)] = b;
    if (rxIndex_ < dataBytes_ + 4)
        return;
    rxIndex_ = 0;
    const TProtok request = rx_;
    {
        std::lock_guard lock(mutex_);
        frames_.push_back(request);
        wire_.push_back(WireEvent{nowMs(), true, static_cast<int>(frames_.size()) - 1, false, request});
    }
    changed_.notify_all();
    unsigned sum = request[3];
    for (int i = 0; i < dataBytes_; ++i)
        sum += request[4 + static_cast<size_t>(i)];
    if (static_cast<uint8_t>(sum) == request[2] && request[1] == IdPc)
        answer(request);
}

void TesterDouble::answer(const TProtok& request) {
    std::optional<std::vector<uint8_t>> data;
    Misbehaviour m;
    int delay;
    int index;
    bool lost;
    {
        std::lock_guard lock(mutex_);
        m = misbehaviour_;
        delay = delayMs_;
        index = static_cast<int>(frames_.size()) - 1;
        auto it = handlers_.find(request[3]);
        if (it == handlers_.end() || m == Misbehaviour::Silent)
            return;
        data = it->second(state_, request);
        lost = data && loseAnswer_ && loseAnswer_(request);
    }
    if (!data)
        return;
    if (lost) {
        logWritten(frame(IdTester, request[3], *data), index, true);
        return;
    }
    if (pacing_) {
        // On the wire the request has fully arrived only after its last byte's time.
        timespec arrived = rxStart_;
        addNs(arrived, byteTimeNs * (dataBytes_ + 4));
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &arrived, nullptr);
    }
    switch (m) {
    case Misbehaviour::HangUp:
        closeMaster();
        return;
    case Misbehaviour::Late:
        if (!pause(delay))
            return;
        break;
    case Misbehaviour::Garbage:
        writeBytes({0x00, 0xFF, 0x13, 0x37, 0xEC, 0x10, 0x7F, 0x80, 0x01, 0x02});
        return;
    default:
        break;
    }
    const std::vector<uint8_t> f = frame(IdTester, request[3], *data, m == Misbehaviour::WrongChecksum);
    if (m == Misbehaviour::Slow) {
        delayed_.push_back({nowMs() + delay, f, index});
        return;
    }
    if (m == Misbehaviour::SplitFrame)
        writeBytes(f, static_cast<int>(f.size() / 2), delay, index);
    else
        writeBytes(f, -1, 0, index);
    std::lock_guard lock(mutex_);
    ++answers_;
}
