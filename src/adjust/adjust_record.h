#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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
    friend bool operator==(const Sweep&, const Sweep&) = default;
};

// A record block's values per channel: record current of head 1 and head 2,
// then their record frequency (the items of RecValueRead and RecValueSet).
using RecordValues = std::array<std::array<std::int16_t, 4>, 2>;

// A playback block's level block per channel (items 0 to 28).
using LevelValues = std::array<std::array<std::int16_t, 29>, 2>;

// A block's values as found and as left. "left" is what the recorder holds
// as far as the tool knows: the values found, then every write of the block's
// values the recorder acknowledged (a write that raised changed nothing) and
// every read of them. Both are not known when the values found could not be
// read: nothing was written to that block then.
template <typename Values>
struct BlockValues {
    BlockSel block;
    std::optional<Values> found;
    std::optional<Values> left;
    bool stored = false;  // the adjusted values were stored

    void foundRead(const Values& values) { found = left = values; }
    // Items [first, last] of channel `ch` as the recorder acknowledged them.
    template <typename Items>
    void held(int ch, std::size_t first, std::size_t last, const Items& items) {
        if (!left) return;
        auto& kept = (*left)[static_cast<std::size_t>(ch)];
        for (std::size_t i = first; i <= last; ++i)
            kept[i] = items[i];
    }
};

// A record block: record current and frequency of each head.
using RecordBlock = BlockValues<RecordValues>;
// A playback block: its level blocks.
using PlaybackBlock = BlockValues<LevelValues>;

// A repeat or a warning of the run: a second error-rate measurement, a sweep
// measured again, a LevelRate message.
struct Note {
    std::int16_t direction = dir::Record;  // the adjustment that made it
    BlockSel block;
    std::string text;
    friend bool operator==(const Note&, const Note&) = default;
};

// An error-rate row the run measured and kept in the result tables: for a
// four-channel format ErrResOt(fmt, channel, measurement), with category and
// kind 0; for HDLP ErrResLp(fmt, cate, kind, group, head, measurement). The
// tables keep earlier runs' values too; the run shows only its own.
struct RateRow {
    std::int16_t direction = dir::Playback;  // the adjustment that measured it
    int fmt = 0, cate = 0, kind = 0, measurement = 0;
    friend bool operator==(const RateRow&, const RateRow&) = default;
};

struct AdjustRecord {
    std::vector<Sweep> sweeps;
    std::vector<RecordBlock> recordBlocks;
    std::vector<PlaybackBlock> playbackBlocks;
    std::vector<Note> notes;
    std::vector<RateRow> rates;

    bool measured(int fmt, int cate, int kind, int measurement) const {
        return std::any_of(rates.begin(), rates.end(), [&](const RateRow& r) {
            return r.fmt == fmt && r.cate == cate && r.kind == kind && r.measurement == measurement;
        });
    }

    // A window that follows the run (the level curves) is told of each
    // change: a sweep point measured, a value chosen, a block ended.
    std::function<void()> watcher;
    void changed() const {
        if (watcher) watcher();
    }
    void note(std::int16_t direction, const BlockSel& block, std::string text) {
        notes.push_back({direction, block, std::move(text)});
        changed();
    }
    // Forgets what one adjustment (record or playback) kept: it starts afresh.
    void clear(std::int16_t direction) {
        std::erase_if(notes, [&](const Note& n) { return n.direction == direction; });
        std::erase_if(rates, [&](const RateRow& r) { return r.direction == direction; });
        if (direction == dir::Record) {
            sweeps.clear();
            recordBlocks.clear();
        } else {
            playbackBlocks.clear();
        }
        changed();
    }
};

}  // namespace rf::adjust
