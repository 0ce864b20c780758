// How close to the recorder's own pace the tool runs in real time. The whole
// tool on the Qt platform, its dialogs answered by a script, makes one run of
// each programme on one block against vtrsim over a pseudo-terminal: the
// connection check, Error Rate on the MAGVEX HDLP Conf playback block and on
// the HDLP record block, Adjust on the same two blocks, and the upload of a
// small data file. The same runs are made in virtual time against the same
// simulated recorder (same seed, identification, induce code, changer and
// baud rate), where the recorder's elapsed time is what the recorder and the
// protocol make unavoidable. Prints, as "name: value" lines, whether the two
// runs put the same frames on the line, then per run, per programme and in
// all the wall time, the recorder time and realtime_efficiency = recorder
// time / wall time, and where the time beyond the recorder's went: in the
// exchanges (from a frame written to its reply read) or between them (the
// tool's pauses and its own work).
//
//   realtime_efficiency [--frames PREFIX] [--quick]
//     --frames PREFIX   writes both lines to PREFIX.virtual.txt and PREFIX.real.txt
//     --quick           the connection check alone, no programme (about 10 s; the
//                       test suite's run, to see that the rigs still work)
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "realtime_rig.h"

namespace {

using namespace rf::bench;

struct Side {
    double connection = 0;                  // seconds of the connection check
    std::map<rf::bench::Run, double> runs;  // seconds of each run
    std::vector<std::size_t> firstFrame;    // where each run begins in the trace
    Trace trace;
};

template <typename Rig>
bool runAll(Rig& rig, const std::vector<Run>& runs, Side& side,
            const std::function<Trace()>& trace) {
    std::string why;
    if (!rig.start(why)) {
        std::fprintf(stderr, "realtime_efficiency: %s\n", why.c_str());
        return false;
    }
    side.connection = rig.seconds();
    for (Run r : runs) {
        side.firstFrame.push_back(trace().size());
        const double from = rig.seconds();
        if (!makeRun(rig.tool(), r)) {
            std::fprintf(stderr, "realtime_efficiency: %s did not complete: %s\n", runName(r),
                         rig.why().c_str());
            return false;
        }
        side.runs[r] = rig.seconds() - from;
    }
    side.trace = trace();
    rig.tool().endProgram();
    return true;
}

void figures(const char* name, double wall, double recorder) {
    std::printf("%s_wall_s: %.3f\n", name, wall);
    std::printf("%s_recorder_s: %.3f\n", name, recorder);
    std::printf("%s_realtime_efficiency: %.4f\n", name, recorder / wall);
}

// A frame's text between STX and ETX.
std::string text(const std::string& frame) {
    return frame.size() > 2 ? frame.substr(1, frame.size() - 2) : frame;
}

// The frames of a trace. With `collapse`, a loop that goes round until the
// recorder is ready (a body of up to four frames repeated) is counted once.
std::vector<std::string> framesOf(const Trace& t, bool collapse) {
    std::vector<std::string> frames;
    for (std::size_t i = 0; i < t.size();) {
        std::size_t body = 0;
        for (std::size_t n = 1; collapse && n <= 4 && !body; ++n)
            if (frames.size() >= n && i + n <= t.size() &&
                std::equal(frames.end() - static_cast<long>(n), frames.end(),
                           t.begin() + static_cast<long>(i),
                           [](const std::string& f, const Exchange& e) { return f == e.frame; }))
                body = n;
        if (body) {
            i += body;
        } else {
            frames.push_back(t[i].frame);
            ++i;
        }
    }
    return frames;
}

// Writes a trace, one frame a line with the time it was sent and its reply came.
void writeTrace(const std::string& path, const Trace& t) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return;
    for (const Exchange& e : t)
        std::fprintf(f, "%.4f %.4f %s\n", e.sentAt, e.repliedAt, text(e.frame).c_str());
    std::fclose(f);
}

// Where the two lines first differ, or "" when they hold the same frames.
std::string firstDifference(const Side& real, const Side& virt, bool collapse) {
    const std::vector<std::string> a = framesOf(real.trace, collapse),
                                   b = framesOf(virt.trace, collapse);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string x = i < a.size() ? a[i] : "(none)";
        const std::string y = i < b.size() ? b[i] : "(none)";
        if (x == y) continue;
        return "frame " + std::to_string(i) + ": real " + text(x) + ", virtual " + text(y);
    }
    return {};
}

// The time the real run took beyond the virtual one, split into the
// exchanges (frame written to the last arrival of its reply) and the gaps
// between them, over the frames both lines have in common.
void overheads(const Trace& real, const Trace& virt) {
    double exchange = 0, gap = 0, worstExchange = 0;
    std::size_t exchanges = 0;
    const std::size_t n = std::min(real.size(), virt.size());
    for (std::size_t i = 0; i < n && real[i].frame == virt[i].frame; ++i) {
        if (real[i].repliedAt >= 0 && virt[i].repliedAt >= 0) {
            const double d =
                (real[i].repliedAt - real[i].sentAt) - (virt[i].repliedAt - virt[i].sentAt);
            exchange += d;
            worstExchange = std::max(worstExchange, d);
            ++exchanges;
            if (i + 1 < n)
                gap += (real[i + 1].sentAt - real[i].repliedAt) -
                       (virt[i + 1].sentAt - virt[i].repliedAt);
        }
    }
    std::printf("exchanges_compared: %zu\n", exchanges);
    std::printf("exchange_overhead_s: %.3f\n", exchange);
    std::printf("exchange_overhead_mean_ms: %.3f\n", exchanges ? exchange / exchanges * 1e3 : 0.0);
    std::printf("exchange_overhead_max_ms: %.3f\n", worstExchange * 1e3);
    std::printf("between_exchanges_overhead_s: %.3f\n", gap);
}

}  // namespace

int main(int argc, char** argv) {
    // The dialogs are answered by the script: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string frames;
    std::vector<Run> runs(std::begin(AllRuns), std::end(AllRuns));
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = argv[++i];
        else if (std::strcmp(argv[i], "--quick") == 0)
            runs.clear();
    }

    Side virt, real;
    {
        VirtualRig rig;
        if (!runAll(rig, runs, virt, [&rig] { return rig.trace(); })) return 1;
    }
    if (!frames.empty()) writeTrace(frames + ".virtual.txt", virt.trace);
    {
        Trace trace;
        RealTimeRig rig(&trace);
        if (!runAll(rig, runs, real, [&trace] { return trace; })) return 1;
    }
    if (!frames.empty()) writeTrace(frames + ".real.txt", real.trace);

    const std::string difference = firstDifference(real, virt, false);
    const std::string loops = firstDifference(real, virt, true);
    std::printf("frames_real: %zu\n", real.trace.size());
    std::printf("frames_virtual: %zu\n", virt.trace.size());
    std::printf("frames_match: %s\n", difference.empty() ? "yes, the same frames in the same order"
                                                         : ("no, " + difference).c_str());
    // A loop that polls until the recorder is ready goes round as often as the
    // time it waits for allows: a millisecond more or less on the line may
    // make it go round once more or less without changing the run.
    std::printf("frames_match_loops_counted_once: %s\n",
                loops.empty() ? "yes" : ("no, " + loops).c_str());
    for (std::size_t k = 0; k < runs.size(); ++k) {
        auto count = [k](const Side& s) {
            const std::size_t end =
                k + 1 < s.firstFrame.size() ? s.firstFrame[k + 1] : s.trace.size();
            return end - s.firstFrame[k];
        };
        std::printf("frames_%s: real %zu, virtual %zu\n", runName(runs[k]), count(real),
                    count(virt));
    }

    figures("connection", real.connection, virt.connection);
    std::map<std::string, std::pair<double, double>> programmes;
    double wall = real.connection, recorder = virt.connection;
    for (Run r : runs) {
        figures(runName(r), real.runs[r], virt.runs[r]);
        programmes[programmeName(r)].first += real.runs[r];
        programmes[programmeName(r)].second += virt.runs[r];
        wall += real.runs[r];
        recorder += virt.runs[r];
    }
    for (const char* p : {"error_rate", "adjust", "upload"})
        if (const auto f = programmes.find(p); f != programmes.end())
            figures(p, f->second.first, f->second.second);
    std::printf("all_wall_s: %.3f\n", wall);
    std::printf("all_recorder_s: %.3f\n", recorder);
    std::printf("realtime_efficiency: %.4f\n", recorder / wall);
    overheads(real.trace, virt.trace);
    return loops.empty() ? 0 : 1;
}
