#pragma once

#include "platform/comm_port.h"
#include "platform/event_pump.h"
#include "serial/Cate32.h"

#include <QTemporaryDir>

#include <atomic>
#include <cctype>
#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

// The text of a port log line after "dd.mm.yyyy hh:nn:ss.zzz[#counter] - ", or nothing.
inline std::optional<std::string> logText(const std::string& line, bool withTicks) {
    const std::string shape = "00.00.0000 00:00:00.000";
    if (line.size() < shape.size())
        return std::nullopt;
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '0' ? !std::isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i])
            return std::nullopt;
    size_t at = shape.size();
    if (withTicks) {
        if (at >= line.size() || line[at] != '#')
            return std::nullopt;
        size_t digits = 0;
        while (++at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])))
            ++digits;
        if (digits < 16)
            return std::nullopt;
    }
    if (line.compare(at, 3, " - ") != 0)
        return std::nullopt;
    return line.substr(at + 3);
}

// The texts of a port log; a line without a valid stamp is marked.
inline std::vector<std::string> logTexts(const std::string& path, bool withTicks) {
    std::vector<std::string> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        out.push_back(logText(line, withTicks).value_or("<bad stamp> " + line));
    return out;
}

inline bool contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines)
        if (l == text)
            return true;
    return false;
}

inline long indexOf(const std::vector<std::string>& lines, const std::string& text) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == text)
            return static_cast<long>(i);
    return -1;
}

inline bool waitFor(const std::function<bool()>& done, int ms) {
    return platform::waitUntil(done, platform::systemClock().nowMs() + ms);
}

// A device whose line events a test scripts; reads never bring data.
class FakeCommDevice final : public platform::CommDevice {
public:
    struct Shared {
        std::mutex mutex;
        std::deque<std::pair<platform::CommWait, uint32_t>> events;
        uint32_t errors = 0;
        uint32_t modem = 0;
        bool modemOk = true;
        bool maskOk = true;
        std::atomic<int> maskDelayMs{0}; // holds the read thread's set-up
        bool writeTakesNothing = false;
        int writes = 0;
        platform::CommState state;
        platform::CommTimeouts timeouts;
        std::vector<platform::CommState> statesSet;
        platform::CommEvent wake; // signalled by later(): the wait looks at the script again
        Shared() { wake.create(); }
        void later(platform::CommWait w, uint32_t mask) {
            {
                std::lock_guard l(mutex);
                events.emplace_back(w, mask);
            }
            wake.signal();
        }
    };

    explicit FakeCommDevice(std::shared_ptr<Shared> s) : s_(std::move(s)) {}

    platform::CommResult setupComm(uint32_t, uint32_t) override { return true; }
    platform::CommResult getCommState(platform::CommState& st) override {
        std::lock_guard l(s_->mutex);
        st = s_->state;
        return true;
    }
    platform::CommResult setCommState(const platform::CommState& st) override {
        std::lock_guard l(s_->mutex);
        s_->state = st;
        s_->statesSet.push_back(st);
        return true;
    }
    platform::CommResult getCommTimeouts(platform::CommTimeouts& t) override {
        std::lock_guard l(s_->mutex);
        t = s_->timeouts;
        return true;
    }
    platform::CommResult setCommTimeouts(const platform::CommTimeouts& t) override {
        std::lock_guard l(s_->mutex);
        s_->timeouts = t;
        return true;
    }
    platform::CommResult purgeComm(uint32_t) override { return true; }
    platform::CommResult getCommModemStatus(uint32_t& status) override {
        std::lock_guard l(s_->mutex);
        status = s_->modem;
        return s_->modemOk;
    }
    platform::CommResult getCommProperties(uint32_t& in, uint32_t& out) override {
        in = 64;
        out = 0;
        return true;
    }
    platform::CommResult setCommMask(uint32_t) override {
        if (const int ms = s_->maskDelayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        std::lock_guard l(s_->mutex);
        return s_->maskOk ? platform::CommResult() : platform::CommResult::failed(EINVAL);
    }
    platform::CommResult clearCommError(uint32_t& errors) override {
        std::lock_guard l(s_->mutex);
        errors = s_->errors;
        s_->errors = 0;
        return true;
    }
    platform::CommResult outputQueued(uint32_t& bytes) override {
        bytes = 0;
        return true;
    }
    platform::CommWaitResult waitInput(const platform::CommEvent& close, uint32_t& events) override {
        {
            std::lock_guard l(s_->mutex);
            if (!s_->events.empty()) {
                auto [w, mask] = s_->events.front();
                s_->events.pop_front();
                events = mask;
                return w;
            }
        }
        // Woken by the close event, or by a test that scripted an event later on.
        pollfd p[2] = {{close.fd(), POLLIN, 0}, {s_->wake.fd(), POLLIN, 0}};
        ::poll(p, 2, -1);
        if (close.isSignalled() || !p[1].revents)
            return platform::CommWait::Closed;
        uint64_t v;
        [[maybe_unused]] ssize_t n = ::read(s_->wake.fd(), &v, sizeof v);
        return waitInput(close, events);
    }
    platform::CommIoResult read(uint8_t*, size_t, size_t& got, const platform::CommEvent&) override {
        got = 0;
        return platform::CommIo::Done;
    }
    platform::CommIoResult write(const uint8_t*, size_t count, size_t& written,
                                 const platform::CommEvent&) override {
        std::lock_guard l(s_->mutex);
        ++s_->writes;
        written = s_->writeTakesNothing ? 0 : count;
        return platform::CommIo::Done;
    }

private:
    std::shared_ptr<Shared> s_;
};

// The devices a test gives its ports, as the program's configuration does; a port without one
// opens its default device. Looked up at every open.
struct PortDevices {
    std::map<int, std::string> paths;

    void applyTo(TCate& cate) {
        cate.SetCommOpener([this](int n, platform::CommOpenStatus& status) {
            const auto it = paths.find(n);
            return platform::openCommPath(platform::commDevicePath(n, it == paths.end() ? "" : it->second),
                                          status);
        });
    }
};
