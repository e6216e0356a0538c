#include "gui/plot/XYChartOutput.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QScreen>

#include "base/Error.h"
#include "gui/plot/ClipboardPicture.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/QPainterCanvas.h"
#include "qtcanvas/XYPlotImageExport.h"

namespace trevasc {

namespace {
constexpr int kPrintMeasureFontSize = 20;  // the margins are measured in this size
constexpr int kExportFontSize = 14;        // the chart's text on paper
}  // namespace

void PrintXYChart(QPrinter& printer, const QString& docName, const plot::TPlotXYDataset& chart,
                  char decimalSeparator) {
    printer.setDocName(docName);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) throw TrevascError("The printer could not be started.");
    QPainterCanvas canvas(painter, decimalSeparator);
    canvas.SetFontName("Arial");
    canvas.SetFontSize(kPrintMeasureFontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetFontBold(false);
    canvas.SetPenColor(0x000000);
    const int m = canvas.TextWidth("MM");
    const int h = canvas.TextHeight("Äg");
    canvas.SetFontSize(kExportFontSize);
    plot::DrawXYPlot(canvas, m, m + h, printer.width() - 2 * m, printer.height() - (m + h) - m,
                     chart);
    painter.end();
}

std::unique_ptr<QMimeData> XYChartMimeData(const plot::TPlotXYDataset& chart,
                                           char decimalSeparator) {
    if (chart.Count() == 0) return nullptr;
    QSize size(1024, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) size = screen->size();
    return PictureMimeData(RenderXYPlotSvg(chart, size.width(), size.height(), decimalSeparator),
                           RenderXYPlotImage(chart, size.width(), size.height(), decimalSeparator));
}

}  // namespace trevasc
