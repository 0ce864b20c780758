#include "adjust/rec_sweep.h"

#include <cstdio>
#include <cstdlib>

#include "adjust/pb_levels.h"
#include "core/delimited.h"
#include "measure/env_meas.h"

namespace rf::adjust {

namespace {

// Series i of a channel is the head the recorder reports i-th: on channel L
// head 1 then head 2, on channel R head 2 then head 1. The record values keep
// head 1 first on both channels.
int headItem(int ch, int series) {
    return ch == 0 ? series : 1 - series;
}

}  // namespace

const SweepPlan CurrentSweep{.quantity = SweepQuantity::Current,
                             .first = -80,
                             .last = 40,
                             .step = 10,
                             .band = 1,
                             .kind = link::RecKind::Curr,
                             .item = 0,
                             .message = "Rec Current Adjust !",
                             .title = "Rec Current",
                             .heading = {"CURR : Env-L1 , Env-L2", "CURR : Env-R2 , Env-R1"},
                             .result = "-5dBCurrent",
                             .rolloverFirst = true};

const SweepPlan FrequencySweep{.quantity = SweepQuantity::Frequency,
                               .first = -120,
                               .last = 40,
                               .step = 20,
                               .band = 0,
                               .kind = link::RecKind::Freq,
                               .item = 2,
                               .message = "Rec Frequency Adjust !",
                               .title = "Rec Frequency",
                               .heading = {"FREQ : Env-L1 , Env-L2", "FREQ : Env-R2 , Env-R1"},
                               .result = "FixFrequency",
                               .rolloverFirst = false};

void setRecValues(link::Rs& rs, AdjustRecord& record, const BlockSel& sel, link::RecKind kind,
                  std::span<const std::int16_t, link::RecItems> values) {
    rs.RecValueSet(sel, kind, values);
    if (record.recordBlocks.empty()) return;
    RecordBlock& kept = record.recordBlocks.back();
    if (kept.block != onChannel(sel, 0)) return;
    const std::size_t first = kind == link::RecKind::Curr ? 0 : 2;
    kept.held(sel.SHeadCh, first, first + 1, values);
}

std::string offsetText(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, value < 0 ? "-%03d" : "%04d", std::abs(value));
    return buf;
}

std::int32_t RecSweep::timecodeSeconds() {
    const auto tc = rs_.TimeCodeRead(link::TimeCodeMode::Tcg);
    ctx_.display.timeCode(tc);
    return calc::CaluTimeSec(tc);
}

bool RecSweep::rollover() {
    rs_.CtsSet("23595500");
    for (;;) {
        const auto tc = rs_.TimeCodeRead(link::TimeCodeMode::Tcg);
        ctx_.display.timeCode(tc);
        if (tc[0] == "00" && tc[1] == "00") return true;
        if (ctx_.stopRequested()) return false;
    }
}

bool RecSweep::referenceLevels() {
    ctx_.display.message(CurrentSweep.message);
    ctx_.logAndShow(CurrentSweep.title);
    ctx_.log.writeRecord(DelimitedRecord().text("BPF Kind").text("Env-*1").text("Env-*2").line());
    if (!rollover()) return false;
    for (int ch = 0; ch <= 1; ++ch)
        for (int band = 0; band <= 1; ++band) {
            const std::string name = levelName(ch, band);
            ctx_.display.message(name);
            rs_.KsSet(true, band, 0);
            const auto env = measure::EqEnvMeas1(ctx_, ch, measure::EnvelopeWhile::Recording);
            logLevels(ctx_, name, env);
            for (int series = 0; series <= 1; ++series)
                ctx_.tables.RecEnvLevel(ch, series, band) = env[static_cast<std::size_t>(series)];
        }
    rs_.KsSet(false, 0, 0);
    ctx_.ProgressDsp();
    return !ctx_.stopRequested();
}

bool RecSweep::adjustChannel(const BlockSel& block, int ch, const SweepPlan& plan) {
    const BlockSel sel = onChannel(block, ch);
    for (;;) {
        if (!tape_.transportUntil(link::Transport::Rec)) return false;
        if (!tape_.RemainCheck(3, link::Transport::Rec)) return false;
        if (plan.rolloverFirst && !rollover()) return false;
        ctx_.display.message(plan.message);
        ctx_.logAndShow(plan.title);
        ctx_.logAndShow(plan.heading[static_cast<std::size_t>(ch)]);
        if (!plan.rolloverFirst && !rollover()) return false;
        if (plan.quantity == SweepQuantity::Current) {
            // Both channels start from the defaults, current and frequency.
            for (int c = 0; c <= 1; ++c) {
                const BlockSel other = onChannel(block, c);
                for (auto kind : {link::RecKind::Curr, link::RecKind::Freq})
                    setRecValues(rs_, record_, other, kind,
                                 ctx_.tables.RecIniData.row(other.SFmt, other.SRpm, other.SHeadCate,
                                                            other.SHeadKind, c));
            }
            ctx_.Stby(1000);
        }
        if (!sweep(block, ch, plan)) return false;
        setRecValues(
            rs_, record_, sel, plan.kind,
            ctx_.tables.RecIniData.row(sel.SFmt, sel.SRpm, sel.SHeadCate, sel.SHeadKind, ch));
        const bool stopped = !tape_.transportUntil(link::Transport::Stop);
        ctx_.display.message("");
        if (stopped || ctx_.stopRequested()) return false;
        if (!retried(block, ch, plan)) break;
        // Retry: the channel is recorded and measured again.
    }

    const auto values =
        ctx_.tables.RecData.row(sel.SFmt, sel.SRpm, sel.SHeadCate, sel.SHeadKind, ch);
    setRecValues(rs_, record_, sel, plan.kind, values);
    if (ctx_.stopRequested()) return false;
    const auto first = values[static_cast<std::size_t>(plan.item)];
    const auto second = values[static_cast<std::size_t>(plan.item + 1)];
    ctx_.logAndShow(std::string(plan.result) + " : " + offsetText(first) + "," +
                    offsetText(second));
    ctx_.log.writeRecord(DelimitedRecord()
                             .text(plan.result)
                             .number(static_cast<float>(first))
                             .number(static_cast<float>(second))
                             .line());
    ctx_.ProgressDsp();
    rs_.KsSet(false, 0, 0);
    return true;
}

Sweep& RecSweep::recordSweep(const BlockSel& block, int ch, int series, const SweepPlan& plan) {
    const BlockSel sel = onChannel(block, ch);
    const int head = headItem(ch, series);
    Sweep fresh;
    fresh.block = sel;
    fresh.head = head;
    fresh.quantity = plan.quantity;
    fresh.reference = ctx_.tables.RecEnvLevel(ch, series, plan.band);
    for (std::size_t i = 0; i < record_.sweeps.size(); ++i) {
        Sweep& kept = record_.sweeps[i];
        if (kept.block == sel && kept.head == head && kept.quantity == plan.quantity) {
            fresh.measurements = kept.measurements + 1;
            kept = fresh;
            recorded_[static_cast<std::size_t>(series)] = i;
            return kept;
        }
    }
    recorded_[static_cast<std::size_t>(series)] = record_.sweeps.size();
    return record_.sweeps.emplace_back(fresh);
}

bool RecSweep::sweep(const BlockSel& block, int ch, const SweepPlan& plan) {
    const BlockSel sel = onChannel(block, ch);
    auto values = ctx_.tables.RecData.row(sel.SFmt, sel.SRpm, sel.SHeadCate, sel.SHeadKind, ch);
    for (int series = 0; series <= 1; ++series)
        recordSweep(block, ch, series, plan);
    SweepCount = 0;
    for (SweepValue = static_cast<std::int16_t>(plan.first); SweepValue <= plan.last;
         SweepValue = static_cast<std::int16_t>(SweepValue + plan.step)) {
        values[static_cast<std::size_t>(plan.item)] = SweepValue;
        values[static_cast<std::size_t>(plan.item + 1)] = SweepValue;
        setRecValues(rs_, record_, sel, plan.kind, values);
        SweepCount = static_cast<std::int16_t>(SweepCount + 1);
        SweepSetting[static_cast<std::size_t>(SweepCount)] =
            static_cast<std::int16_t>(SweepValue + 128);
        // At least two seconds of tape are recorded with the new value.
        const std::int32_t t0 = timecodeSeconds();
        while (timecodeSeconds() < t0 + 2)
            if (ctx_.stopRequested()) return false;
        rs_.KsSet(true, plan.band, 0);
        const auto env = measure::EqEnvMeas1(ctx_, ch, measure::EnvelopeWhile::Recording);
        for (int series = 0; series <= 1; ++series) {
            const float level = env[static_cast<std::size_t>(series)];
            levels_(SweepCount, 2 * ch + series) = level;
            Sweep& kept = record_.sweeps[recorded_[static_cast<std::size_t>(series)]];
            kept.offsets.push_back(SweepValue);
            kept.levels.push_back(level);
        }
        record_.changed();
        ctx_.logAndShow(offsetText(SweepValue) + ":" + levelText(env[0]) + "," + levelText(env[1]));
        ctx_.log.writeRecord(DelimitedRecord()
                                 .number(static_cast<float>(SweepValue))
                                 .number(env[0])
                                 .number(env[1])
                                 .line());
        if (ctx_.stopRequested()) break;
    }
    return true;
}

bool RecSweep::retried(const BlockSel& block, int ch, const SweepPlan& plan) {
    const BlockSel sel = onChannel(block, ch);
    auto values = ctx_.tables.RecData.row(sel.SFmt, sel.SRpm, sel.SHeadCate, sel.SHeadKind, ch);
    const bool current = plan.quantity == SweepQuantity::Current;
    const auto finder = current ? calc::Calu5dBPoint : calc::Calu2p5dBPoint;
    const std::string notFound = current ? "-5dB Point not Found !!" : "-2.5dB Point not Found !!";
    for (int series = 0; series <= 1; ++series) {
        const int item = plan.item + headItem(ch, series);
        // A head whose calculation is not made (the run was stopped at the
        // other's) keeps no value: 0, as for a point that was not found.
        std::optional<calc::Crossing> point;
        if (!ctx_.stopRequested()) {
            point = finder(levels_, SweepSetting, 2 * ch + series, SweepCount,
                           ctx_.tables.RecEnvLevel(ch, series, plan.band));
            // No crossing: the operator sweeps again (Retry; nothing is
            // guessed from the curve that failed) or stops the run.
            if (!point) {
                const platform::Answer answer =
                    ctx_.platform.dialogs().msgBox(notFound, platform::Buttons::AbortRetryIgnore,
                                                   platform::Icon::Critical, "ERROR Message");
                if (answer == platform::Answer::Retry) {
                    record_.note(dir::Record, sel,
                                 notFound + " " + (ch == 0 ? "Lch" : "Rch") + ": measured again");
                    return true;
                }
                ctx_.flags.stop.request();
            }
        }
        values[static_cast<std::size_t>(item)] = point ? point->value : 0;
        Sweep& kept = record_.sweeps[recorded_[static_cast<std::size_t>(series)]];
        kept.threshold.reset();
        if (point) {
            kept.threshold = point->threshold;
            kept.chosen = point->value;
        }
    }
    record_.changed();
    return false;
}

}  // namespace rf::adjust
