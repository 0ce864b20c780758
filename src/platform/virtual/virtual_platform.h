#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/virtual/scheduler.h"
#include "platform/virtual/scripted_dialogs.h"
#include "platform/virtual/virtual_serial_port.h"

namespace rf::platform::virt {

// A wait loop with nothing left to wait for: in virtual time it would spin for
// ever, so it is reported as a failure of the test that caused it.
class Deadlock : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// Copies of the program running "at the same time" in one test share a registry.
struct InstanceRegistry {
    bool running = false;
};

// The platform of tests and unattended runs: a virtual clock with scheduled
// events, a virtual serial port whose far end is a peer object, and scripted
// operator answers. doEvents() runs what is due or jumps to the next event.
class VirtualPlatform final : public Platform {
  public:
    explicit VirtualPlatform(DateTime start = {2026, 12, 5, 2, 33, 38},
                             std::shared_ptr<InstanceRegistry> instances = nullptr);
    ~VirtualPlatform() override;

    // Platform
    void doEvents() override;
    void processPending() override;
    void requestEnd() override { endRequested_ = true; }
    bool endRequested() const override { return endRequested_; }
    DateTime now() const override;
    std::chrono::milliseconds steadyTime() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(scheduler_.now());
    }
    std::unique_ptr<Timer> createTimer() override;
    std::unique_ptr<SerialPort> createSerialPort(const std::string& portName) override;
    ScriptedDialogs& dialogs() override { return dialogs_; }
    bool acquireSingleInstance() override;

    // Test side.
    Scheduler& scheduler() { return scheduler_; }
    Micros elapsed() const { return scheduler_.now(); }
    void setPeer(SerialPeer* peer) { peer_ = peer; }
    SerialPeer* peer() const { return peer_; }
    // Everything that crossed the line, both ways, with its time.
    const std::vector<WireRecord>& wire() const { return wire_; }
    void clearWire() { wire_.clear(); }
    // The port the program opened last, while it exists.
    VirtualSerialPort* port() const { return port_; }
    // The next `count` opens of a port fail with this error.
    void refuseOpen(int errorNumber, std::string reason, int count = 1);
    // A wait that runs past this much virtual time is reported as a deadlock.
    void setTimeLimit(Micros limit) { timeLimit_ = limit; }
    void clearEndRequest() { endRequested_ = false; }

  private:
    friend class VirtualSerialPort;
    Scheduler scheduler_;
    DateTime start_;
    std::shared_ptr<InstanceRegistry> instances_;
    bool holdsInstance_ = false;
    bool endRequested_ = false;
    ScriptedDialogs dialogs_;
    SerialPeer* peer_ = nullptr;
    VirtualSerialPort* port_ = nullptr;
    std::vector<WireRecord> wire_;
    struct Refusal {
        int number;
        std::string reason;
        int count;
    };
    std::optional<Refusal> refusal_;
    Micros timeLimit_ = std::chrono::hours(1000);
};

}  // namespace rf::platform::virt
