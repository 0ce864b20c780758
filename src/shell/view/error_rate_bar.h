#pragma once

#include <QWidget>
#include <array>

#include "shell/main_window_model.h"

namespace rf::shell {

// One bar of the error-rate panel: a column of segments, segment 0 at the
// bottom, each filled with the colour the model gives it (black is unlit).
class ErrorRateBar : public QWidget {
  public:
    static constexpr int Segments = 18;
    using Colors = std::array<Color, Segments>;

    explicit ErrorRateBar(QWidget* parent = nullptr);

    void setColors(const Colors& colors);
    const Colors& colors() const { return colors_; }

    // Where segment `index` is drawn, in the widget's coordinates.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Colors colors_{};
};

}  // namespace rf::shell
