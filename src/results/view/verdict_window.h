#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "results/verdict.h"
#include "shell/view/deferred_refresh.h"
#include "shell/view/model_window.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace rf::results {

// The verdict window on the screen: the verdict in large type (PASS green,
// FAIL red, INCOMPLETE orange), the items it names, and two buttons: "Open
// Report" (the run's PDF, in the desktop's viewer) and "ErrorRate Result".
// It mirrors a VerdictWindowModel and is told of its changes. The title-bar
// close goes through `closed`; the result window through `showResults`.
// Ctrl+C copies what it shows (text()) to the clipboard.
class VerdictWindow : public QWidget {
  public:
    VerdictWindow(const VerdictWindowModel& model, std::function<void()> closed,
                  std::function<void()> showResults, QWidget* parent = nullptr);
    ~VerdictWindow() override;

    void syncFromModel();
    // What the window shows, a line each: the word, the programme's line and
    // every item.
    QString text() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void refresh(bool everything);

    const VerdictWindowModel& model_;
    std::function<void()> closed_, showResults_;
    std::uint64_t applied_ = 0;
    QLabel* word_ = nullptr;
    QLabel* programme_ = nullptr;
    QListWidget* items_ = nullptr;
    QPushButton* report_ = nullptr;
    shell::ModelWindow shown_;
    shell::DeferredRefresh changed_;
};

}  // namespace rf::results
