#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "adjust/adjust_record.h"
#include "calc/calu_prg.h"
#include "link/rs_commands.h"
#include "measure/tape_handling.h"
#include "run/context.h"

namespace rf::adjust {

// "0000;-000": a record value or sweep offset as the record adjustment logs it
// (40 is "0040", -80 is "-080").
std::string offsetText(int value);

// What one kind of record sweep steps and how it is told.
struct SweepPlan {
    SweepQuantity quantity;
    int first, last, step;  // the offsets recorded, SweepValue from first to last
    int band;               // the envelope band measured: 1 low, 0 high
    link::RecKind kind;     // the record values written at each point
    int item;               // the first RecData item of the kind (0 current, 2 frequency)
    const char* message;    // shown while the channel is adjusted
    const char* title;      // logged at the start of the channel
    std::array<const char*, 2> heading;  // the column heads of channel L and R
    const char* result;                  // the name of the values chosen
    bool rolloverFirst;                  // the time code rolls over before the title is logged
};

// Writes one kind of channel `sel.SHeadCh`'s record values (RecValueSet); once
// the recorder has acknowledged them they are the values left of the block
// being adjusted, the record's last record block.
void setRecValues(link::Rs& rs, AdjustRecord& record, const BlockSel& sel, link::RecKind kind,
                  std::span<const std::int16_t, link::RecItems> values);

// The current sweep: 13 points from -80 to 40, the low band, the -5 dB point.
extern const SweepPlan CurrentSweep;
// The frequency sweep: 9 points from -120 to 40, the high band, the -2.5 dB point.
extern const SweepPlan FrequencySweep;

// The record sweeps of one block, recorded on a blank tape: the envelope
// levels at the default values (the references), then per channel a sweep of
// the record current or frequency of both its heads, each point's level
// measured while recording, and each head's value chosen from its level curve.
// Every sweep is kept in the AdjustRecord. The methods return false when the
// block is to take its stop path: a STOP, or Abort or Ignore at a missing point.
class RecSweep {
  public:
    RecSweep(run::RunContext& ctx, AdjustRecord& record)
        : ctx_(ctx), rs_(ctx.rs), record_(record), tape_(ctx) {}

    // The levels of both channels in both bands at the default values, into
    // RecEnvLevel (channel, series, band).
    [[nodiscard]] bool referenceLevels();
    // Sweeps channel `ch` of the block as `plan` says and keeps the chosen
    // values in RecData. A missing point that the operator retries sweeps the
    // channel again against the same references.
    [[nodiscard]] bool adjustChannel(const BlockSel& block, int ch, const SweepPlan& plan);

  private:
    // Reads the record time code and shows it; its value in seconds.
    std::int32_t timecodeSeconds();
    // Presets the record time code to 23:59:55:00 and waits until it has passed
    // midnight; false when STOP ended the wait.
    [[nodiscard]] bool rollover();
    // Records the sweep's points; false when STOP ended a wait.
    [[nodiscard]] bool sweep(const BlockSel& block, int ch, const SweepPlan& plan);
    // Each head's value from the curve just measured, into RecData; true when
    // a point was missing and the operator chose Retry.
    [[nodiscard]] bool retried(const BlockSel& block, int ch, const SweepPlan& plan);
    // The record entry of a head's sweep, started afresh for a new measurement.
    Sweep& recordSweep(const BlockSel& block, int ch, int series, const SweepPlan& plan);

    run::RunContext& ctx_;
    link::Rs& rs_;
    AdjustRecord& record_;
    measure::TapeHandling tape_;
    std::int16_t SweepValue = 0;
    std::int16_t SweepCount = 0;
    calc::Settings SweepSetting{};
    calc::Levels levels_;
    std::array<std::size_t, 2> recorded_{};  // the record entries of the two series
};

}  // namespace rf::adjust
