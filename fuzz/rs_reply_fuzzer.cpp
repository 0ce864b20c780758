// The reply decoders of the recorder's command set. The first byte picks the
// command routine (and, with its high bit, replies that arrive one byte at a
// time); the rest is what the recorder answers: split at each 0xFF byte into
// the replies to the routine's first frames, the last one answering every
// frame after them (the retries). The routine runs on the virtual platform,
// whose virtual time makes the link's time-outs and pauses instant and the run
// deterministic.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "platform/virtual/scripted_peer.h"
#include "platform/virtual/virtual_platform.h"

namespace {

using namespace rf;
using link::Rs;

// What a decoder returns must hold what its command promises; anything else
// is a finding, as is any exception but the tool's own errors.
void require(bool ok) {
    if (!ok) std::abort();
}

bool isHexPair(std::string_view s) {
    return s.size() == 2;
}

BlockSel block(int cate, int kind, int ch) {
    BlockSel sel;
    sel.SFmt = fmt::HdLp;
    sel.SRpm = rpm::Rpm18000;
    sel.SHeadCate = static_cast<std::int16_t>(cate);
    sel.SHeadKind = static_cast<std::int16_t>(kind);
    sel.SHeadCh = static_cast<std::int16_t>(ch);
    return sel;
}

void readLevel(Rs& rs, link::LevelKind kind) {
    // The head category picks the command: $PR, $BR or $DR.
    const link::LevelBlock b = rs.LevelRead(block(static_cast<int>(kind), 2, 1), kind);
    require(b.kind == kind);
}

std::array<std::int16_t, link::LevelItems> levelRow() {
    std::array<std::int16_t, link::LevelItems> row{};
    for (std::size_t i = 4; i <= 6; ++i)
        row[i] = 1;
    return row;
}

const std::function<void(Rs&)> routines[] = {
    [](Rs& rs) { rs.IdRead(); },
    [](Rs& rs) { require(rs.SqRead().size() == 9); },
    [](Rs& rs) { require(rs.InduceRead().size() == 3); },
    [](Rs& rs) { rs.InduceSet("A12"); },
    [](Rs& rs) {
        const int f = rs.FrRead();
        require(f >= 0 && f < 15);
    },
    [](Rs& rs) { rs.RmSet(link::rmParam(true, "1", "10")); },
    [](Rs& rs) { rs.CtsSet("0"); },
    [](Rs& rs) {
        rs.AdjModeSet(link::AdjMode::Start, 1, 0, 2, 3);
        require(rs.adjModeOn());
    },
    [](Rs& rs) { rs.AdjModeSet(link::AdjMode::Stop); },
    [](Rs& rs) { rs.KsSet(true, 3, 12); },
    [](Rs& rs) {
        const std::string s = rs.OasRead();
        require(s == "ON" || s == "OFF");
    },
    [](Rs& rs) { require(!rs.StatusRead().empty()); },
    [](Rs& rs) {
        for (const std::string& h : rs.QhrRead(0))
            require(isHexPair(h));
    },
    [](Rs& rs) {
        for (const std::string& h : rs.QhrRead(1))
            require(isHexPair(h));
    },
    [](Rs& rs) {
        for (const std::string& t : rs.TimeCodeRead(link::TimeCodeMode::Tcr))
            require(t.size() == 2);
    },
    [](Rs& rs) {
        for (const std::string& t : rs.TimeCodeRead(link::TimeCodeMode::Tcg))
            require(t.size() == 2);
    },
    [](Rs& rs) { rs.TransportCtrl(link::Transport::Play); },
    [](Rs& rs) { rs.TransportCtrl(link::Transport::Eject); },
    [](Rs& rs) { rs.AdjRun(0, link::AdjRunKind::Vco); },
    [](Rs& rs) {
        for (int v : rs.AdjRun(5, link::AdjRunKind::Env))
            require(v >= 0 && v <= 255);
    },
    [](Rs& rs) {
        rs.SearchSet(link::SearchMode::Tc, "00100000");
        rs.SearchEnded();
    },
    [](Rs& rs) {
        const std::string s = rs.RemoteCheck();
        require(s == "REMOTE" || s == "LOCAL");
    },
    [](Rs& rs) {
        for (auto mode : {link::ErrRateMode::Hex, link::ErrRateMode::Bcd}) {
            const link::ErrRates e = rs.ErrRateRead(mode, 3);
            for (std::size_t i = 0; i < 4; ++i) {
                require(e.raw[i] >= 20 && e.raw[i] <= 56);
                require(e.rates[i] >= 0 && e.rates[i] <= 18);
                require(e.marks[i].size() == 2);
            }
        }
    },
    [](Rs& rs) {
        for (int v : rs.RecValueRead(block(0, 1, 0), link::RecKind::Curr))
            require(v >= -128 && v <= 127);
    },
    [](Rs& rs) { rs.RecValueRead(block(0, 1, 1), link::RecKind::Freq); },
    [](Rs& rs) {
        const std::array<std::int16_t, link::RecItems> items{-1, 1, 0, 127, 0};
        rs.RecValueSet(block(0, 1, 0), link::RecKind::Curr, items);
    },
    [](Rs& rs) { readLevel(rs, link::LevelKind::Rf); },
    [](Rs& rs) { readLevel(rs, link::LevelKind::Eq); },
    [](Rs& rs) { readLevel(rs, link::LevelKind::Eq200); },
    [](Rs& rs) {
        const auto row = levelRow();
        rs.LevelSet(block(1, 0, 0), link::LevelKind::Eq, row);
    },
};
constexpr std::size_t RoutineCount = std::size(routines);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t routine = data[0] % RoutineCount;
    const bool byteByByte = (data[0] & 0x80) != 0;
    std::vector<std::string> replies(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0xFF)
            replies.emplace_back();
        else
            replies.back() += static_cast<char>(data[i]);
    }
    std::size_t frames = 0;

    platform::virt::ScriptedPeer peer;
    platform::virt::VirtualPlatform platform;
    platform.setPeer(&peer);
    // A wait that never ended would spin in virtual time: a finding too.
    platform.setTimeLimit(std::chrono::minutes(10));
    peer.setDefault([&](const std::string&) {
        const std::string& reply = replies[std::min(frames++, replies.size() - 1)];
        return platform::virt::ScriptedPeer::Response{
            reply, std::chrono::microseconds(1000),
            std::chrono::microseconds(byteByByte ? 100 : 0)};
    });
    const std::unique_ptr<platform::SerialPort> port = platform.createSerialPort("COM1");
    port->open({});
    link::RsLink link(platform);
    link.attach(port.get());
    bool adjModeOn = false;
    Rs rs(link, adjModeOn);
    try {
        routines[routine](rs);
    } catch (const RfError&) {
        // A reply the command does not accept: the tool reports it and goes on.
        // The routine changed nothing: adjustment mode is still off.
        require(!adjModeOn);
    }
    return 0;
}
