#include <gtest/gtest.h>

#include <cmath>

#include "tool_rig.h"

namespace rf::adjust {
namespace {

using run::ProgramItem;
using test::ToolRig;

// The whole Adjust programme on every block of one simulated recorder, as an
// operator runs it with the tape changer loaded.
struct AdjustRun : ToolRig {
    explicit AdjustRun(std::uint64_t seed)
        : ToolRig(sim::RecorderConfig{.seed = seed, .autoChanger = true}) {
        EXPECT_TRUE(startUp());
        for (int ch = 0; ch <= 1; ++ch)
            found[static_cast<std::size_t>(ch)] = recorder.recValues(0, 7, 2, 0, ch);
        tool.choose(ProgramItem::Adjust);
        tool.partAdjCheck(0);  // ALL
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
        tool.choose(ProgramItem::Start);
    }
    std::array<sim::RecItems, 2> found;
};

// The record heads' error-rate results by channel and head: the heads are
// logged L1, L2, R2, R1, and the record values count head 1 then head 2.
int errHead(int ch, int head) {
    return ch == 0 ? head : 3 - head;
}

TEST(AdjustClosedLoop, OnFiftyRecordersEveryHeadEndsNearItsBestValuesAndRecordsBetterThanAsFound) {
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        SCOPED_TRACE(seed);
        AdjustRun run(seed);
        EXPECT_FALSE(run.tool.flags().stop.requested());
        // No LevelRate message and no other question after the serial number.
        EXPECT_EQ(run.dialogs().shown().size(), 2u);
        const sim::SignalModel& truth = run.recorder.signal();
        for (int ch = 0; ch <= 1; ++ch) {
            const auto c = static_cast<std::size_t>(ch);
            for (int head = 0; head <= 1; ++head) {
                const sim::RecBest best = truth.best(fmt::HdLp, ch, head);
                const int current = run.tool.tables().RecData(7, 2, 0, 0, ch, head);
                const int frequency = run.tool.tables().RecData(7, 2, 0, 0, ch, 2 + head);
                EXPECT_LE(std::abs(current - best.current), 2) << "ch " << ch << " head " << head;
                EXPECT_LE(std::abs(frequency - best.frequency), 3)
                    << "ch " << ch << " head " << head;
                // A recorder's curve: the low band peaks, then falls with
                // over-recording; the references stand far above the noise.
                auto low = [&](int c) {
                    return truth.recordLevel(fmt::HdLp, ch, head, sim::Band::Low, {c, -90});
                };
                EXPECT_GT(low(50), std::max(low(127) + 5, low(-80) * 5));
                EXPECT_GT(run.tool.tables().RecEnvLevel(ch, ch == 0 ? head : 1 - head, 0), 30.0f);
                // A recording at the values found errs at least ten times as often.
                const double asFound =
                    truth.recordErr(fmt::HdLp, ch, head,
                                    {run.found[c][static_cast<std::size_t>(head)],
                                     run.found[c][static_cast<std::size_t>(2 + head)]});
                for (int g = 0; g < 3; ++g)
                    EXPECT_LE(run.tool.rates().ErrResLp(7, 1, 0, g, errHead(ch, head), 3),
                              asFound - 1.0)
                        << "ch " << ch << " head " << head << " group " << g;
            }
            // Stored where the recorder keeps its adjustment, and in use.
            for (int area = 0; area <= 1; ++area)
                for (int item = 0; item < 4; ++item)
                    EXPECT_EQ(
                        run.recorder.recValues(area, 7, 2, 0, ch)[static_cast<std::size_t>(item)],
                        run.tool.tables().RecData(7, 2, 0, 0, ch, item));
        }
        EXPECT_FALSE(run.recorder.adjustMode());
    }
}

}  // namespace
}  // namespace rf::adjust
