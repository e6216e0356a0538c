#include "plot/PlotMapping.h"

#include <cmath>

namespace trevasc::plot {

TWorldPoint PixelToWorld(int32_t px, int32_t py, const TPlotArea& area) {
    TWorldPoint w;
    // The pixel differences are integers; the rest is floating point.
    // On a descending axis XMax sits at the left edge.
    const double leftX = area.XDescending ? area.XMax : area.XMin;
    const double rightX = area.XDescending ? area.XMin : area.XMax;
    if (px < area.Left) {
        w.X = leftX;
    } else if (px > area.Right) {
        w.X = rightX;
    } else if (area.Right == area.Left) {
        w.X = leftX;
    } else {
        w.X = leftX + (rightX - leftX) * static_cast<double>(px - area.Left) /
                          static_cast<double>(area.Right - area.Left);
    }
    if (py < area.Top) {
        w.Y = area.YMax;
    } else if (py > area.Bottom) {
        w.Y = area.YMin;
    } else if (area.Bottom == area.Top) {
        w.Y = area.YMin;
    } else {
        w.Y = area.YMin + (area.YMax - area.YMin) * static_cast<double>(area.Bottom - py) /
                              static_cast<double>(area.Bottom - area.Top);
    }
    return w;
}

int32_t TAxisMapping::YToPixel(double y) const {
    if (LogY) {
        if (!(y > 0.0)) return Bottom;
        return AxisValueToPixel(std::log10(y));
    }
    return AxisValueToPixel(y);
}

bool TAxisMapping::Drawable() const {
    const double xw = XMax - XMin, yw = YMax - YMin;
    return Right > Left && Bottom > Top && std::isfinite(xw) && xw > 0.0 && std::isfinite(yw) &&
           yw > 0.0;
}

}  // namespace trevasc::plot
