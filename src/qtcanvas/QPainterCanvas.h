#pragma once
// plot::Canvas on a QPainter: widgets, QImage, QPrinter and QSvgGenerator.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <optional>
#include <string>

#include "plot/Canvas.h"

namespace trevasc {

// Chart lines are drawn without antialiasing (a 1-pixel line on whole pixels stays one pixel);
// text keeps its antialiasing. Font sizes in points become pixels with the paint device's
// logical resolution, so a 1200 dpi printer page gets proportionally larger text, margins and
// line widths. Texts are UTF-8.
class QPainterCanvas : public plot::Canvas {
  public:
    explicit QPainterCanvas(QPainter& painter, char decimalSeparator = '.');

    void MoveTo(int x, int y) override { current_ = QPoint(x, y); }
    void LineTo(int x, int y) override;
    void Polyline(const plot::TPixelPoint* points, size_t count) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextOutVertical(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) const override;
    int TextHeight(const std::string& text) const override;
    void DrawPixels(int x, int y, int width, int height, const plot::TColor* pixels) override;
    void SetClipRect(int x1, int y1, int x2, int y2) override;
    void ClearClipRect() override;
    char DecimalSeparator() const override { return decimalSeparator_; }

    // Pixels per point of the paint device (logical resolution / 72).
    double PixelsPerPoint() const { return dpi_ / 72.0; }

  protected:
    void StateChanged(plot::TCanvasStateItem item, bool changed) override;

  private:
    void ApplyFont();
    void ApplyPen();
    void ApplyBrush();
    const QFontMetrics& Metrics() const;

    QPainter& painter_;
    char decimalSeparator_;
    int dpi_ = 96;
    QFont font_;
    mutable std::optional<QFontMetrics> metrics_;
    QPoint current_;
};

}  // namespace trevasc
