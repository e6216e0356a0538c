#pragma once
// A canvas that draws nothing and records every call, with fixed text metrics, for tests of the
// renderers: text width = Round(0.6 * size * chars * scale), text height = Round(1.2 * size *
// scale), size in points, chars counted as UTF-8 code points. `scale` plays the device
// resolution (1 = one pixel per point).
#include <string>
#include <vector>

#include "plot/Canvas.h"

namespace trevasc::plot {

enum class TCanvasOpKind {
    FontName,
    FontSize,
    FontBold,
    FontColor,
    PenColor,
    PenWidth,
    BrushColor,
    BrushClear,
    MoveTo,
    Line,
    Rectangle,
    Ellipse,
    Text,
    VerticalText,
    Pixels,
    ClipRect,
    ClearClip,
};

// One recorded call with the canvas state at the time of the call.
struct TCanvasOp {
    TCanvasOpKind Kind = TCanvasOpKind::MoveTo;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // Line: from (X1,Y1) to (X2,Y2); Text: at (X1,Y1)
    std::string Text;                    // Text, VerticalText, FontName
    std::vector<TColor> Pixels;          // Pixels: the block, row after row (X2 - X1 wide)
    int Value = 0;                       // FontSize, PenWidth, FontBold, BrushClear
    TColor PenColor = 0;
    int PenWidth = 1;
    TColor BrushColor = 0xFFFFFF;
    bool BrushClear = false;
    TColor FontColor = 0;
    int FontSize = 0;
    bool FontBold = false;
};

class RecordingCanvas : public Canvas {
  public:
    explicit RecordingCanvas(double scale = 1.0) : scale_(scale) {}

    const std::vector<TCanvasOp>& Ops() const { return ops_; }
    // The recorded calls of one kind, in call order.
    std::vector<TCanvasOp> OpsOf(TCanvasOpKind kind) const;
    // Calls that put something on the surface (lines, shapes, texts, pixels).
    size_t DrawCount() const;
    void Clear() { ops_.clear(); }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextOutVertical(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) const override;
    int TextHeight(const std::string& text) const override;
    void DrawPixels(int x, int y, int width, int height, const TColor* pixels) override;
    void SetClipRect(int x1, int y1, int x2, int y2) override;
    void ClearClipRect() override;

  protected:
    void StateChanged(TCanvasStateItem item, bool changed) override;

  private:
    TCanvasOp Op(TCanvasOpKind kind) const;

    double scale_;
    std::vector<TCanvasOp> ops_;
    int curX_ = 0, curY_ = 0;
};

}  // namespace trevasc::plot
