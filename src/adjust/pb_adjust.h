#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "adjust/adjust_record.h"
#include "link/rs_commands.h"
#include "measure/err_rate_meas.h"
#include "measure/tape_handling.h"
#include "run/context.h"
#include "state/selection.h"

namespace rf::adjust {

// Whether a measurement fails: some value lies above the limit (the limits
// are in state/error_rates.h); a value equal to it passes. The check phase
// measures such a block once more elsewhere on the tape.
bool aboveLimit(std::span<const float> values, float limit);

// The progress bar's step for a playback adjustment of the current selection.
// Every selected block advances the bar twice on the master tape; every check
// measurement (an HDLP block, or a four-channel format with all its blocks)
// twice more. Run control's block count, less what a four-channel format
// measures at once, gives the step in quarters; a selection for which that
// count is not positive counts its advances instead. 0 when nothing advances.
float pbProgressStep(const Selection& selection, float PbStepCount);

// The playback programme of the Adjust menu. On the master tape the recorder
// adjusts, for every selected playback block, its VCO centre frequency and
// then its equaliser itself; the adjusted level blocks are stored. Each
// format's check tape then proves the adjustment by its error rates, and the
// master playback levels the record adjustment compares with are measured.
class PbAdjust {
  public:
    PbAdjust(run::RunContext& ctx, AdjustRecord& record)
        : ctx_(ctx), rs_(ctx.rs), record_(record), tape_(ctx), sampling_(ctx) {}

    void PbAdjustMain();

  private:
    // Master phase. false when a stop ended it.
    [[nodiscard]] bool masterPhase();
    // One format and speed on its master tape, up to the storing.
    [[nodiscard]] bool masterFormat(int fmt, int rpm);
    // The two passes over the blocks; the block stopped in, when stopped.
    const BlockSel* adjustBlocks(const std::vector<BlockSel>& blocks);
    [[nodiscard]] bool vcoBlock(const BlockSel& block);
    [[nodiscard]] bool tapBlock(const BlockSel& block);
    // Starts a block's adjustment step: the block's name logged, its heads chosen.
    void startStep(const BlockSel& block);
    // Writes back the level block a stopped block was found with.
    void restoreBlock(const BlockSel& block);
    // After an error in the master phase, before run control asks what to do:
    // every block of the format and speed read so far gets its values found
    // back and adjustment mode is left, as far as the recorder still answers.
    void restoreAfterError(int fmt, int rpm, const RfError& error);
    void storeBlocks(const std::vector<BlockSel>& blocks);
    std::vector<BlockSel> selectedBlocks(int fmt, int rpm) const;
    PlaybackBlock* findRecord(const BlockSel& block);
    PlaybackBlock& recordOf(const BlockSel& block);
    // Writes items of `kind` of a block's channel (LevelSet); once the
    // recorder has acknowledged them they are the block's values as left.
    void setLevel(const BlockSel& block, int ch, link::LevelKind kind,
                  std::span<const std::int16_t, link::LevelItems> items);
    // The recorder adjusts the block itself (VCO, TAP): what it holds is not
    // known until both channels are read back. Returns what was known before,
    // which takes the values read back and is then the block's left again.
    std::optional<LevelValues> adjustedByRecorder(const BlockSel& block);

    // Check phase.
    void checkPhase();
    void fourChannelCheck(int fmt, int rpm);
    void hdlpCheck();
    void hdlpBlock(int cate, int kind);
    // Measures until the values pass, at most twice; logs each measurement,
    // a line of four values for each label.
    void measureLoop(const std::function<void()>& measure, std::span<const char* const> labels,
                     float limit);
    // Winds to another part of the tape and plays again; false when stopped.
    [[nodiscard]] bool reposition();
    void masterPbLevel();

    // The tape stopped, then the drum's standby off: STOP until "STOP", STBOFF
    // until "STBOF". false when a stop was requested first.
    [[nodiscard]] bool stopAndStandbyOff();
    void finish();

    run::RunContext& ctx_;
    link::Rs& rs_;
    AdjustRecord& record_;
    measure::TapeHandling tape_;
    measure::ErrRateSampling sampling_;
    int lastRpm_ = 2;
};

}  // namespace rf::adjust
