#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QCloseEvent;

namespace rf::shell {

class QuitWatch;

// A window the program opens, brings to the front and closes through its
// model (a result, level-curve, verdict or history window): it follows the
// model's `visible` and `asked`, and leaves the operator's close to the
// program.
class ModelWindow {
  public:
    // `closed` tells the program the operator closed the window (`what`
    // names it should that fail); `sync` applies the model again afterwards.
    ModelWindow(QWidget& window, const char* what, std::function<void()> closed,
                std::function<void()> sync);

    // Shows or hides the window when `visible` changed (and the first time),
    // and raises and activates it each time the program asks anew (`asked`
    // changed while visible); true when it did the latter.
    bool follow(bool visible, int asked);
    // Whether follow() has run: the window has been synced once.
    bool followed() const { return followed_; }

    // The window's close event: accepted while the application quits;
    // otherwise refused, the program told, and the window (if the program
    // left it standing) synced to what the program decided.
    void close(QCloseEvent& event);

  private:
    QWidget& window_;
    const char* what_;
    std::function<void()> closed_, sync_;
    QuitWatch* quitWatch_;  // a child of the window
    bool followed_ = false, visible_ = false;
    int asked_ = 0;
};

}  // namespace rf::shell
