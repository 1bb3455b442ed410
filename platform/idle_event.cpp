#include "platform/idle_event.h"

#include "platform/event_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace platform {

namespace {

// Counts every event the application delivers, except its own idle event, and posts
// an idle event when the loop is about to block after having delivered some.
class IdleDriver final : public QObject {
public:
    IdleDriver() {
        pass_.setSingleShot(true);
        pass_.setInterval(0);
        QObject::connect(&pass_, &QTimer::timeout, this, [this] { runPass(); });
        QCoreApplication::instance()->installEventFilter(this);
        connectDispatcher();
    }

    void setHandler(std::function<void()> h) {
        handler_ = std::move(h);
        connectDispatcher();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != &pass_)
            ++delivered_;
        return QObject::eventFilter(watched, e);
    }

private:
    // A zero timer rather than a posted event: timers are also served by a nested loop
    // that a posted call opened.
    void runPass() {
        scheduled_ = false;
        seen_ = delivered_;
        if (handler_ && activeWaits() == 0) {
            std::function<void()> h = handler_;
            try {
                h();
            } catch (const std::exception& ex) {
                std::fprintf(stderr, "idle handler failed: %s\n", ex.what());
            } catch (...) {
                std::fprintf(stderr, "idle handler failed\n");
            }
        }
    }

    void connectDispatcher() {
        auto* d = QAbstractEventDispatcher::instance(thread());
        if (!d || d == dispatcher_)
            return;
        dispatcher_ = d;
        QObject::connect(
            d, &QAbstractEventDispatcher::aboutToBlock, this, [this] { aboutToBlock(); },
            Qt::DirectConnection);
    }

    void aboutToBlock() {
        if (!handler_ || scheduled_ || delivered_ == seen_ || activeWaits() > 0)
            return;
        scheduled_ = true;
        pass_.start();
    }

    std::function<void()> handler_;
    QTimer pass_;
    QAbstractEventDispatcher* dispatcher_ = nullptr;
    unsigned long delivered_ = 0;
    unsigned long seen_ = 0;
    bool scheduled_ = false;
};

IdleDriver* driver() {
    static IdleDriver* d = nullptr;
    if (!d) {
        d = new IdleDriver;
        // Parented to the application so that it goes with it.
        d->setParent(QCoreApplication::instance());
    }
    return d;
}

} // namespace

void setIdleHandler(std::function<void()> handler) {
    driver()->setHandler(std::move(handler));
}

} // namespace platform
