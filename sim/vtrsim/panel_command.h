#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace rf::sim::vtrsim {

// The front-panel commands vtrsim reads on its standard input, one a line.
namespace panel {
struct Insert {
    std::string tape;  // blanks inside the name kept, runs of blanks made one
    friend bool operator==(const Insert&, const Insert&) = default;
};
struct Eject {
    friend bool operator==(const Eject&, const Eject&) = default;
};
struct SetRemote {
    bool remote = true;  // "remote" or "local"
    friend bool operator==(const SetRemote&, const SetRemote&) = default;
};
struct SetModel {
    std::string id;  // what "QID" answers from now on
    friend bool operator==(const SetModel&, const SetModel&) = default;
};
struct SetInduce {
    std::string code;  // one to three characters; three blanks for "induce clear"
    friend bool operator==(const SetInduce&, const SetInduce&) = default;
};
// A fault switched on. A reply fault acts on the next `count` replies, or
// (seconds > 0) for that long; state faults and line events have neither.
struct FaultOn {
    std::string name;
    int count = 0;
    double seconds = 0;
    friend bool operator==(const FaultOn&, const FaultOn&) = default;
};
struct FaultOff {
    std::string name;
    friend bool operator==(const FaultOff&, const FaultOff&) = default;
};
struct ListFaults {
    friend bool operator==(const ListFaults&, const ListFaults&) = default;
};
struct SetChanger {
    bool on = false;
    friend bool operator==(const SetChanger&, const SetChanger&) = default;
};
struct Status {
    friend bool operator==(const Status&, const Status&) = default;
};
struct ListTapes {
    friend bool operator==(const ListTapes&, const ListTapes&) = default;
};
// The record heads: the values a right adjustment chooses and those they have.
struct ListHeads {
    friend bool operator==(const ListHeads&, const ListHeads&) = default;
};
// Ages the recorder by whole hours of running tape, as between two visits
// (0: only says the drum hours).
struct Age {
    int hours = 0;
    friend bool operator==(const Age&, const Age&) = default;
};
struct Help {
    friend bool operator==(const Help&, const Help&) = default;
};
struct Quit {
    friend bool operator==(const Quit&, const Quit&) = default;
};
// A blank line: nothing to do.
struct Nothing {
    friend bool operator==(const Nothing&, const Nothing&) = default;
};
// A line that is no command; `reason` says why, for the operator.
struct Invalid {
    std::string reason;
    friend bool operator==(const Invalid&, const Invalid&) = default;
};
}  // namespace panel

using PanelCommand =
    std::variant<panel::Nothing, panel::Insert, panel::Eject, panel::SetRemote, panel::SetModel,
                 panel::SetInduce, panel::FaultOn, panel::FaultOff, panel::ListFaults,
                 panel::SetChanger, panel::Status, panel::ListTapes, panel::ListHeads, panel::Age,
                 panel::Help, panel::Quit, panel::Invalid>;

// Reads one line. Command words, fault names and on/off are taken in any case;
// tape names and the identification text as written.
PanelCommand parsePanelCommand(std::string_view line);

enum class FaultKind { Unknown, Reply, State, LineEvent };
FaultKind faultKind(std::string_view name);

// The port event code (platform::comm) of a line event, or 0.
int lineEventCode(std::string_view name);
// The catalogue name of a port event code ("break", "framing", ...), or "event N".
std::string lineEventName(int code);

// The front-panel commands, one per line, for --help and "help".
const char* panelHelp();

}  // namespace rf::sim::vtrsim
