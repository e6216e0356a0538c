#include "plot/Canvas.h"

namespace trevasc::plot {

void Canvas::TextOutVerticalOpaque(int x, int y, const std::string& text, TColor background) {
    const TColor pen = PenColor(), brush = BrushColor();
    const bool clear = BrushClear();
    SetPenColor(background);
    SetBrushColor(background);
    SetBrushClear(false);
    Rectangle(x, y - TextWidth(text), x + TextHeight(text), y);
    SetPenColor(pen);
    SetBrushColor(brush);
    SetBrushClear(clear);
    TextOutVertical(x, y, text);
}

void Canvas::Polyline(const TPixelPoint* points, size_t count) {
    if (count == 0) return;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < count; ++i) LineTo(points[i].X, points[i].Y);
}

}  // namespace trevasc::plot
