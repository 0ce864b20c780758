#pragma once

#include <QSerialPort>

#include <string>

#include "platform/serial_port.h"

namespace rf::platform::qt {

// Gives an open port the line settings and no flow control. A setting the
// driver rejects, or one it takes without complaint but does not keep (a
// pseudo-terminal keeps 8 data bits and no parity whatever it is told), raises
// "invalid property value" (380) with the reason as the detail; the caller adds
// the port name.
void applyLineSettings(QSerialPort& port, const PortSettings& settings);

// The line settings a terminal device really uses, from its attributes.
struct DeviceLine {
    bool known = false;  // false: the attributes could not be read
    int dataBits = 8;
    Parity parity = Parity::None;
    bool twoStopBits = false;
    unsigned speedCode = 0;  // the termios speed code (B9600, ...)
};
DeviceLine readDeviceLine(int fd);

// "" when the device's line matches `settings`, otherwise what it does not take.
// The speed is compared for the standard rates only; others are set through
// a driver interface that termios does not show.
std::string lineSettingsMismatch(const DeviceLine& line, const PortSettings& settings);

}  // namespace rf::platform::qt
