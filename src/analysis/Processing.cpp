#include "analysis/Processing.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/HugePageAllocator.h"
#include "base/Parallel.h"

namespace trevasc::analysis {

namespace {

using Index = std::ptrdiff_t;

int32_t SaturateToInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Moving average of width w over the raw intensities. The window of i covers
// i - w/2 .. i - w/2 + w - 1; an index outside the scan contributes the intensity of point i
// itself. The sum of the indices inside the scan slides along with i (both ends only move
// right), so each point costs O(1). Integer sums are exact, so this equals the per-point sum;
// 64 bits keep it exact for any count a 32-bit intensity can hold.
// Points from..to-1 only: a range starts its sum afresh, and integer sums make that exact.
// The position is copied along, so that the processed points always match the raw ones; with
// WholePoints the slope and curvature are set to 0 as well (for points not constructed yet).
template <bool WholePoints>
void SmoothInto(const TRawPointArray& raw, int w, TDataPointArray& out, Index from, Index to) {
    const Index n = static_cast<Index>(raw.size());
    const Index h = w / 2;
    int64_t inside = 0;
    Index lo = std::max<Index>(0, from - h),
          hi = lo - 1;  // indices whose intensities are in `inside`
    for (Index i = from; i < to; ++i) {
        const Index newLo = std::max<Index>(0, i - h);
        const Index newHi = std::min<Index>(n - 1, i - h + w - 1);
        while (hi < newHi) inside += raw[static_cast<size_t>(++hi)].Intensity;
        while (lo < newLo) inside -= raw[static_cast<size_t>(lo++)].Intensity;
        const int64_t outside = w - (newHi - newLo + 1);
        const int64_t sum = inside + outside * raw[static_cast<size_t>(i)].Intensity;
        // C++ integer division truncates toward zero, as the documented "div".
        // The mean of 32-bit values always fits 32 bits.
        const int32_t mean = static_cast<int32_t>(sum / w);
        TDataPoint& p = out[static_cast<size_t>(i)];
        if constexpr (WholePoints) {
            p = {raw[static_cast<size_t>(i)].Position, mean, 0.0, 0.0};
        } else {
            p.Position = raw[static_cast<size_t>(i)].Position;
            p.Intensity = mean;
        }
    }
}

// Where f(from, to) of ForRanges splits 0..n-1 (a multiple of `align`); 0 when it does not split.
Index SplitPoint(Index n, size_t parallelFrom, Index align) {
    const Index mid = n / 2 / align * align;
    if (static_cast<size_t>(n) < parallelFrom || mid == 0 || !HasSecondCore()) return 0;
    return mid;
}

// Runs f(from, to) over 0..n-1, in two halves on two threads from `parallelFrom` points on; the
// second half starts at a multiple of `align`.
template <class F>
void ForRanges(Index n, size_t parallelFrom, Index align, F&& f) {
    const Index mid = SplitPoint(n, parallelFrom, align);
    if (mid == 0) {
        f(Index{0}, n);
        return;
    }
    RunSideBySide([&] { f(Index{0}, mid); }, [&] { f(mid, n); });
}

// The unreduced intensities around the point where two ranges meet, copied before either range
// is reduced: each range's windows reach up to a window width into the other one.
struct Seam {
    Index From = 0;
    std::vector<int32_t> Values;
    bool Holds(Index k) const { return k >= From && k < From + static_cast<Index>(Values.size()); }
};

// Subtracts the wide moving average (width b) of the intensities from the points of a range in
// place, with the first and last point (unreduced: `first`, `last`) repeated beyond the edges.
// A range starts its sum afresh.
//
// Every background value reads unreduced intensities, from h = b/2 points behind to b - h - 1
// ahead. The points ahead are not reduced yet; the ones behind are kept, unreduced, in a ring
// of b values, so that no array as long as the scan is needed. Points of the other range come
// from the seam, whatever that range has written by then.
//
// The reduction goes on where the last ReduceTo stopped, so that it can follow the smoothing
// block by block while the points are still in the cache.
class BackgroundReducer {
  public:
    BackgroundReducer(TDataPointArray& pts, int b, int64_t first, int64_t last, const Seam& seam,
                      Index from)
        : pts_(pts),
          n_(static_cast<Index>(pts.size())),
          b_(b),
          h_(b / 2),
          first_(first),
          last_(last),
          seam_(seam),
          ring_(static_cast<size_t>(b)),
          i_(from),
          lo_(std::max<Index>(0, from - h_)),
          hi_(lo_ - 1) {}

    // Reduces the points up to to - 1. Those up to to - 1 - h + b - 1 that the seam does not hold
    // must be smoothed already.
    void ReduceTo(Index to) {
        const auto unreduced = [&](Index k) -> int64_t {
            if (seam_.Holds(k)) return seam_.Values[static_cast<size_t>(k - seam_.From)];
            if (k < i_) return ring_[static_cast<size_t>(k % b_)];  // at most h behind: still there
            return pts_[static_cast<size_t>(k)].Intensity;
        };
        for (; i_ < to; ++i_) {
            const Index start = i_ - h_;
            const Index end = i_ - h_ + b_ - 1;
            const Index newLo = std::max<Index>(0, start);
            const Index newHi = std::min<Index>(n_ - 1, end);
            while (hi_ < newHi) inside_ += unreduced(++hi_);
            while (lo_ < newLo) inside_ -= unreduced(lo_++);
            const int64_t below = std::max<Index>(0, -start);          // clamped to index 0
            const int64_t above = std::max<Index>(0, end - (n_ - 1));  // clamped to index n-1
            const int64_t background = (inside_ + below * first_ + above * last_) / b_;
            auto& p = pts_[static_cast<size_t>(i_)];
            ring_[static_cast<size_t>(i_ % b_)] = p.Intensity;
            // A negative raw count can make the difference leave 32 bits; saturate rather than
            // wrap. The background itself is a mean of 32-bit values and fits 32 bits.
            p.Intensity = SaturateToInt32(static_cast<int64_t>(p.Intensity) - background);
        }
    }

  private:
    TDataPointArray& pts_;
    const Index n_, b_, h_;
    const int64_t first_, last_;
    const Seam& seam_;
    std::vector<int32_t> ring_;
    Index i_;        // the next point to reduce
    Index lo_, hi_;  // indices whose unreduced intensities are in inside_
    int64_t inside_ = 0;
};

// The seam of two ranges split at mid: the unreduced intensities up to b points either side.
Seam SeamAround(const TDataPointArray& pts, Index mid, int b) {
    Seam seam;
    if (mid == 0) return seam;
    const Index n = static_cast<Index>(pts.size());
    seam.From = std::max<Index>(0, mid - b);
    const Index seamEnd = std::min<Index>(n, mid + b);
    for (Index k = seam.From; k < seamEnd; ++k)
        seam.Values.push_back(pts[static_cast<size_t>(k)].Intensity);
    return seam;
}

void RemoveBackgroundInPlace(TDataPointArray& pts, int b, size_t parallelFrom) {
    const Index n = static_cast<Index>(pts.size());
    if (n == 0) return;
    const int64_t first = pts.front().Intensity, last = pts.back().Intensity;
    const Seam seam = SeamAround(pts, SplitPoint(n, parallelFrom, 1), b);
    ForRanges(n, parallelFrom, 1, [&](Index from, Index to) {
        BackgroundReducer(pts, b, first, last, seam, from).ReduceTo(to);
    });
}

// Smoothing (smooth(from, to)) and background removal (width b) in one sweep: a block is smoothed,
// with the b points ahead that its backgrounds read, and reduced while it is still in the cache.
// Each step computes what it computes on its own, so the result is the two steps' one after the
// other: the smoothed intensities of the first and last point and of the seam are made before the
// ranges start (a smoothed intensity depends on the raw points alone), the rest as the blocks need
// them.
template <class Smooth>
void SmoothAndRemoveBackground(const Smooth& smooth, int b, TDataPointArray& pts,
                               size_t parallelFrom) {
    const Index n = static_cast<Index>(pts.size());
    if (n == 0) return;
    const Index mid = SplitPoint(n, parallelFrom, 1);
    smooth(0, 1);
    smooth(n - 1, n);
    const int64_t first = pts.front().Intensity, last = pts.back().Intensity;
    if (mid > 0) smooth(std::max<Index>(0, mid - b), std::min<Index>(n, mid + b));
    const Seam seam = SeamAround(pts, mid, b);
    constexpr Index kBlock = 8192;  // 256 KiB of points
    ForRanges(n, parallelFrom, 1, [&](Index from, Index to) {
        BackgroundReducer reducer(pts, b, first, last, seam, from);
        Index smoothed = from;
        for (Index blockEnd = from; blockEnd < to;) {
            blockEnd = std::min(to, blockEnd + kBlock);
            const Index ahead = std::min(to, blockEnd + b);
            smooth(smoothed, ahead);
            smoothed = ahead;
            reducer.ReduceTo(blockEnd);
        }
    });
}

// Running sum with the rounding error of every addition carried along (Knuth's TwoSum, as in
// Neumaier's compensated summation). A term that is added and later subtracted again then
// cancels almost exactly, so a tall peak leaving the window leaves no residue behind it.
//
// T is a double or a vector of doubles whose lanes are separate sums: every operation acts on
// each lane as it would on a double alone (vector arithmetic is IEEE double arithmetic lane by
// lane), for a fraction of the instructions.
template <class T>
struct CompensatedSum {
    T sum{};
    T error{};
    void Add(const T& x) {
        const T t = sum + x;
        const T z = t - sum;
        error += (sum - (t - z)) + (x - z);
        sum = t;
    }
};
using DoublePair = double __attribute__((vector_size(16)));
using DoubleQuad = double __attribute__((vector_size(32)));

// The running sums of a slope window, of u, v, u * u and u * v: in two pairs of lanes on SSE2,
// in the four lanes of one vector with AVX (`Wide`). Each sum takes its terms in the same order
// as four separate sums would, so both give the same numbers to the last bit. Vectors pass
// between functions by reference only: a vector value would be passed differently with and
// without AVX.
template <bool Wide>
struct WindowSums;

template <>
struct WindowSums<false> {
    CompensatedSum<DoublePair> first, second;
    void Add(double u, double v) {
        const DoublePair uv = {u, v};
        first.Add(uv);
        second.Add(DoublePair{u, u} * uv);
    }
    void Remove(double u, double v) {
        const DoublePair uv = {u, v};
        first.Add(-uv);
        second.Add(-(DoublePair{u, u} * uv));
    }
    void Totals(double& a, double& b, double& aa, double& ab) const {
        const DoublePair sums = first.sum + first.error, products = second.sum + second.error;
        a = sums[0], b = sums[1], aa = products[0], ab = products[1];
    }
};

template <>
struct WindowSums<true> {
    CompensatedSum<DoubleQuad> all;
    void Add(double u, double v) { all.Add(DoubleQuad{u, v, u * u, u * v}); }
    void Remove(double u, double v) { all.Add(-DoubleQuad{u, v, u * u, u * v}); }
    void Totals(double& a, double& b, double& aa, double& ab) const {
        const DoubleQuad total = all.sum + all.error;
        a = total[0], b = total[1], aa = total[2], ab = total[3];
    }
};

// The slopes of the windows starting at from..to-1; from is a multiple of w (the sums are
// renewed at from, as at every w-th window). Inlined into the two versions below, so that each
// is compiled for its instruction set.
template <bool Wide, class ValueAt>
inline __attribute__((always_inline)) void SlidingSlopesInline(TDataPointArray& pts, int w,
                                                               const ValueAt& y,
                                                               double TDataPoint::*out, Index from,
                                                               Index to) {
    const Index left = w / 2;
    const double m = w;
    auto x = [&](Index j) { return pts[static_cast<size_t>(j)].Position; };
    double x0 = 0, y0 = 0;
    WindowSums<Wide> sums;
    Index untilRestart = 0;
    for (Index s = from; s < to; ++s) {
        if (untilRestart-- == 0) {
            untilRestart = w - 1;
            x0 = x(s + left);
            y0 = y(s + left);
            sums = WindowSums<Wide>{};
            for (Index j = s; j < s + w; ++j) sums.Add(x(j) - x0, y(j) - y0);
        } else {
            // The point leaving gives exactly the terms it added: same u, v and products.
            const Index gone = s - 1, added = s + w - 1;
            sums.Add(x(added) - x0, y(added) - y0);
            sums.Remove(x(gone) - x0, y(gone) - y0);
        }
        double a, b, aa, ab;
        sums.Totals(a, b, aa, ab);
        const double den = m * aa - a * a;
        // All positions of the window equal (or numerically so): no slope can be fitted.
        const double slope = den > 1e-14 * m * aa ? (m * ab - a * b) / den : 0.0;
        pts[static_cast<size_t>(s + left)].*out = slope;
    }
}

template <class ValueAt>
__attribute__((target("avx2"))) void SlidingSlopesAvx2(TDataPointArray& pts, int w,
                                                       const ValueAt& y, double TDataPoint::*out,
                                                       Index from, Index to) {
    SlidingSlopesInline<true>(pts, w, y, out, from, to);
}

template <class ValueAt>
void SlidingSlopesOver(TDataPointArray& pts, int w, const ValueAt& y, double TDataPoint::*out,
                       Index from, Index to) {
    // AVX2 processors (nearly all x86-64 ones since 2015) take the four sums in one vector.
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        SlidingSlopesAvx2(pts, w, y, out, from, to);
    else
        SlidingSlopesInline<false>(pts, w, y, out, from, to);
}

// Least-squares slopes of y over Position for every window of w points, written to field `out`
// of the points: the slope of the window i - L .. i + R - 1 (L = w/2, R = w - L) for
// L <= i <= n - R and 0 elsewhere. `out` must not be a field that y reads.
//
// The windows slide, so the sums are updated by one point in and one point out. Positions such as
// 70.0 + i * 0.0004 make the textbook sums Sxx and Sx^2 nearly equal and their difference
// worthless, so the sums run over u = x - x0 and v = y - y0, with the reference (x0, y0) taken
// from the window's centre and renewed together with a from-scratch sum every w windows. The
// reference then stays within about one window width of the data; compensated sums keep the
// updates in between from piling up rounding errors.
//
// A large scan is done in two halves on two threads, split at a window start where the sums are
// renewed anyway (a multiple of w): each half then computes exactly what the whole run would.
template <class ValueAt>
void SlidingSlopes(TDataPointArray& pts, int w, ValueAt y, double TDataPoint::*out,
                   size_t parallelFrom) {
    const Index n = static_cast<Index>(pts.size());
    const Index left = w / 2;
    const Index lastStart = n - w;  // window start s = i - L runs over 0..n - w
    // Edges (everything when the scan is shorter than the window).
    const Index edgeEnd = std::min(n, left), edgeStart = std::max(edgeEnd, lastStart + left + 1);
    for (Index i = 0; i < edgeEnd; ++i) pts[static_cast<size_t>(i)].*out = 0.0;
    for (Index i = edgeStart; i < n; ++i) pts[static_cast<size_t>(i)].*out = 0.0;
    if (lastStart < 0) return;
    ForRanges(lastStart + 1, parallelFrom, w,
              [&](Index from, Index to) { SlidingSlopesOver(pts, w, y, out, from, to); });
}

int ClampInt(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

}  // namespace

void RebuildProcessedCurve(TDataSet& scan, const ProcessingSettings& settings, size_t parallelFrom,
                           const TRawPointArray* source) {
    const TRawPointArray& raw =
        source && source->size() == scan.RawPoints.size() ? *source : scan.RawPoints;
    TDataPointArray& pts = scan.Points;
    const size_t n = raw.size();
    const int w = ClampInt(settings.SmoothWidth, kMinSmoothWidth, kMaxSmoothWidth);
    const int b = ClampInt(settings.BackgroundWidth, kMinBackgroundWidth, kMaxBackgroundWidth);
    if (!settings.NoiseSuppression) {
        pts = ToDataPoints(raw);  // slope and curvature are 0 until computed
        if (settings.RemoveBackground) RemoveBackgroundInPlace(pts, b, parallelFrom);
    } else {
        // An array of another length is made anew and filled whole by the smoothing, on the
        // threads that smooth; one of the right length keeps its slope and curvature.
        const bool fresh = pts.size() != n;
        if (fresh) {
            pts.clear();
            GrowUnconstructed unconstructed;
            pts.resize(n);
        }
        const auto smooth = [&](Index from, Index to) {
            if (fresh)
                SmoothInto<true>(raw, w, pts, from, to);
            else
                SmoothInto<false>(raw, w, pts, from, to);
        };
        if (settings.RemoveBackground)
            SmoothAndRemoveBackground(smooth, b, pts, parallelFrom);
        else
            ForRanges(static_cast<Index>(n), parallelFrom, 1, smooth);
    }
    scan.MarkPointsChanged();
}

void RebuildAllProcessedCurves(ScanRegistry& registry, const ProcessingSettings& settings) {
    RebuildProcessedCurve(registry.MainScan(), settings);
    for (int k = 0; k < registry.AdditionalCount(); ++k)
        RebuildProcessedCurve(registry.Additional(k), settings);
}

namespace {

void ComputeSlopeWith(TDataSet& scan, int slopeCount, size_t parallelFrom, bool withCurvature) {
    TDataPointArray& pts = scan.Points;
    const int w = ClampInt(slopeCount, kMinSlopeCount, kMaxSlopeCount);
    // Opening a file computes the slope, and each peak search asks again: on a million points
    // that is tens of milliseconds for the same numbers.
    if (scan.HasSlopeFor(w, withCurvature)) return;
    if (!scan.HasSlopeFor(w, false))
        SlidingSlopes(
            pts, w,
            [&](Index j) { return static_cast<double>(pts[static_cast<size_t>(j)].Intensity); },
            &TDataPoint::Slope, parallelFrom);
    // The curvature is the slope of the slope, the zero edge values included.
    if (withCurvature)
        SlidingSlopes(
            pts, w, [&](Index j) { return pts[static_cast<size_t>(j)].Slope; },
            &TDataPoint::Curvature, parallelFrom);
    scan.NoteSlopeWindow(w, withCurvature);
}

}  // namespace

void ComputeSlopeAndCurvature(TDataSet& scan, int slopeCount, size_t parallelFrom) {
    ComputeSlopeWith(scan, slopeCount, parallelFrom, true);
}

void ComputeSlope(TDataSet& scan, int slopeCount, size_t parallelFrom) {
    ComputeSlopeWith(scan, slopeCount, parallelFrom, false);
}

TLineFit LineFitSlope(const TDataPointArray& points, std::ptrdiff_t first, std::ptrdiff_t last,
                      TFitValue value) {
    const Index n = static_cast<Index>(points.size());
    first = std::max<Index>(first, 0);
    last = std::min<Index>(last, n - 1);
    TLineFit fit;
    if (last < first) return fit;
    auto y = [&](Index j) {
        const auto& p = points[static_cast<size_t>(j)];
        return value == TFitValue::Intensity ? static_cast<double>(p.Intensity) : p.Slope;
    };
    // Two passes about the means: (m*Sxy - Sx*Sy) / (m*Sxx - Sx^2) without its cancellation.
    const double m = static_cast<double>(last - first + 1);
    double mx = 0, my = 0;
    for (Index j = first; j <= last; ++j) {
        mx += points[static_cast<size_t>(j)].Position;
        my += y(j);
    }
    mx /= m;
    my /= m;
    double sxx = 0, sxy = 0;
    for (Index j = first; j <= last; ++j) {
        const double dx = points[static_cast<size_t>(j)].Position - mx;
        sxx += dx * dx;
        sxy += dx * (y(j) - my);
    }
    fit.Slope = sxx > 0 ? sxy / sxx : 0.0;
    fit.Intercept = my - fit.Slope * mx;
    return fit;
}

}  // namespace trevasc::analysis
