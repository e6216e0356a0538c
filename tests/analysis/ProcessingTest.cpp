#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "analysis/Processing.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

TDataSet MakeScan(const std::vector<int32_t>& counts, double start = 10.0, double step = 0.01) {
    TDataPointArray pts;
    for (size_t i = 0; i < counts.size(); ++i)
        pts.push_back({start + step * static_cast<double>(i), counts[i], 0.0, 0.0});
    TDataSet s;
    s.SetRawPoints(std::move(pts));
    return s;
}

std::vector<int32_t> Intensities(const TDataSet& s) {
    std::vector<int32_t> v;
    for (const auto& p : s.Points) v.push_back(p.Intensity);
    return v;
}

ProcessingSettings Settings(bool smooth, int w, bool background = false, int b = 40) {
    return {smooth, w, background, b, 15};
}

// The processing written out point by point, the obvious way, with 64-bit sums.
std::vector<int32_t> ReferenceProcessing(const std::vector<int32_t>& raw, bool smooth, int w,
                                         bool background, int b) {
    const long n = static_cast<long>(raw.size());
    std::vector<int32_t> p = raw, bg(raw.size());
    for (long i = 0; smooth && i < n; ++i) {
        int64_t sum = 0;
        for (long j = i - w / 2; j < i - w / 2 + w; ++j) sum += (j >= 0 && j < n) ? raw[j] : raw[i];
        p[i] = static_cast<int32_t>(sum / w);
    }
    for (long i = 0; background && i < n; ++i) {
        int64_t sum = 0;
        for (long k = 0; k < b; ++k) sum += p[std::clamp(i - b / 2 + k, 0L, n - 1)];
        bg[i] = static_cast<int32_t>(sum / b);
    }
    for (long i = 0; i < n; ++i) p[i] -= bg[i];
    return p;
}

// Least squares about the window means in long double (the from-scratch reference), and
// sqrt(Syy/Sxx), the largest slope the window's values allow.
std::pair<double, double> ReferenceFit(const std::vector<double>& x, const std::vector<double>& y,
                                       long from, long to) {
    long double mx = 0, my = 0, sxx = 0, sxy = 0, syy = 0;
    for (long j = from; j <= to; ++j) mx += x[j], my += y[j];
    mx /= (to - from + 1);
    my /= (to - from + 1);
    for (long j = from; j <= to; ++j) {
        sxx += (x[j] - mx) * (x[j] - mx);
        sxy += (x[j] - mx) * (y[j] - my);
        syy += (y[j] - my) * (y[j] - my);
    }
    return {static_cast<double>(sxy / sxx), static_cast<double>(std::sqrt(syy / sxx))};
}

}  // namespace

// A difference that leaves 32 bits saturates instead of wrapping; a negative mean truncates
// toward zero. (Window sums beyond 32 bits are compared with the straightforward sums below.)
TEST(Processing, DifferencesSaturateAndMeansTruncate) {
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    TDataSet extreme = MakeScan({lo, lo, lo, hi, lo, lo, lo});
    RebuildProcessedCurve(extreme, Settings(false, 5, true, 7));
    EXPECT_EQ(extreme.Points[3].Intensity, hi);
    TDataSet negative = MakeScan({-1, -2, -2});
    RebuildProcessedCurve(negative, Settings(true, 3));
    EXPECT_EQ(negative.Points[1].Intensity, -1);  // -5 div 3
}

TEST(Processing, RunningSumsEqualTheStraightforwardSums) {
    std::mt19937 rng(7);
    // Ordinary counts, and counts near 2e9 whose window sums overflow 32 bits; 20000 points span
    // several of the blocks in which smoothing and background removal take turns, in both halves.
    std::uniform_int_distribution<int32_t> small(-500, 100000), large(1900000000, 2147483647);
    for (int n : {0, 1, 2, 3, 10, 257, -257, 20000}) {
        std::vector<int32_t> raw(static_cast<size_t>(std::abs(n)));
        for (auto& v : raw) v = n < 0 ? large(rng) : small(rng);
        for (int w : {2, 3, 4, 5, 16, 255, 1000}) {
            for (int mode = 1; mode < 4; ++mode) {
                // Background widths even and odd, and wider than the scan (or than either half
                // of it: the background reads across the seam of the two threads' halves).
                const ProcessingSettings s = Settings(mode & 1, w, mode & 2, (w * 7) % 999 + 2);
                const auto expected = ReferenceProcessing(raw, s.NoiseSuppression, w,
                                                          s.RemoveBackground, s.BackgroundWidth);
                // The processed array as a reader leaves it (none), of another length with
                // stale slopes in its memory, and of the right length (its slopes are kept).
                for (const size_t held : {size_t{0}, raw.size() + 3, raw.size()}) {
                    for (size_t parallelFrom : {std::numeric_limits<size_t>::max(), size_t{0}}) {
                        TDataSet scan = MakeScan(raw);
                        scan.Points.resize(held);
                        for (TDataPoint& p : scan.Points) p.Slope = p.Curvature = 7.0;
                        RebuildProcessedCurve(scan, s, parallelFrom);
                        const bool kept = held == raw.size() && s.NoiseSuppression;
                        ASSERT_EQ(Intensities(scan), expected)
                            << "n=" << n << " w=" << w << " mode=" << mode << " held=" << held
                            << " two threads=" << (parallelFrom == 0);
                        for (size_t i = 0; i < raw.size(); ++i) {
                            const TDataPoint& p = scan.Points[i];
                            ASSERT_EQ(p.Position, 10.0 + 0.01 * static_cast<double>(i));
                            ASSERT_TRUE(p.Slope == (kept ? 7.0 : 0.0) && p.Slope == p.Curvature)
                                << "n=" << n << " held=" << held << " point " << i;
                        }
                    }
                }
            }
        }
    }
}

TEST(Processing, MeansTruncateTowardZeroAtTheLimitsOf32Bits) {
    // 1000 points of 2^31 - 1 but one of 2^31 - 2: the sum is 1000 (2^31 - 1) - 1, whose mean
    // 2147483646.999 truncates to 2147483646 (a rounded quotient would give 2^31 - 1). At the
    // negative end -2147483647.999 truncates toward zero, to -2147483647.
    for (const int32_t top : {INT32_MAX, INT32_MIN}) {
        std::vector<int32_t> raw(1000, top);
        raw[700] = top > 0 ? top - 1 : top + 1;
        TDataSet scan = MakeScan(raw);
        RebuildProcessedCurve(scan, Settings(true, 1000));
        EXPECT_EQ(scan.Points[500].Intensity, top > 0 ? 2147483646 : -2147483647);
        EXPECT_EQ(scan.Points[0].Intensity, top) << "window left of the changed point";
        // Background over 1000 points: the windows of points 500 and 700 (0..999, 200..1199)
        // hold the changed point, so their background is that truncated mean, one step short of
        // the flat level; the changed point itself lies on it.
        RebuildProcessedCurve(scan, Settings(false, 2, true, 1000));
        EXPECT_EQ(scan.Points[500].Intensity, top > 0 ? 1 : -1);
        EXPECT_EQ(scan.Points[700].Intensity, 0);
    }
}

TEST(Processing, SwitchingOffCopiesRawPointsAndOnReproduces) {
    std::vector<int32_t> raw;
    for (int i = 0; i < 60; ++i) raw.push_back(100 + (i * 37) % 91);
    TDataSet scan = MakeScan(raw);
    RebuildProcessedCurve(scan, Settings(true, 5, true));
    const auto first = Intensities(scan);
    ComputeSlopeAndCurvature(scan, 15);
    ASSERT_NE(scan.Points[30].Slope, 0.0);
    RebuildProcessedCurve(scan, Settings(false, 7));  // off: raw counts, no slope or curvature
    EXPECT_EQ(Intensities(scan), raw);
    EXPECT_TRUE(scan.Points[30].Slope == 0.0 && scan.Points[30].Curvature == 0.0);
    RebuildProcessedCurve(scan, Settings(true, 5, true));
    EXPECT_EQ(Intensities(scan), first);
    // A processed array of another length is rebuilt with the raw positions.
    scan.Points.clear();
    RebuildProcessedCurve(scan, Settings(true, 5));
    ASSERT_EQ(scan.Points.size(), raw.size());
    EXPECT_DOUBLE_EQ(scan.Points[59].Position, scan.RawPoints[59].Position);
}

TEST(Slope, StraightLineExactEdgesAndShortScans) {
    for (int w : {15, 4, 3}) {
        std::vector<int32_t> counts;
        for (int i = 0; i < 60; ++i) counts.push_back(3 * (20 + i) + 7);
        TDataSet line = MakeScan(counts, 20.0, 1.0);
        ComputeSlopeAndCurvature(line, w);
        // Edges: the first w div 2 and the last w - w div 2 - 1 points.
        const int left = w / 2, right = w - left, n = 60;
        for (int i = 0; i < n; ++i) {
            const bool inside = i >= left && i <= n - right;
            EXPECT_NEAR(line.Points[i].Slope, inside ? 3.0 : 0.0, 1e-9) << "w=" << w << " i=" << i;
            if (!inside) {
                EXPECT_EQ(line.Points[i].Curvature, 0.0);
            }
        }
        for (int i = 2 * left; i <= n - 2 * right + 1; ++i)
            EXPECT_NEAR(line.Points[i].Curvature, 0.0, 1e-9) << "w=" << w << " i=" << i;
        EXPECT_NE(line.Points[left].Curvature, 0.0);  // its window reaches the zero edge slopes
    }
    const TLineFit fit =
        LineFitSlope(MakeScan({67, 70, 73, 76}, 20.0, 1.0).Points, 0, 3, TFitValue::Intensity);
    EXPECT_NEAR(fit.Slope, 3.0, 1e-12);
    EXPECT_NEAR(fit.Intercept, 7.0, 1e-9);

    // Fewer points than the window, or all positions equal: zeros, never NaN.
    std::vector<TDataSet> scans = {MakeScan({}), MakeScan({4}), MakeScan({4, 9}),
                                   MakeScan(std::vector<int32_t>(14, 5)),
                                   MakeScan({1, 5, 2, 8, 3, 9}, 30.0, 0.0)};
    for (TDataSet& s : scans) {
        for (size_t i = 0; i < s.Points.size(); ++i) s.Points[i].Intensity += int32_t(i * i);
        ComputeSlopeAndCurvature(s, s.Points.size() == 6 ? 3 : 15);
        for (const auto& p : s.Points) EXPECT_TRUE(p.Slope == 0.0 && p.Curvature == 0.0);
    }
    EXPECT_EQ(LineFitSlope(scans[4].Points, 0, 5, TFitValue::Intensity).Slope, 0.0);
}

// (The processing itself is compared on two threads with the straightforward sums above.)
TEST(Slope, SlidingSumsMatchFromScratchFitsOnRealPositions) {
    // Positions like a fine 2Theta scan, 70 + i * 0.0004: the textbook sums lose all digits here.
    const long n = 12000;
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> x(n), y(n);
    TDataPointArray pts(n);
    for (long i = 0; i < n; ++i) {
        x[i] = 70.0 + static_cast<double>(i) * 0.0004;
        const double mean = 800.0 + 100.0 * (x[i] - 70.0) +
                            5e5 * std::exp(-std::pow((x[i] - 71.5) / 0.05, 2)) +
                            2e4 / (1 + std::pow((x[i] - 73.0) / 0.02, 2));
        y[i] = std::round(mean + std::sqrt(mean) * noise(rng));
        pts[i] = {x[i], static_cast<int32_t>(y[i]), 0.0, 0.0};
    }
    for (int w : {3, 4, 15, 16, 101, 1000}) {
        // Serial, and in halves on two threads: the same bits.
        TDataSet s, halves;
        s.SetRawPoints(pts);
        halves.SetRawPoints(pts);
        ComputeSlopeAndCurvature(s, w, std::numeric_limits<size_t>::max());
        ComputeSlopeAndCurvature(halves, w, 0);
        EXPECT_EQ(
            std::memcmp(s.Points.data(), halves.Points.data(), sizeof(TDataPoint) * pts.size()), 0)
            << "w=" << w;
        const long left = w / 2, right = w - left;
        std::vector<double> refSlope(n, 0.0);
        for (long i = left; i <= n - right; ++i)
            refSlope[i] = ReferenceFit(x, y, i - left, i + right - 1).first;
        // Deviations measured against the largest slope the window allows.
        double worstSlope = 0, worstCurv = 0;
        for (long i = left; i <= n - right; i += (w > 100 ? 7 : 1)) {
            const auto [slope, scale] = ReferenceFit(x, y, i - left, i + right - 1);
            worstSlope = std::max(worstSlope, std::fabs(s.Points[i].Slope - slope) / scale);
            const auto [curv, cscale] = ReferenceFit(x, refSlope, i - left, i + right - 1);
            worstCurv = std::max(worstCurv, std::fabs(s.Points[i].Curvature - curv) / cscale);
        }
        EXPECT_LT(worstSlope, 1e-9) << "w=" << w;
        EXPECT_LT(worstCurv, 1e-9) << "w=" << w;
        // On a steep flank the plain relative error counts.
        const long flank = static_cast<long>((71.5 - 0.035 - 70.0) / 0.0004);
        const double at = ReferenceFit(x, y, flank - left, flank + right - 1).first;
        EXPECT_NEAR(s.Points[flank].Slope, at, 1e-9 * std::fabs(at)) << "w=" << w;
    }
}

TEST(Slope, RecomputedOnlyWhenWindowOrPointsChanged) {
    std::vector<int32_t> counts;
    for (int i = 0; i < 80; ++i) counts.push_back(100 + (i * 53) % 97);
    TDataSet scan = MakeScan(counts);
    ComputeSlopeAndCurvature(scan, 15);
    const double slope = scan.Points[40].Slope;
    ASSERT_NE(slope, 0.0);
    // A value no computation gives shows whether the next call recomputed.
    const auto plant = [&] { scan.Points[40].Slope = 12345.0; };
    const auto recomputed = [&] { return scan.Points[40].Slope != 12345.0; };

    plant();
    ComputeSlopeAndCurvature(scan, 15);
    EXPECT_FALSE(recomputed()) << "same window, same points";
    ComputeSlopeAndCurvature(scan, 2);  // clamped to 3: a new window
    EXPECT_TRUE(recomputed());
    ComputeSlopeAndCurvature(scan, 15);
    EXPECT_EQ(scan.Points[40].Slope, slope);

    const std::vector<std::function<void()>> changes = {
        [&] { scan.MarkPointsChanged(); },
        [&] { RebuildProcessedCurve(scan, Settings(true, 5)); },
        [&] { scan.SetRawPoints(ToDataPoints(scan.RawPoints)); },
    };
    for (size_t k = 0; k < changes.size(); ++k) {
        ComputeSlopeAndCurvature(scan, 15);
        plant();
        changes[k]();
        ComputeSlopeAndCurvature(scan, 15);
        EXPECT_TRUE(recomputed()) << "change " << k;
    }
    // Smoothed points give other slopes than the raw ones they came from.
    RebuildProcessedCurve(scan, Settings(true, 9));
    ComputeSlopeAndCurvature(scan, 15);
    EXPECT_NE(scan.Points[40].Slope, slope);
}

TEST(Slope, CurvatureOnlyWhenAskedForAndNeverStale) {
    // y = i^2 at x = i / 2, that is y = 4 x^2: over three points the fitted slope is the
    // derivative 8 x, and the slope of that line the curvature 8 (where its window lies inside).
    std::vector<int32_t> counts;
    for (int i = 0; i < 12; ++i) counts.push_back(i * i);
    TDataSet scan = MakeScan(counts, 0.0, 0.5);
    const auto curvature = [&] { return scan.Points[5].Curvature; };

    ComputeSlope(scan, 3);
    EXPECT_NEAR(scan.Points[5].Slope, 20.0, 1e-9);
    for (const TDataPoint& p : scan.Points) EXPECT_EQ(p.Curvature, 0.0);
    // The slope is known already; the curvature is not, and must be computed now.
    ComputeSlopeAndCurvature(scan, 3);
    EXPECT_NEAR(curvature(), 8.0, 1e-9);
    EXPECT_NEAR(scan.Points[2].Curvature, 8.0, 1e-9);

    scan.Points[5].Curvature = 12345.0;
    ComputeSlopeAndCurvature(scan, 3);
    EXPECT_EQ(curvature(), 12345.0) << "same window, same points: nothing recomputed";
    ComputeSlope(scan, 3);
    EXPECT_EQ(curvature(), 12345.0);
    // Changed points: the slope alone is recomputed, after which the curvature is out of date.
    scan.MarkPointsChanged();
    ComputeSlope(scan, 3);
    EXPECT_EQ(curvature(), 12345.0);
    ComputeSlopeAndCurvature(scan, 3);
    EXPECT_NEAR(curvature(), 8.0, 1e-9);
}
