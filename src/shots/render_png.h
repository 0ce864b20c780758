#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace rf::demo {

// Renders a window as it is laid out now (QWidget::grab()). The window system
// draws the title bar, not the window, so with `withCaption` a plain title
// strip carrying the window's caption is drawn above the contents.
QImage renderWindow(QWidget& window, bool withCaption = true);

// renderWindow() written to a PNG file; false when the file cannot be written.
bool saveWindowPng(QWidget& window, const QString& path, bool withCaption = true);

}  // namespace rf::demo
