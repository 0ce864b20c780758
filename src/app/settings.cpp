#include "app/settings.h"

#include "core/errors.h"

namespace rf::app {

namespace {
// A settings file holds a line or two; anything larger is no settings file.
constexpr std::size_t SettingsFileMax = 64 * 1024;
}  // namespace

PortSetting portSetting(const DelimitedField& field) {
    PortSetting out;
    if (field.quoted) {
        out.name = field.text;
        return out;
    }
    out.number = parseInt16(field.text);
    if (out.number >= 1) {
#ifdef _WIN32
        out.name = "COM" + std::to_string(out.number);
#else
        out.name = "/dev/ttyS" + std::to_string(out.number - 1);
#endif
    }
    return out;
}

std::array<std::int16_t, 3> readDvtrRf(const std::string& path) {
    auto in = DelimitedReader::fromFile(path, SettingsFileMax);
    std::array<std::int16_t, 3> out{};
    for (auto& v : out)
        v = in.int16();
    return out;
}

RsSettings readRsSet(const std::string& path) {
    auto in = DelimitedReader::fromFile(path, SettingsFileMax);
    RsSettings out;
    out.port = portSetting(in.field());
    out.baud = in.text();
    out.parity = in.text();
    out.dataBits = in.text();
    out.stopBits = in.text();
    return out;
}

}  // namespace rf::app
