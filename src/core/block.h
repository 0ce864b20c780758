#pragma once

#include <cstdint>

#include "core/table.h"

namespace rf {

// The five selection indexes of a block: format, drum-speed index, head
// category, head kind and head channel.
struct BlockSel {
    std::int16_t SFmt = 0;
    std::int16_t SRpm = 0;
    std::int16_t SHeadCate = 0;
    std::int16_t SHeadKind = 0;
    std::int16_t SHeadCh = 0;
    friend bool operator==(const BlockSel&, const BlockSel&) = default;
};

// The same block on channel `ch` (0 L, 1 R).
inline BlockSel onChannel(BlockSel block, int ch) {
    block.SHeadCh = static_cast<std::int16_t>(ch);
    return block;
}

// Directions of a block.
namespace dir {
inline constexpr std::int16_t Record = 0;
inline constexpr std::int16_t Playback = 1;
}  // namespace dir

// Format codes.
namespace fmt {
inline constexpr std::int16_t Magvex25M = 0;
inline constexpr std::int16_t Dv = 1;
inline constexpr std::int16_t Magvex50M = 2;
inline constexpr std::int16_t HdSp = 3;
inline constexpr std::int16_t HdLp = 7;
}  // namespace fmt

// Drum-speed indexes, by revolutions per minute.
namespace rpm {
inline constexpr std::int16_t Rpm9000 = 0;
inline constexpr std::int16_t Rpm4500 = 1;
inline constexpr std::int16_t Rpm18000 = 2;
inline constexpr std::int16_t Rpm21600 = 3;
inline constexpr std::int16_t Rpm10800 = 4;
inline constexpr std::int16_t Rpm9900 = 5;
inline constexpr std::int16_t Rpm19800 = 6;
}  // namespace rpm

// Head categories.
namespace cate {
inline constexpr std::int16_t RecPlay = 0;
inline constexpr std::int16_t Playback = 1;
inline constexpr std::int16_t Dv = 2;
}  // namespace cate

// Playback head kinds.
namespace kind {
inline constexpr std::int16_t Conf = 0;
inline constexpr std::int16_t Slow = 1;
inline constexpr std::int16_t SubConf = 2;
inline constexpr std::int16_t SubSlow = 3;
}  // namespace kind

// Adjustment data tables, indexed (format 0-8, rpm 0-7, category 0-2, kind
// 0-4, channel 0-2, item): playback level blocks (items 0-28) and record value
// blocks (items 0-4).
using PbTable = Table<std::int16_t, 9, 8, 3, 5, 3, 29>;
using RecTable = Table<std::int16_t, 9, 8, 3, 5, 3, 5>;

}  // namespace rf
