// The check phase of the playback adjustment: every adjusted format plays its
// check tape and its error rates are measured, a second time elsewhere on the
// tape when a value is above its limit; then the master playback levels the
// record adjustment compares with.
#include <array>
#include <string>

#include "adjust/pb_adjust.h"
#include "adjust/pb_levels.h"
#include "core/delimited.h"
#include "measure/pb_measure.h"

namespace rf::adjust {

namespace {

using link::Transport;

// A remaining-time field read as a hexadecimal number, up to its first other character.
int hexField(const std::string& field) {
    int v = 0;
    for (char c : field) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) break;
        v = v * 16 + d;
    }
    return v;
}

constexpr std::array<const char*, 1> FourChannelLabels = {"A/V:"};
constexpr std::array<const char*, 3> HdlpLabels = {"Video:", "Audio1:", "Audio2:"};

}  // namespace

void PbAdjust::checkPhase() {
    lastRpm_ = rpm::Rpm18000;
    // HDLP first, then the four-channel formats, each at its one speed; DV,
    // checked on its master tape, last.
    for (int fmt : {fmt::HdLp, fmt::Magvex50M, fmt::HdSp, fmt::Dv}) {
        if (ctx_.stopRequested()) return;
        ctx_.flags.sel.SFmt = static_cast<std::int16_t>(fmt);
        if (fmt == fmt::HdLp) {
            if (ctx_.selection.PbFmtRpmSel(fmt::HdLp, rpm::Rpm18000)) hdlpCheck();
            continue;
        }
        const int rpm = fourChannelSpeed(fmt);
        ctx_.flags.sel.SRpm = static_cast<std::int16_t>(rpm);
        if (ctx_.selection.AdjSel(dir::Playback, fmt, rpm, cate::Playback, kind::Conf, 0))
            fourChannelCheck(fmt, rpm);
    }
}

void PbAdjust::fourChannelCheck(int fmt, int rpm) {
    if (!tape_.TapeLoad(measure::TapeKind::Check, fmt)) return;
    if (!tape_.transportUntil(Transport::Play)) return;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    measure::showFourChannelPanel(ctx_);
    ctx_.blockBegins(fourChannelName(fmt));
    ctx_.logAndShow(fourChannelName(fmt) + " Start !");
    ctx_.logAndShow(measure::fourChannelTapeTitle(fmt));
    // A four-channel format's check lets the drum settle 2 s after a change of
    // speed, HDLP's and the error-rate programme's 3 s: the waits each
    // procedure was given. The sampling throws its first two readings away
    // either way.
    if (measure::settleForBlock(ctx_, tape_, lastRpm_, rpm, 2000)) {
        rs_.RmSet(link::rmParam(true, "0", "00"));
        measureLoop([&] { sampling_.ErrRateMeasOt(ctx_.rates.SRealErr); }, FourChannelLabels,
                    FourChannelLimit);
    }
    // Values measured while the operator stopped are logged, never kept.
    if (!ctx_.stopRequested()) {
        measure::keepFourChannelRates(ctx_.rates, fmt);
        record_.rates.push_back({dir::Playback, fmt, 0, 0, 0});
        // The measurement proves every block of the format.
        markSelectedDone(ctx_.selection, dir::Playback, fmt, rpm);
    }
    rs_.AdjModeSet(link::AdjMode::Stop);
    ctx_.Stby(2000);
}

void PbAdjust::hdlpCheck() {
    if (!tape_.TapeLoad(measure::TapeKind::Check, fmt::HdLp)) return;
    if (!tape_.transportUntil(Transport::Play)) return;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt::HdLp, rpm::Rpm18000, 0);
    if (measure::settleForBlock(ctx_, tape_, lastRpm_, rpm::Rpm18000, 3000))
        for (int c = 0; c <= 1 && !ctx_.stopRequested(); ++c)
            for (int k = 0; k <= 3 && !ctx_.stopRequested(); ++k)
                if (ctx_.selection.AdjSel(dir::Playback, fmt::HdLp, rpm::Rpm18000, c, k, 0))
                    hdlpBlock(c, k);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt::HdLp, rpm::Rpm18000, 0);
    if (ctx_.stopRequested()) return;
    // The record adjustment compares with the master levels, unless they
    // were measured already in this session.
    if (ctx_.selection.AdjSel(dir::Record, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, 0) &&
        ctx_.tables.MasterPbLevelOf != std::pair<int, int>{fmt::HdLp, rpm::Rpm18000})
        masterPbLevel();
    if (ctx_.stopRequested()) return;
    markSelectedDone(ctx_.selection, dir::Playback, fmt::HdLp, rpm::Rpm18000);
}

void PbAdjust::hdlpBlock(int cate, int kind) {
    const BlockSel block{fmt::HdLp, rpm::Rpm18000, static_cast<std::int16_t>(cate),
                         static_cast<std::int16_t>(kind), 0};
    ctx_.flags.sel = block;
    measure::showHdlpPanel(ctx_, cate, kind);
    ctx_.blockBegins(ctx_.AdjNameDisp(block));
    const std::string start = ctx_.AdjNameDisp(block) + " Start !";
    if (!ctx_.stopRequested()) ctx_.display.message(start);
    ctx_.logAndShow(start);
    ctx_.logAndShow("Master Error Rate");
    ctx_.display.message("Master Error Rate");
    rs_.RmSet(link::rmParam(true, ctx_.flags.PbModeCode, "10"));
    measureLoop([&] { sampling_.ErrRateMeasLp2(ctx_.rates.SRealErr); }, HdlpLabels,
                cate == cate::RecPlay ? RecPlayHeadLimit : PlaybackHeadLimit);
    if (ctx_.stopRequested()) return;
    measure::keepHdlpRates(ctx_.rates, cate, kind);
    record_.rates.push_back({dir::Playback, fmt::HdLp, cate, kind, 0});
    ctx_.display.message("");
}

void PbAdjust::measureLoop(const std::function<void()>& measure,
                           std::span<const char* const> labels, float limit) {
    ctx_.rates.ErrRateRetry = 0;
    for (;;) {
        ctx_.rates.ErrRateBad = false;
        ctx_.ProgressDsp();
        measure();
        ctx_.ProgressDsp();
        for (std::size_t g = 0; g < labels.size(); ++g) {
            ctx_.logAndShow(measure::valueLine(labels[g], ctx_.rates.SRealErr, 4 * g));
        }
        if (aboveLimit(std::span<const float>(ctx_.rates.SRealErr.data(), 4 * labels.size()),
                       limit)) {
            ctx_.rates.ErrRateBad = true;
            ++ctx_.rates.ErrRateRetry;
        }
        // A block is measured at most twice: the second result stands.
        if (!ctx_.rates.ErrRateBad || ctx_.rates.ErrRateRetry >= 2 || ctx_.stopRequested()) return;
        BlockSel block = ctx_.flags.sel;
        if (block.SFmt != fmt::HdLp)
            block = {block.SFmt, block.SRpm, cate::Playback, kind::Conf, 0};
        record_.note(
            dir::Playback, block,
            "Error rate above " + fixed2(limit) + ": measured again at another place on the tape");
        if (!reposition()) return;
    }
}

bool PbAdjust::reposition() {
    const auto remaining = rs_.QhrRead(1);
    ctx_.display.remain(remaining);
    // Forward while more than five minutes are left, otherwise back.
    const Transport wind = hexField(remaining[1]) > 5 ? Transport::FF : Transport::Rew;
    if (!tape_.transportUntil(wind)) return false;
    ctx_.Stby(4000);
    if (!tape_.transportUntil(Transport::Play)) return false;
    ctx_.Stby(2000);
    return true;
}

void PbAdjust::masterPbLevel() {
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.kindLabel("**");
    if (!stopAndStandbyOff()) return;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt::HdLp, rpm::Rpm18000, 0);
    ctx_.announce({fmt::HdLp, rpm::Rpm18000, cate::Playback, kind::Conf, 0}, " Measuring !");
    measure::normalHeadsMode(ctx_);
    if (tape_.transportUntil(Transport::Play) && tape_.RemainCheck(2, Transport::Play)) {
        ctx_.tables.MasterPbLevelOf.reset();  // a measurement cut short leaves them mixed
        if (PbLevelMeas(ctx_, "Master PB Level", ctx_.tables.MasterPbLevel))
            ctx_.tables.MasterPbLevelOf = {fmt::HdLp, rpm::Rpm18000};
    }
    rs_.KsSet(false, 1, 0);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt::HdLp, rpm::Rpm18000, 0);
    ctx_.display.message("");
}

}  // namespace rf::adjust
