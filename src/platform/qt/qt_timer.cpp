#include "platform/qt/qt_timer.h"

#include "platform/qt/guarded_call.h"

namespace rf::platform::qt {

QtTimer::QtTimer(Platform& platform) : platform_(platform) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(false);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { fire(); });
}

void QtTimer::setInterval(int ms) {
    interval_ = ms;
    if (enabled_) restart();
}

void QtTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (enabled_)
        restart();
    else
        timer_.stop();
}

void QtTimer::restart() {
    // QTimer::start() on a running timer starts a fresh full interval.
    if (interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

void QtTimer::fire() {
    // A copy, so a handler that replaces itself does not destroy the running function.
    auto handler = handler_;
    guardedCall(platform_, "timer", handler);
}

}  // namespace rf::platform::qt
