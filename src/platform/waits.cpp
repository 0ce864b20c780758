#include "platform/waits.h"

namespace rf::platform {

bool waitUntil(Platform& platform, const std::function<bool()>& done, const bool* stop) {
    while (!done()) {
        if (stop && *stop) return false;
        platform.doEvents();
    }
    return true;
}

WaitTimer::WaitTimer(Platform& platform, bool& fired)
    : platform_(platform), fired_(fired), timer_(platform.createTimer()) {
    timer_->setHandler([this] { fired_ = true; });
}

bool WaitTimer::waitFor(int ms, const std::function<bool()>& done, const bool* stop) {
    timer_->setInterval(ms);
    fired_ = false;
    timer_->setEnabled(true);
    struct Disarm {
        Timer& t;
        ~Disarm() { t.setEnabled(false); }
    } disarm{*timer_};
    waitUntil(
        platform_, [&] { return fired_ || done(); }, stop);
    return done();
}

}  // namespace rf::platform
