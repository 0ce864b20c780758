#include "records/view/history_window.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <exception>

#include "history/history_csv.h"
#include "results/result_windows.h"
#include "shell/view/event_guard.h"
#include "shell/view/model_window.h"
#include "shell/view/screen_fit.h"
#include "store/records_store.h"

namespace rf::history {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// What "Show" offers: the error rates, the record values, then each level item.
QStringList showChoices() {
    QStringList items = {"Error rates", "Record current and frequency", "VCO"};
    for (const char* band : {"EQ high ", "EQ low "})
        for (int tap = 1; tap <= 6; ++tap)
            items << QString(band) + QString::number(tap);
    return items;
}

constexpr double MsPerDay = 86400000.0;

}  // namespace

StoreOpener storeOf(std::filesystem::path dir) {
    return [dir = std::move(dir)] {
        store::StoreSettings settings = store::readStoreSettings(dir);
        settings.waitMs = ReadWaitMs;
        return std::make_unique<store::RecordsStore>(std::move(settings), dir);
    };
}

// What one read brought back.
struct HistoryReading {
    bool recorders = false;           // the recorders were read: `choice` replaces the list
    std::vector<std::string> choice;  // the recorders offered, the connected one first
    RecorderHistory history;          // of the recorder read (the first offered, or the chosen)
    std::size_t runs = 0;
    std::string problem;  // why the store could not be read, "" when it could
};

namespace {

// One read, on a reading thread: the store opened, read and closed there.
// `name` is the connected recorder when the recorders are read, else the
// recorder whose runs are read.
HistoryReading readStore(const StoreOpener& open, const Forecaster& forecaster, bool recorders,
                         std::string name) {
    HistoryReading out;
    out.recorders = recorders;
    std::unique_ptr<store::RecordsStore> store;
    std::vector<std::string> known;
    try {
        if (open) store = open();
        if (store && recorders)
            for (const store::RecorderSummary& r : store->recorders())
                known.push_back(r.vtrName);
    } catch (const std::exception& e) {
        out.problem = e.what();
        store.reset();
    }
    // The connected recorder is offered also when the store cannot be read.
    if (recorders) {
        out.choice = recorderChoice(known, name);
        name = out.choice.empty() ? "" : out.choice.front();
    }
    std::vector<RunRecord> runs;
    try {
        if (store && !name.empty()) runs = store->recorderRuns(name);
    } catch (const std::exception& e) {
        out.problem = e.what();
    }
    out.history = buildHistory(name, runs, forecaster);
    out.runs = runs.size();
    return out;
}

}  // namespace

HistoryWindow::HistoryWindow(const HistoryWindowModel& model, HistorySetup setup,
                             std::function<void()> closed, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      setup_(std::move(setup)),
      closed_(std::move(closed)),
      shown_(
          *this, "historyClosed",
          [this] {
              if (closed_) closed_();
          },
          [this] { syncFromModel(); }),
      changed_(model.changes, this, [this] { refresh(false); }) {
    setObjectName("HistoryWindow");
    // A read held by a server out of reach leaves threads for the reads after it.
    readers_.setMaxThreadCount(4);
    setFont(QFont("Arial", 10));

    const auto combo = [this](const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return box;
    };
    recorder_ = combo("recorder");
    block_ = combo("block");
    show_ = combo("show");
    show_->addItems(showChoices());
    connect(recorder_, &QComboBox::currentIndexChanged, this, [this] { read(false); });
    connect(block_, &QComboBox::currentIndexChanged, this, [this] { showBlock(); });
    connect(show_, &QComboBox::currentIndexChanged, this, [this] { showBlock(); });
    auto* choices = new QHBoxLayout;
    for (auto [label, box] :
         {std::pair{"Recorder", recorder_}, std::pair{"Block", block_}, std::pair{"Show", show_}}) {
        choices->addWidget(new QLabel(label, this));
        choices->addWidget(box);
        choices->addSpacing(12);
    }
    choices->addStretch(1);

    note_ = new QLabel(this);
    note_->setObjectName("note");
    note_->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid->setSpacing(6);
    for (std::size_t i = 0; i < charts_.size(); ++i) {
        const QString head = qt(std::string(Heads[i]));
        auto* box = new QGroupBox(head, this);
        auto* view = new QChartView(box);
        view->setObjectName(head);
        view->setRenderHint(QPainter::Antialiasing);
        // Two rows of heads with the choices and buttons fit a 768-pixel screen.
        view->setMinimumSize(380, 240);
        auto* forecast = new QLabel(box);
        forecast->setObjectName("forecast" + head);
        forecast->setWordWrap(true);
        forecast->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        forecast->setFixedWidth(170);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(4, 4, 4, 4);
        row->addWidget(view, 1);
        row->addWidget(forecast);
        charts_[i] = view;
        forecasts_[i] = forecast;
        grid->addWidget(box, static_cast<int>(i / 2), static_cast<int>(i % 2));
    }

    buttons_ = new QWidget(this);
    auto* print = new QPushButton("Print", buttons_);
    print->setObjectName("print");
    auto* exportCsv = new QPushButton("Export CSV", buttons_);
    exportCsv->setObjectName("exportCsv");
    const auto asAction = [this](const char* what, void (HistoryWindow::*call)()) {
        return [this, what, call] {
            shell::callGuarded(what, [this, call] {
                if (setup_.act) setup_.act([this, call] { (this->*call)(); });
            });
        };
    };
    connect(print, &QPushButton::clicked, this, asAction("historyPrint", &HistoryWindow::print));
    connect(exportCsv, &QPushButton::clicked, this,
            asAction("historyExport", &HistoryWindow::exportCsv));
    auto* buttonRow = new QHBoxLayout(buttons_);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch(1);
    buttonRow->addWidget(print);
    buttonRow->addWidget(exportCsv);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addLayout(choices);
    layout->addWidget(note_);
    layout->addLayout(grid, 1);
    layout->addWidget(buttons_);
    resize(1320, 720);
    shell::fitToScreen(*this);
    syncFromModel();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::syncFromModel() {
    refresh(true);
}

void HistoryWindow::refresh(bool everything) {
    const HistoryWindowModel& m = model_;
    const std::uint64_t revision = m.changes.revision(Area::Window);
    if (!everything && shown_.followed() && applied_ == revision) return;
    applied_ = revision;
    setWindowTitle(qt(m.caption));
    // Each time it is asked for, the window reads the store again.
    if (shown_.follow(m.visible, m.asked)) read(true);
}

void HistoryWindow::read(bool recorders) {
    // What the read needs is copied here, on the window's thread.
    std::string name = recorders ? (setup_.connected ? setup_.connected() : "")
                                 : recorder_->currentText().toStdString();
    const std::uint64_t number = ++readsStarted_;
    ++readsOut_;
    auto* watcher = new QFutureWatcher<HistoryReading>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, number] {
        watcher->deleteLater();
        --readsOut_;
        if (number == readsStarted_)
            shell::callGuarded("historyRead", [this, watcher] { showReading(watcher->result()); });
    });
    watcher->setFuture(QtConcurrent::run(
        &readers_,
        [open = setup_.openStore, forecaster = setup_.forecaster, recorders,
         name = std::move(name)] { return readStore(open, forecaster, recorders, name); }));
    note_->setText("Reading the records store ...");
}

void HistoryWindow::showReading(const HistoryReading& reading) {
    if (reading.recorders) {
        const QSignalBlocker quiet(recorder_);
        recorder_->clear();
        for (const std::string& name : reading.choice)
            recorder_->addItem(qt(name));
    }
    history_ = reading.history;
    const std::string& name = history_.vtrName;
    if (!reading.problem.empty())
        note_->setText(qt("The records store cannot be read: " + reading.problem));
    else if (name.empty())
        note_->setText("No recorder in the records store yet.");
    else if (history_.blocks.empty())
        note_->setText(qt("No runs of " + name + " with values to plot in the records store."));
    else
        note_->setText(qt(name + ": " + std::to_string(reading.runs) + " runs, plotted against " +
                          (history_.axis == XAxis::DrumHours
                               ? "the drum hours"
                               : "the date (not every run has its drum hours)")));
    const QString chosen = block_->currentText();
    {
        const QSignalBlocker quiet(block_);
        block_->clear();
        for (const BlockHistory& b : history_.blocks)
            block_->addItem(qt(b.block));
        if (const int at = block_->findText(chosen); at >= 0) block_->setCurrentIndex(at);
    }
    showBlock();
}

void HistoryWindow::showBlock() {
    const BlockHistory* block = history_.block(block_->currentText().toStdString());
    for (std::size_t i = 0; i < charts_.size(); ++i) {
        showHead(i, block);
        QStringList lines;
        for (const std::string& line :
             history_.forecastOf(Heads[i], block_->currentText().toStdString()))
            lines << qt(line);
        forecasts_[i]->setText(lines.join('\n'));
    }
}

void HistoryWindow::showHead(std::size_t i, const BlockHistory* block) {
    const std::string head(Heads[i]);
    const int show = show_->currentIndex();
    const Chart kind = show == 0 ? Chart::ErrorRate : show == 1 ? Chart::Record : Chart::Levels;
    const std::string item = show_->currentText().toStdString();
    std::vector<const HistorySeries*> series;
    if (block)
        for (const HistorySeries* s : block->of(head, kind))
            if (kind != Chart::Levels || s->quantity == item) series.push_back(s);

    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    const bool byDate = history_.axis == XAxis::Date;
    QAbstractAxis* x = nullptr;
    if (byDate) {
        auto* dates = new QDateTimeAxis;
        dates->setFormat("yyyy-MM-dd");
        dates->setTitleText("date");
        x = dates;
    } else {
        auto* hours = new QValueAxis;
        hours->setLabelFormat("%d");
        hours->setTitleText("drum hours");
        x = hours;
    }
    auto* y = new QValueAxis;
    y->setTitleText(kind == Chart::ErrorRate ? "exponent"
                    : kind == Chart::Record  ? "offset"
                                             : "value");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    const std::string what = kind == Chart::ErrorRate ? "Error rates"
                             : kind == Chart::Record  ? "Record current and frequency"
                                                      : item + ", channel " + head.substr(0, 1);
    chart->setTitle(qt(what + (series.empty() ? " (no values)" : "")));

    // Dates are plotted in milliseconds, of the run's own clock.
    const auto xOf = [byDate](const HistoryPoint& p) {
        return byDate ? static_cast<double>(
                            QDateTime::fromString(qt(p.dateTime), Qt::ISODate).toMSecsSinceEpoch())
                      : p.x;
    };
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool first = true;
    const auto extend = [&](double px, double py) {
        xMin = first ? px : std::min(xMin, px);
        xMax = first ? px : std::max(xMax, px);
        yMin = first ? py : std::min(yMin, py);
        yMax = first ? py : std::max(yMax, py);
        first = false;
    };
    for (const HistorySeries* s : series)
        for (const HistoryPoint& p : s->points)
            extend(xOf(p), p.value);
    // The chart's title says what it plots: the legend names the rest.
    const auto nameOf = [](const std::string& quantity, std::string_view what) {
        const std::string_view rate = "error rate ";
        return qt((quantity.starts_with(rate) ? quantity.substr(rate.size()) : quantity) + " " +
                  std::string(what));
    };
    const auto attach = [&](QLineSeries* line) {
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
    };
    for (const HistorySeries* s : series) {
        auto* line = new QLineSeries;
        line->setName(nameOf(s->quantity, textOf(s->kind)));
        line->setPointsVisible(true);
        for (const HistoryPoint& p : s->points)
            line->append(xOf(p), p.value);
        attach(line);
        QPen pen = line->pen();
        pen.setWidthF(2);
        pen.setStyle(s->kind == Reading::Found ? Qt::DashLine : Qt::SolidLine);
        line->setPen(pen);
    }
    // Each error rate's limit once, across the whole range.
    for (const HistorySeries* s : series) {
        const auto limit = s->limit();
        const QString name = nameOf(s->quantity, "limit");
        const auto drawn = chart->series();
        if (!limit || std::any_of(drawn.begin(), drawn.end(),
                                  [&](const QAbstractSeries* o) { return o->name() == name; }))
            continue;
        auto* line = new QLineSeries;
        line->setName(name);
        line->append(xMin, *limit);
        line->append(xMax, *limit);
        line->setPen(QPen(QColor(200, 0, 0), 1.5, Qt::DotLine));
        attach(line);
        yMin = std::min<double>(yMin, *limit);
        yMax = std::max<double>(yMax, *limit);
    }
    if (!first) {
        const double xPad = xMax > xMin ? (xMax - xMin) * 0.05 : byDate ? MsPerDay : 50;
        const double yPad = yMax > yMin ? (yMax - yMin) * 0.1 : 1;
        const auto end = [byDate](double at) {
            return byDate ? QVariant(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(at)))
                          : QVariant(at);
        };
        x->setRange(end(xMin - xPad), end(xMax + xPad));
        y->setRange(yMin - yPad, yMax + yPad);
        y->applyNiceNumbers();
        if (!byDate) static_cast<QValueAxis*>(x)->applyNiceNumbers();
    } else {
        y->setLabelsBrush(Qt::transparent);
        x->setLabelsBrush(Qt::transparent);
    }
    // The chart theme's texts are smaller than the window's.
    QFont bold = font();
    bold.setBold(true);
    chart->setTitleFont(bold);
    chart->legend()->setFont(font());
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
    QChart* old = charts_[i]->chart();
    charts_[i]->setChart(chart);
    delete old;
}

void HistoryWindow::exportCsv() {
    if (!setup_.dialogs) return;
    platform::Dialogs& dialogs = *setup_.dialogs;
    const std::string path = dialogs.fileDialog(platform::FileDialog::Save, "CSV File | *.csv",
                                                history_.vtrName + "_history.csv");
    if (path.empty()) return;
    const QString file = qt(path);
    if (QFileInfo::exists(file) &&
        dialogs.msgBox(path + " already exists.\nReplace it?", platform::Buttons::YesNo,
                       platform::Icon::Question, "Export CSV") != platform::Answer::Yes)
        return;
    // Written whole beside the file and renamed over it: a failed export
    // leaves the old file as it was.
    QSaveFile out(file);
    const std::string text = historyCsv(history_);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !out.commit())
        dialogs.msgBox("File Not Write !\n" + path + ": " + out.errorString().toStdString(),
                       platform::Buttons::Ok, platform::Icon::Critical, "ERROR Message");
}

void HistoryWindow::print() {
    printer_.setPageOrientation(QPageLayout::Landscape);
    if (!printerDialog_(printer_, this)) return;
    // The page shows the window without its buttons.
    buttons_->hide();
    std::string failure;
    try {
        results::printWidget(*this, printer_);
    } catch (const results::PrintFailed& e) {
        failure = e.what();
    }
    buttons_->show();
    if (!failure.empty() && setup_.dialogs)
        setup_.dialogs->msgBox("Print Error !!\n" + failure, platform::Buttons::Ok,
                               platform::Icon::Critical, "ERROR Message");
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
    shown_.close(*event);
}

}  // namespace rf::history
