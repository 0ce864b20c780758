#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

#include "shell/main_window_events.h"
#include "shell/main_window_model.h"
#include "shell/view/deferred_refresh.h"

class QLabel;
class QPushButton;

namespace rf::shell {

class QuitWatch;

// The version window on the screen: a non-modal dialog that mirrors a
// VersionWindowModel. OK, Escape and the title-bar close are all reported as
// versionClosed(); the program hides the window through the model. Like the
// main window it is told of the model's changes (all of them Area::Window) and
// refreshes once the event loop runs again; it never polls.
class VersionWindowView : public QDialog {
  public:
    VersionWindowView(const VersionWindowModel& model, MainWindowEvents& events,
                      QWidget* parent = nullptr);
    ~VersionWindowView() override;

    // Brings the window in line with the whole model now, marked or not.
    void syncFromModel();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void refresh(bool everything);
    void reportClosed();

    const VersionWindowModel& model_;
    MainWindowEvents& events_;
    std::optional<VersionWindowModel> shown_;  // the model as last applied
    std::uint64_t applied_ = 0;                // the revision of Area::Window then
    DeferredRefresh changed_;
    QLabel* title_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* disclaimer_ = nullptr;
    QPushButton* ok_ = nullptr;
    QuitWatch* quitWatch_ = nullptr;
};

}  // namespace rf::shell
