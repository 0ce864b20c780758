#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/block.h"

namespace rf::adjust {

// What an Adjust run found and did, kept for the level-curve window and the
// adjustment report. Nothing here is written to the recorder or to a file.

// The setting a record sweep steps.
enum class SweepQuantity { Current, Frequency };

// One head's level curve over one sweep.
struct Sweep {
    BlockSel block;  // SHeadCh is the channel (0 L, 1 R)
    int head = 0;    // the record-value item of the head: 0 head 1, 1 head 2
    SweepQuantity quantity = SweepQuantity::Current;
    std::vector<int> offsets;        // the offset recorded at each point (SweepValue)
    std::vector<float> levels;       // the envelope measured at each point
    float reference = 0;             // the level at the default values
    std::optional<float> threshold;  // the fraction of the reference crossed, when found
    std::optional<int> chosen;       // the offset chosen, when found
    int measurements = 1;            // 1, or more when the operator chose Retry
};

// A record block's values per channel: record current of head 1 and head 2,
// then their record frequency (the items of RecValueRead and RecValueSet).
using RecordValues = std::array<std::array<std::int16_t, 4>, 2>;

// A playback block's level block per channel (items 0 to 28).
using LevelValues = std::array<std::array<std::int16_t, 29>, 2>;

struct RecordBlock {
    BlockSel block;
    RecordValues found{};  // read at the block's start
    RecordValues left{};   // in the recorder at the block's end
    bool stored = false;   // the adjusted values were stored (not stopped)
};

struct PlaybackBlock {
    BlockSel block;
    LevelValues found{};
    LevelValues left{};
    bool stored = false;
};

struct AdjustRecord {
    std::vector<Sweep> sweeps;
    std::vector<RecordBlock> recordBlocks;
    std::vector<PlaybackBlock> playbackBlocks;

    void clear() { *this = {}; }
};

}  // namespace rf::adjust
