#include "measure/pb_measure.h"

#include <tuple>

#include "core/delimited.h"

namespace rf::measure {

std::string timeOfDay(const platform::DateTime& t) {
    return run::logTime(t);
}

std::string valueLine(const std::string& label, const std::array<float, 12>& values,
                      std::size_t first) {
    std::string out = label;
    for (std::size_t i = 0; i < 4; ++i)
        out += (i ? "," : "") + fixed2(values[first + i]);
    return out;
}

void logValues(run::RunContext& ctx, const std::string& label, const std::string& recordLabel,
               std::size_t first) {
    ctx.LogDsp(valueLine(label, ctx.rates.SRealErr, first));
    DelimitedRecord record;
    record.text(recordLabel);
    for (std::size_t i = 0; i < 4; ++i)
        record.number(ctx.rates.SRealErr[first + i]);
    ctx.log.writeRecord(record.line());
}

void showFourChannelPanel(run::RunContext& ctx) {
    ctx.display.channelLabels({"AL", "AR", "VL", "VR"});
    ctx.display.kindLabel("ALL");
    ctx.rates.ErrSelNo = 0;
    ctx.display.errorGroup("A/V");
}

void showHdlpPanel(run::RunContext& ctx, int cate, int kind) {
    ctx.display.channelLabels({"LH", "LL", "RH", "RL"});
    static constexpr const char* kinds[] = {"CONF", "SLOW", "SUB SONF", "SUB SLOW"};
    ctx.display.kindLabel(cate == cate::RecPlay ? "RP" : kinds[kind]);
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    ctx.display.errorGroup(groups[ctx.rates.ErrSelNo]);
}

std::string fourChannelTapeTitle(int fmt) {
    return std::string(fmt == fmt::Dv ? "Master " : "Check Tape ") + "Error Rate";
}

void keepFourChannelRates(ErrorRates& rates, int fmt) {
    rates.keptThisRun.push_back({fmt, 0, 0, meas::Playback});
    for (int c = 0; c < 4; ++c) {
        rates.RealErrOt(fmt, c, 0) = rates.SRealErr[static_cast<std::size_t>(c)];
        rates.ErrResOt(fmt, c, 0) = rates.RealErrOt(fmt, c, 0);
    }
}

void keepHdlpRates(ErrorRates& rates, int cate, int kind) {
    rates.keptThisRun.push_back({fmt::HdLp, cate, kind, meas::Playback});
    for (int g = 0; g < 3; ++g)
        for (int h = 0; h < 4; ++h) {
            rates.RealErrLp(fmt::HdLp, cate, kind, g, h, 0) =
                rates.SRealErr[static_cast<std::size_t>(4 * g + h)];
            rates.ErrResLp(fmt::HdLp, cate, kind, g, h, 0) =
                rates.RealErrLp(fmt::HdLp, cate, kind, g, h, 0);
        }
}

void keepRecordingRates(ErrorRates& rates, int fmt) {
    for (int k : {meas::Conf, meas::Self}) {
        rates.keptThisRun.push_back({fmt, 1, 0, k});
        for (int g = 0; g < 3; ++g)
            for (int h = 0; h < 4; ++h)
                rates.ErrResLp(fmt, 1, 0, g, h, k) = rates.RealErrLp(fmt, 1, 0, g, h, k);
    }
}

bool settleForBlock(run::RunContext& ctx, TapeHandling& tape, int& lastRpm, int rpm, int settleMs) {
    if (rpm != lastRpm) ctx.Stby(settleMs);
    lastRpm = rpm;
    return tape.RemainCheck(3, link::Transport::Play);
}

void normalHeadsMode(run::RunContext& ctx) {
    ctx.flags.PbModeCode = "0";
    ctx.rs.RmSet(link::rmParam(false, ctx.flags.PbModeCode, "10"));
}

void PbMeasure::PbMeasureMain() {
    ctx_.progressReset();
    ctx_.flags.ProgressVal = 0;
    // A four-channel format measures all its head kinds at once: one step.
    // Counted here from run control's count, so that a Retry counts afresh.
    float steps = ctx_.flags.PbStepCount;
    const auto selected = [this](int format, int speed) {
        return ctx_.selection.AdjSel(dir::Playback, format, speed, cate::Playback, kind::Conf, 0);
    };
    if (selected(fmt::Dv, rpm::Rpm9000)) steps -= 4;
    if (selected(fmt::Magvex50M, rpm::Rpm9900)) steps -= 3;
    if (selected(fmt::HdSp, rpm::Rpm19800)) steps -= 3;
    if (steps == 0) Raise(err::DivisionByZero);
    ctx_.flags.ProgressStep = 100.0f / steps / 2.0f;
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    ctx_.logAndShow(ctx_.recorder.VtrName + "  Play Measure Start");
    lastRpm_ = 0;

    // Every format code in turn, each ending with the tape out.
    for (int fmt = 0; fmt <= LastFormat; ++fmt) {
        ctx_.flags.sel.SFmt = static_cast<std::int16_t>(fmt);
        if (fmt == fmt::Dv || fmt == fmt::Magvex50M || fmt == fmt::HdSp)
            ctx_.flags.sel.SRpm = fourChannelSpeed(fmt);
        if (fmt == fmt::HdLp) {
            ctx_.flags.sel.SRpm = rpm::Rpm18000;
            for (int cate = 0; cate <= 1 && !ctx_.stopRequested(); ++cate)
                for (int kind = 0; kind <= 3; ++kind) {
                    if (!ctx_.selection.AdjSel(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate, kind,
                                               0))
                        continue;
                    if (ctx_.stopRequested()) break;
                    hdlpBlock(cate, kind);
                }
        } else if (ctx_.selection.AdjSel(dir::Playback, fmt, ctx_.flags.sel.SRpm, cate::Playback,
                                         kind::Conf, 0)) {
            if (ctx_.stopRequested() || !tape_.TapeLoad(TapeKind::Check, fmt)) break;
            fourChannelBlock(fmt, ctx_.flags.sel.SRpm);
        }
        // End of the format: no tape left in.
        if (tape_.readStatus() != "EJECT") tape_.ejectTape();
    }
    tape_.ejectTape();
    ctx_.logAndShow(ctx_.recorder.VtrName +
                    (ctx_.stopRequested() ? "  Play Measure Stop" : "  Play Measure End"));
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    ctx_.log.sync();  // the run's end outlives a power loss
}

void PbMeasure::fourChannelBlock(int fmt, int rpm) {
    // A stop while the tape starts takes effect once the block is in
    // adjustment mode: the block's end leaves it again.
    std::ignore = tape_.transportUntil(link::Transport::Play);
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    showFourChannelPanel(ctx_);
    ctx_.blockBegins(fourChannelName(fmt));
    const std::string start = fourChannelName(fmt) + " Start !";
    if (!ctx_.stopRequested()) ctx_.display.message(start);
    ctx_.logAndShow(start);
    const std::string tape = fourChannelTapeTitle(fmt);
    ctx_.logAndShow(tape);
    if (settleForBlock(ctx_, tape_, lastRpm_, rpm, DrumSettleMs)) {
        ctx_.display.message(tape);
        rs_.RmSet(link::rmParam(true, "0", "00"));
        ctx_.ProgressDsp();
        sampling_.ErrRateMeasOt(ctx_.rates.SRealErr);
        ctx_.ProgressDsp();
        logValues(ctx_, "A/V:", "A/V", 0);
        if (!ctx_.stopRequested()) {
            keepFourChannelRates(ctx_.rates, fmt);
            ctx_.display.message("");
        }
    }
    rs_.AdjModeSet(link::AdjMode::Stop);
}

void PbMeasure::hdlpBlock(int cate, int kind) {
    if (!tape_.TapeLoad(TapeKind::Check, fmt::HdLp)) return;
    // As for a four-channel block: a stop here takes effect in adjustment mode.
    std::ignore = tape_.transportUntil(link::Transport::Play);
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt::HdLp, rpm::Rpm18000, 0);
    showHdlpPanel(ctx_, cate, kind);
    ctx_.flags.sel.SHeadCate = static_cast<std::int16_t>(cate);
    ctx_.flags.sel.SHeadKind = static_cast<std::int16_t>(kind);
    const std::string name =
        ctx_.AdjNameDisp({fmt::HdLp, rpm::Rpm18000, static_cast<std::int16_t>(cate),
                          static_cast<std::int16_t>(kind), 0});
    ctx_.blockBegins(name);
    const std::string start = name + " Start !";
    if (!ctx_.stopRequested()) ctx_.display.message(start);
    ctx_.logAndShow(start);
    ctx_.logAndShow("Master Error Rate");
    if (settleForBlock(ctx_, tape_, lastRpm_, rpm::Rpm18000, DrumSettleMs)) {
        ctx_.display.message("Master Error Rate");
        rs_.RmSet(link::rmParam(true, ctx_.flags.PbModeCode, "10"));
        ctx_.ProgressDsp();
        sampling_.ErrRateMeasLp2(ctx_.rates.SRealErr);
        ctx_.ProgressDsp();
        static constexpr const char* labels[] = {"Video:", "Audio1:", "Audio2:"};
        for (std::size_t g = 0; g < 3; ++g)
            logValues(ctx_, labels[g], labels[g], 4 * g);
        if (!ctx_.stopRequested()) {
            keepHdlpRates(ctx_.rates, cate, kind);
            ctx_.display.message("");
        }
    }
    rs_.AdjModeSet(link::AdjMode::Stop);
}

}  // namespace rf::measure
