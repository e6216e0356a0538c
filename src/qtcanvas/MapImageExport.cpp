#include "qtcanvas/MapImageExport.h"

#include <algorithm>

#include "qtcanvas/PlotImageExport.h"

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
    plot::TwoDPlotResult drawn;
    QImage image = DrawExportImage(
        width, height, style.DecimalSeparator,
        [&](plot::Canvas& canvas) {
            canvas.SetFontName(style.FontName);
            canvas.SetFontSize(style.FontSize);
            canvas.SetFontColor(0x000000);
            canvas.SetPenColor(0x000000);
            drawn = plot::DrawTwoDPlot(canvas, 0, 0, dataset, scale, width, height, progress);
        },
        style.Background);
    if (result != nullptr) *result = std::move(drawn);
    return image;
}

}  // namespace trevasc
