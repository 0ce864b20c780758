// The settings files' reader: the input is read as RSSET.DAT (and its serial
// fields as the port's settings) and as DVTRRF.DAT. A reader either gives its
// fields or raises one of the tool's numbered errors; any other outcome is a
// finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings.h"
#include "core/errors.h"
#include "fuzz_file.h"
#include "platform/serial_port.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rf;
    const auto& dir = fuzz::scratch();
    try {
        const app::RsSettings rs = app::readRsSet(dir.write("RSSET.DAT", data, size));
        // A port number names the platform's port; a text names the device.
        const app::PortSetting& port = rs.port;
        if (port.number >= 1)
            require(port.name == "/dev/ttyS" + std::to_string(port.number - 1));
        else if (port.number < 0)
            require(port.name.empty());
        // The four serial fields, as the port is opened with them.
        try {
            const platform::PortSettings ps = platform::parseSettings(rs.settingsText());
            require(ps.baud > 0 && ps.dataBits >= 4 && ps.dataBits <= 8);
        } catch (const RfError& e) {
            require(e.number() == err::InvalidPropertyValue);
        }
    } catch (const RfError& e) {
        require(e.number() == err::TypeMismatch || e.number() == err::InputPastEnd ||
                e.number() == err::Overflow);
    }
    try {
        app::readDvtrRf(dir.write("DVTRRF.DAT", data, size));
    } catch (const RfError& e) {
        require(e.number() == err::TypeMismatch || e.number() == err::InputPastEnd ||
                e.number() == err::Overflow);
    }
    return 0;
}
