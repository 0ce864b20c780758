#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace rf::shell {

// The parts of a window a change can touch.
enum class Area : std::size_t {
    Window,
    Menus,
    Tabs,
    Message,
    Log,
    Progress,
    Status,
    Counters,
    ErrorPanel,
};
inline constexpr std::size_t AreaCount = 9;

// Placeholder: the real change record comes with the told views.
class WindowChanges {
  public:
    void mark(Area area) { ++revisions_[static_cast<std::size_t>(area)]; }
    std::uint64_t revision(Area area) const { return revisions_[static_cast<std::size_t>(area)]; }
    friend bool operator==(const WindowChanges&, const WindowChanges&) { return true; }

  private:
    std::array<std::uint64_t, AreaCount> revisions_{};
};

}  // namespace rf::shell
