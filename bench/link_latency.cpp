// Measures the real link: QtPlatform and RsLink over a pseudo-terminal whose
// far end answers every frame at once.
//
//   reply_latency_p50_ms / _p99_ms  from the peer writing the closing ETX to
//                                   RsSend() returning
//   timeout_error_pct               the 5-second reply time-out against the wall clock
//   rswait_error_pct                RsWait(2000) against the wall clock
//   tool_wait_cpu_pct               CPU time of the tool's thread (the main thread,
//                                   where the Qt platform and the link run) while the
//                                   time-out is waited out, as a share of the wait
//   process_wait_cpu_pct            the same for the whole process: the two peers'
//                                   threads too, which wake every 10 ms to see whether
//                                   they are to stop
//   pty_floor_p50_ms / _p99_ms      the same exchange with a plain poll() and read()
//                                   on the slave instead of Qt and the link: what the
//                                   kernel and the scheduler cost by themselves. The
//                                   two kinds of exchange alternate, so both see the
//                                   same load on the machine.
//
// Usage: link_latency [exchanges]   (default 2000)
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"
#include "link/rs_link.h"
#include "platform/qt/qt_platform.h"
#include "qt_pty_peer.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuSeconds(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double percentile(std::vector<double> sorted, double p) {
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * sorted.size()));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// One exchange without Qt: the frame is written to the slave descriptor and the
// reply read back from it until ETX.
void rawExchange(int slave, const std::string& frame) {
    if (::write(slave, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        std::perror("link_latency: write");
        std::exit(1);
    }
    for (char last = 0; last != rf::link::EtxCode;) {
        pollfd fd{slave, POLLIN, 0};
        ::poll(&fd, 1, -1);
        char buf[64];
        const ssize_t n = ::read(slave, buf, sizeof buf);
        if (n > 0) last = buf[n - 1];
    }
}

void print(const char* name, double value) {
    std::printf("%s: %.3f\n", name, value);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

    rf::platform::qt::QtPlatform platform("rfadjust-link-latency.lock");
    rf::testing::PtyPair pty;
    auto port = platform.createSerialPort(pty.slavePath());
    port->open(rf::platform::PortSettings{});
    rf::link::RsLink link(platform);
    link.attach(port.get());

    std::atomic<bool> silent{false};
    std::atomic<Clock::rep> etxWrittenAt{0};
    const std::string head = std::string{rf::link::AckCode, rf::link::StxCode} + "ID7310";
    const std::string etx{rf::link::EtxCode};
    const auto respond = [&](const std::string&, rf::testing::PtyPeer& p) {
        if (silent) return;
        p.send(head);
        etxWrittenAt.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
        p.send(etx);
    };
    rf::testing::PtyPeer peer(pty.master(), respond);
    rf::testing::PtyPair floorPty;
    rf::testing::PtyPeer floorPeer(floorPty.master(), respond);
    const auto sinceEtx = [&](Clock::time_point returned) {
        return ms(returned -
                  Clock::time_point{Clock::duration{etxWrittenAt.load(std::memory_order_acquire)}});
    };

    try {
        for (int i = 0; i < 50; ++i)
            link.exchange("QID", "ID");  // warm-up

        std::vector<double> latency, floor;
        latency.reserve(static_cast<std::size_t>(exchanges));
        floor.reserve(static_cast<std::size_t>(exchanges));
        for (int i = 0; i < exchanges; ++i) {
            link.exchange("QID", "ID");
            latency.push_back(sinceEtx(Clock::now()));
            rawExchange(floorPty.slave(), link.state().RsFrame);
            floor.push_back(sinceEtx(Clock::now()));
        }
        std::sort(latency.begin(), latency.end());
        std::sort(floor.begin(), floor.end());

        silent = true;
        const double threadBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto waitStart = Clock::now();
        int number = 0;
        try {
            link.exchange("QID", "ID");
        } catch (const rf::RfError& e) {
            number = e.number();
        }
        const double waited = ms(Clock::now() - waitStart);
        const double threadCpu = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore) * 1000.0;
        const double processCpu = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) * 1000.0;
        if (number != rf::err::TimeOver) {
            std::fprintf(stderr, "link_latency: expected error 200 without a reply, got %d\n",
                         number);
            return 1;
        }

        const auto rsWaitStart = Clock::now();
        link.RsWait(2000);
        const double rsWaited = ms(Clock::now() - rsWaitStart);

        std::printf("exchanges: %d\n", exchanges);
        print("reply_latency_p50_ms", percentile(latency, 50));
        print("reply_latency_p99_ms", percentile(latency, 99));
        print("reply_latency_max_ms", latency.back());
        print("timeout_error_pct",
              std::abs(waited - rf::link::ReplyTimeoutMs) / rf::link::ReplyTimeoutMs * 100.0);
        print("rswait_error_pct", std::abs(rsWaited - 2000.0) / 2000.0 * 100.0);
        print("tool_wait_cpu_pct", threadCpu / waited * 100.0);
        print("process_wait_cpu_pct", processCpu / waited * 100.0);
        print("pty_floor_p50_ms", percentile(floor, 50));
        print("pty_floor_p99_ms", percentile(floor, 99));
    } catch (const rf::RfError& e) {
        std::fprintf(stderr, "link_latency: %s\n", e.what());
        return 1;
    }
    link.attach(nullptr);
    return 0;
}
