#pragma once
// The scan chart (XRD Plot window, printing, clipboard, PNG) and the peak-fit chart.
#include "plot/Canvas.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

// Draws the chart into the rectangle (originX, originY, width, height) with the canvas's
// current font as base font (its size is the base size S) and hands back the mapping used.
// A plotting area smaller than the margins draws nothing; a zero-width x range or an empty y
// range draws frame and titles but no curves, markers or ticks. The font may be changed on
// return (callers set it before every call).
void DrawXrdPlot(Canvas& canvas, int originX, int originY, int width, int height,
                 const TPlotDataset& dataset, TPlotArea& area);

// The same chart without overlays, plus the fit overlay: fitted curve, background line, centre
// line, half-maximum line and the two background boundary lines.
void DrawFitPlot(Canvas& canvas, int originX, int originY, int width, int height,
                 const TFitOverlay& fit, const TPlotDataset& dataset, TPlotArea& area);

}  // namespace trevasc::plot
