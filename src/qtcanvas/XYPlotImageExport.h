#pragma once
// The Nelson-Riley chart as a picture: the clipboard picture and image of the Nelson-Riley window
// and the PNG of the batch tool.
#include <QByteArray>
#include <QImage>
#include <string>

#include "plot/Canvas.h"
#include "plot/PlotTypes.h"

namespace trevasc {

// Draws the chart as the clipboard copy does, on a canvas that is already white: font "Arial"
// 14 pt, black, margin m = width of "M" on every side.
void DrawXYExportChart(plot::Canvas& canvas, int width, int height,
                       const plot::TPlotXYDataset& dataset);
// A white width x height image of the chart. Throws TrevascError when it cannot be allocated.
QImage RenderXYPlotImage(const plot::TPlotXYDataset& dataset, int width, int height,
                         char decimalSeparator = '.');
// The chart as an SVG document (the vector picture of the clipboard copy).
QByteArray RenderXYPlotSvg(const plot::TPlotXYDataset& dataset, int width, int height,
                           char decimalSeparator = '.');

}  // namespace trevasc
