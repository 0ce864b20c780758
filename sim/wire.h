// How the recorder's replies stand on the line: the framing characters, the
// good and error replies, and the hexadecimal fields of their texts. Shared by
// the command dispatch, the stored adjustment data and the measurements.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace rf::sim::wire {

constexpr char Ack = '\x06';
constexpr char Stx = '\x02';
constexpr char Etx = '\x03';
constexpr char Nak = '\x15';

inline std::string good(const std::string& text) {
    return std::string{Ack, Stx} + text + Etx;
}
// Error replies: 01 unknown command, 02 not in remote, 03 not possible now,
// 04 bad parameters, 05 refused.
inline std::string errorReply(const char* code) {
    return good(std::string("ER") + code);
}

inline char hexDigit(int n) {
    return "0123456789ABCDEF"[n & 15];
}
inline std::string hex2(int n) {
    return {hexDigit(n >> 4), hexDigit(n)};
}
inline std::string signedByte(int v) {
    return hex2(std::clamp(v, -128, 127) + 128);
}

inline std::optional<int> hexValue(std::string_view s) {
    if (s.empty()) return std::nullopt;
    int v = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return std::nullopt;
        v = v * 16 + d;
    }
    return v;
}

}  // namespace rf::sim::wire
