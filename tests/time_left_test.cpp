// The time left of a run, estimated from a rehearsal on the built-in simulated
// recorder and judged by how long the run on another simulated recorder (its
// own heads, no tape changer) really takes, with an operator who takes a
// minute and a half over each tape asked for.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "demo/demo.h"
#include "demo/rehearsal.h"
#include "tool_rig.h"

namespace rf {
namespace {

using namespace std::chrono_literals;
using run::Millis;
using run::ProgramItem;
using shell::CheckBoxId;

// "Time left: block 2:41, run 1:04:05" as the block's and the run's time.
std::optional<run::TimeLeft> parse(const std::string& text) {
    int b[3] = {}, r[3] = {};
    const auto seconds = [](const char* field, int* part) {
        const int n = std::sscanf(field, "%d:%d:%d", &part[0], &part[1], &part[2]);
        return n == 3 ? Millis{((part[0] * 60 + part[1]) * 60 + part[2]) * 1000}
                      : Millis{(part[0] * 60 + part[1]) * 1000};
    };
    const auto block = text.find("block "), run = text.find("run ");
    if (block == std::string::npos || run == std::string::npos) return std::nullopt;
    return run::TimeLeft{seconds(text.c_str() + block + 6, b), seconds(text.c_str() + run + 4, r)};
}

struct Sample {
    Millis work;
    run::TimeLeft shown;
    bool waiting;
};

TEST(TimeLeft, FollowsARunOnAnotherRecorderAndLeavesOutTheOperatorsTime) {
    const std::map<std::string, std::string> tapeOfPrompt = {
        {"Please Insert DV Master Tape", "DV MASTER"},
        {"Please Insert 25M Master Tape", "25M MASTER"},
        {"Please Insert 50M Check Tape", "50M CHECK"},
        {"Please Insert HDSP Check Tape", "HDSP CHECK"},
        {"Please Insert HDLP Master Tape", "HDLP MASTER"},
        {"Please Insert MAGVEX Blank Tape", "BLANK"}};
    // The third run's recorder answers at a quarter of the line speed the
    // rehearsal assumes: the estimate takes up the run's own pace.
    for (const auto& [adjust, baud] : {std::pair{false, 9600}, {true, 9600}, {false, 2400}}) {
        SCOPED_TRACE(std::string(adjust ? "Adjust on the record block"
                                        : "Error Rate on two playback blocks") +
                     " at " + std::to_string(baud) + " baud");
        test::ToolRig rig({.seed = 5, .baud = baud});
        rig.tool.setRunEstimator(demo::rehearse);
        ASSERT_TRUE(rig.startUp());
        rig.dialogs().setFallback(
            [](const platform::virt::DialogRecord& d) { return demo::unattendedAnswer(d); });
        std::vector<Sample> samples;
        bool inserting = false;
        auto timer = rig.platform.createTimer();
        timer->setInterval(1000);
        timer->setHandler([&] {
            const auto& ctx = rig.tool.context();
            if (!ctx.timeline.running()) return;
            if (const auto shown = parse(rig.tool.window().TimeLeft))
                samples.push_back({ctx.timeline.workTime(ctx.clock.now()), *shown,
                                   ctx.clock.waitingForOperator()});
            const auto tape = tapeOfPrompt.find(rig.tool.window().Message.caption);
            if (tape == tapeOfPrompt.end() || inserting) return;
            inserting = true;
            rig.at(rig.now() + 90s, [&, name = tape->second] {
                rig.recorder.insert(name, rig.now());
                inserting = false;
            });
        });
        timer->setEnabled(true);

        rig.tool.choose(adjust ? ProgramItem::Adjust : ProgramItem::ErrorRate);
        rig.tool.partAdjCheck(adjust ? 2 : 1);
        if (!adjust)  // the first two playback blocks
            for (CheckBoxId box : {CheckBoxId::PbLp1, CheckBoxId::PbLp3, CheckBoxId::PbLp4,
                                   CheckBoxId::PbSp, CheckBoxId::PbPro, CheckBoxId::PbDv})
                rig.tool.checkBox(box);
        rig.tool.choose(ProgramItem::Start);
        ASSERT_TRUE(rig.tool.runControl().lastRun() &&
                    rig.tool.runControl().lastRun()->completed());

        const Millis length = *rig.tool.context().timeline.length();
        ASSERT_GT(samples.size(), 10u);
        EXPECT_EQ(rig.tool.window().TimeLeft, "");  // gone with the run
        // At a quarter, half and three quarters of the run's own time, the
        // run's time left is within 10 % of what it really took.
        for (const double part : {0.25, 0.5, 0.75}) {
            const auto s = std::find_if(samples.begin(), samples.end(), [&](const Sample& x) {
                return x.work >= Millis{static_cast<long>(part * length.count())};
            });
            ASSERT_NE(s, samples.end());
            const double actual = static_cast<double>((length - s->work).count());
            // (The window counts in whole seconds, and is looked at every second.)
            EXPECT_NEAR(static_cast<double>(s->shown.run.count()), actual,
                        std::max(0.10 * actual, 2000.0))
                << "at " << part * 100 << " % of " << length.count() / 1000 << " s";
            // Of two blocks, the first ends before the run.
            if (!adjust && part == 0.25) {
                EXPECT_LT(s->shown.block, s->shown.run);
            }
            EXPECT_LE(s->shown.block, s->shown.run);
        }
        // While a tape is awaited the count stands still (once the window
        // has caught up with the wait).
        const auto waiting = std::search_n(samples.begin(), samples.end(), 3, true,
                                           [](const Sample& x, bool) { return x.waiting; });
        ASSERT_NE(waiting, samples.end());
        EXPECT_EQ(std::next(waiting)->shown, std::next(waiting, 2)->shown);
        EXPECT_NE(rig.tool.context().timeline.marks().size(), 0u);
    }
}

}  // namespace
}  // namespace rf
