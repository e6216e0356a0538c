// The multi-peak profile fit: exact recovery of noise-free patterns (every shape, doublets),
// agreement with an independent long-double least-squares fit on noisy data (values and
// errors), the closed-form areas against numerical integration, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "LeastSquaresReference.h"
#include "tools/profile/ProfileFit.h"
#include "tools/profile/SizeStrain.h"

using namespace trevasc::tools;

namespace {

struct TruePeak {
    double Center, Fwhm, Height, Shape;
};

// Profiles of height 1 written out from their textbook definitions, independent of the code.
long double Gauss(long double u) {
    return std::exp(-4.0L * std::numbers::ln2_v<long double> * u * u);
}
long double Lorentz(long double u) {
    return 1.0L / (1.0L + 4.0L * u * u);
}
long double Unit(ProfileShape shape, long double u, long double s) {
    switch (shape) {
        case ProfileShape::Gauss:
            return Gauss(u);
        case ProfileShape::Lorentz:
            return Lorentz(u);
        case ProfileShape::PseudoVoigt:
            return s * Lorentz(u) + (1.0L - s) * Gauss(u);
        case ProfileShape::PearsonVII:
            return std::pow(1.0L + 4.0L * (std::pow(2.0L, 1.0L / s) - 1.0L) * u * u, -s);
    }
    return 0.0L;
}

// The Kα2 angle of a Kα1 angle in degrees.
long double PartnerAngle(long double c, long double lambdaRatio) {
    const long double deg = std::numbers::pi_v<long double> / 180.0L;
    return 2.0L * std::asin(lambdaRatio * std::sin(c / 2.0L * deg)) / deg;
}

struct Pattern {
    std::vector<double> X, Y;
};

Pattern MakePattern(ProfileShape shape, const std::vector<TruePeak>& peaks, double from,
                    double step, int count, double b0, double b1, double noise = 0.0,
                    double lambdaRatio = 0.0, double ratio = 0.5, unsigned seed = 5) {
    Pattern p;
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal;
    double mean = 0.0;
    for (int i = 0; i < count; ++i) mean += from + step * i;
    mean /= count;
    for (int i = 0; i < count; ++i) {
        const double x = from + step * i;
        long double y = b0 + b1 * (x - mean);
        for (const TruePeak& t : peaks) {
            y += t.Height * Unit(shape, (x - t.Center) / t.Fwhm, t.Shape);
            if (lambdaRatio > 0.0)
                y += ratio * t.Height *
                     Unit(shape, (x - PartnerAngle(t.Center, lambdaRatio)) / t.Fwhm, t.Shape);
        }
        double v = static_cast<double>(y);
        if (noise > 0.0) v += noise * std::sqrt(std::max(v, 1.0)) * normal(rng);
        p.X.push_back(x);
        p.Y.push_back(v);
    }
    return p;
}

// The reference fit of the natural parameters b0, b1, (c, w, H, s)... with the residuals weighted
// by 1 / sqrt(max(y, 1)); errors from the covariance times the reduced chi².
struct Reference {
    std::vector<long double> P, Error;
    long double Chi2Red = 0.0L;
    test::LongMatrix Cov;
};

Reference ReferenceFit(ProfileShape shape, const Pattern& d, const std::vector<long double>& p) {
    const size_t n = p.size(), m = d.X.size();
    const size_t per = HasShapeParameter(shape) ? 4 : 3;
    long double mean = 0.0L;
    for (double x : d.X) mean += x;
    mean /= static_cast<long double>(m);
    const auto residuals = [&](const std::vector<long double>& q) {
        std::vector<long double> r(m);
        for (size_t i = 0; i < m; ++i) {
            long double y = q[0] + q[1] * (d.X[i] - mean);
            for (size_t o = 2; o < n; o += per)
                y += q[o + 2] * Unit(shape, (d.X[i] - q[o]) / q[o + 1], per == 4 ? q[o + 3] : 0.0L);
            r[i] = (y - d.Y[i]) / std::sqrt(std::max<long double>(d.Y[i], 1.0L));
        }
        return r;
    };
    const test::LeastSquaresResult fit = test::LeastSquaresReference(residuals, p);
    Reference ref{fit.P, {}, fit.Sum / static_cast<long double>(m - n), fit.InverseNormal};
    for (size_t k = 0; k < n; ++k) {
        for (size_t l = 0; l < n; ++l) ref.Cov[k][l] *= ref.Chi2Red;
        ref.Error.push_back(std::sqrt(ref.Cov[k][k]));
    }
    return ref;
}

void ExpectRelative(double actual, long double expected, double tolerance, const char* what) {
    EXPECT_NEAR(actual, static_cast<double>(expected),
                tolerance * std::fabs(static_cast<double>(expected)))
        << what;
}

std::vector<double> Starts(const std::vector<TruePeak>& peaks, double offset) {
    std::vector<double> s;
    for (const TruePeak& t : peaks) s.push_back(t.Center + offset);
    return s;
}

const std::vector<TruePeak> kFivePeaks = {{28.0, 0.25, 3000.0, 0.3},
                                          {28.45, 0.30, 1200.0, 0.7},
                                          {29.2, 0.22, 5000.0, 0.5},
                                          {30.0, 0.35, 800.0, 0.2},
                                          {30.4, 0.28, 2000.0, 0.85}};

}  // namespace

TEST(ProfileFit, NoiseFreeFivePeakPseudoVoigtPatternIsRecovered) {
    const Pattern d =
        MakePattern(ProfileShape::PseudoVoigt, kFivePeaks, 26.5, 0.003, 2000, 150.0, -8.0);
    ProfileFitOptions options;
    options.Shape = ProfileShape::PseudoVoigt;
    const ProfileFitResult r =
        FitLineProfiles(d.X, d.Y, d.X.front(), d.X.back(), Starts(kFivePeaks, 0.02), options);
    ASSERT_TRUE(r.Fitted) << r.Error;
    EXPECT_EQ(r.Points, 2000);
    ASSERT_EQ(r.Model.Peaks.size(), 5u);
    ExpectRelative(r.Model.Background0, 150.0L, 1e-6, "b0");
    ExpectRelative(r.Model.Background1, -8.0L, 1e-6, "b1");
    for (size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        const ProfilePeak& p = r.Model.Peaks[k];
        const TruePeak& t = kFivePeaks[k];
        EXPECT_NEAR(p.Center, t.Center, 1e-6);
        EXPECT_NEAR(p.ShapeParameter, t.Shape, 1e-6);
        ExpectRelative(p.Fwhm, t.Fwhm, 1e-6, "fwhm");
        ExpectRelative(p.Height, t.Height, 1e-6, "height");
        // H w (η π/2 + (1 - η) √(π / (4 ln 2)))
        const double area = t.Height * t.Fwhm *
                            (t.Shape * std::numbers::pi / 2.0 +
                             (1.0 - t.Shape) * std::sqrt(std::numbers::pi / (4.0 * std::log(2.0))));
        ExpectRelative(p.Area, area, 1e-6, "area");
    }
    EXPECT_LT(r.Rwp, 1e-8);
}

TEST(ProfileFit, NoisyFitsAgreeWithAnIndependentLeastSquaresFit) {
    struct Case {
        ProfileShape Shape;
        std::vector<TruePeak> Peaks;
    };
    const std::vector<Case> cases = {
        {ProfileShape::PseudoVoigt, {{40.0, 0.3, 2500.0, 0.4}, {40.45, 0.25, 900.0, 0.6}}},
        {ProfileShape::PearsonVII, {{40.0, 0.3, 2500.0, 1.8}, {40.5, 0.25, 900.0, 4.0}}},
        {ProfileShape::Gauss, {{40.0, 0.3, 2500.0, 0.0}, {40.45, 0.25, 900.0, 0.0}}},
        {ProfileShape::Lorentz, {{40.0, 0.3, 2500.0, 0.0}, {40.45, 0.25, 900.0, 0.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ProfileShapeName(c.Shape));
        const Pattern d = MakePattern(c.Shape, c.Peaks, 39.0, 0.005, 400, 200.0, 15.0, 1.0);
        ProfileFitOptions options;
        options.Shape = c.Shape;
        const ProfileFitResult r =
            FitLineProfiles(d.X, d.Y, d.X.front(), d.X.back(), Starts(c.Peaks, -0.01), options);
        ASSERT_TRUE(r.Fitted) << r.Error;
        const bool shaped = HasShapeParameter(c.Shape);
        std::vector<long double> start = {200.0L, 15.0L};
        for (const TruePeak& t : c.Peaks) {
            start.insert(start.end(), {t.Center, t.Fwhm, t.Height});
            if (shaped) start.push_back(t.Shape);
        }
        const Reference ref = ReferenceFit(c.Shape, d, start);
        // Values and errors: b0, b1, then centre, FWHM, height (and shape) of each peak.
        std::vector<double> values = {r.Model.Background0, r.Model.Background1},
                            errors = {r.Background0Error, r.Background1Error};
        for (const ProfilePeak& p : r.Model.Peaks) {
            values.insert(values.end(), {p.Center, p.Fwhm, p.Height});
            errors.insert(errors.end(), {p.CenterError, p.FwhmError, p.HeightError});
            if (shaped) values.push_back(p.ShapeParameter), errors.push_back(p.ShapeParameterError);
        }
        ExpectRelative(r.Chi2Red, ref.Chi2Red, 1e-6, "chi2red");
        ASSERT_EQ(values.size(), ref.P.size());
        for (size_t i = 0; i < values.size(); ++i) {
            ExpectRelative(values[i], ref.P[i], 1e-6, ("value " + std::to_string(i)).c_str());
            ExpectRelative(errors[i], ref.Error[i], 1e-6, ("error " + std::to_string(i)).c_str());
        }
        const size_t per = shaped ? 4 : 3;
        for (size_t k = 0; k < c.Peaks.size(); ++k) {
            const ProfilePeak& p = r.Model.Peaks[k];
            const size_t o = 2 + k * per;
            // The area through a numerical integral of the reference profile and its error by
            // propagation with a numerical gradient of that integral.
            const auto area = [&](long double w, long double h, long double s) {
                const int steps = 100000;
                const long double a = -2000.0L, b = 2000.0L, dh = (b - a) / steps;
                long double sum = Unit(c.Shape, a, s) + Unit(c.Shape, b, s);
                for (int i = 1; i < steps; ++i)
                    sum += (i % 2 ? 4.0L : 2.0L) * Unit(c.Shape, a + i * dh, s);
                // The tails beyond ±2000 w: Lorentz exactly, Pearson VII from its leading term.
                long double tail = 0.0L;
                const long double lorentzTail =
                    std::numbers::pi_v<long double> / 2.0L - std::atan(2.0L * b);
                if (c.Shape == ProfileShape::Lorentz) tail = lorentzTail;
                if (c.Shape == ProfileShape::PseudoVoigt) tail = s * lorentzTail;
                if (c.Shape == ProfileShape::PearsonVII) {
                    const long double k = std::pow(2.0L, 1.0L / s) - 1.0L;
                    tail = 2.0L * std::pow(4.0L * k, -s) * std::pow(b, 1.0L - 2.0L * s) /
                           (2.0L * s - 1.0L);
                }
                return h * w * (sum * dh / 3.0L + tail);
            };
            const long double s = shaped ? ref.P[o + 3] : 0.0L;
            const long double a0 = area(ref.P[o + 1], ref.P[o + 2], s);
            ExpectRelative(p.Area, a0, 2e-6, "area");
            std::vector<long double> grad(per, 0.0L);
            grad[1] = a0 / ref.P[o + 1];
            grad[2] = a0 / ref.P[o + 2];
            if (shaped) {
                const long double h = 1e-5L * s;
                grad[3] = (area(ref.P[o + 1], ref.P[o + 2], s + h) -
                           area(ref.P[o + 1], ref.P[o + 2], s - h)) /
                          (2.0L * h);
            }
            long double var = 0.0L;
            for (size_t i = 1; i < per; ++i)
                for (size_t j = 1; j < per; ++j) var += grad[i] * grad[j] * ref.Cov[o + i][o + j];
            ExpectRelative(p.AreaError, std::sqrt(var), 2e-5, "area error");
        }
    }
}

TEST(ProfileFit, DoubletsAreFittedAndReportTheAlphaOneComponent) {
    const KalphaDoublet cu{1.540562, 1.544390};
    const std::vector<TruePeak> peaks = {{44.0, 0.12, 4000.0, 0.0}, {50.5, 0.15, 1500.0, 0.0}};
    const Pattern d = MakePattern(ProfileShape::Gauss, peaks, 43.0, 0.01, 900, 50.0, 0.0, 0.0,
                                  cu.Alpha2 / cu.Alpha1, 0.5);
    ProfileFitOptions options;
    options.Shape = ProfileShape::Gauss;
    options.Doublets = true;
    options.Doublet = cu;
    const ProfileFitResult r =
        FitLineProfiles(d.X, d.Y, d.X.front(), d.X.back(), Starts(peaks, 0.01), options);
    ASSERT_TRUE(r.Fitted) << r.Error;
    for (size_t k = 0; k < peaks.size(); ++k) {
        const ProfilePeak& p = r.Model.Peaks[k];
        EXPECT_NEAR(p.Center, peaks[k].Center, 1e-7);
        EXPECT_NEAR(p.Fwhm, peaks[k].Fwhm, 1e-7);
        EXPECT_NEAR(p.Height, peaks[k].Height, 1e-5);
        const double alphaOne =
            peaks[k].Height * peaks[k].Fwhm * std::sqrt(std::numbers::pi / (4.0 * std::log(2.0)));
        EXPECT_NEAR(p.Area, alphaOne, 1e-6 * alphaOne);
    }
    // The model the window draws holds both components: at the Kα2 angle of the first peak, half
    // its height plus the Kα1 flank and the background.
    const double c2 = static_cast<double>(PartnerAngle(44.0, cu.Alpha2 / cu.Alpha1));
    const double expected = 50.0 + 2000.0 + 4000.0 * static_cast<double>(Gauss((c2 - 44.0) / 0.12));
    EXPECT_NEAR(r.Model.Value(c2), expected, 1e-4);
}

TEST(ProfileFit, RefusesWhatItCannotFitAndCanBeCancelled) {
    const std::vector<TruePeak> one = {{30.0, 0.2, 1000.0, 0.5}};
    const Pattern d = MakePattern(ProfileShape::PseudoVoigt, one, 29.0, 0.01, 201, 100.0, 0.0);
    ProfileFitOptions options;
    EXPECT_FALSE(FitLineProfiles(d.X, d.Y, 29.0, 31.0, {}, options).Fitted);
    EXPECT_FALSE(FitLineProfiles(d.X, d.Y, 29.0, 31.0, {32.0}, options).Fitted);
    // Six parameters need more than six points.
    const ProfileFitResult few = FitLineProfiles(d.X, d.Y, 29.98, 30.02, {30.0}, options);
    EXPECT_FALSE(few.Fitted);
    EXPECT_FALSE(few.Error.empty());
    // Doublets without wavelengths.
    ProfileFitOptions doublets = options;
    doublets.Doublets = true;
    EXPECT_FALSE(FitLineProfiles(d.X, d.Y, 29.0, 31.0, {30.0}, doublets).Fitted);
    // Positions that do not ascend.
    std::vector<double> x = d.X;
    std::swap(x[5], x[6]);
    EXPECT_FALSE(FitLineProfiles(x, d.Y, 29.0, 31.0, {30.0}, options).Fitted);

    int calls = 0;
    const ProfileFitResult cancelled =
        FitLineProfiles(d.X, d.Y, 29.0, 31.0, {30.05}, options, [&](int evaluations) {
            ++calls;
            EXPECT_EQ(evaluations, calls);
            return evaluations < 3;
        });
    EXPECT_TRUE(cancelled.Cancelled && !cancelled.Fitted);
    EXPECT_EQ(calls, 3);

    // A range given the wrong way round is the same range.
    const ProfileFitResult forward = FitLineProfiles(d.X, d.Y, 29.0, 31.0, {30.05}, options);
    const ProfileFitResult backward = FitLineProfiles(d.X, d.Y, 31.0, 29.0, {30.05}, options);
    ASSERT_TRUE(forward.Fitted && backward.Fitted);
    EXPECT_EQ(forward.Model.Peaks[0].Center, backward.Model.Peaks[0].Center);
}

TEST(ProfileFit, ChartHoldsTheRangeTheModelAndItsParts) {
    const std::vector<TruePeak> two = {{30.0, 0.2, 1000.0, 0.5}, {30.3, 0.2, 400.0, 0.5}};
    const Pattern d = MakePattern(ProfileShape::PseudoVoigt, two, 29.0, 0.01, 201, 100.0, 5.0, 1.0);
    const ProfileFitResult r =
        FitLineProfiles(d.X, d.Y, 29.5, 30.8, Starts(two, 0.01), ProfileFitOptions{});
    ASSERT_TRUE(r.Fitted) << r.Error;
    const trevasc::plot::TPlotDataset chart =
        BuildProfilePlotDataset(d.X, d.Y, 29.5, 30.8, r, false);
    EXPECT_EQ(chart.Count(), r.Points);
    EXPECT_NEAR(chart.FullXMin, 29.5, 1e-9);
    EXPECT_NEAR(chart.FullXMax, 30.8, 1e-9);
    ASSERT_EQ(chart.OverlayCount(), 4);  // model, background, two peaks
    for (int i = 0; i < chart.Count(); i += 13) {
        const double total = chart.Overlays[0].Points[static_cast<size_t>(i)].Y;
        const double background = chart.Overlays[1].Points[static_cast<size_t>(i)].Y;
        const double a = chart.Overlays[2].Points[static_cast<size_t>(i)].Y;
        const double b = chart.Overlays[3].Points[static_cast<size_t>(i)].Y;
        // Each peak is drawn on the background: the parts add up to the model.
        EXPECT_NEAR(a + b - background, total, 1e-9 * total);
        const double x = chart.Points[static_cast<size_t>(i)].X;
        EXPECT_NEAR(background,
                    r.Model.Background0 + r.Model.Background1 * (x - r.Model.MeanPosition), 1e-9);
    }
    // Not fitted: the points alone.
    EXPECT_EQ(
        BuildProfilePlotDataset(d.X, d.Y, 29.5, 30.8, ProfileFitResult{}, false).OverlayCount(), 0);
}

TEST(ProfileFit, APeakThatRunsOutOfTheRangeFailsTheFit) {
    // A measured NaCl pattern: the weak reflection near 39.07° next to the strong one at 39.5°,
    // fitted alone, widens into the background (left unchecked: a FWHM of 32°).
    const std::string path = std::string(TREVASC_REALDATA_DIR) + "/fityk_nacl01.dat";
    std::ifstream in(path);
    if (!in) GTEST_SKIP() << "no " << path;
    std::vector<double> x, y;
    double a = 0, b = 0;
    while (in >> a >> b) {
        x.push_back(a);
        y.push_back(b);
    }
    ASSERT_GT(x.size(), 800u);
    const std::vector<SinglePeakFit> fits =
        FitSinglePeaks(x, y, {39.0749, 39.5075}, ProfileFitOptions{});
    ASSERT_EQ(fits.size(), 2u);
    // As a pseudo-Voigt it runs out of its range or onto its neighbour: never a result.
    const std::string& error = fits[0].Fit.Error;
    EXPECT_FALSE(fits[0].Fit.Fitted);
    EXPECT_TRUE(error.find("ran out of the range") != std::string::npos ||
                error.find("interval") != std::string::npos ||
                error.find("converge") != std::string::npos)
        << error;
    // The strong neighbour is a peak as it should be.
    ASSERT_TRUE(fits[1].Fit.Fitted) << fits[1].Fit.Error;
    EXPECT_NEAR(fits[1].Fit.Model.Peaks[0].Center, 39.5, 0.05);
    EXPECT_LT(fits[1].Fit.Model.Peaks[0].Fwhm, 1.0);
}
