#pragma once

#include <string>
#include <type_traits>

#include "core/block.h"
#include "core/table.h"

namespace rf {

// Block tables by (direction 0 record / 1 playback, format, speed, category,
// kind, channel).
using BlockTable = Table<bool, 2, 9, 8, 3, 5, 3>;
// Playback format-and-speed selection: (format, speed).
using FmtRpmTable = Table<bool, 9, 8>;

// Which blocks the operator chose, which a run or transfer works on, and
// which are done.
struct Selection {
    BlockTable AdjSel, AdjTarget, AdjDone;
    int AdjTargetCount = 0, AdjDoneCount = 0;
    FmtRpmTable PbFmtRpmSel;
};

// Whether an Adjust run of this selection is likely to fail for a reason the
// operator can mend first: the error rate of the record heads' own recording
// is read through the HDLP RP heads, so a record block adjusted without that
// playback block in this session is judged through its playback values as
// they were left (the self error rate of a recorder whose RP block is at its
// defaults fails). `playbackRuns`: the run adjusts the selected playback
// blocks too. The warning, or "".
std::string recordWithoutPlaybackWarning(const Selection& selection, bool playbackRuns);

// Marks done every selected block of one direction, format and speed: a
// measurement proves them all.
inline void markSelectedDone(Selection& selection, int d, int f, int r) {
    for (int c = 0; c <= cate::Playback; ++c)
        for (int k = 0; k <= kind::SubSlow; ++k)
            for (int h = 0; h <= 1; ++h)
                if (selection.AdjSel(d, f, r, c, k, h)) selection.AdjDone(d, f, r, c, k, h) = true;
}

// Walks the selections the programmes use, in their order. A `fn` that
// returns bool ends the walk by returning false; the walk then returns false.
template <typename Fn>
bool forEachFormatAndSpeed(Fn fn) {
    for (int f = 0; f <= LastFormat; ++f)
        for (int r = 0; r <= LastSpeed; ++r) {
            if constexpr (std::is_same_v<std::invoke_result_t<Fn, int, int>, bool>) {
                if (!fn(f, r)) return false;
            } else {
                fn(f, r);
            }
        }
    return true;
}

// Calls fn(f, r, c, k) for every format and speed, categories 0-1 (record
// and playback heads) and kinds 0-3; as above, a bool `fn` can end the walk.
template <typename Fn>
bool forEachHeadBlock(Fn fn) {
    return forEachFormatAndSpeed([&](int f, int r) {
        for (int c = 0; c <= cate::Playback; ++c)
            for (int k = 0; k <= kind::SubSlow; ++k) {
                if constexpr (std::is_same_v<std::invoke_result_t<Fn, int, int, int, int>, bool>) {
                    if (!fn(f, r, c, k)) return false;
                } else {
                    fn(f, r, c, k);
                }
            }
        return true;
    });
}

// Calls fn(f, r, c, k, h) for every head block on both channels (0 L, 1 R).
template <typename Fn>
void forEachSelection(Fn fn) {
    forEachHeadBlock([&](int f, int r, int c, int k) {
        for (int h = 0; h <= 1; ++h)
            fn(f, r, c, k, h);
    });
}

// Calls fn(d, f, r, c, k, h) for both directions (0 record, 1 playback) of
// every selection the programmes use.
template <typename Fn>
void forEachBlock(Fn fn) {
    for (int d = dir::Record; d <= dir::Playback; ++d)
        forEachSelection([&](int f, int r, int c, int k, int h) { fn(d, f, r, c, k, h); });
}

}  // namespace rf
