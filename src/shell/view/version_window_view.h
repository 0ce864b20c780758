#pragma once

#include <QDialog>
#include <optional>

#include "shell/main_window_events.h"
#include "shell/main_window_model.h"

class QLabel;
class QPushButton;
class QTimer;

namespace rf::shell {

class QuitWatch;

// The version window on the screen: a non-modal dialog that mirrors a
// VersionWindowModel. OK, Escape and the title-bar close are all reported as
// versionClosed(); the program hides the window through the model. Like the
// main window it polls the model every PollIntervalMs.
class VersionWindowView : public QDialog {
  public:
    static constexpr int PollIntervalMs = 50;

    VersionWindowView(const VersionWindowModel& model, MainWindowEvents& events,
                      QWidget* parent = nullptr);
    ~VersionWindowView() override;

    void syncFromModel();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void reportClosed();

    const VersionWindowModel& model_;
    MainWindowEvents& events_;
    std::optional<VersionWindowModel> shown_;
    QLabel* title_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* disclaimer_ = nullptr;
    QPushButton* ok_ = nullptr;
    QTimer* poll_ = nullptr;
    QuitWatch* quitWatch_ = nullptr;
};

}  // namespace rf::shell
