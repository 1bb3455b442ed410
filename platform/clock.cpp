#include "platform/clock.h"

#include <chrono>
#include <cstdio>

namespace platform {

namespace {

class SteadyClock final : public MonotonicClock {
public:
    int64_t nowMs() const override {
        using namespace std::chrono;
        // +1 so that 0 can stand for "no time" in callers.
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
    }
};

} // namespace

const MonotonicClock& systemClock() {
    static const SteadyClock clock;
    return clock;
}

uint64_t performanceCounter() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string logTimestamp(const QDateTime& when) {
    return when.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")).toStdString();
}

std::string logTimestamp() {
    return logTimestamp(QDateTime::currentDateTime());
}

std::string counterSuffix(uint64_t count) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "#%016llu", static_cast<unsigned long long>(count));
    return buf;
}

} // namespace platform
