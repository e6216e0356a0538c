// The axes: bounds, steps, ticks and labels, the pixel mapping, label spreading, and the
// spacing and scattering-vector axes of 2Theta scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

#include "base/NumberText.h"
#include "plot/AxisScaling.h"
#include "plot/LabelSpreading.h"
#include "plot/PlotMapping.h"
#include "plot/RecordingCanvas.h"
#include "plot/ScanAxis.h"
#include "plot/XrdPlotRenderer.h"

using namespace trevasc;
using namespace trevasc::plot;
using trevasc::FormatGeneralFloat;

namespace {

constexpr double kPi = std::numbers::pi;
// With lambda = 2 A: 2Theta = 60 deg gives sin(theta) = 1/2, so d = 2 A and Q = pi 1/A;
// 2Theta = 90 deg gives d = sqrt(2) A and Q = pi sqrt(2) 1/A.
constexpr double kLambda = 2.0;

TPlotDataset TwoPeakDataset() {
    TPlotDataset ds;
    for (double x : {60.0, 75.0, 90.0}) ds.Points.push_back({x, 100.0});
    ds.SecondaryPoints = {{60.0, 1.0}, {75.0, 2.0}, {90.0, 3.0}};
    ds.Highlights.push_back({90.0, 0xFF0000, "peak", true});
    ds.Overlays.push_back({{{60.0, 5.0}, {90.0, 6.0}}, 0x00FF00});
    ds.FullXMin = 60.0;
    ds.FullXMax = 90.0;
    ds.ViewXMin = 60.0;
    ds.ViewXMax = 75.0;
    ds.XTitle = "TwoTheta";
    ds.MainColor = 0x0000AA;
    return ds;
}

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want,
                double tolerance = 1e-12) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], tolerance) << i;
}

}  // namespace

TEST(ScanAxis, ConvertsBothWaysWithHandWorkedValues) {
    const ScanAxisMapping d(TScanAxis::Spacing, kLambda);
    ExpectNear({d.FromTwoTheta(60.0), d.FromTwoTheta(90.0)}, {2.0, std::sqrt(2.0)});
    EXPECT_NEAR(d.ToTwoTheta(std::sqrt(2.0)), 90.0, 1e-9);
    EXPECT_TRUE(d.Descending());
    // No spacing at 2Theta = 0, and no reflection for d < lambda / 2.
    EXPECT_TRUE(std::isnan(d.FromTwoTheta(0.0)));
    EXPECT_TRUE(std::isnan(d.ToTwoTheta(0.9)));

    const ScanAxisMapping q(TScanAxis::ScatteringVector, kLambda);
    ExpectNear({q.FromTwoTheta(60.0), q.FromTwoTheta(90.0)}, {kPi, kPi * std::sqrt(2.0)});
    EXPECT_NEAR(q.ToTwoTheta(kPi), 60.0, 1e-9);
    EXPECT_FALSE(q.Descending());
}

TEST(ScanAxis, StaysTwoThetaWithoutWavelengthOrForOtherScans) {
    for (double lambda : {0.0, -1.5, std::nan("")}) {
        const ScanAxisMapping m(TScanAxis::Spacing, lambda);
        EXPECT_TRUE(m.IsTwoTheta());
        EXPECT_EQ(m.FromTwoTheta(42.5), 42.5);
    }
    EXPECT_TRUE(PlotAxisMapping(TScanAxis::Spacing, TScanKind::Omega, kLambda).IsTwoTheta());
    EXPECT_TRUE(PlotAxisMapping(TScanAxis::ScatteringVector, TScanKind::Phi, kLambda).IsTwoTheta());
    EXPECT_EQ(PlotAxisMapping(TScanAxis::Spacing, TScanKind::TwoTheta, kLambda).Axis(),
              TScanAxis::Spacing);
}

TEST(ScanAxis, ConvertsEveryPartOfThePlotRecord) {
    TPlotDataset ds = TwoPeakDataset();
    ConvertPlotDataset(ds, ScanAxisMapping(TScanAxis::Spacing, kLambda));
    EXPECT_TRUE(ds.XDescending);
    EXPECT_EQ(ds.XTitle, "d [Å]");
    EXPECT_EQ(ds.Points.front().Y, 100.0);
    // Curves, overlays and markers; ranges keep the lower value first (90 deg is the small end
    // of d).
    const double r2 = std::sqrt(2.0), d75 = kLambda / (2.0 * std::sin(37.5 * kPi / 180.0));
    ExpectNear({ds.Points.front().X, ds.Points.back().X, ds.SecondaryPoints.back().X,
                ds.Overlays[0].Points[0].X, ds.Highlights[0].X, ds.FullXMin, ds.FullXMax,
                ds.ViewXMin, ds.ViewXMax},
               {2.0, r2, r2, 2.0, r2, r2, 2.0, d75, 2.0});
    // A zoom of the session in 2Theta, on the converted record.
    ConvertViewRange(ds, 90.0, 75.0, ScanAxisMapping(TScanAxis::Spacing, kLambda));
    ExpectNear({ds.ViewXMin, ds.ViewXMax}, {r2, d75});

    TPlotDataset qs = TwoPeakDataset();
    ConvertPlotDataset(qs, ScanAxisMapping(TScanAxis::ScatteringVector, kLambda));
    EXPECT_FALSE(qs.XDescending);
    EXPECT_EQ(qs.XTitle, "Q [1/Å]");
    ExpectNear({qs.FullXMin, qs.FullXMax}, {kPi, kPi * r2});
}

TEST(ScanAxis, RangeEndWithoutSpacingFallsBackToTheCurve) {
    TPlotDataset ds = TwoPeakDataset();
    ds.Points.insert(ds.Points.begin(), {0.0, 50.0});
    ds.FullXMin = ds.ViewXMin = 0.0;
    ConvertPlotDataset(ds, ScanAxisMapping(TScanAxis::Spacing, kLambda));
    EXPECT_TRUE(std::isnan(ds.Points.front().X));
    // The largest spacing of the curve stands in for 2Theta = 0.
    ExpectNear({ds.FullXMax, ds.ViewXMax}, {2.0, 2.0});
}

TEST(ScanAxis, DescendingMappingPutsLargeValuesLeft) {
    TAxisMapping m;
    m.Left = 10, m.Right = 110, m.XMin = 1.0, m.XMax = 3.0, m.XDescending = true;
    EXPECT_EQ((std::vector<int>{m.XToPixel(3.0), m.XToPixel(1.0), m.XToPixel(1.5)}),
              (std::vector<int>{10, 110, 85}));
    EXPECT_DOUBLE_EQ(m.PixelToX(85), 1.5);
    // The click readout, also left and right of the area.
    const TPlotArea area{10, 110, 0, 100, 1.0, 3.0, 0.0, 0.0, true};
    EXPECT_EQ((std::vector<double>{PixelToWorld(10, 50, area).X, PixelToWorld(85, 50, area).X,
                                   PixelToWorld(0, 50, area).X, PixelToWorld(500, 50, area).X}),
              (std::vector<double>{3.0, 1.5, 3.0, 1.0}));
}

TEST(ScanAxis, ChartOnSpacingAxisDrawsLargeSpacingsOnTheLeft) {
    TPlotDataset ds = TwoPeakDataset();
    ds.ViewXMax = 90.0;
    ds.Highlights.push_back({75.0, 0x00FFFF, "", false});
    ConvertPlotDataset(ds, ScanAxisMapping(TScanAxis::Spacing, kLambda));
    RecordingCanvas canvas;
    TPlotArea area;
    DrawXrdPlot(canvas, 0, 0, 600, 400, ds, area);
    ASSERT_TRUE(area.XDescending);
    // The marker at d = sqrt(2) (2Theta = 90) is the right end of the axis.
    EXPECT_NEAR(PixelToWorld(area.Right, area.Top, area).X, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(PixelToWorld(area.Left, area.Top, area).X, 2.0, 1e-12);
    // An unlabelled marker at 2Theta = 75 deg sits where its spacing falls, counted from the
    // right end (the small spacings).
    const double d75 = kLambda / (2.0 * std::sin(37.5 * kPi / 180.0));
    const int expected =
        area.Right - static_cast<int>(std::lround((d75 - std::sqrt(2.0)) / (2.0 - std::sqrt(2.0)) *
                                                  (area.Right - area.Left)));
    int markerX = -1;
    for (const TCanvasOp& op : canvas.Ops())
        if (op.Kind == TCanvasOpKind::Line && op.PenColor == 0x00FFFF) markerX = op.X1;
    EXPECT_EQ(markerX, expected);
}

TEST(AxisScaling, BoundRoundingAndStepTable) {
    // {value, lower bound, upper bound}: exact powers of ten keep their decade (1000 -> 0 / 2000).
    const double bounds[][3] = {{3.7, 2, 4},        {1.5, 0, 2},     {-3.7, -4, -2},
                                {3.0, 2, 4},        {0.0, 0, 0},     {120, 0, 200},
                                {5400, 4000, 6000}, {1000, 0, 2000}, {1e300, 0, 2e300}};
    for (const auto& b : bounds) {
        EXPECT_DOUBLE_EQ(RoundLowerBound(b[0]), b[1]) << b[0];
        EXPECT_DOUBLE_EQ(RoundUpperBound(b[0]), b[2]) << b[0];
    }
    // The empty range (1e100, -1e100) becomes (0, 0) and then (0, 1).
    // A positive lower bound below a tenth of the upper becomes 0.
    double lo = RoundLowerBound(1e100), hi = RoundUpperBound(-1e100), a = 2, b = 30, c = 5, d = 30;
    AdjustRoundedRange(lo, hi);
    AdjustRoundedRange(a, b);
    AdjustRoundedRange(c, d);
    EXPECT_EQ(std::tuple(lo, hi, a, c), std::tuple(0.0, 1.0, 0.0, 5.0));

    // The log step table compares with the doubles above its decimal constants.
    const double steps[][2] = {{0.6, 1.0},    {0.5, 0.5},     {0.4, 0.5},    {0.25, 0.25},
                               {0.1, 0.25},   {0.05, 0.1},    {0.025, 0.05}, {0.01, 0.025},
                               {0.005, 0.01}, {0.004, 0.004}, {3.0, 1.0}};
    for (const auto& s : steps) EXPECT_EQ(LogAxisStep(s[0]), s[1]) << s[0];
    EXPECT_NEAR(RoundStepUp(6.0 / 19), 0.4, 1e-15);
    EXPECT_NEAR(RoundStepUp(0.5), 0.6, 1e-15);  // strictly above
}

TEST(AxisScaling, Ticks) {
    // Log decades 0 ... 6 with 13 rows: one-decade steps; 20 rows: half decades.
    ExpectNear(ValueAxisTicks(0, 6, 13, true), {0, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(ValueAxisTicks(0, 6, 20, true).size(), 13u);
    ExpectNear(ValueAxisTicks(0, 6000, 5, false), {0, 2000, 4000, 6000});
    ExpectNear(ValueAxisTicks(0, 6000, 2, false), {0, 6000});  // a step above the range
    // Straddling zero off the grid appends 0; on the grid (step 30) no extra tick.
    auto t = ValueAxisTicks(-3, 40, 4, false);
    EXPECT_EQ(std::pair(t.front(), t.back()), std::pair(-3.0, 0.0));
    t = ValueAxisTicks(-30, 70, 5, false);
    EXPECT_EQ(std::pair(std::count(t.begin(), t.end(), 0.0), t.size()), std::pair(1l, 4ul));
    EXPECT_TRUE(ValueAxisTicks(1, 1, 10, false).empty());
    EXPECT_TRUE(ValueAxisTicks(0, INFINITY, 10, false).empty());

    // Scan axis: the end ticks are the exact range limits.
    ExpectNear(ScanAxisTicks(20.3, 80.7, 8), {20.3, 30, 40, 50, 60, 70, 80.7});
    ExpectNear(ScanAxisTicks(25.1, 80.7, 8), {25.1, 40, 50, 60, 70, 80, 80.7});
    EXPECT_EQ(ScanAxisTicks(0, 20, 11).size(), 5u);  // a mantissa of exactly 2 moves up to 5
    // 30° in 10 intervals: 3 -> 5° ticks; in 6 intervals exactly 5, which moves up to 10.
    ExpectNear(ScanAxisTicks(20, 50, 11), {20, 25, 30, 35, 40, 45, 50});
    ExpectNear(ScanAxisTicks(20, 50, 7), {20, 30, 40, 50});
    EXPECT_EQ(ScanAxisTicks(-7, 13, 3).back(), 0.0);
    EXPECT_TRUE(ScanAxisTicks(5, 5, 10).empty());
    EXPECT_TRUE(ScanAxisTicks(6, 5, 10).empty());
    ExpectNear(ScatterXTicks(0, 1, 4), {0, 0.4, 1});
}

TEST(AxisScaling, GeneralFormatOfTheLabels) {
    // 9999.6: the rounding carries into a new digit.
    const std::pair<double, const char*> cases[] = {
        {1000, "1000"},       {10000, "1E4"},     {3.16227766, "3.162"}, {-2.5, "-2.5"},
        {0.00001, "0.00001"}, {0.000009, "9E-6"}, {9999.6, "1E4"}};
    for (const auto& [v, text] : cases) EXPECT_EQ(FormatGeneralFloat(v, 4), text) << v;
    EXPECT_EQ(FormatGeneralFloat(123456, 5), "1.2346E5");
    EXPECT_EQ(FormatGeneralFloat(20.3, 5, ','), "20,3");
}

TEST(PlotMapping, PixelWorldConversions) {
    // Outside the area clamped to it; a flat area without a division by zero.
    const TPlotArea a{100, 300, 50, 250, 10.0, 30.0, 0.0, 4.0};
    const TPlotArea flat{100, 100, 50, 50, 10.0, 30.0, 0.0, 4.0};
    std::vector<double> world;
    for (const auto& [x, y, area] : {std::tuple(99, 251, a), std::tuple(301, 49, a),
                                     std::tuple(200, 200, a), std::tuple(100, 50, flat)})
        world.insert(world.end(), {PixelToWorld(x, y, area).X, PixelToWorld(x, y, area).Y});
    ExpectNear(world, {10, 0, 30, 4, 20, 1, 10, 0});

    TAxisMapping m;
    m.Left = 0, m.Right = 10, m.Top = 0, m.Bottom = 10;
    m.XMin = 0, m.XMax = 20, m.YMin = 0, m.YMax = 20;
    // Halves to even: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2; y 10 - Round(2.5); far outside clamped.
    EXPECT_EQ((std::vector<int>{m.XToPixel(1.0), m.XToPixel(3.0), m.XToPixel(5.0), m.YToPixel(5.0),
                                m.XToPixel(1e300), m.YToPixel(-1e300)}),
              (std::vector<int>{0, 2, 2, 8, kPixelLimit, 10 + kPixelLimit}));
    // Log: zero and negatives at the bottom, positive values below the range below the frame.
    m.LogY = true;
    m.YMin = 0, m.YMax = 2;
    EXPECT_EQ(
        (std::vector<int>{m.YToPixel(0.0), m.YToPixel(-5.0), m.YToPixel(10.0), m.YToPixel(0.1)}),
        (std::vector<int>{10, 10, 5, 15}));
}

TEST(LabelSpreading, SeparatesNeighboursWithinTheAreaAndStops) {
    std::vector<int> px{50, 52}, h{10, 10};
    EXPECT_LT(SpreadLabels(px, h, 0, 100, 1000), 20);
    EXPECT_GE(px[1] - px[0], 10);
    // More labels than fit side by side: bounded, and never beyond the area.
    std::vector<int> crowd(200, 50), heights(200, 10);
    const int limit = LabelSpreadPassLimit(crowd.size(), 0, 100);
    EXPECT_LE(SpreadLabels(crowd, heights, 0, 100, limit), limit);
    for (int x : crowd) EXPECT_TRUE(x >= 0 && x <= 100) << x;
    EXPECT_GE(LabelSpreadPassLimit(1'000'000, 0, 100), 1);
    EXPECT_LE(LabelSpreadPassLimit(1'000'000, 0, 100), 20);
}
