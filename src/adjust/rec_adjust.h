#pragma once

#include <optional>
#include <vector>

#include "adjust/adjust_record.h"
#include "adjust/rec_sweep.h"
#include "link/rs_commands.h"
#include "measure/rec_measure.h"
#include "measure/tape_handling.h"
#include "run/context.h"

namespace rf::adjust {

// Whether a self-recorded playback level is close enough to the master
// tape's: from 0.68 to 1.47 times it. A master level of 0 never is.
inline constexpr float LevelRateLow = 0.68f;
inline constexpr float LevelRateHigh = 1.47f;
bool levelRateOk(float self, float master);

// Compares the low-band self playback level of every head with the master's
// and tells the operator of the first head of a channel that is too far off
// ("LevelRate Check"). It only informs: the run goes on. Returns the channels
// told of.
std::vector<int> LevelRateCheck(run::RunContext& ctx);

// The record programme of the Adjust menu. For every selected record block it
// makes sure the master playback levels are known, then records on a blank
// tape while sweeping the record current and the record frequency of each
// head, sets each head to its -5 dB current and its fixed frequency, checks
// the new recording's error rates and playback level, and stores the values
// in the recorder. A stopped block puts back the values it found.
class RecAdjust {
  public:
    RecAdjust(run::RunContext& ctx, AdjustRecord& record)
        : ctx_(ctx),
          rs_(ctx.rs),
          record_(record),
          tape_(ctx),
          sweep_(ctx, record),
          errRate_(ctx, measure::RecordingErrRate::ValueLines::TextLines) {}

    void RecAdjustMain();

  private:
    // Calls fn for every selected record block, in the programmes' order,
    // until a stop is requested.
    template <typename Fn>
    void forEachSelectedBlock(Fn fn);
    // The master playback levels of a block's format and speed.
    void masterBlock(const BlockSel& block);
    // A block on the blank tape: its steps, then its end, stopped or not.
    void selfBlock(const BlockSel& block);
    // The steps of a block up to the self playback level; false when a stop
    // cut them short.
    [[nodiscard]] bool selfSteps(const BlockSel& block);
    // The error rates of the adjusted recording, while recording and played back.
    [[nodiscard]] bool errorRates(const BlockSel& block);
    // The recorder's own equaliser adjustment on the self-recorded tape.
    void selfTap(const BlockSel& block);
    // Restores the values found (stopped) or stores the adjusted ones.
    void blockEnd(const BlockSel& block);
    // After an error inside a block, before run control asks what to do: the
    // values found go back and adjustment mode is left, as far as the
    // recorder still answers, so neither Abort nor a Retry (which reads the
    // values found anew) meets the sweep's settings in the recorder.
    void restoreAfterError(const BlockSel& block, const RfError& error);
    // Writes both channels' record values from `table`, current then
    // frequency, channel L first; each write goes through `through` (a
    // put-back tries every write even when one before it failed).
    using WriteThrough = std::function<void(const std::function<void()>& write)>;
    void writeRecordValues(
        const BlockSel& block, RecTable& table,
        const WriteThrough& through = [](const auto& write) { write(); });
    // STBOFF until the recorder reports standby off; false when STOP ended the wait.
    [[nodiscard]] bool standbyOff();
    // The drum settles: 2 s at the speed of the phase's last block, else 5 s.
    void drumWait(std::optional<int>& lastRpm, int rpm);

    run::RunContext& ctx_;
    link::Rs& rs_;
    AdjustRecord& record_;
    measure::TapeHandling tape_;
    RecSweep sweep_;
    measure::RecordingErrRate errRate_;
    std::optional<int> masterRpm_, selfRpm_;  // the last speed of each phase
    bool valuesFound_ = false;                // the block's values were read
};

}  // namespace rf::adjust
