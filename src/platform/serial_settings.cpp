#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/serial_port.h"

namespace rf::platform {

namespace {
std::vector<std::string> splitFields(std::string_view text) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == ',')
            out.emplace_back();
        else if (c != ' ')
            out.back() += c;
    }
    return out;
}

[[noreturn]] void invalid(std::string_view settings, const std::string& why) {
    Raise(err::InvalidPropertyValue, "Settings \"" + std::string(settings) + "\": " + why);
}
}  // namespace

PortSettings parseSettings(std::string_view settings) {
    auto f = splitFields(settings);
    if (f.size() != 4) invalid(settings, "four fields expected (baud,parity,data bits,stop bits)");
    PortSettings out;
    try {
        std::size_t used = 0;
        out.baud = std::stoi(f[0], &used);
        if (used != f[0].size() || out.baud <= 0) throw std::invalid_argument("baud");
    } catch (const std::exception&) {
        invalid(settings, "the baud rate must be a positive whole number");
    }
    if (f[1].size() != 1) invalid(settings, "the parity must be N, E, O, M or S");
    switch (f[1][0]) {
        case 'N':
        case 'n':
            out.parity = Parity::None;
            break;
        case 'E':
        case 'e':
            out.parity = Parity::Even;
            break;
        case 'O':
        case 'o':
            out.parity = Parity::Odd;
            break;
        case 'M':
        case 'm':
            out.parity = Parity::Mark;
            break;
        case 'S':
        case 's':
            out.parity = Parity::Space;
            break;
        default:
            invalid(settings, "the parity must be N, E, O, M or S");
    }
    if (f[2].size() != 1 || f[2][0] < '4' || f[2][0] > '8')
        invalid(settings, "the data bits must be 4 to 8");
    out.dataBits = f[2][0] - '0';
    if (f[3] == "1")
        out.stopBits = StopBits::One;
    else if (f[3] == "1.5")
        out.stopBits = StopBits::OneAndHalf;
    else if (f[3] == "2")
        out.stopBits = StopBits::Two;
    else
        invalid(settings, "the stop bits must be 1, 1.5 or 2");
    return out;
}

}  // namespace rf::platform
