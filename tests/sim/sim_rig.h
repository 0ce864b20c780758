#pragma once

#include <memory>

#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "platform/virtual/virtual_platform.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"

namespace rf::test {

using namespace std::chrono_literals;

// The tool's link and command set talking to the simulated recorder over the
// virtual serial line, in virtual time.
struct SimRig {
    explicit SimRig(sim::RecorderConfig config = {})
        : recorder(std::move(config)), peer(recorder, platform) {
        platform.setPeer(&peer);
        port = platform.createSerialPort("SIM");
        port->open({});
        link.attach(port.get());
    }
    ~SimRig() { link.attach(nullptr); }

    platform::virt::Micros now() { return platform.scheduler().now(); }
    void wait(platform::virt::Micros d) { platform.scheduler().runUntil(now() + d); }
    // Puts a tape in and waits until it is threaded.
    void load(const std::string& tape) {
        if (!recorder.insert(tape, now())) throw std::logic_error("cannot insert " + tape);
        wait(3s);
    }
    // Repeats a transport command until the recorder reports its status.
    void until(link::Transport mode, const std::string& status) {
        do
            rs.TransportCtrl(mode);
        while (rs.StatusRead() != status);
    }

    platform::virt::VirtualPlatform platform;
    sim::Recorder recorder;
    sim::SimPeer peer;
    std::unique_ptr<platform::SerialPort> port;
    link::RsLink link{platform};
    link::Rs rs{link};
};

}  // namespace rf::test
