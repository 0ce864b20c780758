#pragma once

#include <optional>

#include "platform/virtual/virtual_platform.h"
#include "sim/recorder.h"

namespace rf::sim {

// The simulated recorder at the far end of the virtual serial line: every
// test and unattended run talks to it in virtual time.
class SimPeer final : public platform::virt::SerialPeer {
  public:
    SimPeer(Recorder& recorder, platform::virt::VirtualPlatform& platform)
        : recorder_(recorder), platform_(platform) {}

    void onToolBytes(std::string_view bytes, Micros now,
                     platform::virt::VirtualSerialPort& port) override;

    // A communication event on the line now (platform::comm codes).
    void lineEvent(int code);

    Recorder& recorder() { return recorder_; }

  private:
    void send(const std::vector<Output>& out);
    void armWake();

    Recorder& recorder_;
    platform::virt::VirtualPlatform& platform_;
    std::optional<platform::virt::Scheduler::Id> wake_;
    Micros wakeAt_{0};
};

}  // namespace rf::sim
