// The peak fit: equality with the literal grid search, the documented reference fit, the
// messages and the degenerate inputs, the display range and the automatic edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <tuple>

#include "LeastSquaresReference.h"
#include "LiteralPeakFit.h"
#include "formats/ScanFileReader.h"
#include "tools/fitting/PeakFit.h"

using namespace trevasc;
using namespace trevasc::tools;

namespace {

struct Synthetic {
    FitProfile Profile = FitProfile::Lorentz;
    double Center = 30.0;
    double Fwhm = 0.2;
    double Height = 1000.0;
    double Slope = 0.0;  // counts per degree
    double Base = 100.0;
    double Noise = 0.0;  // Poisson-like spread (standard deviation sqrt(I) times this)
    double From = 29.0, Step = 0.01;
    int Count = 201;
};

TDataPointArray MakePeak(const Synthetic& s, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal;
    TDataPointArray pts;
    for (int i = 0; i < s.Count; ++i) {
        const double x = s.From + i * s.Step;
        const double k =
            s.Profile == FitProfile::Gauss ? 2.0 * std::sqrt(std::log(2.0)) / s.Fwhm : 2.0 / s.Fwhm;
        double y =
            s.Base + s.Slope * (x - s.From) + ProfileValue(s.Profile, s.Height, s.Center, k, x);
        if (s.Noise > 0.0) y += s.Noise * std::sqrt(std::max(y, 1.0)) * normal(rng);
        pts.push_back(TDataPoint{x, static_cast<int32_t>(std::lround(y))});
    }
    return pts;
}

void ExpectSameAsLiteral(const TDataPointArray& pts, int first, int last, FitProfile profile,
                         double xL, double xR) {
    // The passes are the grid's whether or not the refined centre stays between the boundaries
    // (on a flat range it need not).
    const FitResult fast = PeakFit(pts, first, last).Run(profile, xL, xR);
    ASSERT_TRUE(fast.Fitted || fast.Error == kOutsideBoundariesMessage) << fast.Error;
    const std::vector<FitTriple> literal =
        test::LiteralGridSearch(pts, first, last, profile, xL, xR);
    ASSERT_EQ(fast.Passes.size(), literal.size());
    // Bit for bit: the same triple wins and its sum is summed the same way.
    for (size_t i = 0; i < literal.size(); ++i)
        EXPECT_EQ(std::tuple(fast.Passes[i].WidthFactor, fast.Passes[i].Amplitude,
                             fast.Passes[i].Center, fast.Passes[i].Sum),
                  std::tuple(literal[i].WidthFactor, literal[i].Amplitude, literal[i].Center,
                             literal[i].Sum))
            << "pass " << i + 1;
}

TDataPointArray RealScan(const std::string& name) {
    const std::string file = std::string(TREVASC_TEST_DATA_DIR) + "/" + name;
    ScanRegistry registry;
    UnattendedPrompts prompts;
    formats::ReadScanFile(file, true, registry, prompts);
    return ToDataPoints(registry.MainScan().RawPoints);
}

}  // namespace

TEST(PeakFit, EveryPassMatchesTheLiteralGridSearchOnSyntheticPeaks) {
    struct Case {
        const char* Name;
        Synthetic Peak;
        double XL, XR;
    };
    Synthetic noisyGauss{FitProfile::Gauss, 30.1, 0.15, 5000, -40, 300, 1.0};
    Synthetic narrow{FitProfile::Lorentz, 29.5, 0.03, 200, 0, 20, 1.0};
    Synthetic flat{FitProfile::Lorentz, 30.0, 0.2, 0.0, 0, 50};  // all intensities equal
    Synthetic wide{FitProfile::Gauss, 30.0, 0.4, 1e6, 100, 1000, 0.5, 28.0, 0.008, 500};
    Synthetic mirrored{FitProfile::Gauss, 10.0, 3.0, 500, 0, 100, 0.0, 0.0, 1.0, 21};
    // Whole counts on an exact line: the residuals beside the peak are 0 or rounding errors.
    Synthetic exactLine{FitProfile::Gauss, 30.0, 0.235, 50000, 200, 100, 0.0, 28.0, 0.01, 400};
    Synthetic mirroredFine = mirrored;
    mirroredFine.Step = 0.25;
    mirroredFine.Count = 81;
    const Case cases[] = {
        {"clean Lorentz", Synthetic{}, 29.4, 30.6},
        {"noisy Gauss on a slope", noisyGauss, 29.5, 30.7},
        {"narrow weak Lorentz", narrow, 29.2, 29.8},
        {"flat", flat, 29.3, 30.7},
        {"500 points, boundaries at the ends", wide, 28.0, 28.0 + 499 * 0.008},
        {"noise-free on an exact line", exactLine, 28.0, 31.99},
        // Exact positions and a mirror-symmetric peak: mirrored centres can sum to equal values,
        // where the first triple in the documented order must win.
        {"symmetric on whole degrees", mirrored, 0.0, 20.0},
        // Large enough for two threads: equal sums may then be found on different threads.
        {"symmetric on quarter degrees", mirroredFine, 0.0, 20.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TDataPointArray pts = MakePeak(c.Peak);
        for (FitProfile profile : {FitProfile::Lorentz, FitProfile::Gauss})
            ExpectSameAsLiteral(pts, 0, static_cast<int>(pts.size()) - 1, profile, c.XL, c.XR);
    }
}

TEST(PeakFit, EveryPassMatchesTheLiteralGridSearchOnMeasuredPeaks) {
    const TDataPointArray pts = RealScan("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml");
    ASSERT_GT(pts.size(), 100u);
    const auto top = std::max_element(pts.begin(), pts.end(),
                                      [](auto& a, auto& b) { return a.Intensity < b.Intensity; });
    const int peak = static_cast<int>(top - pts.begin());
    // The strongest reflection with its automatic edges, and a weak stretch of the same scan.
    const AutoFitEdges e = FindAutoFitEdges(pts, peak);
    ExpectSameAsLiteral(pts, e.First, e.Last, FitProfile::Gauss, e.LeftBoundary, e.RightBoundary);
    ExpectSameAsLiteral(pts, e.First, e.Last, FitProfile::Lorentz, e.LeftBoundary, e.RightBoundary);
    const int weak = peak > 200 ? 20 : static_cast<int>(pts.size()) - 180;
    ExpectSameAsLiteral(pts, weak, weak + 150, FitProfile::Lorentz, pts[weak + 20].Position,
                        pts[weak + 130].Position);
}

TEST(PeakFit, TwoThreadsChooseTheTriplesOfOneThreadOnEveryRange) {
    for (const char* file :
         {"xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", "nomad_m54313_om2th_10_v2.1.xrdml"}) {
        const TDataPointArray pts = RealScan(file);
        const int n = static_cast<int>(pts.size());
        for (int width : {60, 150, 400})
            for (int start : {0, n / 3, n / 2 - width / 2, n - width}) {
                const int first = std::clamp(start, 0, n - 1);
                const int last = std::min(first + width - 1, n - 1);
                // Boundaries a tenth inside the range, as a user draws them.
                const int margin = (last - first) / 10;
                const double xL = pts[static_cast<size_t>(first + margin)].Position;
                const double xR = pts[static_cast<size_t>(last - margin)].Position;
                for (FitProfile profile : {FitProfile::Gauss, FitProfile::Lorentz}) {
                    SCOPED_TRACE(std::string(file) + " " + std::to_string(first) + ".." +
                                 std::to_string(last) +
                                 (profile == FitProfile::Gauss ? " Gauss" : " Lorentz"));
                    PeakFit single(pts, first, last);
                    single.SetSideBySide(false);
                    const FitResult one = single.Run(profile, xL, xR);
                    const FitResult two = PeakFit(pts, first, last).Run(profile, xL, xR);
                    ASSERT_EQ(one.Passes.size(), two.Passes.size());
                    ASSERT_FALSE(one.Passes.empty());
                    for (size_t i = 0; i < one.Passes.size(); ++i) {
                        EXPECT_EQ(one.Passes[i].WidthFactor, two.Passes[i].WidthFactor) << i;
                        EXPECT_EQ(one.Passes[i].Amplitude, two.Passes[i].Amplitude) << i;
                        EXPECT_EQ(one.Passes[i].Center, two.Passes[i].Center) << i;
                        EXPECT_EQ(one.Passes[i].Sum, two.Passes[i].Sum) << i;
                    }
                    EXPECT_EQ(one.Error, two.Error);
                    EXPECT_EQ(one.Sum, two.Sum);
                    EXPECT_EQ(one.Overlay.Center, two.Overlay.Center);
                }
            }
    }
}

TEST(PeakFit, EqualSumsOnBothThreadsGoToTheFirstTriple) {
    // Equal counts leave residuals of 0, and two close first points a width factor so large that
    // the narrow profiles miss every point: whole rows of triples sum to exactly 0, spread over
    // both threads, and the first of them in (k, A, c) order must win every pass.
    TDataPointArray pts{TDataPoint{0.0, 100}, TDataPoint{0.001, 100}};
    for (int i = 0; i < 400; ++i) pts.push_back(TDataPoint{1.1 + 1.37 * i, 100});
    const int last = static_cast<int>(pts.size()) - 1;
    ExpectSameAsLiteral(pts, 0, last, FitProfile::Gauss, 0.0, pts.back().Position);
    const FitResult fit = PeakFit(pts, 0, last).Run(FitProfile::Gauss, 0.0, pts.back().Position);
    ASSERT_FALSE(fit.Passes.empty());
    EXPECT_EQ(fit.Passes.front().Sum, 0.0);
}

TEST(PeakFit, FlanksOfExactCountsKeepTheLeadingSumsBitForBit) {
    // Noise-free counts on a line exact in binary but one count off near the start: beyond it
    // the residuals are exactly 0 up to the peak, the fast sums take the far flank's terms as
    // leaving the partial sums unchanged, and the peak's whole-count rounding leaves final sums
    // small enough for every bit of those partial sums to count.
    Synthetic exact{FitProfile::Gauss, 50.0, 3.0, 50000, 4, 100, 0.0, 0.0, 0.25, 400};
    for (double centre : {50.0, 61.3}) {
        exact.Center = centre;
        TDataPointArray pts = MakePeak(exact);
        pts[2].Intensity += 1;
        ExpectSameAsLiteral(pts, 0, 399, FitProfile::Gauss, 0.0, 99.75);
    }
}

TEST(PeakFit, NoiseFreeLorentzOnASlopeIsFoundAtItsPosition) {
    const TDataPointArray pts = MakePeak(
        Synthetic{FitProfile::Lorentz, 30.0, 0.2, 1000.0, 150.0, 100.0, 0.0, 28.5, 0.01, 301});
    const FitResult fit = PeakFit(pts, 0, 300).Run(FitProfile::Lorentz, 29.0, 31.0);
    ASSERT_TRUE(fit.Fitted);
    EXPECT_NEAR(fit.Overlay.Center, 30.0, 0.002);
    EXPECT_NEAR(fit.Fwhm, 0.2, 0.01);
    EXPECT_NEAR(fit.Overlay.Amplitude, 1000.0, 50.0);
    EXPECT_EQ(fit.Overlay.ProfileKind, 1);
    EXPECT_GT(fit.Overlay.BackgroundSlope, 100.0);  // the background follows the slope
}

TEST(PeakFit, GaussShapeIsTheLibraryExponentialBitForBit) {
    // Its shortcut rests on exp underflowing to 0 past 745.13 (half the smallest subnormal).
    for (double uu = 0.0; uu < 2000.0; uu += 0.37)
        ASSERT_EQ(std::bit_cast<uint64_t>(GaussShape(uu)), std::bit_cast<uint64_t>(std::exp(-uu)))
            << uu;
    for (double uu : {744.0, 745.0, 745.13, 745.14, 749.999, 750.0, 750.001, 1e300,
                      std::numeric_limits<double>::infinity()})
        EXPECT_EQ(std::bit_cast<uint64_t>(GaussShape(uu)), std::bit_cast<uint64_t>(std::exp(-uu)))
            << uu;
    EXPECT_GT(GaussShape(745.0), 0.0);
    EXPECT_TRUE(std::isnan(GaussShape(std::numeric_limits<double>::quiet_NaN())));
}

TEST(PeakFit, ApproximateGaussShapeStaysWithinItsBound) {
    // Against the library's exponential (itself within an ulp) on a fine, irregular grid over
    // the Gauss window of the approximate sums and beyond, with half the bound to spare.
    double worst = 0.0;
    for (double uu = 0.0; uu <= 708.0; uu += uu < 40.0 ? 0.000731 : 0.0917) {
        const double exact = std::exp(-uu);
        worst = std::max(worst, std::fabs(ApproxGaussShape(uu) - exact) / exact);
    }
    EXPECT_LE(worst, kApproxGaussError / 2.0);
    EXPECT_EQ(ApproxGaussShape(0.0), 1.0);
    // Beyond the fast range it is the exact shape, underflow and NaN included.
    for (double uu : {708.5, 745.2, 751.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(std::bit_cast<uint64_t>(ApproxGaussShape(uu)),
                  std::bit_cast<uint64_t>(GaussShape(uu)))
            << uu;
}

TEST(PeakFit, StrongPointsAreTheLargestResidualsInTheirOrder) {
    const std::vector<double> x{1, 2, 3, 4, 5, 6};
    const std::vector<double> r{1.0, -3.0, 0.5, 3.0, -2.0, 3.0};
    // |r| = 3 three times: the earlier two of them, kept in the points' order.
    const StrongPoints two = PickStrongPoints(x, r, 2);
    EXPECT_EQ(two.X, (std::vector<double>{2, 4}));
    EXPECT_EQ(two.R, (std::vector<double>{-3.0, 3.0}));
    EXPECT_EQ(two.SumRR, 18.0);
    const StrongPoints four = PickStrongPoints(x, r, 4);
    EXPECT_EQ(four.X, (std::vector<double>{2, 4, 5, 6}));
    EXPECT_EQ(four.SumRR, 31.0);
    EXPECT_EQ(PickStrongPoints(x, r, 10).X, x);
}

TEST(PeakFit, StrongPointBoundsStayBelowTheDocumentedSums) {
    // Noise-free peaks of 1000 points (the benchmark's): around the generating triple the sums
    // of squares cancel from 1e11 to whole-count rounding, where an approximate quadratic is off
    // by far more than the documented sum; with every point strong the bound is that quadratic
    // itself and holds only through its allowance for rounding.
    for (FitProfile profile : {FitProfile::Gauss, FitProfile::Lorentz}) {
        SCOPED_TRACE(profile == FitProfile::Gauss ? "Gauss" : "Lorentz");
        const Synthetic peak{profile, 35.0, 0.2355, 50000, 200, 100, 0.0, 30.0, 0.01, 1000};
        const TDataPointArray pts = MakePeak(peak);
        const test::DocumentedResiduals d =
            test::Residuals(pts, 0, 999, pts.front().Position, pts.back().Position);
        const double k0 =
            profile == FitProfile::Gauss ? 2.0 * std::sqrt(std::log(2.0)) / 0.2355 : 2.0 / 0.2355;
        std::vector<double> amplitudes;
        for (int l = -3; l <= 3; ++l) amplitudes.push_back(50000.0 * (1.0 + l * 2e-7));
        std::vector<double> values, lows(amplitudes.size());
        for (size_t count : {size_t{32}, d.X.size()}) {
            const StrongPoints strong = PickStrongPoints(d.X, d.R, count);
            int tight = 0;  // bounds within 0.01, 450 eps of the 1e11 the terms add up to
            for (int i = -3; i <= 3; ++i)
                for (int j = -3; j <= 3; ++j) {
                    const double k = k0 * (1.0 + i * 1e-7), c = 35.0 + j * 1e-7;
                    StrongPointLowerBounds(profile, d.X.size(), strong, k, c, amplitudes, values,
                                           lows.data());
                    for (size_t l = 0; l < amplitudes.size(); ++l) {
                        const double sum = ResidualSum(d.X, d.R, profile, amplitudes[l], c, k);
                        ASSERT_LE(lows[l], sum) << count << " " << i << " " << j << " " << l;
                        tight += lows[l] > sum - 0.01;
                    }
                }
            // All points strong: the bound is the sum up to rounding of the large terms.
            if (count == d.X.size()) EXPECT_EQ(tight, 7 * 7 * 7);
        }
        // Far from the peak the profile misses the strong points: the bound is nearly their r^2.
        const StrongPoints strong = PickStrongPoints(d.X, d.R, 32);
        const double smallest = StrongPointLowerBounds(profile, d.X.size(), strong, k0, 31.0,
                                                       amplitudes, values, lows.data());
        EXPECT_GT(smallest, 0.99 * strong.SumRR);
    }
}

TEST(PeakFit, DegenerateRangesAndBoundariesGiveTheMessageNotANumber) {
    const TDataPointArray pts = MakePeak(Synthetic{});
    struct Case {
        const char* Name;
        int First, Last;
        double XL, XR;
    };
    const Case refused[] = {
        {"one point", 5, 5, 29.0, 30.0},
        {"two points", 5, 6, 29.0, 30.0},
        {"no sample between the boundaries", 0, 200, 29.995, 30.0},
        {"crossed boundaries", 0, 200, 30.5, 29.5},
        {"boundaries beyond the points", 0, 200, 40.0, 41.0},
    };
    for (const Case& c : refused) {
        const FitResult r = PeakFit(pts, c.First, c.Last).Run(FitProfile::Gauss, c.XL, c.XR);
        EXPECT_TRUE(!r.Fitted && r.Error == kBackgroundTooLargeMessage &&
                    r.Overlay.ProfileKind == 0)
            << c.Name;
    }
    EXPECT_EQ(PeakFit({{30.0, 5}}, 0, 0).Run(FitProfile::Lorentz, 30.0, 30.0).Error,
              kBackgroundTooLargeMessage);
    EXPECT_EQ(PeakFit({}, 0, 0).Run(FitProfile::Lorentz, 0.0, 1.0).Error,
              kBackgroundTooLargeMessage);

    // Boundaries outside the range on both sides: the outermost points are the background.
    const FitResult wide = PeakFit(pts, 0, 200).Run(FitProfile::Lorentz, 20.0, 40.0);
    ASSERT_TRUE(wide.Fitted);
    EXPECT_TRUE(std::isfinite(wide.Overlay.Center) && std::isfinite(wide.Fwhm));
    // All-zero counts and negative counts hold no peak: the least squares send the amplitude to
    // nothing and the centre anywhere, which is told as a failed fit, never as a number.
    for (int32_t level : {0, -50}) {
        TDataPointArray flat = pts;
        for (TDataPoint& p : flat) p.Intensity = level;
        const FitResult r = PeakFit(flat, 0, 200).Run(FitProfile::Gauss, 29.2, 30.8);
        EXPECT_FALSE(r.Passes.empty());
        if (r.Fitted) {
            EXPECT_TRUE(std::isfinite(r.Overlay.Amplitude) && std::isfinite(r.Fwhm) &&
                        std::isfinite(r.Overlay.Center));
            EXPECT_LT(std::fabs(r.Overlay.Amplitude), 1e-6);
        } else {
            EXPECT_EQ(r.Error, kOutsideBoundariesMessage) << level;
        }
    }
}

TEST(PeakFit, ReportsEachWidthFactorAndEachPassAndCanBeCancelled) {
    const TDataPointArray pts = MakePeak(Synthetic{});
    int steps = 0, passes = 0, widthDone = 0;
    const FitResult r =
        PeakFit(pts, 0, 200).Run(FitProfile::Lorentz, 29.4, 30.6, [&](const FitProgress& p) {
            if (p.PassFinished) {
                ++passes;
                EXPECT_GT(p.Best.Sum, 0.0);
                EXPECT_EQ(widthDone, 21);  // every width factor was reported before
                widthDone = 0;
            } else {
                ++steps;
                // Each width factor once and in order, also when two threads share the pass.
                EXPECT_EQ(p.WidthDone, ++widthDone);
                EXPECT_EQ(p.WidthTotal, 21);
            }
            return true;
        });
    ASSERT_TRUE(r.Fitted);
    EXPECT_EQ(passes, static_cast<int>(r.Passes.size()));
    EXPECT_GE(steps, passes * 20);

    int calls = 0;
    const FitResult cancelled =
        PeakFit(pts, 0, 200).Run(FitProfile::Lorentz, 29.4, 30.6, [&](const FitProgress&) {
            return ++calls < 30;
        });
    EXPECT_TRUE(cancelled.Cancelled && !cancelled.Fitted);
    EXPECT_EQ(calls, 30);
}

TEST(PeakFit, DisplayRangeMapsTheViewToPointIndices) {
    TDataPointArray pts;
    for (int i = 0; i < 11; ++i) pts.push_back(TDataPoint{10.0 + i * 0.5, 1});
    struct Case {
        double From, To;
        int First, Last;
        const char* Error;
    };
    const Case cases[] = {
        {10.0, 15.0, 0, 10, ""},
        {11.2, 13.8, 2, 8, ""},
        {5.0, 99.0, 0, 10, ""},
        {13.8, 11.2, 2, 8, ""},
        {11.0, 11.5, 2, 3, kNotEnoughZoomDataMessage},
        {11.0, 12.0, 2, 4, ""},
        {99.0, 100.0, 10, 10, kNotEnoughZoomDataMessage},
    };
    for (const Case& c : cases) {
        const DisplayFitRange r = MapDisplayRange(pts, c.From, c.To);
        EXPECT_EQ(r.Error, c.Error) << c.From << ".." << c.To;
        if (r.Error.empty()) {
            EXPECT_EQ(std::pair(r.First, r.Last), std::pair(c.First, c.Last)) << c.From;
        }
    }
    EXPECT_EQ(MapDisplayRange({TDataPoint{10.0, 1}}, 9.0, 11.0).Error, kNotEnoughFileDataMessage);
    EXPECT_EQ(MapDisplayRange({}, 9.0, 11.0).Error, kNotEnoughFileDataMessage);
}

TEST(PeakFit, AutomaticEdgesWalkUntilTwentyRisingPoints) {
    // A peak at index 40 on a floor that dips to its lowest at 30 and 52; beyond them the counts
    // rise, so the walks stop 20 points later.
    TDataPointArray pts;
    for (int i = 0; i < 100; ++i) {
        int32_t y = 100;
        if (i > 30 && i < 52) y = 500 - 10 * std::abs(i - 40);
        if (i == 30 || i == 52) y = 50;
        pts.push_back(TDataPoint{20.0 + i * 0.1, y});
    }
    // Nearest, Left, Right, Margin, First, Last.
    const auto indices = [](const AutoFitEdges& e) {
        return std::vector<int>{e.Nearest, e.Left, e.Right, e.Margin, e.First, e.Last};
    };
    const AutoFitEdges e = FindAutoFitEdges(pts, 40.3);
    EXPECT_EQ(indices(e), (std::vector<int>{40, 10, 72, 15, 0, 87}));
    EXPECT_EQ(std::pair(e.LeftBoundary, e.RightBoundary),
              std::pair(pts[10].Position, pts[72].Position));
    // Peaks at the ends: the walk stops at the first and last point, the margin is at least 2.
    const AutoFitEdges atStart = FindAutoFitEdges(pts, -3.0), atEnd = FindAutoFitEdges(pts, 150.0);
    EXPECT_EQ(std::pair(atStart.Left, atStart.First), std::pair(0, 0));
    EXPECT_EQ(std::tuple(atEnd.Nearest, atEnd.Right, atEnd.Last), std::tuple(99, 99, 99));
    EXPECT_EQ(indices(FindAutoFitEdges({TDataPoint{1.0, 3}}, 0.0)),
              (std::vector<int>{0, 0, 0, 2, 0, 0}));
}

namespace {

// The grid result, the refined fit and the independent least-squares fit of one range.
struct RefinedCase {
    const char* Name;
    Synthetic Peak;
    double XL, XR;
};

void ExpectRefinedToTheLeastSquaresMinimum(const RefinedCase& c, bool noiseFree) {
    SCOPED_TRACE(c.Name);
    const TDataPointArray pts = MakePeak(c.Peak);
    const int last = static_cast<int>(pts.size()) - 1;
    const FitResult fit = PeakFit(pts, 0, last).Run(c.Peak.Profile, c.XL, c.XR);
    ASSERT_TRUE(fit.Fitted) << fit.Error;
    ASSERT_TRUE(fit.Refined);
    const test::DocumentedResiduals between =
        test::BetweenBoundaries(test::Residuals(pts, 0, last, c.XL, c.XR), c.XL, c.XR);
    // Started from the true peak, not from anything the fit computed.
    const double k = c.Peak.Profile == FitProfile::Gauss
                         ? 2.0 * std::sqrt(std::log(2.0)) / c.Peak.Fwhm
                         : 2.0 / c.Peak.Fwhm;
    // The refinement's sum: (A f((x - c) k) - r)^2 with f(u) = exp(-u^2) or 1 / (1 + u^2).
    const auto residuals = [&](const test::LongVector& p) {
        test::LongVector r;
        for (size_t i = 0; i < between.X.size(); ++i) {
            const long double u = (between.X[i] - p[0]) * p[1];
            const long double f =
                c.Peak.Profile == FitProfile::Gauss ? std::exp(-u * u) : 1.0L / (1.0L + u * u);
            r.push_back(p[2] * f - between.R[i]);
        }
        return r;
    };
    const test::LeastSquaresResult ls =
        test::LeastSquaresReference(residuals, {c.Peak.Center, k, c.Peak.Height});
    const FitTriple reference{std::fabs(double(ls.P[1])), double(ls.P[2]), double(ls.P[0]),
                              double(ls.Sum)};
    // The grid stopped well above the minimum; the refinement reached it.
    EXPECT_GT(fit.Passes.back().Sum, 1.4 * reference.Sum);
    EXPECT_NEAR(fit.Overlay.Center, reference.Center, 1e-6 * reference.Center);
    EXPECT_NEAR(fit.Overlay.WidthFactor, reference.WidthFactor, 1e-6 * reference.WidthFactor);
    EXPECT_NEAR(fit.Overlay.Amplitude, reference.Amplitude, 1e-6 * reference.Amplitude);
    EXPECT_NEAR(fit.Sum, reference.Sum, 1e-6 * reference.Sum);
    if (noiseFree) {
        EXPECT_NEAR(fit.Fwhm, c.Peak.Fwhm, 0.003 * c.Peak.Fwhm);
        EXPECT_NEAR(fit.Overlay.Center, c.Peak.Center, 0.002 * c.Peak.Fwhm);
    }
}

}  // namespace

TEST(PeakFit, UnderSampledPeaksAreRefinedToTheLeastSquaresMinimum) {
    // Four and 3.2 points per FWHM, the centre between two points, heights of 1e6 counts so
    // that whole counts do not matter; the Lorentz flanks reach far out, so its boundaries do
    // too. The grid alone reports FWHMs of 0.1634 and 0.1673 here.
    Synthetic gauss{FitProfile::Gauss, 30.031, 0.16, 1e6, 0, 100, 0.0, 29.0, 0.04, 51};
    Synthetic lorentz{FitProfile::Lorentz, 30.025, 0.16, 1e6, 0, 100, 0.0, 24.0, 0.05, 241};
    for (const RefinedCase& c : {RefinedCase{"Gauss, 4 points per FWHM", gauss, 29.4, 30.6},
                                 RefinedCase{"Lorentz, 3.2 points per FWHM", lorentz, 25.0, 35.0}})
        ExpectRefinedToTheLeastSquaresMinimum(c, true);
    // Counting noise: the least-squares minimum moves, and the refinement with it.
    for (Synthetic* s : {&gauss, &lorentz}) s->Height = 1e5, s->Noise = 1.0;
    for (const RefinedCase& c : {RefinedCase{"noisy Gauss", gauss, 29.4, 30.6},
                                 RefinedCase{"noisy Lorentz", lorentz, 25.0, 35.0}})
        ExpectRefinedToTheLeastSquaresMinimum(c, false);
}

TEST(PeakFit, RefinementOfFewerThanThreeSamplesGivesTheStartBack) {
    // Fewer than three samples: the start comes back with its sum, (4 e^-0.25 - 5)^2 +
    // (4 e^-0.25 - 3)^2.
    const FitTriple two = RefineLeastSquares({30.0, 30.1}, {5.0, 3.0}, FitProfile::Gauss,
                                             FitTriple{10.0, 4.0, 30.05, 0.0});
    EXPECT_EQ(two.Center, 30.05);
    const double g = 4.0 * std::exp(-0.25);
    EXPECT_NEAR(two.Sum, (g - 5.0) * (g - 5.0) + (g - 3.0) * (g - 3.0), 1e-12);
}

TEST(PeakFit, CentreOutsideTheBoundariesIsAFailedFit) {
    // Boundaries on the left flank of a Gauss peak at 30: the grid alone reported a centre right
    // of xR; now that is a failed fit.
    const TDataPointArray pts = MakePeak(Synthetic{FitProfile::Gauss});
    const FitResult r = PeakFit(pts, 0, 200).Run(FitProfile::Gauss, 29.3, 29.85);
    ASSERT_FALSE(r.Passes.empty());
    EXPECT_GT(r.Passes.back().Center, 29.85);
    EXPECT_TRUE(!r.Fitted && r.Error == kOutsideBoundariesMessage && r.Overlay.ProfileKind == 0);
}

TEST(PeakFit, ConfinedCentreFailsOnItsEdgeInsteadOfJumpingToTheNeighbour) {
    // A weak film peak (Gauss, 3000 counts, FWHM 0.2) at 32.0 beside a strong substrate peak
    // (Lorentz, 60000 counts, FWHM 0.04) at 31.75 on a rising background, 0.01 degree steps.
    TDataPointArray pts;
    for (int i = 0; i <= 600; ++i) {
        const double x = 30.0 + 0.01 * i;
        const double us = (x - 31.75) / 0.02;
        const double uf = (x - 32.0) / 0.2 * 2.0 * std::sqrt(std::log(2.0));
        const double y =
            200.0 + 30.0 * (x - 30.0) + 60000.0 / (us * us + 1.0) + 3000.0 * std::exp(-uf * uf);
        pts.push_back(TDataPoint{x, static_cast<int32_t>(std::lround(y))});
    }
    const AutoFitEdges e = FindAutoFitEdges(pts, 200.0);  // the film peak
    ASSERT_LT(e.LeftBoundary, 31.75);                     // the substrate peak is in the range
    const CentreInterval interval = AutoFitCentreInterval({31.75, 32.0}, 32.0, e);
    EXPECT_DOUBLE_EQ(interval.Low, 31.875);
    EXPECT_DOUBLE_EQ(interval.High, e.RightBoundary);
    const PeakFit fit(pts, e.First, e.Last);
    for (FitProfile profile : {FitProfile::Gauss, FitProfile::Lorentz}) {
        SCOPED_TRACE(static_cast<int>(profile));
        // Unconfined, the grid (the former result) goes to the substrate peak.
        const FitResult free = fit.Run(profile, e.LeftBoundary, e.RightBoundary);
        ASSERT_FALSE(free.Passes.empty());
        EXPECT_NEAR(free.Passes.back().Center, 31.75, 0.01);
        // Confined, the substrate's flank pulls the centre onto the interval's lower edge: the
        // fit fails and reports no position.
        const FitResult confined = fit.Run(profile, e.LeftBoundary, e.RightBoundary, {}, interval);
        EXPECT_TRUE(!confined.Fitted && confined.Error == kIntervalEdgeMessage &&
                    confined.Overlay.ProfileKind == 0);
    }
    // An interval that misses the range altogether.
    EXPECT_EQ(
        fit.Run(FitProfile::Gauss, e.LeftBoundary, e.RightBoundary, {}, CentreInterval{40.0, 41.0})
            .Error,
        kIntervalEdgeMessage);
}

TEST(PeakFit, ConfinedFitOfALonePeakIsTheUnconfinedOne) {
    const TDataPointArray pts = MakePeak(Synthetic{});
    const PeakFit fit(pts, 0, 200);
    const FitResult free = fit.Run(FitProfile::Lorentz, 29.4, 30.6);
    const FitResult confined =
        fit.Run(FitProfile::Lorentz, 29.4, 30.6, {}, CentreInterval{29.8, 30.3});
    ASSERT_TRUE(free.Fitted && confined.Fitted) << confined.Error;
    // Both reach the same least-squares minimum, whatever grid led there.
    EXPECT_NEAR(confined.Overlay.Center, free.Overlay.Center, 1e-7);
    EXPECT_NEAR(confined.Fwhm, free.Fwhm, 1e-7);
    EXPECT_NEAR(confined.Overlay.Center, 30.0, 0.002);
    for (const FitTriple& pass : confined.Passes)
        EXPECT_TRUE(pass.Center >= 29.8 && pass.Center <= 30.3) << pass.Center;
}

TEST(PeakFit, CentreIntervalEndsHalfwayToTheNeighboursOrAtTheBoundaries) {
    AutoFitEdges e;
    e.LeftBoundary = 10.5;
    e.RightBoundary = 13.5;
    const std::vector<double> peaks{14.0, 11.0, 12.0, 12.0, 17.0};
    // {peak, low, high}; the duplicate at 12.0 is not a neighbour.
    const double cases[][3] = {{12.0, 11.5, 13.0}, {11.0, 10.5, 11.5}, {17.0, 15.5, 13.5}};
    for (const auto& c : cases) {
        const CentreInterval i = AutoFitCentreInterval(peaks, c[0], e);
        EXPECT_EQ(std::pair(i.Low, i.High), std::pair(c[1], c[2])) << c[0];
    }
    const CentreInterval alone = AutoFitCentreInterval({12.0}, 12.0, e);
    EXPECT_EQ(std::pair(alone.Low, alone.High), std::pair(10.5, 13.5));
}

TEST(PeakFit, MeasuredFilmPeaksNoLongerJumpToTheSubstratePeak) {
    // The five peaks a method 1 search finds in this scan (0.03 degree steps). Fitted alone, the
    // grid moved the peaks at 32.805 and 33.105 onto the substrate peak at 31.688 and the one at
    // 66.105 to 62.295, outside its own boundaries.
    const TDataPointArray pts = RealScan("nomad_m54313_om2th_10_v2.1.xrdml");
    ASSERT_EQ(pts.size(), 1800u);
    const std::vector<double> peaks{31.665, 32.805, 33.105, 66.105, 69.165};
    const auto edgesOf = [&](double position) {
        return FindAutoFitEdges(pts, (position - pts.front().Position) / 0.03);
    };
    struct Jump {
        double Peak, To;
    };
    for (const Jump& j : {Jump{32.805, 31.688}, Jump{33.105, 31.688}, Jump{66.105, 62.295}}) {
        const AutoFitEdges e = edgesOf(j.Peak);
        const FitResult free =
            PeakFit(pts, e.First, e.Last).Run(FitProfile::Gauss, e.LeftBoundary, e.RightBoundary);
        ASSERT_FALSE(free.Passes.empty());
        EXPECT_NEAR(free.Passes.back().Center, j.To, 0.001) << j.Peak;
    }
    for (double peak : peaks) {
        const AutoFitEdges e = edgesOf(peak);
        const CentreInterval interval = AutoFitCentreInterval(peaks, peak, e);
        for (FitProfile profile : {FitProfile::Gauss, FitProfile::Lorentz}) {
            SCOPED_TRACE(std::to_string(peak) + (profile == FitProfile::Gauss ? " Gauss" : " L"));
            const FitResult r = PeakFit(pts, e.First, e.Last)
                                    .Run(profile, e.LeftBoundary, e.RightBoundary, {}, interval);
            if (!r.Fitted) {
                EXPECT_EQ(r.Error, kIntervalEdgeMessage);
                continue;
            }
            // Strictly inside its interval and its boundaries, never on a neighbour.
            const double c = r.Overlay.Center;
            EXPECT_TRUE(c > interval.Low && c < interval.High && c >= e.LeftBoundary &&
                        c <= e.RightBoundary)
                << c;
            // No runaway Lorentz: the width stays within the grid's range (at most 10 / step).
            EXPECT_LE(r.Overlay.WidthFactor, 10.0 / 0.03 * (1.0 + 1e-9));
            if (peak == 66.105) {
                EXPECT_NEAR(r.Overlay.Center, 66.105, 0.002);
            }
        }
    }
}
