#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "plot/RecordingCanvas.h"
#include "plot/XYPlotRenderer.h"
#include "plot/XrdPlotRenderer.h"

using namespace trevasc::plot;

namespace {

constexpr TColor kMain = 0x0000AA;
constexpr TColor kSlope = 0x008000;
constexpr TColor kOverlay = 0x00AA00;

// Recording metrics at S = 12: H = 14, TH = 19, W0 = 48, H0 = 12, W3 = 18, so L = 69,
// T = 54 with a title, PH = height - 87, PW = width - 87 (- 138 with a right axis), t = 3.
TPlotDataset LogDataset() {
    TPlotDataset ds;
    for (int i = 0; i <= 60; ++i) {
        const double x = 20 + i;
        ds.Points.push_back({x, std::pow(10.0, 1 + 4.0 * i / 60)});  // 10 ... 100000
        ds.SecondaryPoints.push_back({x, std::sin(i / 5.0) * 50});
    }
    ds.Count = static_cast<int32_t>(ds.Points.size());
    ds.Title = "XRD Plot: test";
    ds.XTitle = "TwoTheta";
    ds.YTitle = "Counts";
    ds.MainColor = kMain;
    ds.SecondaryColor = kSlope;
    ds.LogY = true;
    ds.ViewXMin = ds.FullXMin = 20;
    ds.ViewXMax = ds.FullXMax = 80;
    return ds;
}

std::vector<TCanvasOp> LinesIn(const RecordingCanvas& c, TColor pen) {
    std::vector<TCanvasOp> out;
    for (const auto& op : c.OpsOf(TCanvasOpKind::Line))
        if (op.PenColor == pen) out.push_back(op);
    return out;
}

const TCanvasOp* FindText(const RecordingCanvas& c, TCanvasOpKind kind, const std::string& text) {
    for (const auto& op : c.Ops())
        if (op.Kind == kind && op.Text == text) return &op;
    return nullptr;
}

bool SameLine(const TCanvasOp& op, int x1, int y1, int x2, int y2) {
    return op.X1 == x1 && op.Y1 == y1 && op.X2 == x2 && op.Y2 == y2;
}

}  // namespace

TEST(DrawXrdPlot, LayoutFrameTitlesAndLogTicks) {
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 10, 20, 600, 477, LogDataset(), area);
    EXPECT_EQ(area.Left, 79);
    EXPECT_EQ(area.Right, 592);
    EXPECT_EQ(area.Top, 74);
    EXPECT_EQ(area.Bottom, 464);
    EXPECT_EQ(area.XMin, 20);
    EXPECT_EQ(area.XMax, 80);
    EXPECT_EQ(area.YMin, 0);  // log10(10) = 1 rounds down to 0
    EXPECT_EQ(area.YMax, 6);  // log10(1e5) = 5 rounds up to 6

    // Frame: top, right, bottom black, left edge in the main colour (no right axis).
    auto lines = c.OpsOf(TCanvasOpKind::Line);
    auto frame = std::find_if(lines.begin(), lines.end(),
                              [](const TCanvasOp& op) { return SameLine(op, 79, 74, 592, 74); });
    ASSERT_NE(frame, lines.end());
    ASSERT_LE(frame + 4, lines.end());
    EXPECT_EQ(frame[0].PenColor, 0u);
    EXPECT_TRUE(SameLine(frame[1], 592, 74, 592, 464));
    EXPECT_EQ(frame[1].PenColor, 0u);
    EXPECT_TRUE(SameLine(frame[2], 592, 464, 79, 464));
    EXPECT_TRUE(SameLine(frame[3], 79, 464, 79, 74));
    EXPECT_EQ(frame[3].PenColor, kMain);

    // PH = 390 gives 13 rows: one-decade steps labelled 1 ... 1E6 right of the tick.
    const char* labels[] = {"1", "10", "100", "1000", "1E4", "1E5", "1E6"};
    for (int i = 0; i < 7; ++i) {
        const TCanvasOp* op = FindText(c, TCanvasOpKind::Text, labels[i]);
        ASSERT_NE(op, nullptr) << labels[i];
        EXPECT_EQ(op->FontColor, kMain);
        EXPECT_EQ(op->FontSize, 10);
        const int py = 464 - static_cast<int>(std::nearbyint(i * 390.0 / 6));
        const int width = static_cast<int>(std::nearbyint(6.0 * std::string(labels[i]).size()));
        EXPECT_EQ(op->X1 + width, 79 - 3);  // ends at the tick
        EXPECT_EQ(op->Y1, py - 6);          // centred on the tick row
    }
    // Tick lines cross the left edge.
    auto mainLines = LinesIn(c, kMain);
    EXPECT_TRUE(std::any_of(mainLines.begin(), mainLines.end(),
                            [](const TCanvasOp& op) { return SameLine(op, 76, 204, 82, 204); }));

    const TCanvasOp* title = FindText(c, TCanvasOpKind::Text, "XRD Plot: test");
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->FontBold);
    EXPECT_EQ(title->FontSize, 16);
    EXPECT_EQ(title->X1, 10 + (600 - 134) / 2);
    EXPECT_EQ(title->Y1, 20);
    const TCanvasOp* xTitle = FindText(c, TCanvasOpKind::Text, "TwoTheta");
    ASSERT_NE(xTitle, nullptr);
    EXPECT_EQ(xTitle->X1, 79 + (513 - 58) / 2);
    EXPECT_EQ(xTitle->Y1, 20 + 477 - 14);
    EXPECT_FALSE(xTitle->FontBold);
    // The y title reads upwards, centred along the axis, left of the widest label ("1000").
    const TCanvasOp* yTitle = FindText(c, TCanvasOpKind::VerticalText, "Counts");
    ASSERT_NE(yTitle, nullptr);
    EXPECT_EQ(yTitle->FontColor, kMain);
    EXPECT_EQ(yTitle->X1, 79 - 3 - 24 - 21);
    EXPECT_EQ(yTitle->Y1, 74 + (390 + 43) / 2);
    // No right axis without a secondary title, though secondary points exist.
    EXPECT_TRUE(LinesIn(c, kSlope).empty());
    EXPECT_EQ(FindText(c, TCanvasOpKind::VerticalText, "Slope"), nullptr);
    // X ticks: black, pointing down from the bottom edge, ending in the exact range limits.
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "20"), nullptr);
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "80"), nullptr);
    auto black = LinesIn(c, 0);
    EXPECT_TRUE(std::any_of(black.begin(), black.end(),
                            [](const TCanvasOp& op) { return SameLine(op, 592, 464, 592, 467); }));
}

TEST(DrawXrdPlot, SecondaryAxisOnlyWithSecondaryTitle) {
    TPlotDataset ds = LogDataset();
    ds.SecondaryTitle = "Slope";
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    EXPECT_EQ(area.Right, 69 + 600 - 138);  // the left margin is repeated on the right
    auto slope = LinesIn(c, kSlope);
    // Curve, right frame edge and tick lines across the right edge.
    EXPECT_GT(slope.size(), 20u);
    EXPECT_TRUE(std::any_of(slope.begin(), slope.end(), [&](const TCanvasOp& op) {
        return SameLine(op, area.Right, area.Top, area.Right, area.Bottom);
    }));
    const TCanvasOp* title = FindText(c, TCanvasOpKind::VerticalText, "Slope");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->FontColor, kSlope);
    EXPECT_GT(title->X1, area.Right);
    // Slope range -49.8 ... 49.9 rounds to -50 ... 50 on a linear axis, labels in its colour.
    const TCanvasOp* label = FindText(c, TCanvasOpKind::Text, "-50");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->FontColor, kSlope);
    EXPECT_EQ(label->X1, area.Right + 3);
}

TEST(DrawXrdPlot, MarkersWithAndWithoutLabels) {
    TPlotDataset ds = LogDataset();
    ds.Highlights = {{50.0, 0x0000FF, "Si (004)", true},
                     {30.0, 0xFF0000, "", true},
                     {90.0, 0x00FFFF, "outside", false}};
    ds.HighlightCount = 3;
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    const int px50 = area.Left + static_cast<int>(std::nearbyint(30.0 * 513 / 60));
    const int px30 = area.Left + static_cast<int>(std::nearbyint(10.0 * 513 / 60));
    auto red = LinesIn(c, 0x0000FF);
    ASSERT_EQ(red.size(), 1u);
    // Label at size 8: width 38, height 10; the line starts where the label ends.
    EXPECT_TRUE(SameLine(red[0], px50, area.Top + 38, px50, area.Bottom));
    const TCanvasOp* label = FindText(c, TCanvasOpKind::VerticalText, "Si (004)");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->X1, px50 - 5);
    EXPECT_EQ(label->Y1, area.Top + 38);
    EXPECT_EQ(label->FontSize, 8);
    EXPECT_EQ(label->FontColor, 0u);
    auto blue = LinesIn(c, 0xFF0000);
    ASSERT_EQ(blue.size(), 1u);
    EXPECT_TRUE(SameLine(blue[0], px30, area.Top, px30, area.Bottom));
    EXPECT_TRUE(LinesIn(c, 0x00FFFF).empty());
    EXPECT_EQ(FindText(c, TCanvasOpKind::VerticalText, "outside"), nullptr);
}

TEST(DrawXrdPlot, LogAxisZeroAtTheBottomAndNonPositiveMainCountsDrawnLinear) {
    TPlotDataset ds = LogDataset();
    TAdditionalDataset o;
    o.Points = {{30, 100}, {40, 0}, {50, 100}};
    o.Count = 3;
    o.Color = kOverlay;
    ds.Overlays = {o};
    ds.OverlayCount = 1;
    ds.ScaleOnOverlays = false;
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    auto lines = LinesIn(c, kOverlay);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const TCanvasOp& op) { return op.Y2 == area.Bottom; }));
    EXPECT_EQ(area.YMax, 6);  // still logarithmic: the overlay does not take part in the range

    ds.Points[3].Y = 0;  // a zero count in the window: this drawing is linear
    c.Clear();
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    EXPECT_EQ(area.YMin, 0);
    EXPECT_EQ(area.YMax, 200000);
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "2E5"), nullptr);
    // The overlay now counts (ScaleOnOverlays) and its zero keeps the axis linear as well.
    ds.Points[3].Y = 20;
    ds.ScaleOnOverlays = true;
    c.Clear();
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    EXPECT_EQ(area.YMax, 200000);
}

TEST(DrawXrdPlot, DegenerateInputDrawsSafely) {
    RecordingCanvas c;
    c.SetFontSize(14);
    TPlotArea area;
    // 10 x 10 pixels: nothing fits, nothing is drawn.
    DrawXrdPlot(c, 0, 0, 10, 10, LogDataset(), area);
    EXPECT_EQ(c.DrawCount(), 0u);

    // Zero-width x range (a one-point scan): frame and titles, no curve, no ticks.
    TPlotDataset one = LogDataset();
    one.Points.resize(1);
    one.SecondaryPoints.resize(1);
    one.Count = 1;
    one.ViewXMin = one.ViewXMax = 20;
    c.Clear();
    c.SetFontSize(12);
    DrawXrdPlot(c, 0, 0, 600, 477, one, area);
    EXPECT_EQ(LinesIn(c, kMain).size(), 1u);  // only the left frame edge
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "XRD Plot: test"), nullptr);

    // Empty record and a count larger than the arrays.
    TPlotDataset empty = LogDataset();
    empty.Points.clear();
    empty.SecondaryPoints.clear();
    empty.Count = 1000;
    c.Clear();
    DrawXrdPlot(c, 0, 0, 600, 477, empty, area);
    EXPECT_EQ(area.YMin, 0);
    EXPECT_EQ(area.YMax, 1);
    // An empty frame with a log axis of one decade.
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "1"), nullptr);
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "10"), nullptr);
}

TEST(DrawXrdPlot, HugeValuesAndNonFinitePoints) {
    TPlotDataset ds = LogDataset();
    ds.LogY = false;
    ds.Points[10].Y = 1e300;
    ds.Points[11].Y = NAN;
    ds.Points[12].Y = INFINITY;
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    EXPECT_EQ(area.YMin, 0);
    EXPECT_EQ(area.YMax, 2e300);
    auto lines = LinesIn(c, kMain);
    ASSERT_FALSE(lines.empty());
    for (const auto& op : lines) {
        EXPECT_GE(op.Y2, area.Top - 3);
        EXPECT_LE(op.Y2, area.Bottom);
    }
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "2E300"), nullptr);
}

TEST(DrawXrdPlot, CrowdedMarkersShrinkAndSpreadWithinTheArea) {
    TPlotDataset ds = LogDataset();
    for (int i = 0; i < 400; ++i)
        ds.Highlights.push_back({50.0 + i * 1e-3, 0x0000FF, "(hkl)", false});
    ds.HighlightCount = static_cast<int32_t>(ds.Highlights.size());
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 0, 0, 600, 477, ds, area);
    auto labels = c.OpsOf(TCanvasOpKind::VerticalText);
    size_t markerLabels = 0;
    for (const auto& op : labels) {
        if (op.Text != "(hkl)") continue;
        ++markerLabels;
        EXPECT_EQ(op.FontSize, 1);  // shrunk: 400 labels of height >= 1 against 300 pixels
        EXPECT_GE(op.X1 + 1, area.Left - 1);
        EXPECT_LE(op.X1, area.Right);
    }
    EXPECT_EQ(markerLabels, 400u);
    // Lines stay at their true column.
    auto lines = LinesIn(c, 0x0000FF);
    ASSERT_EQ(lines.size(), 400u);
    for (const auto& op : lines) {
        EXPECT_GE(op.X1, area.Left + 256);
        EXPECT_LE(op.X1, area.Left + 260);
    }
}

TEST(DrawXrdPlot, MillionPointsBecomeAtMostFourSegmentsPerColumn) {
    TPlotDataset ds = LogDataset();
    const int n = 1'000'000;
    ds.Points.resize(n);
    ds.SecondaryPoints.clear();
    for (int i = 0; i < n; ++i)
        ds.Points[i] = {20 + 60.0 * i / (n - 1), 100 + 50 * std::sin(i * 0.37) + (i % 97)};
    ds.Count = n;
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawXrdPlot(c, 0, 0, 1600, 1000, ds, area);
    const size_t columns = static_cast<size_t>(area.Right - area.Left + 1);
    const size_t curve = LinesIn(c, kMain).size();
    EXPECT_GT(curve, columns);
    EXPECT_LE(curve, 4 * columns + 100);
}

TEST(DrawFitPlot, OverlayLinesAndBoundaries) {
    TPlotDataset ds = LogDataset();
    ds.LogY = false;
    TAdditionalDataset o;
    o.Points = {{30, 1}, {40, 2}};
    o.Count = 2;
    o.Color = kOverlay;
    ds.Overlays = {o};
    ds.OverlayCount = 1;
    TFitOverlay fit;
    fit.ProfileKind = 0;
    fit.LeftBoundary = 30;
    fit.RightBoundary = 70;
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawFitPlot(c, 0, 0, 600, 477, fit, ds, area);
    EXPECT_TRUE(LinesIn(c, kOverlay).empty());  // no overlays in the fit chart
    EXPECT_TRUE(LinesIn(c, fit.FitColor).empty());
    auto bounds = LinesIn(c, fit.BoundaryColor);
    ASSERT_EQ(bounds.size(), 2u);
    const int left = area.Left + static_cast<int>(std::nearbyint(10.0 * 513 / 60));  // 85.5 -> 86
    EXPECT_EQ(left, area.Left + 86);
    EXPECT_TRUE(SameLine(bounds[0], left, area.Top, left, area.Bottom));

    fit.ProfileKind = 2;  // Gauss
    fit.Center = 50;
    fit.WidthFactor = 0.5;
    fit.Amplitude = 40000;
    fit.BackgroundOffset = 1000;
    c.Clear();
    DrawFitPlot(c, 0, 0, 600, 477, fit, ds, area);
    EXPECT_EQ(LinesIn(c, fit.FitColor).size(), static_cast<size_t>(area.Right - area.Left));
    EXPECT_EQ(LinesIn(c, fit.BackgroundColor).size(), static_cast<size_t>(area.Right - area.Left));
    auto green = LinesIn(c, fit.CenterColor);  // centre line and half-maximum line
    ASSERT_EQ(green.size(), 2u);
    const int center = area.Left + static_cast<int>(std::nearbyint(30.0 * 513 / 60));
    EXPECT_TRUE(SameLine(green[0], center, area.Top, center, area.Bottom));
    const double d = std::sqrt(std::log(2.0)) / 0.5;
    EXPECT_EQ(green[1].X1, area.Left + static_cast<int>(std::nearbyint((30 - d) * 513 / 60)));
    EXPECT_EQ(green[1].X2, area.Left + static_cast<int>(std::nearbyint((30 + d) * 513 / 60)));
    EXPECT_EQ(green[1].Y1, green[1].Y2);
}

TEST(DrawXYPlot, PointsLineFrameAndTicks) {
    TPlotXYDataset ds;
    ds.X = {0.5, 1.0, 1.5, 2.0};
    ds.Y = {4.1, 4.2, 4.3, 4.4};
    ds.Count = 4;
    ds.Color = 0xFF0000;
    ds.Slope = 0.2;
    ds.Intercept = 4.0;
    ds.XTitle = "NR";
    ds.YTitle = "a";
    RecordingCanvas c;
    c.SetFontSize(12);
    DrawXYPlot(c, 0, 0, 400, 300, ds);
    auto dots = c.OpsOf(TCanvasOpKind::Ellipse);
    ASSERT_EQ(dots.size(), 4u);
    // w = width of "i" div 2 = 3: circles of 30 pixels, blue fill, black outline.
    EXPECT_EQ(dots[0].X2 - dots[0].X1, 30);
    EXPECT_EQ(dots[0].BrushColor, 0xFF0000u);
    EXPECT_EQ(dots[0].PenColor, 0u);
    EXPECT_EQ(c.BrushColor(), 0xFFFFFFu);  // restored
    // x range 0.5 ... 2 rounds to 0.4 ... 3; y range 4.1 ... 4.4 to 4.1 ... 4.5.
    auto line = LinesIn(c, 0xFF0000);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line[0].X1, 69);
    EXPECT_EQ(line[0].PenWidth, 3);
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "4.5"), nullptr);
    EXPECT_NE(FindText(c, TCanvasOpKind::Text, "3"), nullptr);
    EXPECT_NE(FindText(c, TCanvasOpKind::VerticalText, "a"), nullptr);

    TPlotXYDataset none;  // no pairs: no points, no axes, no crash
    c.Clear();
    DrawXYPlot(c, 0, 0, 400, 300, none);
    EXPECT_TRUE(c.OpsOf(TCanvasOpKind::Ellipse).empty());
    c.Clear();
    DrawXYPlot(c, 0, 0, 10, 10, ds);
    EXPECT_EQ(c.DrawCount(), 0u);
}
