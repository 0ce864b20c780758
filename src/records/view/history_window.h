#pragma once

#include <QPrinter>
#include <QThreadPool>
#include <QWidget>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "history/history_model.h"
#include "platform/platform.h"
#include "results/view/print_widget.h"
#include "shell/view/deferred_refresh.h"
#include "shell/view/model_window.h"

class QChartView;
class QComboBox;
class QLabel;

namespace rf::store {
class RecordsStore;
}

namespace rf::history {

struct HistoryReading;

// Opens the records store for one read, on the thread that reads (a store's
// connection is used only by the thread that made it). A store that cannot be
// opened (a RECORDS.DAT that cannot be read) raises StoreError.
using StoreOpener = std::function<std::unique_ptr<store::RecordsStore>()>;

// How long a read waits for the store's server. A read still out when the
// window goes (the program ends) is waited for: at most about this long.
inline constexpr int ReadWaitMs = 2000;

// The records store of the working directory `dir`, its RECORDS.DAT read again
// at every opening, its server waited for ReadWaitMs.
StoreOpener storeOf(std::filesystem::path dir);

// What the History window reads and whom it asks.
struct HistorySetup {
    StoreOpener openStore;                   // none: there is nothing to read
    std::function<std::string()> connected;  // the connected recorder's VtrName
    Forecaster forecaster;  // none: every head says NoForecast; called on the reading thread
    platform::Dialogs* dialogs = nullptr;  // Export CSV's file dialog, the error boxes
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
// Every read (the recorders with the connected one's runs, or one recorder's
// runs) is made on a thread of the window's own with a store opened there, so
// that a store slow to answer never holds the tool; the note says a read is
// out, and the result of a read a newer one has overtaken is dropped.
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
    // The reads started whose results have not come back yet (dropped or not).
    int readsOut() const { return readsOut_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void refresh(bool everything);
    // Starts a read: the recorders and the connected one's runs, or the runs
    // of the recorder chosen.
    void read(bool recorders);
    void showReading(const HistoryReading& reading);
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
    QComboBox* recorder_ = nullptr;
    QComboBox* block_ = nullptr;
    QComboBox* show_ = nullptr;
    QLabel* note_ = nullptr;
    std::array<QChartView*, 4> charts_{};
    std::array<QLabel*, 4> forecasts_{};
    QWidget* buttons_ = nullptr;
    shell::ModelWindow shown_;
    shell::DeferredRefresh changed_;
    std::uint64_t readsStarted_ = 0;  // the newest read's number
    int readsOut_ = 0;
    // The reading threads. Its destruction waits for the reads still out,
    // which hold copies of what they need and nothing of the window's.
    QThreadPool readers_;
};

}  // namespace rf::history
