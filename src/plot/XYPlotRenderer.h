#pragma once
// The scatter chart with a fitted straight line (Nelson-Riley window).
#include "plot/Canvas.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

// Draws the curves, the pairs as filled circles and (ShowLine) the line y = Slope * x + Intercept
// over the rounded x range (the exact range with TightX), with the same layout and axis scheme as
// DrawXrdPlot. Without points (or with an area smaller than the margins) no curves and no axes
// are drawn.
void DrawXYPlot(Canvas& canvas, int originX, int originY, int width, int height,
                const TPlotXYDataset& dataset);
// The same, and the mapping of the drawing for mouse clicks (PixelToWorld).
void DrawXYPlot(Canvas& canvas, int originX, int originY, int width, int height,
                const TPlotXYDataset& dataset, TPlotArea& area);

}  // namespace trevasc::plot
