#pragma once

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

// Calls fn(f, r, c, k, h) for every selection the programmes use: formats 0-7,
// speeds 0-6, categories 0-1, kinds 0-3, channels 0-1.
template <typename Fn>
void forEachSelection(Fn fn) {
    for (int f = 0; f <= 7; ++f)
        for (int r = 0; r <= 6; ++r)
            for (int c = 0; c <= 1; ++c)
                for (int k = 0; k <= 3; ++k)
                    for (int h = 0; h <= 1; ++h)
                        fn(f, r, c, k, h);
}

// Calls fn(d, f, r, c, k, h) for both directions (0 record, 1 playback) of
// every selection the programmes use.
template <typename Fn>
void forEachBlock(Fn fn) {
    for (int d = 0; d <= 1; ++d)
        forEachSelection([&](int f, int r, int c, int k, int h) { fn(d, f, r, c, k, h); });
}

}  // namespace rf
