// What the profile and size windows show: start peaks, the chart's curves, the result tables and
// their number format, the Williamson-Hall chart, and Accept's peak list update.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "session/ProfileAnalysis.h"
#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"

using namespace trevasc;

namespace {

TPeak Peak(double position, bool checked) {
    TPeak p;
    p.Position = position;
    p.Checked = checked;
    return p;
}

// Two Gauss peaks on a sloped background, as a fit would return them.
tools::ProfileFitResult TwoGaussFit() {
    tools::ProfileFitResult fit;
    fit.Fitted = true;
    fit.Model.Shape = tools::ProfileShape::Gauss;
    fit.Model.MeanPosition = 41.0;
    fit.Model.Background0 = 10.0;
    fit.Model.Background1 = 2.0;
    tools::ProfilePeak a;
    a.Center = 40.5;
    a.Fwhm = 0.2;
    a.Height = 1000.0;
    tools::ProfilePeak b = a;
    b.Center = 41.5;
    b.Height = 500.0;
    fit.Model.Peaks = {a, b};
    return fit;
}

// Gauss H exp(-4 ln2 ((x - c) / w)^2), written out here independently of the fit's code.
double Gauss(double x, double c, double w, double h) {
    const double u = (x - c) / w;
    return h * std::exp(-4.0 * std::log(2.0) * u * u);
}

}  // namespace

TEST(ProfileAnalysis, NumbersCarryTheDecimalsOfTheirError) {
    const auto cells = [](double value, double error, char separator) {
        const ValueWithError v = FormatValueWithError(value, error, separator);
        return std::vector<std::string>{v.Value, v.Error};
    };
    using Cells = std::vector<std::string>;
    EXPECT_EQ(cells(43.21567, 0.00123, '.'), (Cells{"43.2157", "0.0012"}));
    EXPECT_EQ(cells(12345.6, 234.0, ','), (Cells{"12346", "234"}));
    EXPECT_EQ(cells(0.5, 0.05, ','), (Cells{"0,500", "0,050"}));
    // No error: six significant digits and an empty error cell.
    EXPECT_EQ(cells(1.23456789, 0.0, '.'), (Cells{"1.23457", ""}));
    EXPECT_EQ(cells(1.0, std::nan(""), '.')[1], "");
}

TEST(ProfileAnalysis, StartPeaksAreTheCheckedPeaksInRangeAndFollowClicks) {
    TDataSet scan;
    scan.Peaks.Items = {Peak(20.0, true), Peak(30.0, false), Peak(31.0, true), Peak(35.0, true),
                        Peak(50.0, true)};
    EXPECT_EQ(CheckedPeaksInRange(scan, 36.0, 25.0), (std::vector<double>{31.0, 35.0}));
    EXPECT_TRUE(CheckedPeaksInRange(scan, 40.0, 45.0).empty());

    std::vector<double> peaks = {31.0, 35.0};
    AddStartPeak(peaks, 33.0);
    AddStartPeak(peaks, 35.0);  // listed already
    AddStartPeak(peaks, std::nan(""));
    EXPECT_EQ(peaks, (std::vector<double>{31.0, 33.0, 35.0}));
    EXPECT_FALSE(RemoveStartPeak(peaks, 34.0, 0.5));  // nothing within 0.5
    EXPECT_TRUE(RemoveStartPeak(peaks, 34.2, 1.0));   // 35 is nearer than 33
    EXPECT_EQ(peaks, (std::vector<double>{31.0, 33.0}));
}

TEST(ProfileAnalysis, ChartShowsDataModelComponentsAndDifference) {
    ScanColumns scan;
    for (int i = 0; i <= 60; ++i) {
        scan.Position.push_back(39.0 + 0.05 * i);  // 39 ... 42
        scan.Intensity.push_back(100.0 + i);
    }
    // Before a fit: a vertical marker per start peak, then the data of the range only.
    const plot::TPlotXYDataset start = ProfileFitChart(scan, 41.0, 40.0, {40.5}, nullptr);
    ASSERT_EQ(start.Curves.size(), 2u);
    EXPECT_EQ(start.Curves[0].X, (std::vector<double>{40.5, 40.5}));
    EXPECT_EQ(std::pair(start.Curves[1].X.size(), start.Curves[1].X.front()),
              std::pair(21ul, 40.0));
    EXPECT_TRUE(!start.ShowLine && start.TightX && start.DecadeY);

    const tools::ProfileFitResult fit = TwoGaussFit();
    const plot::TPlotXYDataset chart = ProfileFitChart(scan, 39.0, 42.0, {40.5, 41.5}, &fit);
    // Two components, the difference, the data and the model on top.
    ASSERT_EQ(chart.Curves.size(), 5u);
    EXPECT_TRUE(chart.Curves[4].Color == kProfileModelColor &&
                chart.Curves[2].Color == kProfileDifferenceColor &&
                chart.Curves[0].Color != chart.Curves[1].Color);
    const size_t at = 30;  // x = 40.5, the first peak's centre
    ASSERT_DOUBLE_EQ(chart.Curves[3].X[at], 40.5);
    const double background = 10.0 + 2.0 * (40.5 - 41.0), second = Gauss(40.5, 41.5, 0.2, 500.0);
    const double model = background + 1000.0 + second;
    const double expected[] = {background + 1000.0, background + second, 130.0 - model, 130.0,
                               model};
    for (size_t k = 0; k < 5; ++k) EXPECT_NEAR(chart.Curves[k].Y[at], expected[k], 1e-9) << k;
}

TEST(ProfileAnalysis, FitTableHasValuesErrorsAndQuality) {
    tools::ProfileFitResult fit = TwoGaussFit();
    fit.Model.Shape = tools::ProfileShape::PseudoVoigt;
    fit.Model.Peaks[0].CenterError = 0.0012;
    fit.Model.Peaks[0].ShapeParameter = 0.42;
    fit.Model.Peaks[0].ShapeParameterError = 0.031;
    fit.Chi2Red = 1.23456;
    fit.Rwp = 0.0456;
    const TextTable table = ProfileFitTable(fit, ',');
    ASSERT_EQ(table.size(), 6u);  // header, two peaks, empty row, chi2red, Rwp
    ASSERT_EQ(table[0].size(), 11u);
    EXPECT_EQ(table[0][9], "η");
    EXPECT_EQ((std::vector<std::string>{table[1][0], table[1][1], table[1][2], table[1][9],
                                        table[1][10]}),
              (std::vector<std::string>{"1", "40,5000", "0,0012", "0,420", "0,031"}));
    EXPECT_TRUE(table[3].empty());
    EXPECT_EQ(table[4][1], "1,2346");
    EXPECT_EQ(table[5], (std::vector<std::string>{"Rwp [%]", "4,56"}));
    EXPECT_EQ(TableText({{"a", "b"}, {}, {"c"}}), "a\tb\r\n\r\nc\r\n");

    fit.Model.Shape = tools::ProfileShape::Gauss;
    EXPECT_EQ(ProfileFitTable(fit, '.')[0].size(), 9u);  // no shape parameter
    fit.Model.Shape = tools::ProfileShape::PearsonVII;
    EXPECT_EQ(ProfileFitTable(fit, '.')[0][9], "m");
}

TEST(ProfileAnalysis, SizeTableAndWilliamsonHallChart) {
    tools::SizeAnalysis analysis;
    analysis.Peaks.push_back({30.0, 0.30, 0.10, 0.004, 35.0});
    analysis.Peaks.push_back({60.0, 0.09, 0.10, std::nullopt, std::nullopt});
    analysis.Peaks.push_back({90.0, 0.40, 0.10, 0.006, 30.0});
    const TextTable table = SizeTable(analysis, '.');
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[1], (std::vector<std::string>{"30.0000", "0.3000", "0.1000", "0.004", "35.0"}));
    EXPECT_TRUE(table[2][3] == kNotBroadened && table[2][4] == kNotBroadened);

    analysis.WilliamsonHall = tools::WilliamsonHallResult{40.0, 2.5, 0.0012, 0.0003};
    const TextTable withWh = SizeTable(analysis, '.');
    ASSERT_EQ(withWh.size(), 7u);
    EXPECT_EQ(withWh[5], (std::vector<std::string>{"Williamson-Hall size [nm]", "40.0", "2.5"}));
    EXPECT_EQ(withWh[6],
              (std::vector<std::string>{"Williamson-Hall strain", "0.00120", "0.00030"}));

    // Only the broadened peaks are points: 4 sin(theta) and beta cos(theta).
    const double lambda = 1.5406, k = 0.9;
    const plot::TPlotXYDataset chart = WilliamsonHallChart(analysis, lambda, k);
    ASSERT_EQ(chart.Count(), 2);
    const double theta = 15.0 * std::numbers::pi / 180.0;
    EXPECT_NEAR(chart.X[0], 4.0 * std::sin(theta), 1e-12);
    EXPECT_NEAR(chart.Y[0], 0.004 * std::cos(theta), 1e-12);
    EXPECT_NEAR(chart.X[1], 4.0 * std::sqrt(0.5), 1e-12);
    // Size 40 nm = 400 A: intercept K lambda / 400 A.
    EXPECT_NEAR(chart.Intercept, 0.9 * 1.5406 / 400.0, 1e-15);
    EXPECT_TRUE(chart.Slope == 0.0012 && chart.ShowLine);
}

using ProfileAccept = test::SessionFixture;

TEST_F(ProfileAccept, AcceptMovesListedPeaksAndAddsNewOnes) {
    std::string text;
    for (int i = 0; i <= 80; ++i)
        text += std::to_string(30.0 + 0.25 * i) + "\t" + std::to_string(100 + i) + "\n";
    session.OpenMainFile(dir.Write("scan.txt", text));
    for (double x : {35.0, 40.0, 45.0}) session.Peaks().Add(x);
    // The fit started at the listed 40 and 45 and at 42 clicked in the window; 45 moved past 42.
    AcceptProfileCentres(session, {40.0, 42.0, 45.0}, {40.0, 45.0}, {40.1, 42.3, 41.9});
    std::vector<double> positions;
    for (const TPeak& p : session.Scans().MainScan().Peaks.Items) positions.push_back(p.Position);
    EXPECT_EQ(positions, (std::vector<double>{35.0, 40.1, 41.9, 42.3}));
}
