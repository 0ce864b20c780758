#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
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

using platform::virt::Micros;
using platform::virt::ScriptedPeer;
using platform::virt::VirtualPlatform;
using namespace std::chrono_literals;

// The scripted peer answers this long after a frame's ETX unless told otherwise.
inline constexpr double kReplyMs = 1;

inline const std::string kAck = "\x06";
inline const std::string kNak = "\x15";  // any first character that is not ACK

// ACK STX text ETX.
inline std::string good(const std::string& text) {
    return ScriptedPeer::good(text);
}

// Virtual time in milliseconds; a double so that a stray microsecond shows.
inline double ms(Micros t) {
    return static_cast<double>(t.count()) / 1000.0;
}

// The number of the RfError `f` raises, 0 when it returns normally.
using rf::test::errorOf;

// One end of a serial line in virtual time: the platform, an open port whose far
// end is a scripted peer, the link attached to the port and the command set on
// top of the link. EndProgram records its text and requests the end, as the
// program's own callback does.
struct VirtualLine {
    ScriptedPeer peer;
    VirtualPlatform platform;
    std::unique_ptr<rf::platform::SerialPort> port;
    link::RsLink link{platform};
    link::Rs rs{link};
    std::vector<std::string> endTexts;

    VirtualLine() : port(platform.createSerialPort("COM1")) {
        platform.setPeer(&peer);
        // A wait that never ends fails the test instead of spinning.
        platform.setTimeLimit(10min);
        port->open({});
        link.attach(port.get());
        link.setEndProgram([this](const std::string& text) {
            endTexts.push_back(text);
            platform.requestEnd();
        });
    }

    double now() const { return ms(platform.elapsed()); }

    // Texts of the frames written so far (without STX and ETX) and their times.
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
