#include "measure/error_panel.h"

namespace rf::measure {

Color stepColor(int step, std::string_view status, int fmt, std::string_view pbModeCode) {
    // The last green step of each scale; 18 and above is red, between orange.
    int lastGreen = 12;
    if (status == "PLAY" && fmt != fmt::HdLp)
        lastGreen = 6;
    else if (status == "PLAY" && pbModeCode != "1")
        lastGreen = 7;
    if (step >= 18) return colors::Red;
    return step <= lastGreen ? colors::Green : colors::Orange;
}

void EnhErrorDisp(run::Display& display, const ErrorRates& rates, const RunFlags& flags,
                  std::string_view status, int selNo) {
    const bool lit = status == "PLAY" || status == "REC";
    run::ErrorBars bars{};
    for (std::size_t j = 0; j < 4; ++j) {
        const int step = lit ? rates.ErrDspStep.at(static_cast<std::size_t>(4 * selNo) + j) : 0;
        const Color colour = stepColor(step, status, flags.sel.SFmt, flags.PbModeCode);
        for (int seg = 0; seg < 18; ++seg)
            bars[j][static_cast<std::size_t>(seg)] = seg < step ? colour : colors::Black;
    }
    display.errorBars(bars);
}

void ErrSelect_Click(run::Display& display, ErrorRates& rates, const RunFlags& flags) {
    rates.ErrSelNo = (rates.ErrSelNo + 1) % 3;
    static constexpr const char* names[] = {nullptr, "Audio1", "Audio2"};
    display.errorGroup(rates.ErrSelNo != 0 ? names[rates.ErrSelNo]
                                           : (flags.sel.SFmt == fmt::HdLp ? "Video" : "A/V"));
}

}  // namespace rf::measure
