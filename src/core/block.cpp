#include "core/block.h"

namespace rf {

const char* formatName(int format) {
    static constexpr const char* names[] = {"MAGVEX25M", "DV",    "MAGVEX50M", "MAGVEX HDSP",
                                            nullptr,     nullptr, nullptr,     "MAGVEX HDLP"};
    return format >= 0 && format <= LastFormat ? names[format] : nullptr;
}

const char* speedName(int speed) {
    static constexpr const char* names[] = {"9000rpm",  "4500rpm", "18000rpm", "21600rpm",
                                            "10800rpm", "9900rpm", "19800rpm"};
    return speed >= 0 && speed <= LastSpeed ? names[speed] : nullptr;
}

std::string fourChannelName(int format) {
    const char* name = formatName(format);
    return std::string(name ? name : "") + "," + speedName(fourChannelSpeed(format));
}

}  // namespace rf
