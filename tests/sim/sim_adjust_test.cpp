#include <gtest/gtest.h>

#include <cstdio>

#include "error_of.h"
#include "record_sweeps.h"

namespace rf::test {
namespace {

// The record adjustment's sweeps as the tool makes them, over the line in
// virtual time and read by the tool's own calculations, choose every head's
// current and frequency within 2 and 3 of the simulated head's best values.
// Those record clearly better than the defaults and play back at the master
// tape's level. Read right after a new current, without the 2 s of recording
// first, the points still show the recording before.
TEST(SimulatedAdjustment, TheSweepsOfTheRecordAdjustmentFindEveryHeadsBestValues) {
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        SimRig rig({.seed = seed});
        rig.load("BLANK");
        RecordSweeps sweeps(rig);
        sweeps.run();
        const sim::SignalModel& model = rig.recorder.signal();
        for (int ch = 0; ch < 2; ++ch)
            for (int head = 0; head < 2; ++head) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " ch " + std::to_string(ch) +
                             " head " + std::to_string(head));
                const auto best = model.best(7, ch, head);
                EXPECT_NEAR(sweeps.rec[ch][head], best.current, 2);
                EXPECT_NEAR(sweeps.rec[ch][2 + head], best.frequency, 3);
                // Tens of units above the noise; the low band peaks, then falls
                // with over-recording.
                EXPECT_GT(sweeps.reference[ch][ch == 0 ? head : 1 - head][0], 30.0f);
                auto low = [&](int c) {
                    return model.recordLevel(7, ch, head, sim::Band::Low, {c, -90});
                };
                EXPECT_GT(low(50), std::max(low(127) + 5, low(-80) * 5));
                const sim::RecSetting chosen{best.current, best.frequency};
                EXPECT_LT(model.recordErr(7, ch, head, chosen),
                          model.recordErr(7, ch, head, sim::DefaultLpSetting) - 1.0);
                EXPECT_NEAR(0.97 * model.recordLevel(7, ch, head, sim::Band::Low, chosen) /
                                model.masterLevel(7, ch, head, sim::Band::Low),
                            1.0, 0.3);  // inside the LevelRate check's 0.68 to 1.47
            }
        EXPECT_TRUE(rig.platform.dialogs().shown().empty());
        if (seed > 1) continue;
        SimRig hasty({.seed = seed});
        hasty.load("BLANK");
        RecordSweeps early(hasty, false);
        early.run();
        float lag = 0;  // the rising flank of head L1's current sweep
        for (int p = 2; p <= 9; ++p)
            lag += sweeps.levels[0](p, 0) - early.levels[0](p, 0);
        EXPECT_GT(lag, 8.0f);
    }
}

// No crossing (answered Ignore), the first of two rises, the last threshold, 0.
TEST(SimulatedAdjustment, CurveFaultsLeadTheCalculationsDownEachOfTheirPaths) {
    const std::vector<std::pair<std::string, int>> cases = {{"curveflat", 0},
                                                            {"curvefalls", 0},
                                                            {"curvetwice", 0},
                                                            {"curvelow", 0},
                                                            {"refzero", err::DivisionByZero}};
    for (const auto& [fault, error] : cases) {
        SCOPED_TRACE(fault);
        SimRig rig;
        *rig.recorder.faults().stateSwitch(fault) = true;
        rig.load("BLANK");
        const bool lost = fault == "curveflat" || fault == "curvefalls";
        for (const char* text : {"-5dB Point not Found !!", "-2.5dB Point not Found !!"})
            for (int i = 0; lost && i < 4; ++i)
                rig.platform.dialogs().expectMsgBox(text, platform::Answer::Ignore);
        RecordSweeps sweeps(rig);
        EXPECT_EQ(errorOf([&] { sweeps.run(); }), error);
        EXPECT_EQ(rig.platform.dialogs().shown().size(), lost ? 8u : 0u);
        if (fault == "curvetwice") {
            EXPECT_LT(sweeps.rec[0][0], -50);  // the first rise, not the second
            EXPECT_LT(sweeps.rec[1][3], -80);
        }
        EXPECT_EQ(sweeps.reference[0][0][1] == 0.0f, error != 0);
    }
}

}  // namespace
}  // namespace rf::test
