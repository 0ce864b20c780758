#include "shell/view/error_rate_bar.h"

#include <QPainter>

#include "shell/view/qt_convert.h"

namespace rf::shell {

namespace {
constexpr int Border = 3;  // the dark panel around the segments
constexpr int Gap = 2;     // between two segments
const QColor Panel(40, 40, 40);
}  // namespace

ErrorRateBar::ErrorRateBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void ErrorRateBar::setColors(const Colors& colors) {
    if (colors == colors_) return;
    colors_ = colors;
    update();
}

QRect ErrorRateBar::segmentRect(int index) const {
    const QRect inner = rect().adjusted(Border, Border, -Border, -Border);
    // Spread the rounding over the segments so that the column fills the bar.
    const double pitch = (inner.height() + Gap) / static_cast<double>(Segments);
    const int fromBottom = index;
    const int bottom = inner.bottom() - static_cast<int>(fromBottom * pitch + 0.5);
    const int top = inner.bottom() - static_cast<int>((fromBottom + 1) * pitch + 0.5) + Gap + 1;
    return QRect(QPoint(inner.left(), top), QPoint(inner.right(), bottom));
}

QSize ErrorRateBar::sizeHint() const {
    return {36, Segments * 14};
}

QSize ErrorRateBar::minimumSizeHint() const {
    return {20, Segments * 6};
}

void ErrorRateBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Panel);
    for (int i = 0; i < Segments; ++i)
        p.fillRect(segmentRect(i), qtColor(colors_[static_cast<std::size_t>(i)]));
}

}  // namespace rf::shell
