#include "gui/ClipboardPicture.h"

#include <QBuffer>

namespace trevasc {

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
