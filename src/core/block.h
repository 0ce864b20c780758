#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// The format and the speed a programme works on last: formats 0 to 7 and
// speed indexes 0 to 6 are the ones the programmes use.
inline constexpr int LastFormat = 7;
inline constexpr int LastSpeed = 6;

// The one drum speed a four-channel format (DV, MAGVEX50M, MAGVEX HDSP) is
// adjusted and checked at.
inline constexpr std::int16_t fourChannelSpeed(int format) {
    return format == fmt::Dv          ? rpm::Rpm9000
           : format == fmt::Magvex50M ? rpm::Rpm9900
                                      : rpm::Rpm19800;
}

// A format's name as the logs show it ("MAGVEX HDLP"); none for a code the
// programmes do not use.
const char* formatName(int format);
// A speed index's drum speed as the logs show it ("18000rpm"); none past them.
const char* speedName(int speed);
// A four-channel format's block as the logs name it: "DV,9000rpm".
std::string fourChannelName(int format);

// The items of a playback level block. The RF block holds items 0 to 3, the
// EQ200 block items 4 to 28.
namespace item {
// The MAG pair, kept from the recorder when the defaults are written.
inline constexpr std::size_t MagFirst = 2;
inline constexpr std::size_t MagSecond = 3;
// The VCO centre frequency the recorder adjusts itself.
inline constexpr std::size_t Vco = 9;
// The equaliser taps the recorder adjusts itself: six of the high head, then
// six of the low head.
inline constexpr std::size_t TapHigh = 17;
inline constexpr std::size_t TapLow = 23;
inline constexpr std::size_t TapCount = 6;
// A record value block: the record current of heads 1 and 2, then their
// record frequency.
inline constexpr std::size_t RecCurrent = 0;
inline constexpr std::size_t RecFrequency = 2;
}  // namespace item

// Adjustment data tables, indexed (format 0-8, rpm 0-7, category 0-2, kind
// 0-4, channel 0-2, item): playback level blocks (items 0-28) and record value
// blocks (items 0-4).
using PbTable = Table<std::int16_t, 9, 8, 3, 5, 3, 29>;
using RecTable = Table<std::int16_t, 9, 8, 3, 5, 3, 5>;

}  // namespace rf
