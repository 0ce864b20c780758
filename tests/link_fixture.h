#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "error_of.h"
#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "platform/virtual/scripted_peer.h"
#include "platform/virtual/virtual_platform.h"

namespace rf::linktest {

using rf::test::errorOf;
using namespace std::chrono_literals;

// The scripted peer answers this long after a frame's ETX unless told otherwise.
inline constexpr double kReplyMs = 1;
inline const std::string kAck = "\x06", kNak = "\x15";  // NAK: any first character but ACK

// ACK STX text ETX.
inline std::string good(const std::string& text) {
    return platform::virt::ScriptedPeer::good(text);
}

// One end of a serial line in virtual time: an open port whose far end is a
// scripted peer, the link on the port and the command set on the link. The end
// of the program records its text and the boxes shown by then, and requests the
// end, as the program's own does.
struct VirtualLine {
    platform::virt::ScriptedPeer peer;
    platform::virt::VirtualPlatform platform;
    std::unique_ptr<rf::platform::SerialPort> port;
    link::RsLink link{platform};
    link::Rs rs{link};
    std::vector<std::string> endTexts;
    std::size_t boxesAtEnd = 0;

    VirtualLine() : port(platform.createSerialPort("COM1")) {
        platform.setPeer(&peer);
        platform.setTimeLimit(10min);  // a wait that never ends fails instead of spinning
        port->open({});
        link.attach(port.get());
        link.setEndProgram([this](const std::string& text) {
            endTexts.push_back(text);
            boxesAtEnd = platform.dialogs().shown().size();
            platform.requestEnd();
        });
    }

    // Virtual time in milliseconds; a double so that a stray microsecond shows.
    static double ms(platform::virt::Micros t) { return static_cast<double>(t.count()) / 1000.0; }
    double now() const { return ms(platform.elapsed()); }
    // Texts of the frames written so far (without STX and ETX), and their times.
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const auto& f : peer.frames())
            out.push_back(f.text());
        return out;
    }
    std::vector<double> sentAt() const {
        std::vector<double> out;
        for (const auto& f : peer.frames())
            out.push_back(ms(f.at));
        return out;
    }
};

}  // namespace rf::linktest
