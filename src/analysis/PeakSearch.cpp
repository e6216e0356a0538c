#include "analysis/PeakSearch.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "analysis/Processing.h"

namespace trevasc::analysis {

namespace {

using Index = std::ptrdiff_t;

double SlopeAt(const TDataPointArray& pts, Index i) {
    return pts[static_cast<size_t>(i)].Slope;
}

// Sorting by position keeps equal positions in their order, as the exchange sort that only swaps
// on a strictly greater left neighbour does.
void SortByPosition(std::vector<TPeak>& peaks) {
    // The search finds the peaks from left to right, so on a scan of ascending positions they
    // come in order already, where the sort would move nothing (with a NaN it might: then sort).
    const auto inOrder = [](const TPeak& a, const TPeak& b) { return a.Position <= b.Position; };
    if (std::adjacent_find(peaks.begin(), peaks.end(), std::not_fn(inOrder)) == peaks.end()) return;
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const TPeak& a, const TPeak& b) { return a.Position < b.Position; });
}

// Round to nearest, halves to even, as std::nearbyint in the default rounding mode, for
// |x| < 2^51: adding 1.5 * 2^52 leaves no fraction bits, so the addition itself rounds. Much
// cheaper than the library call in the loops over 100 samples per point. (Strict IEEE
// arithmetic, as this project builds, keeps the compiler from folding the two operations.)
inline double RoundHalfEven(double x) {
    constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52
    return (x + kShift) - kShift;
}

// f = r / 100 and 1 - f for the 100 sub-steps, exactly as computed in place.
struct SubStepWeights {
    double F[100];
    double OneMinusF[100];
    constexpr SubStepWeights() : F(), OneMinusF() {
        for (int r = 0; r < 100; ++r) {
            F[r] = static_cast<double>(r) / 100.0;
            OneMinusF[r] = 1.0 - F[r];
        }
    }
};
constexpr SubStepWeights kWeights;

// The processed curve upsampled 100 times by linear interpolation, evaluated on demand: a
// 1,000,000-point scan would otherwise need 10^8 stored samples.
class UpsampledCurve {
  public:
    explicit UpsampledCurve(const TDataPointArray& pts)
        : pts_(pts),
          samples_(pts.size() < 2 ? 0 : 100 * static_cast<Index>(pts.size() - 1)),
          segmentSum_(pts.size() < 2 ? 0 : pts.size() - 1),
          segmentKnown_(segmentSum_.size(), 0) {}

    Index Samples() const { return samples_; }

    int64_t Y(Index i) const { return pts_[static_cast<size_t>(i)].Intensity; }

    // I(k): (1 - f) y(i) + f y(i+1), rounded to nearest with halves to even.
    int64_t I(Index k) const {
        const Index i = k / 100, r = k % 100;
        if (r == 0) return Y(i);
        return Interpolated(static_cast<double>(Y(i)), static_cast<double>(Y(i + 1)), r);
    }

    // (1 - f) a + f b with f = r / 100, rounded.
    static double InterpolatedValue(double a, double b, Index r) {
        return RoundHalfEven(kWeights.OneMinusF[r] * a + kWeights.F[r] * b);
    }
    static int64_t Interpolated(double a, double b, Index r) {
        return static_cast<int64_t>(InterpolatedValue(a, b, r));
    }

    double X(Index k) const {
        const Index i = k / 100, r = k % 100;
        if (r == 0) return pts_[static_cast<size_t>(i)].Position;
        const double f = static_cast<double>(r) / 100.0;
        return (1.0 - f) * pts_[static_cast<size_t>(i)].Position +
               f * pts_[static_cast<size_t>(i + 1)].Position;
    }

    double F(Index k) const {
        return static_cast<double>(k / 100) + static_cast<double>(k % 100) / 100.0;
    }

    // Sum of I(k) over the samples 100 i .. 100 i + 99, computed once.
    int64_t SegmentSum(Index i) {
        const auto s = static_cast<size_t>(i);
        if (!segmentKnown_[s]) {
            const double a = static_cast<double>(Y(i)), b = static_cast<double>(Y(i + 1));
            // Rounded samples are whole numbers of magnitude below 2^31; sums of 100 of them stay
            // far below 2^53, so double sums are exact in any order: four let the loop vectorise.
            double acc[4] = {a, 0.0, 0.0, 0.0};
            for (Index r = 1; r < 97; r += 4)
                for (Index q = 0; q < 4; ++q) acc[q] += InterpolatedValue(a, b, r + q);
            for (Index r = 97; r < 100; ++r) acc[0] += InterpolatedValue(a, b, r);
            const int64_t sum = static_cast<int64_t>((acc[0] + acc[1]) + (acc[2] + acc[3]));
            segmentSum_[s] = sum;
            segmentKnown_[s] = 1;
        }
        return segmentSum_[s];
    }

    // Sum of I(k) for k = from .. to.
    int64_t Sum(Index from, Index to) {
        int64_t sum = 0;
        Index k = from;
        for (; k <= to && k % 100 != 0; ++k) sum += I(k);
        for (; k + 99 <= to; k += 100) sum += SegmentSum(k / 100);
        for (; k <= to; ++k) sum += I(k);
        return sum;
    }

  private:
    const TDataPointArray& pts_;
    Index samples_;
    std::vector<int64_t> segmentSum_;
    std::vector<char> segmentKnown_;
};

void BisectOnePeak(UpsampledCurve& c, TPeak& peak, int percentage) {
    const Index m = c.Samples();
    const int64_t t = static_cast<int64_t>(percentage) * peak.Intensity / 100;
    double start = std::isfinite(peak.PointIndex) ? std::nearbyint(100.0 * peak.PointIndex) : 0.0;
    start = std::clamp(start, 0.0, static_cast<double>(m - 1));
    const Index k0 = static_cast<Index>(start);

    // Edges: the first samples on either side at or below the threshold. Between two points that
    // are both above it every interpolated sample is above it too, so such a stretch is crossed
    // in one step.
    Index left = k0;
    while (left > 0 && c.I(left) > t) {
        if (left % 100 == 0 && c.Y(left / 100 - 1) > t)
            left -= 100;
        else
            --left;
    }
    Index right = k0;
    while (right < m - 1 && c.I(right) > t) {
        if (right % 100 == 0 && right + 100 <= m - 1 && c.Y(right / 100 + 1) > t)
            right += 100;
        else
            ++right;
    }

    const double half = static_cast<double>(c.Sum(left, right)) / 2.0;
    // Walk from the left edge (not counted) until half the area is reached, never past the right
    // edge. Samples strictly between the edges lie above t; with t >= 0 the running sum only
    // grows, so a stretch of 100 samples that stays below half may be taken at once.
    Index k = left;
    int64_t sum = 0;
    while (static_cast<double>(sum) < half && k < right) {
        if (t >= 0 && k % 100 == 0 && k + 100 < right) {
            const Index i = k / 100;
            const int64_t chunk = c.SegmentSum(i) - c.Y(i) + c.Y(i + 1);  // samples k+1 .. k+100
            if (static_cast<double>(sum + chunk) < half) {
                sum += chunk;
                k += 100;
                continue;
            }
        }
        ++k;
        sum += c.I(k);
    }
    peak.Position = c.X(k);
    peak.PointIndex = c.F(k);
    peak.Intensity = static_cast<int32_t>(c.I(k));
}

}  // namespace

std::ptrdiff_t FindNextPeakBySlope(std::ptrdiff_t first, std::ptrdiff_t last,
                                   const TDataPointArray& points, double minSlope) {
    first = std::max<Index>(first, 0);
    last = std::min<Index>(last, static_cast<Index>(points.size()) - 1);
    // A shoulder pair without a steep enough falling side restarts the search after the rising
    // side; a loop instead of recursion keeps long noisy scans off the stack.
    while (first < last) {
        double best = -1e300;
        Index r = -1, f = -1;
        for (Index i = first; i <= last; ++i) {
            const double s = SlopeAt(points, i);
            if (s > minSlope) {
                if (s > best) {
                    best = s;
                    r = i;
                }
            } else if (best > 0 && s < 0) {
                f = i;  // first negative slope after the rising shoulder
                break;
            }
        }
        if (r < 0 || f < 0) return -1;
        const Index limit = std::min<Index>(f + 2 * (f - r), last);
        const double fallLimit = -SlopeAt(points, r) / 2.0;
        double worst = 1e300;
        Index g = -1;
        for (Index j = f; j <= limit; ++j) {
            const double s = SlopeAt(points, j);
            if (s < fallLimit && s < worst) {
                worst = s;
                g = j;
            }
        }
        if (g >= 0) return std::clamp<Index>((r + g) / 2, first, last);
        if (f >= last) return -1;
        first = f;
    }
    return -1;
}

std::ptrdiff_t FindNextPeakByCurvature(std::ptrdiff_t first, std::ptrdiff_t last,
                                       const TDataPointArray& points, double minCurvature) {
    first = std::max<Index>(first, 0);
    last = std::min<Index>(last, static_cast<Index>(points.size()) - 1);
    if (first >= last) return -1;
    double previous = 0.0;
    for (Index i = first; i <= last; ++i) {
        const auto& p = points[static_cast<size_t>(i)];
        const double s = p.Slope;
        const bool tested = (previous < 0 && s > 0) || (previous > 0 && s < 0) || s == 0;
        if (tested && p.Curvature < 0 && -p.Curvature >= minCurvature) return i;
        previous = s;
    }
    return -1;
}

std::vector<TPeak> MergeDoublePeaks(const std::vector<TPeak>& sorted, double minDistance) {
    std::vector<TPeak> out;
    const size_t count = sorted.size();
    if (count == 0) return out;
    std::vector<char> consumed(count, 0);
    for (size_t j = 0; j + 1 < count; ++j) {
        if (consumed[j]) continue;
        const TPeak& a = sorted[j];
        const TPeak& b = sorted[j + 1];
        if (std::fabs(a.Position - b.Position) >= minDistance) {
            out.push_back(a);
            continue;
        }
        TPeak merged = a;
        merged.Position = (a.Position + b.Position) / 2.0;
        merged.PointIndex = (a.PointIndex + b.PointIndex) / 2.0;
        // 64-bit sum: two counts near the 32-bit limit must not wrap.
        merged.Intensity =
            static_cast<int32_t>((static_cast<int64_t>(a.Intensity) + b.Intensity) / 2);
        out.push_back(std::move(merged));
        consumed[j + 1] = 1;
    }
    if (!consumed[count - 1]) out.push_back(sorted[count - 1]);
    return out;
}

void ApplyAreaBisector(TDataSet& scan, int percentage) {
    UpsampledCurve curve(scan.Points);
    if (curve.Samples() == 0) return;  // fewer than two points: nothing to interpolate
    auto& items = scan.Peaks.Items;
    for (TPeak& peak : items) BisectOnePeak(curve, peak, percentage);

    // Bisected peaks may land on each other: delete the second of close neighbours. A walk moves
    // on after a deletion, so it is repeated until one deletes nothing.
    bool deleted = true;
    while (deleted) {
        deleted = false;
        for (size_t i = 0; i + 1 < items.size(); ++i) {
            if (std::fabs(items[i].Position - items[i + 1].Position) < kBisectorMinSeparation) {
                items.erase(items.begin() + static_cast<std::ptrdiff_t>(i) + 1);
                deleted = true;
            }
        }
    }
}

void FindPeaks(TDataSet& scan, TPeakMethod method, const PeakSearchSettings& settings,
               double rangeFrom, double rangeTo) {
    if (rangeFrom > rangeTo) std::swap(rangeFrom, rangeTo);
    const TDataPointArray& pts = scan.Points;
    const Index last = static_cast<Index>(pts.size()) - 1;
    auto inRange = [&](double x) { return rangeFrom <= x && x <= rangeTo; };

    std::vector<TPeak> candidates;
    for (Index start = 0;;) {
        const Index k = method == TPeakMethod::Slope
                            ? FindNextPeakBySlope(start, last, pts, settings.MinPeakSlope)
                            : FindNextPeakByCurvature(start, last, pts, settings.MinPeakCurvature);
        if (k < 0) break;
        const TDataPoint& p = pts[static_cast<size_t>(k)];
        if (p.Intensity >= settings.MinPeakHeight && (!settings.RangeOnly || inRange(p.Position))) {
            TPeak c;
            c.Position = p.Position;
            c.PointIndex = static_cast<double>(k);
            c.Intensity = p.Intensity;
            c.Checked = true;
            candidates.push_back(std::move(c));
        }
        start = k + 1;
    }
    SortByPosition(candidates);

    std::vector<TPeak> kept;
    if (settings.RangeOnly)
        for (const TPeak& old : scan.Peaks.Items)
            if (old.Position < rangeFrom || old.Position > rangeTo) kept.push_back(old);

    std::vector<TPeak> found = MergeDoublePeaks(candidates, settings.MinDoublePeakDistance);
    for (TPeak& p : found) {
        p.Description.clear();
        p.Checked = true;
    }
    scan.Peaks.Items = std::move(found);
    if (settings.UseAreaBisector) ApplyAreaBisector(scan, settings.BisectorPercentage);

    auto& items = scan.Peaks.Items;
    items.insert(items.end(), std::make_move_iterator(kept.begin()),
                 std::make_move_iterator(kept.end()));
    SortByPosition(items);
    scan.Peaks.Unsaved = true;
}

bool RunPeakSearch(TDataSet& mainScan, TPeakMethod method, const PeakSearchSettings& settings,
                   int slopeCount, double rangeFrom, double rangeTo) {
    if (mainScan.Points.empty()) return false;
    // The search by steepest shoulders reads the slope alone.
    if (method == TPeakMethod::Slope)
        ComputeSlope(mainScan, slopeCount);
    else
        ComputeSlopeAndCurvature(mainScan, slopeCount);
    FindPeaks(mainScan, method, settings, rangeFrom, rangeTo);
    return true;
}

}  // namespace trevasc::analysis
