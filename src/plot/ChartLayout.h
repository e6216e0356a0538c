#pragma once
// Margins and plotting area of the charts, derived from text measurements on the canvas.
#include <string>

#include "plot/Canvas.h"
#include "plot/PlotMapping.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

// The measurements the margins derive from (pixels).
struct TChartMetrics {
    int H = 0;   // height of "Äg" at the base size S
    int TH = 0;  // height of the title at S + 4, 0 without title
    int W0 = 0;  // width of "0.000000" at S - 2
    int H0 = 0;  // height of "0" at S - 2
    int W3 = 0;  // width of "000" at S - 2
};

// Takes the measurements at the canvas's current size S; leaves the font at S - 2.
TChartMetrics MeasureChart(Canvas& canvas, int baseSize, const std::string& title);

struct TChartLayout {
    int L = 0, T = 0;    // left and top margins
    int PW = 0, PH = 0;  // plotting area size
    int Left = 0, Right = 0, Top = 0, Bottom = 0;
    // Something can be drawn: the area is at least one pixel in both directions.
    bool HasArea() const { return PW > 0 && PH > 0; }
};

// L = Round(1.5 H) + W0, T = Round(H0 + 1.5 H + 1.1 TH), PH = height - T - Round(H0 + 1.5 H),
// PW = width - L - rightMargin; the area is placed at the origin plus the margins.
TChartLayout ComputeChartLayout(const TChartMetrics& m, int originX, int originY, int width,
                                int height, int rightMargin);

// Pen width w = text width of "i" div `divisor`, at least 1, and tick length t = text height
// of "i" div 4, both at the current font size (S - 2).
struct TLineMetrics {
    int PenWidth = 1;
    int TickLength = 0;
};
TLineMetrics MeasureLines(const Canvas& canvas, int divisor);

// The mapping of a plotting area onto the given ranges (y in log10 units when logY).
TAxisMapping MakeAxisMapping(const TChartLayout& layout, double xMin, double xMax, double yMin,
                             double yMax, bool logY);

}  // namespace trevasc::plot
