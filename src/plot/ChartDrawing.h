#pragma once
// Pieces shared by the chart renderers: frame, titles, axis ticks and labels.
#include <string>
#include <vector>

#include "plot/Canvas.h"
#include "plot/ChartLayout.h"
#include "plot/PlotMapping.h"

namespace trevasc::plot {

// Frame: top edge black, right edge in rightColor, bottom edge black, left edge in leftColor.
void DrawChartFrame(Canvas& canvas, const TChartLayout& layout, TColor leftColor,
                    TColor rightColor);

// A title in at most `room` pixels: the font steps down from `size` to `smallest` points until
// the text fits; of a text still too wide at `smallest` the middle gives way to "…" (whole
// characters, as many as fit). The canvas keeps the chosen size. Empty when not even "…" fits.
std::string FitTextToWidth(Canvas& canvas, const std::string& text, int room, int size,
                           int smallest);

// X title at size S (smaller or ellipsized to fit the output width), black, centred under the
// area on the bottom line of the output rectangle and kept inside it.
void DrawXTitle(Canvas& canvas, const TChartLayout& layout, int originX, int originY, int width,
                int height, int baseSize, const std::string& text);

// Plot title at size S + 4, bold, black, centred at the top of the output rectangle; a title
// wider than the rectangle gets a smaller font, down to S - 2, and then an ellipsis. The font is
// S, not bold, afterwards.
void DrawPlotTitle(Canvas& canvas, int originX, int originY, int width, int baseSize,
                   const std::string& text);

enum class TAxisSide { Left, Right };

// Ticks across the left or right frame edge with their labels (general format, `digits`
// significant digits; 10^v on a log axis) at size S - 2 in `color`. Returns the widest label
// width.
int DrawValueAxisTicks(Canvas& canvas, const TAxisMapping& mapping,
                       const std::vector<double>& ticks, bool logAxis, TAxisSide side,
                       int tickLength, int baseSize, TColor color, int digits = 4);

// Vertical axis title at size S in `color`, centred along the axis: left of the labels
// (Round(1.5 h) apart) or right of them (Round(0.5 h) apart). One longer than the axis gets a
// smaller font, down to S - 2, and then an ellipsis.
void DrawYTitle(Canvas& canvas, const TChartLayout& layout, TAxisSide side, int tickLength,
                int labelWidth, int baseSize, TColor color, const std::string& text);

// Ticks pointing down from the bottom edge, black, labels at size S - 2 centred under them with
// `digits` significant digits.
void DrawXAxisTicks(Canvas& canvas, const TAxisMapping& mapping, const std::vector<double>& ticks,
                    int tickLength, int baseSize, int digits);

// Wanted number of value-axis tick rows: Round(PH / (2.5 * height of "0" at S - 2)).
int TickRows(int plotHeight, int digitHeight);
// Wanted number of x ticks: Round(PW / (7 * width of "0")) at the canvas's current size.
int TickColumns(int plotWidth, const Canvas& canvas);

// A font size the canvas can take (at least 1 point).
inline int UsableFontSize(int points) {
    return points < 1 ? 1 : points;
}

}  // namespace trevasc::plot
