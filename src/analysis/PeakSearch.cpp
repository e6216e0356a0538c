#include "analysis/PeakSearch.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <span>
#include <utility>

#include "analysis/Processing.h"
#include "base/HugePageAllocator.h"
#include "base/Parallel.h"

namespace trevasc::analysis {

namespace {

using Index = std::ptrdiff_t;

double SlopeAt(const TDataPointArray& pts, Index i) {
    return pts[static_cast<size_t>(i)].Slope;
}

// Sorting by position keeps equal positions in their order, as the exchange sort that only swaps
// on a strictly greater left neighbour does.
void SortByPosition(std::span<TPeak> peaks) {
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
        : pts_(pts), samples_(pts.size() < 2 ? 0 : 100 * static_cast<Index>(pts.size() - 1)) {}

    Index Samples() const { return samples_; }
    Index Points() const { return static_cast<Index>(pts_.size()); }

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

    // Sum of I(k) for k = 0 .. k - 1. The samples are whole numbers below 2^31 in magnitude, so
    // on scans of fewer than 40 million points (under 2^32 samples) every partial sum is exact in
    // 64 bits: a difference of two prefixes equals the sum over the stretch in any order.
    int64_t Prefix(Index k) {
        if (prefix_.empty()) BuildPrefix();
        const Index i = k / 100;
        int64_t sum = prefix_[static_cast<size_t>(i)];
        for (Index j = 100 * i; j < k; ++j) sum += I(j);
        return sum;
    }

    // Sum of I(k) for k = from .. to.
    int64_t Sum(Index from, Index to) { return Prefix(to + 1) - Prefix(from); }

    // Sum of I(k) for k = 100 i + 1 .. 100 j: the samples after point i up to point j.
    int64_t PointsSum(Index i, Index j) {
        if (prefix_.empty()) BuildPrefix();
        return (prefix_[static_cast<size_t>(j)] + Y(j)) - (prefix_[static_cast<size_t>(i)] + Y(i));
    }

  private:
    // Sum of I(k) over the samples 100 i .. 100 i + 99.
    int64_t SegmentSum(Index i) const {
        const double a = static_cast<double>(Y(i)), b = static_cast<double>(Y(i + 1));
        // Rounded samples are whole numbers of magnitude below 2^31; sums of 100 of them stay
        // far below 2^53, so double sums are exact in any order: four let the loop vectorise.
        double acc[4] = {a, 0.0, 0.0, 0.0};
        for (Index r = 1; r < 97; r += 4)
            for (Index q = 0; q < 4; ++q) acc[q] += InterpolatedValue(a, b, r + q);
        for (Index r = 97; r < 100; ++r) acc[0] += InterpolatedValue(a, b, r);
        return static_cast<int64_t>((acc[0] + acc[1]) + (acc[2] + acc[3]));
    }

    // prefix_[i] = Prefix(100 i) for the points i = 0 .. n - 1.
    void BuildPrefix() {
        const Index n = Points();
        prefix_.assign(static_cast<size_t>(n), 0);
        for (Index i = 0; i + 1 < n; ++i)
            prefix_[static_cast<size_t>(i + 1)] = prefix_[static_cast<size_t>(i)] + SegmentSum(i);
    }

    const TDataPointArray& pts_;
    Index samples_;
    std::vector<int64_t> prefix_;
};

// Minima of the point intensities 0 .. count - 1 in a binary tree (leaf i at size + i, node v
// the minimum of 2v and 2v + 1), for the nearest point at or below a threshold on either side
// of a given one in O(log n), whatever the threshold.
class PointMinima {
  public:
    PointMinima(const UpsampledCurve& c, Index count) {
        while (size_ < count) size_ *= 2;
        // The padding is above every threshold, which is at most 99 % of a 32-bit count.
        tree_.assign(2 * static_cast<size_t>(size_), std::numeric_limits<int32_t>::max());
        for (Index i = 0; i < count; ++i)
            tree_[static_cast<size_t>(size_ + i)] = static_cast<int32_t>(c.Y(i));
        for (Index v = size_ - 1; v > 0; --v)
            tree_[static_cast<size_t>(v)] = std::min(Node(2 * v), Node(2 * v + 1));
    }

    // The smallest i >= from with y(i) <= t, or -1.
    Index FirstAtOrBelow(Index from, int64_t t) const {
        if (from >= size_) return -1;
        Index v = size_ + from;
        while (Node(v) > t) {
            while (v % 2 == 1) v /= 2;  // up while a right child: its right is covered above
            if (v == 0) return -1;      // climbed past the root
            ++v;                        // the subtree right of everything looked at
        }
        while (v < size_) v = Node(2 * v) <= t ? 2 * v : 2 * v + 1;
        return v - size_;
    }

    // The largest i <= to with y(i) <= t, or -1.
    Index LastAtOrBelow(Index to, int64_t t) const {
        if (to < 0) return -1;
        Index v = size_ + to;
        while (Node(v) > t) {
            while (v % 2 == 0) v /= 2;  // up while a left child
            if (v == 1) return -1;      // the root: nothing further left
            --v;                        // the subtree left of everything looked at
        }
        while (v < size_) v = Node(2 * v + 1) <= t ? 2 * v + 1 : 2 * v;
        return v - size_;
    }

  private:
    int64_t Node(Index v) const { return tree_[static_cast<size_t>(v)]; }

    Index size_ = 1;
    std::vector<int32_t> tree_;
};

// The edges walk point by point where both neighbours lie above the threshold (every sample
// interpolated between them does too), and sample by sample in the stretch where the curve
// crosses it; the walk towards half the area takes whole stretches of 100 samples while the
// running sum stays below half. The jumps are found in O(log n) each, so a threshold far beyond
// the baseline costs no more than a near one.
void BisectOnePeak(UpsampledCurve& c, const PointMinima& minima, TPeak& peak, int percentage) {
    const Index m = c.Samples();
    const int64_t t = static_cast<int64_t>(percentage) * peak.Intensity / 100;
    double start = std::isfinite(peak.PointIndex) ? std::nearbyint(100.0 * peak.PointIndex) : 0.0;
    start = std::clamp(start, 0.0, static_cast<double>(m - 1));
    const Index k0 = static_cast<Index>(start);

    // Edges: the first samples on either side at or below the threshold; at the ends of the
    // samples (the last point is none) when there is none.
    Index left = k0;
    while (left > 0 && left % 100 != 0 && c.I(left) > t) --left;
    if (left > 0 && left % 100 == 0 && c.Y(left / 100) > t) {
        const Index below = minima.LastAtOrBelow(left / 100 - 1, t);
        if (below < 0) {
            left = 0;
        } else {
            left = 100 * (below + 1) - 1;
            while (left % 100 != 0 && c.I(left) > t) --left;
        }
    }
    Index right = k0;
    while (right < m - 1 && right % 100 != 0 && c.I(right) > t) ++right;
    if (right < m - 1 && right % 100 == 0 && c.Y(right / 100) > t) {
        // Points up to n - 2 start a stretch; the last point is the end of the samples.
        const Index below = minima.FirstAtOrBelow(right / 100 + 1, t);
        right = 100 * (below < 0 ? c.Points() - 2 : below - 1) + 1;
        while (right < m - 1 && right % 100 != 0 && c.I(right) > t) ++right;
    }

    const double half = static_cast<double>(c.Sum(left, right)) / 2.0;
    // Walk from the left edge (not counted) until half the area is reached, never past the right
    // edge. Samples strictly between the edges lie above t; with t >= 0 the running sum only
    // grows, so the stretches of 100 samples ending before the right edge that keep it below
    // half are taken at once: the last such point is found by bisection.
    Index k = left;
    int64_t sum = 0;
    while (static_cast<double>(sum) < half && k < right) {
        if (t >= 0 && k % 100 == 0 && k + 100 < right) {
            const Index i = k / 100;
            Index lo = i, hi = (right - 1) / 100;  // the stretch to point hi ends before right
            while (lo < hi) {
                const Index mid = lo + (hi - lo + 1) / 2;
                if (static_cast<double>(sum + c.PointsSum(i, mid)) < half)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            if (lo > i) {
                sum += c.PointsSum(i, lo);
                k = 100 * lo;
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

std::vector<TPeak> MergeDoublePeaks(std::span<const TPeak> sorted, double minDistance) {
    std::vector<TPeak> out;
    const size_t count = sorted.size();
    if (count == 0) return out;
    out.reserve(count);
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
    if (items.empty()) return;
    // Every sample lies between points 0 .. n - 2 and the next one.
    const PointMinima minima(curve, curve.Points() - 1);
    for (TPeak& peak : items) BisectOnePeak(curve, minima, peak, percentage);

    // Bisected peaks may land on each other: delete the second of close neighbours. A walk moves
    // on after a deletion (the peak after the deleted one is compared with its own successor,
    // not with the one before), so it is repeated until one deletes nothing. Each walk compacts
    // the list in place: erasing one by one moved the whole tail per deletion, quadratic on a
    // scan whose thousands of peaks bisect onto a few.
    bool deleted = true;
    while (deleted) {
        deleted = false;
        size_t kept = 0;  // items[0 .. kept] stay; items[kept] is the walk's current peak
        for (size_t next = 1; next < items.size(); ++next) {
            if (std::fabs(items[kept].Position - items[next].Position) < kBisectorMinSeparation) {
                deleted = true;
                if (++next == items.size()) break;
            }
            if (++kept != next) items[kept] = std::move(items[next]);
        }
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(kept) + 1, items.end());
    }
}

namespace {

// A point the peak walk found, with its position and intensity read while it is in the cache
// (the list of them is read after the walk, when the points of a large scan are not).
struct FoundPoint {
    Index K = 0;
    double Position = 0.0;
    int32_t Intensity = 0;
};
// The lists of a search grow with the scan (some 30,000 points found on a million): on the
// allocator of the scan's arrays, they reuse freed memory instead of faulting in fresh pages
// on every search.
using FoundPoints = std::vector<FoundPoint, HugePageAllocator<FoundPoint>>;
using Candidates = std::vector<TPeak, HugePageAllocator<TPeak>>;

// The points the detector `next` finds walking the points: the first search starts at point 0,
// each further one just after the peak before, until a search finds none.
//
// A search depends on its start alone. So on a large scan a second thread walks from the middle
// while the first walks from 0 up to the middle; once the first walk reaches a start that the
// second one also had, the two walks go on identically, and the second one's peaks from there
// are the first one's. Until then the first walk goes on by itself (usually for a peak or two:
// the one the middle cut). The result is the single walk's, point for point.
template <class Next>
FoundPoints WalkPeaks(const TDataPointArray& pts, size_t parallelFrom, const Next& next) {
    const Index n = static_cast<Index>(pts.size());
    const auto found = [&](Index k) {
        const TDataPoint& p = pts[static_cast<size_t>(k)];
        return FoundPoint{k, p.Position, p.Intensity};
    };
    FoundPoints head;
    const auto walk = [&](Index start, Index until, FoundPoints& into) {
        while (start < until) {
            const Index k = next(start);
            if (k < 0) return Index{-1};
            into.push_back(found(k));
            start = k + 1;  // a search never returns a point before its start
        }
        return start;
    };
    const Index mid = n / 2;
    if (static_cast<size_t>(n) < parallelFrom || mid == 0 || !HasSecondCore()) {
        walk(0, n, head);
        return head;
    }
    FoundPoints tail;  // the walk from mid: its starts are mid, tail[0].K + 1, ...
    Index start = 0;
    RunSideBySide([&] { start = walk(0, mid, head); }, [&] { walk(mid, n, tail); });
    size_t j = 0;  // the first start of the second walk not below `start`
    const auto tailStart = [&](size_t i) { return i == 0 ? mid : tail[i - 1].K + 1; };
    while (start >= 0) {
        while (j <= tail.size() && tailStart(j) < start) ++j;
        if (j <= tail.size() && tailStart(j) == start) {
            head.insert(head.end(), tail.begin() + static_cast<std::ptrdiff_t>(j), tail.end());
            break;
        }
        const Index k = next(start);
        if (k < 0) break;
        head.push_back(found(k));
        start = k + 1;
    }
    return head;
}

}  // namespace

void FindPeaks(TDataSet& scan, TPeakMethod method, const PeakSearchSettings& settings,
               double rangeFrom, double rangeTo, size_t parallelFrom) {
    if (rangeFrom > rangeTo) std::swap(rangeFrom, rangeTo);
    const TDataPointArray& pts = scan.Points;
    const Index last = static_cast<Index>(pts.size()) - 1;
    auto inRange = [&](double x) { return rangeFrom <= x && x <= rangeTo; };

    const FoundPoints found = WalkPeaks(pts, parallelFrom, [&](Index start) {
        return method == TPeakMethod::Slope
                   ? FindNextPeakBySlope(start, last, pts, settings.MinPeakSlope)
                   : FindNextPeakByCurvature(start, last, pts, settings.MinPeakCurvature);
    });
    Candidates candidates;
    candidates.reserve(found.size());
    for (const FoundPoint& p : found) {
        if (p.Intensity >= settings.MinPeakHeight && (!settings.RangeOnly || inRange(p.Position))) {
            TPeak c;
            c.Position = p.Position;
            c.PointIndex = static_cast<double>(p.K);
            c.Intensity = p.Intensity;
            c.Checked = true;
            candidates.push_back(std::move(c));
        }
    }
    SortByPosition(candidates);

    std::vector<TPeak> kept;
    if (settings.RangeOnly)
        for (const TPeak& old : scan.Peaks.Items)
            if (old.Position < rangeFrom || old.Position > rangeTo) kept.push_back(old);

    std::vector<TPeak> merged = MergeDoublePeaks(candidates, settings.MinDoublePeakDistance);
    for (TPeak& p : merged) {
        p.Description.clear();
        p.Checked = true;
    }
    scan.Peaks.Items = std::move(merged);
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
