#pragma once

#include <array>
#include <string>
#include <string_view>

#include "link/rs_link.h"
#include "run/context.h"
#include "run/display.h"
#include "shell/main_window_events.h"
#include "shell/main_window_model.h"
#include "state/startup_settings.h"

namespace rf::shell {

// The main window's own procedures: menu, tab and check-box rules, returning
// to idle and the data initialisation. It writes the window model, marking
// what it changed for the view; the running sequences reach the window through
// its Display side only.
class MainForm final : public run::Display {
  public:
    MainForm(run::RunState state, const StartupSettings& settings, link::RsLink& link);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    const MainWindowModel& model() const { return m_; }
    // The model for a change to `area`: the view is told about it.
    MainWindowModel& edit(Area area) {
        m_.changes.mark(area);
        return m_;
    }

    // Menu enabling: On idle, Off a programme runs (STOP and the Indicate menu),
    // AllOff data transfer.
    void MenuCtrl(MenuMode mode);
    // Tabs, option buttons and check boxes: the option All, Pb or Rec, or Off.
    void TabCtrl(TabMode mode);
    // Rewrites the block selection from the check boxes.
    void AdjExeCtrl();
    // Returns the window to its idle state.
    void FormInit();
    // Clears the block tables and rebuilds the transfer target from the check boxes.
    void LpOtherInit();

    // The title bar, showing and hiding the window, and the tab page on top
    // (a disabled page is not chosen).
    void setCaption(std::string caption);
    void setVisible(bool visible);
    void selectTab(int index);

    // The operator's clicks on the option buttons and check boxes.
    void PartAdjCheck_Click(int index);
    void CheckBox_Click(CheckBoxId box);

    // run::Display
    void message(std::string_view text) override;
    void messageColour(Color colour) override;
    void logLine(std::string_view text) override;
    void progress(int percent) override;
    void timeLeft(std::string_view text) override;
    void status(std::string_view text) override;
    void timeCode(const std::array<std::string, 4>& fields) override;
    void remain(const std::array<std::string, 3>& fields) override;
    void errorBars(const run::ErrorBars& bars) override;
    void channelLabels(const std::array<std::string, 4>& labels) override;
    void kindLabel(std::string_view text) override;
    void errorGroup(std::string_view caption) override;
    void enable(run::ProgramItem item, bool enabled) override;

  private:
    Toggle* checkBox(CheckBoxId box);

    Recorder& recorder_;
    Selection& selection_;
    AdjustmentTables& tables_;
    ErrorRates& rates_;
    RunFlags& flags_;
    const StartupSettings& settings_;
    link::RsLink& link_;
    MainWindowModel m_;
};

}  // namespace rf::shell
