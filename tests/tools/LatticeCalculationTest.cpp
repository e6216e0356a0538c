#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/Error.h"
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

TEST(LatticeCalculation, SrTiO3ReflectionsGiveItsLatticeConstant) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472", "72.567", "104.192"}, "0,0,1", "4");
    TLatticeEffects effects = calc.CalculateLatticeData(kCuKAlpha1);
    ASSERT_EQ(calc.HklRows(), (std::vector<std::string>{"0,0,1", "0,0,2", "0,0,3", "0,0,4"}));
    EXPECT_NEAR(calc.Mean(), 3.905, 0.001);
    EXPECT_NEAR(calc.NelsonRiley(), 3.905, 0.001);
    EXPECT_TRUE(calc.Error() > 0.0 && calc.Error() < 0.001) << calc.Error();
    EXPECT_EQ(effects.NelsonRileyWindow, TLatticeEffects::NelsonRiley::HideAndMarkOld);
    // By hand, a = l * 1.5406 / (2 sin(theta)): 3.904923, 3.905005, 3.904991, 3.904993; the
    // mean 3.904978 is the title's 3.905, the first spacing 3.904923 its row's 3.90492.
    EXPECT_EQ(effects.TitleSuffix, " (d=3.905Å)");
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
    EXPECT_EQ(std::pair(one.Error(), one.NelsonRileyText()), std::pair(0.0, std::string("0")));
    EXPECT_EQ(e1.NelsonRileyWindow, TLatticeEffects::NelsonRiley::Hide);

    // Two peaks: the line through both, error 0. By hand: (0,0,2) at NR 4.2222363 with
    // a = 2 * 1.5406 / (2 sin 23.236°) = 3.9050050, (0,0,4) at NR 0.8934040 with a = 3.9049926;
    // slope -1.24449e-5 / -3.3288323 = 3.73851e-6, intercept 3.9049892.
    LatticeCalculation two = WithPeaks({"46.472", "104.192"}, "0,0,1", "4");
    TLatticeEffects e2 = two.NelsonRileyPlot(kCuKAlpha1);
    EXPECT_NEAR(two.FitSlope(), 3.73851e-6, 1e-11);
    EXPECT_NEAR(two.NelsonRiley(), 3.9049892, 1e-7);
    EXPECT_EQ(two.NelsonRileyError(), 0.0);
    ASSERT_EQ(e2.NelsonRileyWindow, TLatticeEffects::NelsonRiley::Show);
    EXPECT_EQ(e2.NelsonRileyData.Count(), 2);
    EXPECT_EQ(e2.NelsonRileyData.Title, "Nelson-Riley plot of film.xrdml (d=3.905Å)");
}

// lambda = 2: 2Theta = 60°, 180°, 90°, 120° give d = 2, 1, sqrt(2), 2/sqrt(3); with the expected
// value 4 the multiples are 2, 4, 3, 3 and the lattice constants 4, 4, 3 sqrt(2), 2 sqrt(3).
TEST(LatticeCalculation, MeanErrorAndNelsonRileyErrorOfFourPeaksByHand) {
    LatticeCalculation calc = WithPeaks({"60.000", "180.000", "90.000", "120.000"}, "1,0,0", "4");
    calc.CalculateLatticeData(2.0);
    ASSERT_EQ(calc.Multipliers(), (std::vector<int32_t>{2, 4, 3, 3}));
    // mean (8 + 4.2426407 + 3.4641016) / 4 = 3.9266856, shown as 3.9267 (5 digits);
    // squares around 3.9267: 2 * 0.0733^2 + 0.3159407^2 + 0.4625984^2 = 0.3245616;
    // s / sqrt(n) = sqrt(0.3245616 / (4 * 3)) = 0.1644591 (n^2 instead of n (n - 1): 0.1424).
    EXPECT_EQ(calc.MeanText(), "3.9267");
    EXPECT_NEAR(calc.Mean(), 3.9266856, 1e-7);
    EXPECT_NEAR(calc.Error(), 0.1644591, 1e-7);
    // Nelson-Riley abscissae (theta = 30°, 90°, 45°, 60°): 1.5 + 0.75 / (pi/6) = 2.9323945, 0,
    // 0.7071068 + 0.5 / (pi/4) = 1.3437266, 0.2886751 + 0.25 / (pi/3) = 0.5274075.
    // Sx = 4.8035286, Sxx = 10.6826972, n Sxx - Sx^2 = 19.6569019; the line has the intercept
    // 3.8300198 and the slope 0.0804957, SSE = 0.2927196; error of the intercept
    // sqrt(10.6826972 * 0.2927196 / (19.6569019 * 2)) = 0.2820290.
    EXPECT_NEAR(calc.NelsonRiley(), 3.8300198, 1e-7);
    EXPECT_NEAR(calc.FitSlope(), 0.0804957, 1e-7);
    EXPECT_NEAR(calc.NelsonRileyError(), 0.2820290, 1e-7);
    EXPECT_EQ(calc.NelsonRileyErrorText(), "0.28203");
}

TEST(LatticeCalculation, PeakWithMultipleZeroTakesNoPartInMeanErrorOrFit) {
    // The fourth peak (2Theta = 10°, lambda = 2) has d = 1 / sin(5°) = 11.47 Å, more than twice
    // the expected 4: multiple 0. The other three give 4, 4 and 3 sqrt(2) as above.
    LatticeCalculation calc = WithPeaks({"60.000", "180.000", "90.000", "10.000"}, "1,0,0", "4");
    TLatticeEffects e = calc.NelsonRileyPlot(2.0);
    ASSERT_EQ(calc.Multipliers(), (std::vector<int32_t>{2, 4, 3, 0}));
    EXPECT_EQ(calc.HklRows()[3], "0,0,0");
    EXPECT_EQ(calc.LatticeRows(),
              (std::vector<std::string>{"4.00000", "4.00000", "4.24264", kNoLatticeConstantRow}));
    // mean (8 + 4.2426407) / 3 = 4.0808802 (shown 4.0809); squares around it
    // 2 * 0.0809^2 + 0.1617407^2 = 0.0392497; sqrt(0.0392497 / (3 * 2)) = 0.0808802.
    EXPECT_EQ(calc.MeanText(), "4.0809");
    EXPECT_NEAR(calc.Error(), 0.0808802, 1e-7);
    // The fit over the three points (2.9323945, 4), (0, 4), (1.3437266, 4.2426407):
    // Sx = 4.2761210, Sxx = 10.4045385, n Sxx - Sx^2 = 12.9284043, intercept 4.0874328,
    // slope -0.0045971, SSE = 0.0391586, error sqrt(10.4045385 * 0.0391586 / 12.9284043) =
    // 0.1775221.
    EXPECT_NEAR(calc.NelsonRiley(), 4.0874328, 1e-7);
    EXPECT_NEAR(calc.FitSlope(), -0.0045971, 1e-7);
    EXPECT_NEAR(calc.NelsonRileyError(), 0.1775221, 1e-7);
    ASSERT_EQ(e.NelsonRileyWindow, TLatticeEffects::NelsonRiley::Show);
    EXPECT_EQ(e.NelsonRileyData.Count(), 3);

    // Only one peak left with a multiple: no fit, the window is hidden.
    LatticeCalculation one = WithPeaks({"180.000", "10.000"}, "1,0,0", "4");
    EXPECT_EQ(one.NelsonRileyPlot(2.0).NelsonRileyWindow, TLatticeEffects::NelsonRiley::Hide);
    EXPECT_EQ((std::vector<std::string>{one.MeanText(), one.NelsonRileyText()}),
              (std::vector<std::string>{"4", "0"}));
    EXPECT_EQ(one.Error(), 0.0);
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
        EXPECT_TRUE(copy.LatticeRows() == rows && copy.MeanText() == mean);
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
    EXPECT_TRUE(calc.ExpectedValue() > 3.0 && calc.ExpectedValue() < 5.0);

    // A start at or above the end still tries the start.
    LatticeCalculation single = WithPeaks({"46.472"}, "0,0,1", "1");
    EXPECT_EQ(single.AutoScanLattice(kCuKAlpha1, 7, 5, 0.5).AutoScanCandidates, 1);
    EXPECT_EQ(single.ExpectedText, "7");
    // One peak: every candidate scores 0, the first one (the start) wins.
    LatticeCalculation onePeak = WithPeaks({"46.472"}, "0,0,1", "1");
    onePeak.AutoScanLattice(kCuKAlpha1, 2, 9, 0.5);
    EXPECT_EQ(onePeak.ExpectedText, "2");
}

TEST(LatticeCalculation, AutoScanSkipsTrialValuesThatLeaveAPeakWithoutMultiple) {
    // lambda = 2: 2Theta = 180° gives d = 1, 60° gives d = 2. Trial values 0.5, 0.75, 1.0 give the
    // peak with d = 2 the multiple round(0.25), round(0.375), round(0.5) = 0: no candidates (with
    // every multiple 0 the spread is 0 and 0.5 would win). 1.25 gives multiples 1, 1 (lattice
    // constants 1 and 2, error 0.5); 1.5 gives 2, 1 (both 2, error 0) and wins.
    LatticeCalculation calc = WithPeaks({"180.000", "60.000"}, "1,0,0", "4");
    calc.AutoScanLattice(2.0, 0.5, 1.6, 0.25);
    EXPECT_EQ(calc.ExpectedText, "1.5");
    EXPECT_EQ(calc.Multipliers(), (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(calc.MeanText(), "2");

    // No trial value in 0.5 .. 1.0 qualifies: the message, and nothing changes.
    LatticeCalculation none = WithPeaks({"180.000", "60.000"}, "1,0,0", "4");
    none.CalculateLatticeData(2.0);
    try {
        none.AutoScanLattice(2.0, 0.5, 1.1, 0.25);
        ADD_FAILURE() << "no candidate, but no message";
    } catch (const TrevascError& e) {
        EXPECT_STREQ(e.what(),
                     "No trial lattice constant gives every peak a multiple of at least 1.");
    }
    EXPECT_EQ(std::pair(none.ExpectedText, none.MeanText()),
              std::pair(std::string("4"), std::string("4")));
    EXPECT_EQ(none.Multipliers(), (std::vector<int32_t>{4, 2}));
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
    EXPECT_TRUE(e.Cancelled && calc.HklRows().empty());
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(calc.ExpectedText, "4");
}

TEST(LatticeCalculation, ManualMultipliersLiveUntilNewPeaksOrACountChange) {
    LatticeCalculation calc = WithPeaks({"22.754", "46.472", "72.567"}, "0,0,1", "4");
    calc.CalculateLatticeData(kCuKAlpha1);
    calc.AssignManualMultiplier(1, 5, kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[1], "0,0,5");
    EXPECT_TRUE(calc.IsManualRow(1) && !calc.IsManualRow(0));
    calc.CalculateLatticeData(kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[1], "0,0,5");
    // 0 returns the row to automatic.
    calc.AssignManualMultiplier(1, 0, kCuKAlpha1);
    EXPECT_EQ(calc.HklRows()[1], "0,0,2");
    calc.AssignManualMultiplier(2, 7, kCuKAlpha1);
    // A deleted row changes the count: the next calculation resets every manual multiplier.
    calc.DeleteRow(0);
    EXPECT_EQ(std::pair(calc.PeakRows().size(), calc.HklRows().size()), std::pair(2ul, 2ul));
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
    EXPECT_FALSE(calc.AddPeakIds);  // unchecked after one use
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
