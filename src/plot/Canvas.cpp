#include "plot/Canvas.h"

#include <algorithm>
#include <utility>

namespace trevasc::plot {

template <typename T>
void Canvas::Set(T TCanvasState::*member, T value, TCanvasStateItem item) {
    const bool changed = !(state_.*member == value);
    state_.*member = std::move(value);
    StateChanged(item, changed);
}

void Canvas::SetFontName(const std::string& name) {
    Set(&TCanvasState::FontName, name, TCanvasStateItem::FontName);
}

void Canvas::SetFontSize(int points) {
    Set(&TCanvasState::FontSize, std::max(1, points), TCanvasStateItem::FontSize);
}

void Canvas::SetFontBold(bool bold) {
    Set(&TCanvasState::FontBold, bold, TCanvasStateItem::FontBold);
}

void Canvas::SetFontColor(TColor color) {
    Set(&TCanvasState::FontColor, color, TCanvasStateItem::FontColor);
}

void Canvas::SetPenColor(TColor color) {
    Set(&TCanvasState::PenColor, color, TCanvasStateItem::PenColor);
}

void Canvas::SetPenWidth(int width) {
    Set(&TCanvasState::PenWidth, std::max(1, width), TCanvasStateItem::PenWidth);
}

void Canvas::SetBrushColor(TColor color) {
    Set(&TCanvasState::BrushColor, color, TCanvasStateItem::BrushColor);
}

void Canvas::SetBrushClear(bool clear) {
    Set(&TCanvasState::BrushClear, clear, TCanvasStateItem::BrushClear);
}

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
