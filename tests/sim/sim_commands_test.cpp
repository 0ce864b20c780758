#include <gtest/gtest.h>

#include "sim/timecode.h"
#include "sim_rig.h"

namespace rf::test {
namespace {

using link::AdjMode;
using link::AdjRunKind;
using link::ErrRateMode;
using link::LevelKind;
using link::RecKind;
using link::SearchMode;
using link::TimeCodeMode;

TEST(SimulatedRecorder, AnswersIdentityAndSetUpCommands) {
    SimRig rig;
    EXPECT_EQ(rig.rs.IdRead(), "QT7310");
    EXPECT_EQ(rig.rs.SqRead(), "V2.10.00 ");
    EXPECT_EQ(rig.rs.InduceRead(), "   ");
    rig.rs.InduceSet(" AB");
    EXPECT_EQ(rig.rs.InduceRead(), " AB");
    EXPECT_EQ(rig.rs.RemoteCheck(), "REMOTE");
    EXPECT_EQ(rig.rs.FrRead(), 1);
    EXPECT_EQ(rig.rs.StatusRead(), "EJECT");
    rig.recorder.setRemote(false);
    EXPECT_EQ(rig.rs.RemoteCheck(), "LOCAL");
    rig.recorder.setId("QT7320");
    EXPECT_EQ(rig.rs.IdRead(), "QT7320");
}

TEST(SimulatedRecorder, ReportsTheTapeInItsFormatValueAndMark) {
    struct Case {
        const char* tape;
        int format;
        const char* mark;
    };
    for (const Case& c : std::vector<Case>{{"HDLP MASTER", 7, "ON"},
                                           {"DV MASTER", 1, "ON"},
                                           {"25M MASTER", 0, "ON"},
                                           {"50M CHECK", 2, "ON"},
                                           {"HDSP CHECK", 3, "ON"},
                                           {"BLANK", 7, "OFF"}}) {
        SCOPED_TRACE(c.tape);
        SimRig rig;
        rig.recorder.insert(c.tape, rig.now());
        EXPECT_EQ(rig.rs.StatusRead(), "EJECT");  // still threading
        rig.wait(3s);
        EXPECT_EQ(rig.rs.StatusRead(), "STOP");
        EXPECT_EQ(rig.rs.FrRead(), c.format);
        EXPECT_EQ(rig.rs.OasRead(), c.mark);
    }
}

TEST(SimulatedRecorder, TransportRunsInTimeAndRewindStopsAtTheBeginning) {
    SimRig rig;
    rig.load("HDLP MASTER");
    EXPECT_EQ(rig.rs.QhrRead(1), (std::array<std::string, 3>{"FF", "FF", "FF"}));
    rig.rs.TransportCtrl("PLAY");
    EXPECT_EQ(rig.rs.StatusRead(), "PLAY");
    rig.wait(60s);
    // Thirty minutes of tape, one minute played (and the half second of the command).
    auto left = rig.rs.QhrRead(1);
    EXPECT_EQ(left[0], "00");
    EXPECT_EQ(left[1], "28");
    auto tc = rig.rs.TimeCodeRead(TimeCodeMode::Tcr);
    EXPECT_EQ(tc[0] + tc[1] + tc[2], "000100");
    rig.rs.TransportCtrl("REW");
    EXPECT_EQ(rig.rs.StatusRead(), "REW");
    rig.wait(1s);
    EXPECT_EQ(rig.rs.StatusRead(), "REW");
    rig.wait(2s);  // about 61 s of tape at thirty times play speed
    EXPECT_EQ(rig.rs.StatusRead(), "STOP");
    EXPECT_EQ(rig.rs.TimeCodeRead(TimeCodeMode::Tcr)[2], "00");
    rig.rs.TransportCtrl("FF");
    EXPECT_EQ(rig.rs.StatusRead(), "FF");
    for (const char* counter : {"TCSEL", "CTLSEL", "CTLRST"})
        rig.rs.TransportCtrl(counter);
    EXPECT_EQ(rig.rs.QhrRead(0)[0].size(), 2u);  // the hours meter
    rig.rs.TransportCtrl("STOP");
    rig.rs.TransportCtrl("STBOFF");
    EXPECT_EQ(rig.rs.StatusRead(), "STBOF");
    rig.rs.TransportCtrl("EJECT");
    EXPECT_EQ(rig.rs.StatusRead(), "EJECT");
}

TEST(SimulatedRecorder, RecordsOnlyOnBlankTapeAndFindsItsOwnTimeCodeAgain) {
    SimRig rig;
    rig.load("HDLP MASTER");
    EXPECT_THROW(rig.rs.TransportCtrl("REC"), RfError);  // protected: error replies
    rig.rs.TransportCtrl("EJECT");
    rig.load("BLANK");
    rig.rs.TransportCtrl("REC");
    rig.rs.CtsSet("23595500");
    auto gen = rig.rs.TimeCodeRead(TimeCodeMode::Tcg);
    EXPECT_EQ(gen[0] + gen[1] + gen[2], "235955");
    rig.wait(10s);
    auto tc = rig.rs.TimeCodeRead(TimeCodeMode::Tcr);
    EXPECT_EQ(tc[0] + tc[1], "0000");  // rolled over midnight while recording
    rig.rs.TransportCtrl("STOP");
    rig.rs.SearchSet(SearchMode::Tc, "00000000");
    // The search is acknowledged at once and reported complete later, unasked.
    auto& received = rig.link.state().RsRecvData;
    while (received.find("SRS") == std::string::npos)
        rig.platform.doEvents();
    EXPECT_NE(received.find("SRS:OK"), std::string::npos);
    EXPECT_EQ(rig.rs.StatusRead(), "STOP");
    rig.rs.TransportCtrl("PLAY");
    tc = rig.rs.TimeCodeRead(TimeCodeMode::Tcr);
    EXPECT_EQ(tc[0] + tc[1] + tc[2], "000000");
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

    rig.rs.TransportCtrl("PLAY");
    rig.rs.KsSet(true, 1, 0);
    auto env = rig.rs.AdjRun(0, AdjRunKind::Env);
    EXPECT_NEAR(env[0], rig.recorder.signal().masterLevel(7, 0, 0, sim::Band::Low), 25);
    rig.rs.RmSet("000100010");
    auto rates = rig.rs.ErrRateRead(ErrRateMode::Bcd, 0);
    for (int step : rates.rates)
        EXPECT_LE(step, 5);  // an adjusted channel plays the master well
    // The marks are the time code of the tape position.
    auto tc = rig.rs.TimeCodeRead(TimeCodeMode::Tcr);
    EXPECT_EQ(rates.marks[0], tc[0]);
}

}  // namespace
}  // namespace rf::test
