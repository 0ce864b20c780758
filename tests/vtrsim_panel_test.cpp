// vtrsim's readers: the front-panel lines of its standard input and its
// command line.
#include <gtest/gtest.h>

#include "options.h"
#include "panel_command.h"
#include "platform/serial_port.h"
#include "sim/faults.h"

namespace {

using namespace rf::sim::vtrsim;
namespace comm = rf::platform::comm;

TEST(VtrsimPanelCommand, ReadsEveryCommandOfTheFrontPanelAndSaysWhyItRefusesALine) {
    const struct {
        const char* line;
        PanelCommand expected;  // Invalid: a part of the reason
    } table[] = {
        {"   \t ", panel::Nothing{}},
        // Tape names have blanks; stray and doubled blanks do not count.
        {"insert HDLP MASTER", panel::Insert{"HDLP MASTER"}},
        {"  insert   25M    MASTER  \r", panel::Insert{"25M MASTER"}},
        {"INSERT dv master", panel::Insert{"dv master"}},
        {"eject", panel::Eject{}},
        {"local", panel::SetRemote{false}},
        {"Remote", panel::SetRemote{true}},
        {"model QT7320", panel::SetModel{"QT7320"}},
        {"model QT 9999 X", panel::SetModel{"QT 9999 X"}},
        {"induce Dm0", panel::SetInduce{"Dm0"}},
        {"induce CLEAR", panel::SetInduce{"   "}},
        // A reply fault takes a count (one when left out) or a duration.
        {"fault error", panel::FaultOn{"error", 1, 0}},
        {"fault error 6", panel::FaultOn{"error", 6, 0}},
        {"fault NoReply 0.5s", panel::FaultOn{"noreply", 0, 0.5}},
        // A state fault just switches; a line event just happens.
        {"fault fr0", panel::FaultOn{"fr0", 0, 0}},
        {"fault lowtape OFF", panel::FaultOff{"lowtape"}},
        {"fault break", panel::FaultOn{"break", 0, 0}},
        {"faults", panel::ListFaults{}},
        {"changer on", panel::SetChanger{true}},
        {"changer OFF", panel::SetChanger{false}},
        {"status", panel::Status{}},
        {"tapes", panel::ListTapes{}},
        {"heads", panel::ListHeads{}},
        {"age 500", panel::Age{500}},
        {"help", panel::Help{}},
        {"quit", panel::Quit{}},
        {"play", panel::Invalid{"unknown command \"play\""}},
        {"insert", panel::Invalid{"needs a tape name"}},
        {"model", panel::Invalid{"needs the identification"}},
        {"induce", panel::Invalid{"up to three characters"}},
        {"induce ABCD", panel::Invalid{"up to three characters"}},
        {"induce A B", panel::Invalid{"up to three characters"}},
        {"eject now", panel::Invalid{"takes nothing after it"}},
        {"changer maybe", panel::Invalid{"changer on or changer off"}},
        {"fault", panel::Invalid{"needs a name"}},
        {"fault gremlins", panel::Invalid{"no fault \"gremlins\""}},
        {"fault error 0", panel::Invalid{"not a count"}},
        {"fault error 2x", panel::Invalid{"not a count"}},
        {"fault error s", panel::Invalid{"not a duration"}},
        {"fault error 0s", panel::Invalid{"not a duration"}},
        {"fault error 1,5s", panel::Invalid{"not a duration"}},
        {"fault error 3 4", panel::Invalid{"one of"}},
        {"fault fr0 3", panel::Invalid{"state fault"}},
        {"fault parity 2", panel::Invalid{"line event"}},
        {"fault break off", panel::Invalid{"line event"}},
        {"age", panel::Invalid{"whole hours"}},
        {"age -5", panel::Invalid{"whole hours"}},
        {"age 1.5", panel::Invalid{"whole hours"}},
    };
    for (const auto& [line, expected] : table) {
        const PanelCommand c = parsePanelCommand(line);
        const auto* refused = std::get_if<panel::Invalid>(&expected);
        const auto* reason = std::get_if<panel::Invalid>(&c);
        if (!refused || !reason)
            EXPECT_EQ(c, expected) << '"' << line << '"';
        else
            EXPECT_NE(reason->reason.find(refused->reason), std::string::npos)
                << '"' << line << "\": " << reason->reason;
    }
}

// Every fault of the catalogue is switched on by its name from the window
// (qt_front_panel_test); the line events reach the port under these codes.
TEST(VtrsimPanelCommand, LineEventsGoByTheirPortEventCodes) {
    const std::pair<const char*, int> events[] = {
        {"break", comm::Break},
        {"framing", comm::Frame},
        {"overrun", comm::Overrun},
        {"parity", comm::RxParity},
    };
    for (auto [name, code] : events) {
        EXPECT_EQ(lineEventCode(name), code) << name;
        EXPECT_EQ(lineEventName(code), name);
    }
    EXPECT_EQ(lineEventCode("error"), 0);
}

TEST(VtrsimOptions, ReadsTheOptionsInBothFormsAndTheLinkPath) {
    const ParsedOptions p = parseOptions(
        {"--seed", "42", "--id=QT7330", "--induce", "DMO", "--baud", "19200", "--changer", "--tape",
         "HDLP MASTER", "--trace", "--exit-on-eof", "--drum-hours=5000", "/tmp/vtr"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.linkPath, "/tmp/vtr");
    EXPECT_EQ(p.options.seed, 42u);
    EXPECT_EQ(p.options.id, "QT7330");
    EXPECT_EQ(p.options.induce, "DMO");
    EXPECT_EQ(p.options.baud, 19200);
    EXPECT_EQ(p.options.tape, "HDLP MASTER");
    EXPECT_EQ(p.options.drumHours, 5000);
    EXPECT_TRUE(p.options.changer && p.options.trace && p.options.exitOnEof);

    const ParsedOptions plain = parseOptions({"/tmp/vtr"});
    ASSERT_EQ(plain.error, "");
    EXPECT_EQ(plain.options.seed, 1u);
    EXPECT_EQ(plain.options.baud, 9600);
    EXPECT_FALSE(plain.options.id || plain.options.induce || plain.options.drumHours);
    EXPECT_FALSE(plain.options.changer || plain.options.trace || plain.options.exitOnEof);
    const ParsedOptions help = parseOptions({"--help"});  // no link path needed
    EXPECT_TRUE(help.options.help && help.error.empty());
}

TEST(VtrsimOptions, RefusesBadCommandLines) {
    const struct {
        std::vector<std::string> args;
        const char* errorHas;
    } table[] = {
        {{}, "link"},
        {{"--trace"}, "link"},
        {{"/tmp/a", "/tmp/b"}, "one link path"},
        {{"--seed", "x", "/tmp/vtr"}, "--seed"},
        {{"--seed", "-1", "/tmp/vtr"}, "--seed"},
        {{"--baud", "0", "/tmp/vtr"}, "--baud"},
        {{"--baud=96OO", "/tmp/vtr"}, "--baud"},
        {{"/tmp/vtr", "--tape"}, "--tape"},
        {{"--id=", "/tmp/vtr"}, "--id"},
        {{"--induce=ABCD", "/tmp/vtr"}, "--induce"},
        {{"--drum-hours", "-1", "/tmp/vtr"}, "--drum-hours"},
        {{"--trace=yes", "/tmp/vtr"}, "no value"},
        {{"--speed", "2", "/tmp/vtr"}, "unknown option --speed"},
    };
    for (const auto& [args, errorHas] : table) {
        const ParsedOptions p = parseOptions(args);
        EXPECT_NE(p.error.find(errorHas), std::string::npos)
            << (args.empty() ? "(none)" : args.front()) << ": \"" << p.error << '"';
    }
}

TEST(VtrsimOptions, HelpListsEveryFault) {
    const std::string text = usage();
    for (const auto& [name, what] : rf::sim::Faults::catalogue())
        EXPECT_NE(text.find("\n  " + name + " "), std::string::npos) << name;
}

}  // namespace
