// Timers, the event pump, the single-instance lock and the dialog boxes of the
// real Qt platform.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLockFile>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#include "core/errors.h"
#include "platform/qt/qt_platform.h"
#include "qt_event_wait.h"

namespace {

using rf::platform::Answer;
using rf::platform::Buttons;
using rf::platform::Icon;
using rf::platform::qt::QtPlatform;
using rf::testing::pumpUntil;

std::string testLockName(const char* what) {
    return std::string("rfadjust-qt-test-") + what + "-" + std::to_string(::getpid()) + ".lock";
}

TEST(QtTimer, FiresRepeatedlyWhileEnabledAndNeverWithoutAnInterval) {
    QtPlatform platform{testLockName("timer")};
    int ticks = 0, zeroTicks = 0;
    auto timer = platform.createTimer();
    timer->setHandler([&] { ++ticks; });
    timer->setInterval(20);
    auto zero = platform.createTimer();
    zero->setHandler([&] { ++zeroTicks; });
    zero->setEnabled(true);  // interval 0

    const auto ticked = [&] { return ticks > 0; };
    EXPECT_FALSE(pumpUntil(platform, ticked, 100)) << "fired while disabled";
    timer->setEnabled(true);
    ASSERT_TRUE(pumpUntil(platform, [&] { return ticks >= 3; }));
    timer->setEnabled(false);
    const int stoppedAt = ticks;
    const auto never = [] { return false; };
    pumpUntil(platform, never, 100);
    EXPECT_EQ(ticks, stoppedAt);
    EXPECT_EQ(zeroTicks, 0);
    EXPECT_TRUE(zero->enabled());
}

TEST(QtTimer, EnablingAgainOrSettingTheIntervalStartsAFreshInterval) {
    // Two 600 ms timers are restarted at 300 ms, one by enabling it again, one by
    // setting its interval. Both must then fire after a 750 ms mark, not at 600.
    QtPlatform platform{testLockName("restart")};
    std::vector<std::string> fired;
    auto enabledAgain = platform.createTimer(), newInterval = platform.createTimer(),
         restart = platform.createTimer(), mark = platform.createTimer();
    const auto once = [&](rf::platform::Timer& t, std::string name) {
        t.setHandler([&t, &fired, name] {
            t.setEnabled(false);
            fired.push_back(name);
        });
    };
    once(*enabledAgain, "enabled again");
    once(*newInterval, "new interval");
    once(*mark, "750 ms");
    restart->setHandler([&] {
        restart->setEnabled(false);
        enabledAgain->setEnabled(true);
        newInterval->setInterval(600);
    });
    for (auto [t, ms] : {std::pair{enabledAgain.get(), 600},
                         {newInterval.get(), 600},
                         {restart.get(), 300},
                         {mark.get(), 750}}) {
        t->setInterval(ms);
        t->setEnabled(true);
    }
    ASSERT_TRUE(pumpUntil(platform, [&] { return fired.size() == 3; }));
    EXPECT_EQ(fired.front(), "750 ms");
}

TEST(QtEventPump, HandlerExceptionsEndTheProgramInsteadOfCrossingQt) {
    QtPlatform platform{testLockName("pump")};
    auto timer = platform.createTimer();
    timer->setHandler([] { throw rf::RfError(rf::err::Overflow); });
    timer->setInterval(10);
    timer->setEnabled(true);
    EXPECT_THROW(pumpUntil(platform, [] { return false; }), rf::ProgramEnd);
    EXPECT_TRUE(platform.endRequested());
    EXPECT_THROW(platform.doEvents(), rf::ProgramEnd);
}

TEST(QtEventPump, EndRequestedFromAnotherThreadWakesAWaitWithNothingToDo) {
    QtPlatform platform{testLockName("wake")};
    bool guardFired = false;
    auto guard = platform.createTimer();
    guard->setHandler([&] { guardFired = true; });
    guard->setInterval(10000);
    guard->setEnabled(true);
    std::thread ender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        platform.requestEnd();
    });
    bool ended = false;
    try {
        while (!guardFired)
            platform.doEvents();
    } catch (const rf::ProgramEnd&) {
        ended = true;
    }
    ender.join();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(guardFired) << "the blocked wait only woke for the next timer";
}

TEST(QtEventPump, EndRequestStopsTheApplicationEventLoop) {
    QtPlatform platform{testLockName("quit")};
    QTimer::singleShot(50, [&] { platform.requestEnd(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(platform.endRequested()) << "the loop ended before the request";
}

TEST(QtSingleInstance, SecondCopyIsRefusedWhileTheFirstRuns) {
    const std::string name = testLockName("instance");
    auto first = std::make_unique<QtPlatform>(name);
    QtPlatform second{name};
    EXPECT_TRUE(first->acquireSingleInstance());
    EXPECT_TRUE(first->acquireSingleInstance()) << "asking again is not a second copy";
    EXPECT_FALSE(second.acquireSingleInstance());
    first.reset();
    EXPECT_TRUE(second.acquireSingleInstance());
}

TEST(QtSingleInstance, LockOfACopyThatDiedIsTakenOver) {
    const std::string name = testLockName("stale");
    QtPlatform platform{name};
    const QString path = QString::fromStdString(platform.lockFilePath());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QLockFile lock(path);
        _exit(lock.tryLock(0) ? 0 : 1);  // dies holding the lock
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_TRUE(platform.acquireSingleInstance());
}

// Acts on the next modal dialog once it is up.
void whenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start(10);
}

void press(QMessageBox::StandardButton button) {
    whenModal([button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        ASSERT_NE(box->button(button), nullptr) << "the box lacks the button";
        box->button(button)->click();
    });
}

TEST(QtDialogs, EveryButtonOfEveryBoxGivesItsAnswer) {
    QtPlatform platform{testLockName("dialogs")};
    const struct {
        Buttons buttons;
        QMessageBox::StandardButton press;
        Answer answer;
    } cases[] = {
        {Buttons::Ok, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::YesNo, QMessageBox::Yes, Answer::Yes},
        {Buttons::YesNo, QMessageBox::No, Answer::No},
        {Buttons::AbortRetryIgnore, QMessageBox::Abort, Answer::Abort},
        {Buttons::AbortRetryIgnore, QMessageBox::Retry, Answer::Retry},
        {Buttons::AbortRetryIgnore, QMessageBox::Ignore, Answer::Ignore},
    };
    for (const auto& c : cases) {
        press(c.press);
        EXPECT_EQ(platform.dialogs().msgBox("Text", c.buttons, Icon::Question, "Title"), c.answer)
            << static_cast<int>(c.buttons) << " pressing " << c.press;
    }
}

TEST(QtDialogs, BoxShowsTextTitleAndIconAndEscapeCancels) {
    QtPlatform platform{testLockName("escape")};
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &esc);
    });
    EXPECT_EQ(platform.dialogs().msgBox("Save the data?", Buttons::OkCancel, Icon::Exclamation,
                                        "Confirm"),
              Answer::Cancel);
    EXPECT_EQ(text, "Save the data?");
    EXPECT_EQ(title, "Confirm");
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(QtDialogs, InputBoxGivesTheTextOrNothingWhenCancelled) {
    QtPlatform platform{testLockName("input")};
    whenModal([](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->labelText(), "Serial number");
        EXPECT_EQ(box->textValue(), "0001");
        box->setTextValue("1234");
        box->accept();
    });
    EXPECT_EQ(platform.dialogs().inputBox("Serial number", "Input", "0001"), "1234");
    whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(platform.dialogs().inputBox("Serial number", "Input", "0001"), "");
}

}  // namespace
