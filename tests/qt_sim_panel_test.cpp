// vtrsim's front-panel commands carried out on the recorder in real time.
#include <gtest/gtest.h>
#include <unistd.h>

#include "panel_actions.h"
#include "platform/qt/qt_platform.h"

namespace {

using rf::platform::qt::QtPlatform;
using rf::platform::qt::RealTimeRecorder;
using rf::sim::Micros;
using namespace rf::sim::vtrsim;

class PanelOnRecorder : public ::testing::Test {
  protected:
    // The lines a front-panel line answers with, joined.
    std::string run(const std::string& line) {
        std::string out;
        for (const std::string& l : runPanelCommand(parsePanelCommand(line), host))
            out += l + "\n";
        return out;
    }
    rf::sim::Faults& faults() { return host.recorder().faults(); }

    QtPlatform platform{"rfadjust-qt-sim-panel-test-" + std::to_string(::getpid()) + ".lock"};
    RealTimeRecorder host;
};

TEST_F(PanelOnRecorder, FaultCommandsSetTheSwitchTheyNameForACountOrATime) {
    EXPECT_EQ(run("fault error 3"), "fault error on for the next 3 replies\n");
    EXPECT_EQ(faults().errorReply.count, 3);
    EXPECT_NE(run("faults").find("fault error      on for 3 more replies"), std::string::npos);

    const Micros before = host.now();
    EXPECT_EQ(run("fault slow 2.5s"), "fault slow on for 2.5 s\n");
    EXPECT_GE(faults().slow.until, before + Micros{2'500'000});
    EXPECT_LE(faults().slow.until, host.now() + Micros{2'500'000});
    EXPECT_EQ(faults().slow.count, 0);

    // A new setting replaces the old one rather than adding to it.
    run("fault error 10s");
    EXPECT_EQ(faults().errorReply.count, 0);
    EXPECT_TRUE(faults().errorReply.active(host.now()));
    EXPECT_EQ(run("fault error off"), "fault error off\n");
    EXPECT_FALSE(faults().errorReply.active(host.now()));

    run("fault remainff");
    EXPECT_TRUE(faults().remainUnknown);
    run("fault remainff off");
    EXPECT_FALSE(faults().remainUnknown);
}

TEST_F(PanelOnRecorder, InsertFindsATapeByNameInAnyCaseAndTakesOneTapeAtATime) {
    EXPECT_EQ(run("insert hdlp  master"), "inserted HDLP MASTER: threading for 2 s\n");
    EXPECT_EQ(host.state().tape, "HDLP MASTER");
    EXPECT_NE(run("status").find("status threading, tape HDLP MASTER at 0:00:00 of 0:30:00, "
                                 "remaining FF (not yet known)"),
              std::string::npos);
    EXPECT_NE(run("insert DV MASTER").find("refused: HDLP MASTER is in"), std::string::npos);
    EXPECT_NE(run("tapes").find("tape HDLP MASTER: format 7, master, protected, 0:30:00 long, "
                                "at 0:00:00, in the recorder"),
              std::string::npos);

    EXPECT_EQ(run("eject"), "ejected HDLP MASTER\n");
    EXPECT_EQ(run("eject"), "eject: no tape in\n");
    EXPECT_NE(run("insert VHS HOLIDAY").find("no tape \"VHS HOLIDAY\""), std::string::npos);
    EXPECT_FALSE(host.state().tape);

    run("changer on");
    run("insert BLANK");
    EXPECT_EQ(run("eject"), "ejected BLANK; the changer puts the next tape in 3 s\n");
}

TEST_F(PanelOnRecorder, ModelAndRemoteSwitchChangeWhatTheRecorderAnswers) {
    run("model QT9999");
    run("induce DMO");
    run("local");
    const auto replies = host.recorder().input("\x02QID\x03\x02QOD:11\x03", host.now());
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, "\x06\x02QT9999\x03");
    EXPECT_EQ(replies[1].bytes, "\x06\x02OAS00\x03");
    run("remote");
    EXPECT_NE(run("status").find(", remote, changer off, id QT9999, induce DMO"),
              std::string::npos);
}

}  // namespace
