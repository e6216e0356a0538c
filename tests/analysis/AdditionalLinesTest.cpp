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

}  // namespace

TEST(AdditionalLines, DefaultsGiveOnlyTheFirstFiveOrders) {
    const TAdditionalLinesInput in;  // 8000 eV, 4 A, "1,2,3,4,5,6,7,8"
    const auto lines = ComputeAdditionalLines(in);
    EXPECT_EQ(Orders(lines), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(lines.size(), 5u);
    // lambda = hc / E = 1.986445e-25 J m / (8000 * 1.602e-19 J) = 1.5499729 A at 8000 eV, and
    // 2Theta_n = 2 arcsin(n lambda / (2 * 4 A)), worked out with a calculator.
    const double byHand[] = {22.3430263272, 45.5972190304, 71.0755847553, 101.6076042365,
                             151.2691403426};
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_NEAR(lines[i].TwoTheta, byHand[i], 1e-9);
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
    // 4 A at 8000 eV: the fourth order lies at 101.6°, the fifth is the highest.
    const std::pair<double, std::vector<int>> ends[] = {
        {80.0, {1, 2, 3}}, {10.0, {}}, {180.0, {1, 2, 3, 4, 5}}};
    for (const auto& [end, orders] : ends) {
        in.LastScanPosition = end;
        EXPECT_EQ(Orders(ComputeAdditionalLines(in)), orders) << end;
    }
    // A scan that ends exactly at the third order (71.076°, worked out above) shows it; one that
    // ends a hair before does not.
    ASSERT_EQ(ComputeAdditionalLines(in).size(), 5u);
    in.LastScanPosition = ComputeAdditionalLines(in)[2].TwoTheta;
    EXPECT_EQ(Orders(ComputeAdditionalLines(in)), (std::vector<int>{1, 2, 3}));
    in.LastScanPosition = std::nextafter(in.LastScanPosition, 0.0);
    EXPECT_EQ(Orders(ComputeAdditionalLines(in)), (std::vector<int>{1, 2}));
    // a spacing with billions of orders inside the range is cut off, not walked to the end
    in.LastScanPosition = 180.0;
    in.Lattice = 10000.0;
    in.Energy = 1e10;
    EXPECT_EQ(ComputeAdditionalLines(in).size(), static_cast<size_t>(kMaxAdditionalLines));
    in.Lattice = 0.0;
    EXPECT_TRUE(ComputeAdditionalLines(in).empty());
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
    // Mo K-alpha1: d = 1.540562 / (2 sin 14.2205°) = 3.1356309 A and lambda = 0.7094103 A at
    // 17479 eV give 2 arcsin(0.7094103 / 6.2712618) = 12.9904979°.
    in.Energy = 17479.0;
    lines = ComputeAdditionalLines(in);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].TwoTheta, 12.9904979028, 1e-9);
    in.Energy = 1000.0;  // no reflection at this energy
    EXPECT_TRUE(ComputeAdditionalLines(in).empty());
}
