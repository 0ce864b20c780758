#pragma once

#include <cstdint>

namespace rf {

// A colour as (red, green, blue).
struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

namespace colors {
inline constexpr Color Black{0, 0, 0};
inline constexpr Color Green{0, 192, 0};
inline constexpr Color Orange{255, 128, 0};
inline constexpr Color Red{192, 0, 0};
inline constexpr Color Magenta{255, 0, 255};
// What was never measured: neither within a limit nor above it.
inline constexpr Color Grey{128, 128, 128};
// The system's button-face colour: a label "blinks off" by taking it.
inline constexpr Color ButtonFace{240, 240, 240};
}  // namespace colors

}  // namespace rf
