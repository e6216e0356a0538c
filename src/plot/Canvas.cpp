#include "plot/Canvas.h"

namespace trevasc::plot {

void Canvas::Polyline(const TPixelPoint* points, size_t count) {
    if (count == 0) return;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < count; ++i) LineTo(points[i].X, points[i].Y);
}

}  // namespace trevasc::plot
