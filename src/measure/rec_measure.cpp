#include "measure/rec_measure.h"

#include "adjust/calc/calu_prg.h"
#include "core/delimited.h"
#include "measure/pb_measure.h"

namespace rf::measure {

std::int32_t RecordingErrRate::timecodeSeconds() {
    Shared& s = ctx_.shared;
    const auto tc = rs_.TimeCodeRead(link::TimeCodeMode::Tcr);
    for (std::size_t i = 0; i < 4; ++i) {
        s.ErrRateText[i] = tc[i];
    }
    ctx_.display.timeCode(tc);
    return adjust::CaluTimeSec(s.ErrRateText);
}

void RecordingErrRate::writeHeader() {
    ctx_.log.writeRecord(DelimitedRecord()
                             .text("MODE")
                             .text("Err-L1")
                             .text("Err-L2")
                             .text("Err-R2")
                             .text("Err-R1")
                             .line());
}

void RecordingErrRate::sample(int fmt, int kind) {
    Shared& s = ctx_.shared;
    static constexpr const char* labels[] = {"Video:", "Audio1:", "Audio2:"};
    ctx_.ProgressDsp();
    sampling_.ErrRateMeasLp2(s.SRealErr);
    ctx_.ProgressDsp();
    for (std::size_t g = 0; g < 3; ++g) {
        if (lines_ == ValueLines::Records) {
            logValues(ctx_, labels[g], labels[g], 4 * g);
        } else {
            s.DspText = valueLine(labels[g], s.SRealErr, 4 * g);
            ctx_.logLine(s.DspText);
        }
    }
    for (int g = 0; g < 3; ++g)
        for (int h = 0; h < 4; ++h)
            s.RealErrLp(fmt, 1, 0, g, h, kind) = s.SRealErr[static_cast<std::size_t>(4 * g + h)];
}

void RecordingErrRate::confErrRate(int fmt, int secondsAfter) {
    Shared& s = ctx_.shared;
    rs_.CtsSet("23595500");
    // Wait for the time code to pass midnight.
    do {
        timecodeSeconds();
        ctx_.platform.processPending();
    } while (!(s.ErrRateText[0] == "00" && s.ErrRateText[1] == "00") && !s.StopReq);
    const std::int32_t start = timecodeSeconds();
    bool measured = false;
    int count = 0;
    std::int32_t last = start;
    while (count != secondsAfter && !s.StopReq) {
        const std::int32_t t = timecodeSeconds();
        if (!measured) {
            if (t >= start + 10) {
                ctx_.display.message("Conf Error Rate");
                sample(fmt, 6);
                measured = true;
                ctx_.display.message("Please wait a minute !");
            }
        } else if (t != last) {
            last = t;
            ++count;
        }
    }
}

bool RecordingErrRate::searchStart() {
    Shared& s = ctx_.shared;
    if (!tape_.transportUntil(link::Transport::Stop)) return false;
    rs_.SearchSet(link::SearchMode::Tc, "00000000");
    ctx_.display.status("REW");
    platform::waitUntil(
        ctx_.platform, [this] { return rs_.SearchEnded(); }, &s.StopReq);
    ctx_.display.status("STOP");
    return tape_.transportUntil(link::Transport::Stop);
}

void RecMeasure::RecMeasureMain() {
    Shared& s = ctx_.shared;
    ctx_.progressReset();
    s.ProgressVal = 0;
    if (s.RecStepCount == 0) Raise(err::DivisionByZero);
    s.ProgressStep = 100.0f / s.RecStepCount / 4.0f;
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    s.DspText = s.VtrName + "  Rec Measure Start";
    ctx_.logLine(s.DspText);
    lastRpm_ = 7;  // so the first block always waits for the drum

    for (int fmt = 0; fmt <= 7 && !s.StopReq; ++fmt)
        for (int rpm = 0; rpm <= 6 && !s.StopReq; ++rpm)
            for (int cate = 0; cate <= 1 && !s.StopReq; ++cate)
                for (int kind = 0; kind <= 3 && !s.StopReq; ++kind)
                    if (s.AdjSel(dir::Record, fmt, rpm, cate, kind, 0)) block(fmt, rpm, cate, kind);

    tape_.ejectTape();
    s.DspText = s.VtrName + (s.StopReq ? " Rec Measure Stop" : " Rec Measure End");
    ctx_.logLine(s.DspText);
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    ctx_.log.sync();  // the run's end outlives a power loss
}

void RecMeasure::block(int fmt, int rpm, int cate, int kind) {
    Shared& s = ctx_.shared;
    tape_.TapeLoad(TapeKind::Self, fmt);
    if (s.StopReq) return;
    s.sel = {static_cast<std::int16_t>(fmt), static_cast<std::int16_t>(rpm),
             static_cast<std::int16_t>(cate), static_cast<std::int16_t>(kind), 0};
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    s.RecModeOn = true;
    ctx_.display.channelLabels({"L1", "L2", "R2", "R1"});
    ctx_.display.kindLabel("CONF");
    s.ErrSelNo = 0;
    ctx_.display.errorGroup("Video");
    ctx_.announce(s.sel, " Start !");
    normalHeadsMode(ctx_);
    for (int ch = 0; ch <= 1; ++ch)
        for (auto kindOfBlock : {link::LevelKind::Rf, link::LevelKind::Eq200}) {
            const BlockSel levels{static_cast<std::int16_t>(fmt), static_cast<std::int16_t>(rpm), 1,
                                  0, static_cast<std::int16_t>(ch)};
            rs_.LevelRead(levels, kindOfBlock).applyTo(s.PbDataRead.row(fmt, rpm, 1, 0, ch));
        }
    ctx_.Stby(1000);
    ctx_.display.message("");
    if (!s.StopReq) recordAndMeasure(fmt, rpm);

    // The end of the block, stopped or not: the tape stops, STOP waits meanwhile.
    ctx_.display.enable(run::ProgramItem::Stop, false);
    tape_.transportUntil(link::Transport::Stop, false);
    ctx_.AdjNameDisp(s.sel);
    if (s.StopReq) {
        s.DspText += " Stop !";
    } else {
        for (int g = 0; g < 3; ++g)
            for (int h = 0; h < 4; ++h)
                for (int k : {6, 3})
                    s.ErrResLp(fmt, 1, 0, g, h, k) = s.RealErrLp(fmt, 1, 0, g, h, k);
        s.DspText += " End !";
    }
    ctx_.logLine(s.DspText);
    rs_.AdjModeSet(link::AdjMode::Stop);
    s.RecModeOn = false;
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.enable(run::ProgramItem::Stop, true);
}

void RecMeasure::recordAndMeasure(int fmt, int rpm) {
    Shared& s = ctx_.shared;
    tape_.transportUntil(link::Transport::Rec);
    if (rpm != lastRpm_) ctx_.Stby(3000);
    lastRpm_ = rpm;
    tape_.RemainCheck(2, link::Transport::Rec);
    if (s.StopReq) return;
    s.DspText = "Conf Error Rate";
    ctx_.logLine(s.DspText);
    errRate_.writeHeader();
    s.RmParam = link::rmParam(true, s.PbModeCode, "10");
    rs_.RmSet(s.RmParam);
    errRate_.confErrRate(fmt, 20);
    ctx_.display.message("");
    if (s.StopReq) return;

    // Back to the start of the recording and play it.
    if (!errRate_.searchStart()) return;
    if (s.StopReq || !tape_.transportUntil(link::Transport::Play)) return;
    s.DspText = "Self Error Rate";
    ctx_.logLine(s.DspText);
    errRate_.writeHeader();
    ctx_.display.message("Self Error Rate");
    s.RmParam = link::rmParam(true, s.PbModeCode, "10");
    rs_.RmSet(s.RmParam);
    s.ErrSelNo = 0;
    ctx_.display.errorGroup("Video");
    errRate_.sample(fmt, 3);
    ctx_.display.message("");
}

}  // namespace rf::measure
