#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/serial_port.h"

namespace rf::platform {

// A serial port that passes everything on to another and lets an observer see
// the traffic: every write just before it goes out, every read just after it
// came in. A line trace, or a test that acts at a given command, hooks in here.
class TappedPort final : public SerialPort {
  public:
    struct Taps {
        std::function<void(std::string_view bytes)> written;
        std::function<void(const std::string& bytes)> read;
    };
    TappedPort(std::unique_ptr<SerialPort> port, Taps taps)
        : port_(std::move(port)), taps_(std::move(taps)) {}

    const std::string& name() const override { return port_->name(); }
    void open(const PortSettings& settings) override { port_->open(settings); }
    void close() override { port_->close(); }
    bool isOpen() const override { return port_->isOpen(); }
    void discardInput() override { port_->discardInput(); }
    void discardOutput() override { port_->discardOutput(); }
    void write(std::string_view bytes) override {
        if (taps_.written) taps_.written(bytes);
        port_->write(bytes);
    }
    std::string readAll() override {
        std::string bytes = port_->readAll();
        if (taps_.read && !bytes.empty()) taps_.read(bytes);
        return bytes;
    }
    std::string failure() const override { return port_->failure(); }
    void setCommHandler(std::function<void(int event)> handler) override {
        port_->setCommHandler(std::move(handler));
    }

  private:
    std::unique_ptr<SerialPort> port_;
    Taps taps_;
};

}  // namespace rf::platform
