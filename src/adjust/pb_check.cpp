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
    Shared& s = ctx_.shared;
    lastRpm_ = rpm::Rpm18000;
    // The speed index as the master phase's loops leave it, past their last:
    // a format without a speed of its own here finds no selected block.
    int rpm = 7;
    for (int fmt : {0, 7, 2, 3, 4, 5, 6, 1}) {
        if (s.StopReq) return;
        s.sel.SFmt = static_cast<std::int16_t>(fmt);
        if (fmt == fmt::HdLp) {
            if (s.PbFmtRpmSel(fmt::HdLp, rpm::Rpm18000)) hdlpCheck();
            continue;
        }
        if (fmt == fmt::HdSp) rpm = rpm::Rpm19800;
        if (fmt == fmt::Magvex50M) rpm = rpm::Rpm9900;
        if (fmt == fmt::Dv) rpm = rpm::Rpm9000;
        s.sel.SRpm = static_cast<std::int16_t>(rpm);
        if (s.AdjSel(dir::Playback, fmt, rpm, cate::Playback, kind::Conf, 0))
            fourChannelCheck(fmt, rpm);
    }
}

void PbAdjust::fourChannelCheck(int fmt, int rpm) {
    Shared& s = ctx_.shared;
    tape_.TapeLoad(measure::TapeKind::Check, fmt);
    if (s.StopReq) return;
    if (!tape_.transportUntil(Transport::Play)) return;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    ctx_.display.channelLabels({"AL", "VL", "AR", "VR"});
    ctx_.display.kindLabel("ALL");
    // The four readings are the panel's first group.
    s.ErrSelNo = 0;
    s.ErrChLabel[0] = "A/V";
    ctx_.display.errorGroup(s.ErrChLabel[0]);
    s.DspText = std::string(measure::fourChannelName(fmt)) + " Start !";
    ctx_.logLine(s.DspText);
    s.DspText = std::string(fmt == fmt::Dv ? "Master " : "Check Tape ") + "Error Rate";
    ctx_.logLine(s.DspText);
    if (rpm != lastRpm_) ctx_.Stby(2000);
    lastRpm_ = rpm;
    tape_.RemainCheck(3, Transport::Play);
    if (!s.StopReq) {
        s.RmParam = link::rmParam(true, "0", "00");
        rs_.RmSet(s.RmParam);
        measureLoop([&] { sampling_.ErrRateMeasOt(s.SRealErr); }, FourChannelLabels,
                    FourChannelLimit);
    }
    // Values measured while the operator stopped are logged, never kept.
    if (!s.StopReq) {
        for (int c = 0; c < 4; ++c)
            s.RealErrOt(fmt, c, 0) = s.SRealErr[static_cast<std::size_t>(c)];
        for (int c = 0; c < 4; ++c)
            s.ErrResOt(fmt, c, 0) = s.RealErrOt(fmt, c, 0);
        record_.rates.push_back({dir::Playback, fmt, 0, 0, 0});
        // The measurement proves every block of the format.
        for (int c = 0; c <= 1; ++c)
            for (int k = 0; k <= 3; ++k)
                for (int ch = 0; ch <= 1; ++ch)
                    if (s.AdjSel(dir::Playback, fmt, rpm, c, k, ch))
                        s.AdjDone(dir::Playback, fmt, rpm, c, k, ch) = true;
    }
    rs_.AdjModeSet(link::AdjMode::Stop);
    ctx_.Stby(2000);
}

void PbAdjust::hdlpCheck() {
    Shared& s = ctx_.shared;
    tape_.TapeLoad(measure::TapeKind::Check, fmt::HdLp);
    if (s.StopReq) return;
    if (!tape_.transportUntil(Transport::Play)) return;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt::HdLp, rpm::Rpm18000, 0);
    if (lastRpm_ != rpm::Rpm18000) ctx_.Stby(3000);
    lastRpm_ = rpm::Rpm18000;
    tape_.RemainCheck(3, Transport::Play);
    for (int c = 0; c <= 1 && !s.StopReq; ++c)
        for (int k = 0; k <= 3 && !s.StopReq; ++k)
            if (s.AdjSel(dir::Playback, fmt::HdLp, rpm::Rpm18000, c, k, 0)) hdlpBlock(c, k);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt::HdLp, rpm::Rpm18000, 0);
    if (s.StopReq) return;
    // The record adjustment compares with the master levels, unless they
    // were measured already in this session.
    if (s.AdjSel(dir::Record, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, 0) &&
        s.MasterPbLevelOf != std::pair<int, int>{fmt::HdLp, rpm::Rpm18000})
        masterPbLevel();
    if (s.StopReq) return;
    for (int c = 0; c <= 1; ++c)
        for (int k = 0; k <= 3; ++k)
            for (int ch = 0; ch <= 1; ++ch)
                if (s.AdjSel(dir::Playback, fmt::HdLp, rpm::Rpm18000, c, k, ch))
                    s.AdjDone(dir::Playback, fmt::HdLp, rpm::Rpm18000, c, k, ch) = true;
}

void PbAdjust::hdlpBlock(int cate, int kind) {
    Shared& s = ctx_.shared;
    const BlockSel block{fmt::HdLp, rpm::Rpm18000, static_cast<std::int16_t>(cate),
                         static_cast<std::int16_t>(kind), 0};
    s.sel = block;
    ctx_.display.channelLabels({"LH", "LL", "RH", "RL"});
    static constexpr const char* kinds[] = {"CONF", "SLOW", "SUB SONF", "SUB SLOW"};
    ctx_.display.kindLabel(cate == cate::RecPlay ? "RP" : kinds[kind]);
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    ctx_.display.errorGroup(groups[s.ErrSelNo]);
    ctx_.AdjNameDisp(block);
    s.DspText += " Start !";
    if (!s.StopReq) ctx_.display.message(s.DspText);
    ctx_.logLine(s.DspText);
    s.DspText = "Master Error Rate";
    ctx_.logLine(s.DspText);
    ctx_.display.message(s.DspText);
    s.RmParam = link::rmParam(true, s.PbModeCode, "10");
    rs_.RmSet(s.RmParam);
    measureLoop([&] { sampling_.ErrRateMeasLp2(s.SRealErr); }, HdlpLabels,
                cate == cate::RecPlay ? RecPlayHeadLimit : PlaybackHeadLimit);
    if (s.StopReq) return;
    for (int g = 0; g < 3; ++g)
        for (int h = 0; h < 4; ++h) {
            const float v = s.SRealErr[static_cast<std::size_t>(4 * g + h)];
            s.RealErrLp(fmt::HdLp, cate, kind, g, h, 0) = v;
            s.ErrResLp(fmt::HdLp, cate, kind, g, h, 0) = v;
        }
    record_.rates.push_back({dir::Playback, fmt::HdLp, cate, kind, 0});
    ctx_.display.message("");
}

void PbAdjust::measureLoop(const std::function<void()>& measure,
                           std::span<const char* const> labels, float limit) {
    Shared& s = ctx_.shared;
    s.ErrRateRetry = 0;
    for (;;) {
        s.ErrRateBad = false;
        ctx_.ProgressDsp();
        measure();
        ctx_.ProgressDsp();
        for (std::size_t g = 0; g < labels.size(); ++g) {
            s.DspText = measure::valueLine(labels[g], s.SRealErr, 4 * g);
            ctx_.logLine(s.DspText);
        }
        if (aboveLimit(std::span<const float>(s.SRealErr.data(), 4 * labels.size()), limit)) {
            s.ErrRateBad = true;
            ++s.ErrRateRetry;
        }
        // A block is measured at most twice: the second result stands.
        if (!s.ErrRateBad || s.ErrRateRetry >= 2 || s.StopReq) return;
        BlockSel block = s.sel;
        if (block.SFmt != fmt::HdLp)
            block = {block.SFmt, block.SRpm, cate::Playback, kind::Conf, 0};
        record_.note(
            dir::Playback, block,
            "Error rate above " + fixed2(limit) + ": measured again at another place on the tape");
        if (!reposition()) return;
    }
}

bool PbAdjust::reposition() {
    Shared& s = ctx_.shared;
    s.HourText = rs_.QhrRead(1);
    ctx_.display.remain(s.HourText);
    // Forward while more than five minutes are left, otherwise back.
    const Transport wind = hexField(s.HourText[1]) > 5 ? Transport::FF : Transport::Rew;
    if (!tape_.transportUntil(wind)) return false;
    ctx_.Stby(4000);
    if (!tape_.transportUntil(Transport::Play)) return false;
    ctx_.Stby(2000);
    return true;
}

void PbAdjust::masterPbLevel() {
    Shared& s = ctx_.shared;
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.kindLabel("**");
    if (!stopAndStandbyOff()) return;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt::HdLp, rpm::Rpm18000, 0);
    ctx_.announce({fmt::HdLp, rpm::Rpm18000, cate::Playback, kind::Conf, 0}, " Measuring !");
    measure::normalHeadsMode(ctx_);
    if (tape_.transportUntil(Transport::Play)) {
        tape_.RemainCheck(2, Transport::Play);
        if (!s.StopReq) {
            s.MasterPbLevelOf.reset();  // a measurement cut short leaves them mixed
            if (PbLevelMeas(ctx_, "Master PB Level", s.MasterPbLevel))
                s.MasterPbLevelOf = {fmt::HdLp, rpm::Rpm18000};
        }
    }
    rs_.KsSet(false, 1, 0);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt::HdLp, rpm::Rpm18000, 0);
    ctx_.display.message("");
}

}  // namespace rf::adjust
