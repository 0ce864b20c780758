#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "link/rs_link.h"
#include "platform/platform.h"
#include "platform/waits.h"
#include "shell/main_window_model.h"
#include "shell/operation_log.h"
#include "state/shared.h"

namespace rf::shell {

// The main window's own procedures: menu, tab and check-box rules, returning
// to idle, the data initialisation, the logger, the progress bar and the block
// names. It writes the window model; the view mirrors it.
class MainForm {
  public:
    MainForm(Shared& shared, platform::Platform& platform, link::RsLink& link, OperationLog& log);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    MainWindowModel& model() { return m_; }
    const MainWindowModel& model() const { return m_; }
    Shared& shared() { return s_; }
    platform::Platform& platform() { return platform_; }
    OperationLog& log() { return log_; }

    // Menu enabling: On idle, Off a programme runs (STOP alone), AllOff data transfer.
    void MenuCtrl(MenuMode mode);
    // Tabs, option buttons and check boxes: the option All, Pb or Rec, or Off.
    void TabCtrl(TabMode mode);
    // Rewrites the block selection from the check boxes.
    void AdjExeCtrl();
    // Returns the window to its idle state.
    void FormInit();
    // Default adjustment data and error-rate results.
    void DataInit();
    // Clears the block tables and rebuilds the transfer target from the check boxes.
    void LpOtherInit();

    // The operator's clicks on the option buttons and check boxes.
    void PartAdjCheck_Click(int index);
    void CheckBox_Click(Toggle& box);

    // Logger text, progress bar and block names.
    void LogDsp(std::string_view text);
    void ProgressDsp();
    void AdjNameDisp(const BlockSel& sel);
    // LogDsp followed by the same text as a record of the operation log.
    void logLine(std::string_view text);

    // The program's pause of `ms` milliseconds; the window stays live.
    void Stby(int ms);

    // Program menu item enabling by index, as the running sequences need it.
    MenuItem& prgItem(int index) { return m_.MenuPrg.items.at(static_cast<std::size_t>(index)); }

  private:
    Shared& s_;
    platform::Platform& platform_;
    link::RsLink& link_;
    OperationLog& log_;
    MainWindowModel m_;
    platform::WaitTimer PrgWaitBox;  // the programme's pauses: PrgWaitFlag
};

}  // namespace rf::shell
