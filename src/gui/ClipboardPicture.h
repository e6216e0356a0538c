#pragma once
// A picture for the clipboard: the vector form as SVG and the bitmap as PNG, in one QMimeData.
#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <memory>

namespace trevasc {

std::unique_ptr<QMimeData> PictureMimeData(const QByteArray& svg, const QImage& image);

}  // namespace trevasc
