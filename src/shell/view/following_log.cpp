#include "shell/view/following_log.h"

#include <QScrollBar>
#include <QTextCursor>

#include "shell/view/qt_convert.h"

namespace rf::shell {

namespace {
// How much of the end of the shown log a new text must repeat at the same
// place to count as its continuation. A log cleared and written anew past the
// old length almost never does.
constexpr std::size_t SeamBytes = 64;
}  // namespace

FollowingLog::FollowingLog(QWidget* parent) : QPlainTextEdit(parent) {
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { following_ = value == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (following_) bar->setValue(maximum);
    });
}

void FollowingLog::showLog(const std::string& text) {
    const bool continues =
        text.size() >= bytes_ && text.compare(bytes_ - seam_.size(), seam_.size(), seam_) == 0;
    if (continues && text.size() == bytes_) return;
    std::size_t from = 0;
    if (continues) {
        from = bytes_;
        // The "\n" of a "\r\n" whose "\r" ended the last text: that break is shown.
        if (endsInCr_ && text[from] == '\n') ++from;
    } else {
        heldBreak_ = false;
    }
    bytes_ = text.size();
    const std::size_t seam = std::min(bytes_, SeamBytes);
    seam_.assign(text, bytes_ - seam, seam);
    endsInCr_ = !text.empty() && text.back() == '\r';

    QString added = qtText(text.substr(from));
    added.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    added.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (heldBreak_ && !added.isEmpty()) added.prepend(QLatin1Char('\n'));
    if (!added.isEmpty()) heldBreak_ = added.endsWith(QLatin1Char('\n'));
    if (heldBreak_) added.chop(1);

    if (!continues) {
        setPlainText(added);
    } else if (!added.isEmpty()) {
        // Appended rather than set as a whole, which would redraw the view and
        // lose the operator's selection.
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        end.insertText(added);
    } else {
        return;  // only the break held back changed: nothing new to show
    }
    followEnd();
}

// Puts the caret after the last character and the last line in view.
void FollowingLog::followEnd() {
    following_ = true;
    moveCursor(QTextCursor::End);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace rf::shell
