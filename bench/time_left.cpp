// How right the time left is. The whole tool on the Qt platform, its dialogs
// answered by a script, makes runs on one block against vtrsim over a
// pseudo-terminal in real time, each rehearsed first as the tool does: Error
// Rate and Adjust on the MAGVEX HDLP Conf playback block, and Adjust on the
// HDLP record block (about 9 minutes in all). At a
// quarter, half and three quarters of each run's own work time (the time
// spent on tapes left out, as the estimate leaves it out) it prints the time
// left the window showed, the time the run really took from there, and the
// error in per cent of the latter.
//
//   time_left [--virtual]
//     --virtual   the same runs in virtual time against the simulated recorder
//                 (a second or two; the test suite's run, to see that the
//                 rig still works)
#include <QApplication>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "demo/rehearsal.h"
#include "realtime_rig.h"

namespace {

using namespace rf::bench;
using rf::run::Millis;

struct Sample {
    Millis work;
    std::string shown;
};

// The run's time left in a "Time left: block 2:41, run 14:05" text.
Millis runLeft(const std::string& text) {
    const auto at = text.find("run ");
    if (at == std::string::npos) return Millis{-1};
    int h = 0, m = 0, s = 0;
    const int n = std::sscanf(text.c_str() + at + 4, "%d:%d:%d", &h, &m, &s);
    return n == 3 ? Millis{((h * 60 + m) * 60 + s) * 1000} : Millis{(h * 60 + m) * 1000};
}

template <typename Rig>
bool measure(Rig& rig, Run r) {
    rf::app::Tool& tool = rig.tool();
    tool.setRunEstimator(rf::demo::rehearse);
    std::vector<Sample> samples;
    auto timer = rig.platform().createTimer();
    timer->setInterval(250);
    timer->setHandler([&] {
        const auto& ctx = tool.context();
        if (ctx.timeline.running() && !tool.window().TimeLeft.empty())
            samples.push_back({ctx.timeline.workTime(ctx.clock.now()), tool.window().TimeLeft});
    });
    timer->setEnabled(true);
    if (!makeRun(tool, r)) {
        std::fprintf(stderr, "time_left: %s did not complete: %s\n", runName(r), rig.why().c_str());
        return false;
    }
    timer->setEnabled(false);
    const auto length = tool.context().timeline.length();
    if (!length || samples.empty()) {
        std::fprintf(stderr, "time_left: %s showed no time left\n", runName(r));
        return false;
    }
    std::printf("%s_work_s: %.1f\n", runName(r), static_cast<double>(length->count()) / 1000);
    for (const int percent : {25, 50, 75}) {
        const Millis when{length->count() * percent / 100};
        auto s = samples.begin();
        while (s + 1 != samples.end() && s->work < when)
            ++s;
        const double actual = static_cast<double>((*length - s->work).count()) / 1000;
        const double shown = static_cast<double>(runLeft(s->shown).count()) / 1000;
        std::printf("%s_at_%d_shown_s: %.0f\n", runName(r), percent, shown);
        std::printf("%s_at_%d_actual_s: %.1f\n", runName(r), percent, actual);
        std::printf("%s_at_%d_error_pct: %.1f\n", runName(r), percent,
                    actual > 0 ? 100 * (shown - actual) / actual : 0.0);
    }
    return true;
}

template <typename Rig>
int runBoth(Rig& rig) {
    std::string why;
    if (!rig.start(why)) {
        std::fprintf(stderr, "time_left: %s\n", why.c_str());
        return 1;
    }
    for (Run r : {Run::ErrorRatePb, Run::AdjustPb, Run::AdjustRec})
        if (!measure(rig, r)) return 1;
    rig.tool().endProgram();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The dialogs are answered by the script: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool virtualTime = argc > 1 && std::strcmp(argv[1], "--virtual") == 0;
    std::printf("time: %s\n", virtualTime ? "virtual" : "real");
    if (virtualTime) {
        VirtualRig rig;
        return runBoth(rig);
    }
    RealTimeRig rig;
    return runBoth(rig);
}
