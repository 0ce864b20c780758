#include "results/view/level_curve_window.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QVBoxLayout>
#include <vector>

#include "adjust/rec_sweep.h"
#include "results/view/level_chart.h"
#include "shell/view/model_window.h"
#include "shell/view/screen_fit.h"

namespace rf::results {

LevelCurveWindow::LevelCurveWindow(const LevelCurveWindowModel& model, std::function<void()> closed,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      closed_(std::move(closed)),
      shown_(
          *this, "levelCurvesClosed",
          [this] {
              if (closed_) closed_();
          },
          [this] { syncFromModel(); }),
      changed_(model.changes, this, [this] { refresh(false); }) {
    setObjectName("LevelCurveWindow");
    setFont(QFont("Arial", 10));

    heading_ = new QLabel(this);
    heading_->setObjectName("heading");
    heading_->setFont(QFont("Arial", 12, QFont::Bold));

    note_ = new QLabel(this);
    note_->setObjectName("note");
    note_->setWordWrap(true);
    note_->setFont(QFont("Arial", 11, QFont::Bold));

    auto* grid = new QGridLayout;
    grid->setSpacing(6);
    for (std::size_t i = 0; i < plots_.size(); ++i) {
        auto* view = new QChartView(this);
        view->setObjectName(QString("plot%1").arg(i));
        view->setRenderHint(QPainter::Antialiasing);
        // Two rows of plots with the texts around them fit a 768-pixel screen.
        view->setMinimumSize(360, 220);
        plots_[i] = view;
        // Current on top, frequency below; channel L left, R right.
        grid->addWidget(view, static_cast<int>(i / 2), static_cast<int>(i % 2));
    }
    auto* key = new QLabel(
        "Dots and solid line: the level measured at each offset; dashed: its three-point "
        "mean; dotted: the reference level (at the default values); dash-dot: the threshold "
        "level the choice used; vertical bar: the offset chosen. Head 1 blue, head 2 red.",
        this);
    key->setObjectName("key");
    key->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addWidget(heading_);
    layout->addWidget(note_);
    layout->addLayout(grid, 1);
    layout->addWidget(key);
    resize(1280, 900);
    shell::fitToScreen(*this);

    syncFromModel();
}

LevelCurveWindow::~LevelCurveWindow() = default;

void LevelCurveWindow::syncFromModel() {
    refresh(true);
}

void LevelCurveWindow::refresh(bool everything) {
    const LevelCurveWindowModel& m = model_;
    const std::uint64_t revision = m.changes.revision(Area::Window);
    if (!everything && shown_.followed() && applied_ == revision) return;
    applied_ = revision;
    setWindowTitle(QString::fromStdString(m.caption));
    heading_->setText(QString::fromStdString(m.heading));
    heading_->setVisible(!m.heading.empty());
    note_->setText(QString::fromStdString(m.note));
    for (std::size_t i = 0; i < plots_.size(); ++i)
        if (everything || !shown_.followed() || plotsApplied_[i] != m.plotRevisions[i]) showPlot(i);
    shown_.follow(m.visible, m.asked);
}

void LevelCurveWindow::showPlot(std::size_t i) {
    const adjust::SweepPlot& plot = model_.plots[i];
    plotsApplied_[i] = model_.plotRevisions[i];
    std::vector<const adjust::Sweep*> heads;
    QStringList chosen;
    for (const adjust::Sweep& s : plot.heads) {
        heads.push_back(&s);
        if (s.chosen)
            chosen << QString::fromStdString(adjust::headName(s)) + " " +
                          QString::number(*s.chosen);
    }
    QChart* chart = makeLevelChart(heads);
    // The chart theme's texts are smaller than the window's: on the screen they
    // take the window's size (the report draws the same charts at its own).
    QFont bold = font();
    bold.setBold(true);
    chart->setTitleFont(bold);
    chart->legend()->setFont(font());
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
    QString title = QString::fromStdString(adjust::plotTitle(plot.ch, plot.quantity));
    if (heads.empty())
        title += " (not measured)";
    else if (!chosen.empty())
        title += ": chosen " + chosen.join(", ");
    chart->setTitle(title);
    // The legend names the heads' lines; the key below the plots tells the
    // reference, threshold and chosen marks apart.
    for (QAbstractSeries* s : chart->series())
        if (!s->name().endsWith(" measured") && !s->name().endsWith(" smoothed"))
            for (QLegendMarker* marker : chart->legend()->markers(s))
                marker->setVisible(false);
    // The sweep's whole range from its first point on, so that the axis stands
    // still while a running sweep fills in.
    const adjust::SweepPlan& sweep = plot.quantity == adjust::SweepQuantity::Current
                                         ? adjust::CurrentSweep
                                         : adjust::FrequencySweep;
    if (const auto axes = chart->axes(Qt::Horizontal); !axes.empty()) {
        axes.front()->setRange(sweep.first, sweep.last);
        axes.front()->setTitleText(plot.quantity == adjust::SweepQuantity::Current
                                       ? "record current offset"
                                       : "record frequency offset");
    }
    // With nothing measured the level axis has no scale to show: its labels
    // keep their room (the axis title stays legible) but are not drawn.
    if (const auto axes = chart->axes(Qt::Vertical); heads.empty() && !axes.empty())
        axes.front()->setLabelsBrush(Qt::transparent);
    // The view gives up the chart it held: it goes with the new one in.
    QChart* old = plots_[i]->chart();
    plots_[i]->setChart(chart);
    delete old;
}

void LevelCurveWindow::closeEvent(QCloseEvent* event) {
    shown_.close(*event);
}

}  // namespace rf::results
