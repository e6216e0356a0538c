#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/XrayLines.h"
#include "support/KiessigFringes.h"
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
    // By hand from the rows 1.324, 1.765, 2.207, 2.648: t = n lambda / (2 sin(theta)) =
    // 20.000653, 20.004776, 19.998424, 20.001988 nm, mean 20.001461 (shown with five
    // digits, 20.001), sample deviation 0.002655; the first fringe's spacing lambda / (2 sin
    // 0.662°) = 6.666884 nm.
    EXPECT_EQ(calc.MeanText(), "20.001");
    EXPECT_NEAR(e.LatticeSpacing, 200.01, 1e-9);  // the shown mean in Angstrom
    EXPECT_EQ(e.TitleSuffix, " (d=20.00±0.00nm)");
    EXPECT_EQ(calc.SpacingRows()[0], "6.66688");
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
    EXPECT_FALSE(calc.AddPeakIds);  // unchecked after one use
    EXPECT_NEAR(calc.Mean(), 20.0, 0.01);
    EXPECT_NE(e.TitleSuffix.find(','), std::string::npos);
}

TEST(FilmThicknessCalculation, OneFringeOrderZeroAndFringesListedDownwards) {
    FilmThicknessCalculation calc;
    calc.ReceivePeaks({"1.000"});
    calc.Estimate(kLambda);
    EXPECT_EQ(std::pair(calc.ThicknessText(), calc.FirstIndex()), std::pair(std::string("0"), 1));
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
    // Fringes listed downwards clamp the estimate.
    const std::vector<std::string> rows = Fringes(20.0, 3, 6);
    calc.ReceivePeaks({rows.rbegin(), rows.rend()});
    calc.Estimate(kLambda);
    EXPECT_EQ(std::pair(calc.ThicknessText(), calc.FirstIndex()), std::pair(std::string("0"), 1));
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
    EXPECT_EQ(calc.FirstIndex(), 4);
    // The remaining rows keep their spacings and get the new orders.
    EXPECT_EQ(calc.OrderRows(), (std::vector<std::string>{"4", "5", "6"}));
    for (double t : calc.Thicknesses()) EXPECT_NEAR(t, 20.0, 0.01);
    calc.SetFirstIndex(10);
    EXPECT_EQ(calc.OrderRows().front(), "10");
    EXPECT_DOUBLE_EQ(calc.Thicknesses()[1], 11.0 * calc.Spacings()[1]);
}

TEST(FilmThicknessCalculation, StandardDeviationByHand) {
    // Fringes at 2Theta = 60° and 180° (sin(theta) = 1/2 and 1) at orders 2 and 3 with
    // lambda = 1.5 A: d = 0.15 / (2 sin(theta)) = 0.15 and 0.075 nm, t = 0.3 and 0.225 nm.
    // Mean 0.2625; sample deviation sqrt((0.0375² + 0.0375²) / (2 - 1)) = 0.0375 √2.
    FilmThicknessCalculation calc;
    calc.ReceivePeaks({"60.000", "180.000"});
    calc.SetFirstIndex(2);
    calc.Calculate(1.5);
    EXPECT_EQ(calc.MeanText(), "0.2625");
    EXPECT_NEAR(calc.StandardDeviation(), 0.0375 * std::sqrt(2.0), 1e-12);
    EXPECT_EQ(calc.DeviationText(), "0.053033");

    // At orders 1 and 2 with lambda = 1.540562 A both fringes give t = lambda / 10 = 0.1540562
    // nm. The mean field shows 5 digits, "0.15406", and the deviation is taken around that:
    // sqrt(2 × (0.1540562 - 0.15406)² / 1) = 3.8E-6 √2, not 0.
    calc.SetFirstIndex(1);
    calc.Calculate(1.540562);
    EXPECT_NEAR(calc.Mean(), 0.1540562, 1e-12);
    EXPECT_EQ(calc.MeanText(), "0.15406");
    EXPECT_NEAR(calc.StandardDeviation(), 3.8e-6 * std::sqrt(2.0), 1e-11);
}

namespace {

std::vector<std::string> RefractedFringes(double thicknessNm, double twoThetaCritical,
                                          double firstOrder, int count) {
    std::vector<std::string> rows;
    for (double p : test::KiessigFringes(thicknessNm, twoThetaCritical, firstOrder, count))
        rows.push_back(FormatFixed(p, 3));
    return rows;
}

}  // namespace

TEST(FilmThicknessCalculation, RefractionLineFromKiessigFringes) {
    // 30 nm with 2Theta_c = 0.6°, orders 3 to 9.
    const std::vector<std::string> rows = RefractedFringes(30.0, 0.6, 3.0, 7);
    const std::optional<TRefractionFit> fit = FitRefraction(rows, 3.0, kLambda);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->Thickness, 30.0, 0.03);
    EXPECT_NEAR(fit->TwoThetaCritical, 0.6, 0.005);
    EXPECT_LT(fit->Residual, 1e-12);
    // A wrong first order bends the line; the search finds 3, also against the halves.
    const std::optional<TRefractionFit> best = FitFringeOrders(rows, kLambda);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->FirstOrder, 3.0);
    EXPECT_GT(FitRefraction(rows, 3.5, kLambda)->Residual, 100 * fit->Residual);

    // Fringes that rise faster than any film allows (a negative intercept): no critical angle.
    // sin²θ = (m lambda / 60 nm)² - 1E-5 at orders 3 to 6.
    std::vector<std::string> steep;
    for (int m = 3; m <= 6; ++m) {
        const double s2 = std::pow(m * kLambda / 600.0, 2) - 1e-5;
        steep.push_back(FormatFixed(2.0 * std::asin(std::sqrt(s2)) * 180.0 / kPi, 3));
    }
    const std::optional<TRefractionFit> noCritical = FitRefraction(steep, 3.0, kLambda);
    ASSERT_TRUE(noCritical);
    EXPECT_EQ(noCritical->TwoThetaCritical, 0.0);

    // Two fringes, no wavelength, falling angles: no line.
    EXPECT_FALSE(FitRefraction({rows[0], rows[1]}, 3.0, kLambda));
    EXPECT_FALSE(FitRefraction(rows, 3.0, 0.0));
    EXPECT_FALSE(FitFringeOrders({rows.rbegin(), rows.rend()}, kLambda));
}

TEST(FilmThicknessCalculation, RefractionFieldsAndFitOrders) {
    FilmThicknessCalculation calc;
    const auto fields = [&] { return calc.RefractionText() + " " + calc.CriticalAngleText(); };
    EXPECT_EQ(fields(), "- -");
    calc.ReceivePeaks(RefractedFringes(25.0, 0.9, 2.5, 5));
    calc.Estimate(kLambda);
    calc.FitOrders(kLambda);
    EXPECT_TRUE(calc.FirstIndex() == 2 && calc.HalfOrders());
    calc.Calculate(kLambda);
    EXPECT_EQ(calc.OrderRows().front(), "2.5");
    ASSERT_TRUE(calc.Refraction());
    EXPECT_EQ(calc.Refraction()->FirstOrder, 2.5);
    EXPECT_NEAR(ParseFloat(calc.RefractionText()), 25.0, 0.03);
    EXPECT_NEAR(ParseFloat(calc.CriticalAngleText()), 0.9, 0.005);
    // Below three fringes both fields show "-", and the fit refuses without changing anything.
    calc.ReceivePeaks({"1.000", "1.300"});
    calc.Calculate(kLambda);
    EXPECT_FALSE(calc.Refraction());
    EXPECT_EQ(fields(), "- -");
    EXPECT_THROW(calc.FitOrders(kLambda), TrevascError);
    EXPECT_TRUE(calc.FirstIndex() == 2 && calc.HalfOrders());

    // Order ½ is index 0 with "+½"; without "+½" index 0 would be order 0 and becomes 1.
    calc.ReceivePeaks(RefractedFringes(40.0, 0.9, 0.5, 8));
    calc.FitOrders(kLambda);
    EXPECT_EQ(calc.FirstIndex(), 0);
    calc.Calculate(kLambda);
    EXPECT_EQ(calc.Orders().front(), 0.5);
    calc.SetHalfOrders(false);
    EXPECT_EQ(calc.FirstIndex(), 1);
    calc.SetFirstIndex(0);
    EXPECT_EQ(calc.FirstIndex(), 1);
}

namespace {

// Refractive index n = 1 - delta + i beta at Cu K-alpha1.
struct Optics {
    double Delta, Beta;
};

// Specular reflectivity of one film on a substrate by Parratt's recursion (Parratt, Phys. Rev. 95
// (1954) 359), smooth interfaces: kz = k sqrt(sin²θ - 2 delta + 2 i beta) in each medium,
// X = (r + X_below e^(2i kz d)) / (1 + r X_below e^(2i kz d)) from the substrate (X = 0) up.
double Reflectivity(double twoTheta, const std::optional<Optics>& film, double thicknessNm,
                    const Optics& substrate) {
    using C = std::complex<double>;
    const double s = std::sin(twoTheta / 2.0 * kPi / 180.0);
    const double k = 2.0 * kPi / kLambda;
    const auto kz = [&](const Optics& o) {
        return k * std::sqrt(C(s * s - 2.0 * o.Delta, 2.0 * o.Beta));
    };
    const auto r = [](C upper, C lower) { return (upper - lower) / (upper + lower); };
    const C air = kz({0.0, 0.0});
    if (!film) return std::norm(r(air, kz(substrate)));
    const C inFilm = kz(*film);
    const C below = r(inFilm, kz(substrate));
    const C phase = std::exp(C(0.0, 2.0) * inFilm * (thicknessNm * 10.0));
    const C top = r(air, inFilm);
    return std::norm((top + below * phase) / (1.0 + top * below * phase));
}

// The first ten fringe maxima above 1.05 × the larger critical angle, on a 0.001° grid (the
// peak list's 3 decimals). The reflectivity is divided by the bare substrate's, as one looks
// for fringes: a film close to the substrate's density shows them only as shoulders otherwise.
std::vector<std::string> FringeMaxima(const Optics& film, double thicknessNm,
                                      const Optics& substrate) {
    const double delta = std::max(film.Delta, substrate.Delta);
    const double twoThetaC = 2.0 * std::asin(std::sqrt(2.0 * delta)) * 180.0 / kPi;
    const auto normalised = [&](int milli) {
        const double tt = milli / 1000.0;
        return Reflectivity(tt, film, thicknessNm, substrate) /
               Reflectivity(tt, std::nullopt, 0.0, substrate);
    };
    std::vector<std::string> rows;
    for (int i = static_cast<int>(std::ceil(1050.0 * twoThetaC)); i < 8000 && rows.size() < 10;
         ++i) {
        const double y = normalised(i);
        if (y > normalised(i - 1) && y >= normalised(i + 1))
            rows.push_back(FormatFixed(i / 1000.0, 3));
    }
    return rows;
}

}  // namespace

TEST(FilmThicknessCalculation, SimulatedFilmsOnSilicon) {
    // Optical constants at 8.048 keV from tabulated atomic scattering factors.
    const Optics silicon{7.58e-6, 1.73e-7};  // 2.33 g/cm³
    struct Film {
        const char* Name;
        Optics Constants;
        bool Denser;  // than the substrate: the film/substrate reflection turns the phase by π
    };
    const std::vector<Film> films = {{"Au", {4.66e-5, 4.96e-6}, true},    // 19.3 g/cm³
                                     {"Ni", {2.46e-5, 5.3e-7}, true},     // 8.9 g/cm³
                                     {"SiO2", {7.1e-6, 9.2e-8}, false}};  // 2.2 g/cm³
    for (const Film& film : films)
        for (double t : {20.0, 30.0, 40.0}) {
            SCOPED_TRACE(std::string(film.Name) + " " + FormatFixed(t, 0) + " nm");
            const std::vector<std::string> rows = FringeMaxima(film.Constants, t, silicon);
            ASSERT_EQ(rows.size(), 10u);
            FilmThicknessCalculation calc;
            calc.ReceivePeaks(rows);
            calc.Estimate(kLambda);
            calc.Calculate(kLambda);
            const double perFringeMean = calc.Mean();
            const int estimatedIndex = calc.FirstIndex();

            calc.FitOrders(kLambda);
            calc.Calculate(kLambda);
            ASSERT_TRUE(calc.Refraction());
            const TRefractionFit& fit = *calc.Refraction();
            EXPECT_NEAR(fit.Thickness, t, 0.005 * t);
            // Maxima at whole orders, or at half orders below a denser film.
            EXPECT_EQ(fit.FirstOrder - std::floor(fit.FirstOrder), film.Denser ? 0.5 : 0.0);
            // The critical angle of the film's own density, 2 asin(sqrt(2 delta)).
            EXPECT_NEAR(fit.TwoThetaCritical,
                        2.0 * std::asin(std::sqrt(2.0 * film.Constants.Delta)) * 180 / kPi, 0.03);

            // Order × spacing ignores refraction: even at the right orders each fringe gives too
            // little, most at the first one (t m / sqrt(m² + (2t sin θc / lambda)²)).
            const std::vector<double>& perFringe = calc.Thicknesses();
            EXPECT_LT(perFringe.front(), perFringe.back());
            EXPECT_LT(perFringe.front(), t);
            // The outer fringes lie closer in sin θ than lambda / 2t, so the estimate is too
            // thick and gives the first fringe too high an order: the per-fringe mean is off by
            // more than 2 %, for the dense films always too high.
            EXPECT_GT(std::fabs(perFringeMean - t), 0.02 * t);
            if (film.Denser) {
                EXPECT_GT(perFringeMean, 1.02 * t);
                EXPECT_GT(estimatedIndex, fit.FirstOrder);
            }
        }
}
