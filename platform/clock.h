#pragma once

#include <QDateTime>

#include <cstdint>
#include <string>

namespace platform {

// Monotonic milliseconds: deadlines, gaps and timers use this, never the wall clock.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    // Always greater than 0, never goes back.
    virtual int64_t nowMs() const = 0;
    // A clock that moves only when told (virtual time) lets a wait on it pass: it moves on to
    // what is due next, at the latest to untilMs, and returns true. A real clock returns false,
    // and the wait blocks in the event loop instead.
    virtual bool passTime(int64_t untilMs) const {
        (void)untilMs;
        return false;
    }
};

const MonotonicClock& systemClock();

// High-resolution monotonic count in nanoseconds, for log stamps.
uint64_t performanceCounter();

// Local time as "dd.mm.yyyy hh:nn:ss.zzz".
std::string logTimestamp(const QDateTime& when);
std::string logTimestamp();

// "#" and the count with at least 16 digits, zero-padded.
std::string counterSuffix(uint64_t count);

} // namespace platform
