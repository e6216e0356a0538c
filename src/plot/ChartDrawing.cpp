#include "plot/ChartDrawing.h"

#include <algorithm>
#include <cmath>

#include "base/MessageText.h"
#include "base/NumberText.h"

namespace trevasc::plot {

namespace {
constexpr TColor kBlack = 0x000000;
constexpr const char* kEllipsis = "…";
// How far a title may shrink: to the size of the tick labels, the smallest text of a chart.
constexpr int kTitleShrink = 2;

int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Byte offsets of the character starts of `text`, and its length last. A malformed byte counts
// as one character.
std::vector<size_t> CharacterStarts(const std::string& text) {
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size();) {
        starts.push_back(at);
        at += std::max<size_t>(1, Utf8CharLength(std::string_view(text).substr(at)));
    }
    starts.push_back(text.size());
    return starts;
}

// `kept` characters of `text`, the first half from its start and the rest from its end, joined
// by the ellipsis without blanks beside it.
std::string ElidedInTheMiddle(const std::string& text, const std::vector<size_t>& starts,
                              size_t kept) {
    const size_t characters = starts.size() - 1;
    const size_t front = (kept + 1) / 2, back = kept - front;
    std::string head = text.substr(0, starts[front]);
    std::string tail = text.substr(starts[characters - back]);
    while (!head.empty() && head.back() == ' ') head.pop_back();
    while (!tail.empty() && tail.front() == ' ') tail.erase(0, 1);
    return head + kEllipsis + tail;
}
}  // namespace

std::string FitTextToWidth(Canvas& canvas, const std::string& text, int room, int size,
                           int smallest) {
    smallest = UsableFontSize(std::min(smallest, size));
    for (int points = UsableFontSize(size); points >= smallest; --points) {
        canvas.SetFontSize(points);
        if (canvas.TextWidth(text) <= room) return text;
    }
    // The ellipsis goes into the middle, so that both the start of a title and its end (the
    // Nelson-Riley result "(d=...)", a unit) stay readable. The most characters that fit: the
    // width grows with their number, a binary search.
    if (canvas.TextWidth(kEllipsis) > room) return {};
    const std::vector<size_t> starts = CharacterStarts(text);
    size_t low = 0, high = starts.size() - 1;  // characters kept: low fits, high does not
    while (high - low > 1) {
        const size_t mid = (low + high) / 2;
        if (canvas.TextWidth(ElidedInTheMiddle(text, starts, mid)) <= room)
            low = mid;
        else
            high = mid;
    }
    return ElidedInTheMiddle(text, starts, low);
}

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

void DrawXTitle(Canvas& canvas, const TChartLayout& l, int originX, int originY, int width,
                int height, int baseSize, const std::string& text) {
    canvas.SetFontSize(UsableFontSize(baseSize));
    canvas.SetFontColor(kBlack);
    if (text.empty()) return;
    const int line = canvas.TextHeight(text);
    const std::string shown =
        FitTextToWidth(canvas, text, width, baseSize, baseSize - kTitleShrink);
    if (!shown.empty()) {
        // Centred under the area, but a title wider than the area stays inside the picture.
        const int w = canvas.TextWidth(shown);
        const int x =
            std::clamp(l.Left + (l.PW - w) / 2, originX, std::max(originX, originX + width - w));
        canvas.TextOut(x, originY + height - line, shown);
    }
    canvas.SetFontSize(UsableFontSize(baseSize));
}

void DrawPlotTitle(Canvas& canvas, int originX, int originY, int width, int baseSize,
                   const std::string& text) {
    if (!text.empty()) {
        canvas.SetFontBold(true);
        canvas.SetFontColor(kBlack);
        const std::string shown =
            FitTextToWidth(canvas, text, width, baseSize + 4, baseSize - kTitleShrink);
        if (!shown.empty())
            canvas.TextOut(originX + (width - canvas.TextWidth(shown)) / 2, originY, shown);
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
    // The distance from the labels follows the base size, also for a title made smaller.
    const int th = canvas.TextHeight(text);
    const int x = side == TAxisSide::Left ? l.Left - t - labelWidth - Round(1.5 * th)
                                          : l.Right + t + labelWidth + Round(0.5 * th);
    const std::string shown = FitTextToWidth(canvas, text, l.PH, baseSize, baseSize - kTitleShrink);
    if (!shown.empty())
        canvas.TextOutVertical(x, l.Top + (l.PH + canvas.TextWidth(shown)) / 2, shown);
    canvas.SetFontSize(UsableFontSize(baseSize));
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
