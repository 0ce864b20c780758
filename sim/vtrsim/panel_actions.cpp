#include "panel_actions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace rf::sim::vtrsim {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// Spelled out for compilers without class template argument deduction for
// aggregates (clang before 17).
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

const char* modeText(Mode mode) {
    switch (mode) {
        case Mode::Empty:
            return "no tape";
        case Mode::Loading:
            return "threading";
        case Mode::Stop:
            return "STOP";
        case Mode::StandbyOff:
            return "standby off";
        case Mode::Play:
            return "PLAY";
        case Mode::Rec:
            return "REC";
        case Mode::FF:
            return "FF";
        case Mode::Rew:
            return "REW";
        case Mode::Search:
            return "searching";
    }
    return "?";
}

const char* kindText(TapeKind kind) {
    switch (kind) {
        case TapeKind::Master:
            return "master";
        case TapeKind::Check:
            return "check";
        case TapeKind::Blank:
            break;
    }
    return "blank";
}

std::string secondsText(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", s);
    return buf;
}

std::string faultState(Faults& faults, const std::string& name, Micros now) {
    if (FaultSwitch* sw = faults.replySwitch(name)) {
        if (sw->count > 0) return "on for " + std::to_string(sw->count) + " more replies";
        if (now < sw->until)
            return "on for " +
                   secondsText(std::round(static_cast<double>((sw->until - now).count()) / 1e5) /
                               10) +
                   " s more";
        return "off";
    }
    if (bool* on = faults.stateSwitch(name)) return *on ? "on" : "off";
    return "line event";
}

std::vector<std::string> insert(const std::string& wanted, RealTimeRecorder& host) {
    std::vector<std::string> out;
    host.panel([&](Recorder& r, Micros now) {
        r.status(now);  // brings the changer up to now
        if (const Tape* in = r.transport().tape()) {
            out.push_back("insert refused: " + in->name + " is in; eject it first");
            return;
        }
        const auto& library = r.transport().library();
        const auto tape = std::find_if(library.begin(), library.end(),
                                       [&](const Tape& t) { return sameName(t.name, wanted); });
        if (tape == library.end()) {
            out.push_back("insert refused: no tape \"" + wanted +
                          "\" in the library (\"tapes\" lists them)");
            return;
        }
        const std::string name = tape->name;
        r.insert(name, now);
        out.push_back("inserted " + name + ": threading for " + secondsText(LoadSeconds) + " s" +
                      (r.faults().lowTape ? " (lowtape: 90 s before its end)" : ""));
    });
    return out;
}

std::vector<std::string> eject(RealTimeRecorder& host) {
    std::string line;
    host.panel([&](Recorder& r, Micros now) {
        r.status(now);
        const Tape* in = r.transport().tape();
        if (!in) {
            line = "eject: no tape in";
            return;
        }
        line = "ejected " + in->name;
        r.eject(now);
        if (r.transport().autoChanger())
            line += "; the changer puts the next tape in " + secondsText(ChangeSeconds) + " s";
    });
    return {line};
}

std::vector<std::string> faultOn(const panel::FaultOn& f, RealTimeRecorder& host) {
    if (const int code = lineEventCode(f.name)) {
        host.lineEvent(code);
        return {};
    }
    std::string line = "fault " + f.name + " on";
    host.panel([&](Recorder& r, Micros now) {
        if (FaultSwitch* sw = r.faults().replySwitch(f.name)) {
            sw->off();
            if (f.seconds > 0) {
                sw->until = now + Micros{static_cast<std::int64_t>(f.seconds * 1e6)};
                line += " for " + secondsText(f.seconds) + " s";
            } else {
                sw->count = std::max(1, f.count);
                line += sw->count == 1 ? " for the next reply"
                                       : " for the next " + std::to_string(sw->count) + " replies";
            }
        } else if (bool* on = r.faults().stateSwitch(f.name)) {
            *on = true;
        }
    });
    return {line};
}

std::vector<std::string> faultOff(const std::string& name, RealTimeRecorder& host) {
    host.panel([&](Recorder& r, Micros) {
        if (FaultSwitch* sw = r.faults().replySwitch(name)) sw->off();
        if (bool* on = r.faults().stateSwitch(name)) *on = false;
    });
    return {"fault " + name + " off"};
}

std::vector<std::string> listFaults(RealTimeRecorder& host) {
    std::vector<std::string> out;
    const Micros now = host.now();
    for (const auto& [name, what] : Faults::catalogue()) {
        std::string line = "fault " + name;
        line.resize(std::max<std::size_t>(line.size() + 1, 17), ' ');
        line += faultState(host.recorder().faults(), name, now);
        out.push_back(line + " - " + what);
    }
    return out;
}

std::vector<std::string> listTapes(RealTimeRecorder& host) {
    std::vector<std::string> out;
    Recorder& r = host.recorder();
    r.status(host.now());
    const Tape* in = r.transport().tape();
    for (const Tape& t : r.transport().library())
        out.push_back("tape " + t.name + ": format " + std::to_string(t.format) + ", " +
                      kindText(t.kind) + (t.writeProtected() ? ", protected" : "") + ", " +
                      clockText(t.length) + " long, at " + clockText(t.position) +
                      (&t == in ? ", in the recorder" : ""));
    return out;
}

// The judge of a record adjustment: each head's best values at its age beside
// the values it works with now (area 0) and those stored (area 1), HDLP at
// 18000 rpm.
std::vector<std::string> listHeads(RealTimeRecorder& host) {
    std::vector<std::string> out;
    host.panel([&](Recorder& r, Micros now) {
        for (int ch = 0; ch < 2; ++ch)
            for (int head = 0; head < 2; ++head) {
                const RecBest best = r.signal().best(7, ch, head, r.wearAge(now));
                const auto i = static_cast<std::size_t>(head);
                const RecItems& now = r.recValues(0, 7, 2, 0, ch);
                const RecItems& stored = r.recValues(1, 7, 2, 0, ch);
                char line[160];
                std::snprintf(line, sizeof line,
                              "head %c%d: best current %d frequency %d; has %d %d, stored %d %d",
                              ch == 0 ? 'L' : 'R', head + 1, best.current, best.frequency, now[i],
                              now[2 + i], stored[i], stored[2 + i]);
                out.emplace_back(line);
            }
    });
    return out;
}

std::vector<std::string> age(int hours, RealTimeRecorder& host) {
    std::string line;
    host.panel([&](Recorder& r, Micros now) {
        r.ageBy(hours);
        char text[120];
        std::snprintf(text, sizeof text, "aged by %d h: drum hours %.0f, the heads %d h old", hours,
                      std::floor(r.drumHours(now)), r.wearAge(now));
        line = text;
    });
    return {line};
}

}  // namespace

std::string clockText(double seconds) {
    const long s = std::lround(std::max(0.0, std::floor(seconds)));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

std::string statusLine(const PanelState& s) {
    std::string line = "status ";
    if (s.tape)
        line += std::string(modeText(s.mode)) + ", tape " + *s.tape + " at " +
                clockText(s.position) + " of " + clockText(s.length) + ", remaining " +
                (s.remaining ? clockText(*s.remaining) : std::string("FF (not yet known)"));
    else
        line += "no tape";
    line += s.remote ? ", remote" : ", local";
    line += s.autoChanger ? ", changer on" : ", changer off";
    line += ", id " + s.id + (s.induce == "   " ? ", no induce" : ", induce " + s.induce);
    return s.adjustMode ? line + ", adjustment mode" : line;
}

std::vector<std::string> runPanelCommand(const PanelCommand& command, RealTimeRecorder& host) {
    return std::visit(
        Overloaded{
            [](const panel::Nothing&) { return std::vector<std::string>{}; },
            [&](const panel::Insert& c) { return insert(c.tape, host); },
            [&](const panel::Eject&) { return eject(host); },
            [&](const panel::SetRemote& c) {
                host.panel([&](Recorder& r, Micros) { r.setRemote(c.remote); });
                return std::vector<std::string>{
                    c.remote ? "remote: the recorder takes commands"
                             : "local: the recorder refuses every command but QID and QOD"};
            },
            [&](const panel::SetModel& c) {
                host.panel([&](Recorder& r, Micros) { r.setId(c.id); });
                return std::vector<std::string>{"model " + c.id + ": QID answers it"};
            },
            [&](const panel::SetInduce& c) {
                host.panel([&](Recorder& r, Micros) { r.setInduce(c.code); });
                return std::vector<std::string>{
                    c.code == "   " ? "induce clear: the tool asks for a code when it connects"
                                    : "induce " + c.code + ": $DQ answers it"};
            },
            [&](const panel::FaultOn& c) { return faultOn(c, host); },
            [&](const panel::FaultOff& c) { return faultOff(c.name, host); },
            [&](const panel::ListFaults&) { return listFaults(host); },
            [&](const panel::SetChanger& c) {
                host.panel([&](Recorder& r, Micros now) { r.setAutoChanger(c.on, now); });
                return std::vector<std::string>{
                    c.on ? "changer on: with no tape in, the next tape goes in 3 s later"
                         : "changer off"};
            },
            [&](const panel::Status&) {
                return std::vector<std::string>{statusLine(host.state())};
            },
            [&](const panel::ListTapes&) { return listTapes(host); },
            [&](const panel::ListHeads&) { return listHeads(host); },
            [&](const panel::Age& c) { return age(c.hours, host); },
            [](const panel::Help&) { return std::vector<std::string>{}; },
            [](const panel::Quit&) { return std::vector<std::string>{}; },
            [](const panel::Invalid& c) { return std::vector<std::string>{"? " + c.reason}; },
        },
        command);
}

}  // namespace rf::sim::vtrsim
