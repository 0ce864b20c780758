#pragma once

#include <QObject>
#include <functional>

namespace rf::shell {

// Runs the program's handler of an operator's action from inside Qt's signal
// dispatch. Qt cannot carry exceptions through its event loop, so nothing
// leaves: ProgramEnd (the program has decided to end) quits the application;
// any other exception is reported on stderr with `what` and its reason, and
// quits the application too.
void callGuarded(const char* what, const std::function<void()>& handler);

// Tells a window that ignores its close event (the program decides about
// closing) whether the application is quitting right now. In Qt 6,
// QCoreApplication::quit() first closes every top-level window and gives up
// if one of them refuses; a window that sees quitting() lets itself be closed
// instead of asking the program, so the quit goes through.
class QuitWatch : public QObject {
  public:
    explicit QuitWatch(QObject* parent = nullptr);
    bool quitting() const { return quitting_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool quitting_ = false;
};

}  // namespace rf::shell
