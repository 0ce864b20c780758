// The simulator's front-panel command reader: any line gives a command or
// says why it is none, and what it gives holds what the command needs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <type_traits>
#include <variant>

#include "panel_command.h"

namespace {

using namespace rf::sim::vtrsim;

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const PanelCommand command = parsePanelCommand(line);
    std::visit(
        [](const auto& c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, panel::Insert>) require(!c.tape.empty());
            if constexpr (std::is_same_v<C, panel::SetModel>) require(!c.id.empty());
            if constexpr (std::is_same_v<C, panel::SetInduce>)
                require(!c.code.empty() && c.code.size() <= 3);
            if constexpr (std::is_same_v<C, panel::Invalid>) require(!c.reason.empty());
            if constexpr (std::is_same_v<C, panel::FaultOn>) {
                const FaultKind kind = faultKind(c.name);
                require(kind != FaultKind::Unknown);
                require(c.count >= 0 && c.seconds >= 0);
                if (kind != FaultKind::Reply) require(c.count == 0 && c.seconds == 0);
            }
            if constexpr (std::is_same_v<C, panel::FaultOff>) {
                const FaultKind kind = faultKind(c.name);
                require(kind == FaultKind::Reply || kind == FaultKind::State);
            }
        },
        command);
    // The line as a fault or line-event name.
    const int code = lineEventCode(line);
    if (code != 0) require(lineEventName(code) == line);
    faultKind(line);
    return 0;
}
