#pragma once

#include <QSize>
#include <QWidget>
#include <cmath>

namespace calc {

/// A length laid out for 96 dots per inch, in the widget's pixels at its screen's resolution.
[[nodiscard]] inline int DesignPixels(const QWidget& widget, int value)
{
    return static_cast<int>(std::lround(value * widget.logicalDpiY() / 96.0));
}

[[nodiscard]] inline QSize DesignPixels(const QWidget& widget, QSize size)
{
    return {DesignPixels(widget, size.width()), DesignPixels(widget, size.height())};
}

} // namespace calc
