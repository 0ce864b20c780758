#include "run/context.h"

#include <cmath>
#include <utility>

namespace rf::run {

RunContext::RunContext(RunState state, link::Rs& rs_, OperationLog& log_,
                       platform::Platform& platform_, Display& display_, std::string journalPath)
    : recorder(state.recorder),
      selection(state.selection),
      tables(state.tables),
      rates(state.rates),
      flags(state.flags),
      rs(rs_),
      log(log_),
      platform(platform_),
      display(display_),
      journal(std::move(journalPath)),
      PrgWaitBox(platform_, state.flags.PrgWaitFlag) {}

void RunContext::Stby(int ms) {
    PrgWaitBox.waitFor(ms, [this] { return lineFailed(); });
}

void RunContext::LogDsp(std::string_view text) {
    display.logLine(text);
    platform.processPending();
}

void RunContext::logAndShow(std::string_view text) {
    LogDsp(text);
    log.writeText(text);
}

void RunContext::progressReset() {
    display.progress(0);
}

void RunContext::ProgressDsp() {
    flags.ProgressVal += flags.ProgressStep;
    if (flags.ProgressVal > 100) flags.ProgressVal = 100;
    display.progress(static_cast<int>(std::nearbyint(flags.ProgressVal)));
    const std::size_t before = timeline.marks().size();
    timeline.step(clock.now());
    if (markPassed && timeline.marks().size() > before) markPassed(timeline.marks().back());
    platform.processPending();
}

void RunContext::blockBegins(std::string_view name) {
    const std::size_t before = timeline.marks().size();
    timeline.block(name, clock.now());
    if (markPassed && timeline.marks().size() > before) markPassed(timeline.marks().back());
}

namespace {
// The speed, category and kind parts of a block's name.
std::string nameSuffix(const BlockSel& sel) {
    static constexpr const char* categories[] = {",RP", ",PB", ",DV"};
    static constexpr const char* kinds[] = {",PB,Conf", ",PB,Slow", ",PB,SubConf", ",PB,SubSlow"};
    std::string out;
    if (const char* speed = speedName(sel.SRpm)) out += std::string(",") + speed;
    if (sel.SHeadCate >= 0 && sel.SHeadCate <= 2) out += categories[sel.SHeadCate];
    if (sel.SHeadCate == cate::RecPlay)
        out += ",RP,RP";
    else if (sel.SHeadCate == cate::Playback && sel.SHeadKind >= 0 && sel.SHeadKind <= 3)
        out += kinds[sel.SHeadKind];
    return out;
}

// The playback-mode digit of the block's heads, when it has one.
const char* modeCode(const BlockSel& sel) {
    static constexpr const char* kindCodes[] = {"0", "2", "3", "4"};
    if (sel.SHeadCate == cate::RecPlay) return "1";
    if (sel.SHeadCate == cate::Playback && sel.SHeadKind >= 0 && sel.SHeadKind <= 3)
        return kindCodes[sel.SHeadKind];
    return nullptr;
}
}  // namespace

std::string blockName(const BlockSel& sel) {
    const char* format = formatName(sel.SFmt);
    return (format ? format : "") + nameSuffix(sel);
}

std::string rateBlockName(int format, int category, int kind, int measurement) {
    if (format != fmt::HdLp) return fourChannelName(format);
    const bool recording = measurement != meas::Playback;
    return blockName({static_cast<std::int16_t>(format), rpm::Rpm18000,
                      static_cast<std::int16_t>(recording ? cate::RecPlay : category),
                      static_cast<std::int16_t>(recording ? 0 : kind), 0});
}

std::string RunContext::announce(const BlockSel& block, std::string_view what) {
    std::string name = AdjNameDisp(block);
    blockBegins(name);
    const std::string text = name + std::string(what);
    display.message(text);
    logAndShow(text);
    return name;
}

std::string RunContext::AdjNameDisp(const BlockSel& sel) {
    if (const char* code = modeCode(sel)) flags.PbModeCode = code;
    return blockName(sel);
}

void RunContext::putBackAfter(const RfError& error, std::string what,
                              std::function<void()> restore) {
    auto logged = [this, what = std::move(what), restore = std::move(restore)] {
        try {
            restore();
        } catch (const RfError& e) {
            logRecord(
                DelimitedRecord().text("Put back").text(what).text("failed: " + errorText(e)));
            putBackFailure = what + ": " + errorText(e);
            throw;
        }
        logRecord(DelimitedRecord().text("Put back").text(what).text("done"));
        try {
            journal.settled();
        } catch (const RfError&) {
            // Left pending, the journal puts the same values back at the next start.
        }
    };
    if (error.number() == err::TimeOver || lineFailed()) {
        putBack = std::move(logged);
        return;
    }
    try {
        logged();
    } catch (const RfError&) {
    }
}

void PutBackWrites::operator()(const std::function<void()>& write) {
    // A recorder that stopped answering would cost a time-out for every write.
    if (failure_ && failure_->number() == err::TimeOver) return;
    try {
        write();
    } catch (const RfError& e) {
        if (!failure_) failure_ = e;
    }
}

void PutBackWrites::raiseFirstFailure() const {
    if (failure_) throw *failure_;
}

void RunContext::putRecorderBack() {
    const std::function<void()> pending = std::exchange(putBack, {});
    try {
        if (pending) pending();
        if (rs.adjModeOn()) rs.AdjModeSet(link::AdjMode::Stop);
    } catch (const RfError&) {
    }
}

void RunContext::recordUnfinished(const std::string& why) {
    if (const auto record = std::exchange(unfinished, {})) record(why);
}

void RunContext::logAnswer(const std::string& text, platform::Answer answer) {
    const char* name = answer == platform::Answer::Abort    ? "Abort"
                       : answer == platform::Answer::Retry  ? "Retry"
                       : answer == platform::Answer::Ignore ? "Ignore"
                                                            : "closed";
    logRecord(DelimitedRecord().text("ERROR Message").text(text).text(name));
}

void RunContext::logRecord(const DelimitedRecord& record) {
    try {
        log.writeRecord(record.line());
    } catch (const RfError&) {
    }
}

}  // namespace rf::run
