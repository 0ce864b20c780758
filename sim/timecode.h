#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rf::sim {

// Time code in frames of a 30-frame second, wrapping at 24 hours.
inline constexpr std::int64_t FramesPerSecond = 30;
inline constexpr std::int64_t FramesPerDay = 24 * 3600 * FramesPerSecond;

inline std::int64_t wrapFrames(std::int64_t frames) {
    frames %= FramesPerDay;
    return frames < 0 ? frames + FramesPerDay : frames;
}

// "hhmmssff", eight digits.
std::string timecodeText(std::int64_t frames);
// Parses "hhmmssff"; nothing for text that is not a valid time code.
std::optional<std::int64_t> parseTimecode(std::string_view text);

}  // namespace rf::sim
