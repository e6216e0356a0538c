#include "qtcanvas/PlotImageExport.h"

#include <QLocale>
#include <QPainter>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "plot/PngWriter.h"
#include "plot/XrdPlotRenderer.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

char UserDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x80 ? point.at(0).toLatin1() : '.';
}

int PrepareExportCanvas(plot::Canvas& canvas) {
    canvas.SetFontName("Arial");
    canvas.SetFontSize(14);
    canvas.SetFontBold(false);
    canvas.SetFontColor(0x000000);
    canvas.SetPenColor(0x000000);
    canvas.SetBrushColor(0xFFFFFF);
    return canvas.TextWidth("M");
}

void DrawXrdExportChart(plot::Canvas& canvas, int width, int height,
                        const plot::TPlotDataset& dataset) {
    const int m = PrepareExportCanvas(canvas);
    plot::TPlotArea area;
    plot::DrawXrdPlot(canvas, m, m, width - 2 * m, height - 2 * m, dataset, area);
}

QImage BlankExportImage(int width, int height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0)
        throw TrevascError("An image of " + size + " pixels cannot be created.");
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw TrevascError("Not enough memory for an image of " + size + " pixels.");
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
}

QImage DrawExportImage(int width, int height, char decimalSeparator,
                       const std::function<void(plot::Canvas&)>& draw, QColor background) {
    QImage image = BlankExportImage(width, height);
    if (background != Qt::white) image.fill(background);
    QPainter painter(&image);
    QPainterCanvas canvas(painter, decimalSeparator);
    draw(canvas);
    painter.end();
    return image;
}

QImage RenderFitPlotImage(const plot::TFitOverlay& fit, const plot::TPlotDataset& dataset,
                          int width, int height, char decimalSeparator) {
    return DrawExportImage(width, height, decimalSeparator, [&](plot::Canvas& canvas) {
        const int m = PrepareExportCanvas(canvas);
        plot::TPlotArea area;
        plot::DrawFitPlot(canvas, m, m, width - 2 * m, height - 2 * m, fit, dataset, area);
    });
}

QImage RenderXrdPlotImage(const plot::TPlotDataset& dataset, int width, int height,
                          char decimalSeparator) {
    return DrawExportImage(width, height, decimalSeparator, [&](plot::Canvas& canvas) {
        DrawXrdExportChart(canvas, width, height, dataset);
    });
}

std::string ImagePng(const QImage& image) {
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) throw TrevascError("Not enough memory to write the image.");
    return plot::EncodePng(rgb.width(), rgb.height(), rgb.constBits(),
                           static_cast<size_t>(rgb.bytesPerLine()), plot::TPixelLayout::Xrgb32);
}

void WriteImagePng(const QImage& image, const std::string& fileName) {
    WriteFileAtomic(fileName, ImagePng(image));
}

void RenderXrdPlotToPng(const plot::TPlotDataset& dataset, int width, int height,
                        const std::string& fileName, char decimalSeparator) {
    WriteImagePng(RenderXrdPlotImage(dataset, width, height, decimalSeparator), fileName);
}

}  // namespace trevasc
