#pragma once
// Plot colours (0x00BBGGRR, low byte red) to and from QColor.
#include <QColor>

#include "plot/PlotTypes.h"

namespace trevasc {

inline QColor QColorFromPlotColor(plot::TColor color) {
    return QColor(plot::RedOf(color), plot::GreenOf(color), plot::BlueOf(color));
}

// The alpha channel has no place in a plot colour and is dropped.
inline plot::TColor PlotColorFromQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return plot::RGBColor(rgb.red(), rgb.green(), rgb.blue());
}

}  // namespace trevasc
