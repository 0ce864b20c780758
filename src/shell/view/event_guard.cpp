#include "shell/view/event_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "core/errors.h"

namespace rf::shell {

void callGuarded(const char* what, const std::function<void()>& handler) {
    try {
        handler();
        return;
    } catch (const ProgramEnd&) {
        // The program has ended itself; the application follows.
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rfadjust: %s failed: %s\n", what, e.what());
    } catch (...) {
        std::fprintf(stderr, "rfadjust: %s failed with an unknown exception\n", what);
    }
    QCoreApplication::quit();
}

QuitWatch::QuitWatch(QObject* parent) : QObject(parent) {
    if (auto* app = QCoreApplication::instance()) app->installEventFilter(this);
}

bool QuitWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        // The quit closes the windows synchronously while this event is being
        // handled. Should another window refuse and the quit be abandoned, the
        // next turn of the event loop clears the flag again.
        quitting_ = true;
        QTimer::singleShot(0, this, [this] { quitting_ = false; });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace rf::shell
