#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "plot/AxisScaling.h"
#include "plot/LiteralMapGaps.h"
#include "plot/RecordingCanvas.h"
#include "plot/TwoDPlot.h"

using namespace trevasc::plot;
using trevasc::plot::test::FillMapGapsLiteral;

namespace {

// Recording metrics at S = 12: h = 14, Info height 17 (S + 2), at S - 2 W0 = 48, H0 = 12,
// W3 = 18, "AA" = 12, "AAAA" = 24, "AAAA 0000" = 54. So L = 69, T = 52 with an Info line (33
// without), H = height - T - 33, W = width - 69 - 18 - (54 + 14) with a colour-scale title.
T2dPlotDataset Dataset(std::vector<T2dPlotPoint> points, std::string info = "") {
    T2dPlotDataset ds;
    ds.Points = std::move(points);
    ds.XTitle = "TwoTheta [°]";
    ds.YTitle = "Omega Center [°]";
    ds.ZTitle = "Counts [a.u.]";
    ds.Info = std::move(info);
    return ds;
}

TwoDPlotResult Draw(RecordingCanvas& c, const T2dPlotDataset& ds, int w, int h,
                    TMapScale scale = TMapScale::Color, int x0 = 0, int y0 = 0,
                    const MapProgressCallback& progress = {}) {
    c.Clear();
    c.SetFontSize(12);
    return DrawTwoDPlot(c, x0, y0, ds, scale, w, h, progress);
}

// The pixel block of the map (the widest one; the colour bar is the other).
TCanvasOp MapPixels(const RecordingCanvas& c) {
    auto blocks = c.OpsOf(TCanvasOpKind::Pixels);
    EXPECT_FALSE(blocks.empty());
    return *std::max_element(blocks.begin(), blocks.end(), [](const auto& a, const auto& b) {
        return a.X2 - a.X1 < b.X2 - b.X1;
    });
}

bool HasText(const RecordingCanvas& c, const std::string& text) {
    for (const auto& op : c.OpsOf(TCanvasOpKind::Text))
        if (op.Text == text) return true;
    return false;
}

class CommaCanvas : public RecordingCanvas {
  public:
    char DecimalSeparator() const override { return ','; }
};

}  // namespace

// The colour scale runs black, blue, cyan, green, yellow, red, white; the grey modes ramp. Levels
// out of range saturate instead of wrapping around in the colour byte.
TEST(MapColorTest, ColourAndGreyScalesAndTheirSaturation) {
    // C: colour, G: grey, I: inverted grey.
    constexpr auto C = TMapScale::Color, G = TMapScale::BlackWhite,
                   I = TMapScale::BlackWhiteInverse;
    const struct {
        int32_t Level;
        TMapScale Scale;
        TColor Color;
    } table[] = {
        {0, C, RGBColor(0, 0, 0)},           {255, C, RGBColor(0, 0, 255)},
        {256, C, RGBColor(0, 1, 255)},       {510, C, RGBColor(0, 255, 255)},
        {511, C, RGBColor(0, 255, 254)},     {765, C, RGBColor(0, 255, 0)},
        {766, C, RGBColor(1, 255, 0)},       {1020, C, RGBColor(255, 255, 0)},
        {1021, C, RGBColor(255, 254, 0)},    {1148, C, RGBColor(255, 127, 0)},
        {1275, C, RGBColor(255, 0, 0)},      {1276, C, RGBColor(255, 1, 1)},
        {1530, C, RGBColor(255, 255, 255)},  {1531, C, RGBColor(255, 255, 255)},
        {-1, C, RGBColor(255, 255, 255)},    {0x0FFFFFFF, C, RGBColor(255, 255, 255)},
        {0, G, RGBColor(0, 0, 0)},           {765, G, RGBColor(127, 127, 127)},
        {1530, G, RGBColor(255, 255, 255)},  {0, I, RGBColor(255, 255, 255)},
        {765, I, RGBColor(128, 128, 128)},   {1530, I, RGBColor(0, 0, 0)},
        {65535, G, RGBColor(255, 255, 255)}, {65535, I, RGBColor(0, 0, 0)},
        {-900, G, RGBColor(0, 0, 0)},
    };
    for (const auto& row : table)
        EXPECT_EQ(MapColor(row.Level, row.Scale), row.Color)
            << row.Level << " scale " << static_cast<int>(row.Scale);
}

TEST(MapLevelTest, ColourRangeInDecadesAndLevelsCountedFromTheBottom) {
    // log10 5 = 0.699 -> 0.5, log10 20000 = 4.3 -> 5; no positive minimum: 0; a negative lower
    // end away from 0, an upper end 0 stays; counts below 1 only: the largest (log -0.301)
    // stays inside the scale.
    const double ranges[][4] = {
        {1, 1000, 0, 4}, {5, 20000, 0.5, 5}, {0, 350, 0, 3}, {0.01, 1, -3, 0}, {100, 1e5, 1, 6}};
    for (const auto& r : ranges) {
        const MapLogRange got = MapLevelRange(r[0], r[1]);
        EXPECT_EQ(std::pair(got.LogMin, got.LogMax), std::pair(r[2], r[3])) << r[0] << ".." << r[1];
    }
    MapLogRange r = MapLevelRange(0.01, 0.5);
    EXPECT_DOUBLE_EQ(r.LogMax, -0.2);
    EXPECT_LT(r.LogMin, std::log10(0.01));
    r = MapLevelRange(-3, 0.5);  // counts that are not positive: the scale still runs upwards
    EXPECT_LT(r.LogMin, std::log10(0.5));
    EXPECT_GT(r.LogMax, std::log10(0.5));

    // Zmax = 1000, Zmin = 1 on a 5 x 5 grid: 1000 counts give round(3 * 1530 / 4) = 1148, the
    // lowest count and zero counts level 0; 10 counts 382.5, halved to even.
    const MapGrid g = PlaceMapPoints(Dataset({{0, 0, 1}, {1, 0, 0}, {0, 1, 1000}, {1, 1, 10}}), 0,
                                     1, 0, 1, MapLevelRange(0, 1000), 5, 5);
    EXPECT_EQ(
        (std::vector<int32_t>{g.Levels[0], g.Levels[4], g.Levels[20], g.Levels[24], g.Levels[12]}),
        (std::vector<int32_t>{0, 0, 1148, 382, kMapEmptyCell}));
    EXPECT_EQ(g.RowHasPoint, (std::vector<uint8_t>{1, 0, 0, 0, 1}));
    // Counts 100 ... 100000 on decades 1 ... 6: the levels count from the bottom of the scale,
    // 100 -> (2 - 1) * 1530 / 5 = 306, 1E5 -> 4 * 1530 / 5 = 1224.
    const MapGrid h = PlaceMapPoints(Dataset({{0, 0, 100}, {1, 1, 1e5}}), 0, 1, 0, 1,
                                     MapLevelRange(100, 1e5), 2, 2);
    EXPECT_EQ(std::pair(h.Levels[0], h.Levels[3]), std::pair(306, 1224));
    // A zero colour range (every count 1) gives level 0, not a division by zero.
    const MapGrid f =
        PlaceMapPoints(Dataset({{0, 0, 1}, {1, 1, 1}}), 0, 1, 0, 1, MapLevelRange(1, 1), 3, 3);
    EXPECT_EQ(std::pair(f.Levels[0], f.Levels[8]), std::pair(0, 0));
    // The later of two points in a cell wins; a point outside is clamped into the nearest cell.
    const MapGrid o = PlaceMapPoints(Dataset({{0.4, 0.4, 1000}, {0.4, 0.4, 1}, {-5, 9, 1000}}), 0,
                                     1, 0, 1, MapLevelRange(1, 1000), 3, 3);
    EXPECT_EQ(std::pair(o.Levels[4], o.Levels[6]), std::pair(0, 1148));
}

TEST(MapGapFillingTest, FastWalkEqualsLiteralWalkBitForBit) {
    std::mt19937 rng(42);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 30);
        const int radius = 1 + static_cast<int>(rng() % 12);
        // Sparse, dense and row-only (a series of scans) fillings.
        const int kind = round % 3;
        MapGrid g{w, h, std::vector<int32_t>(static_cast<size_t>(w) * h, kMapEmptyCell),
                  std::vector<uint8_t>(static_cast<size_t>(h), 0)};
        const int points = kind == 0 ? 1 + static_cast<int>(rng() % 6) : w * h / 2;
        const int scanRow = static_cast<int>(rng() % 4) + 2;
        for (int i = 0; i < points; ++i) {
            const int gx = static_cast<int>(rng() % w);
            int gy = static_cast<int>(rng() % h);
            if (kind == 2) gy -= gy % scanRow;
            g.RowHasPoint[gy] = 1;
            g.Levels[static_cast<size_t>(gy) * w + gx] = static_cast<int32_t>(rng() % 1531);
        }
        MapGrid literal = g;
        FillMapGapsLiteral(literal, radius);
        ASSERT_TRUE(FillMapGaps(g, radius));
        ASSERT_EQ(g.Levels, literal.Levels)
            << "round " << round << " " << w << "x" << h << " r " << radius;
        // Every cell is decided: measured, filled (with the marker) or 0.
        for (int32_t v : g.Levels) ASSERT_NE(v, kMapEmptyCell);
    }
}

TEST(MapGapFillingTest, ZeroCellsBecomeSourcesFilledCellsDoNot) {
    // One row with a point at the right end, radius 2. Cell 0 has no source and gets 0,
    // which feeds cells 1 and 2 (filled with 0 and the marker). Cell 3 sees only filled cells
    // and gets 0 again; cell 4 is filled from it, cell 5 averages cell 3 and the point (both
    // at distance 2), cell 6 sees only the point.
    MapGrid g{8, 1, std::vector<int32_t>(8, kMapEmptyCell), {1}};
    g.Levels[7] = 1000;
    MapGrid literal = g;
    ASSERT_TRUE(FillMapGaps(g, 2));
    constexpr int32_t kBit = kMapFilledBit;
    EXPECT_EQ(g.Levels,
              (std::vector<int32_t>{0, kBit, kBit, 0, kBit, 500 + kBit, 1000 + kBit, 1000}));
    FillMapGapsLiteral(literal, 2);
    EXPECT_EQ(literal.Levels, g.Levels);
}

TEST(MapGapFillingTest, ProgressCountsRowsAndCancelStops) {
    MapGrid g{4, 6, std::vector<int32_t>(24, kMapEmptyCell), std::vector<uint8_t>(6, 0)};
    int calls = 0;
    EXPECT_FALSE(FillMapGaps(g, 1, [&](int32_t done, int32_t total) {
        EXPECT_EQ(total, 6);
        EXPECT_EQ(done, ++calls);
        return done < 3;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(g.Levels[23], kMapEmptyCell);
    EXPECT_EQ(MapGapRadius(400, 300, 1200), 25);  // 2.5 * sqrt(100)
    EXPECT_EQ(MapGapRadius(10, 10, 10000), 1);
}

TEST(TwoDPlotTest, LayoutFromTextMeasurements) {
    RecordingCanvas c;
    const auto ds = Dataset({{20, 1, 1}, {80, 3, 1000}}, "Using Omega Offset=0.000°");
    const TwoDPlotResult r = Draw(c, ds, 600, 400, TMapScale::Color, 10, 20);
    ASSERT_TRUE(r.Drawn);
    const TPlotArea& a = r.Area;
    EXPECT_EQ(
        std::tuple(a.Left, a.Top, a.Right, a.Bottom),
        std::tuple(10 + 69, 20 + 52, 10 + 69 + (600 - 69 - 18 - 68), 20 + 52 + (400 - 52 - 33)));
    EXPECT_EQ(std::tuple(a.XMin, a.XMax, a.YMin, a.YMax), std::tuple(20, 80, 1, 3));
    const TCanvasOp map = MapPixels(c);
    EXPECT_EQ(std::tuple(map.X1, map.Y1, map.X2, map.Y2),
              std::tuple(a.Left, a.Top, a.Right, a.Bottom));
    // The cells are drawn last, over the inner half of the tick lines.
    TCanvasOpKind lastDrawn = TCanvasOpKind::MoveTo;
    for (const auto& op : c.Ops())
        if (op.Kind == TCanvasOpKind::Line || op.Kind == TCanvasOpKind::Text ||
            op.Kind == TCanvasOpKind::Pixels || op.Kind == TCanvasOpKind::VerticalText)
            lastDrawn = op.Kind;
    EXPECT_EQ(lastDrawn, TCanvasOpKind::Pixels);
    // The colour bar from "AA" to "AAAA" right of the area, over the full height.
    bool bar = false;
    for (const auto& op : c.OpsOf(TCanvasOpKind::Pixels))
        bar |= op.X1 == r.Area.Right + 12 && op.X2 == r.Area.Right + 24 && op.Y1 == r.Area.Top &&
               op.Y2 == r.Area.Bottom;
    EXPECT_TRUE(bar);
    EXPECT_EQ(c.FontSize(), 12);
    // Without Info the area starts 33 pixels down; without a colour-scale title it is wider.
    auto plain = ds;
    plain.Info.clear();
    plain.ZTitle.clear();
    const TwoDPlotResult p = Draw(c, plain, 600, 400);
    EXPECT_EQ(std::pair(p.Area.Top, p.Area.Right), std::pair(33, 69 + 600 - 69 - 18));
}

TEST(TwoDPlotTest, LargerYIsDrawnHigherAndColoursFollowTheScale) {
    RecordingCanvas c;
    // The low-left point has the fewest counts (black), the top-right one the most.
    const auto ds = Dataset({{0, 0, 1}, {1, 1, 1000}});
    for (TMapScale scale : {TMapScale::Color, TMapScale::BlackWhite}) {
        const TwoDPlotResult r = Draw(c, ds, 300, 200, scale);
        ASSERT_TRUE(r.Drawn);
        const TCanvasOp map = MapPixels(c);
        const int w = map.X2 - map.X1, h = map.Y2 - map.Y1;
        ASSERT_EQ(map.Pixels.size(), static_cast<size_t>(w * h));
        EXPECT_EQ(map.Pixels[static_cast<size_t>(h - 1) * w], MapColor(0, scale));
        EXPECT_EQ(map.Pixels[static_cast<size_t>(w - 1)], MapColor(1148, scale));
        EXPECT_EQ(r.Grid.Levels[0], 0);
        EXPECT_EQ(r.Grid.Levels.back(), 1148);
    }
}

TEST(TwoDPlotTest, SingleScanIsOneRowPlusItsSurroundings) {
    RecordingCanvas c;
    std::vector<T2dPlotPoint> points;
    for (int i = 0; i <= 120; ++i) points.push_back({20 + i * 0.5, 10, 1 + i * 10.0});
    const TwoDPlotResult r = Draw(c, Dataset(points), 400, 300);
    ASSERT_TRUE(r.Drawn);
    // One y value: the range 10 ... 11 with the scan in the bottom row. The rows within the gap
    // radius interpolate it, the top row (beyond the radius) gets 0; how is the filling's matter.
    EXPECT_EQ(std::pair(r.Area.YMin, r.Area.YMax), std::pair(10.0, 11.0));
    const MapGrid& g = r.Grid;
    ASSERT_GT(g.Height, r.Radius + 1);
    EXPECT_EQ(std::count(g.RowHasPoint.begin(), g.RowHasPoint.end(), 1), 1);
    EXPECT_TRUE((g.Levels[static_cast<size_t>(g.Width)] & kMapFilledBit) && g.Levels.back() == 0);
}

TEST(TwoDPlotTest, ColourBarLabelsInDecadesWithTheCanvasSeparator) {
    CommaCanvas c;
    const TwoDPlotResult r = Draw(c, Dataset({{0, 0, 1}, {1, 1, 1000}}), 600, 400);
    ASSERT_TRUE(r.Drawn);
    EXPECT_EQ(std::pair(r.LogRange.LogMin, r.LogRange.LogMax), std::pair(0.0, 4.0));
    // H = 315, 2.5 * 12 per label: 10 rows, 4 / 9 -> 0.5 decades.
    for (const char* label : {"1", "3,162", "10", "316,2", "1000", "3162", "1E4"})
        EXPECT_TRUE(HasText(c, label)) << label;
    EXPECT_TRUE(HasText(c, "0,2"));  // an axis tick with the same separator
}

TEST(TwoDPlotTest, WideColourBarLabelsWidenTheMarginInsteadOfRunningOffThePicture) {
    // Half-decade steps give labels such as "316,2" and "3,162E5", wider than the margin's
    // "0000": the colour-scale title must still stand right of them and inside the picture.
    for (double zMax : {1000.0, 400000.0, 3e7}) {
        CommaCanvas c;
        const int width = 600;
        const TwoDPlotResult r = Draw(c, Dataset({{0, 0, 1}, {1, 1, zMax}}), width, 600);
        ASSERT_TRUE(r.Drawn);
        int labelsEnd = 0;
        for (const auto& op : c.OpsOf(TCanvasOpKind::Text)) {
            if (op.X1 <= r.Area.Right) continue;  // tick labels of the axes
            c.SetFontSize(op.FontSize);
            labelsEnd = std::max(labelsEnd, op.X1 + c.TextWidth(op.Text));
        }
        const auto titles = c.OpsOf(TCanvasOpKind::VerticalText);
        const auto title = std::find_if(titles.begin(), titles.end(),
                                        [](const auto& op) { return op.Text == "Counts [a.u.]"; });
        ASSERT_NE(title, titles.end());
        c.SetFontSize(title->FontSize);
        EXPECT_LE(labelsEnd, title->X1) << zMax;
        EXPECT_LE(title->X1 + c.TextHeight(title->Text), width) << zMax;
    }
}

TEST(TwoDPlotTest, NothingDrawnWithoutRoomPointsOrWhenCancelled) {
    RecordingCanvas c;
    const auto ds = Dataset({{0, 0, 1}, {1, 1, 1000}});
    for (auto [w, h] : {std::pair{1, 1}, std::pair{150, 60}, std::pair{0, 0}}) {
        const TwoDPlotResult r = Draw(c, ds, w, h);
        EXPECT_FALSE(r.Drawn);
        EXPECT_EQ(c.DrawCount(), 0u) << w << "x" << h;
        EXPECT_EQ(c.FontSize(), 12);
    }
    EXPECT_FALSE(Draw(c, Dataset({}), 600, 400).Drawn);
    EXPECT_EQ(c.DrawCount(), 0u);
    const TwoDPlotResult cancelled =
        Draw(c, ds, 600, 400, TMapScale::Color, 0, 0, [](int32_t, int32_t) { return false; });
    EXPECT_FALSE(cancelled.Drawn);
    EXPECT_EQ(c.DrawCount(), 0u);
}

TEST(TwoDPlotTest, HugeRangesAndCountsStayFinite) {
    RecordingCanvas c;
    const auto ds = Dataset({{-1e300, 1e300, 1e300}, {1e300, -1e300, 0}, {0, 0, 5}});
    const TwoDPlotResult r = Draw(c, ds, 500, 400);
    ASSERT_TRUE(r.Drawn);
    EXPECT_EQ(r.LogRange.LogMax, 400);
    const MapGrid& g = r.Grid;
    EXPECT_EQ(g.Levels[static_cast<size_t>(g.Height - 1) * g.Width], std::nearbyint(1530 * 0.75));
    EXPECT_EQ(g.Levels[static_cast<size_t>(g.Width - 1)], 0);
    // One huge coordinate repeated: the range is widened although v + 1 == v.
    const TwoDPlotResult same = Draw(c, Dataset({{1e300, 1e300, 3}, {1e300, 1e300, 4}}), 500, 400);
    ASSERT_TRUE(same.Drawn);
    EXPECT_TRUE(same.Area.XMax > same.Area.XMin && same.Area.YMax > same.Area.YMin);
}

TEST(MapTicksTest, MultiplesOfAOneTwoFiveStepInsideTheRange) {
    // 10 / 5 = 2 -> step 5; round(-3 / 5) * 5 = -5 lies outside.
    EXPECT_EQ(MapAxisTicks(-3, 7, 6), (std::vector<double>{0, 5}));
    EXPECT_EQ(MapAxisTicks(20.3, 80.7, 8), (std::vector<double>{30, 40, 50, 60, 70, 80}));
    EXPECT_EQ(MapAxisTicks(10, 11, 2), (std::vector<double>{10}));  // step 1 moves up to 2
    EXPECT_EQ(MapAxisTicks(-1e300, 1e300, 5), (std::vector<double>{-1e300, 0, 1e300}));
    EXPECT_TRUE(MapAxisTicks(-1.7e308, 1.7e308, 5).empty());  // the width overflows
    EXPECT_EQ(MapBarTicks(0, 4, 10), (std::vector<double>{0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4}));
    // Labels stop short of the top, which ends the list; 0 is added off the step grid.
    EXPECT_EQ(MapBarTicks(-1.5, 2, 3), (std::vector<double>{-1.5, -0.5, 0.5, 1.5, 2, 0}));
    EXPECT_EQ(MapBarTicks(0, 0, 10), (std::vector<double>{0}));
}
