#include "qtcanvas/MapImageExport.h"

#include <QPainter>
#include <algorithm>

#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

QSize MapBitmapSize(int areaWidth, int areaHeight) {
    constexpr int kWidth = 2400;
    if (areaWidth <= 0 || areaHeight <= 0) return {kWidth, 1800};
    const long long height = static_cast<long long>(kWidth) * areaHeight / areaWidth;
    // A sliver of a window would ask for an image too large or too flat to hold a map.
    return {kWidth, static_cast<int>(std::clamp<long long>(height, 1, 10 * kWidth))};
}

QImage RenderMapImage(const plot::T2dPlotDataset& dataset, plot::TMapScale scale, int width,
                      int height, const MapImageStyle& style, plot::TwoDPlotResult* result,
                      const plot::MapProgressCallback& progress) {
    QImage image = BlankExportImage(width, height);
    image.fill(style.Background);
    QPainter painter(&image);
    QPainterCanvas canvas(painter, style.DecimalSeparator);
    canvas.SetFontName(style.FontName);
    canvas.SetFontSize(style.FontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetPenColor(0x000000);
    plot::TwoDPlotResult drawn =
        plot::DrawTwoDPlot(canvas, 0, 0, dataset, scale, width, height, progress);
    painter.end();
    if (result != nullptr) *result = std::move(drawn);
    return image;
}

}  // namespace trevasc
