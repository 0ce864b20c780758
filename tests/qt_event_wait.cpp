#include "qt_event_wait.h"

namespace rf::testing {

bool pumpUntil(platform::Platform& platform, const std::function<bool()>& done, int guardMs) {
    bool expired = false;
    auto guard = platform.createTimer();
    guard->setHandler([&] { expired = true; });
    guard->setInterval(guardMs);
    guard->setEnabled(true);
    while (!done() && !expired)
        platform.doEvents();
    return done();
}

}  // namespace rf::testing
