#pragma once

#include <QDialog>
#include <QPrinter>

#include "results/result_windows.h"
#include "results/view/print_widget.h"
#include "shell/view/deferred_refresh.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace rf::shell {
class QuitWatch;
}

namespace rf::results {

class ResultGridTable;

// What the two result windows share on the screen: a non-modal window that
// follows its model's change record (refreshing once the event loop runs
// again), reports activation, CLOSE, the title-bar close and Escape, and
// PRINT with itself as the way to the printer. The printer keeps the
// operator's choices from one printout to the next.
class ResultWindowView : public QDialog, private WindowPrint {
  public:
    ~ResultWindowView() override;

    // Brings the window in line with the whole model now.
    void syncFromModel() { refresh(); }
    // Puts `dialog` in place of Qt's printer dialog.
    void setPrinterDialog(PrinterDialog dialog) { printerDialog_ = std::move(dialog); }

  protected:
    ResultWindowView(ResultWindowId id, const WindowChanges& changes, ResultWindowEvents& events,
                     QWidget* parent);
    // The buttons and the label every result window has, made by the base.
    QPushButton* printGo() const { return printGo_; }
    QPushButton* closeButton() const { return close_; }
    QLabel* printLabel() const { return printLabel_; }
    ResultWindowEvents& events() { return events_; }
    // Applies the window's caption, background, buttons, label and visibility.
    void applyWindow(const std::string& caption, Color background, const Button& print,
                     const Button& close, const std::string& label, bool visible);
    virtual void refresh() = 0;
    // Reports an operator's action (exceptions stay out of Qt), then shows
    // what the program made of it.
    void report(const char* what, const std::function<void()>& call);

    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    bool choosePrinter() override;
    void printWindow() override;

    ResultWindowId id_;
    ResultWindowEvents& events_;
    shell::DeferredRefresh changed_;
    shell::QuitWatch* quitWatch_;
    QPushButton* printGo_;
    QPushButton* close_;
    QLabel* printLabel_;
    QPrinter printer_{QPrinter::HighResolution};
    PrinterDialog printerDialog_ = askPrinter;
};

// "ErrorRate Result": ErrResultModel on the screen.
class ErrResultView final : public ResultWindowView {
  public:
    ErrResultView(const ErrResultModel& model, ResultWindowEvents& events,
                  QWidget* parent = nullptr);

  private:
    void refresh() override;

    const ErrResultModel& model_;
    QLabel* runLabel_;
    QLabel* formLabel_[2];
    ResultGridTable* lp_;
    ResultGridTable* ot_;
};

// "EVR Result": EvrResultModel on the screen; choosing a format reports it.
class EvrResultView final : public ResultWindowView {
  public:
    EvrResultView(const EvrResultModel& model, ResultWindowEvents& events,
                  QWidget* parent = nullptr);

  private:
    void refresh() override;

    const EvrResultModel& model_;
    QComboBox* formatSel_;
    ResultGridTable* chart_;
};

}  // namespace rf::results
