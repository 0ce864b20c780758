#include <gtest/gtest.h>

#include "error_of.h"
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
    // Thirty minutes of tape, a minute played (the servos lock in 0.8 s of it).
    EXPECT_EQ(joined(rig.rs.QhrRead(1)), "002900");
    EXPECT_EQ(joined(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)).substr(0, 6), "000059");
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
    // From standby off the drum spins up for 3 s before the tape plays.
    rig.rs.TransportCtrl(link::Transport::Play);
    EXPECT_EQ((rig.wait(1800ms), rig.rs.StatusRead()), "STBOF");
    EXPECT_EQ((rig.wait(800ms), rig.rs.StatusRead()), "PLAY");
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
    // Area 1 holds the factory's values, untouched by writes to area 0; what is
    // stored there becomes the working value of area 0 as well.
    rig.rs.AdjModeSet(AdjMode::Stop);
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 1);
    const auto factory = rig.rs.LevelRead(sel, LevelKind::Eq200);
    EXPECT_EQ(factory.items[9], 400);
    EXPECT_NE(factory.items, asFound.items);  // the heads' values have drifted
    rig.rs.RecValueSet({7, 2, 0, 0, 0}, RecKind::Curr, rec);
    written[9] = 377;
    rig.rs.LevelSet(sel, LevelKind::Eq200, written);
    rig.rs.AdjModeSet(AdjMode::Stop);
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    EXPECT_EQ(rig.rs.LevelRead(sel, LevelKind::Eq200).items[9], 377);
    EXPECT_EQ(rig.rs.RecValueRead({7, 2, 0, 0, 0}, RecKind::Curr),
              (std::array<std::int16_t, 2>{-30, 12}));
    // A head the recorder does not have: kinds 0 to 3, channels 0 and 1.
    for (const BlockSel bad : {BlockSel{7, 2, 1, 4, 0}, BlockSel{7, 2, 1, 0, 2}}) {
        EXPECT_EQ(errorOf([&] { rig.rs.LevelRead(bad, LevelKind::Rf); }), err::ErrReceive);
        EXPECT_EQ(errorOf([&] { rig.rs.RecValueSet(bad, RecKind::Curr, rec); }), err::ErrReceive);
    }
    EXPECT_EQ(errorOf([&] { rig.rs.AdjRun(2, AdjRunKind::Env); }), err::ErrReceive);
}

// Three recordings on one blank tape, each from 23:59:55:00: a search goes to
// the nearest place with the time code in the direction it has to go. Played
// back, the recorder's own recording goes through the record/playback heads:
// its equaliser adjustment sets their block, the one read back with "$PR".
TEST(SimulatedRecorder, ASearchParksAtTheNearestMatchingTimeCodeInItsDirection) {
    SimRig rig;
    rig.load("BLANK");
    std::vector<double> starts;
    for (int take = 0; take < 3; ++take) {
        rig.until(link::Transport::Rec, "REC");
        starts.push_back(rig.recorder.transport().position());
        rig.rs.CtsSet("23595500");
        rig.wait(20s);
        rig.until(link::Transport::Stop, "STOP");
    }
    auto search = [&](const char* tc) {
        rig.rs.SearchSet(link::SearchMode::Tc, tc);
        while (!rig.rs.SearchEnded())
            rig.wait(100ms);
        EXPECT_EQ(joined(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)), tc);
        return rig.recorder.transport().position();
    };
    EXPECT_GT(search("00000000"), starts[2]);  // back: the last recording
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    rig.until(link::Transport::Play, "PLAY");
    rig.rs.RmSet("000100010");  // mode digit 0: conf heads
    const auto conf = rig.rs.LevelRead({7, 2, 1, 0, 0}, LevelKind::Eq200);
    rig.rs.AdjRun(0, AdjRunKind::Tap);
    const auto rp = rig.rs.LevelRead({7, 2, 0, 0, 0}, LevelKind::Eq200);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_NEAR(rp.items[17 + i], rig.recorder.signal().pbChannel(7, 0, 0, 0).tapOpt[i], 1);
    EXPECT_EQ(rig.rs.LevelRead({7, 2, 1, 0, 0}, LevelKind::Eq200).items, conf.items);
    rig.until(link::Transport::Rew, "REW");
    rig.wait(10s);
    // The tape begins with the generator's code before the preset, 00:00:03.
    EXPECT_LT(search("00000500"), starts[1]);  // forward: the first
}

// A damaged stretch plays badly until the tape is wound past it.
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
    const int good = *std::max_element(rates.rates.begin(), rates.rates.end());
    auto worst = [&](int from) {
        for (int step : rig.rs.ErrRateRead(ErrRateMode::Bcd, 0).rates)
            from = std::max(from, step);
        return from;
    };
    rig.recorder.faults().damage = true;
    EXPECT_GE(worst(0), good + 12);  // three decades: fifteen steps
    rig.until(link::Transport::FF, "FF");
    rig.wait(4s);
    rig.until(link::Transport::Play, "PLAY");
    EXPECT_LE(worst(0), good + 1);  // past the stretch: as before, give or take the noise
}

// While recording, the envelope comes from the playback head behind the
// record head: a new current shows only once its recording gets there.
TEST(SimulatedRecorder, TheEnvelopeWhileRecordingFollowsANewSettingOnlyOnceItIsOnTape) {
    SimRig rig;
    rig.load("BLANK");
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    rig.until(link::Transport::Rec, "REC");
    rig.rs.KsSet(true, 1, 0);
    const BlockSel l{7, 2, 0, 0, 0};
    const std::array<std::int16_t, 5> low{-80, -80, -90, -90, 0}, best{-20, -20, -90, -90, 0};
    auto envelope = [&] {
        int sum = 0;
        for (int k = 0; k < 14; ++k, rig.wait(50ms))
            sum += rig.rs.AdjRun(0, AdjRunKind::Env)[0];
        return sum / 14;
    };
    rig.rs.RecValueSet(l, RecKind::Curr, low);
    rig.wait(3s);
    const int before = envelope();
    rig.rs.RecValueSet(l, RecKind::Curr, best);
    const int atOnce = envelope();
    rig.wait(2s);
    const int settled = envelope();
    EXPECT_GT(settled, before + 20);  // tens of units above an under-recording
    EXPECT_LT(atOnce, (before + settled) / 2);
}

}  // namespace
}  // namespace rf::test
