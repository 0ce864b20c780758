// Speed of whole programmes in virtual time: the "Error Rate" and the "Adjust"
// programme on every block against the simulated recorder, as an unattended
// run makes them, and the time one record sweep point takes on the line.
// Prints one figure per line as "name: value":
//   recorder_time_s, wall_time_ms, speedup_ratio      the Error Rate programme
//   adjust_recorder_time_s, adjust_wall_ms, adjust_speedup_ratio
//   sweep_point_s        recorder time from one sweep point's setting to the next
//   sweep_point_floor_s  the least a point can take: 2 s of recording, 14
//                        readings 50 ms apart, and the point's exchanges
//                        (setting, band filter, time code and envelope
//                        readings) at the line's baud rate
//   sweep_point_ratio    the two divided
//
//   programme_speed [runs]    runs of each programme to average over (20)
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/tool.h"
#include "demo/demo.h"
#include "platform/virtual/virtual_platform.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"

namespace {

namespace fs = std::filesystem;
using Wire = std::vector<rf::platform::virt::WireRecord>;

struct Figures {
    double recorderSeconds = 0;
    double wallSeconds = 0;
};

// `runs` unattended runs of a programme; averages per run.
bool timeProgramme(const std::string& programme, int runs, Figures& f) {
    for (int i = 0; i < runs; ++i) {
        std::ostringstream out, err;
        const auto start = std::chrono::steady_clock::now();
        const int rc = rf::demo::runDemo(programme, out, err);
        f.wallSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rc != 0) {
            std::cerr << err.str();
            return false;
        }
        // "Recorder time hh:mm:ss, computed in N ms"
        const std::string text = out.str();
        const auto at = text.find("Recorder time ");
        int h = 0, m = 0, s = 0;
        std::sscanf(text.c_str() + at + 14, "%d:%d:%d", &h, &m, &s);
        f.recorderSeconds += h * 3600 + m * 60 + s;
        fs::remove("QT7310AdjLog.txt");
    }
    f.wallSeconds /= runs;
    f.recorderSeconds /= runs;
    return true;
}

// The Adjust programme on the HDLP record block alone; the line it used.
Wire recordBlockWire() {
    using namespace rf;
    platform::virt::VirtualPlatform platform;
    sim::Recorder recorder(sim::builtInRecorderConfig());
    sim::SimPeer peer(recorder, platform);
    platform.setPeer(&peer);
    platform.dialogs().setFallback(
        [](const platform::virt::DialogRecord& d) { return demo::unattendedAnswer(d); });
    app::Tool tool(platform);
    if (!tool.Main()) return {};
    tool.choose(run::ProgramItem::Adjust);
    tool.partAdjCheck(2);  // REC
    tool.choose(run::ProgramItem::Start);
    tool.endProgram();
    return platform.wire();
}

double seconds(rf::platform::virt::Micros t) {
    return std::chrono::duration<double>(t).count();
}

// Line time of a record at the baud rate: ten bits a character.
double lineSeconds(const std::string& bytes, int baud) {
    return static_cast<double>(bytes.size()) * 10.0 / baud;
}

// The points of channel L's current sweep: each begins with its setting
// ("$RS:000:") and is measured by fourteen envelope readings ("$AR:02").
// Returns the mean time from one point's setting to the next, and the mean
// floor of a point.
std::pair<double, double> sweepPoint(const Wire& wire, int baud) {
    using Dir = rf::platform::virt::WireRecord::Dir;
    auto sent = [&](std::size_t i, const char* what) {
        return wire[i].dir == Dir::ToPeer && wire[i].bytes.find(what) == 1;
    };
    std::vector<std::size_t> points;
    for (std::size_t i = 0; i < wire.size(); ++i) {
        if (!sent(i, "$RS:000:")) continue;
        int readings = 0;
        for (std::size_t j = i + 1; j < wire.size() && !sent(j, "$RS:"); ++j)
            readings += sent(j, "$AR:02") ? 1 : 0;
        if (readings == 14) points.push_back(i);
    }
    if (points.size() < 2) return {0, 0};
    double total = 0, floor = 0;
    for (std::size_t p = 0; p + 1 < points.size(); ++p) {
        const std::size_t from = points[p], to = points[p + 1];
        total += seconds(wire[to].at - wire[from].at);
        // The exchanges a point cannot do without: all but the time-code
        // polls of the 2-second wait (between the time code read before it
        // and the band filter), which run inside those 2 s.
        std::size_t firstTimeCode = from, filter = from;
        for (std::size_t i = from; i < to; ++i) {
            if (firstTimeCode == from && sent(i, "QCS")) firstTimeCode = i;
            if (sent(i, "$KS:")) filter = i;
        }
        double line = 0;
        for (std::size_t i = from; i < to; ++i)
            if (i < firstTimeCode + 2 || i >= filter) line += lineSeconds(wire[i].bytes, baud);
        floor += 2.0 + 14 * 0.05 + line;
    }
    const auto n = static_cast<double>(points.size() - 1);
    return {total / n, floor / n};
}

}  // namespace

int main(int argc, char* argv[]) {
    // Every Adjust run ends with its report, a PDF laid out and drawn with Qt
    // (fonts, charts): that needs an application object, as rfadjust --demo
    // has, on a platform that needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const fs::path previous = fs::current_path();
    const fs::path dir =
        fs::temp_directory_path() / ("rfadjust-programme-speed-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream("DVTRRF.DAT") << "1,2,3\r\n";
    std::ofstream("RSSET.DAT") << "\"SIM\",\"9600\",\"N\",\"8\",\"1\"\r\n";

    Figures errorRate, adjust;
    const bool ok =
        timeProgramme("error-rate", runs, errorRate) && timeProgramme("adjust", runs, adjust);
    const Wire wire = ok ? recordBlockWire() : Wire{};
    fs::current_path(previous);
    fs::remove_all(dir);
    if (!ok) return 1;

    const auto [point, floor] = sweepPoint(wire, rf::sim::RecorderConfig{}.baud);
    std::printf("runs: %d\n", runs);
    std::printf("recorder_time_s: %.0f\n", errorRate.recorderSeconds);
    std::printf("wall_time_ms: %.2f\n", errorRate.wallSeconds * 1000);
    std::printf("speedup_ratio: %.0f\n", errorRate.recorderSeconds / errorRate.wallSeconds);
    std::printf("adjust_recorder_time_s: %.0f\n", adjust.recorderSeconds);
    std::printf("adjust_wall_ms: %.2f\n", adjust.wallSeconds * 1000);
    std::printf("adjust_speedup_ratio: %.0f\n", adjust.recorderSeconds / adjust.wallSeconds);
    std::printf("sweep_point_s: %.3f\n", point);
    std::printf("sweep_point_floor_s: %.3f\n", floor);
    std::printf("sweep_point_ratio: %.3f\n", floor > 0 ? point / floor : 0.0);
    return 0;
}
