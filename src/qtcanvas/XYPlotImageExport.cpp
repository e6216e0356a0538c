#include "qtcanvas/XYPlotImageExport.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "base/Error.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

void DrawXYExportChart(plot::Canvas& canvas, int width, int height,
                       const plot::TPlotXYDataset& dataset) {
    const int m = PrepareExportCanvas(canvas);
    plot::DrawXYPlot(canvas, m, m, width - 2 * m, height - 2 * m, dataset);
}

QImage RenderXYPlotImage(const plot::TPlotXYDataset& dataset, int width, int height,
                         char decimalSeparator) {
    return DrawExportImage(width, height, decimalSeparator, [&](plot::Canvas& canvas) {
        DrawXYExportChart(canvas, width, height, dataset);
    });
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
