// The peak fit: equality with the literal grid search, the documented reference fit, the
// messages and the degenerate inputs, the display range and the automatic edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "LiteralPeakFit.h"
#include "formats/ScanFileReader.h"
#include "tools/fitting/PeakFit.h"

using namespace trevasc;
using namespace trevasc::fitting;

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
    const FitResult fast = PeakFit(pts, first, last).Run(profile, xL, xR);
    ASSERT_TRUE(fast.Fitted) << fast.Error;
    const std::vector<FitTriple> literal =
        test::LiteralGridSearch(pts, first, last, profile, xL, xR);
    ASSERT_EQ(fast.Passes.size(), literal.size());
    for (size_t i = 0; i < literal.size(); ++i) {
        SCOPED_TRACE("pass " + std::to_string(i + 1));
        // Bit for bit: the same triple wins and its sum is summed the same way.
        EXPECT_EQ(fast.Passes[i].WidthFactor, literal[i].WidthFactor);
        EXPECT_EQ(fast.Passes[i].Amplitude, literal[i].Amplitude);
        EXPECT_EQ(fast.Passes[i].Center, literal[i].Center);
        EXPECT_EQ(fast.Passes[i].Sum, literal[i].Sum);
    }
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
    const Case cases[] = {
        {"clean Lorentz", Synthetic{}, 29.4, 30.6},
        {"noisy Gauss on a slope", noisyGauss, 29.5, 30.7},
        {"narrow weak Lorentz", narrow, 29.2, 29.8},
        {"flat", flat, 29.3, 30.7},
        {"500 points, boundaries at the ends", wide, 28.0, 28.0 + 499 * 0.008},
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

TEST(PeakFit, NoiseFreeLorentzOnASlopeIsFoundAtItsPosition) {
    Synthetic s;
    s.Slope = 150.0;
    s.Count = 301;
    s.From = 28.5;
    const TDataPointArray pts = MakePeak(s);
    const FitResult fit = PeakFit(pts, 0, 300).Run(FitProfile::Lorentz, 29.0, 31.0);
    ASSERT_TRUE(fit.Fitted);
    EXPECT_NEAR(fit.Overlay.Center, 30.0, 0.002);
    EXPECT_NEAR(fit.Fwhm, 0.2, 0.01);
    EXPECT_NEAR(fit.Overlay.Amplitude, 1000.0, 50.0);
    EXPECT_EQ(fit.Overlay.ProfileKind, 1);
    EXPECT_GT(fit.Overlay.BackgroundSlope, 100.0);  // the background follows the slope
    EXPECT_NEAR(fit.Fwhm, Fwhm(FitProfile::Lorentz, fit.Overlay.WidthFactor), 0.0);
}

TEST(PeakFit, GaussFwhmUsesTheLogOfTwo) {
    EXPECT_NEAR(Fwhm(FitProfile::Gauss, 2.0), std::sqrt(std::log(2.0)), 1e-15);
    EXPECT_DOUBLE_EQ(Fwhm(FitProfile::Lorentz, 4.0), 0.5);
    EXPECT_EQ(Fwhm(FitProfile::Gauss, 0.0), 0.0);
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
        SCOPED_TRACE(c.Name);
        const FitResult r = PeakFit(pts, c.First, c.Last).Run(FitProfile::Gauss, c.XL, c.XR);
        EXPECT_FALSE(r.Fitted);
        EXPECT_EQ(r.Error, kBackgroundTooLargeMessage);
        EXPECT_EQ(r.Overlay.ProfileKind, 0);
    }
    const TDataPointArray single{{30.0, 5}};
    EXPECT_EQ(PeakFit(single, 0, 0).Run(FitProfile::Lorentz, 30.0, 30.0).Error,
              kBackgroundTooLargeMessage);
    EXPECT_EQ(PeakFit({}, 0, 0).Run(FitProfile::Lorentz, 0.0, 1.0).Error,
              kBackgroundTooLargeMessage);

    // Boundaries outside the range on both sides: the outermost points are the background.
    const FitResult wide = PeakFit(pts, 0, 200).Run(FitProfile::Lorentz, 20.0, 40.0);
    ASSERT_TRUE(wide.Fitted);
    EXPECT_TRUE(std::isfinite(wide.Overlay.Center) && std::isfinite(wide.Fwhm));
    // All-zero counts and negative counts fit to finite numbers.
    for (int32_t level : {0, -50}) {
        TDataPointArray flat = pts;
        for (TDataPoint& p : flat) p.Intensity = level;
        const FitResult r = PeakFit(flat, 0, 200).Run(FitProfile::Gauss, 29.2, 30.8);
        ASSERT_TRUE(r.Fitted) << level;
        EXPECT_TRUE(std::isfinite(r.Overlay.Amplitude) && std::isfinite(r.Fwhm) &&
                    std::isfinite(r.Overlay.Center));
    }
}

TEST(PeakFit, ReportsEachWidthFactorAndEachPassAndCanBeCancelled) {
    const TDataPointArray pts = MakePeak(Synthetic{});
    int steps = 0, passes = 0;
    const FitResult r =
        PeakFit(pts, 0, 200).Run(FitProfile::Lorentz, 29.4, 30.6, [&](const FitProgress& p) {
            if (p.PassFinished) {
                ++passes;
                EXPECT_GT(p.Best.Sum, 0.0);
            } else {
                ++steps;
                EXPECT_TRUE(p.WidthDone >= 1 && p.WidthDone <= p.WidthTotal);
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
    EXPECT_TRUE(cancelled.Cancelled);
    EXPECT_FALSE(cancelled.Fitted);
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
            EXPECT_EQ(r.First, c.First) << c.From;
            EXPECT_EQ(r.Last, c.Last) << c.To;
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
    const AutoFitEdges e = FindAutoFitEdges(pts, 40.3);
    EXPECT_EQ(e.Nearest, 40);
    EXPECT_EQ(e.Left, 10);
    EXPECT_EQ(e.Right, 72);
    EXPECT_EQ(e.Margin, 15);
    EXPECT_EQ(e.First, 0);
    EXPECT_EQ(e.Last, 87);
    EXPECT_DOUBLE_EQ(e.LeftBoundary, pts[10].Position);
    EXPECT_DOUBLE_EQ(e.RightBoundary, pts[72].Position);

    // Peaks at the ends: the walk stops at the first and last point, the margin is at least 2.
    const AutoFitEdges atStart = FindAutoFitEdges(pts, -3.0);
    EXPECT_EQ(atStart.Left, 0);
    EXPECT_EQ(atStart.First, 0);
    const AutoFitEdges atEnd = FindAutoFitEdges(pts, 150.0);
    EXPECT_EQ(atEnd.Nearest, 99);
    EXPECT_EQ(atEnd.Right, 99);
    EXPECT_EQ(atEnd.Last, 99);
    const AutoFitEdges single = FindAutoFitEdges({TDataPoint{1.0, 3}}, 0.0);
    EXPECT_EQ(single.Margin, 2);
    EXPECT_EQ(single.First, 0);
    EXPECT_EQ(single.Last, 0);
}
