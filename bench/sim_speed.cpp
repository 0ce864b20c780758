// Measures the recorder simulator.
//
//   model_us_per_command       the model alone: wall time per command over a mix of
//                              transport status, time code, envelope, error rate and
//                              level-block reads, with a tape playing in adjustment mode
//   sim_hours_per_wall_second  the tool's command set over the virtual serial line to the
//                              model (SimPeer on VirtualPlatform): simulated hours of
//                              transport run per wall second, in cycles of PLAY, ten
//                              minutes of status and time-code reads every 10 s, then REW
//                              to the beginning with a status read every second
//   link_commands_per_wall_second  commands of that run per wall second
//
// Usage: sim_speed [commands] [simulated hours]   (default 100000 and 100)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"
#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "platform/virtual/virtual_platform.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"

namespace {

using Clock = std::chrono::steady_clock;
using rf::sim::Micros;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string frame(const std::string& text) {
    return "\x02" + text + "\x03";
}

// Wall seconds for `commands` commands of the mix, or a negative value when
// the model answered one of them with an error.
double modelRun(int commands) {
    rf::sim::Recorder r;
    Micros now{0};
    r.insert("HDLP MASTER", now);
    now += Micros{3'000'000};
    for (const char* setup : {"OPL", "$SA:0720"})
        r.input(frame(setup), now);
    const std::string mix[] = {frame("QOD:11"), frame("QCD"), frame("$AR:02"), frame("$ER:0"),
                               frame("$PR:002")};
    std::size_t bytes = 0;
    int errors = 0;
    const auto start = Clock::now();
    for (int i = 0; i < commands; ++i) {
        // Commands 5 ms apart: the tape moves on between them.
        now += Micros{5000};
        for (const rf::sim::Output& o : r.input(mix[static_cast<std::size_t>(i) % 5], now)) {
            bytes += o.bytes.size();
            errors += o.bytes.find(
                          "\x02"
                          "ER") != std::string::npos;
        }
    }
    const double wall = seconds(Clock::now() - start);
    if (bytes == 0 || errors > 0) {
        std::fprintf(stderr, "sim_speed: %d of the model's replies were errors\n", errors);
        return -1;
    }
    return wall;
}

struct LinkRun {
    double wallSeconds = 0;
    double simulatedHours = 0;
    long commands = 0;
};

LinkRun linkRun(double hours) {
    rf::platform::virt::VirtualPlatform platform;
    rf::sim::Recorder recorder;
    rf::sim::SimPeer peer(recorder, platform);
    platform.setPeer(&peer);
    auto port = platform.createSerialPort("SIM");
    port->open({});
    rf::link::RsLink link(platform);
    link.attach(port.get());
    rf::link::Rs rs(link);

    const Micros target{static_cast<std::int64_t>(hours * 3600e6)};
    LinkRun run;
    recorder.insert("HDLP MASTER", platform.elapsed());
    const auto start = Clock::now();
    link.RsWait(3000);
    while (platform.elapsed() < target) {
        rs.TransportCtrl(rf::link::Transport::Play);
        ++run.commands;
        for (int i = 0; i < 60; ++i) {
            rs.StatusRead();
            rs.TimeCodeRead(rf::link::TimeCodeMode::Tcr);
            run.commands += 2;
            link.RsWait(10000);
        }
        rs.TransportCtrl(rf::link::Transport::Rew);
        ++run.commands;
        do {
            link.RsWait(1000);
            ++run.commands;
        } while (rs.StatusRead() != "STOP");
    }
    run.wallSeconds = seconds(Clock::now() - start);
    run.simulatedHours = static_cast<double>(platform.elapsed().count()) / 3600e6;
    link.attach(nullptr);
    return run;
}

void print(const char* name, double value) {
    std::printf("%s: %.3f\n", name, value);
}

}  // namespace

int main(int argc, char** argv) {
    const int commands = argc > 1 ? std::max(5, std::atoi(argv[1])) : 100000;
    const double hours = argc > 2 ? std::max(0.1, std::atof(argv[2])) : 100.0;
    try {
        modelRun(commands / 10);  // warm-up
        const double wall = modelRun(commands);
        if (wall < 0) return 1;
        const LinkRun run = linkRun(hours);
        std::printf("model_commands: %d\n", commands);
        print("model_us_per_command", wall / commands * 1e6);
        print("simulated_hours", run.simulatedHours);
        std::printf("link_commands: %ld\n", run.commands);
        print("sim_hours_per_wall_second", run.simulatedHours / run.wallSeconds);
        print("link_commands_per_wall_second", static_cast<double>(run.commands) / run.wallSeconds);
    } catch (const rf::RfError& e) {
        std::fprintf(stderr, "sim_speed: %s %s\n", e.what(), e.detail().c_str());
        return 1;
    }
    return 0;
}
