#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/color.h"
#include "core/version.h"
#include "core/window_changes.h"
#include "run/display.h"

namespace rf::shell {

using rf::Color;
namespace colors = rf::colors;
using rf::Area;
using rf::AreaCount;
using rf::WindowChanges;

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

// How MenuCtrl enables the menus, and how TabCtrl sets the tabs and boxes.
enum class MenuMode { On, Off, AllOff };
enum class TabMode { All, Pb, Rec, Off };
// The option buttons of the part to work on, by their place.
enum class PartAdj { All = 0, Pb = 1, Rec = 2 };

// Every control of the main window with the state the program gives it. The
// program writes it and marks in `changes` the area of what it wrote; the view
// on the screen mirrors it; tests read it.
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
    int ProgressBar = 0;  // 0 to 100
    // Under the progress bar while a programme runs: the estimate of the
    // time left of the block and of the run ("" when there is none).
    std::string TimeLeft;
    std::string StatusText;  // the first status-bar panel; date and time are live
    // Beside it, from the operator's STOP until the window is idle again: that
    // the run is stopping and what happens before it ends.
    std::string StopNotice;

    std::array<std::string, 4> TimeDsp{"??", "??", "??", "??"};
    std::array<std::string, 3> RemainDsp{"??", "??", "??"};

    // Error-rate panel.
    std::string ErrSelect = "VIDEO";
    bool ErrSelectVisible = true;
    // Four bars of 18 segments, segment 0 at the bottom.
    std::array<std::array<Color, 18>, 4> ErrDsp{};
    std::array<std::string, 4> MF2ChLabel{"L1", "L2", "R1", "R2"};
    std::string MF2KindLabel = "Head Kind";

    // What changed since the view last looked.
    WindowChanges changes;

    MainWindowModel();
    // A Program menu item.
    MenuItem& prgItem(run::ProgramItem which) {
        return MenuPrg.items.at(static_cast<std::size_t>(run::menuIndex(which)));
    }
    const MenuItem& prgItem(run::ProgramItem which) const {
        return MenuPrg.items.at(static_cast<std::size_t>(run::menuIndex(which)));
    }
    friend bool operator==(const MainWindowModel&, const MainWindowModel&) = default;
};

// The version window. Its changes are all marked as Area::Window.
struct VersionWindowModel {
    std::string caption = "Version Infomation";
    std::string lblTitle = "QT7310/7320/7330       RF ADJUSTMENT TOOL";
    std::string lblVersion = std::string("Vesion ") + toolVersion();
    std::string lblDescription = "This is MAGVEX HDLP QT7310/7320/7330 RF  ADJUSTMENT TOOL";
    std::string lblDisclaimer;
    std::string cmdOK = "OK";
    bool visible = false;
    WindowChanges changes;
    friend bool operator==(const VersionWindowModel&, const VersionWindowModel&) = default;
};

}  // namespace rf::shell
