#include "plot/TwoDPlot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/NumberText.h"
#include "plot/AxisScaling.h"
#include "plot/ChartDrawing.h"
#include "plot/ChartLayout.h"
#include "plot/PlotMapping.h"

namespace trevasc::plot {

namespace {

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;

// Cell of a value: round((v - min) * n / (max - min)), clamped to 0 ... n - 1.
int32_t CellIndex(double v, double min, double max, int32_t n) {
    double f = (v - min) * n / (max - min);
    // A range wider than the largest double: the same fraction from halved values.
    if (!std::isfinite(f)) f = (v * 0.5 - min * 0.5) / (max * 0.5 - min * 0.5) * n;
    if (!(f > 0)) return 0;
    if (!(f < n - 1)) return n - 1;
    return static_cast<int32_t>(std::nearbyint(f));
}

// Level of a count. Counts outside the colour range (only possible below 1 when some counts
// are not positive) take the nearest end of the scale instead of the colour of no data.
int32_t MapLevel(double z, MapLogRange range) {
    if (!(z > 0)) return 0;
    const double level =
        (std::log10(z) - range.LogMin) * kMapTopLevel / (range.LogMax - range.LogMin);
    if (!std::isfinite(level)) return 0;  // zero colour range
    return static_cast<int32_t>(std::nearbyint(std::clamp(level, 0.0, double(kMapTopLevel))));
}

bool IsSource(int32_t level) {
    return level < kMapEmptyCell;
}

// The weighted mean of one empty cell. It adds the same terms in the same order as the walk
// over the whole square of every cell, so the sums agree with it to the last bit.
struct WeightedSum {
    double Weight = 0.0;
    double Sum = 0.0;
    void Add(int64_t distance2, int32_t level) { Add(WeightOf(distance2), level); }
    void Add(double w, int32_t level) {
        Weight += w;
        Sum += w * level;
    }
    static double WeightOf(int64_t distance2) { return 1.0 / static_cast<double>(distance2); }
    // A cell without sources gets 0, and that 0 serves as a source for later cells.
    int32_t Level() const {
        if (!(Weight > 0)) return 0;
        return static_cast<int32_t>(std::nearbyint(Sum / Weight)) + kMapFilledBit;
    }
};

// Largest d with d * d <= r2.
int64_t HalfChord(int64_t r2) {
    auto d = static_cast<int64_t>(std::sqrt(static_cast<double>(r2)));
    while (d > 0 && d * d > r2) --d;
    while ((d + 1) * (d + 1) <= r2) ++d;
    return d;
}

// A range of zero width becomes [v, v + 1]; where v + 1 rounds back to v (|v| above 2^53) a
// width relative to v keeps the mapping from dividing by zero.
void WidenEmptyRange(double min, double& max) {
    if (max != min) return;
    max = min + 1;
    if (max == min) max = min + std::fabs(min) * 1e-12;
}

}  // namespace

TColor MapColor(int32_t v, TMapScale scale) {
    if (scale == TMapScale::BlackWhite || scale == TMapScale::BlackWhiteInverse) {
        int64_t g = static_cast<int64_t>(v) * 255 / kMapTopLevel;
        if (scale == TMapScale::BlackWhiteInverse) g = 255 - g;
        const int grey = static_cast<int>(std::clamp<int64_t>(g, 0, 255));
        return RGBColor(grey, grey, grey);
    }
    if (v < 0 || v > kMapTopLevel) return kWhite;
    if (v <= 255) return RGBColor(0, 0, v);
    if (v <= 510) return RGBColor(0, v - 255, 255);
    if (v <= 765) return RGBColor(0, 255, 765 - v);
    if (v <= 1020) return RGBColor(v - 765, 255, 0);
    if (v <= 1275) return RGBColor(255, 1275 - v, 0);
    return RGBColor(255, v - 1275, v - 1275);
}

MapLogRange MapLevelRange(double zMin, double zMax) {
    const double rawMin = zMin > 0 ? std::log10(zMin) : 0.0;
    const double rawMax = zMax > 0 ? std::log10(zMax) : 0.0;
    MapLogRange r;
    r.LogMin = RoundLowerBound(rawMin);
    // A negative upper end moves up (towards 0) as every upper bound does: moved down, the
    // largest counts would lie above the scale.
    r.LogMax = RoundUpperBound(rawMax);
    // Counts all below 1 with some not positive: the scale ends below the largest count.
    if (r.LogMax < r.LogMin) r.LogMin = RoundLowerBound(rawMax);
    return r;
}

MapGrid PlaceMapPoints(const T2dPlotDataset& dataset, double xMin, double xMax, double yMin,
                       double yMax, MapLogRange range, int32_t width, int32_t height) {
    MapGrid grid;
    if (width <= 0 || height <= 0) return grid;
    grid.Width = width;
    grid.Height = height;
    grid.Levels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), kMapEmptyCell);
    grid.RowHasPoint.assign(static_cast<size_t>(height), 0);
    // A later point in the same cell overwrites an earlier one, so only the last point of
    // each cell needs its logarithm.
    constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> last(grid.Levels.size(), kNone);
    const auto n = static_cast<uint32_t>(std::min<size_t>(dataset.Points.size(), kNone));
    for (uint32_t i = 0; i < n; ++i) {
        const T2dPlotPoint& p = dataset.Points[i];
        const int32_t gx = CellIndex(p.X, xMin, xMax, width);
        const int32_t gy = CellIndex(p.Y, yMin, yMax, height);
        grid.RowHasPoint[static_cast<size_t>(gy)] = 1;
        last[static_cast<size_t>(gy) * static_cast<size_t>(width) + gx] = i;
    }
    for (size_t c = 0; c < last.size(); ++c)
        if (last[c] != kNone) grid.Levels[c] = MapLevel(dataset.Points[last[c]].Z, range);
    return grid;
}

int32_t MapGapRadius(int32_t width, int32_t height, int32_t count) {
    if (count <= 0 || width <= 0 || height <= 0) return 1;
    const double r = std::nearbyint(
        2.5 * std::sqrt(static_cast<double>(width) * static_cast<double>(height) / count));
    return static_cast<int32_t>(std::clamp(r, 1.0, 1073741824.0));
}

bool FillMapGaps(MapGrid& grid, int32_t radius, const MapProgressCallback& progress) {
    const int64_t w = grid.Width, h = grid.Height, r = std::max(radius, 0), r2 = r * r;
    if (w <= 0 || h <= 0) return true;
    // The walk visits only rows with a measured point and, in them, only source cells, in the
    // order of the square walk (rows upwards, cells rightwards). Each such row keeps its source
    // columns in order; a cell that gets 0 in such a row joins them at once.
    std::vector<int64_t> flagged;
    std::vector<std::vector<int32_t>> sources(static_cast<size_t>(h));
    for (int64_t y = 0; y < h; ++y) {
        if (!grid.RowHasPoint[static_cast<size_t>(y)]) continue;
        flagged.push_back(y);
        const int32_t* row = grid.Levels.data() + y * w;
        for (int32_t x = 0; x < w; ++x)
            if (IsSource(row[x])) sources[static_cast<size_t>(y)].push_back(x);
    }
    std::vector<int64_t> chord(static_cast<size_t>(std::min(r, h - 1) + 1));
    for (size_t dy = 0; dy < chord.size(); ++dy)
        chord[dy] = HalfChord(r2 - static_cast<int64_t>(dy * dy));
    // The weights 1 / d^2 of the reachable distances, the same doubles the walk over the whole
    // square divides out (the table only for radii of everyday maps).
    std::vector<double> weights;
    if (r2 <= (int64_t{1} << 20)) {
        weights.resize(static_cast<size_t>(r2) + 1);
        for (int64_t d2 = 1; d2 <= r2; ++d2)
            weights[static_cast<size_t>(d2)] = WeightedSum::WeightOf(d2);
    }
    auto add = [&weights](WeightedSum& sum, int64_t d2, int32_t level) {
        if (weights.empty())
            sum.Add(d2, level);
        else
            sum.Add(weights[static_cast<size_t>(d2)], level);
    };

    // The rows within reach of the current row, each with a cursor at its first source that is
    // still in reach: the cells go rightwards, so the cursors only move forward. The column of
    // the source under the cursor is kept beside it, so that a row without a source in reach
    // costs two comparisons.
    constexpr int64_t kBeyond = std::numeric_limits<int64_t>::max();
    struct ReachableRow {
        int64_t Dy2 = 0;
        int64_t Reach = 0;
        const int32_t* Levels = nullptr;
        const int32_t* Columns = nullptr;
        size_t Count = 0;
        size_t Cursor = 0;
        int64_t Next = kBeyond;  // Columns[Cursor], kBeyond past the end
        void Attach(const std::vector<int32_t>& list) {
            Columns = list.data();
            Count = list.size();
            Next = Cursor < Count ? Columns[Cursor] : kBeyond;
        }
    };
    std::vector<ReachableRow> reachable;
    for (int64_t gy = 0; gy < h; ++gy) {
        int32_t* row = grid.Levels.data() + gy * w;
        reachable.clear();
        const auto first = std::lower_bound(flagged.begin(), flagged.end(), gy - r);
        const auto last = std::upper_bound(first, flagged.end(), gy + r);
        size_t own = 0;  // index of this row among the reachable ones, when it is one
        for (auto it = first; it != last; ++it) {
            const int64_t y = *it, dy = y - gy;
            if (dy == 0) own = reachable.size();
            ReachableRow rr;
            rr.Dy2 = dy * dy;
            rr.Reach = chord[static_cast<size_t>(std::abs(dy))];
            rr.Levels = grid.Levels.data() + y * w;
            rr.Attach(sources[static_cast<size_t>(y)]);
            reachable.push_back(rr);
        }
        const bool rowIsSource = grid.RowHasPoint[static_cast<size_t>(gy)] != 0;
        for (int64_t gx = 0; gx < w; ++gx) {
            if (row[gx] != kMapEmptyCell) continue;
            WeightedSum sum;
            for (ReachableRow& rr : reachable) {
                const int64_t xFrom = gx - rr.Reach, xTo = gx + rr.Reach;
                while (rr.Next < xFrom) {
                    ++rr.Cursor;
                    rr.Next = rr.Cursor < rr.Count ? rr.Columns[rr.Cursor] : kBeyond;
                }
                if (rr.Next > xTo) continue;
                for (size_t i = rr.Cursor; i < rr.Count && rr.Columns[i] <= xTo; ++i) {
                    const int64_t dx = rr.Columns[i] - gx;
                    add(sum, dx * dx + rr.Dy2, rr.Levels[rr.Columns[i]]);
                }
            }
            row[gx] = sum.Level();
            if (row[gx] == 0 && rowIsSource) {
                // Inserted behind every cursor of this row: the sources left of the cell are
                // all below it.
                auto& list = sources[static_cast<size_t>(gy)];
                list.insert(std::upper_bound(list.begin(), list.end(), gx),
                            static_cast<int32_t>(gx));
                reachable[own].Attach(list);
            }
        }
        if (progress && !progress(static_cast<int32_t>(gy + 1), static_cast<int32_t>(h)))
            return false;
    }
    return true;
}

TwoDPlotResult DrawTwoDPlot(Canvas& canvas, int originX, int originY, const T2dPlotDataset& ds,
                            TMapScale scale, int width, int height,
                            const MapProgressCallback& progress) {
    TwoDPlotResult result;
    if (ds.Points.empty()) return result;

    // Ranges from the points themselves: fixed start values such as +-1e10 would pin an axis
    // end there for data beyond them.
    constexpr double kInf = std::numeric_limits<double>::infinity();
    double xMin = kInf, xMax = -kInf, yMin = kInf, yMax = -kInf, zMin = kInf, zMax = -kInf;
    for (const T2dPlotPoint& p : ds.Points) {
        xMin = std::min(xMin, p.X), xMax = std::max(xMax, p.X);
        yMin = std::min(yMin, p.Y), yMax = std::max(yMax, p.Y);
        zMin = std::min(zMin, p.Z), zMax = std::max(zMax, p.Z);
    }
    if (!std::isfinite(xMin) || !std::isfinite(xMax) || !std::isfinite(yMin) ||
        !std::isfinite(yMax))
        return result;
    WidenEmptyRange(xMin, xMax);
    WidenEmptyRange(yMin, yMax);

    // Layout from text measurements: h at the base size S, the Info line at S + 2, the rest
    // at the tick-label size S - 2.
    const int S = canvas.FontSize();
    TChartMetrics metrics;
    metrics.H = canvas.TextHeight("Äg");
    if (!ds.Info.empty()) {
        canvas.SetFontSize(S + 2);
        metrics.TH = canvas.TextHeight(ds.Info);
    }
    canvas.SetFontSize(UsableFontSize(S - 2));
    metrics.W0 = canvas.TextWidth("0.000000");
    metrics.H0 = canvas.TextHeight("0");
    metrics.W3 = canvas.TextWidth("000");
    const int barLeftGap = canvas.TextWidth("AA"), barRightGap = canvas.TextWidth("AAAA");
    int rightMargin =
        metrics.W3 + (ds.ZTitle.empty() ? 0 : canvas.TextWidth("AAAA 0000") + metrics.H);
    TChartLayout layout = ComputeChartLayout(metrics, originX, originY, width, height, rightMargin);
    const MapLogRange logRange = MapLevelRange(zMin, zMax);
    if (!ds.ZTitle.empty() && layout.HasArea()) {
        // The margin holds bar labels as wide as "0000"; on a short bar the steps of half or
        // a quarter decade give labels such as "3.162E5", which would push the title off the
        // picture. Then the margin grows to what the labels and the title need.
        int widest = 0;
        for (double v : MapBarTicks(logRange.LogMin, logRange.LogMax,
                                    std::max(2, TickRows(layout.PH, metrics.H0))))
            widest = std::max(widest, canvas.TextWidth(FormatGeneralFloat(
                                          std::pow(10.0, v), 4, canvas.DecimalSeparator())));
        const int needed = barRightGap + MeasureLines(canvas, 7).TickLength + widest +
                           RoundToPixel(0.5 * metrics.H) + metrics.H;
        if (needed > rightMargin) {
            rightMargin = needed;
            layout = ComputeChartLayout(metrics, originX, originY, width, height, rightMargin);
        }
    }

    result.Area.Left = layout.Left;
    result.Area.Right = layout.Right;
    result.Area.Top = layout.Top;
    result.Area.Bottom = layout.Bottom;
    result.Area.XMin = xMin;
    result.Area.XMax = xMax;
    result.Area.YMin = yMin;
    result.Area.YMax = yMax;
    result.ZMin = zMin;
    result.ZMax = zMax;
    result.LogRange = logRange;
    if (!layout.HasArea()) {
        canvas.SetFontSize(S);
        return result;  // no room for a single cell
    }

    // Everything is computed before anything is drawn, so a cancelled map leaves the canvas
    // as it was.
    const int W = layout.PW, H = layout.PH;
    result.Radius = MapGapRadius(W, H, ds.Count());
    result.Grid = PlaceMapPoints(ds, xMin, xMax, yMin, yMax, result.LogRange, W, H);
    if (!FillMapGaps(result.Grid, result.Radius, progress)) {
        canvas.SetFontSize(S);
        return result;
    }
    std::vector<TColor> pixels(static_cast<size_t>(W) * static_cast<size_t>(H));
    for (int row = 0; row < H; ++row) {
        // Row gy = 0 holds the smallest Y and is the bottom row of the picture.
        const int32_t* levels = result.Grid.Levels.data() + static_cast<size_t>(H - 1 - row) * W;
        TColor* out = pixels.data() + static_cast<size_t>(row) * W;
        for (int gx = 0; gx < W; ++gx) out[gx] = MapColor(levels[gx] & 0xFFFF, scale);
    }

    const TLineMetrics lines = MeasureLines(canvas, 7);  // at S - 2
    const int t = lines.TickLength;
    canvas.SetPenWidth(lines.PenWidth);
    const TAxisMapping mapping = MakeAxisMapping(layout, xMin, xMax, yMin, yMax, false);
    const char sep = canvas.DecimalSeparator();

    // The frame runs around the cells: the map covers columns Left ... Right - 1 and rows
    // Top ... Bottom - 1.
    TChartLayout frame = layout;
    frame.Left -= 1;
    frame.Top -= 1;
    DrawChartFrame(canvas, frame, kBlack, kBlack);
    if (!ds.Info.empty()) {
        canvas.SetFontColor(kBlack);
        // Centred over the map, but inside the picture: a line wider than the picture gets a
        // smaller font and then an ellipsis.
        const std::string info = FitTextToWidth(canvas, ds.Info, width, S + 2, S - 2);
        const int w = canvas.TextWidth(info);
        canvas.TextOut(
            std::clamp(layout.Left + (W - w) / 2, originX, std::max(originX, originX + width - w)),
            originY, info);
    }
    DrawXTitle(canvas, layout, originX, originY, width, height, S, ds.XTitle);
    const int yLabelWidth = DrawValueAxisTicks(
        canvas, mapping, MapAxisTicks(yMin, yMax, std::max(2, RoundToPixel(H / (2.5 * metrics.H)))),
        false, TAxisSide::Left, t, S, kBlack, 5);
    DrawYTitle(canvas, layout, TAxisSide::Left, t, yLabelWidth, S, kBlack, ds.YTitle);
    canvas.SetFontSize(UsableFontSize(S - 2));
    DrawXAxisTicks(canvas, mapping, MapAxisTicks(xMin, xMax, std::max(2, TickColumns(W, canvas))),
                   t, S, 5);

    // Colour bar: the row at distance d from the bottom shows level d * 1530 / H.
    const int barLeft = layout.Right + barLeftGap, barWidth = barRightGap - barLeftGap;
    if (barWidth > 0) {
        std::vector<TColor> bar(static_cast<size_t>(barWidth) * H);
        for (int row = 0; row < H; ++row) {
            const auto level =
                static_cast<int32_t>(static_cast<int64_t>(H - 1 - row) * kMapTopLevel / H);
            std::fill_n(bar.begin() + static_cast<ptrdiff_t>(row) * barWidth, barWidth,
                        MapColor(level, scale));
        }
        canvas.DrawPixels(barLeft, layout.Top, barWidth, H, bar.data());
    }
    const MapLogRange range = result.LogRange;
    const double decades = range.LogMax - range.LogMin;
    canvas.SetFontSize(UsableFontSize(S - 2));
    canvas.SetFontColor(kBlack);
    int barLabelWidth = 0;
    const int barRight = layout.Right + barRightGap;
    for (double v : MapBarTicks(range.LogMin, range.LogMax, std::max(2, TickRows(H, metrics.H0)))) {
        const int up = decades > 0 ? RoundToPixel((v - range.LogMin) * H / decades) : 0;
        const std::string label = FormatGeneralFloat(std::pow(10.0, v), 4, sep);
        canvas.TextOut(barRight + t, layout.Bottom - up - canvas.TextHeight(label) / 2, label);
        barLabelWidth = std::max(barLabelWidth, canvas.TextWidth(label));
    }
    TChartLayout barLayout = layout;
    barLayout.Right = barRight;
    DrawYTitle(canvas, barLayout, TAxisSide::Right, t, barLabelWidth, S, kBlack, ds.ZTitle);

    canvas.DrawPixels(layout.Left, layout.Top, W, H, pixels.data());
    canvas.SetFontSize(S);
    canvas.SetFontColor(kBlack);
    result.Drawn = true;
    return result;
}

}  // namespace trevasc::plot
