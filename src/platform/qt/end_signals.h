#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"

class QSocketNotifier;

namespace rf::platform::qt {

// SIGTERM, SIGHUP and SIGINT (a shutdown, a logout, Ctrl-C) as a request to
// close the program. The signal handler only counts the signal and writes one
// byte into a pipe; the event loop reads it and calls `close` with the signal
// number, so the program ends through its normal close path. A second signal
// while that path runs is passed on too (a close already under way ignores
// it); the third ends the process at once, by the signal's default action.
// One watcher at a time; the signals' previous handling comes back when it goes.
class EndSignals {
  public:
    EndSignals(Platform& platform, std::function<void(int signal)> close);
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;
    ~EndSignals();

  private:
    void readPipe();

    Platform& platform_;
    std::function<void(int)> close_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace rf::platform::qt
