#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "formats/NumberText.h"
#include "plot/AxisScaling.h"
#include "plot/LabelSpreading.h"
#include "plot/PlotMapping.h"

using namespace trevasc::plot;
using trevasc::formats::FormatGeneralFloat;

TEST(AxisScaling, BoundRounding) {
    EXPECT_DOUBLE_EQ(RoundLowerBound(3.7), 2);
    EXPECT_DOUBLE_EQ(RoundLowerBound(1.5), 0);
    EXPECT_DOUBLE_EQ(RoundLowerBound(-3.7), -4);
    EXPECT_DOUBLE_EQ(RoundUpperBound(3.7), 4);
    EXPECT_DOUBLE_EQ(RoundUpperBound(3.0), 4);
    EXPECT_DOUBLE_EQ(RoundUpperBound(-3.7), -2);
    EXPECT_DOUBLE_EQ(RoundLowerBound(0.0), 0);
    EXPECT_DOUBLE_EQ(RoundUpperBound(0.0), 0);
    // Counts 120 ... 5400 on a linear axis: 0 ... 6000.
    EXPECT_DOUBLE_EQ(RoundLowerBound(120), 0);
    EXPECT_DOUBLE_EQ(RoundUpperBound(5400), 6000);
    // Exact powers of ten keep their decade: 1000 -> 0 below, 2000 above.
    EXPECT_DOUBLE_EQ(RoundLowerBound(1000), 0);
    EXPECT_DOUBLE_EQ(RoundUpperBound(1000), 2000);
    EXPECT_DOUBLE_EQ(RoundUpperBound(1e300), 2e300);
    // The empty range (1e100, -1e100) becomes (0, 0) and then (0, 1).
    double lo = RoundLowerBound(1e100), hi = RoundUpperBound(-1e100);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 0.0);
    AdjustRoundedRange(lo, hi);
    EXPECT_EQ(hi, 1.0);
    double a = 2, b = 30;  // a positive lower bound below a tenth of the upper becomes 0
    AdjustRoundedRange(a, b);
    EXPECT_EQ(a, 0.0);
    a = 5, b = 30;
    AdjustRoundedRange(a, b);
    EXPECT_EQ(a, 5.0);
}

TEST(AxisScaling, LogStepTableUsesTheDoublesAboveTheDecimalConstants) {
    EXPECT_EQ(LogAxisStep(0.6), 1.0);
    EXPECT_EQ(LogAxisStep(0.5), 0.5);
    EXPECT_EQ(LogAxisStep(0.4), 0.5);
    EXPECT_EQ(LogAxisStep(0.25), 0.25);
    EXPECT_EQ(LogAxisStep(0.1), 0.25);
    EXPECT_EQ(LogAxisStep(0.05), 0.1);
    EXPECT_EQ(LogAxisStep(0.025), 0.05);
    EXPECT_EQ(LogAxisStep(0.01), 0.025);
    EXPECT_EQ(LogAxisStep(0.005), 0.01);
    EXPECT_EQ(LogAxisStep(0.004), 0.004);
    EXPECT_EQ(LogAxisStep(3.0), 1.0);  // never more than a decade
    EXPECT_NEAR(RoundStepUp(6.0 / 19), 0.4, 1e-15);
    EXPECT_NEAR(RoundStepUp(0.5), 0.6, 1e-15);  // strictly above
}

TEST(AxisScaling, ValueAxisTicks) {
    // Log range 10 ... 100000 -> decades 0 ... 6: one-decade step with at most 13 rows.
    auto t = ValueAxisTicks(0, 6, 13, true);
    ASSERT_EQ(t.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(t[i], i, 1e-12);
    EXPECT_EQ(ValueAxisTicks(0, 6, 20, true).size(), 13u);  // half decades
    // Linear 0 ... 6000 with 5 rows: step 1500 -> 2000; last tick is the maximum.
    t = ValueAxisTicks(0, 6000, 5, false);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1], 2000);
    EXPECT_EQ(t[3], 6000);
    // Straddling zero off the grid appends 0.
    t = ValueAxisTicks(-3, 40, 4, false);
    EXPECT_EQ(t.front(), -3);
    EXPECT_EQ(t.back(), 0.0);
    // On the grid no extra tick.
    t = ValueAxisTicks(-30, 70, 5, false);  // step 30: 0 lies on the grid
    EXPECT_EQ(std::count(t.begin(), t.end(), 0.0), 1);
    EXPECT_EQ(t.size(), 4u);
    // A step above the range still shows both ends.
    t = ValueAxisTicks(0, 6000, 2, false);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1], 6000);
    EXPECT_TRUE(ValueAxisTicks(1, 1, 10, false).empty());
    EXPECT_TRUE(ValueAxisTicks(0, INFINITY, 10, false).empty());
}

TEST(AxisScaling, ScanAxisTicks) {
    // Raw step between 5 and 10 -> 10; the end ticks are the exact range limits.
    auto t = ScanAxisTicks(20.3, 80.7, 8);
    std::vector<double> want{20.3, 30, 40, 50, 60, 70, 80.7};
    ASSERT_EQ(t.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(t[i], want[i], 1e-9);
    t = ScanAxisTicks(25.1, 80.7, 8);
    want = {25.1, 40, 50, 60, 70, 80, 80.7};
    ASSERT_EQ(t.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(t[i], want[i], 1e-9);
    // A mantissa of exactly 2 moves up to 5.
    t = ScanAxisTicks(0, 20, 11);
    EXPECT_EQ(t.size(), 5u);
    t = ScanAxisTicks(-7, 13, 3);  // step 10 -> 20, -7/20 is not whole: 0 appended
    EXPECT_EQ(t.back(), 0.0);
    EXPECT_TRUE(ScanAxisTicks(5, 5, 10).empty());
    EXPECT_TRUE(ScanAxisTicks(6, 5, 10).empty());
    t = ScatterXTicks(0, 1, 4);  // 1/3 -> 0.4
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NEAR(t[1], 0.4, 1e-12);
    EXPECT_EQ(t[2], 1.0);
}

TEST(AxisScaling, GeneralFormatOfTheLabels) {
    EXPECT_EQ(FormatGeneralFloat(1, 4), "1");
    EXPECT_EQ(FormatGeneralFloat(1000, 4), "1000");
    EXPECT_EQ(FormatGeneralFloat(10000, 4), "1E4");
    EXPECT_EQ(FormatGeneralFloat(1e5, 4), "1E5");
    EXPECT_EQ(FormatGeneralFloat(3.16227766, 4), "3.162");
    EXPECT_EQ(FormatGeneralFloat(0.30000000000000004, 4), "0.3");
    EXPECT_EQ(FormatGeneralFloat(-2.5, 4), "-2.5");
    EXPECT_EQ(FormatGeneralFloat(0.00001, 4), "0.00001");
    EXPECT_EQ(FormatGeneralFloat(0.000009, 4), "9E-6");
    EXPECT_EQ(FormatGeneralFloat(12345, 5), "12345");
    EXPECT_EQ(FormatGeneralFloat(123456, 5), "1.2346E5");
    EXPECT_EQ(FormatGeneralFloat(9999.6, 4), "1E4");  // rounding carries into a new digit
    EXPECT_EQ(FormatGeneralFloat(20.3, 5, ','), "20,3");
    EXPECT_EQ(FormatGeneralFloat(0, 4), "0");
}

TEST(PlotMapping, PixelToWorldEdges) {
    TPlotArea a{100, 300, 50, 250, 10.0, 30.0, 0.0, 4.0};
    EXPECT_EQ(PixelToWorld(99, 100, a).X, 10.0);
    EXPECT_EQ(PixelToWorld(301, 100, a).X, 30.0);
    EXPECT_EQ(PixelToWorld(100, 100, a).X, 10.0);
    EXPECT_EQ(PixelToWorld(300, 100, a).X, 30.0);
    EXPECT_DOUBLE_EQ(PixelToWorld(200, 100, a).X, 20.0);
    EXPECT_EQ(PixelToWorld(150, 49, a).Y, 4.0);
    EXPECT_EQ(PixelToWorld(150, 251, a).Y, 0.0);
    EXPECT_DOUBLE_EQ(PixelToWorld(150, 200, a).Y, 1.0);
    // No width or height: no division by zero.
    TPlotArea flat{100, 100, 50, 50, 10.0, 30.0, 0.0, 4.0};
    EXPECT_EQ(PixelToWorld(100, 50, flat).X, 10.0);
    EXPECT_EQ(PixelToWorld(100, 50, flat).Y, 0.0);
}

TEST(PlotMapping, WorldToPixelRoundsHalvesToEvenAndPutsLogZeroAtTheBottom) {
    TAxisMapping m;
    m.Left = 0, m.Right = 10, m.Top = 0, m.Bottom = 10;
    m.XMin = 0, m.XMax = 20, m.YMin = 0, m.YMax = 20;
    EXPECT_EQ(m.XToPixel(1.0), 0);              // 0.5 -> 0
    EXPECT_EQ(m.XToPixel(3.0), 2);              // 1.5 -> 2
    EXPECT_EQ(m.XToPixel(5.0), 2);              // 2.5 -> 2
    EXPECT_EQ(m.YToPixel(5.0), 8);              // 10 - Round(2.5)
    EXPECT_EQ(m.XToPixel(1e300), kPixelLimit);  // far outside: clamped, no overflow
    EXPECT_EQ(m.YToPixel(-1e300), 10 + kPixelLimit);
    m.LogY = true;
    m.YMin = 0, m.YMax = 2;
    EXPECT_EQ(m.YToPixel(0.0), 10);
    EXPECT_EQ(m.YToPixel(-5.0), 10);
    EXPECT_EQ(m.YToPixel(10.0), 5);
    EXPECT_EQ(m.YToPixel(0.1), 15);  // positive values below the range lie below the frame
}

TEST(LabelSpreading, SeparatesNeighboursWithinTheAreaAndStops) {
    std::vector<int> px{50, 52};
    std::vector<int> h{10, 10};
    const int passes = SpreadLabels(px, h, 0, 100, 1000);
    EXPECT_GE(px[1] - px[0], 10);
    EXPECT_LT(passes, 20);
    // More labels than fit side by side: bounded, and never beyond the area.
    std::vector<int> crowd(200, 50), heights(200, 10);
    const int limit = LabelSpreadPassLimit(crowd.size(), 0, 100);
    const int run = SpreadLabels(crowd, heights, 0, 100, limit);
    EXPECT_LE(run, limit);
    for (int x : crowd) {
        EXPECT_GE(x, 0);
        EXPECT_LE(x, 100);
    }
    EXPECT_GE(LabelSpreadPassLimit(1'000'000, 0, 100), 1);
    EXPECT_LE(LabelSpreadPassLimit(1'000'000, 0, 100), 20);
}
