#include <gtest/gtest.h>

#include "measure/env_meas.h"
#include "measure/tape_handling.h"
#include "tool_rig.h"

namespace rf::measure {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using run::ProgramItem;
using test::onceWhen;
using test::readFile;
using test::ToolRig;

const std::string SerialPrompt = "Please input VTR Serial No or Manufact No !";

// A started tool with the recorder's tape changer off: the test puts tapes in.
struct MeasureRig : ToolRig {
    MeasureRig() {
        EXPECT_TRUE(startUp());
        platform.clearWire();
    }
    TapeHandling tape{tool.context()};
    std::string message() { return tool.window().Message.caption; }
};

TEST(TapeLoad, AsksForTheTapeEjectsAWrongOneAndAcceptsTheRightOne) {
    MeasureRig rig;
    std::vector<std::string> prompts;
    rig.at(rig.now() + 1500ms, [&] { prompts.push_back(rig.message()); });
    rig.at(rig.now() + 5s, [&] { rig.recorder.insert("25M MASTER", rig.now()); });
    for (auto [at, tape] : {std::pair{30s, "HDSP CHECK"}, {55s, "50M CHECK"}})
        rig.at(rig.now() + at, [&, tape] {
            prompts.push_back(rig.message());
            rig.recorder.insert(tape, rig.now());
        });
    EXPECT_TRUE(rig.tape.TapeLoad(TapeKind::Check, 2));
    EXPECT_EQ(prompts, std::vector<std::string>(3, "Please Insert 50M Check Tape"));
    EXPECT_EQ(rig.dialogs().beeps(), 3);  // once each time it asks
    EXPECT_EQ(rig.recorder.transport().tape()->name, "50M CHECK");
    EXPECT_EQ(rig.message(), "");
    const auto frames = test::sent(rig);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "OEJ"), 2);  // the wrong two went out
    EXPECT_GE(rig.now(), 57s);
    EXPECT_NE(rig.tool.window().LogText.find(
                  "Tape refused (wrong kind): the 25M Master Tape where the 50M Check Tape is "
                  "asked for\r\nTape refused (wrong format): the HDSP Check Tape where"),
              std::string::npos);
    EXPECT_EQ(readFile("QT7310AdjLog.txt").find("refused"), std::string::npos);
    EXPECT_EQ(tapeRefusal(TapeKind::Master, 1, 1, "OFF"),
              "Tape refused (wrong kind): a blank tape where the DV Master Tape is asked for");
}

TEST(TapeLoad, WithNoTapeThatCouldServeEveryTapeGoesOutUntilTheOperatorStops) {
    MeasureRig rig;
    rig.recorder.setAutoChanger(true, rig.now());
    rig.at(rig.now() + 60s, [&] { rig.tool.choose(ProgramItem::Stop); });
    rig.tool.form().MenuCtrl(shell::MenuMode::Off);
    EXPECT_FALSE(rig.tape.TapeLoad(TapeKind::Check, 5));
    EXPECT_TRUE(rig.tool.flags().stop.requested());
    EXPECT_EQ(rig.message(), "");
    EXPECT_NE(rig.tool.window().LogText.find("Tape refused: no test tape serves format 5"),
              std::string::npos);
    const auto frames = test::sent(rig);
    EXPECT_GE(std::count(frames.begin(), frames.end(), "OEJ"), 3);
}

TEST(RemainCheck, TooLittleTapeIsLoggedRewoundAndLeftInTheAskedState) {
    MeasureRig rig;
    rig.recorder.faults().lowTape = true;
    rig.recorder.insert("HDLP MASTER", rig.now());
    rig.wait(3s);
    ASSERT_TRUE(rig.tape.transportUntil(link::Transport::Play));
    EXPECT_TRUE(rig.tape.RemainCheck(10, link::Transport::Play));
    EXPECT_EQ(rig.tool.recorder().VtrStatus, "PLAY");
    EXPECT_LT(rig.recorder.transport().position(), 30.0);  // rewound to the beginning
    const auto frames = test::sent(rig);
    const auto rew = std::find(frames.begin(), frames.end(), "ORW");
    ASSERT_NE(rew, frames.end());
    EXPECT_NE(std::find(rew, frames.end(), "OPL"), frames.end());
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("\"Remain = 0001"), std::string::npos);
    EXPECT_NE(log.find("\"No Remain\""), std::string::npos);
    EXPECT_EQ(rig.dialogs().beeps(), 1);
    EXPECT_FALSE(rig.tool.window().prgItem(run::ProgramItem::Irq).enabled);
}

TEST(RemainCheck, TenMinutesCountAsSixteenAndUnknownTimeKeepsItWaiting) {
    MeasureRig rig;
    rig.recorder.insert("HDLP MASTER", rig.now());
    rig.wait(3s);
    rig.recorder.transport().windToEnd(10 * 60 + 30);  // 00:10:30 left
    rig.recorder.faults().remainUnknown = true;
    rig.at(rig.now() + 20s, [&] { rig.recorder.faults().remainUnknown = false; });
    ASSERT_TRUE(rig.tape.transportUntil(link::Transport::Play));
    const auto start = rig.now();
    EXPECT_TRUE(rig.tape.RemainCheck(15, link::Transport::Play));
    EXPECT_GT(rig.now() - start, 20s);
    const auto frames = test::sent(rig);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "ORW"), 0);
    EXPECT_EQ(rig.tool.window().RemainDsp[1], "10");
}

TEST(RemainCheck, IrqCutsTheRewindShort) {
    MeasureRig rig;
    rig.recorder.insert("BLANK", rig.now());
    rig.wait(3s);
    rig.recorder.transport().windToEnd(60);
    rig.tool.form().MenuCtrl(shell::MenuMode::Off);
    ASSERT_TRUE(rig.tape.transportUntil(link::Transport::Rec));
    bool irqEnabled = false;
    rig.at(rig.now() + 15s, [&] {
        irqEnabled = rig.tool.window().prgItem(run::ProgramItem::Irq).enabled;
        rig.tool.choose(run::ProgramItem::Irq);
    });
    EXPECT_TRUE(rig.tape.RemainCheck(2, link::Transport::Rec));
    EXPECT_TRUE(irqEnabled);
    EXPECT_FALSE(rig.tool.flags().IrqReq);
    EXPECT_GT(rig.recorder.transport().position(), 1000.0);  // far from the beginning
    EXPECT_EQ(rig.tool.recorder().VtrStatus, "REC");
}

TEST(RemainCheck, AStoppedTapeOfUnknownRemainingTimeIsCheckedOnceAndRewound) {
    MeasureRig rig;
    rig.platform.setTimeLimit(rig.now() + 1h);
    rig.recorder.insert("HDLP MASTER", rig.now());
    rig.wait(3s);
    rig.recorder.transport().windToEnd(600);
    rig.recorder.faults().remainUnknown = true;  // "FF" for good
    EXPECT_TRUE(rig.tape.RemainCheck(3, link::Transport::Play));
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("\"Remain = FFFFFF\"\r\n\"No Remain\""), std::string::npos) << log;
    EXPECT_EQ(log.find("Remain = ", log.find("Remain = ") + 1), std::string::npos);
    EXPECT_EQ(rig.tool.recorder().VtrStatus, "PLAY");
}

TEST(EnvelopeMeasurement, TheFirstReadingNeverCountsAndFourteenAreTrimmed) {
    MeasureRig rig;
    rig.recorder.insert("HDLP MASTER", rig.now());
    rig.wait(3s);
    rig.tool.rs().AdjModeSet(link::AdjMode::Start, 0, 7, 2, 0);
    ASSERT_TRUE(rig.tape.transportUntil(link::Transport::Play));
    rig.tool.rs().KsSet(true, 1, 0);
    rig.platform.clearWire();
    const auto start = rig.now();
    const auto env = EqEnvMeas1(rig.tool.context(), 1, EnvelopeWhile::Playing);
    const auto frames = test::sent(rig);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "$AR:12"), 15);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "QCD"), 14);
    EXPECT_GT(rig.now() - start, 2700ms);  // 2 s, then 14 x 50 ms and the exchanges
    // Channel R reports its second head first.
    const auto& model = rig.recorder.signal();
    EXPECT_NEAR(env[0], model.masterLevel(7, 1, 1, sim::Band::Low), 3.0);
    EXPECT_NEAR(env[1], model.masterLevel(7, 1, 0, sim::Band::Low), 3.0);
}

// The whole "Error Rate" programme, started from the menu as an operator does.
struct ErrorRateRun : ToolRig {
    explicit ErrorRateRun(int option = 0) {
        recorder.setAutoChanger(true, now());
        EXPECT_TRUE(startUp());
        tool.choose(ProgramItem::ErrorRate);
        tool.partAdjCheck(option);
        dialogs().expectInput(SerialPrompt, "SN1");
    }
    void start() { tool.choose(ProgramItem::Start); }
    // Leaves only `keep` of the playback boxes checked.
    void only(shell::CheckBoxId keep) {
        using enum shell::CheckBoxId;
        for (auto box : {PbLp0, PbLp1, PbLp2, PbLp3, PbLp4, PbSp, PbPro, PbDv})
            if (box != keep) tool.form().CheckBox_Click(box);
    }
};

TEST(PbMeasureMain, MeasuresEveryPlaybackBlockAndStoresTheResults) {
    ErrorRateRun run(1);  // PB blocks only
    run.start();
    for (int fmt : {1, 2, 3})
        for (int c = 0; c < 4; ++c) {
            // A reference tape plays well, whatever the recorder's state.
            EXPECT_LT(run.tool.rates().ErrResOt(fmt, c, 0), -3.5f) << fmt << " " << c;
            EXPECT_GE(run.tool.rates().ErrResOt(fmt, c, 0), -5.5f);
            EXPECT_EQ(run.tool.rates().RealErrOt(fmt, c, 0), run.tool.rates().ErrResOt(fmt, c, 0));
        }
    for (int cate = 0; cate <= 1; ++cate)
        for (int kind = 0; kind <= (cate == 0 ? 0 : 3); ++kind)
            for (int g = 0; g < 3; ++g)
                for (int h = 0; h < 4; ++h)
                    EXPECT_LT(run.tool.rates().ErrResLp(7, cate, kind, g, h, 0), -3.1f);
    const std::string log = readFile("QT7310AdjLog.txt");
    for (const char* line :
         {"\"QT7310XYZ_SN1  Play Measure Start\"", "\"DV,9000rpm Start !\"",
          "\"Master Error Rate\"", "\"MAGVEX50M,9900rpm Start !\"", "\"Check Tape Error Rate\"",
          "\"MAGVEX HDLP,18000rpm,RP,RP,RP Start !\"",
          "\"MAGVEX HDLP,18000rpm,PB,PB,SubSlow Start !\"", "\"Video:\",-", "\"A/V\",-",
          "\"QT7310XYZ_SN1  Play Measure End\""})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(run.tool.window().ProgressBar, 0);  // back to idle
    EXPECT_NE(run.tool.window().LogText.find("A/V:-"), std::string::npos);
    EXPECT_EQ(run.recorder.transport().tape(), nullptr);
}

TEST(PbMeasureMain, ADvBlockRunsItsCommandsInOrderWithoutTheFirstDrumWait) {
    ErrorRateRun run(1);
    run.only(shell::CheckBoxId::PbDv);
    run.platform.clearWire();
    run.start();
    const auto frames = test::sent(run);
    // The DV block: the accepted tape, play (the servos lock after the first
    // status read), adjustment mode, ..., out of adjustment mode.
    const auto sa = std::find(frames.begin(), frames.end(), "$SA:0100");
    ASSERT_NE(sa, frames.end());
    const std::vector<std::string> before = {"$FR", "QOD:81", "OPL", "QOD:11", "OPL", "QOD:11"};
    EXPECT_EQ(std::vector<std::string>(sa - 6, sa), before);
    const auto nd = std::find(sa, frames.end(), "$ND");
    ASSERT_NE(nd, frames.end());
    EXPECT_EQ(std::count(sa, nd, "$ER:0"), 11);  // 2 warm-up + 9 samples
    EXPECT_EQ(std::count(sa, nd, "$RM:000100000"), 1);
    EXPECT_EQ(*(nd + 1), "QOD:11");
    EXPECT_EQ(*(nd + 2), "OEJ");
    // From adjustment mode to the remaining-time check: no 3 s drum wait.
    const auto& wire = run.platform.wire();
    auto timeOf = [&](const std::string& text) {
        for (const auto& w : wire)
            if (w.bytes == "\x02" + text + "\x03") return w.at;
        return platform::virt::Micros{-1};
    };
    EXPECT_LT(timeOf("QCD") - timeOf("$SA:0100"), 1100ms);
}

TEST(PbMeasureMain, StopDuringAnHdlpBlockLogsButKeepsTheOldValues) {
    ErrorRateRun run(1);
    // Stop while the second HDLP block samples.
    onceWhen(
        run,
        [&] {
            return run.tool.recorder().AdjModeOn && run.tool.flags().sel.SFmt == 7 &&
                   run.tool.flags().sel.SHeadCate == 1 && run.tool.flags().sel.SHeadKind == 0;
        },
        [&] { run.at(run.now() + 20s, [&] { run.tool.choose(ProgramItem::Stop); }); });
    run.start();
    EXPECT_EQ(run.tool.rates().ErrResLp(7, 1, 0, 0, 0, 0), -1.5f);
    EXPECT_EQ(run.tool.rates().RealErrLp(7, 1, 0, 0, 0, 0), -1.5f);
    EXPECT_LT(run.tool.rates().ErrResLp(7, 0, 0, 0, 0, 0), -3.1f);  // the block before is stored
    EXPECT_EQ(run.tool.rates().ErrResLp(7, 1, 1, 0, 0, 0), -1.5f);  // no later block runs
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("\"QT7310XYZ_SN1  Play Measure Stop\""), std::string::npos);
    const auto conf = log.find("PB,PB,Conf Start !");
    EXPECT_NE(log.find("\"Video:\",-", conf), std::string::npos);  // sampled values still logged
}

TEST(RecMeasureMain, RecordsMeasuresWhileRecordingAndOnPlayback) {
    ErrorRateRun run(2);  // the record block only
    run.start();
    for (int g = 0; g < 3; ++g)
        for (int h = 0; h < 4; ++h) {
            for (int kind : {6, 3}) {
                EXPECT_GT(run.tool.rates().ErrResLp(7, 1, 0, g, h, kind), -5.6f);
                EXPECT_LT(run.tool.rates().ErrResLp(7, 1, 0, g, h, kind), -1.8f);
            }
        }
    const std::string log = readFile("QT7310AdjLog.txt");
    for (const char* line :
         {"\"QT7310XYZ_SN1  Rec Measure Start\"", "\"Conf Error Rate\"",
          "\"MODE\",\"Err-L1\",\"Err-L2\",\"Err-R2\",\"Err-R1\"", "\"Self Error Rate\"",
          "\"MAGVEX HDLP,18000rpm,RP,RP,RP End !\"", "\"QT7310XYZ_SN1 Rec Measure End\""})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    const auto frames = test::sent(run);
    EXPECT_NE(std::find(frames.begin(), frames.end(), "$RM:000000010"), frames.end());
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "$RM:000100010"), 2);
    EXPECT_NE(std::find(frames.begin(), frames.end(), "SRS:S00000000"), frames.end());
}

}  // namespace
}  // namespace rf::measure

namespace rf::measure {
namespace {

TEST(PbMeasureMain, AnHdlpBlockSamplesItsThreeGroupsInItsPlaybackMode) {
    ErrorRateRun run(1);
    run.only(shell::CheckBoxId::PbLp2);  // SLOW L13/R24
    run.platform.clearWire();
    run.start();
    const auto frames = test::sent(run);
    const auto sa = std::find(frames.begin(), frames.end(), "$SA:0720");
    ASSERT_NE(sa, frames.end());
    const auto nd = std::find(sa, frames.end(), "$ND");
    EXPECT_EQ(std::count(sa, nd, "$RM:000100210"), 1);  // mode digit 2: slow heads
    for (const char* group : {"$ER:0", "$ER:1", "$ER:2"})
        EXPECT_EQ(std::count(sa, nd, group), 10);
    EXPECT_NE(run.tool.rates().ErrResLp(7, 1, 1, 2, 3, 0), -1.5f);
    EXPECT_EQ(run.tool.rates().ErrResLp(7, 1, 0, 0, 0, 0), -1.5f);  // conf was not selected
    EXPECT_EQ(run.recorder.transport().tape(), nullptr);
}

TEST(PbMeasureMain, StopWhileWaitingForATapeEndsTheProgrammeAtOnce) {
    ToolRig rig;  // changer off: nobody brings a tape
    ASSERT_TRUE(rig.startUp());
    rig.tool.choose(ProgramItem::ErrorRate);
    rig.dialogs().expectInput(SerialPrompt, "SN1");
    rig.at(rig.now() + 40s, [&] {
        rig.tool.choose(ProgramItem::Stop);  // said at once, before the programme has stopped
        EXPECT_EQ(rig.tool.window().StopNotice,
                  "Stopping: the step in progress ends, the tape stops and is ejected");
    });
    rig.tool.choose(ProgramItem::Start);
    EXPECT_EQ(rig.tool.window().StopNotice, "");
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("\"QT7310XYZ_SN1  Play Measure Stop\""), std::string::npos);
    EXPECT_EQ(log.find("Start !"), std::string::npos);  // no block began
    EXPECT_LT(rig.now(), 60s);
    EXPECT_EQ(rig.tool.window().Message.caption, "Please Select MENU !!");
}

TEST(PbMeasureMain, ARetryAfterALinkErrorCountsItsStepsAfresh) {
    ErrorRateRun run(1);
    run.only(shell::CheckBoxId::PbDv);  // DV alone: one step of its four kinds
    onceWhen(
        run, [&] { return run.tool.recorder().AdjModeOn; },
        [&] { run.recorder.faults().noReply.count = 1; });
    std::vector<int> progress;
    for (std::chrono::milliseconds t = 1s; t < 600s; t += 250ms)
        run.at(run.now() + t, [&] { progress.push_back(run.tool.window().ProgressBar); });
    run.dialogs().expectMsgBox("RS232-C Time Over Error", Answer::Retry);
    run.start();
    EXPECT_EQ(*std::min_element(progress.begin(), progress.end()), 0);
    EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), 100);
    EXPECT_NE(readFile("QT7310AdjLog.txt").find("\"QT7310XYZ_SN1  Play Measure End\""),
              std::string::npos);
}

// The rerun waits for a time code that never rolls over, which only STOP ends:
// the block stops, keeps the old values and the tape goes out.
TEST(RecMeasureMain, ARetryAfterAnErrorWhileStopIsOffStartsWithStopAvailable) {
    ErrorRateRun run(2);
    run.platform.setTimeLimit(run.now() + 3h);
    auto& stop = run.tool.window().prgItem(ProgramItem::Stop);
    // An error at the block's end, where STOP is off.
    onceWhen(
        run, [&] { return run.tool.recorder().RecModeOn && !stop.enabled; },
        [&] {
            run.recorder.faults().noReply.count = 1;
            run.recorder.faults().tcStuck = true;
            run.at(run.now() + 300s, [&] { run.tool.choose(ProgramItem::Stop); });
        });
    run.dialogs().expectMsgBox("RS232-C Time Over Error", Answer::Retry);
    run.start();
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("RP,RP,RP Stop !"), std::string::npos);
    EXPECT_NE(log.find("\"QT7310XYZ_SN1 Rec Measure Stop\""), std::string::npos);
    EXPECT_EQ(run.tool.rates().ErrResLp(7, 1, 0, 0, 0, 6), -1.5f);
    EXPECT_EQ(run.recorder.transport().tape(), nullptr);
}

TEST(PbMeasureMain, AJammedEjectEndsTheRunThroughItsErrorBoxInsteadOfTrappingIt) {
    ErrorRateRun run(1);
    run.platform.setTimeLimit(run.now() + 3h);
    onceWhen(
        run, [&] { return run.tool.recorder().AdjModeOn; },
        [&] { run.recorder.faults().ejectJam = true; });
    run.dialogs().expectMsgBox("VTR Status Error\nEJECT not reached, status = PLAY",
                               Answer::Ignore);
    run.start();
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("\"EJECT not reached, status = PLAY\""), std::string::npos) << log;
    EXPECT_EQ(run.tool.window().Message.caption, "Please Select MENU !!");
}

}  // namespace
}  // namespace rf::measure
