#include "server.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>

#include "panel_actions.h"

namespace rf::sim::vtrsim {

namespace {

RecorderConfig configOf(const Options& o) {
    RecorderConfig c;
    c.seed = o.seed;
    c.baud = o.baud;
    c.autoChanger = o.changer;
    if (o.id) c.id = *o.id;
    if (o.induce) c.induce = *o.induce;
    if (o.drumHours) c.drumHours = *o.drumHours;
    return c;
}

}  // namespace

std::string visible(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        switch (c) {
            case '\x02':
                out += "<STX>";
                break;
            case '\x03':
                out += "<ETX>";
                break;
            case '\x06':
                out += "<ACK>";
                break;
            case '\x15':
                out += "<NAK>";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
                    static constexpr char hex[] = "0123456789ABCDEF";
                    const auto u = static_cast<unsigned char>(c);
                    out += std::string("<") + hex[u >> 4] + hex[u & 15] + ">";
                } else {
                    out += c;
                }
        }
    }
    return out;
}

Server::Server(const Options& options, std::FILE* out)
    : options_(options),
      out_(out),
      line_(options.linkPath),
      host_(configOf(options),
            [this](const char* what, const std::function<void()>& callback) {
                // Nothing may leave a callback of Qt's dispatch; the recorder
                // goes on with the next output.
                try {
                    callback();
                } catch (const std::exception& e) {
                    say(std::string("vtrsim: ") + what + " failed: " + e.what());
                }
            }),
      toolNotifier_(line_.master(), QSocketNotifier::Read) {
    host_.setSink([this](const Output& o) { send(o); });
    QObject::connect(&toolNotifier_, &QSocketNotifier::activated, &toolNotifier_,
                     [this] { readTool(); });

    if (!line_.replaced().empty())
        say("replaced the old link " + line_.linkPath() + " -> " + line_.replaced());
    say("serving " + host_.recorder().id() + " on " + line_.slavePath() + ", linked from " +
        line_.linkPath() + " (seed " + std::to_string(options_.seed) + ", " +
        std::to_string(options_.baud) + " baud, changer " + (options_.changer ? "on" : "off") +
        ")");
    if (options_.tape) {
        const auto lines = runPanelCommand(panel::Insert{*options_.tape}, host_);
        for (const auto& l : lines)
            say(l);
        if (!host_.recorder().transport().tape())
            throw std::runtime_error("no tape \"" + *options_.tape + "\" in the library");
    }
    say("type help for the front-panel commands");
}

Server::~Server() {
    host_.setSink({});
}

bool Server::command(std::string_view text) {
    const PanelCommand c = parsePanelCommand(text);
    if (std::holds_alternative<panel::Quit>(c)) {
        say("vtrsim: quit, ending");
        return false;
    }
    if (std::holds_alternative<panel::Help>(c)) {
        std::fputs(panelHelp(), out_);
        std::fflush(out_);
        return true;
    }
    for (const std::string& l : runPanelCommand(c, host_))
        say(l);
    return true;
}

void Server::say(const std::string& line) {
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
    // Whoever reads the output (a test, a pipe) sees each action as it happens.
    std::fflush(out_);
}

void Server::removeLink() {
    if (line_.removeLink()) say("removed the link " + line_.linkPath());
}

void Server::readTool() {
    std::string bytes;
    char buf[1024];
    for (;;) {
        const ssize_t n = ::read(line_.master(), buf, sizeof buf);
        if (n > 0) {
            bytes.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EAGAIN: all read. The held slave keeps the master from hanging up.
    }
    if (bytes.empty()) return;
    if (options_.trace) trace("tool", bytes);
    // The pseudo-terminal hands the bytes over at once; on the recorder's line
    // each character takes its time, so the last of them arrives a line time
    // after the first (or after those still crossing). The replies take theirs
    // the same way, so an exchange lasts as long as on the line.
    lineFree_ = std::max(lineFree_, host_.now()) + host_.recorder().lineTime(bytes.size());
    host_.input(bytes, lineFree_);
}

void Server::send(const Output& o) {
    if (o.event != 0) {
        // A pseudo-terminal carries no line conditions: tcsendbreak() on the
        // master succeeds and the slave sees nothing, and there is no way to
        // give the slave a framing, overrun or parity error.
        say("line event " + lineEventName(o.event) + " not deliverable over a pseudo-terminal");
        return;
    }
    if (options_.trace) trace("vtr ", o.bytes);
    if (const std::size_t lost = line_.write(o.bytes))
        say("line full: " + std::to_string(lost) + " bytes not sent (nobody reads the port)");
}

void Server::trace(const char* who, std::string_view bytes) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f ", static_cast<double>(host_.now().count()) / 1e6);
    say(stamp + std::string(who) + " " + visible(bytes));
}

}  // namespace rf::sim::vtrsim
