#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"

namespace rf::platform {

// The program's waits. While one waits, the events run: the window stays live,
// the timers tick and the port delivers. A wait may be given a stop request
// (STOP's flag) that ends it early.

// Lets events run until `done` holds, or `*stop` is set. False when it ended
// on the stop request.
bool waitUntil(Platform& platform, const std::function<bool()>& done, const bool* stop = nullptr);

// An interval timer that times the waits of one purpose (the reply time-out,
// the link's pauses, the programme's pauses). Its tick sets `fired`, the flag
// under the name the program knows it by; the timer runs only inside a wait.
class WaitTimer {
  public:
    WaitTimer(Platform& platform, bool& fired);

    // Waits at most `ms` milliseconds for `done`, or for `*stop`: true when
    // `done` held. The timer is disarmed however the wait ends.
    bool waitFor(int ms, const std::function<bool()>& done, const bool* stop = nullptr);
    // A pause of `ms` milliseconds (or until `*stop`).
    void pause(int ms, const bool* stop = nullptr) {
        waitFor(
            ms, [] { return false; }, stop);
    }
    // Disarms the timer (a wait it times then goes on until its other ends).
    void cancel() { timer_->setEnabled(false); }

  private:
    Platform& platform_;
    bool& fired_;
    std::unique_ptr<Timer> timer_;
};

}  // namespace rf::platform
