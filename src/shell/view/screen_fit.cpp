#include "shell/view/screen_fit.h"

#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace rf::shell {

namespace {

// What the frame adds around a window: known once it is shown, and before
// that a title bar and thin borders allowed for.
QMargins frameOf(const QWidget& window) {
    if (!window.isVisible()) return {4, 32, 4, 4};
    const QRect frame = window.frameGeometry(), inner = window.geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

}  // namespace

void fitToScreen(QWidget& window) {
    if (const QScreen* screen = window.screen())
        window.resize(
            window.size().boundedTo(screen->availableGeometry().size().shrunkBy(frameOf(window))));
}

void placeSideBySide(QWidget& main, QWidget& beside) {
    const QScreen* screen = main.screen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    fitToScreen(main);
    // A window not yet shown takes its size hint when it comes up.
    const QMargins besideFrame = frameOf(beside);
    beside.resize((beside.isVisible() ? beside.size() : beside.sizeHint())
                      .boundedTo(room.size().shrunkBy(besideFrame)));
    const int besideWidth = beside.width() + besideFrame.left() + besideFrame.right();
    const QMargins mainFrame = frameOf(main);
    const int mainWidth = room.width() - besideWidth - mainFrame.left() - mainFrame.right();
    if (mainWidth >= main.minimumWidth())
        main.resize(std::min(main.width(), mainWidth), main.height());
    main.move(room.topLeft());
    beside.move(room.right() + 1 - besideWidth, room.top());
}

}  // namespace rf::shell
