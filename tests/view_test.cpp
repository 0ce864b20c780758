// The Qt views of the main window and the version window: they show the
// model, follow the changes marked in it (and only those, without polling), report the operator's
// actions without changing a control on their own, and never let the program's exceptions into Qt.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.h"
#include "shell/view/error_rate_bar.h"
#include "shell/view/main_window_view.h"
#include "shell/view/version_window_view.h"

namespace {

using namespace rf::shell;

// Records each call; `then` runs after the recording, as the program would
// (changing the model, or throwing).
class RecordingEvents final : public MainWindowEvents {
  public:
    std::vector<std::string> calls;
    std::function<void()> then;

    void menuPrg(int i) override { record("menuPrg", i); }
    void menuFile(int i) override { record("menuFile", i); }
    void menuIndicate(int i) override { record("menuIndicate", i); }
    void menuHelp(int i) override { record("menuHelp", i); }
    void partAdjCheck(int i) override { record("partAdjCheck", i); }
    void checkBox(CheckBoxId id) override { record("checkBox", static_cast<int>(id)); }
    void tabSelected(int i) override { record("tabSelected", i); }
    void errSelect() override { record("errSelect"); }
    void closeRequested() override { record("closeRequested"); }
    void versionClosed() override { record("versionClosed"); }

  private:
    void record(const char* name, int i) { record(name + (" " + std::to_string(i))); }
    void record(std::string call) {
        calls.push_back(std::move(call));
        if (then) then();
    }
};

// Lets the event loop run until nothing is waiting: the view's refresh after
// marks, and the layout and scrolling that follow. Events posted while a pass
// runs wait for the next one.
void settle() {
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::processEvents();
}

std::vector<Toggle*> blockBoxes(MainWindowModel& m) {
    return {&m.PbLpCheck[0], &m.PbLpCheck[1], &m.PbLpCheck[2], &m.PbLpCheck[3], &m.PbLpCheck[4],
            &m.RecLpCheck,   &m.PbSpCheck,    &m.PbProCheck,   &m.PbDvCheck};
}

// The window waiting for the operator: "ALL" selected, block boxes checked
// but locked, IRQ and STOP unavailable.
MainWindowModel idleModel() {
    MainWindowModel m;
    m.caption = "RF ADJUST TOOL : QT7310XYZ_V2.10.00";
    m.visible = true;
    m.Message = {"Please Select MENU !!", colors::Magenta};
    m.prgItem(rf::run::ProgramItem::Irq).enabled = false;
    m.prgItem(rf::run::ProgramItem::Stop).enabled = false;
    m.prgItem(rf::run::ProgramItem::Adjust).checked = true;
    for (std::size_t t = 1; t < m.AdjTab.size(); ++t)
        m.AdjTab[t].enabled = false;
    for (Toggle* box : blockBoxes(m))
        *box = {box->caption, true, false};
    m.StatusText = "STOP";
    m.ProgressBar = 25;
    return m;
}

class MainWindowViewTest : public ::testing::Test {
  protected:
    MainWindowModel model = idleModel();
    RecordingEvents events;
    MainWindowView view{model, events};

    template <class T>
    T& child(const char* name) {
        T* found = view.findChild<T*>(name);
        if (!found) throw std::runtime_error(std::string("the view has no ") + name);
        return *found;
    }
    QTabWidget& tabs() { return child<QTabWidget>("AdjTab"); }

    // What a control shows: its text or value, then " -" when it is disabled
    // and " *" when it is checked (for the tabs: each tab so, "|" between,
    // " @" at the current one).
    std::string shows(const std::string& name) {
        const char* n = name.c_str();
        auto form = [](const QString& text, bool on, bool checked) {
            return text.toStdString() + (on ? "" : " -") + (checked ? " *" : "");
        };
        if (auto* a = view.findChild<QAction*>(n))
            return form(a->text(), a->isEnabled(), a->isChecked());
        if (auto* b = view.findChild<QAbstractButton*>(n))
            return form(b->text(), b->isEnabledTo(b->parentWidget()), b->isChecked());
        if (auto* l = view.findChild<QLabel*>(n)) return l->text().toStdString();
        if (auto* p = view.findChild<QProgressBar*>(n)) return std::to_string(p->value());
        std::string out;
        for (int t = 0; t < tabs().count(); ++t)
            out += (t ? "|" : "") + form(tabs().tabText(t), tabs().isTabEnabled(t), false) +
                   (t == tabs().currentIndex() ? " @" : "");
        return name == "AdjTab" ? out : "(no " + name + ")";
    }
    // Each "name=shown" of the lines against the view.
    void expectShown(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            const auto eq = line.find('=');
            EXPECT_EQ(shows(line.substr(0, eq)), line.substr(eq + 1)) << line.substr(0, eq);
        }
    }
};

TEST_F(MainWindowViewTest, ShowsTheModelsMenusTabsBoxesAndPanels) {
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.windowTitle(), "RF ADJUST TOOL : QT7310XYZ_V2.10.00");
    EXPECT_EQ(view.menu(0)->title(), "Program(&P)");
    EXPECT_TRUE(child<QAction>("MenuPrg2").isSeparator());
    EXPECT_EQ(child<QAction>("MenuPrg4").shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    EXPECT_EQ(child<QLabel>("Message").palette().color(QPalette::WindowText), QColor(255, 0, 255));
    EXPECT_FALSE(shows("StatusDate").empty() || shows("StatusTime").empty());
    expectShown({"MenuPrg0=Adjust *", "MenuPrg1=Error Rate", "MenuPrg3=START", "MenuPrg4=IRQ -",
                 "MenuPrg5=STOP -", "PartAdjCheck0=ALL *", "PartAdjCheck1=PB", "PartAdjCheck2=REC",
                 "PbLpCheck2=SLOW L13/R24 - *", "PbDvCheck=ALL HEADS - *",
                 "Message=Please Select MENU !!", "TimeDsp3=??", "RemainDsp0=??", "ProgressBar=25",
                 "ErrSelect=VIDEO", "MF2ChLabel1=L2", "MF2KindLabel=Head Kind", "StatusText=STOP",
                 "AdjTab=ALL @|HDLP PB -|HDLP REC -|HDSP PB -|50/25 PB -|DV PB -"});
}

TEST_F(MainWindowViewTest, ErrorRateBarsDrawTheModelsColoursFromTheBottom) {
    for (std::size_t seg = 0; seg < 18; ++seg) {
        model.ErrDsp[1][seg] = seg < 9 ? colors::Orange : colors::Black;
        model.ErrDsp[3][seg] = colors::Red;
    }
    model.changes.mark(Area::ErrorPanel);
    settle();
    auto at = [&](int bar, QPoint p) {
        const std::string name = "ErrDsp" + std::to_string(bar);
        const QImage image = child<QWidget>(name.c_str()).grab().toImage();
        return image.pixelColor(p * image.devicePixelRatio());
    };
    const QColor orange(255, 128, 0), black(0, 0, 0), red(192, 0, 0);
    for (auto [bar, seg, colour] :
         {std::tuple{1, 0, orange}, {1, 8, orange}, {1, 9, black}, {1, 17, black}, {3, 17, red}})
        EXPECT_EQ(at(bar, view.errorRateBar(bar).segmentRect(seg).center()), colour) << seg;
    // Segment 0 is the bottom one.
    const ErrorRateBar& bar = view.errorRateBar(1);
    EXPECT_EQ(at(1, QPoint(bar.width() / 2, bar.height() - 6)), orange);
    EXPECT_EQ(at(1, QPoint(bar.width() / 2, 6)), black);
}

TEST_F(MainWindowViewTest, MarkedChangesAreMirroredOnceTheEventLoopRuns) {
    model.caption = "RF ADJUST TOOL : QT7320";
    model.MenuFile.enabled = false;
    model.prgItem(rf::run::ProgramItem::Adjust).checked = false;
    model.prgItem(rf::run::ProgramItem::ErrorRate).checked = true;
    model.prgItem(rf::run::ProgramItem::Start).enabled = false;
    model.prgItem(rf::run::ProgramItem::Stop).enabled = true;
    model.AdjTab[2].enabled = true;
    model.PbLpCheck[0] = {"CONF", false, true};
    model.PartAdjCheck = {Toggle{"ALL", false}, Toggle{"PB", true}, Toggle{"REC", false}};
    model.Message = {"Master Error Rate", colors::ButtonFace};
    model.ProgressBar = 55;
    model.TimeDsp[1] = "12";
    model.RemainDsp[2] = "26";
    model.ErrSelect = "Audio1";
    model.MF2ChLabel[0] = "LH";
    model.MF2KindLabel = "CONF";
    model.StatusText = "PLAY";
    model.StopNotice = "Stopping: the step in progress ends";
    for (Area area : {Area::Window, Area::Menus, Area::Tabs, Area::Message, Area::Progress,
                      Area::Counters, Area::ErrorPanel, Area::Status})
        model.changes.mark(area);
    EXPECT_EQ(shows("StatusText"), "STOP") << "the marks only schedule a refresh";
    settle();
    EXPECT_EQ(view.windowTitle(), "RF ADJUST TOOL : QT7320");
    EXPECT_FALSE(view.menu(1)->menuAction()->isEnabled());
    EXPECT_EQ(child<QLabel>("Message").palette().color(QPalette::WindowText),
              QColor(240, 240, 240));
    expectShown({"MenuPrg0=Adjust", "MenuPrg1=Error Rate *", "MenuPrg3=START -", "MenuPrg5=STOP",
                 "PbLpCheck0=CONF", "PartAdjCheck0=ALL", "PartAdjCheck1=PB *",
                 "Message=Master Error Rate", "ProgressBar=55", "TimeDsp1=12", "RemainDsp2=26",
                 "ErrSelect=Audio1", "MF2ChLabel0=LH", "MF2KindLabel=CONF", "StatusText=PLAY",
                 "StopNotice=" + model.StopNotice,
                 "AdjTab=ALL @|HDLP PB -|HDLP REC|HDSP PB -|50/25 PB -|DV PB -"});

    model.ErrSelectVisible = false;
    model.visible = false;
    model.changes.mark(Area::ErrorPanel);
    model.changes.mark(Area::Window);
    settle();
    EXPECT_FALSE(child<QPushButton>("ErrSelect").isVisibleTo(&view));
    EXPECT_FALSE(view.isVisible());
    EXPECT_TRUE(events.calls.empty()) << "the program's own changes are not reported back";
}

// The view does no work of its own: an unmarked change waits for its mark or
// for the window being brought in line as a whole, a mark brings in only its
// own area, and a burst of marks gives one refresh.
TEST_F(MainWindowViewTest, OnlyMarkedAreasAreLookedAtAndABurstOfMarksRefreshesOnce) {
    settle();
    const std::uint64_t before = view.refreshCount();
    model.StatusText = "PLAY";
    model.ProgressBar = 80;
    model.Message.caption = "Master Error Rate";
    settle();
    EXPECT_EQ(view.refreshCount(), before) << "nothing marked, nothing looked at";
    expectShown({"StatusText=STOP", "ProgressBar=25", "Message=Please Select MENU !!"});

    for (int i = 0; i < 5; ++i)
        model.changes.mark(Area::Status);
    model.changes.mark(Area::Progress);
    settle();
    EXPECT_EQ(view.refreshCount(), before + 1);
    expectShown({"StatusText=PLAY", "ProgressBar=80", "Message=Please Select MENU !!"});

    view.syncFromModel();
    expectShown({"Message=Master Error Rate"});
    settle();
    EXPECT_EQ(view.refreshCount(), before + 2) << "idle after the sync";
}

// Whether the last line of the logger lies wholly inside its viewport.
bool lastLineInView(QPlainTextEdit& log) {
    QTextCursor end(log.document());
    end.movePosition(QTextCursor::End);
    const QRect line = log.cursorRect(end);
    return line.top() >= 0 && line.bottom() < log.viewport()->height();
}

TEST_F(MainWindowViewTest, LoggerFollowsTheNewestLineWhateverTheFontAndKeepsTheScrollOtherwise) {
    auto& log = child<QPlainTextEdit>("LogText");
    QScrollBar& scroll = *log.verticalScrollBar();
    // Fonts whose line heights leave different remainders in the viewport;
    // a machine without Arial draws it in whatever replaces it.
    const std::vector<std::pair<const char*, int>> fonts = {
        {"Arial", 10}, {"DejaVu Sans", 9}, {"DejaVu Sans Mono", 13}, {"Liberation Sans", 11}};
    for (const auto& [family, size] : fonts) {
        SCOPED_TRACE(family + std::string(" ") + std::to_string(size));
        log.setFont(QFont(family, size));
        model.LogText = std::string(family) + "\r\n";
        for (int i = 0; i < 200; ++i)
            model.LogText += "line " + std::to_string(i) + "\r\n";
        model.changes.mark(Area::Log);
        settle();
        ASSERT_GT(scroll.maximum(), 0) << "the log must be longer than the view for this test";
        EXPECT_EQ(scroll.value(), scroll.maximum());
        EXPECT_TRUE(lastLineInView(log));
        // A smaller window keeps the newest line in view.
        view.resize(view.width(), view.height() - 37);
        settle();
        EXPECT_TRUE(lastLineInView(log));
        view.resize(view.width(), view.height() + 37);
    }

    // The operator scrolls back; other changes and a resize leave the log where it is.
    scroll.setValue(0);
    model.Message.caption = "Slave Error Rate";
    model.changes.mark(Area::Message);
    view.resize(view.width(), view.height() - 20);
    settle();
    EXPECT_EQ(scroll.value(), 0);

    model.LogText += "Video:-4.35,-4.40,-4.21,-4.33\r\n";
    model.changes.mark(Area::Log);
    settle();
    EXPECT_EQ(scroll.value(), scroll.maximum());
    EXPECT_TRUE(lastLineInView(log));
    EXPECT_TRUE(log.textCursor().atEnd());
}

// The logger takes only what was added since it last looked, in whatever
// pieces the log was written: a line break split between two looks, a log
// cleared, or cleared and written anew past its old length.
TEST_F(MainWindowViewTest, LoggerShowsTheLogWhateverPiecesItIsWrittenIn) {
    auto& log = child<QPlainTextEdit>("LogText");
    const struct {
        bool append;  // or replace
        const char* text;
        const char* shown;
    } steps[] = {
        {true, "START\r\n", "START"},
        {true, "Video:-4.35\r", "START\nVideo:-4.35"},
        {true, "\nAudio1:-4.40\r\n", "START\nVideo:-4.35\nAudio1:-4.40"},
        {true, "\r\n", "START\nVideo:-4.35\nAudio1:-4.40\n"},
        {true, "END", "START\nVideo:-4.35\nAudio1:-4.40\n\nEND"},
        {false, "", ""},
        {false, "Play Measure Start\r\n", "Play Measure Start"},
        {false,
         "Play Measure Start over\r\nagain, cleared and written anew past its old length\r\n",
         "Play Measure Start over\nagain, cleared and written anew past its old length"},
        {false, "X\r\n", "X"},
    };
    for (const auto& step : steps) {
        model.LogText = step.append ? model.LogText + step.text : step.text;
        model.changes.mark(Area::Log);
        settle();
        EXPECT_EQ(log.toPlainText().toStdString(), step.shown) << step.text;
    }
}

// Each control reports its click and goes on showing the model's value (Qt
// would flip a check box, an option button or a checked menu item itself).
TEST_F(MainWindowViewTest, ClicksAreReportedAndTheControlsShowOnlyTheModel) {
    for (Toggle* box : blockBoxes(model))
        box->enabled = true;
    for (auto& tab : model.AdjTab)
        tab.enabled = true;
    view.syncFromModel();
    // Each "control=call"; MenuPrg4, IRQ, is disabled and makes no call.
    std::vector<std::string> clicks = {
        "MenuPrg0=menuPrg 0",           "MenuPrg3=menuPrg 3",           "MenuPrg4=",
        "MenuFile1=menuFile 1",         "MenuIndicate0=menuIndicate 0", "MenuHelp2=menuHelp 2",
        "PartAdjCheck0=partAdjCheck 0", "PartAdjCheck1=partAdjCheck 1", "ErrSelect=errSelect"};
    using enum CheckBoxId;
    const std::pair<const char*, CheckBoxId> boxes[] = {
        {"PbLpCheck0", PbLp0}, {"PbLpCheck1", PbLp1}, {"PbLpCheck2", PbLp2},
        {"PbLpCheck3", PbLp3}, {"PbLpCheck4", PbLp4}, {"RecLpCheck", RecLp},
        {"PbSpCheck", PbSp},   {"PbProCheck", PbPro}, {"PbDvCheck", PbDv}};
    for (auto [name, id] : boxes)
        clicks.push_back(name + std::string("=checkBox ") + std::to_string(static_cast<int>(id)));
    for (const std::string& click : clicks) {
        const std::string name = click.substr(0, click.find('=')),
                          call = click.substr(name.size() + 1);
        const std::string before = shows(name);
        events.calls.clear();
        if (auto* action = view.findChild<QAction*>(name.c_str()))
            action->trigger();
        else
            child<QAbstractButton>(name.c_str()).click();
        EXPECT_EQ(events.calls, std::vector<std::string>(!call.empty(), call)) << name;
        EXPECT_EQ(shows(name), before) << name << " changed without the model";
    }
}

TEST_F(MainWindowViewTest, TabSelectionIsReportedAndTheModelDecides) {
    model.AdjTab[2].enabled = true;
    view.syncFromModel();

    tabs().setCurrentIndex(2);
    EXPECT_EQ(events.calls, std::vector<std::string>{"tabSelected 2"});
    EXPECT_EQ(tabs().currentIndex(), 0) << "the model still selects ALL";

    events.then = [&] { model.selectedTab = 2; };
    tabs().setCurrentIndex(2);
    EXPECT_EQ(tabs().currentIndex(), 2);

    // The program's own selection and disabling are not reported back.
    events.then = nullptr;
    events.calls.clear();
    model.selectedTab = 0;
    for (auto& tab : model.AdjTab)
        tab.enabled = false;
    model.changes.mark(Area::Tabs);
    settle();
    EXPECT_EQ(tabs().currentIndex(), 0);
    EXPECT_FALSE(tabs().isTabEnabled(0));
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(MainWindowViewTest, TitleBarCloseIsReportedAndNotPerformed) {
    EXPECT_FALSE(view.close());
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(events.calls, std::vector<std::string>{"closeRequested"});
}

// The program's exception from a click runs inside the application's event
// loop, as in the tool; the loop must end, and the windows with it. The
// program's own end is not reported as a failure.
TEST_F(MainWindowViewTest, AnExceptionOrTheProgramsEndFromAClickEndsTheApplication) {
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] { throw std::runtime_error("port lost"); }, "rfadjust: ErrSelect failed: port lost\n"},
        {[] { throw rf::ProgramEnd{}; }, ""}};
    QAbstractButton& button = child<QPushButton>("ErrSelect");
    for (const auto& [thrower, report] : cases) {
        SCOPED_TRACE(report);
        view.show();
        events.calls.clear();
        events.then = thrower;
        QTimer::singleShot(0, &button, [&button] { button.click(); });
        QTimer::singleShot(5000, &button, [] { QCoreApplication::exit(99); });
        testing::internal::CaptureStderr();
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), report);
        EXPECT_FALSE(view.isVisible()) << "the quit closes the window";
        EXPECT_EQ(events.calls, std::vector<std::string>{"errSelect"}) << "quitting asks nothing";
    }
}

// The change record the views listen to: copies keep the revisions but not the
// listener, one listener at a time, a subscription ends with its holder, and
// models compare as they did without it.
TEST(WindowChangesTest, CopiesKeepTheRevisionsAndSubscriptionsEndWithTheirHolder) {
    MainWindowModel model;
    int told = 0, taken = 0;
    auto first = model.changes.subscribe([&] { ++told; });
    model.changes.mark(Area::Log);
    model.changes.mark(Area::Log);
    EXPECT_EQ(told, 2);
    EXPECT_EQ(model.changes.revision(Area::Log), 2u);
    EXPECT_EQ(model.changes.revision(Area::Status), 0u);

    MainWindowModel copy = model;
    EXPECT_EQ(copy.changes.revision(Area::Log), 2u);
    copy.changes.mark(Area::Status);
    copy.StatusText = "PLAY";
    EXPECT_EQ(told, 2) << "the copy has no listener";
    copy.StatusText = model.StatusText;
    EXPECT_TRUE(copy == model) << "the change record is not compared";

    // A model assigned over changes as a whole: every area moves, its listener is told.
    model = MainWindowModel{};
    EXPECT_EQ(told, 3);
    for (Area area : {Area::Log, Area::Window})
        EXPECT_GT(model.changes.revision(area), copy.changes.revision(area));

    auto second = model.changes.subscribe([&] { ++taken; });
    first = {};  // taken over already: ending it leaves the new one
    model.changes.mark(Area::Menus);
    EXPECT_EQ(std::pair(told, taken), std::pair(3, 1));
    {
        auto moved = std::move(second);
        model.changes.mark(Area::Menus);
    }
    model.changes.mark(Area::Menus);
    EXPECT_EQ(taken, 2) << "ended with the one it was moved to";

    WindowChanges::Subscription outliving;
    {
        const WindowChanges gone;
        outliving = gone.subscribe([&] { ++told; });
    }
}

class VersionWindowViewTest : public ::testing::Test {
  protected:
    VersionWindowModel model = [] {
        VersionWindowModel m;
        m.visible = true;
        m.lblDisclaimer = "Keep the recorder's data before adjusting.";
        return m;
    }();
    RecordingEvents events;
    VersionWindowView view{model, events};

    QString text(const char* name) { return view.findChild<QLabel*>(name)->text(); }
    QPushButton& ok() { return *view.findChild<QPushButton*>("cmdOK"); }
};

TEST_F(VersionWindowViewTest, ShowsTheModelsTextsAndFollowsTheModel) {
    EXPECT_TRUE(view.isVisible());
    EXPECT_FALSE(view.isModal());
    EXPECT_EQ(view.windowTitle().toStdString(), model.caption);
    EXPECT_EQ(ok().text().toStdString(), model.cmdOK);
    for (auto [name, field] : {std::pair{"lblTitle", &model.lblTitle},
                               {"lblVersion", &model.lblVersion},
                               {"lblDescription", &model.lblDescription},
                               {"lblDisclaimer", &model.lblDisclaimer}})
        EXPECT_EQ(text(name).toStdString(), *field) << name;

    model.lblVersion = "Version 2.10.00";
    settle();
    EXPECT_EQ(text("lblVersion").toStdString(), "Vesion 2.1") << "not marked yet";
    model.changes.mark(Area::Window);
    settle();
    EXPECT_EQ(text("lblVersion"), "Version 2.10.00");
}

TEST_F(VersionWindowViewTest, OkCloseAndEscapeAreReportedAndTheModelHidesTheWindow) {
    ok().click();
    EXPECT_FALSE(view.close());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &escape);
    EXPECT_EQ(events.calls,
              (std::vector<std::string>{"versionClosed", "versionClosed", "versionClosed"}));
    EXPECT_TRUE(view.isVisible()) << "only the model hides the window";

    events.then = [&] { model.visible = false; };
    ok().click();
    EXPECT_FALSE(view.isVisible());
}

}  // namespace
