// vtrsim's front-panel commands carried out on the recorder in real time.
#include <gtest/gtest.h>
#include <unistd.h>

#include "panel_actions.h"
#include "platform/qt/qt_platform.h"
#include "sim/realtime/qt_sim_port.h"

namespace {

using rf::platform::qt::QtPlatform;
using rf::sim::Micros;
using rf::sim::RealTimeRecorder;
using namespace rf::sim::vtrsim;

TEST(PanelOnRecorder, AnswersEachLineAndTheRecorderAnswersTheToolAccordingly) {
    QtPlatform platform{"rfadjust-qt-sim-panel-test-" + std::to_string(::getpid()) + ".lock"};
    RealTimeRecorder host;
    // The answer to a front-panel line, or the reply to a command from the
    // tool (STX \2 ... ETX \3; ACK is \6).
    const auto run = [&](const std::string& line) {
        std::string out;
        if (line.starts_with('\2')) {
            for (const auto& reply : host.recorder().input(line, host.now()))
                out += reply.bytes;
            return out;
        }
        for (const std::string& l : runPanelCommand(parsePanelCommand(line), host))
            out += l + "\n";
        return out;
    };
    // Each line and the beginning of a line of what it answers.
    const std::pair<const char*, const char*> transcript[] = {
        {"fault error 3", "fault error on for the next 3 replies\n"},
        {"faults", "fault error      on for 3 more replies - "},
        {"fault error off", "fault error off\n"},
        {"faults", "fault error      off - "},
        {"fault remainff", "fault remainff on\n"},
        {"faults", "fault remainff   on - "},
        {"fault remainff off", "fault remainff off\n"},
        {"faults", "fault remainff   off - "},
        // Tapes by name in any case, one at a time.
        {"insert hdlp  master", "inserted HDLP MASTER: threading for 2 s\n"},
        {"status",
         "status threading, tape HDLP MASTER at 0:00:00 of 0:30:00, "
         "remaining FF (not yet known), remote, changer off, id QT7310, no induce\n"},
        {"insert DV MASTER", "insert refused: HDLP MASTER is in; eject it first\n"},
        {"tapes",
         "tape HDLP MASTER: format 7, master, protected, 0:30:00 long, at 0:00:00, "
         "in the recorder\n"},
        {"eject", "ejected HDLP MASTER\n"},
        {"eject", "eject: no tape in\n"},
        {"insert VHS HOLIDAY", "insert refused: no tape \"VHS HOLIDAY\" in the library"},
        // The model, the induce code and the remote/local switch.
        {"model QT9999", "model QT9999: QID answers it\n"},
        {"induce DMO", "induce DMO: $DQ answers it\n"},
        {"local", "local: the recorder refuses every command but QID and QOD\n"},
        {"\2QID\3", "\6\2QT9999\3"},
        {"\2QOD:11\3", "\6\2OAS00\3"},
        {"\2$FR\3", "\6\2ER02\3"},
        {"remote", "remote: the recorder takes commands\n"},
        {"\2$DQ\3", "\6\2$DIDMO\3"},
        {"status", "status no tape, remote, changer off, id QT9999, induce DMO\n"},
        {"changer on", "changer on: with no tape in, the next tape goes in 3 s later\n"},
        {"insert BLANK", "inserted BLANK: threading for 2 s\n"},
        {"eject", "ejected BLANK; the changer puts the next tape in 3 s\n"},
        {"heads", "head R2: best current "},
    };
    for (const auto& [line, answer] : transcript) {
        const std::string out = run(line);
        EXPECT_NE(("\n" + out).find("\n" + std::string(answer)), std::string::npos)
            << line << " answered " << out;
    }

    // A duration replaces a count: the fault is on until that long from now.
    run("fault slow 3");
    const Micros before = host.now();
    EXPECT_EQ(run("fault slow 2.5s"), "fault slow on for 2.5 s\n");
    auto& slow = host.recorder().faults().slow;
    EXPECT_GE(slow.until, before + Micros{2'500'000});
    EXPECT_LE(slow.until, host.now() + Micros{2'500'000});
    EXPECT_EQ(slow.count, 0);
}

}  // namespace
