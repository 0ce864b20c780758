#pragma once

#include <array>
#include <string>
#include <vector>

#include "results/result_grid.h"
#include "state/adjustment_tables.h"

namespace rf::results {

// An item of the format choice: its text and the format and drum-speed codes
// of the adjustment tables it shows.
struct FormatChoice {
    const char* item;
    int format, speed;
};
inline constexpr std::array<FormatChoice, 4> FormatChoices{{
    {"HDLP", fmt::HdLp, rpm::Rpm18000},
    {"HDSP", fmt::HdSp, fourChannelSpeed(fmt::HdSp)},
    {"SDSP", fmt::Magvex50M, fourChannelSpeed(fmt::Magvex50M)},
    {"DV  ", fmt::Dv, fourChannelSpeed(fmt::Dv)},
}};

// A combo box: its items and the one chosen (-1 none, showing `text`).
struct ComboBox {
    std::vector<std::string> items;
    int selected = -1;
    std::string text;
    friend bool operator==(const ComboBox&, const ComboBox&) = default;
};

// The window "EVR Result": the adjustment values held for the recorder in one
// format at a time, per head group and channel. Every change is marked as
// Area::Window.
struct EvrResultModel {
    // Form_Load: the format items and the grid's fixed layout.
    EvrResultModel();

    std::string caption = "EVR Result";
    ComboBox FormatSel;
    ResultGrid EvrChart{21, 11, 2, 1};
    Button PrintGo{"PRINT"};
    Button EvrChartHide{"CLOSE"};
    std::string PrintLabel;  // VtrName, on the printout only
    Color background = ButtonFace;
    bool visible = false;
    WindowChanges changes;

    // What printing changes: PRINT leaves the printout, CLOSE stays.
    PrintParts printParts() {
        return {PrintGo, EvrChartHide, false, PrintLabel, background, {&EvrChart}, changes};
    }
    friend bool operator==(const EvrResultModel&, const EvrResultModel&) = default;
};

// Redraws the values of the chosen format from RecDataRead and PbDataRead. A
// value the format does not have is "---" on the button-face colour.
void EvrDsp(EvrResultModel& window, const AdjustmentTables& tables);

}  // namespace rf::results
