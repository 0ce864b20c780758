#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/delimited.h"

namespace rf::app {

struct PortSetting {
    std::int16_t number = 0;  // the port number when the file gives one
    std::string name;         // the device to open
};

// The port field of RSSET.DAT: an integer N names the platform's N-th port
// ("COMN" on Windows, "/dev/ttyS(N-1)" elsewhere); a quoted text is the port
// name itself ("/dev/ttyUSB0", "SIM"). Anything else is "type mismatch" (13).
// A number below 1 names no port: the name stays empty.
PortSetting portSetting(const DelimitedField& field);

struct RsSettings {
    PortSetting port;
    std::string baud, parity, dataBits, stopBits;
    // The port's settings text: the four fields joined with ",".
    std::string settingsText() const {
        return baud + "," + parity + "," + dataBits + "," + stopBits;
    }
};

// Reads DVTRRF.DAT (three integers) and RSSET.DAT from the given paths, with
// the run-time errors of the reader (53, 13, 62, 6). A byte-order mark at the
// start is passed over; a device, a pipe or a file above 64 KiB is 75.
std::array<std::int16_t, 3> readDvtrRf(const std::string& path);
RsSettings readRsSet(const std::string& path);

}  // namespace rf::app
