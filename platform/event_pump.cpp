#include "platform/event_pump.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <climits>
#include <cstdio>
#include <exception>
#include <mutex>

namespace platform {

namespace {

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
    QCoreApplication::postEvent(state_->receiver, new CallEvent(std::move(call)));
    return true;
}

Notifier::Notifier() : state_(std::make_shared<detail::NotifierState>()) {
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
