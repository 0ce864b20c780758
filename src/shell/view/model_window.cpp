#include "shell/view/model_window.h"

#include <QCloseEvent>

#include "shell/view/event_guard.h"

namespace rf::shell {

ModelWindow::ModelWindow(QWidget& window, const char* what, std::function<void()> closed,
                         std::function<void()> sync)
    : window_(window),
      what_(what),
      closed_(std::move(closed)),
      sync_(std::move(sync)),
      quitWatch_(new QuitWatch(&window)) {}

bool ModelWindow::follow(bool visible, int asked) {
    const bool showOrHide = !followed_ || visible_ != visible;
    const bool toFront = visible && asked_ != asked;
    followed_ = true;
    visible_ = visible;
    asked_ = asked;
    if (showOrHide) window_.setVisible(visible);
    if (toFront) {
        window_.raise();
        window_.activateWindow();
    }
    return toFront;
}

void ModelWindow::close(QCloseEvent& event) {
    if (quitWatch_->quitting()) {
        event.accept();
        return;
    }
    event.ignore();
    QPointer<QWidget> alive(&window_);
    callGuarded(what_, [this] {
        if (closed_) closed_();
    });
    if (alive && sync_) sync_();
}

}  // namespace rf::shell
