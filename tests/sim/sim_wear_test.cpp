// Heads that wear with drum hours: the meter, ageing between visits, and the
// truth the simulator tells of when a head needs adjusting and replacing.
#include <gtest/gtest.h>

#include "sim_rig.h"

namespace rf::test {
namespace {

std::string meter(SimRig& rig) {
    const auto f = rig.rs.QhrRead(0);
    return f[0] + f[1] + f[2];
}

// The worst of the four error fields, as the recorder reports them (steps).
int worst(SimRig& rig) {
    const auto rates = rig.rs.ErrRateRead(link::ErrRateMode::Bcd, 0).rates;
    return *std::max_element(rates.begin(), rates.end());
}

// The meter counts hours of running tape and the ageing; the heads wear with
// it in whole hours, and every measurement sees it.
TEST(HeadWear, TheMeterCountsRunningTapeAndAgeingAndMeasurementsSeeTheWear) {
    SimRig rig({.drumHours = 2000});
    rig.load("BLANK");
    rig.wait(2h);  // threaded and standing: no tape runs
    EXPECT_EQ(meter(rig), "002000");
    rig.until(link::Transport::Rec, "REC");
    rig.wait(3590s);
    EXPECT_EQ(rig.recorder.wearAge(rig.now()), 0);
    rig.wait(20s);
    EXPECT_EQ(meter(rig), "002001");
    rig.rs.TransportCtrl(link::Transport::Eject);
    rig.load("HDLP MASTER");
    rig.until(link::Transport::Play, "PLAY");
    rig.rs.RmSet("000000000");
    rig.wait(10s);
    const int fresh = worst(rig);
    rig.recorder.ageBy(30000);
    EXPECT_EQ(meter(rig), "032001");
    EXPECT_GE(worst(rig), fresh + 5);  // a decade worse at least: worn out
}

// The truth of each head judged by the model's own rates, evaluated directly.
TEST(HeadWear, ReplacementAndReadjustmentAgesAreWhereTheRatesCrossTheLimit) {
    for (const std::uint64_t seed : {1u, 7u, 12u}) {
        const sim::SignalModel m(seed);
        for (int ch = 0; ch < 2; ++ch)
            for (int head = 0; head < 2; ++head) {
                SCOPED_TRACE(testing::Message() << "seed " << seed << " head " << ch << head);
                // A record head, against the limit of its recording played back.
                const auto replace = m.recReplacementAge(7, ch, head, -4.1);
                ASSERT_TRUE(replace);
                EXPECT_GT(*replace, 2500);
                EXPECT_LT(*replace, 16000);
                EXPECT_LE(m.recAsLeftErr(7, ch, head, *replace - 1), -4.1);
                EXPECT_GT(m.recAsLeftErr(7, ch, head, *replace), -4.1);
                // Adjusted right at 1000 h, it drifts beyond the limit; adjusted
                // again there, it is within it, until it is worn out.
                const sim::RecBest b = m.best(7, ch, head, 1000);
                const sim::RecSetting left{b.current, b.frequency};
                const auto again = m.recReadjustAge(7, ch, head, left, 1000, -4.1);
                ASSERT_TRUE(again);
                ASSERT_GT(*again, 1000);
                EXPECT_LE(m.recordErr(7, ch, head, left, *again - 1), -4.1);
                EXPECT_GT(m.recordErr(7, ch, head, left, *again), -4.1);
                if (*again < *replace) {
                    EXPECT_LE(m.recAsLeftErr(7, ch, head, *again), -4.1);
                }

                // A DV playback head, against the four-channel limit.
                const auto pbReplace = m.pbReplacementAge(1, 1, 0, ch, head, -4.3);
                ASSERT_TRUE(pbReplace);
                EXPECT_GT(m.pbAsLeftErr(1, 1, 0, ch, head, *pbReplace), -4.3);
                EXPECT_LE(m.pbAsLeftErr(1, 1, 0, ch, head, *pbReplace - 1), -4.3);
                const sim::PbChannelTruth t = m.pbChannel(1, 1, 0, ch, 1000);
                std::array<std::int16_t, 29> block{};
                block[9] = static_cast<std::int16_t>(t.vcoOpt);
                for (std::size_t i = 0; i < 12; ++i)
                    block[17 + i] = static_cast<std::int16_t>(t.tapOpt[i]);
                const auto pbAgain = m.pbReadjustAge(1, 1, 0, ch, head, block, 1000, -4.3);
                ASSERT_TRUE(pbAgain);
                ASSERT_GT(*pbAgain, 1000);
                EXPECT_LE(m.playbackErr(1, 1, 0, ch, head, block, *pbAgain - 1), -4.3);
                EXPECT_GT(m.playbackErr(1, 1, 0, ch, head, block, *pbAgain), -4.3);
            }
    }
}

}  // namespace
}  // namespace rf::test
