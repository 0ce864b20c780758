#pragma once

#include <QSerialPort>
#include <functional>
#include <string>

#include "platform/platform.h"

namespace rf::platform::qt {

// The platform serial port over QSerialPort: no flow control, DTR and RTS off,
// a Receive event for every arrival of characters and DeviceLost when the
// device fails while open (a USB adapter pulled out). After DeviceLost the port
// closes itself on the next pass of the event loop.
class QtSerialPort final : public SerialPort {
  public:
    QtSerialPort(Platform& platform, std::string name);
    ~QtSerialPort() override;

    const std::string& name() const override { return name_; }
    void open(const PortSettings& settings) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    void discardInput() override;
    void discardOutput() override;
    void write(std::string_view bytes) override;
    std::string readAll() override;
    std::string failure() const override { return failure_; }
    void setCommHandler(std::function<void(int)> handler) override {
        handler_ = std::move(handler);
    }

  private:
    void configure(const PortSettings& settings);
    void onError(QSerialPort::SerialPortError error);
    void report(int event);

    Platform& platform_;
    std::string name_;
    QSerialPort port_;
    std::function<void(int)> handler_;
    std::string failure_;  // the system's reason for the last DeviceLost
    // Set while the port is being opened, configured or closed: errors then are
    // answered by open() itself, not reported as events.
    bool quiet_ = false;
    // DeviceLost was reported for this opening; a failing device tends to fail
    // on every read that follows, and one report is enough.
    bool lost_ = false;
    // Counts successful opens, so a close queued for a lost device does not
    // close a later opening.
    unsigned opening_ = 0;
};

}  // namespace rf::platform::qt
