#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/color.h"

namespace rf::run {

// The items of the Program menu, by their place in the menu (the places
// between them are separators).
enum class ProgramItem {
    Adjust = 0,
    ErrorRate = 1,
    Start = 3,
    Irq = 4,
    Stop = 5,
    DownLoad = 7,
    UpLoad = 8,
    Initialize = 9,
    Reset = 11,
    End = 12,
};

// The items of the File, Indicate and Help menus, by their place.
enum class FileItem { Save = 0, Load = 1 };
enum class IndicateItem { ErrorRate = 0, Evr = 1, LevelCurves = 2, History = 3 };
enum class HelpItem { SetInduce = 0, Version = 2 };

template <typename Item>
inline constexpr int menuIndex(Item item) {
    return static_cast<int>(item);
}
template <typename Item>
inline constexpr std::size_t menuPlace(Item item) {
    return static_cast<std::size_t>(item);
}

// The item at a place in the menu; none at a separator or past the end.
inline constexpr std::optional<ProgramItem> programItemAt(int index) {
    for (ProgramItem item :
         {ProgramItem::Adjust, ProgramItem::ErrorRate, ProgramItem::Start, ProgramItem::Irq,
          ProgramItem::Stop, ProgramItem::DownLoad, ProgramItem::UpLoad, ProgramItem::Initialize,
          ProgramItem::Reset, ProgramItem::End})
        if (menuIndex(item) == index) return item;
    return std::nullopt;
}

// The four bars of the error-rate panel: 18 segments each, segment 0 at the bottom.
using ErrorBars = std::array<std::array<Color, 18>, 4>;

// What a running sequence shows in the main window. Each call changes one thing
// the operator sees; nothing here reads the window back.
class Display {
  public:
    virtual ~Display() = default;

    // The message line across the top, and its colour.
    virtual void message(std::string_view text) = 0;
    virtual void messageColour(Color colour) = 0;
    // Adds a line to the logger.
    virtual void logLine(std::string_view text) = 0;
    // The progress bar, 0 to 100.
    virtual void progress(int percent) = 0;
    // The estimate of the time left beside the progress bar; "" for none.
    virtual void timeLeft(std::string_view text) = 0;
    // The status bar's first panel: the recorder's state.
    virtual void status(std::string_view text) = 0;
    // The four time-code labels and the three remaining-time labels.
    virtual void timeCode(const std::array<std::string, 4>& fields) = 0;
    virtual void remain(const std::array<std::string, 3>& fields) = 0;
    // The error-rate panel: its bars, the channel and head-kind labels under
    // them, and the caption of its group button.
    virtual void errorBars(const ErrorBars& bars) = 0;
    virtual void channelLabels(const std::array<std::string, 4>& labels) = 0;
    virtual void kindLabel(std::string_view text) = 0;
    virtual void errorGroup(std::string_view caption) = 0;
    // Enables or disables a Program menu item while a sequence runs (STOP
    // while a step must not be cut short, IRQ while a rewind may be).
    virtual void enable(ProgramItem item, bool enabled) = 0;
};

}  // namespace rf::run
