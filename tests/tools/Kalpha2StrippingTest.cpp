// Kα2 stripping: the recursion on a hand-made doublet, its interpolation and edge rules, the
// flat background's limit, and the doublet lookup in the line table.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "core/DiffractionGeometry.h"
#include "tools/profile/Kalpha2Stripping.h"

using namespace trevasc;
using namespace trevasc::tools;

namespace {

const KalphaDoublet kCopper{1.540562, 1.544390};

// The Kα1 angle whose Kα2 partner... inverted: the angle x whose Kα2-side partner
// 2·asin((λ1/λ2)·sin(x/2)) is `partner`, worked with the plain formula in radians.
double AngleWithPartner(double partner, const KalphaDoublet& d) {
    const double deg = std::numbers::pi / 180.0;
    return 2.0 * std::asin(std::sin(partner / 2.0 * deg) * d.Alpha2 / d.Alpha1) / deg;
}

}  // namespace

TEST(Kalpha2Stripping, HandMadeDoubletWorkedByHand) {
    // 29.9 and 30.0 first; the partner of 30.0 (29.92) lies above the previous point, so that
    // point's value is taken; the third point's partner is the midpoint 29.95; every later
    // point's partner is the point three before it.
    std::vector<double> x = {29.9, 30.0, AngleWithPartner(29.95, kCopper)};
    for (int i = 3; i < 7; ++i)
        x.push_back(AngleWithPartner(x[static_cast<size_t>(i - 2)], kCopper));
    for (size_t i = 1; i < x.size(); ++i) ASSERT_GT(x[i], x[i - 1]);
    const std::vector<double> y = {20, 40, 60, 200, 150, 100, 70};
    const std::vector<double> half = StripKalpha2(x, y, kCopper, 0.5);
    // 20; 40 - 10; 60 - 0.5 (20 + 30) / 2; 200 - 0.5·30; 150 - 0.5·47.5; 100 - 0.5·185;
    // 70 - 0.5·126.25
    const std::vector<double> expectedHalf = {20, 30, 47.5, 185, 126.25, 7.5, 6.875};
    // The same with R = 0.25.
    const std::vector<double> expectedQuarter = {20,        35,      53.125,    191.25,
                                                 136.71875, 52.1875, 35.8203125};
    const std::vector<double> quarter = StripKalpha2(x, y, kCopper, 0.25);
    ASSERT_EQ(half.size(), expectedHalf.size());
    for (size_t i = 0; i < half.size(); ++i) {
        EXPECT_NEAR(half[i], expectedHalf[i], 1e-9) << i;
        EXPECT_NEAR(quarter[i], expectedQuarter[i], 1e-9) << i;
    }
}

TEST(Kalpha2Stripping, PartnerBetweenPointsIsInterpolatedAndAbovePreviousTakesIt) {
    // The last point's partner lies a quarter of the way from 30.0 to 30.04.
    const double partner = 30.01;
    const std::vector<double> x = {30.0, 30.04, 30.045, AngleWithPartner(partner, kCopper)};
    ASSERT_GT(x[3], x[2]);
    const std::vector<double> y = {40, 80, 10, 100};
    const std::vector<double> s = StripKalpha2(x, y, kCopper, 0.5);
    // The partners of 30.04 (29.96...) and 30.045 lie below the first point.
    EXPECT_EQ(std::vector<double>(s.begin(), s.begin() + 3), (std::vector<double>{40, 80, 10}));
    EXPECT_NEAR(s[3], 100.0 - 0.5 * (40.0 + 0.25 * 40.0), 1e-7);

    // Two points far apart: the partner of 40° (about 39.9°) lies above the previous point.
    const std::vector<double> wide = StripKalpha2(std::vector<double>{30.0, 40.0},
                                                  std::vector<double>{10.0, 50.0}, kCopper, 0.5);
    EXPECT_DOUBLE_EQ(wide[1], 45.0);
}

TEST(Kalpha2Stripping, FlatBackgroundTendsToTwoThirdsAndNothingIsClamped) {
    std::vector<double> x, y;
    for (int i = 0; i <= 6000; ++i) {
        x.push_back(20.0 + 0.01 * i);
        y.push_back(300.0);
    }
    const std::vector<double> s = StripKalpha2(x, y, kCopper, 0.5);
    EXPECT_DOUBLE_EQ(s.front(), 300.0);
    for (size_t i = s.size() - 10; i < s.size(); ++i) EXPECT_NEAR(s[i], 200.0, 1e-9);

    // A narrow line with no Kα2 of its own: the stripping leaves a negative ghost where the line's
    // partner would be, and keeps it.
    std::vector<double> line(x.size(), 0.0);
    line[1000] = 1000.0;  // at 30°
    const std::vector<double> ghost = StripKalpha2(x, line, kCopper, 0.5);
    double lowest = 0.0;
    for (double v : ghost) lowest = std::min(lowest, v);
    EXPECT_LT(lowest, -100.0);
}

TEST(Kalpha2Stripping, LeavesInputThatCannotBeStrippedUnchanged) {
    const std::vector<double> y = {1, 2, 3};
    EXPECT_EQ(StripKalpha2(std::vector<double>{30, 29, 31}, y, kCopper, 0.5), y);
    EXPECT_EQ(StripKalpha2(std::vector<double>{30, 31, 32}, y, kCopper, 0.0), y);
    EXPECT_EQ(StripKalpha2(std::vector<double>{30, 31, 32}, y, KalphaDoublet{}, 0.5), y);
    EXPECT_TRUE(StripKalpha2(std::vector<double>{}, std::vector<double>{}, kCopper, 0.5).empty());
}

TEST(Kalpha2Stripping, DoubletComesFromTheLineTable) {
    const XrayLineTable table(std::string(TREVASC_SOURCE_DIR) + "/data/XRAY.DEF");
    const KalphaDoubletLookup cu = FindKalphaDoublet(table, "Cu K-Alpha1");
    ASSERT_TRUE(cu.Doublet && cu.Reason.empty());
    EXPECT_NEAR(cu.Doublet->Alpha1, 1.540562, 1e-6);
    EXPECT_NEAR(cu.Doublet->Alpha2, 1.544390, 1e-6);
    const KalphaDoubletLookup mo = FindKalphaDoublet(table, "Mo K-Alpha1");
    ASSERT_TRUE(mo.Doublet);
    EXPECT_NEAR(mo.Doublet->Alpha2, 0.713590, 1e-6);

    for (const char* name : {"Cu K-Beta", "Cu K-Alpha2", "", "Xx K-Alpha1"}) {
        const KalphaDoubletLookup none = FindKalphaDoublet(table, name);
        EXPECT_TRUE(!none.Doublet && !none.Reason.empty()) << name;
    }
}
