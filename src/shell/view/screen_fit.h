#pragma once

class QWidget;

namespace rf::shell {

// Every window of the tool fits the screen it comes up on, a laptop's
// 1366x768 included, its frame and title bar counted.

// Makes a top-level window no larger than the available geometry of its
// screen (the taskbar left out), its frame included; a window that fits keeps
// its size.
void fitToScreen(QWidget& window);

// Places the main window at the top left of the screen's available geometry
// and `beside` (the simulated recorder's front panel) at its top right. Where
// the main window fits beside it at its least width, it is narrowed so that
// the two do not overlap; otherwise each only fits the screen.
void placeSideBySide(QWidget& main, QWidget& beside);

}  // namespace rf::shell
