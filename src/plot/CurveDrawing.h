#pragma once
// Drawing of a curve: its points inside the x window joined in array order.
#include <cstddef>

#include "plot/Canvas.h"
#include "plot/PlotMapping.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

enum class TCurveMode {
    // Per pixel column only the entry point, the lowest, the highest and the exit point of the
    // consecutive points falling into it: the same pixels as joining every point, with a
    // number of segments bounded by the width of the area instead of the number of points.
    Decimated,
    // Move to the first point and draw a line to every later one.
    JoinEveryPoint,
};

// Joins the points with XMin <= x <= XMax of the mapping (points outside are skipped and the
// line continues from the last drawn point to the next drawn one; points with a non-finite y
// are skipped the same way), mapped with the mapping's y axis. Uses the canvas's current pen.
void DrawCurve(Canvas& canvas, const TAxisMapping& mapping, const TPlotPoint* points, size_t count,
               TCurveMode mode = TCurveMode::Decimated);

}  // namespace trevasc::plot
