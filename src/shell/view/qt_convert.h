#pragma once

#include <QColor>
#include <QString>
#include <string>

#include "shell/main_window_model.h"

namespace rf::shell {

inline QString qtText(const std::string& text) {
    return QString::fromStdString(text);
}

inline QColor qtColor(Color c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace rf::shell
