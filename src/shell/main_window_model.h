#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rf::shell {

// A colour as (red, green, blue).
struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

namespace colors {
inline constexpr Color Black{0, 0, 0};
inline constexpr Color Green{0, 192, 0};
inline constexpr Color Orange{255, 128, 0};
inline constexpr Color Red{192, 0, 0};
inline constexpr Color Magenta{255, 0, 255};
// The system's button-face colour: a label "blinks off" by taking it.
inline constexpr Color ButtonFace{240, 240, 240};
}  // namespace colors

struct Label {
    std::string caption;
    Color fore = colors::Black;
    friend bool operator==(const Label&, const Label&) = default;
};

struct MenuItem {
    std::string caption;  // "-" is a separator
    std::string shortcut;
    bool enabled = true;
    bool checked = false;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct Menu {
    std::string caption;
    bool enabled = true;
    std::vector<MenuItem> items;
    friend bool operator==(const Menu&, const Menu&) = default;
};

struct Toggle {
    std::string caption;
    bool value = false;  // checked (check box) or selected (option button)
    bool enabled = true;
    friend bool operator==(const Toggle&, const Toggle&) = default;
};

struct TabPage {
    std::string caption;
    bool enabled = true;
    friend bool operator==(const TabPage&, const TabPage&) = default;
};

// Program menu items, by the index the click handler receives.
// How MenuCtrl enables the menus, and how TabCtrl sets the tabs and boxes.
enum class MenuMode { On, Off, AllOff };
enum class TabMode { All, Pb, Rec, Off };

namespace prg {
inline constexpr int Adjust = 0, ErrorRate = 1, Start = 3, Irq = 4, Stop = 5, DownLoad = 7,
                     UpLoad = 8, Initialize = 9, Reset = 11, End = 12;
}

// Every control of the main window with the state the program gives it. The
// program writes it; the view on the screen mirrors it; tests read it.
struct MainWindowModel {
    std::string caption = "RF ADJUST TOOL :QT7310/7320/7330";
    bool visible = false;

    Menu MenuPrg, MenuFile, MenuIndicate, MenuHelp;

    std::vector<TabPage> AdjTab;
    int selectedTab = 0;
    std::array<Toggle, 3> PartAdjCheck;  // option buttons "ALL", "PB", "REC"
    std::array<Toggle, 5> PbLpCheck;
    Toggle RecLpCheck, PbSpCheck, PbProCheck, PbDvCheck;

    Label Message{"Now State Display !!"};
    std::string LogText;
    int ProgressBar = 0;     // 0 to 100
    std::string StatusText;  // the first status-bar panel; date and time are live

    std::array<std::string, 4> TimeDsp{"??", "??", "??", "??"};
    std::array<std::string, 3> RemainDsp{"??", "??", "??"};

    // Error-rate panel.
    std::string ErrSelect = "VIDEO";
    bool ErrSelectVisible = true;
    // Four bars of 18 segments, segment 0 at the bottom.
    std::array<std::array<Color, 18>, 4> ErrDsp{};
    std::array<std::string, 4> MF2ChLabel{"L1", "L2", "R1", "R2"};
    std::string MF2KindLabel = "Head Kind";

    MainWindowModel();
    friend bool operator==(const MainWindowModel&, const MainWindowModel&) = default;
};

// The version window.
struct VersionWindowModel {
    std::string caption = "Version Infomation";
    std::string lblTitle = "QT7310/7320/7330       RF ADJUSTMENT TOOL";
    std::string lblVersion = "Vesion 2.1";
    std::string lblDescription = "This is MAGVEX HDLP QT7310/7320/7330 RF  ADJUSTMENT TOOL";
    std::string lblDisclaimer;
    std::string cmdOK = "OK";
    bool visible = false;
    friend bool operator==(const VersionWindowModel&, const VersionWindowModel&) = default;
};

}  // namespace rf::shell
