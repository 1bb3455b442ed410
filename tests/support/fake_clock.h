#pragma once

#include "platform/clock.h"

#include <atomic>

// A monotonic clock that moves only when the test says so.
class FakeClock final : public platform::MonotonicClock {
public:
    explicit FakeClock(int64_t start = 1000000) : now_(start) {}
    int64_t nowMs() const override { return now_; }
    void advance(int64_t ms) { now_ += ms; }
    void set(int64_t ms) { now_ = ms; }

private:
    std::atomic<int64_t> now_;
};
