#include "panel_command.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "platform/serial_port.h"
#include "sim/faults.h"

namespace rf::sim::vtrsim {

namespace {

namespace comm = platform::comm;

constexpr std::pair<std::string_view, int> LineEvents[] = {
    {"break", comm::Break},
    {"framing", comm::Frame},
    {"overrun", comm::Overrun},
    {"parity", comm::RxParity},
};

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && blank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !blank(line[i]))
            ++i;
        if (i > start) out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The words from `first` on, joined by single blanks.
std::string rest(const std::vector<std::string>& w, std::size_t first) {
    std::string out;
    for (std::size_t i = first; i < w.size(); ++i)
        out += (out.empty() ? "" : " ") + w[i];
    return out;
}

// "on"/"off" as a switch position, or nothing.
std::optional<bool> onOff(const std::vector<std::string>& w) {
    if (w.size() != 2) return std::nullopt;
    const std::string s = lower(w[1]);
    if (s == "on") return true;
    if (s == "off") return false;
    return std::nullopt;
}

panel::Invalid invalid(std::string reason) {
    return {std::move(reason)};
}

PanelCommand parseFault(const std::vector<std::string>& w) {
    if (w.size() < 2) return invalid("fault needs a name (\"faults\" lists them)");
    if (w.size() > 3) return invalid("fault takes a name and one of: a count, a duration, off");
    const std::string name = lower(w[1]);
    const FaultKind kind = faultKind(name);
    if (kind == FaultKind::Unknown)
        return invalid("no fault \"" + w[1] + "\" (\"faults\" lists them)");
    if (w.size() == 2) return panel::FaultOn{name, kind == FaultKind::Reply ? 1 : 0, 0};

    const std::string arg = lower(w[2]);
    if (arg == "off") {
        if (kind == FaultKind::LineEvent)
            return invalid(name +
                           " is a line event: it happens once, there is nothing to switch off");
        return panel::FaultOff{name};
    }
    if (kind != FaultKind::Reply)
        return invalid(name + (kind == FaultKind::State
                                   ? " is a state fault: it stays on until \"off\", without a count"
                                   : " is a line event: it happens once, without a count"));
    if (arg.ends_with('s')) {
        // A duration: seconds, fractions allowed.
        const std::string number = arg.substr(0, arg.size() - 1);
        double seconds = 0;
        const auto [end, ec] =
            std::from_chars(number.data(), number.data() + number.size(), seconds);
        if (number.empty() || ec != std::errc{} || end != number.data() + number.size() ||
            !(seconds > 0) || !std::isfinite(seconds))
            return invalid("\"" + w[2] + "\" is not a duration (e.g. 10s)");
        return panel::FaultOn{name, 0, seconds};
    }
    int count = 0;
    const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), count);
    if (ec != std::errc{} || end != arg.data() + arg.size() || count < 1)
        return invalid("\"" + w[2] +
                       "\" is not a count of replies (1 or more) nor a duration (10s)");
    return panel::FaultOn{name, count, 0};
}

}  // namespace

FaultKind faultKind(std::string_view name) {
    Faults probe;
    const std::string n(name);
    if (probe.replySwitch(n)) return FaultKind::Reply;
    if (probe.stateSwitch(n)) return FaultKind::State;
    if (lineEventCode(name) != 0) return FaultKind::LineEvent;
    return FaultKind::Unknown;
}

int lineEventCode(std::string_view name) {
    for (auto [n, code] : LineEvents)
        if (n == name) return code;
    return 0;
}

std::string lineEventName(int code) {
    for (auto [n, c] : LineEvents)
        if (c == code) return std::string(n);
    return "event " + std::to_string(code);
}

PanelCommand parsePanelCommand(std::string_view line) {
    const std::vector<std::string> w = words(line);
    if (w.empty()) return panel::Nothing{};
    const std::string verb = lower(w[0]);
    const auto noArguments = [&](PanelCommand command) -> PanelCommand {
        if (w.size() > 1) return invalid(verb + " takes nothing after it");
        return command;
    };

    if (verb == "insert") {
        if (w.size() < 2) return invalid("insert needs a tape name (\"tapes\" lists them)");
        return panel::Insert{rest(w, 1)};
    }
    if (verb == "model") {
        if (w.size() < 2) return invalid("model needs the identification text, e.g. model QT7320");
        return panel::SetModel{rest(w, 1)};
    }
    if (verb == "induce") {
        if (w.size() == 2 && lower(w[1]) == "clear") return panel::SetInduce{"   "};
        if (w.size() != 2 || w[1].size() > 3)
            return invalid("induce takes a code of up to three characters, or clear");
        return panel::SetInduce{w[1]};
    }
    if (verb == "changer") {
        if (auto on = onOff(w)) return panel::SetChanger{*on};
        return invalid("changer on or changer off");
    }
    if (verb == "fault") return parseFault(w);
    if (verb == "age") {
        int hours = -1;
        if (w.size() == 2) {
            const auto [end, ec] = std::from_chars(w[1].data(), w[1].data() + w[1].size(), hours);
            if (ec != std::errc{} || end != w[1].data() + w[1].size()) hours = -1;
        }
        if (hours < 0 || hours > 999999)
            return invalid("age takes whole hours of running tape, 0 to 999999 (e.g. age 500)");
        return panel::Age{hours};
    }
    if (verb == "eject") return noArguments(panel::Eject{});
    if (verb == "local") return noArguments(panel::SetRemote{false});
    if (verb == "remote") return noArguments(panel::SetRemote{true});
    if (verb == "faults") return noArguments(panel::ListFaults{});
    if (verb == "status") return noArguments(panel::Status{});
    if (verb == "tapes") return noArguments(panel::ListTapes{});
    if (verb == "heads") return noArguments(panel::ListHeads{});
    if (verb == "help") return noArguments(panel::Help{});
    if (verb == "quit") return noArguments(panel::Quit{});
    return invalid("unknown command \"" + w[0] + "\" (\"help\" lists the commands)");
}

const char* panelHelp() {
    return "  insert <tape name>      put a tape in (e.g. insert HDLP MASTER); it threads for 2 s\n"
           "  eject                   take the tape out\n"
           "  local                   the remote/local switch to local: commands are refused\n"
           "  remote                  the switch back to remote\n"
           "  model <id text>         what the recorder answers to QID (e.g. model QT7320)\n"
           "  induce <code>|clear     the induce code $DQ answers (up to three characters),\n"
           "                          or none: the tool then asks for one\n"
           "  fault <name> [<N>|<N>s] a reply fault for the next N replies (1 if left out)\n"
           "                          or for N seconds; a state fault on; a line event now\n"
           "  fault <name> off        a fault off\n"
           "  faults                  every fault, with its state\n"
           "  changer on|off          the automatic tape changer\n"
           "  status                  transport status, tape, position, remaining time\n"
           "  tapes                   the tape library\n"
           "  heads                   each HDLP record head: the current and frequency a\n"
           "                          right record adjustment chooses, and what it has\n"
           "  age <hours>             age the recorder by hours of running tape, as between\n"
           "                          two visits: its heads wear (age 0 shows the hours)\n"
           "  help                    this list\n"
           "  quit                    end vtrsim\n";
}

}  // namespace rf::sim::vtrsim
