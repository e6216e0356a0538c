#include <gtest/gtest.h>

#include <cmath>

#include "analysis/AdditionalLines.h"

using namespace trevasc::analysis;

namespace {

std::vector<int> Orders(const std::vector<TAdditionalLine>& lines) {
    std::vector<int> n;
    for (const auto& l : lines) n.push_back(l.Order);
    return n;
}

// 2Theta of order n for d in A and E in eV with hc = 1.986445212595144e-25 J m, 1 eV = 1.602e-19 J.
double Expected(int n, double d, double e) {
    return 2 * std::asin(n * 1.986445212595144e-25 / (2 * d * 1e-10 * e * 1.602e-19)) * 180 /
           std::acos(-1.0);
}

}  // namespace

TEST(AdditionalLines, DefaultsGiveOnlyTheFirstFiveOrders) {
    const TAdditionalLinesInput in;  // 8000 eV, 4 A, "1,2,3,4,5,6,7,8"
    const auto lines = ComputeAdditionalLines(in);
    EXPECT_EQ(Orders(lines), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_NEAR(lines[0].TwoTheta, 22.343, 0.001);  // lambda = 1.54997 A at 8000 eV
    for (const auto& l : lines) EXPECT_DOUBLE_EQ(l.TwoTheta, Expected(l.Order, 4, 8000));
    EXPECT_EQ(AdditionalLineRowText(lines[0], ','), "22,343");
}

TEST(AdditionalLines, PermittedTextKeepsPositiveIntegersInTextOrder) {
    struct Case {
        const char* Text;
        std::vector<int> Orders;
    };
    const Case cases[] = {
        {"2, x, 0, 3", {2, 3}}, {" 3 ,1,3", {3, 1, 3}}, {"", {}}, {"1.5,-2,4", {4}}, {",,2,", {2}}};
    for (const Case& c : cases) {
        EXPECT_EQ(ParsePermittedReflexes(c.Text), c.Orders) << c.Text;
        TAdditionalLinesInput in;
        in.Permitted = c.Text;
        EXPECT_EQ(Orders(ComputeAdditionalLines(in)), c.Orders) << c.Text;
    }
}

TEST(AdditionalLines, ShowAllInRangeStopsAtTheScanEndOrTheLastOrder) {
    TAdditionalLinesInput in;
    in.ShowAllInRange = true;
    in.Permitted = "1";  // not used in this mode
    in.LastScanPosition = 80.0;
    EXPECT_EQ(Orders(ComputeAdditionalLines(in)), (std::vector<int>{1, 2, 3}));  // 4th at 101.6
    in.LastScanPosition = 180.0;  // beyond the highest order: n = 5
    EXPECT_EQ(Orders(ComputeAdditionalLines(in)), (std::vector<int>{1, 2, 3, 4, 5}));
    in.LastScanPosition = 10.0;
    EXPECT_TRUE(ComputeAdditionalLines(in).empty());
    // a spacing with billions of orders inside the range is cut off, not walked to the end
    in.LastScanPosition = 180.0;
    in.Lattice = 10000.0;
    in.Energy = 1e10;
    EXPECT_EQ(ComputeAdditionalLines(in).size(), static_cast<size_t>(kMaxAdditionalLines));
    in.Lattice = 0.0;
    EXPECT_TRUE(ComputeAdditionalLines(in).empty());
}

TEST(AdditionalLines, ShowAllInRangeIncludesALineExactlyAtTheScanEnd) {
    // 4 A at 8000 eV: the third order lies at 2 arcsin(3 x 1.549973 / 8) = 71.076°. A scan that
    // ends exactly there shows it; one that ends a hair before does not.
    TAdditionalLinesInput in;
    in.ShowAllInRange = true;
    in.LastScanPosition = 180.0;
    const auto all = ComputeAdditionalLines(in);
    ASSERT_EQ(all.size(), 5u);
    const double third = all[2].TwoTheta;
    EXPECT_DOUBLE_EQ(third, Expected(3, 4, 8000));
    EXPECT_NEAR(third, 71.076, 0.001);
    in.LastScanPosition = third;
    EXPECT_EQ(Orders(ComputeAdditionalLines(in)), (std::vector<int>{1, 2, 3}));
    in.LastScanPosition = std::nextafter(third, 0.0);
    EXPECT_EQ(Orders(ComputeAdditionalLines(in)), (std::vector<int>{1, 2}));
}

TEST(AdditionalLines, SelectedPeakGivesOneLineForTheTabEnergy) {
    TAdditionalLinesInput in;
    in.UseSelectedPeak = true;
    EXPECT_TRUE(ComputeAdditionalLines(in).empty());  // no highlighted peak
    in.SelectedPeak = 28.441;                         // Si (111) for Cu K-alpha1
    in.Wavelength = 1.540562;
    // the energy of the same wavelength (with this program's 1 eV = 1.602e-19 J): the peak
    // stays where it is
    in.Energy = 1.986445212595144e-25 / (1.540562e-10 * 1.602e-19);
    auto lines = ComputeAdditionalLines(in);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Order, 1);
    EXPECT_NEAR(lines[0].TwoTheta, 28.441, 1e-9);
    in.Energy = 17479.0;  // Mo K-alpha1: d = 3.1356 A appears at about 13.0°
    lines = ComputeAdditionalLines(in);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].TwoTheta,
                Expected(1, 1.540562 / (2 * std::sin(28.441 / 2 * M_PI / 180)), 17479.0), 1e-9);
    in.Energy = 1000.0;  // no reflection at this energy
    EXPECT_TRUE(ComputeAdditionalLines(in).empty());
}
