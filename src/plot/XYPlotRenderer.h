#pragma once
// The scatter chart with a fitted straight line (Nelson-Riley window).
#include "plot/Canvas.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

// Draws the pairs as filled circles and the line y = Slope * x + Intercept over the rounded x
// range, with the same layout and axis scheme as DrawXrdPlot. Without pairs (or with an area
// smaller than the margins) no points and no axes are drawn.
void DrawXYPlot(Canvas& canvas, int originX, int originY, int width, int height,
                const TPlotXYDataset& dataset);

}  // namespace trevasc::plot
