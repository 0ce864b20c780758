#include "measure/rec_measure.h"

#include <tuple>

#include "calc/calu_prg.h"
#include "core/delimited.h"
#include "measure/pb_measure.h"

namespace rf::measure {

std::int32_t RecordingErrRate::timecodeSeconds() {
    const auto tc = rs_.TimeCodeRead(link::TimeCodeMode::Tcr);
    for (std::size_t i = 0; i < 4; ++i) {
        ctx_.rates.ErrRateText[i] = tc[i];
    }
    ctx_.display.timeCode(tc);
    return calc::CaluTimeSec(ctx_.rates.ErrRateText);
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
    static constexpr const char* labels[] = {"Video:", "Audio1:", "Audio2:"};
    ctx_.ProgressDsp();
    sampling_.ErrRateMeasLp2(ctx_.rates.SRealErr);
    ctx_.ProgressDsp();
    for (std::size_t g = 0; g < 3; ++g) {
        if (lines_ == ValueLines::Records) {
            logValues(ctx_, labels[g], labels[g], 4 * g);
        } else {
            ctx_.logAndShow(valueLine(labels[g], ctx_.rates.SRealErr, 4 * g));
        }
    }
    for (int g = 0; g < 3; ++g)
        for (int h = 0; h < 4; ++h)
            ctx_.rates.RealErrLp(fmt, 1, 0, g, h, kind) =
                ctx_.rates.SRealErr[static_cast<std::size_t>(4 * g + h)];
}

bool RecordingErrRate::confErrRate(int fmt, int secondsAfter) {
    rs_.CtsSet("23595500");
    // Wait for the time code to pass midnight.
    do {
        timecodeSeconds();
        ctx_.platform.processPending();
    } while (!(ctx_.rates.ErrRateText[0] == "00" && ctx_.rates.ErrRateText[1] == "00") &&
             !ctx_.stopRequested());
    const std::int32_t start = timecodeSeconds();
    bool measured = false;
    int count = 0;
    std::int32_t last = start;
    while (count != secondsAfter && !ctx_.stopRequested()) {
        const std::int32_t t = timecodeSeconds();
        if (!measured) {
            if (t >= start + 10) {
                ctx_.display.message("Conf Error Rate");
                sample(fmt, meas::Conf);
                measured = true;
                ctx_.display.message("Please wait a minute !");
            }
        } else if (t != last) {
            last = t;
            ++count;
        }
    }
    return !ctx_.stopRequested();
}

bool RecordingErrRate::searchStart() {
    if (!tape_.transportUntil(link::Transport::Stop)) return false;
    rs_.SearchSet(link::SearchMode::Tc, "00000000");
    ctx_.display.status("REW");
    platform::waitUntil(
        ctx_.platform, [this] { return rs_.SearchEnded(); }, ctx_.flags.stop.flag());
    ctx_.display.status("STOP");
    return tape_.transportUntil(link::Transport::Stop);
}

void RecMeasure::RecMeasureMain() {
    ctx_.progressReset();
    ctx_.flags.ProgressVal = 0;
    if (ctx_.flags.RecStepCount == 0) Raise(err::DivisionByZero);
    ctx_.flags.ProgressStep = 100.0f / ctx_.flags.RecStepCount / 4.0f;
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    ctx_.logAndShow(ctx_.recorder.VtrName + "  Rec Measure Start");
    lastRpm_ = 7;  // so the first block always waits for the drum

    forEachHeadBlock([this](int fmt, int rpm, int cate, int kind) {
        if (ctx_.stopRequested()) return false;
        if (ctx_.selection.AdjSel(dir::Record, fmt, rpm, cate, kind, 0))
            block(fmt, rpm, cate, kind);
        return true;
    });

    tape_.ejectTape();
    ctx_.logAndShow(ctx_.recorder.VtrName +
                    (ctx_.stopRequested() ? " Rec Measure Stop" : " Rec Measure End"));
    ctx_.log.writeText(timeOfDay(ctx_.platform.now()));
    ctx_.log.sync();  // the run's end outlives a power loss
}

void RecMeasure::block(int fmt, int rpm, int cate, int kind) {
    if (!tape_.TapeLoad(TapeKind::Self, fmt)) return;
    ctx_.flags.sel = {static_cast<std::int16_t>(fmt), static_cast<std::int16_t>(rpm),
                      static_cast<std::int16_t>(cate), static_cast<std::int16_t>(kind), 0};
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    ctx_.recorder.RecModeOn = true;
    ctx_.display.channelLabels({"L1", "L2", "R2", "R1"});
    ctx_.display.kindLabel("CONF");
    ctx_.rates.ErrSelNo = 0;
    ctx_.display.errorGroup("Video");
    ctx_.announce(ctx_.flags.sel, " Start !");
    normalHeadsMode(ctx_);
    for (int ch = 0; ch <= 1; ++ch)
        for (auto kindOfBlock : {link::LevelKind::Rf, link::LevelKind::Eq200}) {
            const BlockSel levels{static_cast<std::int16_t>(fmt), static_cast<std::int16_t>(rpm), 1,
                                  0, static_cast<std::int16_t>(ch)};
            rs_.LevelRead(levels, kindOfBlock)
                .applyTo(ctx_.tables.PbDataRead.row(fmt, rpm, 1, 0, ch));
        }
    ctx_.Stby(1000);
    ctx_.display.message("");
    if (!ctx_.stopRequested()) recordAndMeasure(fmt, rpm);

    // The end of the block, stopped or not: the tape stops, STOP waits meanwhile.
    ctx_.display.enable(run::ProgramItem::Stop, false);
    tape_.transportOnStopPath(link::Transport::Stop);
    std::string text = ctx_.AdjNameDisp(ctx_.flags.sel);
    if (ctx_.stopRequested()) {
        text += " Stop !";
    } else {
        keepRecordingRates(ctx_.rates, fmt);
        text += " End !";
    }
    ctx_.logAndShow(text);
    rs_.AdjModeSet(link::AdjMode::Stop);
    ctx_.recorder.RecModeOn = false;
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.enable(run::ProgramItem::Stop, true);
}

void RecMeasure::recordAndMeasure(int fmt, int rpm) {
    // A stop while recording starts takes effect after the drum's wait.
    std::ignore = tape_.transportUntil(link::Transport::Rec);
    if (rpm != lastRpm_) ctx_.Stby(3000);
    lastRpm_ = rpm;
    if (!tape_.RemainCheck(2, link::Transport::Rec)) return;
    ctx_.logAndShow("Conf Error Rate");
    errRate_.writeHeader();
    rs_.RmSet(link::rmParam(true, ctx_.flags.PbModeCode, "10"));
    const bool recorded = errRate_.confErrRate(fmt, 20);
    ctx_.display.message("");
    if (!recorded || ctx_.stopRequested()) return;

    // Back to the start of the recording and play it.
    if (!errRate_.searchStart()) return;
    if (ctx_.stopRequested() || !tape_.transportUntil(link::Transport::Play)) return;
    ctx_.logAndShow("Self Error Rate");
    errRate_.writeHeader();
    ctx_.display.message("Self Error Rate");
    rs_.RmSet(link::rmParam(true, ctx_.flags.PbModeCode, "10"));
    ctx_.rates.ErrSelNo = 0;
    ctx_.display.errorGroup("Video");
    errRate_.sample(fmt, meas::Self);
    ctx_.display.message("");
}

}  // namespace rf::measure
