#pragma once
// A picture for the clipboard: the vector form as SVG and the bitmap as PNG, in one QMimeData.
#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSize>
#include <functional>
#include <memory>

namespace trevasc {

// An SVG picture of the given size (the view box matches it), drawn by `draw` at `dpi`, with
// the title "XRD Plot" and the description "XRDPlot".
QByteArray DrawSvgPicture(QSize size, int dpi, const std::function<void(QPainter&)>& draw);

std::unique_ptr<QMimeData> PictureMimeData(const QByteArray& svg, const QImage& image);

}  // namespace trevasc
