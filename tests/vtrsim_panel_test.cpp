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

TEST(VtrsimPanelCommand, ReadsEveryCommandOfTheFrontPanel) {
    const struct {
        const char* line;
        PanelCommand expected;
    } table[] = {
        {"", panel::Nothing{}},
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
        {"fault NoReply 10s", panel::FaultOn{"noreply", 0, 10}},
        {"fault split 0.5s", panel::FaultOn{"split", 0, 0.5}},
        {"fault slow off", panel::FaultOff{"slow"}},
        // A state fault just switches; a line event just happens.
        {"fault fr0", panel::FaultOn{"fr0", 0, 0}},
        {"fault lowtape OFF", panel::FaultOff{"lowtape"}},
        {"fault break", panel::FaultOn{"break", 0, 0}},
        {"faults", panel::ListFaults{}},
        {"changer on", panel::SetChanger{true}},
        {"changer OFF", panel::SetChanger{false}},
        {"status", panel::Status{}},
        {"tapes", panel::ListTapes{}},
        {"help", panel::Help{}},
        {"quit", panel::Quit{}},
    };
    for (const auto& [line, expected] : table)
        EXPECT_EQ(parsePanelCommand(line), expected) << '"' << line << '"';
}

TEST(VtrsimPanelCommand, RefusesWhatItCannotDoAndSaysWhy) {
    const struct {
        const char* line;
        const char* reasonHas;
    } table[] = {
        {"play", "unknown command \"play\""},
        {"insert", "needs a tape name"},
        {"model", "needs the identification"},
        {"induce", "up to three characters"},
        {"induce ABCD", "up to three characters"},
        {"induce A B", "up to three characters"},
        {"eject now", "takes nothing after it"},
        {"status please", "takes nothing after it"},
        {"changer", "changer on or changer off"},
        {"changer maybe", "changer on or changer off"},
        {"fault", "needs a name"},
        {"fault gremlins", "no fault \"gremlins\""},
        {"fault error 0", "not a count"},
        {"fault error -3", "not a count"},
        {"fault error 2x", "not a count"},
        {"fault error s", "not a duration"},
        {"fault error 0s", "not a duration"},
        {"fault error 1,5s", "not a duration"},
        {"fault error 3 4", "one of"},
        {"fault fr0 3", "state fault"},
        {"fault tcstuck 10s", "state fault"},
        {"fault parity 2", "line event"},
        {"fault break off", "line event"},
    };
    for (const auto& [line, reasonHas] : table) {
        const PanelCommand c = parsePanelCommand(line);
        ASSERT_TRUE(std::holds_alternative<panel::Invalid>(c)) << '"' << line << '"';
        EXPECT_NE(std::get<panel::Invalid>(c).reason.find(reasonHas), std::string::npos)
            << '"' << line << "\": " << std::get<panel::Invalid>(c).reason;
    }
}

TEST(VtrsimPanelCommand, EveryFaultOfTheCatalogueCanBeNamedAndHasAKind) {
    for (const auto& [name, what] : rf::sim::Faults::catalogue()) {
        EXPECT_NE(faultKind(name), FaultKind::Unknown) << name;
        const PanelCommand c = parsePanelCommand("fault " + name);
        EXPECT_TRUE(std::holds_alternative<panel::FaultOn>(c)) << name;
    }
    // The line events reach the port under its own event codes, and back.
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
    const ParsedOptions p = parseOptions({"--seed", "42", "--id=QT7330", "--induce", "DMO",
                                          "--baud", "19200", "--changer", "--tape", "HDLP MASTER",
                                          "--trace", "--exit-on-eof", "/tmp/vtr"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.linkPath, "/tmp/vtr");
    EXPECT_EQ(p.options.seed, 42u);
    EXPECT_EQ(p.options.id, "QT7330");
    EXPECT_EQ(p.options.induce, "DMO");
    EXPECT_EQ(p.options.baud, 19200);
    EXPECT_TRUE(p.options.changer);
    EXPECT_EQ(p.options.tape, "HDLP MASTER");
    EXPECT_TRUE(p.options.trace);
    EXPECT_TRUE(p.options.exitOnEof);

    const ParsedOptions plain = parseOptions({"/tmp/vtr"});
    ASSERT_EQ(plain.error, "");
    EXPECT_EQ(plain.options.seed, 1u);
    EXPECT_EQ(plain.options.baud, 9600);
    EXPECT_FALSE(plain.options.id);
    EXPECT_FALSE(plain.options.changer || plain.options.trace || plain.options.exitOnEof);

    const ParsedOptions help = parseOptions({"--help"});
    EXPECT_EQ(help.error, "");
    EXPECT_TRUE(help.options.help);
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
        {{"--trace=yes", "/tmp/vtr"}, "no value"},
        {{"--speed", "2", "/tmp/vtr"}, "unknown option --speed"},
    };
    for (const auto& [args, errorHas] : table) {
        const ParsedOptions p = parseOptions(args);
        EXPECT_NE(p.error.find(errorHas), std::string::npos)
            << (args.empty() ? "(none)" : args.front()) << ": \"" << p.error << '"';
    }
}

TEST(VtrsimOptions, HelpListsTheOptionsThePanelCommandsAndEveryFault) {
    const std::string text = usage();
    for (const char* option :
         {"--seed", "--id", "--baud", "--changer", "--tape", "--trace", "--exit-on-eof", "--help"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    for (const char* command : {"insert", "eject", "local", "remote", "model", "fault", "faults",
                                "changer", "status", "tapes", "help", "quit"})
        EXPECT_NE(text.find("\n  " + std::string(command)), std::string::npos) << command;
    for (const auto& [name, what] : rf::sim::Faults::catalogue())
        EXPECT_NE(text.find("\n  " + name + " "), std::string::npos) << name;
}

}  // namespace
