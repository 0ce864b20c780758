#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/serial_port.h"
#include "platform/virtual/scheduler.h"

namespace rf::platform::virt {

class VirtualPlatform;
class VirtualSerialPort;

struct WireRecord {
    enum class Dir { ToPeer, FromPeer } dir;
    Micros at;
    std::string bytes;
};

// The far end of the virtual line: a scripted peer in link tests, the recorder
// simulator everywhere else. It hears every write of the program and answers
// through the port's deliver().
class SerialPeer {
  public:
    virtual ~SerialPeer() = default;
    virtual void onToolBytes(std::string_view bytes, Micros now, VirtualSerialPort& port) = 0;
};

class VirtualSerialPort final : public SerialPort {
  public:
    VirtualSerialPort(VirtualPlatform& platform, std::string name);
    ~VirtualSerialPort() override;

    const std::string& name() const override { return name_; }
    void open(const PortSettings& settings) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void discardInput() override { input_.clear(); }
    void discardOutput() override {}
    void write(std::string_view bytes) override;
    std::string readAll() override;
    void setCommHandler(std::function<void(int)> handler) override {
        handler_ = std::move(handler);
    }

    // Peer side: bytes that reach the program at `at` (one receive event), and
    // a communication event at `at`. Nothing arrives at a closed port.
    void deliver(std::string bytes, Micros at);
    // `failure` is the system's reason the port then gives.
    void deliverEvent(int code, Micros at, std::string failure = "");
    std::string failure() const override { return failure_; }

    const PortSettings& settings() const { return settings_; }

  private:
    VirtualPlatform& platform_;
    std::string name_;
    bool open_ = false;
    PortSettings settings_;
    std::string input_;
    std::string failure_;
    std::function<void(int)> handler_;
};

}  // namespace rf::platform::virt
