// vtrsim: the simulated recorder on a pseudo-terminal, in real time, with a
// front panel on standard input. "vtrsim --help" says how to use it.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "options.h"
#include "server.h"

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int number) {
    const int saved = errno;
    const char c = static_cast<char>(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}

// SIGINT, SIGTERM and SIGHUP end the event loop through a pipe, so the program
// ends the ordinary way and takes its link away.
bool catchEndSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        if (::sigaction(s, &sa, nullptr) != 0) return false;
    // Output to a reader that went away must not end the program.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace rf::sim::vtrsim;
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vtrsim: %s\n(vtrsim --help lists the options)\n",
                     parsed.error.c_str());
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }

    QCoreApplication app(argc, argv);
    if (!catchEndSignals()) {
        std::perror("vtrsim: signal handling");
        return 1;
    }
    std::unique_ptr<Server> server;
    try {
        server = std::make_unique<Server>(options, stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vtrsim: %s\n", e.what());
        return 1;
    }

    QSocketNotifier ending(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&ending, &QSocketNotifier::activated, &ending, [&] {
        char c = 0;
        if (::read(signalPipe[0], &c, 1) == 1)
            server->say(std::string("vtrsim: ") + ::strsignal(c) + ", ending");
        QCoreApplication::quit();
    });

    // Standard input is read a line at a time. It is left blocking (it may be
    // the operator's terminal, shared with the shell), and read once per
    // notification, which does not block.
    std::string partial;
    QSocketNotifier panel(STDIN_FILENO, QSocketNotifier::Read);
    const auto run = [&](std::string line) {
        if (!server->command(line)) QCoreApplication::quit();
    };
    QObject::connect(&panel, &QSocketNotifier::activated, &panel, [&] {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR) return;
        if (n <= 0) {
            panel.setEnabled(false);
            if (!partial.empty()) run(std::exchange(partial, {}));
            if (options.exitOnEof) {
                server->say("vtrsim: end of standard input, ending");
                QCoreApplication::quit();
            } else {
                server->say("end of standard input: serving on until SIGINT or SIGTERM");
            }
            return;
        }
        partial.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = partial.find('\n')) != std::string::npos;) {
            std::string line = partial.substr(0, nl);
            partial.erase(0, nl + 1);
            run(std::move(line));
        }
    });

    const int status = app.exec();
    server->removeLink();
    server.reset();
    return status;
}
