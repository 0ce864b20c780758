#include <gtest/gtest.h>

#include "sim_rig.h"

namespace rf::test {
namespace {

using link::AdjMode;
using link::AdjRunKind;
using link::ErrRateMode;
using link::LevelKind;
using link::RecKind;
using link::TimeCodeMode;

// The fields of a time code or a remaining time, joined.
template <std::size_t N>
std::string joined(const std::array<std::string, N>& fields) {
    std::string out;
    for (const auto& f : fields)
        out += f;
    return out;
}

// The identity, the tape library, the search and the faults the tool meets
// are run end to end by the tool's own tests on this recorder.
TEST(SimulatedRecorder, TransportRunsInTimeAndRecordsOnlyOnBlankTapeFromItsGenerator) {
    SimRig rig;
    rig.recorder.insert("HDLP MASTER", rig.now());
    EXPECT_EQ(rig.rs.StatusRead(), "EJECT");  // still threading
    rig.wait(3s);
    EXPECT_THROW(rig.rs.TransportCtrl(link::Transport::Rec), RfError);  // protected: error replies
    rig.rs.TransportCtrl(link::Transport::Play);
    rig.wait(60s);
    // Thirty minutes of tape, one minute played (and the half second of the command).
    EXPECT_EQ(joined(rig.rs.QhrRead(1)).substr(0, 4), "0028");
    EXPECT_EQ(joined(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)).substr(0, 6), "000100");
    rig.rs.TransportCtrl(link::Transport::Rew);
    rig.wait(1s);
    EXPECT_EQ(rig.rs.StatusRead(), "REW");
    rig.wait(2s);  // about 61 s of tape at thirty times play speed
    EXPECT_EQ(rig.rs.StatusRead(), "STOP");
    EXPECT_EQ(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)[2], "00");
    rig.rs.TransportCtrl(link::Transport::FF);
    EXPECT_EQ(rig.rs.StatusRead(), "FF");
    for (auto counter : {link::Transport::TcSel, link::Transport::CtlSel, link::Transport::CtlRst})
        rig.rs.TransportCtrl(counter);
    EXPECT_EQ(rig.rs.QhrRead(0)[0].size(), 2u);  // the hours meter
    rig.rs.TransportCtrl(link::Transport::Stop);
    rig.rs.TransportCtrl(link::Transport::StbOff);
    EXPECT_EQ(rig.rs.StatusRead(), "STBOF");
    rig.rs.TransportCtrl(link::Transport::Eject);

    rig.load("BLANK");
    rig.rs.TransportCtrl(link::Transport::Rec);
    rig.rs.CtsSet("23595500");
    EXPECT_EQ(joined(rig.rs.TimeCodeRead(TimeCodeMode::Tcg)).substr(0, 6), "235955");
    rig.wait(10s);
    // Read while recording, the time code is the generator's, past midnight.
    EXPECT_EQ(joined(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)).substr(0, 4), "0000");
}

TEST(SimulatedRecorder, StoresLevelBlocksAndRecordValuesPerBlockAndArea) {
    SimRig rig;
    const BlockSel sel{7, 2, 1, 0, 1};
    EXPECT_THROW(rig.rs.LevelRead(sel, LevelKind::Eq200), RfError);  // not in adjustment mode
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    auto asFound = rig.rs.LevelRead(sel, LevelKind::Eq200);
    EXPECT_NEAR(asFound.items[9], 400, 25);
    EXPECT_EQ(rig.rs.LevelRead(sel, LevelKind::Eq).items[9], 400);
    std::array<std::int16_t, 29> written{};
    asFound.applyTo(written);
    written[9] = 432;
    written[17] = -5;
    written[28] = 7;
    written[2] = -19;
    rig.rs.LevelSet(sel, LevelKind::Eq200, written);
    rig.rs.LevelSet(sel, LevelKind::Rf, written);
    auto back = rig.rs.LevelRead(sel, LevelKind::Eq200);
    EXPECT_EQ(back.items[9], 432);
    EXPECT_EQ(back.items[17], -5);
    EXPECT_EQ(back.items[28], 7);
    EXPECT_EQ(rig.rs.LevelRead(sel, LevelKind::Rf).items[2], -19);

    std::array<std::int16_t, 5> rec{-30, 12, -70, -44, 0};
    rig.rs.RecValueSet({7, 2, 0, 0, 1}, RecKind::Curr, rec);
    rig.rs.RecValueSet({7, 2, 0, 0, 1}, RecKind::Freq, rec);
    EXPECT_EQ(rig.rs.RecValueRead({7, 2, 0, 0, 1}, RecKind::Curr),
              (std::array<std::int16_t, 2>{-30, 12}));
    EXPECT_EQ(rig.rs.RecValueRead({7, 2, 0, 0, 1}, RecKind::Freq),
              (std::array<std::int16_t, 2>{-70, -44}));
    // The other area keeps its own values.
    rig.rs.AdjModeSet(AdjMode::Stop);
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 1);
    EXPECT_EQ(rig.rs.LevelRead(sel, LevelKind::Eq200).items[9], asFound.items[9]);
}

TEST(SimulatedRecorder, OwnAdjustmentsMoveVcoAndTapsAndMeasurementsFollowTheTape) {
    SimRig rig;
    rig.load("HDLP MASTER");
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    rig.rs.RmSet("000000000");  // conf heads
    rig.rs.AdjRun(0, AdjRunKind::Vco);
    rig.rs.AdjRun(0, AdjRunKind::Tap);
    const auto truth = rig.recorder.signal().pbChannel(7, 1, 0, 1);
    auto block = rig.rs.LevelRead({7, 2, 1, 0, 1}, LevelKind::Eq200);
    EXPECT_NEAR(block.items[9], truth.vcoOpt, 2);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_NEAR(block.items[17 + i], truth.tapOpt[i], 1);

    rig.rs.TransportCtrl(link::Transport::Play);
    rig.rs.RmSet("000100010");
    rig.wait(12s);
    auto rates = rig.rs.ErrRateRead(ErrRateMode::Bcd, 0);
    for (int step : rates.rates)
        EXPECT_LE(step, 5);  // an adjusted channel plays the master well
    // The marks are the time code of the tape position.
    EXPECT_EQ(joined(rates.marks).substr(0, 6),
              joined(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)).substr(0, 6));
}

}  // namespace
}  // namespace rf::test
