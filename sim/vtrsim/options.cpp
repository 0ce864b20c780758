#include "options.h"

#include <algorithm>
#include <charconv>

#include "panel_command.h"
#include "sim/faults.h"

namespace rf::sim::vtrsim {

namespace {

template <class Int>
bool number(const std::string& text, Int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size();
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions out;
    Options& o = out.options;
    const auto fail = [&](std::string error) {
        out.error = std::move(error);
        return out;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> value;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.erase(eq);
            }
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (value) return value;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        const auto flag = [&](bool& target) {
            if (value) return false;
            target = true;
            return true;
        };

        if (arg == "--help" || arg == "-h") {
            if (!flag(o.help)) return fail(arg + " takes no value");
        } else if (arg == "--trace") {
            if (!flag(o.trace)) return fail(arg + " takes no value");
        } else if (arg == "--changer") {
            if (!flag(o.changer)) return fail(arg + " takes no value");
        } else if (arg == "--exit-on-eof") {
            if (!flag(o.exitOnEof)) return fail(arg + " takes no value");
        } else if (arg == "--seed") {
            const auto v = takeValue();
            if (!v || !number(*v, o.seed)) return fail("--seed needs a whole number");
        } else if (arg == "--baud") {
            const auto v = takeValue();
            if (!v || !number(*v, o.baud) || o.baud < 50 || o.baud > 1'000'000)
                return fail("--baud needs a rate from 50 to 1000000");
        } else if (arg == "--drum-hours") {
            const auto v = takeValue();
            int hours = 0;
            if (!v || !number(*v, hours) || hours < 0 || hours > 999999)
                return fail("--drum-hours needs whole hours from 0 to 999999");
            o.drumHours = hours;
        } else if (arg == "--id") {
            const auto v = takeValue();
            if (!v || v->empty()) return fail("--id needs the identification text");
            o.id = *v;
        } else if (arg == "--induce") {
            const auto v = takeValue();
            if (!v || v->empty() || v->size() > 3)
                return fail("--induce needs a code of one to three characters");
            o.induce = *v;
        } else if (arg == "--tape") {
            const auto v = takeValue();
            if (!v || v->empty()) return fail("--tape needs a tape name");
            o.tape = *v;
        } else if (arg.starts_with("-") && arg != "-") {
            return fail("unknown option " + arg);
        } else if (o.linkPath.empty()) {
            o.linkPath = arg;
        } else {
            return fail("one link path only (\"" + o.linkPath + "\" and \"" + arg + "\")");
        }
    }
    if (!o.help && o.linkPath.empty())
        return fail("the path of the link to the pseudo-terminal is missing, e.g. vtrsim /tmp/vtr");
    return out;
}

std::string usage() {
    std::string text =
        "usage: vtrsim [options] <link path>\n"
        "\n"
        "Serves the simulated recorder on a pseudo-terminal, in real time. The link path\n"
        "becomes a symbolic link to the terminal device: give it to the tool as the port\n"
        "(RSSET.DAT: \"/tmp/vtr\",\"9600\",\"N\",\"8\",\"1\"). An old symbolic link there is\n"
        "replaced; any other file is left alone and vtrsim stops.\n"
        "\n"
        "options:\n"
        "  --seed N          the recorder's hidden head values and noise (1)\n"
        "  --id TEXT         what the recorder answers to QID (QT7310)\n"
        "  --induce TEXT     the induce code the recorder answers to $DQ (none)\n"
        "  --baud N          the line time of each character, 10 bits at N baud (9600)\n"
        "  --drum-hours N    the drum hours meter at start, whole hours (123400);\n"
        "                    the heads wear from there as the tape runs\n"
        "  --changer         the automatic tape changer on\n"
        "  --tape NAME       a tape in at start (quote a name with blanks)\n"
        "  --trace           print every command and reply on the line\n"
        "  --exit-on-eof     end at the end of standard input (otherwise keep serving)\n"
        "  --help            this text\n"
        "\n"
        "front-panel commands, one a line on standard input:\n";
    text += panelHelp();
    text += "\nfaults:\n";
    for (const auto& [name, what] : Faults::catalogue()) {
        const FaultKind kind = faultKind(name);
        const char* tag = kind == FaultKind::Reply   ? "reply"
                          : kind == FaultKind::State ? "state"
                                                     : "event";
        text += "  " + name + std::string(12 - std::min<std::size_t>(name.size(), 11), ' ') + tag +
                "  " + what + "\n";
    }
    text +=
        "\nLine events (break, framing, overrun, parity) cannot cross a pseudo-terminal;\n"
        "vtrsim says so when one is asked for. SIGINT and SIGTERM end it; the link goes.\n";
    return text;
}

}  // namespace rf::sim::vtrsim
