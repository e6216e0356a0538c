#include "gui/plot/ClipboardPicture.h"

#include <QBuffer>
#include <QSvgGenerator>

namespace trevasc {

QByteArray DrawSvgPicture(QSize size, int dpi, const std::function<void(QPainter&)>& draw) {
    QByteArray svg;
    QBuffer svgBuffer(&svg);
    svgBuffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&svgBuffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(dpi);
    generator.setTitle(QStringLiteral("XRD Plot"));
    generator.setDescription(QStringLiteral("XRDPlot"));
    {
        QPainter painter(&generator);
        draw(painter);
    }
    svgBuffer.close();
    return svg;
}

std::unique_ptr<QMimeData> PictureMimeData(const QByteArray& svg, const QImage& image) {
    QByteArray png;
    QBuffer pngBuffer(&png);
    pngBuffer.open(QIODevice::WriteOnly);
    image.save(&pngBuffer, "PNG");

    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/svg+xml"), svg);
    data->setData(QStringLiteral("image/png"), png);
    data->setImageData(image);
    return data;
}

}  // namespace trevasc
