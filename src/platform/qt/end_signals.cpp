#include "platform/qt/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <stdexcept>

#include "platform/qt/guarded_call.h"

namespace rf::platform::qt {

namespace {

constexpr int Watched[] = {SIGTERM, SIGHUP, SIGINT};
// The signal that ends the process at once, counting all watched signals.
constexpr int KillingSignal = 3;

int pipeFds[2] = {-1, -1};
std::atomic<int> received{0};
struct sigaction previous[std::size(Watched)];

void onEndSignal(int number) {
    const int savedErrno = errno;
    if (received.fetch_add(1) + 1 >= KillingSignal) {
        // Delivered again once this handler returns, now with the default action.
        std::signal(number, SIG_DFL);
        std::raise(number);
    } else {
        const char byte = static_cast<char>(number);
        // A full pipe already holds a request; the byte is not needed.
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

EndSignals::EndSignals(Platform& platform, std::function<void(int)> close)
    : platform_(platform), close_(std::move(close)) {
    if (pipeFds[0] >= 0) throw std::logic_error("EndSignals: one watcher at a time");
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("EndSignals: no pipe for the signals");
    received = 0;
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readPipe(); });
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    for (int s : Watched)
        sigaddset(&action.sa_mask, s);
    // A wait in a system call goes on after the handler.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        ::sigaction(Watched[i], &action, &previous[i]);
}

EndSignals::~EndSignals() {
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        ::sigaction(Watched[i], &previous[i], nullptr);
    notifier_.reset();
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void EndSignals::readPipe() {
    char bytes[16];
    const ssize_t n = ::read(pipeFds[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i)
        guardedCall(platform_, "end signal", [&] { close_(bytes[i]); });
}

}  // namespace rf::platform::qt
