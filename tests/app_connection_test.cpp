#include <gtest/gtest.h>

#include "tool_rig.h"

namespace rf::app {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using test::InducePrompt;
using test::readFile;
using test::sent;
using test::ToolRig;

int count(const std::vector<std::string>& frames, const std::string& text) {
    return static_cast<int>(std::count(frames.begin(), frames.end(), text));
}

TEST(ConnectionCheck, NamesTheRecorderAndLeavesItIdleWithoutATape) {
    ToolRig rig;
    ASSERT_TRUE(rig.startUp("xyz"));
    EXPECT_EQ(rig.tool.recorder().VtrSerialNo, "V2.10.00 ");  // the version stands in for it
    const auto& m = rig.tool.window();
    EXPECT_EQ(m.caption, "RF ADJUST TOOL : QT7310XYZ_V2.10.00 ");
    EXPECT_EQ(m.Message.caption, "Please Select MENU !!");
    EXPECT_EQ(m.StatusText, "EJECT");
    EXPECT_EQ(m.TimeDsp[0], "**");
    EXPECT_EQ(m.MF2ChLabel[3], "**");
    EXPECT_EQ(rig.recorder.induce(), "XYZ");
    // With no tape in, nothing is stopped or ejected.
    EXPECT_EQ(sent(rig), (std::vector<std::string>{"QOD:01", "QID", "$FR", "$SQ", "$DQ", "$DI:XYZ",
                                                   "CTC", "QOD:11"}));
}

TEST(ConnectionCheck, AnUnsupportedModelIsADifferentProgramAndAbortEndsWithTheLog) {
    ToolRig rig;
    rig.recorder.setId("QT9999");
    rig.dialogs().expectMsgBox("Different Adjustment Program", Answer::Abort);
    EXPECT_FALSE(rig.tool.Main());
    EXPECT_TRUE(rig.tool.ended());
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_NE(log.find("\"Different Adjustment Program\"\r\n\"12-05-2026\""), std::string::npos);
    EXPECT_FALSE(rig.tool.port()->isOpen());

    // Answered Ignore, the window waits, but nothing is sent to that recorder.
    ToolRig ignored;
    ignored.recorder.setId("QT9999");
    ignored.dialogs().expectMsgBox("Different Adjustment Program", Answer::Ignore);
    ignored.dialogs().expectInput(InducePrompt, "xyz");
    ASSERT_TRUE(ignored.tool.Main());
    const std::size_t frames = sent(ignored).size();
    ignored.tool.choose(run::ProgramItem::ErrorRate);
    for (auto item : {run::ProgramItem::Start, run::ProgramItem::UpLoad}) {
        ignored.dialogs().expectMsgBox(
            "The recorder was not identified as a QT7310, QT7320 or QT7330 (it answered "
            "\"QT9999\"). Nothing is sent to it: check the recorder and its software, then "
            "choose Program Reset.",
            Answer::Ok);
        ignored.tool.choose(item);
    }
    EXPECT_EQ(sent(ignored).size(), frames);
}

TEST(ConnectionCheck, OldSoftwareOnTheFirstModelIsRefusedAndRetryAsksAgain) {
    ToolRig rig;
    rig.recorder.faults().frZero = true;
    const std::string syscon = "SYSCON software version is not higher than 1.12 !";
    rig.dialogs().expectMsgBox(syscon, Answer::Ok);
    rig.dialogs().expectMsgBox("Different Adjustment Program", Answer::Retry);
    rig.dialogs().expectMsgBox(syscon, Answer::Ok);
    rig.dialogs().expectMsgBox("Different Adjustment Program", Answer::Ignore);
    EXPECT_TRUE(rig.startUp());
    EXPECT_EQ(rig.dialogs().shown()[0].title, "ERROR Message");
    EXPECT_EQ(rig.dialogs().shown()[0].buttons, platform::Buttons::Ok);

    // The other models are not subject to the test.
    ToolRig other;
    other.recorder.setId("QT7320");
    other.recorder.faults().frZero = true;
    EXPECT_TRUE(other.startUp());
    EXPECT_EQ(other.tool.recorder().VtrId, "QT7320");
}

TEST(ConnectionCheck, ErrorRepliesToVersionAndInduceAreTakenSilentlyAndTheAnswerBecomesTheCode) {
    // Too long an answer is asked again; a short one is padded on the left,
    // an empty one (cancel) gives three blanks.
    for (const auto& [answers, code] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{{{"abcde", "ab"}, " AB"},
                                                                       {{""}, "   "}}) {
        ToolRig rig;
        rig.recorder.faults().sqError = rig.recorder.faults().dqError = true;
        rig.tool.recorder().VtrSerialNo.clear();
        for (const std::string& answer : answers)
            rig.dialogs().expectInput(InducePrompt, answer);
        ASSERT_TRUE(rig.tool.Main());
        EXPECT_EQ(rig.tool.recorder().VtrName, "QT7310" + code + "_---------");
        EXPECT_EQ(count(sent(rig), "$DI:" + code), 1);
        EXPECT_EQ(rig.dialogs().shown().size(), answers.size());  // no message for the errors
    }
}

TEST(ConnectionCheck, RetryAfterAFailedInduceWriteSendsTheCodeAgain) {
    ToolRig rig;
    test::onceWhen(
        rig, [&] { return !sent(rig).empty() && sent(rig).back() == "$DQ"; },
        [&] { rig.recorder.faults().errorReply.count = 6; });
    rig.dialogs().expectInput(InducePrompt, "xyz");
    rig.dialogs().expectMsgBox("RS232-C Err Receive Error", Answer::Retry);
    ASSERT_TRUE(rig.tool.Main());
    EXPECT_EQ(count(sent(rig), "$DI:XYZ"), 7);  // six refused, the seventh taken
    EXPECT_EQ(rig.recorder.induce(), "XYZ");
}

TEST(ConnectionCheck, ATapeInRecordIsStoppedThenEjected) {
    ToolRig rig;
    rig.recorder.insert("BLANK", rig.now());
    rig.wait(3s);
    rig.recorder.transport().record(rig.now());
    ASSERT_TRUE(rig.startUp());
    const auto frames = sent(rig);
    EXPECT_EQ(std::vector<std::string>(frames.end() - 5, frames.end()),
              (std::vector<std::string>{"QOD:11", "OSP", "QOD:11", "OEJ", "QOD:11"}));
    EXPECT_EQ(rig.recorder.transport().tape(), nullptr);
}

// A recorder that does not answer costs one time-out; a tape that will not
// come out costs the 30 s every wait that STOP cannot end is given, and the
// log says which state was not reached, not a link fault.
TEST(CloseHandler, ARecorderThatDoesNotAnswerOrEjectIsGivenUpInBoundedTimeAndLogged) {
    for (const bool jammed : {false, true}) {
        ToolRig rig;
        ASSERT_TRUE(rig.startUp());
        rig.tool.recorder().RecModeOn = true;
        rig.recorder.insert("HDLP MASTER", rig.now());
        rig.wait(3s);
        rig.recorder.faults().ejectJam = jammed;
        rig.recorder.faults().noReply.until = jammed ? 0s : rig.now() + 1000s;
        const auto closing = rig.now();
        rig.tool.closeRequested();
        EXPECT_TRUE(rig.tool.ended());
        EXPECT_NEAR(std::chrono::duration<double>(rig.now() - closing).count(), jammed ? 31 : 5, 1);
        EXPECT_NE(readFile("QT7310AdjLog.txt")
                      .find(jammed ? "\"EJECT not reached, status = STOP\"\r\n\"VTR Status Error; "
                                     "EJECT not reached, status = STOP\"\r\n\"12-05-2026\""
                                   : "\"RS232-C Time Over Error\"\r\n\"12-05-2026\""),
                  std::string::npos);
        EXPECT_TRUE(rig.dialogs().shown().size() == 1u);  // only the induce question of the start
    }
}

TEST(SetInduce, StoresTheCodeUpperCasedAndRenamesTheRecorder) {
    ToolRig rig;
    ASSERT_TRUE(rig.startUp());
    rig.dialogs().expectInput(InducePrompt, "abcd");
    rig.dialogs().expectInput(InducePrompt, "q7");
    rig.tool.menuHelp(0);
    EXPECT_EQ(rig.tool.recorder().VtrInduce, " Q7");
    EXPECT_EQ(rig.recorder.induce(), " Q7");
    EXPECT_EQ(rig.tool.window().caption, "RF ADJUST TOOL : QT7310 Q7_V2.10.00 ");
    // An empty answer changes nothing; with InduceCheck off the item is disabled.
    rig.dialogs().expectInput(InducePrompt, "");
    rig.tool.menuHelp(0);
    EXPECT_EQ(rig.tool.recorder().VtrInduce, " Q7");
    rig.tool.settings().InduceCheck = false;
    rig.tool.form().MenuCtrl(shell::MenuMode::On);
    rig.tool.menuHelp(0);  // no question is asked
    EXPECT_EQ(rig.dialogs().pending(), 0u);
}

TEST(CloseHandler, ClosingDuringARunStopsItFirstAndThenCloses) {
    ToolRig rig;
    rig.recorder.setAutoChanger(true, rig.now());
    ASSERT_TRUE(rig.startUp());
    rig.tool.choose(run::ProgramItem::ErrorRate);
    rig.dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    rig.at(rig.now() + 60s, [&] { rig.tool.closeRequested(); });
    rig.tool.choose(run::ProgramItem::Start);
    EXPECT_TRUE(rig.tool.ended());
    const std::string log = readFile("QT7310AdjLog.txt");
    const auto stop = log.find("\"QT7310XYZ_SN1  Play Measure Stop\"");
    ASSERT_NE(stop, std::string::npos);
    EXPECT_NE(log.find("\"12-05-2026\"", stop), std::string::npos);  // the end's date line after it
    EXPECT_EQ(rig.recorder.transport().tape(), nullptr);
}

TEST(CloseHandler, ClosingWhileWaitingForRemoteEndsTheWait) {
    ToolRig rig;
    rig.recorder.setRemote(false);
    rig.at(10s, [&] { rig.tool.closeRequested(); });
    EXPECT_FALSE(rig.tool.Main());
    EXPECT_TRUE(rig.tool.ended());
    EXPECT_LT(rig.now(), 20s);
}

// The operator's actions that are work of their own, as the window reports them.
const std::vector<std::pair<std::string, std::function<void(Tool&)>>> workActions = {
    {"Adjust", [](Tool& t) { t.choose(run::ProgramItem::Adjust); }},
    {"Error Rate", [](Tool& t) { t.choose(run::ProgramItem::ErrorRate); }},
    {"START", [](Tool& t) { t.choose(run::ProgramItem::Start); }},
    {"Data DownLoad", [](Tool& t) { t.choose(run::ProgramItem::DownLoad); }},
    {"Data UpLoad", [](Tool& t) { t.choose(run::ProgramItem::UpLoad); }},
    {"Data Initialize", [](Tool& t) { t.choose(run::ProgramItem::Initialize); }},
    {"Program Reset", [](Tool& t) { t.choose(run::ProgramItem::Reset); }},
    {"Set Induce", [](Tool& t) { t.menuHelp(0); }},
    {"Version", [](Tool& t) { t.menuHelp(2); }},
    {"option PB", [](Tool& t) { t.partAdjCheck(1); }},
    {"check box", [](Tool& t) { t.checkBox(shell::CheckBoxId::PbLp0); }},
};

// Runs `action` every few milliseconds of virtual time, so that it falls into
// every wait: the blinking pauses and each exchange with the recorder.
void repeatedly(ToolRig& rig, std::chrono::milliseconds until, std::function<void()> action) {
    for (auto t = rig.now() + 1ms; t < rig.now() + until; t += 3ms)
        rig.at(t, action);
}

TEST(ConnectionCheck, ALocalRecorderBlinksTheMessageAndNoActionStartsInsideTheChecksWaits) {
    auto check = [](const std::function<void(ToolRig&)>& meanwhile) {
        auto rig = std::make_unique<ToolRig>();
        rig->recorder.setRemote(false);
        rig->at(5s, [r = rig.get()] { r->recorder.setRemote(true); });
        meanwhile(*rig);
        EXPECT_TRUE(rig->startUp());
        return rig;
    };
    std::vector<std::string> seen;  // the message, blinking while the recorder is local
    const auto quiet = check([&seen](ToolRig& rig) {
        for (std::chrono::milliseconds t : {1000ms, 2500ms, 4000ms, 5500ms})
            rig.at(t, [&rig, &seen] { seen.push_back(rig.tool.window().Message.caption); });
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"Please Set REMOTE !!", "", "Please Set REMOTE !!", ""}));
    EXPECT_EQ(count(sent(*quiet), "QOD:01"), 3);  // 0 and 3 s local, 6 s remote
    EXPECT_EQ(quiet->dialogs().beeps(), 2);
    EXPECT_EQ(quiet->tool.window().Message.fore, shell::colors::Black);
    for (const auto& [name, act] : workActions) {
        SCOPED_TRACE(name);
        const auto busy = check(
            [&act = act](ToolRig& rig) { repeatedly(rig, 7s, [&rig, &act] { act(rig.tool); }); });
        EXPECT_EQ(busy->tool.window(), quiet->tool.window());
        EXPECT_EQ(sent(*busy), sent(*quiet));
        EXPECT_EQ(busy->dialogs().shown().size(), 1u);  // the induce question only
        EXPECT_FALSE(busy->tool.versionWindow().visible);
    }
}

TEST(CloseHandler, LeavesAdjustmentModeEjectsAndEndsAndNoSecondCloseOrActionStartsInside) {
    ToolRig rig;
    ASSERT_TRUE(rig.startUp());
    rig.tool.recorder().AdjModeOn = true;
    rig.recorder.insert("HDLP MASTER", rig.now());
    rig.wait(3s);
    rig.platform.clearWire();
    repeatedly(rig, 10s, [&] { rig.tool.closeRequested(); });
    for (const auto& [name, act] : workActions)
        repeatedly(rig, 10s, [&rig, &act = act] { act(rig.tool); });
    rig.tool.closeRequested();
    EXPECT_TRUE(rig.tool.ended());
    EXPECT_FALSE(rig.tool.port()->isOpen());
    EXPECT_EQ(sent(rig), (std::vector<std::string>{"$ND", "QOD:11", "OEJ", "QOD:11"}));
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;  // opened and closed once
}

}  // namespace
}  // namespace rf::app
