#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"
#include "plot/AxisScaling.h"
#include "plot/LabelSpreading.h"
#include "plot/PlotMapping.h"

using namespace trevasc::plot;
using trevasc::FormatGeneralFloat;

namespace {

void ExpectTicks(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << i;
}

}  // namespace

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
    double lo = RoundLowerBound(1e100), hi = RoundUpperBound(-1e100);
    AdjustRoundedRange(lo, hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0);
    // A positive lower bound below a tenth of the upper becomes 0.
    double a = 2, b = 30, c = 5, d = 30;
    AdjustRoundedRange(a, b);
    AdjustRoundedRange(c, d);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(c, 5.0);

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
    ExpectTicks(ValueAxisTicks(0, 6, 13, true), {0, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(ValueAxisTicks(0, 6, 20, true).size(), 13u);
    ExpectTicks(ValueAxisTicks(0, 6000, 5, false), {0, 2000, 4000, 6000});
    ExpectTicks(ValueAxisTicks(0, 6000, 2, false), {0, 6000});  // a step above the range
    // Straddling zero off the grid appends 0; on the grid (step 30) no extra tick.
    auto t = ValueAxisTicks(-3, 40, 4, false);
    EXPECT_EQ(t.front(), -3);
    EXPECT_EQ(t.back(), 0.0);
    t = ValueAxisTicks(-30, 70, 5, false);
    EXPECT_EQ(std::count(t.begin(), t.end(), 0.0), 1);
    EXPECT_EQ(t.size(), 4u);
    EXPECT_TRUE(ValueAxisTicks(1, 1, 10, false).empty());
    EXPECT_TRUE(ValueAxisTicks(0, INFINITY, 10, false).empty());

    // Scan axis: the end ticks are the exact range limits.
    ExpectTicks(ScanAxisTicks(20.3, 80.7, 8), {20.3, 30, 40, 50, 60, 70, 80.7});
    ExpectTicks(ScanAxisTicks(25.1, 80.7, 8), {25.1, 40, 50, 60, 70, 80, 80.7});
    EXPECT_EQ(ScanAxisTicks(0, 20, 11).size(), 5u);  // a mantissa of exactly 2 moves up to 5
    // 30° in 10 intervals: 3 -> 5° ticks; in 6 intervals exactly 5, which moves up to 10.
    ExpectTicks(ScanAxisTicks(20, 50, 11), {20, 25, 30, 35, 40, 45, 50});
    ExpectTicks(ScanAxisTicks(20, 50, 7), {20, 30, 40, 50});
    EXPECT_EQ(ScanAxisTicks(-7, 13, 3).back(), 0.0);
    EXPECT_TRUE(ScanAxisTicks(5, 5, 10).empty());
    EXPECT_TRUE(ScanAxisTicks(6, 5, 10).empty());
    ExpectTicks(ScatterXTicks(0, 1, 4), {0, 0.4, 1});
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
    TPlotArea a{100, 300, 50, 250, 10.0, 30.0, 0.0, 4.0};
    EXPECT_EQ(PixelToWorld(99, 251, a).X, 10.0);  // clamped to the area
    EXPECT_EQ(PixelToWorld(99, 251, a).Y, 0.0);
    EXPECT_EQ(PixelToWorld(301, 49, a).X, 30.0);
    EXPECT_EQ(PixelToWorld(301, 49, a).Y, 4.0);
    EXPECT_DOUBLE_EQ(PixelToWorld(200, 200, a).X, 20.0);
    EXPECT_DOUBLE_EQ(PixelToWorld(200, 200, a).Y, 1.0);
    TPlotArea flat{100, 100, 50, 50, 10.0, 30.0, 0.0, 4.0};  // no division by zero
    EXPECT_EQ(PixelToWorld(100, 50, flat).X, 10.0);
    EXPECT_EQ(PixelToWorld(100, 50, flat).Y, 0.0);

    TAxisMapping m;
    m.Left = 0, m.Right = 10, m.Top = 0, m.Bottom = 10;
    m.XMin = 0, m.XMax = 20, m.YMin = 0, m.YMax = 20;
    EXPECT_EQ(m.XToPixel(1.0), 0);  // halves to even: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2
    EXPECT_EQ(m.XToPixel(3.0), 2);
    EXPECT_EQ(m.XToPixel(5.0), 2);
    EXPECT_EQ(m.YToPixel(5.0), 8);              // 10 - Round(2.5)
    EXPECT_EQ(m.XToPixel(1e300), kPixelLimit);  // far outside: clamped, no overflow
    EXPECT_EQ(m.YToPixel(-1e300), 10 + kPixelLimit);
    m.LogY = true;
    m.YMin = 0, m.YMax = 2;
    EXPECT_EQ(m.YToPixel(0.0), 10);  // zero and negatives at the bottom
    EXPECT_EQ(m.YToPixel(-5.0), 10);
    EXPECT_EQ(m.YToPixel(10.0), 5);
    EXPECT_EQ(m.YToPixel(0.1), 15);  // positive values below the range lie below the frame
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
