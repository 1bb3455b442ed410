#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

// Virtual time: the clock moves only as far as a wait on it lets time pass, straight to the
// next thing due (a scheduled call) or to the end of the wait. A whole exchange of seconds
// runs in a moment, the same way every time.
class VirtualClock final : public platform::MonotonicClock {
public:
    explicit VirtualClock(int64_t start = 1000000) : now_(start) {}

    int64_t nowMs() const override { return now_; }

    bool passTime(int64_t untilMs) const override {
        if (!due_.empty() && due_.begin()->first <= untilMs) {
            auto first = due_.begin();
            now_ = std::max(now_, first->first);
            std::function<void()> call = std::move(first->second);
            due_.erase(first);
            call();
        } else if (untilMs > now_) {
            now_ = untilMs;
        }
        return true;
    }

    // Runs call when the clock reaches atMs; calls due at the same time run in the order given.
    void at(int64_t atMs, std::function<void()> call) { due_.emplace(atMs, std::move(call)); }
    void after(int64_t ms, std::function<void()> call) { at(now_ + ms, std::move(call)); }
    // Lets time pass outside any wait, running what falls due.
    void advance(int64_t ms) {
        const int64_t until = now_ + ms;
        while (!due_.empty() && due_.begin()->first <= until)
            passTime(until);
        now_ = until;
    }
    void clear() { due_.clear(); }

private:
    mutable int64_t now_;
    mutable std::multimap<int64_t, std::function<void()>> due_;
};
