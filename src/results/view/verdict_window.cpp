#include "results/view/verdict_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/view/event_guard.h"
#include "shell/view/model_window.h"
#include "shell/view/screen_fit.h"

namespace rf::results {

VerdictWindow::VerdictWindow(const VerdictWindowModel& model, std::function<void()> closed,
                             std::function<void()> showResults, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      closed_(std::move(closed)),
      showResults_(std::move(showResults)),
      shown_(
          *this, "verdictClosed",
          [this] {
              if (closed_) closed_();
          },
          [this] { syncFromModel(); }),
      changed_(model.changes, this, [this] { refresh(false); }) {
    setObjectName("VerdictWindow");
    word_ = new QLabel(this);
    word_->setObjectName("word");
    word_->setFont(QFont("Arial", 36, QFont::Bold));
    programme_ = new QLabel(this);
    programme_->setObjectName("programme");
    programme_->setFont(QFont("Arial", 11));
    items_ = new QListWidget(this);
    items_->setObjectName("items");
    items_->setWordWrap(true);
    items_->setFont(QFont("Arial", 11));
    report_ = new QPushButton("Open Report", this);
    report_->setObjectName("report");
    auto* results = new QPushButton("ErrorRate Result", this);
    results->setObjectName("results");
    connect(report_, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(model_.report)));
    });
    connect(results, &QPushButton::clicked, this, [this] {
        shell::callGuarded("verdictResults", [this] {
            if (showResults_) showResults_();
        });
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(report_);
    buttons->addWidget(results);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(word_);
    layout->addWidget(programme_);
    layout->addWidget(items_, 1);
    layout->addLayout(buttons);
    // Ctrl+C copies the whole verdict, to be pasted into the recorder's job
    // sheet; the window's own shortcut, so the list does not copy one row only.
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    copy->setContext(Qt::WindowShortcut);
    connect(copy, &QShortcut::activated, this,
            [this] { QGuiApplication::clipboard()->setText(text()); });
    resize(640, 420);
    shell::fitToScreen(*this);
    syncFromModel();
}

VerdictWindow::~VerdictWindow() = default;

QString VerdictWindow::text() const {
    QStringList lines = {word_->text(), programme_->text()};
    for (int i = 0; i < items_->count(); ++i)
        lines << items_->item(i)->text();
    return lines.join('\n') + '\n';
}

void VerdictWindow::syncFromModel() {
    refresh(true);
}

void VerdictWindow::refresh(bool everything) {
    const VerdictWindowModel& m = model_;
    const std::uint64_t revision = m.changes.revision(Area::Window);
    if (!everything && shown_.followed() && applied_ == revision) return;
    applied_ = revision;
    setWindowTitle(QString::fromStdString(m.caption));
    using Kind = Verdict::Kind;
    const char* colour = m.verdict.kind == Kind::Pass   ? "#008000"
                         : m.verdict.kind == Kind::Fail ? "#c00000"
                                                        : "#ff8000";
    word_->setStyleSheet(QString("color: %1").arg(colour));
    word_->setText(QString::fromStdString(m.verdict.word()));
    programme_->setText(QString::fromStdString(
        m.programme + (m.verdict.items.empty() ? ": every value within its limit" : "")));
    items_->clear();
    for (const std::string& item : m.verdict.items)
        items_->addItem(QString::fromStdString(item));
    report_->setEnabled(!m.report.empty());
    shown_.follow(m.visible, m.asked);
}

void VerdictWindow::closeEvent(QCloseEvent* event) {
    shown_.close(*event);
}

}  // namespace rf::results
