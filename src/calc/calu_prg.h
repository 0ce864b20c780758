#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/table.h"

// The arithmetic of the adjustments: where a level curve crosses its
// threshold, trimmed means of repeated readings and time-code seconds. Pure
// functions: what a sequence does when there is no crossing is the sequence's.
namespace rf::calc {

// Levels measured over a sweep of one setting: (point 0-30, series 0-8). The
// sweep fills points 1 to its count; point 0 is never used.
using Levels = Table<float, 31, 9>;
// The setting sent for each point of the sweep (entry i belongs to point i).
using Settings = std::array<std::int16_t, 31>;
// Repeated 16-bit readings: (reading 0-30, series 0-4); readings 1 to the count.
using Readings = Table<std::int16_t, 31, 5>;

// Where a level curve rises through its threshold: the setting there, less
// 128, and the fraction of the reference it was found at.
struct Crossing {
    std::int16_t value = 0;
    float threshold = 0;
    friend bool operator==(const Crossing&, const Crossing&) = default;
};

// The setting at which the level curve of `series`, smoothed over three points
// and divided by `reference`, first rises through 0.4 (the -5 dB point).
// Points 1 to `count` are used; no crossing when the curve never rises through
// it. Raises 9 for a count past the tables, 11 for a zero reference and 6 when
// the result does not fit 16 bits.
std::optional<Crossing> Calu5dBPoint(const Levels& levels, const Settings& settings, int series,
                                     int count, float reference);

// The same for the -2.5 dB point: the curve is searched for a rise through
// 0.59, then 0.655, then 0.728, then 0.53 of the reference, and the first of
// these that the curve rises through is the one interpolated.
std::optional<Crossing> Calu2p5dBPoint(const Levels& levels, const Settings& settings, int series,
                                       int count, float reference);

// The mean of readings 1 to `count` of `series` without the two largest and
// the two smallest. Raises 11 for a count of 4 or less, 6 when the four left
// out do not sum within 16 bits, 9 for a count past the table.
float CaluTrimAve(const Readings& readings, int series, int count);

// Seconds since midnight of a time given as hours, minutes and seconds text
// (fields 0, 1 and 2; further fields are ignored). Each field counts by its
// leading decimal number, 0 when it has none. Raises 6 when the result does
// not fit 32 bits and 9 when fewer than three fields are given.
std::int32_t CaluTimeSec(std::span<const std::string> fields);

}  // namespace rf::calc
