#pragma once
// The 2-D map as a picture: the map window's off-screen picture, its "Copy as Bitmap" and the
// PNG of the batch tool.
#include <QColor>
#include <QImage>
#include <QSize>
#include <string>

#include "plot/TwoDPlot.h"

namespace trevasc {

// Font and background of a map picture.
struct MapImageStyle {
    QColor Background = Qt::white;
    std::string FontName = "Arial";
    int FontSize = 36;  // points at the image's 96 dpi
    char DecimalSeparator = '.';
};

// The size "Copy as Bitmap" draws at: 2400 pixels wide and as high as the drawing area's
// aspect asks (2400 * height / width); an empty area gives the default 2400 x 1800.
QSize MapBitmapSize(int areaWidth, int areaHeight);

// A width x height picture of the map on the style's background, drawn with DrawTwoDPlot at
// the origin; `result` receives what the engine decided (the plot area for the readout).
// Throws TrevascError when the image cannot be allocated. A cancelled drawing leaves the bare
// background (result->Drawn false).
QImage RenderMapImage(const plot::T2dPlotDataset& dataset, plot::TMapScale scale, int width,
                      int height, const MapImageStyle& style,
                      plot::TwoDPlotResult* result = nullptr,
                      const plot::MapProgressCallback& progress = {});

}  // namespace trevasc
