#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace platform {

// A window timer as the program's windows use it: an interval of 0 or less means the
// timer never fires (a Qt timer of interval 0 would fire continuously).
class TTimer : public QObject {
public:
    explicit TTimer(QObject* owner = nullptr) : QObject(owner) {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            if (OnTimer)
                OnTimer();
        });
        apply();
    }

    bool Enabled() const { return enabled_; }
    // Enabling a running timer does not restart its interval, or one enabled more often
    // than it ticks would never fire.
    void SetEnabled(bool on) {
        if (on == enabled_)
            return;
        enabled_ = on;
        apply();
    }
    int Interval() const { return interval_; }
    void SetInterval(int ms) {
        if (ms == interval_)
            return;
        interval_ = ms;
        apply();
    }
    bool isRunning() const { return timer_.isActive(); }

    std::function<void()> OnTimer;

private:
    void apply() {
        if (enabled_ && interval_ > 0)
            timer_.start(interval_);
        else
            timer_.stop();
    }

    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
};

} // namespace platform
