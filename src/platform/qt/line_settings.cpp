#include "platform/qt/line_settings.h"

#include <termios.h>

#include <string>

#include "core/errors.h"

namespace rf::platform::qt {

namespace {

QSerialPort::Parity qtParity(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

const char* parityName(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return "even parity";
        case Parity::Odd:
            return "odd parity";
        case Parity::Mark:
            return "mark parity";
        case Parity::Space:
            return "space parity";
        case Parity::None:
            break;
    }
    return "no parity";
}

Parity parityOf(tcflag_t cflag) {
    if (!(cflag & PARENB)) return Parity::None;
    const bool odd = cflag & PARODD;
    if (cflag & CMSPAR) return odd ? Parity::Mark : Parity::Space;
    return odd ? Parity::Odd : Parity::Even;
}

int dataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

// The termios code of a standard rate, or 0 for a rate set another way.
speed_t standardSpeed(int baud) {
    switch (baud) {
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return 0;
    }
}

}  // namespace

DeviceLine readDeviceLine(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return {};
    return {true, dataBitsOf(t.c_cflag), parityOf(t.c_cflag), (t.c_cflag & CSTOPB) != 0,
            static_cast<unsigned>(::cfgetospeed(&t))};
}

std::string lineSettingsMismatch(const DeviceLine& line, const PortSettings& s) {
    if (!line.known) return "cannot read the line settings back";
    if (line.dataBits != s.dataBits)
        return "the device does not take " + std::to_string(s.dataBits) + " data bits (it keeps " +
               std::to_string(line.dataBits) + ")";
    if (line.parity != s.parity)
        return std::string("the device does not take ") + parityName(s.parity) + " (it keeps " +
               parityName(line.parity) + ")";
    if (line.twoStopBits != (s.stopBits == StopBits::Two))
        return std::string("the device does not take ") +
               (line.twoStopBits ? "1 stop bit (it keeps 2)" : "2 stop bits (it keeps 1)");
    if (const speed_t want = standardSpeed(s.baud); want != 0 && line.speedCode != want)
        return "the device does not take " + std::to_string(s.baud) + " baud";
    return {};
}

void applyLineSettings(QSerialPort& port, const PortSettings& s) {
    // Names a setting QSerialPort refused, with what the device kept where the
    // read-back tells more than the system's error text.
    const auto refuse = [&](const std::string& what) {
        const std::string reason = port.errorString().toStdString();
        const std::string kept =
            lineSettingsMismatch(readDeviceLine(static_cast<int>(port.handle())), s);
        Raise(err::InvalidPropertyValue,
              (kept.find(what) != std::string::npos ? kept : what + " refused") + ": " + reason);
    };
    if (s.dataBits < 5 || s.dataBits > 8)
        Raise(err::InvalidPropertyValue,
              std::to_string(s.dataBits) + " data bits: the port takes 5 to 8");
    // termios has no 1.5 stop bits, and QSerialPort quietly uses 1 instead.
    if (s.stopBits == StopBits::OneAndHalf)
        Raise(err::InvalidPropertyValue, "1.5 stop bits: the port takes 1 or 2");

    if (!port.setFlowControl(QSerialPort::NoFlowControl)) refuse("no flow control");
    if (!port.setBaudRate(s.baud)) refuse(std::to_string(s.baud) + " baud");
    if (!port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)))
        refuse(std::to_string(s.dataBits) + " data bits");
    if (!port.setParity(qtParity(s.parity))) refuse(parityName(s.parity));
    if (!port.setStopBits(s.stopBits == StopBits::Two ? QSerialPort::TwoStop
                                                      : QSerialPort::OneStop))
        refuse(s.stopBits == StopBits::Two ? "2 stop bits" : "1 stop bit");

    // QSerialPort reports success when tcsetattr() does, but a driver may quietly
    // keep its own value (a pseudo-terminal keeps no parity when told mark or
    // space); read back what the device really took.
    const std::string mismatch =
        lineSettingsMismatch(readDeviceLine(static_cast<int>(port.handle())), s);
    if (!mismatch.empty()) Raise(err::InvalidPropertyValue, mismatch);
}

}  // namespace rf::platform::qt
