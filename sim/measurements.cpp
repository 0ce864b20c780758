// What the recorder measures from its signal model: the envelope levels of
// the heads ($AR with 2), the error rates of the four fields ($ER), and its own
// VCO and equaliser adjustment runs ($AR with 0 and 1), which write their
// results into the stored level blocks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "sim/recorder.h"
#include "sim/timecode.h"
#include "sim/wire.h"

namespace rf::sim {

using namespace wire;

std::pair<int, int> Recorder::modeHeads() const {
    const char digit = rmParam_.size() > 6 ? rmParam_[6] : '0';
    switch (digit) {
        case '1':
            return {0, 0};  // record/playback heads
        case '2':
            return {1, 1};  // slow
        case '3':
            return {1, 2};  // sub conf
        case '4':
            return {1, 3};  // sub slow
        default:
            return {1, 0};  // conf
    }
}

CurveFault Recorder::curveFault() const {
    if (faults_.curveFlat) return CurveFault::Flat;
    if (faults_.curveFalls) return CurveFault::Falls;
    if (faults_.curveTwice) return CurveFault::Twice;
    if (faults_.curveLow) return CurveFault::Low;
    if (faults_.zeroRef) return CurveFault::ZeroReference;
    return CurveFault::None;
}

const Segment* Recorder::underHeads() {
    const Tape* t = transport_.tape();
    if (!t) return nullptr;
    // While recording, the playback heads read the tape the record heads
    // wrote a moment ago.
    if (transport_.mode() == Mode::Rec) return transport_.segmentBehind(ConfidenceDelaySeconds);
    return t->segmentAt(transport_.position());
}

std::pair<int, int> Recorder::playingHeads() {
    const Segment* s = transport_.mode() == Mode::Play ? underHeads() : nullptr;
    if (s && !s->reference) return {0, 0};
    return modeHeads();
}

void Recorder::noteDamage() {
    if (!faults_.damage) {
        damage_.reset();
        return;
    }
    const Tape* t = transport_.tape();
    if (damage_ || !t) return;
    damage_ = Damage{t->name, transport_.position() - 5, transport_.position() + 60};
}

bool Recorder::damaged() {
    noteDamage();
    const Tape* t = transport_.tape();
    return damage_ && t && t->name == damage_->tape && transport_.position() >= damage_->from &&
           transport_.position() <= damage_->to;
}

std::string Recorder::adjRun(const std::string& params, Micros now) {
    if (params.size() != 2) return errorReply("04");
    auto ch = hexValue(params.substr(0, 1));
    if (!ch || *ch > 1) return errorReply("04");
    if (params[1] == '2') {
        // Channel L reports its first head first; channel R its second head first.
        const int first = *ch == 0 ? 0 : 1;
        return good("$AR" + hex2(levelOf(*ch, first, now)) + hex2(levelOf(*ch, 1 - first, now)));
    }
    if (params[1] != '0' && params[1] != '1') return errorReply("04");
    if (params[1] == '1' && !transport_.tape()) return errorReply("03");
    // The equaliser adjusts the heads that play the tape: on the recorder's own
    // recording, the record/playback heads.
    const auto [cate, kind] = params[1] == '1' ? playingHeads() : modeHeads();
    for (int c = 0; c < 2; ++c) {
        LevelItems& b = levelBlock(area_, selFmt_, selRpm_, cate, kind, c);
        if (params[1] == '0') {
            b[9] = static_cast<std::int16_t>(
                signal_.adjustedVco(selFmt_, cate, kind, c, adjustRuns_++));
        } else {
            const auto taps =
                signal_.adjustedTaps(selFmt_, cate, kind, c, adjustRuns_++, wearAge(now));
            for (std::size_t i = 0; i < 12; ++i)
                b[17 + i] = static_cast<std::int16_t>(taps[i]);
        }
        if (area_ == 1) levelBlock(0, selFmt_, selRpm_, cate, kind, c) = b;
    }
    return good("$AR");
}

int Recorder::levelOf(int ch, int head, Micros now) {
    transport_.advance(now);
    const Band band = band_.value_or(1) == 0 ? Band::High : Band::Low;
    double level = 3.0;  // no signal
    const Segment* s =
        transport_.mode() == Mode::Rec || transport_.mode() == Mode::Play ? underHeads() : nullptr;
    // A recording is read as the heads are now, whenever it was made.
    const int age = wearAge(now);
    if (s && s->reference) {
        level = signal_.masterLevel(s->fmt, ch, head, band, age);
    } else if (s) {
        const RecSetting setting = s->heads[static_cast<std::size_t>(ch * 2 + head)];
        if (transport_.mode() == Mode::Rec) {
            level = signal_.recordLevel(s->fmt, ch, head, band, setting, curveFault(), age);
            if (level <= 0) return 0;  // a dead recording reads 0, without noise
        } else {
            level =
                0.97 * signal_.recordLevel(s->fmt, ch, head, band, setting, CurveFault::None, age);
        }
    }
    double reading = level + noise_.gauss(0.8);
    // Now and then a dropout or a spike, which the trimmed mean is there for.
    if (noise_.uniform() < 0.04)
        reading += (noise_.uniform() < 0.5 ? -1 : 1) * noise_.uniform(8, 20);
    return std::clamp(static_cast<int>(std::lround(reading)), 0, 255);
}

double Recorder::errExponent(int group, int ch, int head, int age) {
    const int fmt = runningFmt();
    const auto [cate, kind] = playingHeads();
    const bool lp = fmt == 7;
    const double offset = lp ? (group == 0   ? 0.0
                                : group == 1 ? -0.1
                                             : -0.15)
                             : (head == 0 ? -0.1 : 0.0);
    const double pb = signal_.playbackErr(fmt, cate, kind, ch, head,
                                          levelBlock(0, fmt, runningRpm(), cate, kind, ch), age);
    const Segment* s = underHeads();
    const std::size_t index = static_cast<std::size_t>(ch * 2 + head);
    double x = -1.9;  // nothing to read
    if (transport_.mode() == Mode::Rec) {
        const double conf = signal_.playbackErr(fmt, 1, 0, ch, head,
                                                levelBlock(0, fmt, runningRpm(), 1, 0, ch), age);
        if (s && !s->reference)
            x = addErrRates(signal_.recordErr(s->fmt, ch, head, s->heads[index], age), conf);
    } else if (transport_.mode() == Mode::Play && s) {
        const Tape* t = transport_.tape();
        const double tape = s->reference
                                ? (t->kind == TapeKind::Check ? -6.2 : -6.5)
                                : signal_.recordErr(s->fmt, ch, head, s->heads[index], age);
        x = addErrRates(tape, pb);
    }
    if (damaged()) x += 3.0;
    return x + offset;
}

std::string Recorder::errorRates(const std::string& params, Micros now) {
    auto group = hexValue(params);
    if (!group || params.size() != 1 || *group > 2) return errorReply("04");
    transport_.advance(now);
    const bool lp = runningFmt() == 7;
    const Segment* seg = transport_.mode() == Mode::Play ? underHeads() : nullptr;
    const bool recordOrder = transport_.mode() == Mode::Rec || (seg && !seg->reference);
    // Heads in the order of the four fields, as (channel, head).
    using H = std::pair<int, int>;
    const std::array<H, 4> order =
        lp ? (recordOrder ? std::array<H, 4>{H{0, 0}, {0, 1}, {1, 1}, {1, 0}}
                          : std::array<H, 4>{H{0, 0}, {0, 1}, {1, 0}, {1, 1}})
           : std::array<H, 4>{H{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    std::string text = "$ER";
    const int age = wearAge(now);
    for (const auto& [ch, head] : order) {
        const double x = errExponent(*group, ch, head, age) + noise_.gauss(0.12);
        const int step = std::clamp(static_cast<int>(std::lround((x + 5.5) / 0.2)), 0, 18);
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", 56 - 2 * step);
        text += buf;
    }
    return good(text + timecodeText(transport_.readerTimecode(now)));
}

}  // namespace rf::sim
