#include "qtcanvas/QPainterCanvas.h"

#include <QImage>
#include <QLine>
#include <QPaintDevice>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <vector>

namespace trevasc {

namespace {

QColor ToQColor(plot::TColor c) {
    return QColor(plot::RedOf(c), plot::GreenOf(c), plot::BlueOf(c));
}

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter, char decimalSeparator)
    : painter_(painter), decimalSeparator_(decimalSeparator) {
    if (QPaintDevice* device = painter_.device()) dpi_ = std::max(1, device->logicalDpiY());
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    ApplyFont();
    ApplyPen();
    ApplyBrush();
}

void QPainterCanvas::ApplyFont() {
    font_ = QFont(ToQString(FontName()));
    // Points to device pixels with the device's resolution (12 pt at 96 dpi = 16 pixels).
    const int pixels = std::max(1, static_cast<int>(std::lround(FontSize() * dpi_ / 72.0)));
    font_.setPixelSize(pixels);
    font_.setBold(FontBold());
    font_.setItalic(false);
    font_.setUnderline(false);
    font_.setStrikeOut(false);
    painter_.setFont(font_);
    metrics_.reset();
}

void QPainterCanvas::ApplyPen() {
    QPen pen(ToQColor(PenColor()));
    pen.setWidth(PenWidth());
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
}

void QPainterCanvas::ApplyBrush() {
    if (BrushClear()) {
        painter_.setBrush(Qt::NoBrush);
    } else {
        painter_.setBrush(ToQColor(BrushColor()));
    }
}

const QFontMetrics& QPainterCanvas::Metrics() const {
    if (!metrics_) metrics_.emplace(font_, painter_.device());
    return *metrics_;
}

void QPainterCanvas::StateChanged(plot::TCanvasStateItem item, bool changed) {
    using Item = plot::TCanvasStateItem;
    switch (item) {
        case Item::FontName:
            ApplyFont();
            break;
        case Item::FontSize:
        case Item::FontBold:
            // A new font costs new metrics: only for a new size or weight.
            if (changed) ApplyFont();
            break;
        case Item::FontColor:
            break;  // text takes it when drawn
        case Item::PenColor:
        case Item::PenWidth:
            ApplyPen();
            break;
        case Item::BrushColor:
        case Item::BrushClear:
            ApplyBrush();
            break;
    }
}

void QPainterCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    // A line of no length draws nothing (as on the window systems the charts come from); a
    // wide square-capped pen would otherwise stamp a square that no neighbour segment has.
    if (to != current_) painter_.drawLine(current_, to);
    current_ = to;
}

void QPainterCanvas::Polyline(const plot::TPixelPoint* points, size_t count) {
    if (count == 0) return;
    // Separate segments in one call: each is drawn exactly as LineTo draws it, so a polyline
    // has the same pixels as the move-to/line-to sequence, also for wide pens.
    std::vector<QLine> lines;
    lines.reserve(count);
    for (size_t i = 1; i < count; ++i)
        if (!(points[i] == points[i - 1]))
            lines.emplace_back(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
    if (!lines.empty()) painter_.drawLines(lines.data(), static_cast<int>(lines.size()));
    current_ = QPoint(points[count - 1].X, points[count - 1].Y);
}

void QPainterCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    painter_.drawRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void QPainterCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    painter_.drawEllipse(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void QPainterCanvas::TextOut(int x, int y, const std::string& text) {
    if (text.empty()) return;
    painter_.save();
    painter_.setPen(ToQColor(FontColor()));
    painter_.drawText(QPoint(x, y + Metrics().ascent()), ToQString(text));
    painter_.restore();
}

void QPainterCanvas::TextOutVertical(int x, int y, const std::string& text) {
    if (text.empty()) return;
    painter_.save();
    painter_.setPen(ToQColor(FontColor()));
    painter_.translate(x, y);
    painter_.rotate(-90.0);  // counter-clockwise: the text runs upwards from (x, y)
    painter_.drawText(QPoint(0, Metrics().ascent()), ToQString(text));
    painter_.restore();
}

int QPainterCanvas::TextWidth(const std::string& text) const {
    return Metrics().horizontalAdvance(ToQString(text));
}

int QPainterCanvas::TextHeight(const std::string&) const {
    return Metrics().height();
}

void QPainterCanvas::DrawPixels(int x, int y, int width, int height, const plot::TColor* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return;
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        const plot::TColor* src = pixels + static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int col = 0; col < width; ++col)
            line[col] =
                qRgb(plot::RedOf(src[col]), plot::GreenOf(src[col]), plot::BlueOf(src[col]));
    }
    painter_.drawImage(QPoint(x, y), image);
}

void QPainterCanvas::SetClipRect(int x1, int y1, int x2, int y2) {
    painter_.setClipRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void QPainterCanvas::ClearClipRect() {
    painter_.setClipping(false);
}

}  // namespace trevasc
