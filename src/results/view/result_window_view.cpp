#include "results/view/result_window_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "results/view/result_grid_table.h"
#include "shell/view/event_guard.h"
#include "shell/view/qt_convert.h"

namespace rf::results {

using shell::qtColor;
using shell::qtText;

namespace {

QPushButton* makeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setMinimumWidth(88);
    // A hidden button keeps its place: the printout is laid out as the screen.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font("Arial", 10);
    font.setBold(true);
    label->setFont(font);
    return label;
}

void applyButton(QPushButton* button, const Button& from) {
    button->setText(qtText(from.caption));
    button->setEnabled(from.enabled);
    button->setVisible(from.visible);
}

}  // namespace

ResultWindowView::ResultWindowView(ResultWindowId id, const WindowChanges& changes,
                                   ResultWindowEvents& events, QWidget* parent)
    : QDialog(parent),
      id_(id),
      events_(events),
      changed_(changes, this, [this] { refresh(); }),
      quitWatch_(new shell::QuitWatch(this)),
      printGo_(makeButton(this, "PrintGo")),
      close_(makeButton(this, "CloseButton")),
      printLabel_(makeLabel(this, "PrintLabel")) {
    setModal(false);
    setFont(QFont("Arial", 10));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAutoFillBackground(true);
    connect(printGo_, &QPushButton::clicked, this, [this] {
        report("printClicked", [this] { events_.printClicked(id_, *this); });
        close_->setFocus();
    });
    connect(close_, &QPushButton::clicked, this,
            [this] { report("resultClosed", [this] { events_.resultClosed(id_); }); });
}

ResultWindowView::~ResultWindowView() = default;

void ResultWindowView::report(const char* what, const std::function<void()>& call) {
    QPointer<ResultWindowView> alive(this);
    shell::callGuarded(what, call);
    if (alive) refresh();
}

void ResultWindowView::applyWindow(const std::string& caption, Color background,
                                   const Button& print, const Button& close,
                                   const std::string& label, bool visible) {
    setWindowTitle(qtText(caption));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, qtColor(background));
    setPalette(palette);
    applyButton(printGo_, print);
    applyButton(close_, close);
    printLabel_->setText(qtText(label));
    if (visible && !isVisible()) {
        show();
        close_->setFocus();
    }
    if (!visible && isVisible()) hide();
    if (visible && !isActiveWindow()) {
        raise();
        activateWindow();
    }
}

void ResultWindowView::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        report("resultActivated", [this] { events_.resultActivated(id_); });
}

void ResultWindowView::closeEvent(QCloseEvent* event) {
    if (quitWatch_->quitting()) {
        event->accept();
        return;
    }
    // The program hides the window through its model.
    event->ignore();
    report("resultClosed", [this] { events_.resultClosed(id_); });
}

void ResultWindowView::reject() {
    report("resultClosed", [this] { events_.resultClosed(id_); });
}

bool ResultWindowView::choosePrinter() {
    printer_.setPageOrientation(QPageLayout::Landscape);
    return printerDialog_(printer_, this);
}

void ResultWindowView::printWindow() {
    // The model is dressed for the paper now; the screen follows it at once.
    refresh();
    if (QLayout* box = layout()) box->activate();
    printWidget(*this, printer_);
}

ErrResultView::ErrResultView(const ErrResultModel& model, ResultWindowEvents& events,
                             QWidget* parent)
    : ResultWindowView(ResultWindowId::ErrResult, model.changes, events, parent),
      model_(model),
      runLabel_(makeLabel(this, "RunLabel")),
      formLabel_{makeLabel(this, "FormLabel0"), makeLabel(this, "FormLabel1")},
      lp_(new ResultGridTable("ErrChartLp", this)),
      ot_(new ResultGridTable("ErrChartOt", this)) {
    setObjectName("ErrResult");
    closeButton()->setObjectName("ErrChartHide");
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 12, 16, 12);
    QPalette warning = runLabel_->palette();
    warning.setColor(QPalette::WindowText, qtColor(colors::Red));
    runLabel_->setPalette(warning);
    runLabel_->setWordWrap(true);
    layout->addWidget(runLabel_);
    auto* top = new QHBoxLayout;
    top->addWidget(formLabel_[0]);
    top->addStretch(1);
    top->addWidget(printLabel());
    layout->addLayout(top);
    layout->addWidget(lp_);
    layout->addSpacing(8);
    layout->addWidget(formLabel_[1]);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ot_);
    bottom->addStretch(1);
    bottom->addWidget(printGo(), 0, Qt::AlignBottom);
    bottom->addWidget(closeButton(), 0, Qt::AlignBottom);
    layout->addLayout(bottom);
    refresh();
}

void ErrResultView::refresh() {
    const ErrResultModel& m = model_;
    runLabel_->setText(qtText(m.RunLabel));
    runLabel_->setVisible(!m.RunLabel.empty());
    for (int i = 0; i < 2; ++i)
        formLabel_[i]->setText(qtText(m.FormLabel[i]));
    lp_->apply(m.ErrChartLp);
    ot_->apply(m.ErrChartOt);
    applyWindow(m.caption, m.background, m.PrintGo, m.ErrChartHide, m.PrintLabel, m.visible);
}

EvrResultView::EvrResultView(const EvrResultModel& model, ResultWindowEvents& events,
                             QWidget* parent)
    : ResultWindowView(ResultWindowId::EvrResult, model.changes, events, parent),
      model_(model),
      formatSel_(new QComboBox(this)),
      chart_(new ResultGridTable("EvrChart", this)) {
    setObjectName("EvrResult");
    closeButton()->setObjectName("EvrChartHide");
    formatSel_->setObjectName("FormatSel");
    formatSel_->setMinimumWidth(120);
    connect(formatSel_, &QComboBox::activated, this, [this](int index) {
        report("formatSelected", [this, index] { this->events().formatSelected(index); });
        closeButton()->setFocus();
    });
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 12, 16, 12);
    auto* top = new QHBoxLayout;
    top->addWidget(formatSel_);
    top->addStretch(1);
    top->addWidget(printLabel());
    layout->addLayout(top);
    layout->addWidget(chart_);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(printGo());
    bottom->addWidget(closeButton());
    layout->addLayout(bottom);
    refresh();
}

void EvrResultView::refresh() {
    const EvrResultModel& m = model_;
    QStringList items;
    for (const std::string& item : m.FormatSel.items)
        items << qtText(item);
    const QSignalBlocker quiet(formatSel_);
    if (formatSel_->count() != items.size()) {
        formatSel_->clear();
        formatSel_->addItems(items);
    }
    formatSel_->setPlaceholderText(qtText(m.FormatSel.text));
    formatSel_->setCurrentIndex(m.FormatSel.selected);
    chart_->apply(m.EvrChart);
    applyWindow(m.caption, m.background, m.PrintGo, m.EvrChartHide, m.PrintLabel, m.visible);
}

}  // namespace rf::results
