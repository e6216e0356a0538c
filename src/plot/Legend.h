#pragma once
// The rows of the plot colour legend and their drawing.
#include <string>
#include <vector>

#include "core/ScanData.h"
#include "plot/Canvas.h"
#include "plot/ColorConfig.h"

namespace trevasc::plot {

struct TLegendRow {
    TColor Color = 0;
    std::string Text;
};

// The main scan, "Slope of <name>" when the slope is shown, then each additional scan in its
// overlay colour (`missing` where it has none). Empty when the main scan has no points.
std::vector<TLegendRow> LegendRows(const ScanRegistry& registry, const TColorConfig& colors,
                                   bool showSlope, TColor missing);

// Draws the rows with the canvas's current font: row k has a line from (a, k h + h div 2) to
// (5a, ...) in its colour and its text at (6a, k h), h = height of "Äg", a = width of "A".
// Returns h (the caller sizes its paint area to h * rows).
int DrawLegend(Canvas& canvas, const std::vector<TLegendRow>& rows);

}  // namespace trevasc::plot
