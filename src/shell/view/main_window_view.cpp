#include "shell/view/main_window_view.h"

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/view/error_rate_bar.h"
#include "shell/view/event_guard.h"
#include "shell/view/following_log.h"
#include "shell/view/qt_convert.h"
#include "shell/view/screen_fit.h"

namespace rf::shell {

namespace {

const char* const FontFamily = "Arial";
constexpr int BaseFontSize = 10;
constexpr std::size_t TabPages = 6;  // ALL, HDLP PB, HDLP REC, HDSP PB, 50/25 PB, DV PB

QFont viewFont(int pointSize = BaseFontSize, bool bold = false) {
    QFont f(FontFamily, pointSize);
    f.setBold(bold);
    return f;
}

// A check box and an option button that leave their state to the model: a
// click is reported (clicked() is emitted) but does not toggle the control.
class ModelCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void nextCheckState() override {}
};

class ModelRadioButton : public QRadioButton {
  public:
    explicit ModelRadioButton(QWidget* parent) : QRadioButton(parent) { setAutoExclusive(false); }

  protected:
    void nextCheckState() override {}
};

// A framed group with a bold title; its contents keep the normal font.
QGroupBox* makeFrame(const char* title, QWidget*& contents) {
    auto* frame = new QGroupBox(title);
    frame->setFont(viewFont(BaseFontSize, true));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 4, 6, 6);
    contents = new QWidget(frame);
    contents->setFont(viewFont());
    layout->addWidget(contents);
    return frame;
}

// A sunken white box for a two-digit time-code field.
QLabel* makeDigitBox(QWidget* parent, const QString& name) {
    auto* box = new QLabel(parent);
    box->setObjectName(name);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setAlignment(Qt::AlignCenter);
    box->setFont(viewFont(15, true));
    box->setAutoFillBackground(true);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, Qt::white);
    box->setPalette(pal);
    box->setMinimumWidth(46);
    box->setMinimumHeight(32);
    return box;
}

QLabel* makeText(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void applyToggle(QAbstractButton* button, const Toggle& toggle, const Toggle* shown) {
    if (!shown || shown->caption != toggle.caption) button->setText(qtText(toggle.caption));
    if (!shown || shown->enabled != toggle.enabled) button->setEnabled(toggle.enabled);
    // Against the control itself: whatever it shows, the model's value wins.
    if (button->isChecked() != toggle.value) button->setChecked(toggle.value);
}

}  // namespace

MainWindowView::MainWindowView(const MainWindowModel& model, MainWindowEvents& events,
                               QWidget* parent)
    : QMainWindow(parent),
      model_(model),
      events_(events),
      changed_(model.changes, this, [this] { refresh(false); }),
      menus_{{{&MainWindowModel::MenuPrg, &MainWindowEvents::menuPrg, "MenuPrg"},
              {&MainWindowModel::MenuFile, &MainWindowEvents::menuFile, "MenuFile"},
              {&MainWindowModel::MenuIndicate, &MainWindowEvents::menuIndicate, "MenuIndicate"},
              {&MainWindowModel::MenuHelp, &MainWindowEvents::menuHelp, "MenuHelp"}}},
      quitWatch_(new QuitWatch(this)) {
    setObjectName("MainWindow");
    setFont(viewFont());
    buildMenus();

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);
    // The message across the top; below it the logger takes the spare width,
    // the run's progress and the block selection share the middle column, and
    // the error-rate bars stand on the right.
    grid->addWidget(buildMessage(), 0, 0, 1, 3);
    grid->addWidget(buildLoggerFrame(), 1, 0, 2, 1);
    grid->addWidget(buildProgressFrame(), 1, 1);
    grid->addWidget(buildTabs(), 2, 1);
    grid->addWidget(buildErrorRateFrame(), 1, 2, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);
    setCentralWidget(central);
    buildStatusBar();

    setMinimumSize(1000, 620);
    resize(1280, 720);
    fitToScreen(*this);

    clock_ = new QTimer(this);
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, [this] { updateClock(); });
    clock_->start();
    updateClock();

    syncFromModel();
}

MainWindowView::~MainWindowView() = default;

QMenu* MainWindowView::menu(int which) const {
    return menus_.at(static_cast<std::size_t>(which)).menu;
}

const ErrorRateBar& MainWindowView::errorRateBar(int channel) const {
    return *bars_.at(static_cast<std::size_t>(channel));
}

// --- construction ---------------------------------------------------------

void MainWindowView::buildMenus() {
    for (auto& binding : menus_) {
        binding.menu = menuBar()->addMenu(QString());
        binding.menu->setObjectName(binding.name);
        rebuildMenu(binding, model_.*binding.field);
    }
    // A menu is a window of its own and does not inherit the window's font. The
    // menu bar's button for the items it has no room for gets its menu here
    // (Qt would make it later, in the application's font).
    auto* extension = new QMenu(menuBar());
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        menu->setFont(viewFont());
    if (auto* more = menuBar()->findChild<QToolButton*>("qt_menubar_ext_button"))
        more->setMenu(extension);
}

void MainWindowView::rebuildMenu(MenuBinding& binding, const Menu& menu) {
    binding.menu->clear();
    binding.actions.clear();
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const int index = static_cast<int>(i);
        QAction* action = menu.items[i].caption == "-" ? binding.menu->addSeparator()
                                                       : binding.menu->addAction(QString());
        action->setObjectName(QString("%1%2").arg(binding.name).arg(index));
        if (!action->isSeparator()) {
            auto report = binding.report;
            const char* name = binding.name;
            connect(action, &QAction::triggered, this, [this, report, name, index] {
                this->report(name, [this, report, index] { (events_.*report)(index); });
            });
        }
        binding.actions.push_back(action);
    }
}

QWidget* MainWindowView::buildTabs() {
    tabs_ = new QTabWidget;
    tabs_->setObjectName("AdjTab");
    tabs_->setUsesScrollButtons(false);
    // The six pages and what they hold are fixed; the model gives their captions.
    for (std::size_t t = 0; t < TabPages; ++t) {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(14, 10, 14, 10);
        layout->setSpacing(6);
        page->setObjectName(QString("AdjTabPage%1").arg(t));
        switch (t) {
            case 0:
                for (std::size_t i = 0; i < partAdj_.size(); ++i) {
                    auto* option = new ModelRadioButton(page);
                    option->setObjectName(QString("PartAdjCheck%1").arg(i));
                    const int index = static_cast<int>(i);
                    connect(option, &QAbstractButton::clicked, this, [this, index] {
                        report("PartAdjCheck", [this, index] { events_.partAdjCheck(index); });
                    });
                    layout->addWidget(option);
                    partAdj_[i] = option;
                }
                break;
            case 1: {
                static constexpr CheckBoxId ids[] = {CheckBoxId::PbLp0, CheckBoxId::PbLp1,
                                                     CheckBoxId::PbLp2, CheckBoxId::PbLp3,
                                                     CheckBoxId::PbLp4};
                for (std::size_t i = 0; i < pbLp_.size(); ++i)
                    pbLp_[i] = addCheckBox(page, QString("PbLpCheck%1").arg(i), ids[i]);
                break;
            }
            case 2:
                recLp_ = addCheckBox(page, "RecLpCheck", CheckBoxId::RecLp);
                break;
            case 3:
                pbSp_ = addCheckBox(page, "PbSpCheck", CheckBoxId::PbSp);
                break;
            case 4:
                pbPro_ = addCheckBox(page, "PbProCheck", CheckBoxId::PbPro);
                break;
            case 5:
                pbDv_ = addCheckBox(page, "PbDvCheck", CheckBoxId::PbDv);
                break;
            default:
                break;
        }
        layout->addStretch(1);
        tabs_->addTab(page, t < model_.AdjTab.size() ? qtText(model_.AdjTab[t].caption) : "");
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (syncing_ || index < 0) return;
        report("AdjTab", [this, index] { events_.tabSelected(index); });
    });
    return tabs_;
}

QCheckBox* MainWindowView::addCheckBox(QWidget* page, const QString& name, CheckBoxId id) {
    auto* box = new ModelCheckBox(page);
    box->setObjectName(name);
    connect(box, &QAbstractButton::clicked, this,
            [this, id] { report("CheckBox", [this, id] { events_.checkBox(id); }); });
    page->layout()->addWidget(box);
    return box;
}

QWidget* MainWindowView::buildMessage() {
    message_ = new QLabel;
    message_->setObjectName("Message");
    message_->setFont(viewFont(18, true));
    message_->setAlignment(Qt::AlignCenter);
    message_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    message_->setMinimumHeight(52);
    // The program blinks the message by giving it the button-face colour, so
    // the panel behind it is painted in exactly that colour.
    message_->setAutoFillBackground(true);
    QPalette pal = message_->palette();
    pal.setColor(QPalette::Window, qtColor(colors::ButtonFace));
    message_->setPalette(pal);
    return message_;
}

QWidget* MainWindowView::buildProgressFrame() {
    QWidget* contents = nullptr;
    QGroupBox* frame = makeFrame("PROGRESS", contents);
    frame->setObjectName("ProgressFrame");
    auto* grid = new QGridLayout;
    grid->setContentsMargins(4, 6, 4, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(10);

    auto* tc = new QLabel("TC         : ", contents);
    auto* remain = new QLabel("REMAIN : ", contents);
    for (QLabel* caption : {tc, remain})
        caption->setFont(viewFont(12, true));
    grid->addWidget(tc, 0, 0);
    grid->addWidget(remain, 1, 0);
    // Fields in columns 1, 3, 5, 7 with " : " between them, so that the
    // remaining time lines up under the time code.
    auto addFields = [&](auto& fields, const char* name, int row) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int column = 1 + 2 * static_cast<int>(i);
            fields[i] = makeDigitBox(contents, QString("%1%2").arg(name).arg(i));
            grid->addWidget(fields[i], row, column);
            if (i == 0) continue;
            QLabel* separator = makeText(contents, " : ");
            separator->setFont(viewFont(12, true));
            grid->addWidget(separator, row, column - 1);
        }
    };
    addFields(timeDsp_, "TimeDsp", 0);
    addFields(remainDsp_, "RemainDsp", 1);

    progress_ = new QProgressBar(contents);
    progress_->setObjectName("ProgressBar");
    progress_->setRange(0, 100);
    progress_->setTextVisible(true);
    progress_->setMinimumHeight(24);

    timeLeft_ = makeText(contents, "");
    timeLeft_->setObjectName("TimeLeft");
    timeLeft_->setAlignment(Qt::AlignCenter);

    auto* centered = new QHBoxLayout;
    centered->addStretch(1);
    centered->addLayout(grid);
    centered->addStretch(1);
    auto* outer = new QVBoxLayout(contents);
    outer->setContentsMargins(4, 0, 4, 4);
    outer->setSpacing(10);
    outer->addLayout(centered);
    outer->addWidget(progress_);
    outer->addWidget(timeLeft_);
    return frame;
}

QWidget* MainWindowView::buildLoggerFrame() {
    QWidget* contents = nullptr;
    QGroupBox* frame = makeFrame("LOGGER", contents);
    frame->setObjectName("LoggerFrame");
    auto* layout = new QVBoxLayout(contents);
    layout->setContentsMargins(0, 2, 0, 0);
    log_ = new FollowingLog(contents);
    log_->setObjectName("LogText");
    log_->setReadOnly(true);
    log_->setUndoRedoEnabled(false);
    // Read-only, but the operator may select and copy; the caret then shows
    // where the newest line ends.
    log_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(log_);
    return frame;
}

QWidget* MainWindowView::buildErrorRateFrame() {
    QWidget* contents = nullptr;
    QGroupBox* frame = makeFrame("ERROR RATE", contents);
    frame->setObjectName("ErrorRateFrame");
    auto* grid = new QGridLayout(contents);
    grid->setContentsMargins(4, 6, 4, 4);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(6);

    errSelect_ = new QPushButton(contents);
    errSelect_->setObjectName("ErrSelect");
    errSelect_->setMinimumHeight(30);
    // The button may be hidden; the bars below keep their place.
    QSizePolicy keep = errSelect_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    errSelect_->setSizePolicy(keep);
    connect(errSelect_, &QAbstractButton::clicked, this,
            [this] { report("ErrSelect", [this] { events_.errSelect(); }); });
    grid->addWidget(errSelect_, 0, 0, 1, 4);

    for (std::size_t i = 0; i < bars_.size(); ++i) {
        const int column = static_cast<int>(i);
        bars_[i] = new ErrorRateBar(contents);
        bars_[i]->setObjectName(QString("ErrDsp%1").arg(i));
        grid->addWidget(bars_[i], 1, column);
        chLabels_[i] = makeText(contents, QString());
        chLabels_[i]->setObjectName(QString("MF2ChLabel%1").arg(i));
        chLabels_[i]->setFont(viewFont(11, true));
        grid->addWidget(chLabels_[i], 2, column);
        grid->setColumnStretch(column, 1);
    }
    kindLabel_ = makeText(contents, QString());
    kindLabel_->setObjectName("MF2KindLabel");
    kindLabel_->setFont(viewFont(11, true));
    grid->addWidget(kindLabel_, 3, 0, 1, 4);
    grid->setRowStretch(1, 1);
    frame->setMinimumWidth(250);
    return frame;
}

void MainWindowView::buildStatusBar() {
    statusText_ = new QLabel;
    statusText_->setObjectName("StatusText");
    statusDate_ = new QLabel;
    statusDate_->setObjectName("StatusDate");
    statusTime_ = new QLabel;
    statusTime_->setObjectName("StatusTime");
    for (QLabel* panel : {statusText_, statusDate_, statusTime_}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setContentsMargins(6, 1, 6, 1);
    }
    statusBar()->addWidget(statusText_, 1);
    // The STOP notice sits in the status bar, whose height does not change
    // with it, at a width its text does not set, so the window keeps its
    // layout while it shows.
    stopNotice_ = new QLabel;
    stopNotice_->setObjectName("StopNotice");
    stopNotice_->setContentsMargins(6, 1, 6, 1);
    stopNotice_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPalette notice = stopNotice_->palette();
    notice.setColor(QPalette::WindowText, qtColor(colors::Red));
    stopNotice_->setPalette(notice);
    statusBar()->addWidget(stopNotice_, 3);
    for (QLabel* panel : {statusDate_, statusTime_}) {
        panel->setAlignment(Qt::AlignCenter);
        panel->setMinimumWidth(110);
        statusBar()->addPermanentWidget(panel);
    }
    statusBar()->setSizeGripEnabled(false);
}

void MainWindowView::updateClock() {
    const QDateTime now = QDateTime::currentDateTime();
    statusDate_->setText(now.toString("yyyy/MM/dd"));
    statusTime_->setText(now.toString("HH:mm:ss"));
}

// --- mirroring the model --------------------------------------------------

void MainWindowView::syncFromModel() {
    refresh(true);
}

void MainWindowView::refresh(bool everything) {
    ++refreshes_;
    // Changing tabs from here must not look like the operator's selection.
    QScopedValueRollback<bool> syncing(syncing_, true);
    // The window last: it shows or hides with everything else in place.
    for (Area area : {Area::Menus, Area::Tabs, Area::Message, Area::Log, Area::Progress,
                      Area::Status, Area::Counters, Area::ErrorPanel, Area::Window}) {
        const std::uint64_t revision = model_.changes.revision(area);
        std::optional<std::uint64_t>& applied = applied_[static_cast<std::size_t>(area)];
        if (!everything && applied == revision) continue;
        const bool before = applied.has_value();
        applied = revision;
        applyArea(area, before ? &shown_ : nullptr);
    }
}

void MainWindowView::applyArea(Area area, const MainWindowModel* s) {
    const MainWindowModel& m = model_;
    switch (area) {
        case Area::Window: {
            if (!s || s->caption != m.caption) setWindowTitle(qtText(m.caption));
            shown_.caption = m.caption;
            const bool showOrHide = !s || s->visible != m.visible;
            shown_.visible = m.visible;
            if (showOrHide) setVisible(m.visible);
            return;
        }
        case Area::Menus:
            for (auto& binding : menus_) {
                applyMenu(binding, m.*binding.field, s ? &(s->*binding.field) : nullptr);
                shown_.*binding.field = m.*binding.field;
            }
            return;
        case Area::Tabs:
            applyTabs(s);
            return;
        case Area::Message:
            if (!s || s->Message != m.Message) {
                message_->setText(qtText(m.Message.caption));
                QPalette pal = message_->palette();
                pal.setColor(QPalette::WindowText, qtColor(m.Message.fore));
                message_->setPalette(pal);
            }
            shown_.Message = m.Message;
            return;
        case Area::Log:
            log_->showLog(m.LogText);
            return;
        case Area::Progress:
            if (!s || s->ProgressBar != m.ProgressBar)
                progress_->setValue(std::clamp(m.ProgressBar, 0, 100));
            if (!s || s->TimeLeft != m.TimeLeft) timeLeft_->setText(qtText(m.TimeLeft));
            shown_.ProgressBar = m.ProgressBar;
            shown_.TimeLeft = m.TimeLeft;
            return;
        case Area::Status:
            if (!s || s->StatusText != m.StatusText) statusText_->setText(qtText(m.StatusText));
            if (!s || s->StopNotice != m.StopNotice) stopNotice_->setText(qtText(m.StopNotice));
            shown_.StatusText = m.StatusText;
            shown_.StopNotice = m.StopNotice;
            return;
        case Area::Counters:
            for (std::size_t i = 0; i < timeDsp_.size(); ++i)
                if (!s || s->TimeDsp[i] != m.TimeDsp[i]) timeDsp_[i]->setText(qtText(m.TimeDsp[i]));
            for (std::size_t i = 0; i < remainDsp_.size(); ++i)
                if (!s || s->RemainDsp[i] != m.RemainDsp[i])
                    remainDsp_[i]->setText(qtText(m.RemainDsp[i]));
            shown_.TimeDsp = m.TimeDsp;
            shown_.RemainDsp = m.RemainDsp;
            return;
        case Area::ErrorPanel:
            applyErrorPanel(s);
            return;
    }
}

void MainWindowView::applyMenu(MenuBinding& binding, const Menu& menu, const Menu* shown) {
    bool sameShape = binding.actions.size() == menu.items.size();
    for (std::size_t i = 0; sameShape && i < menu.items.size(); ++i)
        sameShape = binding.actions[i]->isSeparator() == (menu.items[i].caption == "-");
    if (!sameShape) {
        rebuildMenu(binding, menu);
        shown = nullptr;
    }
    if (!shown || shown->caption != menu.caption) binding.menu->setTitle(qtText(menu.caption));
    if (!shown || shown->enabled != menu.enabled)
        binding.menu->menuAction()->setEnabled(menu.enabled);
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        QAction* action = binding.actions[i];
        if (action->isSeparator()) continue;
        const MenuItem& item = menu.items[i];
        const MenuItem* old = shown ? &shown->items[i] : nullptr;
        if (!old || old->caption != item.caption) action->setText(qtText(item.caption));
        if (!old || old->shortcut != item.shortcut)
            action->setShortcut(QKeySequence::fromString(qtText(item.shortcut)));
        if (!old || old->enabled != item.enabled) action->setEnabled(item.enabled);
        // Only a checked item shows a check mark; triggering a checkable action
        // flips it inside Qt, so the state is compared with the action itself.
        if (action->isCheckable() != item.checked) action->setCheckable(item.checked);
        if (action->isChecked() != item.checked) action->setChecked(item.checked);
    }
}

void MainWindowView::applyTabs(const MainWindowModel* s) {
    const MainWindowModel& m = model_;
    {
        // Disabling the current tab makes Qt move to another one; the blocker keeps
        // that from being reported, and the model's selection is restored after.
        const QSignalBlocker block(tabs_);
        const int count = std::min(tabs_->count(), static_cast<int>(m.AdjTab.size()));
        for (int t = 0; t < count; ++t) {
            const auto index = static_cast<std::size_t>(t);
            const TabPage* old = s && s->AdjTab.size() > index ? &s->AdjTab[index] : nullptr;
            const TabPage& page = m.AdjTab[index];
            if (!old || old->caption != page.caption) tabs_->setTabText(t, qtText(page.caption));
            if (!old || old->enabled != page.enabled) tabs_->setTabEnabled(t, page.enabled);
        }
        if (m.selectedTab >= 0 && m.selectedTab < count && tabs_->currentIndex() != m.selectedTab)
            tabs_->setCurrentIndex(m.selectedTab);
    }
    for (std::size_t i = 0; i < partAdj_.size(); ++i)
        applyToggle(partAdj_[i], m.PartAdjCheck[i], s ? &s->PartAdjCheck[i] : nullptr);
    for (std::size_t i = 0; i < pbLp_.size(); ++i)
        applyToggle(pbLp_[i], m.PbLpCheck[i], s ? &s->PbLpCheck[i] : nullptr);
    applyToggle(recLp_, m.RecLpCheck, s ? &s->RecLpCheck : nullptr);
    applyToggle(pbSp_, m.PbSpCheck, s ? &s->PbSpCheck : nullptr);
    applyToggle(pbPro_, m.PbProCheck, s ? &s->PbProCheck : nullptr);
    applyToggle(pbDv_, m.PbDvCheck, s ? &s->PbDvCheck : nullptr);

    shown_.AdjTab = m.AdjTab;
    shown_.selectedTab = m.selectedTab;
    shown_.PartAdjCheck = m.PartAdjCheck;
    shown_.PbLpCheck = m.PbLpCheck;
    shown_.RecLpCheck = m.RecLpCheck;
    shown_.PbSpCheck = m.PbSpCheck;
    shown_.PbProCheck = m.PbProCheck;
    shown_.PbDvCheck = m.PbDvCheck;
}

void MainWindowView::applyErrorPanel(const MainWindowModel* s) {
    const MainWindowModel& m = model_;
    if (!s || s->ErrSelect != m.ErrSelect) errSelect_->setText(qtText(m.ErrSelect));
    if (!s || s->ErrSelectVisible != m.ErrSelectVisible) errSelect_->setVisible(m.ErrSelectVisible);
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        bars_[i]->setColors(m.ErrDsp[i]);
        if (!s || s->MF2ChLabel[i] != m.MF2ChLabel[i])
            chLabels_[i]->setText(qtText(m.MF2ChLabel[i]));
    }
    if (!s || s->MF2KindLabel != m.MF2KindLabel) kindLabel_->setText(qtText(m.MF2KindLabel));
    shown_.ErrSelect = m.ErrSelect;
    shown_.ErrSelectVisible = m.ErrSelectVisible;
    shown_.ErrDsp = m.ErrDsp;
    shown_.MF2ChLabel = m.MF2ChLabel;
    shown_.MF2KindLabel = m.MF2KindLabel;
}

// --- the operator's actions -----------------------------------------------

void MainWindowView::report(const char* what, const std::function<void()>& call) {
    // The call may run a whole programme, pumping events; the window may be
    // gone when it returns.
    QPointer<MainWindowView> alive(this);
    callGuarded(what, call);
    if (alive) syncFromModel();
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    if (quitWatch_->quitting()) {
        event->accept();
        return;
    }
    // The program decides whether to end, and ends itself.
    event->ignore();
    report("close", [this] { events_.closeRequested(); });
}

}  // namespace rf::shell
