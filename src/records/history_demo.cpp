#include "records/history_demo.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "demo/demo.h"
#include "history/trends.h"
#include "platform/virtual/virtual_platform.h"
#include "records/run_keeper.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"
#include "state/error_rates.h"

namespace rf::records {

namespace {

constexpr int VisitSpacing = 500;  // drum hours of work between two visits
constexpr int Fmt = fmt::HdLp, Rpm = rpm::Rpm18000;

std::string hours(std::optional<int> h) {
    return h ? std::to_string(*h) : std::string("-");
}

// One run of every block of the programme; whether it reached its end.
bool runAll(app::Tool& tool, run::ProgramItem programme) {
    tool.choose(programme);
    tool.partAdjCheck(0);
    tool.choose(run::ProgramItem::Start);
    const auto& last = tool.runControl().lastRun();
    return !tool.ended() && last && last->completed();
}

}  // namespace

int runHistoryDemo(int visits, std::ostream& out, std::ostream& err) {
    if (visits < 1) {
        err << "rfadjust: the history demo needs one visit at least\n";
        return 2;
    }
    if (const auto refusal = demo::simulatorRefusal()) {
        err << *refusal << '\n';
        return 2;
    }
    platform::virt::VirtualPlatform platform(demo::localNow());
    sim::Recorder recorder(sim::builtInRecorderConfig());
    sim::SimPeer peer(recorder, platform);
    platform.setPeer(&peer);
    platform.dialogs().setFallback(
        [](const platform::virt::DialogRecord& d) { return demo::unattendedAnswer(d); });
    app::Tool tool(platform);
    std::shared_ptr<store::RecordsStore> store;
    try {
        store = std::make_shared<store::RecordsStore>(std::filesystem::current_path());
    } catch (const store::StoreError& e) {
        err << "rfadjust: " << e.what() << '\n';
        return 1;
    }
    tool.setRunKeeper(runKeeper(tool, store, "demo"));

    // What each head works with after the last adjustment, for the truth of
    // when it needs adjusting again.
    std::array<sim::RecSetting, 4> recLeft{};
    std::array<std::array<std::int16_t, 29>, 2> rpLeft{};
    int adjustedAt = 0;
    try {
        if (!tool.Main()) {
            err << "rfadjust: the demo could not start: "
                << demo::lastErrorShown(platform.dialogs()) << '\n';
            return 1;
        }
        for (int visit = 0; visit < visits; ++visit) {
            if (visit > 0) recorder.ageBy(VisitSpacing);
            if (!runAll(tool, run::ProgramItem::ErrorRate) ||
                !runAll(tool, run::ProgramItem::Adjust)) {
                err << "rfadjust: visit " << visit + 1
                    << " did not complete: " << demo::lastErrorShown(platform.dialogs()) << '\n';
                return 1;
            }
            if (!tool.window().RecordsNotice.empty()) {
                err << "rfadjust: " << tool.window().RecordsNotice << '\n';
                return 1;
            }
            adjustedAt = recorder.wearAge(platform.elapsed());
            for (int ch = 0; ch < 2; ++ch) {
                for (int head = 0; head < 2; ++head)
                    recLeft[std::size_t(ch * 2 + head)] = recorder.headSetting(Fmt, Rpm, ch, head);
                rpLeft[std::size_t(ch)] = recorder.levelBlock(0, Fmt, Rpm, 0, 0, ch);
            }
        }
    } catch (const ProgramEnd&) {
        err << "rfadjust: the demo ended: " << demo::lastErrorShown(platform.dialogs()) << '\n';
        return 1;
    }
    const std::string name = tool.recorder().VtrName;
    tool.endProgram();

    const auto runs = store->recorderRuns(name);
    const auto visitsKept = history::groupVisits(runs);
    const int start = sim::builtInRecorderConfig().drumHours;
    const sim::SignalModel& model = recorder.signal();
    out << name << " (simulated recorder): " << visitsKept.size() << " visits of " << VisitSpacing
        << " drum hours, " << runs.size() << " runs in the records store\n";
    out << "Own recording's error rate (Self VIDEO), limit " << PlaybackHeadLimit
        << "; drum hours, the simulator's truth beside each forecast:\n";
    char line[160];
    std::snprintf(line, sizeof line, "%-5s %10s %10s %18s %10s %10s\n", "head", "interval", "truth",
                  "replacement", "band", "truth");
    out << line;
    for (const history::HeadForecast& f : history::forecastAll(visitsKept)) {
        if (f.key.measurement != "Self VIDEO") continue;
        const int index = int(std::find(history::Heads.begin(), history::Heads.end(), f.key.head) -
                              history::Heads.begin());
        const int ch = index / 2, head = index % 2;
        const auto truthReplace = model.selfReplacementAge(Fmt, ch, head, PlaybackHeadLimit, 40000);
        const auto truthAgain = model.selfReadjustAge(Fmt, ch, head, recLeft[std::size_t(index)],
                                                      rpLeft[std::size_t(ch)], adjustedAt,
                                                      PlaybackHeadLimit, adjustedAt + 40000);
        const auto drum = [start](std::optional<int> age) {
            return age ? std::optional<int>(start + *age) : std::nullopt;
        };
        if (f.state != history::ForecastState::Forecast) {
            out << f.key.head << ": not enough visits (" << f.visits << ")\n";
            continue;
        }
        const std::string band = hours(f.replacementEarliest) + "-" + hours(f.replacementLatest);
        std::snprintf(
            line, sizeof line, "%-5s %10s %10s %18s %10s %10s\n", f.key.head.c_str(),
            hours(f.intervalHours).c_str(),
            hours(truthAgain ? std::optional<int>(*truthAgain - adjustedAt) : std::nullopt).c_str(),
            hours(f.replacementHours).c_str(), band.c_str(), hours(drum(truthReplace)).c_str());
        out << line;
    }
    out << "Records store: " << store->settings().describe() << '\n';
    return 0;
}

}  // namespace rf::records
