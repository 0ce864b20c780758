#include "shots/render_png.h"

#include <QCoreApplication>
#include <QLayout>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace rf::demo {

namespace {
constexpr int CaptionHeight = 30;
const QColor CaptionBack(45, 62, 88);
const QColor CaptionText(255, 255, 255);
}  // namespace

QImage renderWindow(QWidget& window, bool withCaption) {
    // Lay out anything still pending so the picture matches the window.
    window.ensurePolished();
    if (QLayout* layout = window.layout()) layout->activate();
    QCoreApplication::sendPostedEvents();
    const QImage contents = window.grab().toImage();
    if (!withCaption) return contents;

    const qreal dpr = contents.devicePixelRatio();
    const int width = contents.width();
    const int caption = static_cast<int>(CaptionHeight * dpr);
    QImage image(width, contents.height() + caption, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(CaptionBack);
    QPainter p(&image);
    QFont font("Arial", 10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(CaptionText);
    p.drawText(QRectF(10, 0, width / dpr - 20, CaptionHeight), Qt::AlignVCenter | Qt::AlignLeft,
               window.windowTitle());
    p.drawImage(QPointF(0, CaptionHeight), contents);
    return image;
}

bool saveWindowPng(QWidget& window, const QString& path, bool withCaption) {
    return renderWindow(window, withCaption).save(path, "PNG");
}

}  // namespace rf::demo
