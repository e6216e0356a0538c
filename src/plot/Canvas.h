#pragma once
// The drawing surface the plot engine draws on. The GUI implements it on a QPainter (widgets,
// images, printers, SVG); tests use a recording canvas with fixed text metrics.
#include <cstddef>
#include <cstdint>
#include <string>

#include "plot/PlotTypes.h"

namespace trevasc::plot {

struct TPixelPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPixelPoint&, const TPixelPoint&) = default;
};

// The font, pen and brush a canvas draws with, kept once for every implementation.
struct TCanvasState {
    // Font: face name, size in points (converted with the device's resolution), bold, colour.
    std::string FontName = "Arial";
    int FontSize = 12;  // at least 1
    bool FontBold = false;
    TColor FontColor = 0;
    // Pen for lines and outlines (solid); width in device pixels, at least 1.
    TColor PenColor = 0;
    int PenWidth = 1;
    // Brush for rectangles and ellipses; a clear brush fills nothing.
    TColor BrushColor = 0xFFFFFF;
    bool BrushClear = false;
};

// Which part of the state a setter set.
enum class TCanvasStateItem {
    FontName,
    FontSize,
    FontBold,
    FontColor,
    PenColor,
    PenWidth,
    BrushColor,
    BrushClear,
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    void SetFontName(const std::string& name);
    const std::string& FontName() const { return state_.FontName; }
    void SetFontSize(int points);  // sizes below 1 point become 1
    int FontSize() const { return state_.FontSize; }
    void SetFontBold(bool bold);
    bool FontBold() const { return state_.FontBold; }
    void SetFontColor(TColor color);
    TColor FontColor() const { return state_.FontColor; }

    void SetPenColor(TColor color);
    TColor PenColor() const { return state_.PenColor; }
    void SetPenWidth(int width);  // widths below 1 pixel become 1
    int PenWidth() const { return state_.PenWidth; }
    void SetBrushColor(TColor color);
    TColor BrushColor() const { return state_.BrushColor; }
    void SetBrushClear(bool clear);
    bool BrushClear() const { return state_.BrushClear; }

    const TCanvasState& State() const { return state_; }

    virtual void MoveTo(int x, int y) = 0;
    // Line from the current position to (x, y), which becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    // The same pixels as MoveTo(points[0]) followed by LineTo for every later point; the last
    // point becomes the current position.
    virtual void Polyline(const TPixelPoint* points, size_t count);
    // Filled with the brush and outlined with the pen; corners inclusive of (x1, y1), exclusive
    // of (x2, y2) as in the usual window-system convention.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    // Ellipse inside the bounding box, filled with the brush, outlined with the pen.
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;

    // Text with the top-left corner of its cell at (x, y).
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Text turned 90 degrees counter-clockwise, running upwards from (x, y): its cell covers
    // x ... x + TextHeight horizontally and y - TextWidth ... y vertically.
    virtual void TextOutVertical(int x, int y, const std::string& text) = 0;
    // TextOutVertical on its cell filled with `background` first, so that lines and curves
    // under the text do not cross it.
    void TextOutVerticalOpaque(int x, int y, const std::string& text, TColor background);
    // Measurements in device pixels with the current font. The height is the font's line
    // height and does not depend on the text (also for an empty text).
    virtual int TextWidth(const std::string& text) const = 0;
    virtual int TextHeight(const std::string& text) const = 0;

    // A block of pixels, one 0x00BBGGRR colour each, row after row, drawn 1:1 at (x, y).
    virtual void DrawPixels(int x, int y, int width, int height, const TColor* pixels) = 0;

    // Optional clipping to a rectangle (x1, y1 inclusive, x2, y2 exclusive); off by default.
    virtual void SetClipRect(int x1, int y1, int x2, int y2) = 0;
    virtual void ClearClipRect() = 0;

    // Decimal separator of the axis labels (the user's locale; "." unless the canvas says).
    virtual char DecimalSeparator() const { return '.'; }

  protected:
    // Called by every setter once State() holds the new value; `changed` is false when the
    // value was already set. A device canvas hands the state on to its device here.
    virtual void StateChanged(TCanvasStateItem item, bool changed) = 0;

  private:
    template <typename T>
    void Set(T TCanvasState::*member, T value, TCanvasStateItem item);

    TCanvasState state_;
};

}  // namespace trevasc::plot
