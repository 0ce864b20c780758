#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/table.h"
#include "platform/platform.h"
#include "state/shared.h"

namespace rf::adjust {

// Levels measured over a sweep of one setting: (point 0-30, series 0-8). The
// sweep fills points 1 to its count; point 0 is never used.
using Levels = Table<float, 31, 9>;
// The setting sent for each point of the sweep (entry i belongs to point i).
using Settings = std::array<std::int16_t, 31>;
// Repeated 16-bit readings: (reading 0-30, series 0-4); readings 1 to the count.
using Readings = Table<std::int16_t, 31, 5>;

// What a point finder hands back. Exactly one of three things happened:
//  - found:    `value` holds the setting at the crossing, less 128, and
//              `threshold` the fraction of the reference it was found at;
//  - retry:    the curve has no crossing and the operator chose Retry; the
//              caller sweeps the setting again and calls the finder on the new
//              curve (nothing is guessed from the curve that failed);
//  - neither:  no crossing, the operator chose Abort or Ignore, and the finder
//              has set shared.StopReq; the caller winds its sequence down.
struct PointResult {
    std::optional<std::int16_t> value;
    bool retry = false;
    std::optional<float> threshold;

    bool found() const { return value.has_value(); }
    bool stopped() const { return !value && !retry; }
    friend bool operator==(const PointResult&, const PointResult&) = default;
};

// The setting at which the level curve of `series`, smoothed over three points
// and divided by `reference`, first rises through 0.4 (the -5 dB point).
// Points 1 to `count` are used. Without a crossing the operator is asked
// (Abort/Retry/Ignore) and the answer is kept in shared.MsgAnswer.
// Raises 9 for a count past the tables, 11 for a zero reference and 6 when
// the result does not fit 16 bits.
PointResult Calu5dBPoint(const Levels& levels, const Settings& settings, int series, int count,
                         float reference, Shared& shared, platform::Dialogs& dialogs);

// The same for the -2.5 dB point: the curve is searched for a rise through
// 0.59, then 0.655, then 0.728, then 0.53 of the reference, and the first of
// these that the curve rises through is the one interpolated.
PointResult Calu2p5dBPoint(const Levels& levels, const Settings& settings, int series, int count,
                           float reference, Shared& shared, platform::Dialogs& dialogs);

// The mean of readings 1 to `count` of `series` without the two largest and
// the two smallest. Raises 11 for a count of 4 or less, 6 when the four left
// out do not sum within 16 bits, 9 for a count past the table.
float CaluTrimAve(const Readings& readings, int series, int count);

// Seconds since midnight of a time given as hours, minutes and seconds text
// (fields 0, 1 and 2; further fields are ignored). Each field counts by its
// leading decimal number, 0 when it has none. Raises 6 when the result does
// not fit 32 bits and 9 when fewer than three fields are given.
std::int32_t CaluTimeSec(std::span<const std::string> fields);

}  // namespace rf::adjust
