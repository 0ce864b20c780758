#include "platform/qt/qt_serial_port.h"

#include "core/errors.h"
#include "platform/qt/guarded_call.h"
#include "platform/qt/line_settings.h"

namespace rf::platform::qt {

namespace {

int openErrorNumber(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return err::PortInvalid;
        case QSerialPort::PermissionError:  // in use by another program, or not ours to open
        case QSerialPort::OpenError:        // already open
            return err::PortAlreadyOpen;
        default:
            return err::PortUnavailable;
    }
}

// Errors of an open port that mean the device no longer works. The others
// (not open, unsupported setting, time-out) answer a call and are not events.
bool isRuntimeFailure(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::UnknownError:
            return true;
        default:
            return false;
    }
}

struct QuietScope {
    bool& flag;
    bool saved;
    explicit QuietScope(bool& f) : flag(f), saved(f) { flag = true; }
    ~QuietScope() { flag = saved; }
};

}  // namespace

QtSerialPort::QtSerialPort(Platform& platform, std::string name)
    : platform_(platform), name_(std::move(name)) {
    port_.setPortName(QString::fromStdString(name_));
    // A device that never stops sending (a wrong device named as the port) is
    // read this much at a time; what the handler does not read stays in the driver.
    port_.setReadBufferSize(64 * 1024);
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { report(comm::Receive); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerialPort::~QtSerialPort() {
    handler_ = nullptr;
    close();
}

void QtSerialPort::open(const PortSettings& settings) {
    if (port_.isOpen()) Raise(err::PortAlreadyOpen, name_ + ": the port is already open");
    QuietScope quiet(quiet_);
    if (!port_.open(QIODevice::ReadWrite))
        Raise(openErrorNumber(port_.error()), name_ + ": " + port_.errorString().toStdString());
    try {
        configure(settings);
    } catch (const RfError& e) {
        port_.close();
        Raise(e.number(), name_ + ": " + e.detail());
    }
    lost_ = false;
    ++opening_;
    port_.clearError();
}

void QtSerialPort::configure(const PortSettings& settings) {
    // QSerialPort opens with its own defaults; the settings are given one by one
    // afterwards so a refusal names the setting the device did not take.
    applyLineSettings(port_, settings);
    // A line without modem control (a pseudo-terminal) has nothing to turn off,
    // so a failure here is not an error.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clear(QSerialPort::AllDirections);
}

void QtSerialPort::close() {
    if (!port_.isOpen()) return;
    QuietScope quiet(quiet_);
    port_.close();
    port_.clearError();
}

void QtSerialPort::discardInput() {
    if (port_.isOpen()) port_.clear(QSerialPort::Input);
}

void QtSerialPort::discardOutput() {
    if (port_.isOpen()) port_.clear(QSerialPort::Output);
}

void QtSerialPort::write(std::string_view bytes) {
    if (!port_.isOpen()) Raise(err::PortInvalid, name_ + ": the port is not open");
    port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Hands the bytes to the driver now rather than on the next pass of the
    // event loop; it does not wait for them to leave the line. A failure shows
    // up as an error event.
    port_.flush();
}

std::string QtSerialPort::readAll() {
    const QByteArray bytes = port_.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (quiet_ || lost_ || !port_.isOpen() || !isRuntimeFailure(error)) return;
    lost_ = true;
    failure_ = port_.errorString().toStdString();
    // A pseudo-terminal whose far end closed reads as "ready" with nothing to
    // read, and QSerialPort keeps its read notifier on after a ReadError: the
    // event loop would spin at full CPU for as long as the port stays open. The
    // port is closed from the event loop (closing it inside this signal would
    // pull the buffer from under QSerialPort); that is queued before the
    // handler runs, so a message box the handler shows does not spin either.
    QMetaObject::invokeMethod(
        &port_,
        [this, opening = opening_] {
            if (lost_ && opening == opening_) close();
        },
        Qt::QueuedConnection);
    report(comm::DeviceLost);
}

void QtSerialPort::report(int event) {
    // A copy, so a handler that detaches the port does not destroy the running function.
    auto handler = handler_;
    if (!handler) return;
    guardedCall(platform_, "serial port", [&] { handler(event); });
}

}  // namespace rf::platform::qt
