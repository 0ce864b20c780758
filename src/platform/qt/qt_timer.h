#pragma once

#include <QTimer>
#include <functional>

#include "platform/platform.h"

namespace rf::platform::qt {

// The platform timer over a QTimer. Qt's default coarse timers may fire up to
// 5 % late, which would stretch the 5-second reply time-out by 250 ms, so the
// timer is precise. An interval of 0 or less never fires (a zero QTimer would
// fire on every pass of the event loop).
class QtTimer final : public Timer {
  public:
    explicit QtTimer(Platform& platform);

    void setInterval(int ms) override;
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  private:
    void restart();
    void fire();

    Platform& platform_;
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
    std::function<void()> handler_;
};

}  // namespace rf::platform::qt
