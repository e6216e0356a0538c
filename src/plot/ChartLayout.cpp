#include "plot/ChartLayout.h"

#include <algorithm>
#include <cmath>

namespace trevasc::plot {

namespace {
int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}
}  // namespace

TChartMetrics MeasureChart(Canvas& canvas, int baseSize, const std::string& title) {
    TChartMetrics m;
    canvas.SetFontSize(baseSize);
    m.H = canvas.TextHeight("Äg");
    if (!title.empty()) {
        canvas.SetFontSize(baseSize + 4);
        m.TH = canvas.TextHeight(title);
    }
    canvas.SetFontSize(baseSize - 2);
    m.W0 = canvas.TextWidth("0.000000");
    m.H0 = canvas.TextHeight("0");
    m.W3 = canvas.TextWidth("000");
    return m;
}

TChartLayout ComputeChartLayout(const TChartMetrics& m, int originX, int originY, int width,
                                int height, int rightMargin) {
    TChartLayout l;
    l.L = Round(1.5 * m.H) + m.W0;
    l.T = Round(m.H0 + 1.5 * m.H + 1.1 * m.TH);
    l.PH = height - l.T - Round(m.H0 + 1.5 * m.H);
    l.PW = width - l.L - rightMargin;
    l.Left = originX + l.L;
    l.Right = originX + l.L + l.PW;
    l.Top = originY + l.T;
    l.Bottom = originY + l.T + l.PH;
    return l;
}

TLineMetrics MeasureLines(const Canvas& canvas, int divisor) {
    TLineMetrics lm;
    lm.PenWidth = std::max(1, canvas.TextWidth("i") / divisor);
    lm.TickLength = canvas.TextHeight("i") / 4;
    return lm;
}

TAxisMapping MakeAxisMapping(const TChartLayout& l, double xMin, double xMax, double yMin,
                             double yMax, bool logY) {
    TAxisMapping m;
    m.Left = l.Left;
    m.Right = l.Right;
    m.Top = l.Top;
    m.Bottom = l.Bottom;
    m.XMin = xMin;
    m.XMax = xMax;
    m.YMin = yMin;
    m.YMax = yMax;
    m.LogY = logY;
    return m;
}

}  // namespace trevasc::plot
