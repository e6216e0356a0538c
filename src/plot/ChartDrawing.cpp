#include "plot/ChartDrawing.h"

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"

namespace trevasc::plot {

namespace {
constexpr TColor kBlack = 0x000000;
int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}
}  // namespace

int TickRows(int plotHeight, int digitHeight) {
    return Round(plotHeight / (2.5 * std::max(1, digitHeight)));
}

int TickColumns(int plotWidth, const Canvas& canvas) {
    return Round(plotWidth / (7.0 * std::max(1, canvas.TextWidth("0"))));
}

void DrawChartFrame(Canvas& canvas, const TChartLayout& l, TColor leftColor, TColor rightColor) {
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(l.Left, l.Top);
    canvas.LineTo(l.Right, l.Top);
    canvas.SetPenColor(rightColor);
    canvas.LineTo(l.Right, l.Bottom);
    canvas.SetPenColor(kBlack);
    canvas.LineTo(l.Left, l.Bottom);
    canvas.SetPenColor(leftColor);
    canvas.LineTo(l.Left, l.Top);
}

void DrawXTitle(Canvas& canvas, const TChartLayout& l, int originY, int height, int baseSize,
                const std::string& text) {
    canvas.SetFontSize(UsableFontSize(baseSize));
    canvas.SetFontColor(kBlack);
    if (text.empty()) return;
    canvas.TextOut(l.Left + (l.PW - canvas.TextWidth(text)) / 2,
                   originY + height - canvas.TextHeight(text), text);
}

void DrawPlotTitle(Canvas& canvas, int originX, int originY, int width, int baseSize,
                   const std::string& text) {
    if (!text.empty()) {
        canvas.SetFontSize(UsableFontSize(baseSize + 4));
        canvas.SetFontBold(true);
        canvas.SetFontColor(kBlack);
        canvas.TextOut(originX + (width - canvas.TextWidth(text)) / 2, originY, text);
        canvas.SetFontBold(false);
    }
    canvas.SetFontSize(UsableFontSize(baseSize));
}

int DrawValueAxisTicks(Canvas& canvas, const TAxisMapping& m, const std::vector<double>& ticks,
                       bool logAxis, TAxisSide side, int t, int baseSize, TColor color,
                       int digits) {
    canvas.SetFontSize(UsableFontSize(baseSize - 2));
    canvas.SetPenColor(color);
    canvas.SetFontColor(color);
    const char sep = canvas.DecimalSeparator();
    const int edge = side == TAxisSide::Left ? m.Left : m.Right;
    int widest = 0;
    for (double v : ticks) {
        const int py = m.AxisValueToPixel(v);
        canvas.MoveTo(edge - t, py);
        canvas.LineTo(edge + t, py);
        const std::string label = FormatGeneralFloat(logAxis ? std::pow(10.0, v) : v, digits, sep);
        const int tw = canvas.TextWidth(label);
        const int x = side == TAxisSide::Left ? edge - t - tw : edge + t;
        canvas.TextOut(x, py - canvas.TextHeight(label) / 2, label);
        widest = std::max(widest, tw);
    }
    return widest;
}

void DrawYTitle(Canvas& canvas, const TChartLayout& l, TAxisSide side, int t, int labelWidth,
                int baseSize, TColor color, const std::string& text) {
    if (text.empty()) return;
    canvas.SetFontSize(UsableFontSize(baseSize));
    canvas.SetFontColor(color);
    const int th = canvas.TextHeight(text);
    const int x = side == TAxisSide::Left ? l.Left - t - labelWidth - Round(1.5 * th)
                                          : l.Right + t + labelWidth + Round(0.5 * th);
    canvas.TextOutVertical(x, l.Top + (l.PH + canvas.TextWidth(text)) / 2, text);
}

void DrawXAxisTicks(Canvas& canvas, const TAxisMapping& m, const std::vector<double>& ticks, int t,
                    int baseSize, int digits) {
    canvas.SetPenColor(kBlack);
    canvas.SetFontColor(kBlack);
    canvas.SetFontSize(UsableFontSize(baseSize - 2));
    const char sep = canvas.DecimalSeparator();
    for (double v : ticks) {
        const int px = m.XToPixel(v);
        canvas.MoveTo(px, m.Bottom);
        canvas.LineTo(px, m.Bottom + t);
        const std::string label = FormatGeneralFloat(v, digits, sep);
        canvas.TextOut(px - canvas.TextWidth(label) / 2, m.Bottom + t, label);
    }
}

}  // namespace trevasc::plot
