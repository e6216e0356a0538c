#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/XrayLines.h"
#include "tools/lattice/LatticeCalculation.h"

using namespace trevasc;
using namespace trevasc::tools;

namespace {

constexpr double kCuKAlpha1 = 1.5406;

std::string ErrorOf(const std::string& direction) {
    try {
        ParseDirection(direction);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return {};
}

LatticeCalculation WithPeaks(std::vector<std::string> peaks, const std::string& direction,
                             const std::string& expected) {
    LatticeCalculation calc;
    calc.ReceivePeaks(std::move(peaks), "film.xrdml");
    calc.DirectionFieldText = direction;
    calc.ExpectedText = expected;
    return calc;
}

}  // namespace

TEST(LatticeCalculation, DirectionTextsAndTheirMessages) {
    struct Case {
        std::string Text;
        std::string Error;
    };
    const std::string commas50(50, ',');
    const std::vector<Case> cases = {
        {"1,0,0", ""},
        {" 2 , -1 ,3 ", ""},
        {"1,2", kDirectionSyntaxMessage},
        {"1,2,3,4", kDirectionSyntaxMessage},
        {commas50, kDirectionSyntaxMessage},
        {"102", kDirectionSyntaxMessage},
        {"1,,2", "'' ist kein gültiger Integerwert"},
        {"x,1,2", "'x' ist kein gültiger Integerwert"},
        {"1.5,0,0", "'1.5' ist kein gültiger Integerwert"},
        {"0,0,0", kDirectionZeroMessage},
        {" 0, 0 ,0", kDirectionZeroMessage},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.Text), c.Error) << c.Text;
    const THklDirection d = ParseDirection(" 2 , -1 ,3 ");
    EXPECT_EQ(DirectionText(d), "2,-1,3");
}

TEST(LatticeCalculation, LinearFitAgainstHandWorkedValues) {
    // Exact line: error 0.
    TLinearFit exact = LinearFit({0, 1, 2}, {1, 3, 5});
    EXPECT_DOUBLE_EQ(exact.Slope, 2.0);
    EXPECT_DOUBLE_EQ(exact.Intercept, 1.0);
    EXPECT_NEAR(exact.Error, 0.0, 1e-12);
    // (0,0), (1,1), (2,1): slope 1/2, intercept 1/6, SSE 1/6,
    // error sqrt(Sxx SSE / ((n Sxx - Sx^2)(n-2) n)) = sqrt(5/6 / 18).
    TLinearFit scatter = LinearFit({0, 1, 2}, {0, 1, 1});
    EXPECT_DOUBLE_EQ(scatter.Slope, 0.5);
    EXPECT_NEAR(scatter.Intercept, 1.0 / 6.0, 1e-15);
    EXPECT_NEAR(scatter.Error, std::sqrt(5.0 / 6.0 / 18.0), 1e-15);
    // Two points: the line through both, error 0.
    TLinearFit two = LinearFit({1, 3}, {2, 3});
    EXPECT_DOUBLE_EQ(two.Slope, 0.5);
    EXPECT_DOUBLE_EQ(two.Intercept, 1.5);
    EXPECT_EQ(two.Error, 0.0);
    EXPECT_THROW(LinearFit({2, 2}, {1, 3}), TrevascError);
    EXPECT_THROW(LinearFit({2}, {1}), TrevascError);
}

TEST(LatticeCalculation, NelsonRileyAbscissaOfKnownAngles) {
    // 2Theta = 90°: theta = pi/4, cos^2 = 1/2, sin = sqrt(1/2): 1/sqrt(2) + 2/pi.
    EXPECT_NEAR(NelsonRileyAbscissa(90.0), std::sqrt(0.5) + 2.0 / kPi, 1e-14);
    // 2Theta = 180°: cos^2 = 0, the abscissa vanishes.
    EXPECT_NEAR(NelsonRileyAbscissa(180.0), 0.0, 1e-14);
}

TEST(LatticeCalculation, SrTiO3ReflectionsGiveItsLatticeConstant) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472", "72.567", "104.192"}, "0,0,1", "4");
    TLatticeEffects effects = calc.CalculateLatticeData(kCuKAlpha1);
    ASSERT_EQ(calc.HklRows(), (std::vector<std::string>{"0,0,1", "0,0,2", "0,0,3", "0,0,4"}));
    EXPECT_NEAR(calc.Mean(), 3.905, 0.001);
    EXPECT_NEAR(calc.NelsonRiley(), 3.905, 0.001);
    EXPECT_GT(calc.Error(), 0.0);
    EXPECT_LT(calc.Error(), 0.001);
    EXPECT_EQ(effects.NelsonRileyWindow, TLatticeEffects::NelsonRiley::HideAndMarkOld);
    // The title suffix carries the mean as its field shows it.
    EXPECT_EQ(effects.TitleSuffix, " (d=" + FormatFixed(ParseFloat(calc.MeanText()), 3) + "Å)");
    EXPECT_EQ(calc.SpacingRows()[0], FormatFixed(calc.Spacings()[0], 5));
    // 1.5406 / (2 sin(11.377°)) = 3.904923 A
    EXPECT_EQ(calc.SpacingRows()[0], "3.90492");
}

TEST(LatticeCalculation, SiliconReflectionsAlongTheBodyDiagonal) {
    // Si (111) and (333) with Cu K-alpha1: the spacing along [111] is a / sqrt(3).
    LatticeCalculation calc = WithPeaks({"28.443", "94.954"}, "1,1,1", "3.1");
    calc.CalculateLatticeData(1.540562);
    ASSERT_EQ(calc.HklRows(), (std::vector<std::string>{"1,1,1", "3,3,3"}));
    EXPECT_NEAR(calc.Mean() * std::sqrt(3.0), 5.4309, 0.0005);
    EXPECT_NEAR(calc.NelsonRiley() * std::sqrt(3.0), 5.4309, 0.001);
    // (004) alone along [001]
    LatticeCalculation single = WithPeaks({"69.130"}, "0,0,1", "5.4");
    single.CalculateLatticeData(1.540562);
    EXPECT_EQ(single.HklRows(), std::vector<std::string>{"0,0,4"});
    EXPECT_NEAR(single.Mean(), 5.4309, 0.0005);
}

TEST(LatticeCalculation, MultiplierLabelsTheDirectionButOnlyScalesTheSpacing) {
    // lambda = 1 and 2Theta = 60°: d = 1.0 A. Direction 2,0,0 and expected 2.0: m = 2.
    LatticeCalculation calc = WithPeaks({"60.000"}, " 2, 0 ,0", "2.0");
    calc.CalculateLatticeData(1.0);
    EXPECT_EQ(calc.DirectionFieldText, "2,0,0");
    EXPECT_EQ(calc.Multipliers(), std::vector<int32_t>{2});
    EXPECT_EQ(calc.HklRows(), std::vector<std::string>{"4,0,0"});
    EXPECT_NEAR(calc.LatticeConstants()[0], 2.0, 1e-12);
    EXPECT_EQ(calc.LatticeRows()[0], "2.00000");

    // A direction near the 32-bit limit still labels its rows correctly.
    LatticeCalculation large = WithPeaks({"180.000"}, "2000000000,0,-2000000000", "3.0");
    large.CalculateLatticeData(2.0);
    EXPECT_EQ(large.HklRows(), std::vector<std::string>{"6000000000,0,-6000000000"});
}

TEST(LatticeCalculation, MultipliersRoundHalvesToEven) {
    // lambda = 2 and 2Theta = 180°: d = 1.0 exactly. Expected 2.5 -> 2, 3.5 -> 4, 0.5 -> 0 (d
    // above twice the expected value).
    struct Case {
        std::string Expected;
        int32_t M;
        std::string Row;
    };
    for (const Case& c : std::vector<Case>{
             {"2.5", 2, "2,0,0"}, {"3.5", 4, "4,0,0"}, {"0.5", 0, "0,0,0"}, {"0.4", 0, "0,0,0"}}) {
        LatticeCalculation calc = WithPeaks({"180.000"}, "1,0,0", c.Expected);
        calc.CalculateLatticeData(2.0);
        ASSERT_EQ(calc.Spacings()[0], 1.0);
        EXPECT_EQ(calc.Multipliers()[0], c.M) << c.Expected;
        EXPECT_EQ(calc.HklRows()[0], c.Row) << c.Expected;
    }
}

TEST(LatticeCalculation, OnePeakAndTwoPeaks) {
    LatticeCalculation one = WithPeaks({"46.472"}, "0,0,1", "4");
    TLatticeEffects e1 = one.CalculateLatticeData(kCuKAlpha1);
    EXPECT_DOUBLE_EQ(one.Mean(), one.LatticeConstants()[0]);
    EXPECT_EQ(one.Error(), 0.0);
    EXPECT_EQ(one.NelsonRileyText(), "0");
    EXPECT_EQ(e1.NelsonRileyWindow, TLatticeEffects::NelsonRiley::Hide);

    // Two peaks: the line through both, error 0.
    LatticeCalculation two = WithPeaks({"46.472", "104.192"}, "0,0,1", "4");
    TLatticeEffects e2 = two.NelsonRileyPlot(kCuKAlpha1);
    const double x0 = NelsonRileyAbscissa(46.472), x1 = NelsonRileyAbscissa(104.192);
    const double y0 = two.LatticeConstants()[0], y1 = two.LatticeConstants()[1];
    const double slope = (y1 - y0) / (x1 - x0);
    EXPECT_NEAR(two.FitSlope(), slope, 1e-9);
    EXPECT_NEAR(two.NelsonRiley(), y0 - slope * x0, 1e-9);
    EXPECT_EQ(two.NelsonRileyError(), 0.0);
    ASSERT_EQ(e2.NelsonRileyWindow, TLatticeEffects::NelsonRiley::Show);
    EXPECT_EQ(e2.NelsonRileyData.Count(), 2);
    EXPECT_EQ(e2.NelsonRileyData.XTitle, kNelsonRileyXTitle);
    EXPECT_EQ(e2.NelsonRileyData.Title,
              "Nelson-Riley plot of film.xrdml (d=" + FormatFixed(two.NelsonRiley(), 3) + "Å)");
    EXPECT_EQ(e2.TitleSuffix, " (d=" + FormatFixed(two.NelsonRiley(), 3) + "Å)");
}

TEST(LatticeCalculation, FailedCommandsLeaveEverythingAsItWas) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472"}, "0,0,1", "4");
    calc.CalculateLatticeData(kCuKAlpha1);
    const std::vector<std::string> rows = calc.LatticeRows();
    const std::string mean = calc.MeanText();
    struct Case {
        std::vector<std::string> Peaks;
        std::string Direction;
        double Wavelength;
    };
    for (const Case& c : std::vector<Case>{{{"22.754", "46.472"}, "1,,2", kCuKAlpha1},
                                           {{"22.754", "46.472"}, "0,0,0", kCuKAlpha1},
                                           {{"0.000", "46.472"}, "0,0,1", kCuKAlpha1},
                                           {{"22.754", "46.472"}, "0,0,1", 0.0},
                                           {{"46.472", "46.472"}, "0,0,1", kCuKAlpha1}}) {
        LatticeCalculation copy = calc;
        copy.ReceivePeaks(c.Peaks, "x");
        copy.DirectionFieldText = c.Direction;
        EXPECT_THROW(copy.CalculateLatticeData(c.Wavelength), TrevascError) << c.Direction;
        EXPECT_EQ(copy.LatticeRows(), rows);
        EXPECT_EQ(copy.MeanText(), mean);
        EXPECT_EQ(copy.NelsonRileyText().find("nan"), std::string::npos);
    }
}

TEST(LatticeCalculation, AutoScanAccumulatesTheStepAndKeepsTheFirstBest) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472", "72.567", "104.192"}, "0,0,1", "1");
    TLatticeEffects e = calc.AutoScanLattice(kCuKAlpha1, 1, 120, 0.1);
    // 1, 1.1, ..., 119.99999999999... (just below 120 by the accumulated rounding).
    EXPECT_EQ(e.AutoScanCandidates, 1191);
    // Every multiple of 3.905 gives the same spread relative to its size ... the smallest
    // absolute error belongs to the first candidate that assigns orders 1 to 4.
    EXPECT_EQ(calc.HklRows(), (std::vector<std::string>{"0,0,1", "0,0,2", "0,0,3", "0,0,4"}));
    EXPECT_NEAR(calc.Mean(), 3.905, 0.001);
    EXPECT_GT(calc.ExpectedValue(), 3.0);
    EXPECT_LT(calc.ExpectedValue(), 5.0);

    // A start at or above the end still tries the start.
    LatticeCalculation single = WithPeaks({"46.472"}, "0,0,1", "1");
    TLatticeEffects s = single.AutoScanLattice(kCuKAlpha1, 7, 5, 0.5);
    EXPECT_EQ(s.AutoScanCandidates, 1);
    EXPECT_EQ(single.ExpectedText, "7");
    // One peak: every candidate scores 0, the first one (the start) wins.
    LatticeCalculation onePeak = WithPeaks({"46.472"}, "0,0,1", "1");
    onePeak.AutoScanLattice(kCuKAlpha1, 2, 9, 0.5);
    EXPECT_EQ(onePeak.ExpectedText, "2");
}

TEST(LatticeCalculation, AutoScanRefusesHangingRangesAndHonoursCancel) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472"}, "0,0,1", "4");
    EXPECT_THROW(calc.AutoScanLattice(kCuKAlpha1, 1, 120, 0), TrevascError);
    EXPECT_THROW(calc.AutoScanLattice(kCuKAlpha1, 1, 120, -0.1), TrevascError);
    EXPECT_THROW(calc.AutoScanLattice(kCuKAlpha1, 0, 10000, 1e-6), TrevascError);
    EXPECT_EQ(calc.ExpectedText, "4");
    int64_t reports = 0;
    TLatticeEffects e =
        calc.AutoScanLattice(kCuKAlpha1, 1, 120, 0.01, [&](int64_t done, int64_t total) {
            EXPECT_LE(done, total);
            return ++reports < 3;
        });
    EXPECT_TRUE(e.Cancelled);
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(calc.ExpectedText, "4");
    EXPECT_TRUE(calc.HklRows().empty());
}

TEST(LatticeCalculation, ManualMultipliersLiveUntilNewPeaksOrACountChange) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472", "72.567"}, "0,0,1", "4");
    calc.CalculateLatticeData(kCuKAlpha1);
    calc.AssignManualMultiplier(1, 5, kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[1], "0,0,5");
    EXPECT_TRUE(calc.IsManualRow(1));
    EXPECT_FALSE(calc.IsManualRow(0));
    calc.CalculateLatticeData(kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[1], "0,0,5");
    // 0 returns the row to automatic.
    calc.AssignManualMultiplier(1, 0, kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[1], "0,0,2");
    calc.AssignManualMultiplier(2, 7, kCuKAlpha1);
    // A deleted row changes the count: the next calculation resets every manual multiplier.
    calc.DeleteRow(0);
    EXPECT_EQ(calc.PeakRows().size(), 2u);
    EXPECT_EQ(calc.HklRows().size(), 2u);
    calc.CalculateLatticeData(kCuKAlpha1);
    EXPECT_EQ(calc.HklRows(), (std::vector<std::string>{"0,0,2", "0,0,3"}));
    EXPECT_FALSE(calc.IsManualRow(1));
    // New peaks: automatic again.
    calc.AssignManualMultiplier(0, 9, kCuKAlpha1);
    calc.ReceivePeaks({"46.472", "72.567"}, "film");
    calc.CalculateLatticeData(kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[0], "0,0,2");
}

TEST(LatticeCalculation, PeakIdsOnlyWhenCheckedAndTheStoredFitIsTakenOnce) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472", "72.567"}, "0,0,1", "4");
    calc.AddPeakIds = true;
    TLatticeEffects e = calc.CalculateLatticeData(kCuKAlpha1);
    ASSERT_EQ(e.IdTexts, (std::vector<std::string>{"(0,0,1)", "(0,0,2)", "(0,0,3)"}));
    EXPECT_DOUBLE_EQ(e.IdPositions[1], 46.472);
    EXPECT_FALSE(calc.AddPeakIds);
    EXPECT_TRUE(calc.CalculateLatticeData(kCuKAlpha1).IdTexts.empty());
    const auto [a0, k] = calc.TakeStoredFit();
    EXPECT_NEAR(a0, calc.NelsonRiley(), 1e-15);
    EXPECT_NE(k, 0.0);
    EXPECT_EQ(calc.TakeStoredFit(), (std::pair<double, double>{0.0, 0.0}));
}

TEST(LatticeCalculation, TitleSuffixReplacesTheLastOne) {
    EXPECT_EQ(ReplaceTitleSuffix("STO.xrdml", " (d=3.905Å)"), "STO.xrdml (d=3.905Å)");
    EXPECT_EQ(ReplaceTitleSuffix("a (d=1) b (d=3.900Å)", " (d=3.905Å)"), "a (d=1) b (d=3.905Å)");
}
