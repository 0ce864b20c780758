#include "shell/view/version_window_view.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/view/event_guard.h"
#include "shell/view/qt_convert.h"

namespace rf::shell {

namespace {

QFrame* makeLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* makeLabel(QWidget* parent, const char* name, int pointSize, bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font("Arial", pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

}  // namespace

VersionWindowView::VersionWindowView(const VersionWindowModel& model, MainWindowEvents& events,
                                     QWidget* parent)
    : QDialog(parent),
      model_(model),
      events_(events),
      changed_(model.changes, this, [this] { refresh(false); }),
      quitWatch_(new QuitWatch(this)) {
    setObjectName("VersionWindow");
    setModal(false);
    setFont(QFont("Arial", 10));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    title_ = makeLabel(this, "lblTitle", 13, true);
    version_ = makeLabel(this, "lblVersion", 11, false);
    description_ = makeLabel(this, "lblDescription", 10, false);
    disclaimer_ = makeLabel(this, "lblDisclaimer", 10, false);
    ok_ = new QPushButton(this);
    ok_->setObjectName("cmdOK");
    ok_->setDefault(true);
    ok_->setMinimumWidth(96);
    connect(ok_, &QPushButton::clicked, this, [this] { reportClosed(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(10);
    layout->addWidget(title_);
    layout->addWidget(version_);
    layout->addWidget(makeLine(this));
    layout->addWidget(description_);
    layout->addWidget(makeLine(this));
    layout->addWidget(disclaimer_);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    syncFromModel();
}

VersionWindowView::~VersionWindowView() = default;

void VersionWindowView::syncFromModel() {
    refresh(true);
}

void VersionWindowView::refresh(bool everything) {
    const VersionWindowModel& m = model_;
    const std::uint64_t revision = m.changes.revision(Area::Window);
    if (!everything && shown_ && applied_ == revision) return;
    applied_ = revision;
    const VersionWindowModel* s = shown_ ? &*shown_ : nullptr;
    if (!s || s->caption != m.caption) setWindowTitle(qtText(m.caption));
    if (!s || s->lblTitle != m.lblTitle) title_->setText(qtText(m.lblTitle));
    if (!s || s->lblVersion != m.lblVersion) version_->setText(qtText(m.lblVersion));
    if (!s || s->lblDescription != m.lblDescription)
        description_->setText(qtText(m.lblDescription));
    if (!s || s->lblDisclaimer != m.lblDisclaimer) {
        disclaimer_->setText(qtText(m.lblDisclaimer));
        disclaimer_->setVisible(!m.lblDisclaimer.empty());
    }
    if (!s || s->cmdOK != m.cmdOK) ok_->setText(qtText(m.cmdOK));
    const bool showOrHide = !s || s->visible != m.visible;
    shown_ = m;  // `s` pointed at the old copy: not used from here on
    if (showOrHide) setVisible(m.visible);
}

void VersionWindowView::reportClosed() {
    QPointer<VersionWindowView> alive(this);
    callGuarded("versionClosed", [this] { events_.versionClosed(); });
    if (alive) syncFromModel();
}

void VersionWindowView::closeEvent(QCloseEvent* event) {
    if (quitWatch_->quitting()) {
        event->accept();
        return;
    }
    event->ignore();
    reportClosed();
}

void VersionWindowView::reject() {
    // Escape: the same as OK; the window stays until the model hides it.
    reportClosed();
}

}  // namespace rf::shell
