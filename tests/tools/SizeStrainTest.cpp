// Line broadening: the instrument function from synthetic widths and its INI keys, Scherrer and
// Williamson-Hall on peaks of known size and strain, and the whole way from a synthetic pattern
// through the single-peak fits.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

#include "support/TempDir.h"
#include "tools/profile/SizeStrain.h"

using namespace trevasc::tools;

namespace {

constexpr double kLambda = 1.540562;
constexpr double kDeg = std::numbers::pi / 180.0;

// Caglioti widths (degrees) written out: √(U tan²θ + V tanθ + W).
double Caglioti(double u, double v, double w, double twoTheta) {
    const double t = std::tan(twoTheta / 2.0 * kDeg);
    return std::sqrt(u * t * t + v * t + w);
}

// β in radians of a crystallite size D (nm) and strain ε at 2θ:
// β cosθ = K λ / D + 4 ε sinθ (λ in Å, D in Å).
double Broadening(double sizeNm, double strain, double twoTheta, double k = 0.9) {
    const double theta = twoTheta / 2.0 * kDeg;
    return (k * kLambda / (sizeNm * 10.0) + 4.0 * strain * std::sin(theta)) / std::cos(theta);
}

}  // namespace

TEST(InstrumentFunction, CagliotiParametersAreRecoveredAndStored) {
    const double u = 0.0042, v = -0.0019, w = 0.0031;
    std::vector<double> at, fwhm;
    for (double x : {21.0, 37.5, 44.0, 64.3, 81.7, 116.0}) {
        at.push_back(x);
        fwhm.push_back(Caglioti(u, v, w, x));
    }
    const auto f = FitInstrumentFunction(at, fwhm);
    ASSERT_TRUE(f);
    for (auto [got, want] : {std::pair(f->U, u), std::pair(f->V, v), std::pair(f->W, w),
                             std::pair(f->Fwhm(50.0), Caglioti(u, v, w, 50.0))})
        EXPECT_NEAR(got, want, 1e-10);
    // Exactly three peaks determine it; two or three at one position do not.
    EXPECT_TRUE(FitInstrumentFunction(std::vector<double>(at.begin(), at.begin() + 3),
                                      std::vector<double>(fwhm.begin(), fwhm.begin() + 3)));
    EXPECT_FALSE(FitInstrumentFunction(std::vector<double>{30, 40}, std::vector<double>{0.1, 0.1}));
    EXPECT_FALSE(
        FitInstrumentFunction(std::vector<double>{30, 30, 30}, std::vector<double>{0.1, 0.2, 0.3}));
    // A negative FWHM² (a hand-typed V) gives an instrument width of 0, not NaN.
    EXPECT_EQ((InstrumentFunction{0.0, -1.0, 0.0}.Fwhm(40.0)), 0.0);

    trevasc::test::TempDir dir;
    const std::string ini = dir.Write("trevasc.INI", "[FILEHISTORY]\nFILE0=/data/a.xrdml\n");
    EXPECT_FALSE(ReadInstrumentFunction(ini));
    WriteInstrumentFunction(ini, *f);
    const auto stored = ReadInstrumentFunction(ini);
    ASSERT_TRUE(stored);
    // Shortest round-trip digits: the very same numbers come back.
    EXPECT_EQ(std::tuple(stored->U, stored->V, stored->W), std::tuple(f->U, f->V, f->W));
    EXPECT_NE(dir.Read("trevasc.INI").find("FILE0=/data/a.xrdml"), std::string::npos);
    dir.Write("trevasc.INI", "[PROFILE]\nU=0.1\nV=abc\nW=0.2\n");
    EXPECT_FALSE(ReadInstrumentFunction(ini));
}

TEST(SizeStrain, ScherrerSizeOfKnownBroadeningBothCorrections) {
    const InstrumentFunction instrument{0.004, -0.002, 0.003};
    const double sizeNm = 25.0;
    std::vector<double> at = {30.0, 45.0, 70.0}, quadratic, linear;
    for (double x : at) {
        const double beta = Broadening(sizeNm, 0.0, x) / kDeg;  // degrees
        const double fi = Caglioti(0.004, -0.002, 0.003, x);
        quadratic.push_back(std::sqrt(beta * beta + fi * fi));
        linear.push_back(beta + fi);
    }
    const SizeAnalysis q =
        AnalyseSize(at, quadratic, instrument, BroadeningCorrection::Quadratic, kLambda, 0.9);
    const SizeAnalysis l =
        AnalyseSize(at, linear, instrument, BroadeningCorrection::Linear, kLambda, 0.9);
    for (size_t i = 0; i < at.size(); ++i) {
        ASSERT_TRUE(q.Peaks[i].Size && l.Peaks[i].Size);
        EXPECT_NEAR(*q.Peaks[i].Size, sizeNm, 1e-9);
        EXPECT_NEAR(*l.Peaks[i].Size, sizeNm, 1e-9);
        EXPECT_NEAR(q.Peaks[i].FwhmInstrument, Caglioti(0.004, -0.002, 0.003, at[i]), 1e-12);
    }
    // No strain: the Williamson-Hall line is flat and gives the same size.
    ASSERT_TRUE(q.WilliamsonHall);
    EXPECT_NEAR(q.WilliamsonHall->Size, sizeNm, 1e-9);
    EXPECT_NEAR(q.WilliamsonHall->Strain, 0.0, 1e-12);

    // K scales the size; a peak no wider than the instrument is not broadened.
    EXPECT_NEAR(ScherrerSize(Broadening(25.0, 0.0, 40.0), 40.0, kLambda, 0.94), 25.0 * 0.94 / 0.9,
                1e-9);
    const double fi = instrument.Fwhm(40.0);
    EXPECT_FALSE(SampleBroadening(fi, fi, BroadeningCorrection::Quadratic));
    EXPECT_FALSE(SampleBroadening(fi * 0.9, fi, BroadeningCorrection::Linear));
    const SizeAnalysis narrow =
        AnalyseSize(std::vector<double>{40.0}, std::vector<double>{fi * 0.5}, instrument,
                    BroadeningCorrection::Quadratic, kLambda, 0.9);
    EXPECT_FALSE(narrow.Peaks[0].Beta || narrow.Peaks[0].Size || narrow.WilliamsonHall);
}

TEST(SizeStrain, WilliamsonHallRecoversSizeAndStrainWithTheirErrors) {
    const std::vector<double> at = {28.4, 47.3, 56.1, 69.1, 76.4, 88.0};
    std::vector<double> beta;
    for (double x : at) beta.push_back(Broadening(40.0, 2.0e-3, x));
    const auto exact = WilliamsonHall(at, beta, kLambda, 0.9);
    ASSERT_TRUE(exact);
    EXPECT_NEAR(exact->Size, 40.0, 1e-9);
    EXPECT_NEAR(exact->Strain, 2.0e-3, 1e-14);
    EXPECT_NEAR(exact->SizeError, 0.0, 1e-9);

    // Scattered points: the errors against the covariance s² (XᵀX)⁻¹ of the same line, worked
    // through the 2 x 2 inverse, and the size's error through d(Kλ/a)/da.
    const std::vector<double> scatter = {1.03, 0.97, 1.05, 0.96, 1.02, 0.99};
    std::vector<double> noisy;
    for (size_t i = 0; i < at.size(); ++i) noisy.push_back(beta[i] * scatter[i]);
    const auto wh = WilliamsonHall(at, noisy, kLambda, 0.9);
    ASSERT_TRUE(wh);
    double s1 = 0, sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (size_t i = 0; i < at.size(); ++i) {
        const double x = 4.0 * std::sin(at[i] / 2.0 * kDeg);
        const double y = noisy[i] * std::cos(at[i] / 2.0 * kDeg);
        s1 += 1, sx += x, sxx += x * x, sy += y, sxy += x * y;
    }
    const double det = s1 * sxx - sx * sx;
    const double a = (sxx * sy - sx * sxy) / det, b = (s1 * sxy - sx * sy) / det;
    double ss = 0;
    for (size_t i = 0; i < at.size(); ++i) {
        const double r =
            noisy[i] * std::cos(at[i] / 2.0 * kDeg) - a - b * 4.0 * std::sin(at[i] / 2.0 * kDeg);
        ss += r * r;
    }
    const double s2 = ss / (s1 - 2);
    EXPECT_NEAR(wh->Strain, b, 1e-12);
    EXPECT_NEAR(wh->StrainError, std::sqrt(s2 * s1 / det), 1e-12);
    EXPECT_NEAR(wh->Size, 0.9 * kLambda / a / 10.0, 1e-9);
    EXPECT_NEAR(wh->SizeError, 0.9 * kLambda / (a * a) * std::sqrt(s2 * sxx / det) / 10.0, 1e-9);

    EXPECT_FALSE(
        WilliamsonHall(std::vector<double>{30, 40}, std::vector<double>{0.01, 0.01}, kLambda, 0.9));
}

TEST(SizeStrain, SinglePeakFitsOfASyntheticPatternGiveItsSizeAndStrain) {
    // Gauss peaks whose FWHM² is the instrument's plus the sample's (β of 30 nm and 1.5e-3), with
    // counting noise: the edge walk of the automatic fits needs it to find a peak's end.
    const double u = 0.004, v = -0.002, w = 0.003;
    const InstrumentFunction instrument{u, v, w};
    const std::vector<double> centres = {30.0, 42.0, 55.0, 68.0};
    std::vector<double> fwhm;
    for (double c : centres) {
        const double beta = Broadening(30.0, 1.5e-3, c) / kDeg;
        const double fi = Caglioti(u, v, w, c);
        fwhm.push_back(std::sqrt(beta * beta + fi * fi));
    }
    std::mt19937 rng(3);
    std::normal_distribution<double> normal;
    std::vector<double> x, y;
    for (int i = 0; i <= 5000; ++i) {
        const double at = 25.0 + 0.01 * i;
        double value = 100.0;
        for (size_t k = 0; k < centres.size(); ++k) {
            const double t = (at - centres[k]) / fwhm[k];
            value += 1e6 * std::exp(-4.0 * std::log(2.0) * t * t);
        }
        x.push_back(at);
        y.push_back(std::round(value + std::sqrt(value) * normal(rng)));
    }
    ProfileFitOptions options;
    options.Shape = ProfileShape::Gauss;
    std::vector<double> shifted;
    for (double c : centres) shifted.push_back(c + 0.03);
    const std::vector<SinglePeakFit> fits = FitSinglePeaks(x, y, shifted, options);
    ASSERT_EQ(fits.size(), centres.size());
    std::vector<double> fitted, fittedWidth;
    for (size_t k = 0; k < fits.size(); ++k) {
        const ProfileFitResult& r = fits[k].Fit;
        ASSERT_TRUE(r.Fitted && r.Model.Peaks.size() == 1u) << r.Error;
        // Fitted alone over its own edges: the range reaches no neighbour (1200 points away).
        EXPECT_LT(r.Points, 1000);
        const ProfilePeak& p = r.Model.Peaks[0];
        EXPECT_NEAR(p.Center, centres[k], 4.0 * p.CenterError);
        EXPECT_NEAR(p.Fwhm, fwhm[k], 4.0 * p.FwhmError);
        EXPECT_LT(p.FwhmError, 2e-4 * fwhm[k]);
        fitted.push_back(p.Center);
        fittedWidth.push_back(p.Fwhm);
    }
    const SizeAnalysis a =
        AnalyseSize(fitted, fittedWidth, instrument, BroadeningCorrection::Quadratic, kLambda, 0.9);
    ASSERT_TRUE(a.WilliamsonHall);
    EXPECT_NEAR(a.WilliamsonHall->Size, 30.0, 0.3);
    EXPECT_NEAR(a.WilliamsonHall->Strain, 1.5e-3, 2e-5);

    // Cancelling the first fit stops the list.
    const std::vector<SinglePeakFit> cancelled =
        FitSinglePeaks(x, y, shifted, options, [](int) { return false; });
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_TRUE(cancelled[0].Fit.Cancelled);
}
