#include "measure/tape_handling.h"

#include <memory>
#include <optional>

#include "core/delimited.h"

namespace rf::measure {

namespace {
int hexValue(const std::string& field) {
    int v = 0;
    for (char c : field) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}
}  // namespace

std::string tapePrompt(TapeKind kind, int fmt) {
    const bool master = kind == TapeKind::Master, check = kind == TapeKind::Check,
               self = kind == TapeKind::Self;
    switch (fmt) {
        case fmt::Dv:
            if (master || check) return "Please Insert DV Master Tape";
            break;
        case fmt::Magvex50M:
            if (master) return "Please Insert 25M Master Tape";
            if (check) return "Please Insert 50M Check Tape";
            break;
        case fmt::HdSp:
            if (master) return "Please Insert 25M Master Tape";
            if (check) return "Please Insert HDSP Check Tape";
            break;
        case fmt::HdLp:
            if (master || check) return "Please Insert HDLP Master Tape";
            if (self) return "Please Insert MAGVEX Blank Tape";
            break;
        default:
            break;
    }
    return {};
}

std::string tapeRefusal(TapeKind kind, int fmt, int formatValue, std::string_view mark) {
    const std::string prompt = tapePrompt(kind, fmt);
    if (prompt.empty()) return "Tape refused: no test tape serves format " + std::to_string(fmt);
    int wanted = fmt;
    if (kind == TapeKind::Master && (fmt == fmt::Magvex50M || fmt == fmt::HdSp))
        wanted = 0;  // the 25M master serves both
    if (kind == TapeKind::Self ? mark == "OFF" : mark == "ON" && formatValue == wanted) return {};
    // "25M Master Tape": the tape of a prompt.
    auto tapeOf = [](const std::string& p) { return p.substr(p.find("Insert ") + 7); };
    const std::string asked = " where the " + tapeOf(prompt) + " is asked for";
    if (mark != "ON") return "Tape refused (wrong kind): a blank tape" + asked;
    // The marked test tapes by their format value: the 25M master (0), and
    // the tape each format's check asks for (its own value).
    const std::string in = formatValue == 0 ? tapePrompt(TapeKind::Master, fmt::Magvex50M)
                                            : tapePrompt(TapeKind::Check, formatValue);
    auto master = [](const std::string& p) { return p.find("Master") != std::string::npos; };
    const bool wrongKind = kind == TapeKind::Self || (!in.empty() && master(in) != master(prompt));
    return std::string("Tape refused (wrong ") + (wrongKind ? "kind" : "format") + "): " +
           (in.empty() ? "a test tape of format value " + std::to_string(formatValue)
                       : "the " + tapeOf(in)) +
           asked;
}

const std::string& TapeHandling::readStatus() {
    ctx_.recorder.VtrStatus = rs_.StatusRead();
    ctx_.display.status(ctx_.recorder.VtrStatus);
    return ctx_.recorder.VtrStatus;
}

bool TapeHandling::transportUntil(link::Transport mode) {
    return transportTo(mode, true);
}

void TapeHandling::transportOnStopPath(link::Transport mode) {
    transportTo(mode, false);
}

bool TapeHandling::transportTo(link::Transport mode, bool honourStop) {
    const std::string_view status = link::transportStatus(mode);
    if (status.empty()) {
        // Not a mode the recorder reports: the command alone.
        rs_.TransportCtrl(mode);
        return true;
    }
    // A wait that STOP cannot end is bounded: a recorder that never gets there
    // (a jammed eject, a tape pulled out by hand) must not trap the operator.
    bool overdue = false;
    std::unique_ptr<platform::Timer> limit;
    if (!honourStop) {
        limit = ctx_.platform.createTimer();
        limit->setInterval(StopPathLimitMs);
        limit->setHandler([&overdue] { overdue = true; });
        limit->setEnabled(true);
    }
    do {
        if (honourStop && ctx_.stopRequested()) return false;
        if (overdue) {
            const std::string where =
                std::string(status) + " not reached, status = " + ctx_.recorder.VtrStatus;
            ctx_.logAndShow(where);
            Raise(err::NotReached, where);
        }
        rs_.TransportCtrl(mode);
        readStatus();
    } while (ctx_.recorder.VtrStatus != status);
    return true;
}

void TapeHandling::ejectTape() {
    transportOnStopPath(link::Transport::Eject);
    blankCounters();
}

void TapeHandling::blankCounters() {
    ctx_.display.timeCode({"**", "**", "**", "**"});
    ctx_.display.remain({"**", "**", "**"});
}

void TapeHandling::showTimecode() {
    auto tc = rs_.TimeCodeRead(link::TimeCodeMode::Tcr);
    ctx_.display.timeCode(tc);
}

void TapeHandling::showRemain(const std::array<std::string, 3>& remain) {
    ctx_.display.remain(remain);
}

bool TapeHandling::TapeLoad(TapeKind STapeKind, int SFmt) {
    // From the moment a tape is asked for to the moment the one asked for is
    // in, the time is the operator's: a wrong tape's eject included.
    std::optional<run::WorkClock::OperatorWait> operatorTime;
    for (;;) {
        if (readStatus() == "EJECT") {
            if (!operatorTime) operatorTime.emplace(ctx_.clock);
            ctx_.display.message(tapePrompt(STapeKind, SFmt));
            ctx_.platform.dialogs().beep();  // heard by an operator away from the screen
            do {
                ctx_.display.messageColour(colors::Magenta);
                ctx_.Stby(1000);
                readStatus();
                ctx_.platform.processPending();
                ctx_.display.messageColour(colors::ButtonFace);
                ctx_.Stby(1000);
            } while (ctx_.recorder.VtrStatus != "STOP" && !ctx_.stopRequested());
            ctx_.Stby(1000);
            ctx_.display.message("");
            ctx_.display.messageColour(colors::Black);
            if (ctx_.stopRequested()) return false;
        }
        const int formatValue = rs_.FrRead();
        const std::string mark = rs_.OasRead();
        const std::string refusal = tapeRefusal(STapeKind, SFmt, formatValue, mark);
        if (refusal.empty()) return !ctx_.stopRequested();
        // Not the tape asked for: out with it, say why (on the screen only:
        // the operation log keeps its records), and ask again.
        ctx_.LogDsp(refusal);
        if (!operatorTime) operatorTime.emplace(ctx_.clock);
        if (!transportUntil(link::Transport::Eject)) return false;
        blankCounters();
    }
}

bool TapeHandling::RemainCheck(int SCheckMinute, link::Transport SAfterStatus) {
    std::array<std::string, 3> remain;
    for (;;) {
        showTimecode();
        remain = rs_.QhrRead(1);
        const bool valid = remain[2].empty() || remain[2][0] != 'F';
        readStatus();
        ctx_.platform.processPending();
        if (ctx_.recorder.VtrStatus != "STOP" && ctx_.recorder.VtrStatus != "STBOF" && !valid &&
            !ctx_.stopRequested())
            continue;
        if (ctx_.stopRequested()) return false;
        if (valid) showRemain(remain);
        ctx_.log.writeText("Remain = " + remain[0] + remain[1] + remain[2]);
        // Read as decimal numbers, an unknown "FF" counts as 0: a stopped tape
        // whose remaining time the recorder does not know ends the check here
        // (and is rewound below) instead of being asked about for ever.
        if (leadingNumber(remain[0]) < 24 && leadingNumber(remain[1]) < 60 &&
            leadingNumber(remain[2]) < 60)
            break;
    }
    // The minutes are read as hexadecimal: "10" counts as 16.
    const bool tooLittle = (remain[0] == "00" && hexValue(remain[1]) <= SCheckMinute) ||
                           ctx_.recorder.VtrStatus == "STBOF" || ctx_.recorder.VtrStatus == "STOP";
    if (!tooLittle) {
        ctx_.Stby(2000);
        return !ctx_.stopRequested();
    }
    ctx_.platform.dialogs().beep();
    ctx_.log.writeText("No Remain");
    if (!transportUntil(link::Transport::Rew)) return false;
    ctx_.display.enable(run::ProgramItem::Irq, true);
    do {
        showTimecode();
        showRemain(rs_.QhrRead(1));
        readStatus();
        ctx_.platform.processPending();
    } while (ctx_.recorder.VtrStatus != "STOP" && !ctx_.flags.IrqReq && !ctx_.stopRequested());
    ctx_.display.enable(run::ProgramItem::Irq, false);
    if (ctx_.flags.IrqReq || ctx_.stopRequested()) {
        // The tape stops whether the operator cut the rewind short or stopped the run.
        transportOnStopPath(link::Transport::Stop);
        ctx_.flags.IrqReq = false;
    }
    if (ctx_.stopRequested()) return false;
    if (!transportUntil(link::Transport::Play)) return false;
    ctx_.Stby(3000);
    if (!transportUntil(link::Transport::Stop)) return false;
    ctx_.Stby(2000);
    if (!transportUntil(SAfterStatus)) return false;
    ctx_.Stby(2000);
    return !ctx_.stopRequested();
}

}  // namespace rf::measure
