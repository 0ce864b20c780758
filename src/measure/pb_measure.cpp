#include "measure/pb_measure.h"

#include "core/delimited.h"

namespace rf::measure {

const char* fourChannelName(int fmt) {
    switch (fmt) {
        case fmt::Dv:
            return "DV,9000rpm";
        case fmt::Magvex50M:
            return "MAGVEX50M,9900rpm";
        default:
            return "MAGVEX HDSP,19800rpm";
    }
}

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
    Shared& s = ctx.shared;
    s.DspText = valueLine(label, s.SRealErr, first);
    ctx.LogDsp(s.DspText);
    DelimitedRecord record;
    record.text(recordLabel);
    for (std::size_t i = 0; i < 4; ++i)
        record.number(s.SRealErr[first + i]);
    ctx.log.writeRecord(record.line());
}

void normalHeadsMode(run::RunContext& ctx) {
    Shared& s = ctx.shared;
    s.PbModeCode = "0";
    s.RmParam = link::rmParam(false, s.PbModeCode, "10");
    ctx.rs.RmSet(s.RmParam);
}

void PbMeasure::PbMeasureMain() {
    Shared& s = ctx_.shared;
    ctx_.progressReset();
    s.ProgressVal = 0;
    // A four-channel format measures all its head kinds at once: one step.
    // Counted here from run control's count, so that a Retry counts afresh.
    float steps = s.PbStepCount;
    const auto selected = [&s](int format, int speed) {
        return s.AdjSel(dir::Playback, format, speed, cate::Playback, kind::Conf, 0);
    };
    if (selected(fmt::Dv, rpm::Rpm9000)) steps -= 4;
    if (selected(fmt::Magvex50M, rpm::Rpm9900)) steps -= 3;
    if (selected(fmt::HdSp, rpm::Rpm19800)) steps -= 3;
    if (steps == 0) Raise(err::DivisionByZero);
    s.ProgressStep = 100.0f / steps / 2.0f;
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    s.DspText = s.VtrName + "  Play Measure Start";
    ctx_.logLine(s.DspText);
    lastRpm_ = 0;

    for (int fmt = 0; fmt <= 7; ++fmt) {
        s.sel.SFmt = static_cast<std::int16_t>(fmt);
        if (fmt == fmt::Dv) s.sel.SRpm = rpm::Rpm9000;
        if (fmt == fmt::Magvex50M) s.sel.SRpm = rpm::Rpm9900;
        if (fmt == fmt::HdSp) s.sel.SRpm = rpm::Rpm19800;
        if (fmt == fmt::HdLp) {
            s.sel.SRpm = rpm::Rpm18000;
            for (int cate = 0; cate <= 1 && !s.StopReq; ++cate)
                for (int kind = 0; kind <= 3; ++kind) {
                    if (!s.AdjSel(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate, kind, 0)) continue;
                    if (s.StopReq) break;
                    hdlpBlock(cate, kind);
                }
        } else if (s.AdjSel(dir::Playback, fmt, s.sel.SRpm, cate::Playback, kind::Conf, 0)) {
            if (s.StopReq) break;
            tape_.TapeLoad(TapeKind::Check, fmt);
            if (s.StopReq) break;
            fourChannelBlock(fmt, s.sel.SRpm);
        }
        // End of the format: no tape left in.
        if (tape_.readStatus() != "EJECT") tape_.ejectTape();
    }
    tape_.ejectTape();
    s.DspText = s.VtrName + (s.StopReq ? "  Play Measure Stop" : "  Play Measure End");
    ctx_.logLine(s.DspText);
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    ctx_.log.sync();  // the run's end outlives a power loss
}

void PbMeasure::fourChannelBlock(int fmt, int rpm) {
    Shared& s = ctx_.shared;
    tape_.transportUntil(link::Transport::Play);
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    ctx_.display.channelLabels({"AL", "AR", "VL", "VR"});
    ctx_.display.kindLabel("ALL");
    s.ErrSelNo = 0;
    s.ErrChLabel[0] = "A/V";
    ctx_.display.errorGroup(s.ErrChLabel[0]);
    s.DspText = std::string(fourChannelName(fmt)) + " Start !";
    if (!s.StopReq) ctx_.display.message(s.DspText);
    ctx_.logLine(s.DspText);
    s.DspText = std::string(fmt == 1 ? "Master " : "Check Tape ") + "Error Rate";
    ctx_.logLine(s.DspText);
    if (rpm != lastRpm_) ctx_.Stby(3000);
    lastRpm_ = rpm;
    tape_.RemainCheck(3, link::Transport::Play);
    if (!s.StopReq) {
        ctx_.display.message(s.DspText);
        s.RmParam = link::rmParam(true, "0", "00");
        rs_.RmSet(s.RmParam);
        ctx_.ProgressDsp();
        sampling_.ErrRateMeasOt(s.SRealErr);
        ctx_.ProgressDsp();
        logValues(ctx_, s.ErrChLabel[0] + ":", s.ErrChLabel[0], 0);
        if (!s.StopReq) {
            for (int c = 0; c < 4; ++c)
                s.RealErrOt(fmt, c, 0) = s.SRealErr[static_cast<std::size_t>(c)];
            ctx_.display.message("");
            for (int c = 0; c < 4; ++c)
                s.ErrResOt(fmt, c, 0) = s.RealErrOt(fmt, c, 0);
        }
    }
    rs_.AdjModeSet(link::AdjMode::Stop);
}

void PbMeasure::hdlpBlock(int cate, int kind) {
    Shared& s = ctx_.shared;
    tape_.TapeLoad(TapeKind::Check, 7);
    if (s.StopReq) return;
    tape_.transportUntil(link::Transport::Play);
    rs_.AdjModeSet(link::AdjMode::Start, 0, 7, 2, 0);
    ctx_.display.channelLabels({"LH", "LL", "RH", "RL"});
    static constexpr const char* kinds[] = {"CONF", "SLOW", "SUB SONF", "SUB SLOW"};
    ctx_.display.kindLabel(cate == 0 ? "RP" : kinds[kind]);
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    ctx_.display.errorGroup(groups[s.ErrSelNo]);
    s.sel.SHeadCate = static_cast<std::int16_t>(cate);
    s.sel.SHeadKind = static_cast<std::int16_t>(kind);
    ctx_.AdjNameDisp({7, 2, static_cast<std::int16_t>(cate), static_cast<std::int16_t>(kind), 0});
    s.DspText += " Start !";
    if (!s.StopReq) ctx_.display.message(s.DspText);
    ctx_.logLine(s.DspText);
    s.DspText = "Master Error Rate";
    ctx_.logLine(s.DspText);
    if (lastRpm_ != 2) ctx_.Stby(3000);
    lastRpm_ = 2;
    tape_.RemainCheck(3, link::Transport::Play);
    if (!s.StopReq) {
        ctx_.display.message("Master Error Rate");
        s.RmParam = link::rmParam(true, s.PbModeCode, "10");
        rs_.RmSet(s.RmParam);
        ctx_.ProgressDsp();
        sampling_.ErrRateMeasLp2(s.SRealErr);
        ctx_.ProgressDsp();
        static constexpr const char* labels[] = {"Video:", "Audio1:", "Audio2:"};
        for (std::size_t g = 0; g < 3; ++g)
            logValues(ctx_, labels[g], labels[g], 4 * g);
        if (!s.StopReq) {
            for (int g = 0; g < 3; ++g)
                for (int h = 0; h < 4; ++h)
                    s.RealErrLp(7, cate, kind, g, h, 0) =
                        s.SRealErr[static_cast<std::size_t>(4 * g + h)];
            ctx_.display.message("");
            for (int g = 0; g < 3; ++g)
                for (int h = 0; h < 4; ++h)
                    s.ErrResLp(7, cate, kind, g, h, 0) = s.RealErrLp(7, cate, kind, g, h, 0);
        }
    }
    rs_.AdjModeSet(link::AdjMode::Stop);
}

}  // namespace rf::measure
