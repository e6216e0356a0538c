#pragma once
// The 2-D map engine: scattered (x, y, intensity) points become a grid of colour levels on a
// logarithmic scale, with axes, ticks and a colour bar. The two-axis window, its bitmap copy and
// the batch tool draw through DrawTwoDPlot.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plot/Canvas.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

struct T2dPlotPoint {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    int32_t ScanIndex = 0;  // 0: main scan, k: additional scan k (from 1)
};

struct T2dPlotDataset {
    std::vector<T2dPlotPoint> Points;  // main scan first, then the additional scans in order
    std::string XTitle;
    std::string YTitle;
    std::string ZTitle;
    std::string Info;  // one line above the map; empty for the measured map

    int32_t Count() const { return static_cast<int32_t>(Points.size()); }
};

// ScaleMode of the map window: "&Color", "&Black && White", "Black && White &inverse".
enum class TMapScale : int { Color = 0, BlackWhite = 1, BlackWhiteInverse = 2 };

// Levels run from 0 (lowest count) to kMapTopLevel (highest).
inline constexpr int32_t kMapTopLevel = 1530;
// An empty grid cell.
inline constexpr int32_t kMapEmptyCell = 0x0FFFFFFF;
// Added to a cell filled from its neighbours, so that it does not serve as a source itself.
inline constexpr int32_t kMapFilledBit = 0x10000000;

// Colour of a level: black, blue, cyan, green, yellow, red, white in colour mode (white outside
// 0..1530); grey ramps in the two black-and-white modes.
TColor MapColor(int32_t level, TMapScale scale);

// The colour range in decades: log10 of the smallest and largest Z (0 when not positive), each
// widened to a round value.
struct MapLogRange {
    double LogMin = 0.0;
    double LogMax = 0.0;
};
MapLogRange MapLevelRange(double zMin, double zMax);

// The level grid: Width x Height cells, row gy = 0 at the bottom (smallest Y), cell (gx, gy) at
// Levels[gy * Width + gx]; RowHasPoint[gy] tells whether a measured point fell into row gy.
struct MapGrid {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<int32_t> Levels;
    std::vector<uint8_t> RowHasPoint;
};

// Everything DrawTwoDPlot decided, for the window's readout and the batch tool.
struct TwoDPlotResult {
    TPlotArea Area;  // pixel bounds of the plot area and the X/Y ranges
    double ZMin = 0.0, ZMax = 0.0;
    MapLogRange LogRange;
    int32_t Radius = 0;  // the gap-filling radius
    MapGrid Grid;        // the levels after gap filling (filled cells keep kMapFilledBit)
    bool Drawn = false;  // false: nothing was drawn (no points, cancelled, or no room)
};

// Progress of the gap filling: rows done of rows in all. Returning false cancels the drawing.
using MapProgressCallback = std::function<bool(int32_t done, int32_t total)>;

// Places the points into a fresh grid (steps "grid" of the engine: later points overwrite).
MapGrid PlaceMapPoints(const T2dPlotDataset& dataset, double xMin, double xMax, double yMin,
                       double yMax, MapLogRange range, int32_t width, int32_t height);
// The gap-filling radius max(1, round(2.5 * sqrt(width * height / count))).
int32_t MapGapRadius(int32_t width, int32_t height, int32_t count);
// Fills the empty cells row by row, with the same result as the cell-by-cell walk over the
// whole square of every cell, at a cost that scales. Returns false when cancelled.
bool FillMapGaps(MapGrid& grid, int32_t radius, const MapProgressCallback& progress = {});

// Draws the map with its axes, ticks, titles, Info line and colour bar into the rectangle of
// width x height pixels at (originX, originY), using the canvas font as the base size.
TwoDPlotResult DrawTwoDPlot(Canvas& canvas, int originX, int originY, const T2dPlotDataset& dataset,
                            TMapScale scale, int width, int height,
                            const MapProgressCallback& progress = {});

}  // namespace trevasc::plot
