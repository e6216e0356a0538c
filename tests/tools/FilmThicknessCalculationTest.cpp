#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/XrayLines.h"
#include "tools/thickness/FilmThicknessCalculation.h"

using namespace trevasc;
using namespace trevasc::tools;

namespace {

constexpr double kLambda = 1.54056;

// Fringe maxima of a film of thickness t (nm): 2 t sin(theta) = n lambda.
std::string FringeRow(double thicknessNm, double order) {
    const double s = order * kLambda / (2.0 * thicknessNm * 10.0);
    return FormatFixed(2.0 * std::asin(s) * 180.0 / kPi, 3);
}

std::vector<std::string> Fringes(double thicknessNm, int first, int last, double extra = 0.0) {
    std::vector<std::string> rows;
    for (int n = first; n <= last; ++n) rows.push_back(FringeRow(thicknessNm, n + extra));
    return rows;
}

}  // namespace

TEST(FilmThicknessCalculation, TwentyNanometreFilmWithOrdersThreeToSix) {
    FilmThicknessCalculation calc;
    calc.ReceivePeaks(Fringes(20.0, 3, 6));
    calc.Estimate(kLambda);
    EXPECT_NEAR(calc.ThicknessValue(), 20.0, 0.05);
    EXPECT_EQ(calc.FirstIndex(), 3);
    TThicknessEffects e = calc.Calculate(kLambda);
    ASSERT_TRUE(e.Calculated);
    EXPECT_EQ(calc.OrderRows(), (std::vector<std::string>{"3", "4", "5", "6"}));
    for (double t : calc.Thicknesses()) EXPECT_NEAR(t, 20.0, 0.01);
    EXPECT_NEAR(calc.Mean(), 20.0, 0.01);
    EXPECT_LT(calc.StandardDeviation(), 0.01);
    EXPECT_NEAR(e.LatticeSpacing, ParseFloat(calc.MeanText()) * 10.0, 1e-9);
    EXPECT_EQ(e.TitleSuffix, " (d=" + FormatFixed(ParseFloat(calc.MeanText()), 2) + "±" +
                                 FormatFixed(ParseFloat(calc.DeviationText()), 2) + "nm)");
    EXPECT_EQ(calc.SpacingRows()[0], FormatFixed(calc.Spacings()[0], 5));
    // d of the first fringe: lambda/10 / (2 sin(theta)) = 20 nm / 3.
    EXPECT_NEAR(calc.Spacings()[0], 20.0 / 3.0, 0.01);
}

TEST(FilmThicknessCalculation, HalfOrdersShowTheLocaleSeparator) {
    FilmThicknessCalculation calc(',');
    calc.ReceivePeaks(Fringes(20.0, 3, 5, 0.5));
    calc.Estimate(kLambda);
    calc.SetHalfOrders(true);
    calc.SetFirstIndex(3);
    calc.AddPeakIds = true;
    TThicknessEffects e = calc.Calculate(kLambda);
    EXPECT_EQ(calc.OrderRows(), (std::vector<std::string>{"3,5", "4,5", "5,5"}));
    EXPECT_EQ(e.IdTexts, (std::vector<std::string>{"(3,5)", "(4,5)", "(5,5)"}));
    EXPECT_FALSE(calc.AddPeakIds);
    EXPECT_NEAR(calc.Mean(), 20.0, 0.01);
    EXPECT_NE(e.TitleSuffix.find(','), std::string::npos);
}

TEST(FilmThicknessCalculation, OneFringeAndOrderZero) {
    FilmThicknessCalculation calc;
    calc.ReceivePeaks({"1.000"});
    calc.Estimate(kLambda);
    EXPECT_EQ(calc.ThicknessText(), "0");
    EXPECT_EQ(calc.FirstIndex(), 1);
    calc.Calculate(kLambda);
    ASSERT_EQ(calc.Thicknesses().size(), 1u);
    EXPECT_DOUBLE_EQ(calc.Thicknesses()[0], calc.Spacings()[0]);
    EXPECT_EQ(calc.StandardDeviation(), 0.0);
    // A thickness that puts the first fringe at order 0 gives order 1; so does a field edit.
    calc.ThicknessEdited("0.1", kLambda);
    EXPECT_EQ(calc.FirstIndex(), 1);
    calc.ThicknessEdited("1000000", kLambda);
    EXPECT_EQ(calc.FirstIndex(), FilmThicknessCalculation::kMaxIndex);
    EXPECT_EQ(calc.Orders()[0], 1000.0);
}

TEST(FilmThicknessCalculation, FringesListedDownwardsClampTheEstimate) {
    FilmThicknessCalculation calc;
    std::vector<std::string> rows = Fringes(20.0, 3, 6);
    calc.ReceivePeaks({rows.rbegin(), rows.rend()});
    calc.Estimate(kLambda);
    EXPECT_EQ(calc.ThicknessText(), "0");
    EXPECT_EQ(calc.FirstIndex(), 1);
}

TEST(FilmThicknessCalculation, UndefinedInputsAreErrorsWithNothingChanged) {
    FilmThicknessCalculation calc;
    calc.ReceivePeaks(Fringes(20.0, 3, 6));
    calc.Estimate(kLambda);
    calc.Calculate(kLambda);
    const std::string thickness = calc.ThicknessText();
    const std::vector<std::string> rows = calc.ThicknessRows();
    // Two equal outer fringes, a wavelength of 0.
    calc.ReceivePeaks({"1.000", "1.200", "1.000"});
    EXPECT_THROW(calc.Estimate(kLambda), TrevascError);
    calc.ReceivePeaks(Fringes(20.0, 3, 6));
    EXPECT_THROW(calc.Estimate(0.0), TrevascError);
    EXPECT_EQ(calc.ThicknessText(), thickness);
    // A fringe at 0° or a wavelength of 0 in the calculation.
    EXPECT_THROW(calc.Calculate(0.0), TrevascError);
    calc.ReceivePeaks({"0.000", "1.000"});
    EXPECT_THROW(calc.Calculate(kLambda), TrevascError);
    EXPECT_EQ(calc.ThicknessRows(), rows);
    EXPECT_EQ(calc.MeanText().find("nan"), std::string::npos);
}

TEST(FilmThicknessCalculation, DeleteEstimatesAgainAndIndexChangesRebuildTheOrders) {
    FilmThicknessCalculation calc;
    calc.ReceivePeaks(Fringes(20.0, 3, 6));
    calc.Estimate(kLambda);
    calc.Calculate(kLambda);
    calc.DeleteRow(0, kLambda);
    EXPECT_EQ(calc.PeakRows().size(), 3u);
    EXPECT_EQ(calc.FirstIndex(), 4);
    // The remaining rows keep their spacings and get the new orders.
    EXPECT_EQ(calc.OrderRows(), (std::vector<std::string>{"4", "5", "6"}));
    for (double t : calc.Thicknesses()) EXPECT_NEAR(t, 20.0, 0.01);
    calc.SetFirstIndex(10);
    EXPECT_EQ(calc.OrderRows().front(), "10");
    EXPECT_DOUBLE_EQ(calc.Thicknesses()[1], 11.0 * calc.Spacings()[1]);
    EXPECT_EQ(calc.ThicknessRows().size(), 3u);
}
