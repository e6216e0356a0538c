#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "plot/PlotMapping.h"
#include "plot/RecordingCanvas.h"
#include "plot/ScanAxis.h"
#include "plot/XrdPlotRenderer.h"

using namespace trevasc;
using namespace trevasc::plot;

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

}  // namespace

TEST(ScanAxis, ConvertsBothWaysWithHandWorkedValues) {
    const ScanAxisMapping d(TScanAxis::Spacing, kLambda);
    EXPECT_NEAR(d.FromTwoTheta(60.0), 2.0, 1e-12);
    EXPECT_NEAR(d.FromTwoTheta(90.0), std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(d.ToTwoTheta(std::sqrt(2.0)), 90.0, 1e-9);
    EXPECT_TRUE(d.Descending());
    // No spacing at 2Theta = 0, and no reflection for d < lambda / 2.
    EXPECT_TRUE(std::isnan(d.FromTwoTheta(0.0)));
    EXPECT_TRUE(std::isnan(d.ToTwoTheta(0.9)));

    const ScanAxisMapping q(TScanAxis::ScatteringVector, kLambda);
    EXPECT_NEAR(q.FromTwoTheta(60.0), kPi, 1e-12);
    EXPECT_NEAR(q.FromTwoTheta(90.0), kPi * std::sqrt(2.0), 1e-12);
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
    EXPECT_NEAR(ds.Points.front().X, 2.0, 1e-12);
    EXPECT_NEAR(ds.Points.back().X, std::sqrt(2.0), 1e-12);
    EXPECT_EQ(ds.Points.front().Y, 100.0);
    EXPECT_NEAR(ds.SecondaryPoints.back().X, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(ds.Overlays[0].Points[0].X, 2.0, 1e-12);
    EXPECT_NEAR(ds.Highlights[0].X, std::sqrt(2.0), 1e-12);
    // Ranges keep the lower value first: 90 deg is the small end of d.
    EXPECT_NEAR(ds.FullXMin, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(ds.FullXMax, 2.0, 1e-12);
    const double d75 = kLambda / (2.0 * std::sin(37.5 * kPi / 180.0));
    EXPECT_NEAR(ds.ViewXMin, d75, 1e-12);
    EXPECT_NEAR(ds.ViewXMax, 2.0, 1e-12);

    // A zoom of the session in 2Theta, on the converted record.
    ConvertViewRange(ds, 90.0, 75.0, ScanAxisMapping(TScanAxis::Spacing, kLambda));
    EXPECT_NEAR(ds.ViewXMin, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(ds.ViewXMax, d75, 1e-12);

    TPlotDataset qs = TwoPeakDataset();
    ConvertPlotDataset(qs, ScanAxisMapping(TScanAxis::ScatteringVector, kLambda));
    EXPECT_FALSE(qs.XDescending);
    EXPECT_EQ(qs.XTitle, "Q [1/Å]");
    EXPECT_NEAR(qs.FullXMin, kPi, 1e-12);
    EXPECT_NEAR(qs.FullXMax, kPi * std::sqrt(2.0), 1e-12);
}

TEST(ScanAxis, RangeEndWithoutSpacingFallsBackToTheCurve) {
    TPlotDataset ds = TwoPeakDataset();
    ds.Points.insert(ds.Points.begin(), {0.0, 50.0});
    ds.FullXMin = ds.ViewXMin = 0.0;
    ConvertPlotDataset(ds, ScanAxisMapping(TScanAxis::Spacing, kLambda));
    EXPECT_TRUE(std::isnan(ds.Points.front().X));
    // The largest spacing of the curve stands in for 2Theta = 0.
    EXPECT_NEAR(ds.FullXMax, 2.0, 1e-12);
    EXPECT_NEAR(ds.ViewXMax, 2.0, 1e-12);
}

TEST(ScanAxis, DescendingMappingPutsLargeValuesLeft) {
    TAxisMapping m;
    m.Left = 10;
    m.Right = 110;
    m.XMin = 1.0;
    m.XMax = 3.0;
    m.XDescending = true;
    EXPECT_EQ(m.XToPixel(3.0), 10);
    EXPECT_EQ(m.XToPixel(1.0), 110);
    EXPECT_EQ(m.XToPixel(1.5), 85);
    EXPECT_DOUBLE_EQ(m.PixelToX(85), 1.5);

    TPlotArea area;
    area.Left = 10;
    area.Right = 110;
    area.Bottom = 100;
    area.XMin = 1.0;
    area.XMax = 3.0;
    area.XDescending = true;
    EXPECT_DOUBLE_EQ(PixelToWorld(10, 50, area).X, 3.0);
    EXPECT_DOUBLE_EQ(PixelToWorld(85, 50, area).X, 1.5);
    EXPECT_DOUBLE_EQ(PixelToWorld(0, 50, area).X, 3.0);    // left of the area
    EXPECT_DOUBLE_EQ(PixelToWorld(500, 50, area).X, 1.0);  // right of it
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
