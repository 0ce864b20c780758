#include <gtest/gtest.h>

#include "tool_rig.h"

namespace rf::shell {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using test::readFile;
using test::ToolRig;

const std::string SerialPrompt = "Please input VTR Serial No or Manufact No !";

// A started tool whose programme mains only record that they ran.
struct RunRig : ToolRig {
    RunRig() {
        EXPECT_TRUE(startUp());
        auto& p = tool.programmes();
        p.PbAdjustMain = [this] { ran.push_back("PbAdjust"); };
        p.RecAdjustMain = [this] { ran.push_back("RecAdjust"); };
        p.PbMeasureMain = [this] { ran.push_back("PbMeasure"); };
        p.RecMeasureMain = [this] { ran.push_back("RecMeasure"); };
        p.ShowErrorResult = [this] { ran.push_back("Result"); };
        platform.clearWire();
    }
    std::vector<std::string> ran;
};

TEST(RunControl, StartInTabModeAllRunsPlaybackThenRecordAndShowsTheResult) {
    RunRig rig;
    rig.dialogs().expectInput(SerialPrompt, "SN123");
    bool offDuringRun = false;
    rig.tool.programmes().RecAdjustMain = [&] {
        rig.ran.push_back("RecAdjust");
        offDuringRun = rig.tool.window().prgItem(run::ProgramItem::Stop).enabled &&
                       !rig.tool.window().prgItem(run::ProgramItem::Start).enabled &&
                       !rig.tool.window().AdjTab[0].enabled;
    };
    rig.tool.choose(run::ProgramItem::Start);
    EXPECT_EQ(rig.ran, (std::vector<std::string>{"PbAdjust", "RecAdjust", "Result"}));
    EXPECT_TRUE(offDuringRun);
    EXPECT_EQ(rig.tool.flags().PbStepCount, 18);
    EXPECT_EQ(rig.tool.flags().RecStepCount, 1);
    EXPECT_EQ(rig.tool.recorder().VtrName, "QT7310XYZ_SN123");
    EXPECT_EQ(rig.tool.window().caption, "RF ADJUST TOOL : QT7310XYZ_SN123");
    // Back to idle.
    EXPECT_TRUE(rig.tool.window().prgItem(run::ProgramItem::Start).enabled);
    EXPECT_TRUE(rig.tool.window().PartAdjCheck[0].value);
    EXPECT_EQ(rig.dialogs().shown().back().defaultText, "V2.10.00 ");
}

TEST(RunControl, NothingSelectedOrNoSerialNumberReturnsToIdleWithoutTouchingTheRecorder) {
    RunRig rig;
    rig.tool.partAdjCheck(2);  // REC: the record box alone, cleared next
    auto& m = rig.tool.window();
    rig.tool.form().CheckBox_Click(shell::CheckBoxId::RecLp);
    rig.tool.choose(run::ProgramItem::Start);  // no serial number is asked for
    EXPECT_TRUE(rig.ran.empty());
    EXPECT_TRUE(rig.dialogs().shown().size() == 1u);

    rig.tool.partAdjCheck(0);
    rig.dialogs().expectInput(SerialPrompt, "");
    rig.tool.choose(run::ProgramItem::Start);
    EXPECT_TRUE(rig.ran.empty());
    EXPECT_TRUE(rig.platform.wire().empty());
    EXPECT_TRUE(m.prgItem(run::ProgramItem::Start).enabled);
}

TEST(RunControl, LoadedDataIsClearedOnlyWhenTheOperatorSaysYes) {
    for (Answer answer : {Answer::Yes, Answer::No}) {
        RunRig rig;
        rig.tool.tables().FileLoaded = true;
        rig.tool.tables().PbDataRead(7, 2, 1, 0, 0, 9) = 123;
        rig.dialogs().expectMsgBox("Does it clear load data ?", answer);
        rig.dialogs().expectInput(SerialPrompt, "1");
        rig.tool.choose(run::ProgramItem::Start);
        EXPECT_EQ(rig.dialogs().shown()[1].title, "Load Data Clear");
        EXPECT_EQ(rig.tool.tables().FileLoaded, answer == Answer::No);
        EXPECT_EQ(rig.tool.tables().PbDataRead(7, 2, 1, 0, 0, 9),
                  answer == Answer::Yes ? 400 : 123);
    }
}

TEST(RunControl, ProgramResetRestartsEvenWhenCancelledAndEndEnds) {
    RunRig rig;
    rig.dialogs().expectMsgBox("ReStart OK ?", Answer::Cancel);
    rig.tool.choose(run::ProgramItem::Reset);
    EXPECT_EQ(rig.dialogs().shown().back().title, "RESTART");
    // Checked anew: the recorder now has an induce code, so nothing is asked.
    EXPECT_EQ(rig.tool.recorder().VtrInduce, "XYZ");
    EXPECT_TRUE(rig.tool.window().visible);
    EXPECT_TRUE(rig.tool.port()->isOpen());
    EXPECT_EQ(rig.tool.window().LogText, "");
    rig.tool.choose(run::ProgramItem::End);
    EXPECT_TRUE(rig.tool.ended());
    // Start, reset (close and reopen) and end: four date lines.
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);
}

}  // namespace
}  // namespace rf::shell
