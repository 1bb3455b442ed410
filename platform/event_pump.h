#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace platform {

namespace detail {
struct NotifierState;
}

// A component's private receiver in the UI thread. Worker threads post callables to
// it; they run in the UI thread in the order each sender posted them. Once the
// Notifier is destroyed nothing more runs, and posting is a no-op.
class Notifier {
public:
    // Thread-safe handle for worker threads; it may outlive the Notifier.
    class Poster {
    public:
        Poster() = default;
        bool post(std::function<void()> call) const;

    private:
        friend class Notifier;
        explicit Poster(std::shared_ptr<detail::NotifierState> state) : state_(std::move(state)) {}
        std::shared_ptr<detail::NotifierState> state_;
    };

    Notifier(); // in the UI thread
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    bool post(std::function<void()> call) const { return poster().post(std::move(call)); }
    Poster poster() const { return Poster(state_); }

private:
    std::shared_ptr<detail::NotifierState> state_;
};

// Handles what is pending in the UI thread's event queue now, without waiting.
void processPendingEvents();

// Runs the UI thread's event loop until done() holds or the clock has passed deadlineMs
// (clock > deadline). Pending events are handled at least once. Between events the
// thread blocks; it does not spin. Returns done().
bool waitUntil(const std::function<bool()>& done, int64_t deadlineMs,
               const MonotonicClock& clock = systemClock());

// Waits ms milliseconds in the event loop.
void delayMs(int64_t ms, const MonotonicClock& clock = systemClock());

// Number of waits of waitUntil/delayMs running now (nested waits count each).
int activeWaits();

} // namespace platform
