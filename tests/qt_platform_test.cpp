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

TEST(QtTimer, FiresRepeatedlyWhileEnabled) {
    QtPlatform platform{testLockName("timer")};
    int ticks = 0;
    auto timer = platform.createTimer();
    timer->setHandler([&] { ++ticks; });
    timer->setInterval(20);

    const auto ticked = [&] { return ticks > 0; };
    EXPECT_FALSE(pumpUntil(platform, ticked, 100)) << "fired while disabled";
    timer->setEnabled(true);
    ASSERT_TRUE(pumpUntil(platform, [&] { return ticks >= 3; }));
    timer->setEnabled(false);
    const int stoppedAt = ticks;
    const auto never = [] { return false; };
    pumpUntil(platform, never, 100);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(QtTimer, EnablingAgainOrSettingTheIntervalStartsAFreshIntervalAndZeroNone) {
    // Timers 0 and 1 (600 ms) are restarted at 300 ms by timer 2, 0 by enabling
    // it again, 1 by setting its interval. Both must then fire after timer 3's
    // 750 ms mark, not at 600. Timer 4, enabled without an interval, never fires.
    QtPlatform platform{testLockName("restart")};
    std::vector<std::size_t> fired;
    std::vector<std::unique_ptr<rf::platform::Timer>> t;
    for (int ms : {600, 600, 300, 750, 0}) {
        rf::platform::Timer& timer = *t.emplace_back(platform.createTimer());
        timer.setInterval(ms);
        timer.setHandler([&timer, &fired, i = t.size() - 1] {
            timer.setEnabled(false);
            fired.push_back(i);
        });
    }
    t[2]->setHandler([&] {
        t[2]->setEnabled(false);
        t[0]->setEnabled(true);
        t[1]->setInterval(600);
    });
    for (auto& timer : t)
        timer->setEnabled(true);
    ASSERT_TRUE(pumpUntil(platform, [&] { return fired.size() == 3; }));
    EXPECT_EQ(fired.front(), 3u) << "a restarted timer kept its first interval";
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

TEST(QtDialogs, EveryButtonOfEveryBoxGivesItsAnswerAndEscapeTheCancellingOneIfAny) {
    QtPlatform platform{testLockName("dialogs")};
    const auto Esc = QMessageBox::NoButton;  // the Escape key
    const struct {
        Buttons buttons;
        QMessageBox::StandardButton press;
        Answer answer;
    } cases[] = {
        {Buttons::Ok, QMessageBox::Ok, Answer::Ok},
        {Buttons::Ok, Esc, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::OkCancel, Esc, Answer::Cancel},
        {Buttons::YesNo, QMessageBox::Yes, Answer::Yes},
        {Buttons::YesNo, QMessageBox::No, Answer::No},
        {Buttons::YesNo, Esc, Answer::No},
        {Buttons::AbortRetryIgnore, QMessageBox::Abort, Answer::Abort},
        {Buttons::AbortRetryIgnore, QMessageBox::Retry, Answer::Retry},
        {Buttons::AbortRetryIgnore, QMessageBox::Ignore, Answer::Ignore},
        // Esc does not answer the error box; Retry, pressed after it, does.
        {Buttons::AbortRetryIgnore, Esc, Answer::Retry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "box " << static_cast<int>(c.buttons) << " pressing " << c.press);
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            if (c.press == Esc) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(box, &esc);
                if (box->isVisible()) box->button(QMessageBox::Retry)->click();
            } else {
                ASSERT_NE(box->button(c.press), nullptr) << "the box lacks the button";
                box->button(c.press)->click();
            }
        });
        EXPECT_EQ(
            platform.dialogs().msgBox("Save the data?", c.buttons, Icon::Exclamation, "Confirm"),
            c.answer);
        EXPECT_EQ(text, "Save the data?");
        EXPECT_EQ(title, "Confirm");
        EXPECT_EQ(icon, QMessageBox::Warning);
    }
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

TEST(QtDialogs, AWindowOfButtonsGivesTheButtonPressedOrNoneWhenClosed) {
    QtPlatform platform{testLockName("choice")};
    whenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Area");
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "Default") b->click();
    });
    EXPECT_EQ(platform.dialogs().choice("Pick one", "Area", {"User", "Default"}), 1);
    whenModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(platform.dialogs().choice("Pick one", "Area", {"User", "Default"}), -1);
}

}  // namespace
