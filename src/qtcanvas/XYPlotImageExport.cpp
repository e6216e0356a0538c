#include "qtcanvas/XYPlotImageExport.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "base/Error.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

void DrawXYExportChart(plot::Canvas& canvas, int width, int height,
                       const plot::TPlotXYDataset& dataset) {
    canvas.SetFontName("Arial");
    canvas.SetFontSize(14);
    canvas.SetFontBold(false);
    canvas.SetFontColor(0x000000);
    canvas.SetPenColor(0x000000);
    canvas.SetBrushColor(0xFFFFFF);
    const int m = canvas.TextWidth("M");
    plot::DrawXYPlot(canvas, m, m, width - 2 * m, height - 2 * m, dataset);
}

QImage RenderXYPlotImage(const plot::TPlotXYDataset& dataset, int width, int height,
                         char decimalSeparator) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0)
        throw TrevascError("An image of " + size + " pixels cannot be created.");
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw TrevascError("Not enough memory for an image of " + size + " pixels.");
    image.setDotsPerMeterX(3780);  // 96 dpi, independent of the screen
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPainterCanvas canvas(painter, decimalSeparator);
    DrawXYExportChart(canvas, width, height, dataset);
    painter.end();
    return image;
}

QByteArray RenderXYPlotSvg(const plot::TPlotXYDataset& dataset, int width, int height,
                           char decimalSeparator) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    // QSvgGenerator needs both the size and the view box.
    generator.setSize(QSize(width, height));
    generator.setViewBox(QRect(0, 0, width, height));
    generator.setTitle("NelsonRileyPlot");
    generator.setDescription("XRD NelsonRileyPlot");
    QPainter painter(&generator);
    painter.fillRect(QRect(0, 0, width, height), Qt::white);
    QPainterCanvas canvas(painter, decimalSeparator);
    DrawXYExportChart(canvas, width, height, dataset);
    painter.end();
    return bytes;
}

}  // namespace trevasc
