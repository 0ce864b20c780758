#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "results/level_curve_model.h"
#include "shell/view/deferred_refresh.h"
#include "shell/view/model_window.h"

class QChartView;
class QLabel;

namespace rf::results {

// The level-curve window on the screen: a top-level window that mirrors a
// LevelCurveWindowModel, a note above four Qt Charts plots in a grid (the
// current sweeps on top, the frequency sweeps below; channel L on the left).
// It is told of the model's changes and refreshes once the event loop runs
// again, redrawing only the plots whose revision moved, so a running
// adjustment's points appear as they are measured without any polling.
//
// The title-bar close is reported through `closed`; the program hides the
// window through the model. The plots are named "plot0" to "plot3" in the
// model's order, the run it shows "heading", the note "note", the key to the lines "key".
class LevelCurveWindow : public QWidget {
  public:
    LevelCurveWindow(const LevelCurveWindowModel& model, std::function<void()> closed,
                     QWidget* parent = nullptr);
    ~LevelCurveWindow() override;

    // Brings the window in line with the whole model now, marked or not.
    void syncFromModel();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void refresh(bool everything);
    void showPlot(std::size_t i);

    const LevelCurveWindowModel& model_;
    std::function<void()> closed_;
    std::uint64_t applied_ = 0;  // the revision of Area::Window last applied
    std::array<std::uint64_t, 4> plotsApplied_{};
    QLabel* heading_ = nullptr;
    QLabel* note_ = nullptr;
    std::array<QChartView*, 4> plots_{};
    shell::ModelWindow shown_;
    shell::DeferredRefresh changed_;
};

}  // namespace rf::results
