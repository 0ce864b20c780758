#pragma once

namespace rf::shell {

// The check boxes of the tab pages.
enum class CheckBoxId { PbLp0, PbLp1, PbLp2, PbLp3, PbLp4, RecLp, PbSp, PbPro, PbDv };

// The operator's actions on the main window and the version window, as the
// view reports them to the program. Each call returns when the program has
// handled it (a START returns when the programme has ended).
class MainWindowEvents {
  public:
    virtual ~MainWindowEvents() = default;
    virtual void menuPrg(int index) = 0;
    virtual void menuFile(int index) = 0;
    virtual void menuIndicate(int index) = 0;
    virtual void menuHelp(int index) = 0;
    virtual void partAdjCheck(int index) = 0;
    virtual void checkBox(CheckBoxId box) = 0;
    virtual void tabSelected(int index) = 0;
    virtual void errSelect() = 0;
    // The title-bar close of the main window.
    virtual void closeRequested() = 0;
    // OK or the title-bar close of the version window.
    virtual void versionClosed() = 0;
};

}  // namespace rf::shell
