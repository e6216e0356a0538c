#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

TDataSet Synthetic(double start, double step, int n, const std::function<double(double)>& f) {
    TDataPointArray pts;
    for (int i = 0; i < n; ++i) {
        const double x = start + step * i;
        pts.push_back({x, static_cast<int32_t>(std::lround(f(x))), 0.0, 0.0});
    }
    TDataSet s;
    s.SetRawPoints(std::move(pts));
    return s;
}

double Gauss(double x, double centre, double sigma) {
    return std::exp(-0.5 * std::pow((x - centre) / sigma, 2));
}
double Lorentz(double x, double centre, double hwhm) {
    return 1.0 / (1.0 + std::pow((x - centre) / hwhm, 2));
}

// Points whose slope and curvature are set by hand.
TDataPointArray WithSlopes(const std::vector<double>& slopes) {
    TDataPointArray pts;
    for (size_t i = 0; i < slopes.size(); ++i)
        pts.push_back({static_cast<double>(i), 100, slopes[i], 0.0});
    return pts;
}

// A flat scan of 100 points 10.00 .. 10.99 in which Method 2 finds exactly the given indices.
TDataSet CraftedScan(const std::vector<std::pair<int, int32_t>>& candidates) {
    TDataSet s = Synthetic(10.0, 0.01, 100, [](double) { return 50; });
    for (auto [k, intensity] : candidates) {
        s.Points[k - 1].Slope = 1.0;
        s.Points[k].Slope = -1.0;
        s.Points[k].Curvature = -100.0;
        s.Points[k].Intensity = intensity;
    }
    return s;
}

// Position, intensity, check mark and description of every peak.
std::string Rows(const TDataSet& s) {
    std::ostringstream rows;
    for (const TPeak& p : s.Peaks.Items)
        rows << p.Position << "=" << p.Intensity << (p.Checked ? "+" : "-") << p.Description << "|";
    return rows.str();
}

PeakSearchSettings Method2Settings() {
    PeakSearchSettings s;
    s.MinPeakCurvature = 50;
    return s;
}

}  // namespace

TEST(PeakDetectors, SlopeAndCurvatureMethods) {
    // Steepest rise at 2, first negative slope at 5, steepest fall (below -50) at 7: (2+7) div 2;
    // the range end is clamped to the array.
    EXPECT_EQ(
        FindNextPeakBySlope(0, 1000, WithSlopes({0, 50, 100, 60, 10, -5, -80, -120, -70, 0}), 40),
        4);
    // A falling side too weak for the first rise: the search restarts after it and finds the
    // second pair (rise at 7, fall at 9). A scan ending on a rising edge has no peak.
    const TDataPointArray weak = WithSlopes({0, 100, 10, -5, -10, 0, 0, 60, 10, -40, 0});
    EXPECT_EQ(FindNextPeakBySlope(0, 10, weak, 40), 8);
    EXPECT_EQ(FindNextPeakBySlope(0, 4, weak, 40), -1);
    EXPECT_EQ(FindNextPeakBySlope(0, 0, TDataPointArray{}, 40), -1);
    // The falling side must be steeper than half the rise: -50 after a rise of 100 is not,
    // -50.5 is, and the peak lies between them at (1 + 3) div 2.
    EXPECT_EQ(FindNextPeakBySlope(0, 5, WithSlopes({0, 100, -10, -50, 0, 0}), 40), -1);
    EXPECT_EQ(FindNextPeakBySlope(0, 5, WithSlopes({0, 100, -10, -50.5, 0, 0}), 40), 2);

    // Curvature: a sign change or a zero slope with a curvature at or below -threshold.
    TDataPointArray p = WithSlopes({0, 5, 3, -2, -4, 0, 6, -1});
    p[3].Curvature = -30;  // sign change, but weaker than 40
    p[5].Curvature = -40;  // zero slope, exactly at the threshold
    p[7].Curvature = -90;
    EXPECT_EQ(FindNextPeakByCurvature(0, 7, p, 40), 5);
    EXPECT_EQ(FindNextPeakByCurvature(6, 7, p, 40), 7);
    p[5].Curvature = 400;  // a positive curvature is never a peak, not even at a zero slope
    EXPECT_EQ(FindNextPeakByCurvature(0, 6, p, 40), -1);
}

TEST(FindPeaks, GaussianAndLorentzianPeaksOnABackground) {
    const double step = 0.01;
    const std::vector<double> centres = {25.003, 31.25, 40.0};
    auto curve = [&](double x) {
        return 200 + 4 * (x - 20) + 8000 * Gauss(x, centres[0], 0.06) +
               3000 * Gauss(x, centres[1], 0.04) + 12000 * Lorentz(x, centres[2], 0.05);
    };
    // Thresholds in counts per degree (squared) for a 0.01° step: the integer steps of the
    // background give slopes of a few counts per degree and curvatures of about 100.
    PeakSearchSettings set;
    set.MinPeakSlope = 10000;
    set.MinPeakCurvature = 10000;
    for (TPeakMethod method : {TPeakMethod::Slope, TPeakMethod::Curvature}) {
        SCOPED_TRACE(static_cast<int>(method));
        TDataSet scan = Synthetic(20.0, step, 2500, curve);
        AddPeak(scan, 22.0, "old", false);
        scan.Peaks.Unsaved = false;
        ASSERT_TRUE(RunPeakSearch(scan, method, set, 15));
        ASSERT_EQ(scan.Peaks.Count(), 3);
        ASSERT_EQ(scan.Peaks.Items.size(), 3u);
        EXPECT_TRUE(scan.Peaks.Unsaved);
        for (size_t i = 0; i < 3; ++i) {
            const TPeak& p = scan.Peaks.Items[i];
            EXPECT_NEAR(p.Position, centres[i], step * 1.01);
            EXPECT_TRUE(p.Checked && p.Description.empty());
            // Position, index and intensity describe the same point.
            const auto k = static_cast<size_t>(p.PointIndex);
            EXPECT_TRUE(k == p.PointIndex && p.Intensity == scan.Points[k].Intensity &&
                        p.Position == scan.Points[k].Position);
        }
    }
}

TEST(FindPeaks, HeightFilterDoublePeaksAndSorting) {
    // Exactly the minimum height is kept, one count less is not. Of three candidates 0.05° apart
    // the first two merge (mean position and index, integer mean intensity).
    TDataSet s = CraftedScan({{10, 29}, {20, 30}, {25, 33}, {30, 200}});
    FindPeaks(s, TPeakMethod::Curvature, Method2Settings());
    EXPECT_EQ(Rows(s), "10.225=31+|10.3=200+|");  // 63 div 2
    EXPECT_DOUBLE_EQ(s.Peaks.Items[0].PointIndex, 22.5);

    // A scan recorded from high to low angles still gives an ascending list.
    TDataSet d = CraftedScan({{20, 300}, {60, 400}});
    for (int i = 0; i < 100; ++i) d.Points[i].Position = 50.0 - 0.01 * i;
    FindPeaks(d, TPeakMethod::Curvature, Method2Settings());
    EXPECT_EQ(Rows(d), "49.4=400+|49.8=300+|");

    // A merged peak is not compared with the candidate after its partner; the mean of two counts
    // near the 32-bit limit does not wrap.
    std::vector<TPeak> c(4);
    const double pos[] = {1.0, 1.05, 1.09, 1.14};
    for (int i = 0; i < 4; ++i) c[i].Position = pos[i], c[i].Intensity = 2147483000 + i;
    auto merged = MergeDoublePeaks(c, 0.1);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].Intensity, 2147483000);
    EXPECT_NEAR(merged[1].Position, 1.115, 1e-12);
}

TEST(FindPeaks, RangeOnlyKeepsOldPeaksOutsideTheRange) {
    TDataSet s = CraftedScan({{20, 300}, {50, 400}, {80, 500}});
    AddPeak(s, 10.10, "left", false);
    AddPeak(s, s.Points[20].Position, "at minimum", false);
    AddPeak(s, 10.45, "inside", true);
    AddPeak(s, 10.90, "right", true);
    PeakSearchSettings set = Method2Settings();
    set.RangeOnly = true;
    // Range handed over from the plot, ends included; given reversed on purpose.
    FindPeaks(s, TPeakMethod::Curvature, set, 10.60, s.Points[20].Position);
    // Old peaks keep the flat 50 counts. The candidate at the minimum is accepted and replaces the
    // old peak there; the one at 10.80 lies outside: filtered.
    EXPECT_EQ(Rows(s), "10.1=50-left|10.2=300+|10.5=400+|10.9=50+right|");
    EXPECT_EQ(s.Peaks.Items[1].Position, s.Points[20].Position);

    // Without range-only every old peak goes.
    FindPeaks(s, TPeakMethod::Curvature, Method2Settings(), 10.60, 10.20);
    EXPECT_EQ(s.Peaks.Count(), 3);
}

TEST(AreaBisector, SymmetricPeakStaysTailedPeakMovesRightAndDoublesMerge) {
    PeakSearchSettings set;
    set.UseAreaBisector = true;
    const double step = 0.01;
    TDataSet sym =
        Synthetic(30.0, step, 400, [](double x) { return 10000 * Gauss(x, 32.0, 0.05); });
    ASSERT_TRUE(RunPeakSearch(sym, TPeakMethod::Curvature, set, 15));
    ASSERT_EQ(sym.Peaks.Count(), 1);
    EXPECT_NEAR(sym.Peaks.Items[0].Position, 32.0, step / 100 + 1e-9);

    // The top of a peak with a long right tail is at 32; the area splits further right.
    TDataSet right = Synthetic(30.0, step, 400, [](double x) {
        return 10000 * (x < 32.0 ? Gauss(x, 32.0, 0.03) : Gauss(x, 32.0, 0.15));
    });
    RunPeakSearch(right, TPeakMethod::Curvature, set, 15);
    ASSERT_EQ(right.Peaks.Count(), 1);
    const TPeak& moved = right.Peaks.Items[0];
    EXPECT_GT(moved.Position, 32.05);
    // Position, index and intensity describe the same upsampled sample.
    EXPECT_NEAR(moved.Position, 30.0 + moved.PointIndex * step, 1e-9);
    const auto i = static_cast<size_t>(moved.PointIndex);
    EXPECT_GE(moved.Intensity, right.Points[i + 1].Intensity);
    EXPECT_LE(moved.Intensity, right.Points[i].Intensity);

    // Two list entries on one peak end up at the same place; one remains.
    AddPeak(sym, 31.98, "", true);
    AddPeak(sym, 32.01, "", true);
    ApplyAreaBisector(sym, 30);
    ASSERT_EQ(sym.Peaks.Count(), 1);
    EXPECT_NEAR(sym.Peaks.Items[0].Position, 32.0, 0.0002);
}

// A scan at 10.0, 10.1, ... with the given counts and one peak at a point.
TDataSet WithPeakAt(const std::vector<int32_t>& counts, double pointIndex, int32_t intensity) {
    TDataPointArray pts;
    for (size_t i = 0; i < counts.size(); ++i)
        pts.push_back({10.0 + 0.1 * static_cast<double>(i), counts[i], 0.0, 0.0});
    TDataSet s;
    s.SetRawPoints(std::move(pts));
    TPeak p;
    p.PointIndex = pointIndex;
    p.Intensity = intensity;
    s.Peaks.Items.push_back(p);
    return s;
}

// Worked by hand on the samples k = 0 .. 100 (n - 1) - 1, sample 100 i + r being
// round(y(i) + r (y(i+1) - y(i)) / 100); the left edge is not counted in the walk.
TEST(AreaBisector, HandWorkedEdgesAndHalves) {
    // y = 0 200 200 200 200 200 200, peak at point 2, 50 % -> t = 100. Left edge: sample 50
    // (2 r = 100). No point right of the peak is at or below t, and the last point is no sample:
    // the right edge is sample 599. Area 50..599: (2 * 50 + ... + 2 * 99) + 500 * 200 = 107450,
    // half 53725. From sample 51: 7350 up to sample 99, then 200 each: samples 100..330 give
    // 53550, sample 331 reaches 53750.
    TDataSet flat = WithPeakAt({0, 200, 200, 200, 200, 200, 200}, 2.0, 200);
    ApplyAreaBisector(flat, 50);
    ASSERT_EQ(flat.Peaks.Count(), 1);
    EXPECT_DOUBLE_EQ(flat.Peaks.Items[0].PointIndex, 3.31);
    EXPECT_NEAR(flat.Peaks.Items[0].Position, 10.331, 1e-12);
    EXPECT_EQ(flat.Peaks.Items[0].Intensity, 200);

    // y = 0 200 100 300 300 0, peak at point 3, 34 % of 300 -> t = 102. Left: point 2 (100) is
    // below t; in its stretch 100 + 2 r > 102 from r = 2, so the edge is sample 201. Right: the
    // last stretch falls as 300 - 3 r, at t for r = 66: sample 466. Area: 19800 (201..299) +
    // 30000 (300..399) + 13467 (400..466) = 63267, half 31633.5. From 202: 19698 up to 299, then
    // 300 each: 40 samples 300..339 reach 31698 (39 give 31398).
    TDataSet dip = WithPeakAt({0, 200, 100, 300, 300, 0}, 3.0, 300);
    ApplyAreaBisector(dip, 34);
    ASSERT_EQ(dip.Peaks.Count(), 1);
    EXPECT_DOUBLE_EQ(dip.Peaks.Items[0].PointIndex, 3.39);
    EXPECT_NEAR(dip.Peaks.Items[0].Position, 10.339, 1e-12);
    EXPECT_EQ(dip.Peaks.Items[0].Intensity, 300);

    // Points exactly at the threshold are edges, however far the curve stays there:
    // y = 0 100 300 300 100 100 100, peak at point 2 listed at 200, 50 % -> t = 100. Edges at
    // points 1 and 4 (samples 100, 400). Area: 100 + 19800 (100 + 2 r, r = 1..99) + 30000 +
    // 20100 (300 - 2 r, r = 0..99) + 100 = 70100, half 35050. From sample 101: 20100 up to 200,
    // then 300 each: 50 samples (201..250) reach 35100, 49 give 34800.
    TDataSet edge = WithPeakAt({0, 100, 300, 300, 100, 100, 100}, 2.0, 200);
    ApplyAreaBisector(edge, 50);
    ASSERT_EQ(edge.Peaks.Count(), 1);
    EXPECT_DOUBLE_EQ(edge.Peaks.Items[0].PointIndex, 2.5);
    EXPECT_EQ(edge.Peaks.Items[0].Intensity, 300);

    // On a curve at zero a peak of height 0 stays on its sample, so only the thinning acts:
    // 10.000 10.020 10.025 10.050. The first walk deletes 10.020, moves on to compare 10.025
    // with 10.050 and deletes that; the second deletes 10.025. (Keeping every peak 0.03 from
    // the last kept one would leave 10.050.)
    TDataSet zero = WithPeakAt({0, 0, 0}, 0.0, 0);
    for (double index : {0.2, 0.25, 0.5}) {
        TPeak p;
        p.PointIndex = index;
        zero.Peaks.Items.push_back(p);
    }
    ApplyAreaBisector(zero, 50);
    ASSERT_EQ(zero.Peaks.Count(), 1);
    EXPECT_EQ(zero.Peaks.Items[0].Position, 10.0);
}

// The bisected sample by its definition, one sample at a time: edges at the first samples at or
// below the threshold (or the ends of the samples), then the first sample after the left edge
// where the running sum reaches half the area between the edges.
int64_t ReferenceBisectedSample(const TDataPointArray& pts, const TPeak& peak, int percentage) {
    const int64_t m = 100 * (static_cast<int64_t>(pts.size()) - 1);
    const auto sample = [&](int64_t k) -> int64_t {
        const auto i = static_cast<size_t>(k / 100);
        const double f = static_cast<double>(k % 100) / 100.0;
        if (k % 100 == 0) return pts[i].Intensity;
        return static_cast<int64_t>(
            std::nearbyint((1.0 - f) * pts[i].Intensity + f * pts[i + 1].Intensity));
    };
    const int64_t t = static_cast<int64_t>(percentage) * peak.Intensity / 100;
    const int64_t k0 = static_cast<int64_t>(
        std::clamp(std::nearbyint(100.0 * peak.PointIndex), 0.0, static_cast<double>(m - 1)));
    int64_t left = k0, right = k0;
    while (left > 0 && sample(left) > t) --left;
    while (right < m - 1 && sample(right) > t) ++right;
    int64_t area = 0;
    for (int64_t k = left; k <= right; ++k) area += sample(k);
    int64_t k = left, sum = 0;
    while (static_cast<double>(sum) < static_cast<double>(area) / 2.0 && k < right)
        sum += sample(++k);
    return k;
}

TEST(AreaBisector, AgreesWithTheSampleBySampleDefinition) {
    std::mt19937 rng(23);
    const auto below = [&](uint32_t n) { return static_cast<int32_t>(rng() % n); };
    for (int trial = 0; trial < 3000; ++trial) {
        // Plateaus, repeated levels and negative counts put edges on points, inside stretches
        // and at the ends; peak heights of up to 2000 put thresholds beyond the whole curve.
        const int n = 2 + below(40);
        const bool negative = trial % 5 == 0;
        std::vector<int32_t> counts;
        for (int i = 0; i < n; ++i) {
            if (i > 0 && below(3) == 0)
                counts.push_back(counts.back());
            else
                counts.push_back(below(8) * 125 - (negative ? 300 : 0));
        }
        // One to six peaks at points, between them and beyond both ends.
        const int percentage = 1 + below(99);
        TDataSet s = WithPeakAt(counts, 0.0, 0);
        s.Peaks.Items.clear();
        const int peaks = 1 + below(6);
        for (int j = 0; j < peaks; ++j) {
            TPeak p;
            p.PointIndex = static_cast<double>(below(100 * n + 200) - 100) / 100.0;
            p.Intensity = below(2000) - (negative ? 500 : 0);
            s.Peaks.Items.push_back(p);
        }
        // Expected: each peak on its bisected sample, then the second of neighbours closer
        // than 0.03 deleted, a walk moving on past a deletion, until a walk deletes nothing.
        std::vector<std::pair<int64_t, double>> expected;  // sample, position
        for (const TPeak& p : s.Peaks.Items) {
            const int64_t k = ReferenceBisectedSample(s.Points, p, percentage);
            const auto i = static_cast<size_t>(k / 100);
            const double f = static_cast<double>(k % 100) / 100.0;
            expected.emplace_back(
                k, k % 100 == 0 ? s.Points[i].Position
                                : (1.0 - f) * s.Points[i].Position + f * s.Points[i + 1].Position);
        }
        for (bool deleted = true; deleted;) {
            deleted = false;
            for (size_t j = 0; j + 1 < expected.size(); ++j)
                if (std::fabs(expected[j].second - expected[j + 1].second) < 0.03) {
                    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(j) + 1);
                    deleted = true;
                }
        }
        ApplyAreaBisector(s, percentage);
        ASSERT_EQ(s.Peaks.Count(), static_cast<int>(expected.size())) << "trial " << trial;
        for (size_t j = 0; j < expected.size(); ++j) {
            const TPeak& p = s.Peaks.Items[j];
            ASSERT_EQ(std::llround(100.0 * p.PointIndex), expected[j].first)
                << "trial " << trial << " peak " << j << " at " << percentage << " %";
            EXPECT_EQ(p.Position, expected[j].second);
        }
    }
}

TEST(FindPeaks, TinyScansAndWideWindowsStayInside) {
    TDataSet empty;
    EXPECT_FALSE(RunPeakSearch(empty, TPeakMethod::Slope, PeakSearchSettings{}, 15));
    EXPECT_FALSE(empty.Peaks.Unsaved);
    PeakSearchSettings all;
    all.UseAreaBisector = true;
    all.RangeOnly = true;
    for (int n : {1, 2, 3, 20}) {
        TDataSet s = Synthetic(10.0, 0.1, n, [](double x) { return 1000 * Gauss(x, 10.1, 0.1); });
        for (TPeakMethod m : {TPeakMethod::Slope, TPeakMethod::Curvature}) {
            EXPECT_TRUE(RunPeakSearch(s, m, all, 1000, 0.0, 100.0));
            EXPECT_EQ(s.Peaks.Count(), 0);
            EXPECT_TRUE(s.Peaks.Unsaved);
        }
        AddPeak(s, 10.05, "", true);
        ApplyAreaBisector(s, 50);  // one point: nothing to interpolate; otherwise inside the scan
        EXPECT_EQ(s.Peaks.Count(), 1);
        EXPECT_TRUE(std::isfinite(s.Peaks.Items[0].Position));
    }
}

// A large scan is walked from both ends of its halves at once; the peaks must be the single
// walk's. Noisy scans give thousands of peaks, so the walk from the middle starts inside a peak
// as often as between two; a broad peak centred on the middle point makes the first walk cross
// the middle for certain, and a scan whose second half is flat has no peaks there at all.
TEST(FindPeaks, TwoThreadsFindWhatOneWalkFinds) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int variant = 0; variant < 6; ++variant) {
        const int n = 3000 + 37 * variant;
        const double mid = 10.0 + 0.01 * (n / 2);
        TDataSet s = Synthetic(10.0, 0.01, n, [&](double x) {
            const double y = 200.0 + 5000.0 * Gauss(x, mid, 0.3) +
                             3000.0 * std::fabs(std::sin(7.0 * x)) * Gauss(x, 20.0, 4.0);
            if (variant == 5 && x > mid) return 200.0;  // flat: no peak after the middle
            return y + std::sqrt(y) * noise(rng) * (variant + 1);
        });
        for (TPeakMethod m : {TPeakMethod::Slope, TPeakMethod::Curvature}) {
            ComputeSlopeAndCurvature(s, 5);
            PeakSearchSettings settings;
            settings.MinDoublePeakDistance = 0.0;  // every peak the walk finds stays
            FindPeaks(s, m, settings, 0.0, 0.0, std::numeric_limits<size_t>::max());
            const std::string one = Rows(s);
            ASSERT_GT(s.Peaks.Count(), 20) << "variant " << variant;
            FindPeaks(s, m, settings, 0.0, 0.0, 0);
            EXPECT_EQ(Rows(s), one) << "variant " << variant << " method " << static_cast<int>(m);
        }
    }
}
