#pragma once

#include <QPrinter>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "history/history_model.h"
#include "platform/platform.h"
#include "results/view/print_widget.h"
#include "shell/view/deferred_refresh.h"

class QChartView;
class QComboBox;
class QLabel;

namespace rf::shell {
class QuitWatch;
}
namespace rf::store {
class RecordsStore;
}

namespace rf::history {

// What the History window reads and whom it asks.
struct HistorySetup {
    store::RecordsStore* store = nullptr;
    std::string unavailable;                 // why there is no store, when there is none
    std::function<std::string()> connected;  // the connected recorder's VtrName
    Forecaster forecaster;                   // none: every head says NoForecast
    platform::Dialogs* dialogs = nullptr;    // Export CSV's file dialog, the error boxes
    // Print and Export CSV open modal dialogs: they go through here as the
    // operator's actions, which are not started while a programme works.
    std::function<void(const std::function<void()>&)> act;
};

// The History window on the screen: the recorder and the block chosen above,
// per head a chart with its forecast beside it, and "Print" and "Export CSV"
// below. "Show" chooses what every head's chart plots: the error rates
// against their limits, the record current and frequency, or one of the
// channel's VCO and equaliser taps. Each time the model asks for it, it reads
// the store again, the connected recorder first.
//
// Named children: "recorder", "block", "show" (combo boxes), "note", the charts
// "L1" to "R2" and their forecasts "forecastL1" to "forecastR2", "print",
// "exportCsv". A series is named by its quantity and kind ("record current
// left"; an error rate by its measurement, "Master VIDEO found"), a limit line
// "Master VIDEO limit".
class HistoryWindow : public QWidget {
  public:
    HistoryWindow(const HistoryWindowModel& model, HistorySetup setup, std::function<void()> closed,
                  QWidget* parent = nullptr);
    ~HistoryWindow() override;

    void syncFromModel();
    // Tests put a function in place of the system's printer dialog.
    void setPrinterDialog(results::PrinterDialog dialog) { printerDialog_ = std::move(dialog); }
    // The history the window shows.
    const RecorderHistory& shown() const { return history_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void refresh(bool everything);
    void readRecorders();
    void readRecorder();
    void showBlock();
    void showHead(std::size_t i, const BlockHistory* block);
    void exportCsv();
    void print();

    const HistoryWindowModel& model_;
    HistorySetup setup_;
    std::function<void()> closed_;
    results::PrinterDialog printerDialog_ = results::askPrinter;
    QPrinter printer_{QPrinter::HighResolution};
    RecorderHistory history_;
    std::uint64_t applied_ = 0;
    bool synced_ = false, shownVisible_ = false;
    int shownAsked_ = 0;
    QComboBox* recorder_ = nullptr;
    QComboBox* block_ = nullptr;
    QComboBox* show_ = nullptr;
    QLabel* note_ = nullptr;
    std::array<QChartView*, 4> charts_{};
    std::array<QLabel*, 4> forecasts_{};
    QWidget* buttons_ = nullptr;
    shell::QuitWatch* quitWatch_ = nullptr;
    shell::DeferredRefresh changed_;
};

}  // namespace rf::history
