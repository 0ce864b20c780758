#pragma once

#include <QPlainTextEdit>
#include <cstddef>
#include <string>

namespace rf::shell {

// The logger text box. While it shows its last line it keeps showing it: when
// lines are added, and when the box is laid out anew (the window shown,
// resized, or the font giving lines of another height). Once the operator
// scrolls back it stays where it was put, until the next line is logged.
//
// It shows the log with plain line breaks ("\r\n" and a lone "\r" alike) and
// without the break after the last line, so that the newest line sits at the
// bottom of the view.
class FollowingLog : public QPlainTextEdit {
  public:
    explicit FollowingLog(QWidget* parent = nullptr);

    // Shows the log `text`. The log is only ever appended to or cleared, so
    // only what was added since the last call is converted and appended; a
    // text that does not continue the last one (shorter, or cleared and
    // written anew) replaces it. Neither case reads the text already shown.
    void showLog(const std::string& text);

  private:
    void followEnd();

    bool following_ = true;
    std::size_t bytes_ = 0;   // of the log shown
    std::string seam_;        // its last bytes: the new text must carry them at the same place
    bool heldBreak_ = false;  // the shown text's last line break, not drawn
    bool endsInCr_ = false;   // a "\n" that comes next completes that break
};

}  // namespace rf::shell
