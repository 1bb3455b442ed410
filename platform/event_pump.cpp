#include "platform/event_pump.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <climits>
#include <cstdio>
#include <exception>
#include <mutex>

#ifdef __SANITIZE_THREAD__
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

namespace {

// Qt hands a posted event to the receiving thread under a lock of its own, which
// ThreadSanitizer cannot see in a Qt that was not built for it. The poster marks the event,
// and every delivery takes the mark before anything (an application's event filter first)
// looks at the event.
#ifdef __SANITIZE_THREAD__
bool takeOver(void** data) {
    __tsan_acquire(data[1]);
    return false;
}

void watchDeliveries() {
    [[maybe_unused]] static const bool watching =
        QInternal::registerCallback(QInternal::EventNotifyCallback, takeOver);
}

void handOver(QEvent* e) {
    __tsan_release(e);
}
#else
void watchDeliveries() {}
void handOver(QEvent*) {}
#endif

const QEvent::Type callEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class CallEvent final : public QEvent {
public:
    explicit CallEvent(std::function<void()> call) : QEvent(callEventType), call_(std::move(call)) {}
    void run() {
        if (call_)
            call_();
    }

private:
    std::function<void()> call_;
};

class Receiver final : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != callEventType)
            return QObject::event(e);
        try {
            static_cast<CallEvent*>(e)->run();
        } catch (const std::exception& ex) {
            std::fprintf(stderr, "posted call failed: %s\n", ex.what());
        } catch (...) {
            std::fprintf(stderr, "posted call failed\n");
        }
        return true;
    }
};

int waitCount = 0;

struct WaitScope {
    WaitScope() { ++waitCount; }
    ~WaitScope() { --waitCount; }
};

} // namespace

namespace detail {
struct NotifierState {
    std::mutex mutex;
    Receiver* receiver = nullptr;
};
} // namespace detail

bool Notifier::Poster::post(std::function<void()> call) const {
    if (!state_)
        return false;
    std::lock_guard lock(state_->mutex);
    if (!state_->receiver)
        return false;
    auto* event = new CallEvent(std::move(call));
    handOver(event);
    QCoreApplication::postEvent(state_->receiver, event);
    return true;
}

Notifier::Notifier() : state_(std::make_shared<detail::NotifierState>()) {
    watchDeliveries();
    state_->receiver = new Receiver;
}

Notifier::~Notifier() {
    Receiver* r;
    {
        std::lock_guard lock(state_->mutex);
        r = state_->receiver;
        state_->receiver = nullptr;
    }
    // Deleting the receiver drops the calls still queued for it.
    delete r;
}

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool waitUntil(const std::function<bool()>& done, int64_t deadlineMs, const MonotonicClock& clock) {
    WaitScope scope;
    processPendingEvents();
    QTimer wake;
    wake.setSingleShot(true);
    while (!done()) {
        const int64_t now = clock.nowMs();
        if (now > deadlineMs)
            break;
        if (clock.passTime(deadlineMs + 1)) {
            processPendingEvents();
            continue;
        }
        // The timer only wakes the blocked loop once the deadline has passed.
        const int64_t remaining = deadlineMs - now + 1;
        wake.start(static_cast<int>(remaining > INT_MAX ? INT_MAX : remaining));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

void delayMs(int64_t ms, const MonotonicClock& clock) {
    waitUntil([] { return false; }, clock.nowMs() + ms, clock);
}

int activeWaits() {
    return waitCount;
}

} // namespace platform
