#include "plot/RecordingCanvas.h"

#include <cmath>

namespace trevasc::plot {

namespace {
size_t CodePoints(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}
}  // namespace

std::vector<TCanvasOp> RecordingCanvas::OpsOf(TCanvasOpKind kind) const {
    std::vector<TCanvasOp> out;
    for (const auto& op : ops_)
        if (op.Kind == kind) out.push_back(op);
    return out;
}

size_t RecordingCanvas::DrawCount() const {
    size_t n = 0;
    for (const auto& op : ops_) {
        switch (op.Kind) {
            case TCanvasOpKind::Line:
            case TCanvasOpKind::Rectangle:
            case TCanvasOpKind::Ellipse:
            case TCanvasOpKind::Text:
            case TCanvasOpKind::VerticalText:
            case TCanvasOpKind::Pixels:
                ++n;
                break;
            default:
                break;
        }
    }
    return n;
}

TCanvasOp RecordingCanvas::Op(TCanvasOpKind kind) const {
    TCanvasOp op;
    op.Kind = kind;
    op.PenColor = PenColor();
    op.PenWidth = PenWidth();
    op.BrushColor = BrushColor();
    op.BrushClear = BrushClear();
    op.FontColor = FontColor();
    op.FontSize = FontSize();
    op.FontBold = FontBold();
    return op;
}

void RecordingCanvas::StateChanged(TCanvasStateItem item, bool) {
    // Every call is recorded, also one that sets the value already set.
    switch (item) {
        case TCanvasStateItem::FontName: {
            auto op = Op(TCanvasOpKind::FontName);
            op.Text = FontName();
            ops_.push_back(std::move(op));
            break;
        }
        case TCanvasStateItem::FontSize: {
            auto op = Op(TCanvasOpKind::FontSize);
            op.Value = FontSize();
            ops_.push_back(std::move(op));
            break;
        }
        case TCanvasStateItem::FontBold: {
            auto op = Op(TCanvasOpKind::FontBold);
            op.Value = FontBold();
            ops_.push_back(std::move(op));
            break;
        }
        case TCanvasStateItem::FontColor:
            ops_.push_back(Op(TCanvasOpKind::FontColor));
            break;
        case TCanvasStateItem::PenColor:
            ops_.push_back(Op(TCanvasOpKind::PenColor));
            break;
        case TCanvasStateItem::PenWidth: {
            auto op = Op(TCanvasOpKind::PenWidth);
            op.Value = PenWidth();
            ops_.push_back(std::move(op));
            break;
        }
        case TCanvasStateItem::BrushColor:
            ops_.push_back(Op(TCanvasOpKind::BrushColor));
            break;
        case TCanvasStateItem::BrushClear: {
            auto op = Op(TCanvasOpKind::BrushClear);
            op.Value = BrushClear();
            ops_.push_back(std::move(op));
            break;
        }
    }
}

void RecordingCanvas::MoveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
    auto op = Op(TCanvasOpKind::MoveTo);
    op.X1 = x;
    op.Y1 = y;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::LineTo(int x, int y) {
    auto op = Op(TCanvasOpKind::Line);
    op.X1 = curX_;
    op.Y1 = curY_;
    op.X2 = x;
    op.Y2 = y;
    ops_.push_back(std::move(op));
    curX_ = x;
    curY_ = y;
}

void RecordingCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    auto op = Op(TCanvasOpKind::Rectangle);
    op.X1 = x1, op.Y1 = y1, op.X2 = x2, op.Y2 = y2;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    auto op = Op(TCanvasOpKind::Ellipse);
    op.X1 = x1, op.Y1 = y1, op.X2 = x2, op.Y2 = y2;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text) {
    auto op = Op(TCanvasOpKind::Text);
    op.X1 = x, op.Y1 = y, op.Text = text;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::TextOutVertical(int x, int y, const std::string& text) {
    auto op = Op(TCanvasOpKind::VerticalText);
    op.X1 = x, op.Y1 = y, op.Text = text;
    ops_.push_back(std::move(op));
}

int RecordingCanvas::TextWidth(const std::string& text) const {
    return static_cast<int>(
        std::nearbyint(0.6 * FontSize() * scale_ * static_cast<double>(CodePoints(text))));
}

int RecordingCanvas::TextHeight(const std::string&) const {
    return static_cast<int>(std::nearbyint(1.2 * FontSize() * scale_));
}

void RecordingCanvas::DrawPixels(int x, int y, int width, int height, const TColor* pixels) {
    auto op = Op(TCanvasOpKind::Pixels);
    op.X1 = x, op.Y1 = y, op.X2 = x + width, op.Y2 = y + height;
    if (pixels != nullptr && width > 0 && height > 0)
        op.Pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    ops_.push_back(std::move(op));
}

void RecordingCanvas::SetClipRect(int x1, int y1, int x2, int y2) {
    auto op = Op(TCanvasOpKind::ClipRect);
    op.X1 = x1, op.Y1 = y1, op.X2 = x2, op.Y2 = y2;
    ops_.push_back(std::move(op));
}

void RecordingCanvas::ClearClipRect() {
    ops_.push_back(Op(TCanvasOpKind::ClearClip));
}

}  // namespace trevasc::plot
