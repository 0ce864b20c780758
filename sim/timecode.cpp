#include "sim/timecode.h"

#include <cstdio>

namespace rf::sim {

std::string timecodeText(std::int64_t frames) {
    frames = wrapFrames(frames);
    const auto ff = frames % FramesPerSecond;
    const auto seconds = frames / FramesPerSecond;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(ff));
    return buf;
}

std::optional<std::int64_t> parseTimecode(std::string_view text) {
    if (text.size() != 8) return std::nullopt;
    int part[4];
    for (int i = 0; i < 4; ++i) {
        char a = text[static_cast<std::size_t>(2 * i)],
             b = text[static_cast<std::size_t>(2 * i + 1)];
        if (a < '0' || a > '9' || b < '0' || b > '9') return std::nullopt;
        part[i] = (a - '0') * 10 + (b - '0');
    }
    if (part[0] > 23 || part[1] > 59 || part[2] > 59 || part[3] >= FramesPerSecond)
        return std::nullopt;
    return ((part[0] * 3600LL + part[1] * 60LL + part[2]) * FramesPerSecond) + part[3];
}

}  // namespace rf::sim
