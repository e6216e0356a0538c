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

// The moving average of width w over the raw intensities, point after point from `from` on:
// the window of i covers i - w/2 .. i - w/2 + w - 1, and an index outside the scan contributes the
// intensity of point i itself. The sum of the indices inside the scan slides along with i (both
// ends only move right), so each point costs O(1). Integer sums are exact, so this equals the
// per-point sum wherever it starts; 64 bits keep it exact for any count a 32-bit intensity can
// hold.
class MovingAverage {
  public:
    MovingAverage(const TRawPointArray& raw, int w, Index from)
        : raw_(raw),
          n_(static_cast<Index>(raw.size())),
          w_(w),
          h_(w / 2),
          i_(from),
          lo_(std::max<Index>(0, from - h_)),
          hi_(lo_ - 1) {}

    int32_t Next() {
        const Index newLo = std::max<Index>(0, i_ - h_);
        const Index newHi = std::min<Index>(n_ - 1, i_ - h_ + w_ - 1);
        while (hi_ < newHi) inside_ += raw_[static_cast<size_t>(++hi_)].Intensity;
        while (lo_ < newLo) inside_ -= raw_[static_cast<size_t>(lo_++)].Intensity;
        const int64_t outside = w_ - (newHi - newLo + 1);
        const int64_t sum = inside_ + outside * raw_[static_cast<size_t>(i_++)].Intensity;
        // C++ integer division truncates toward zero, as the documented "div".
        // The mean of 32-bit values always fits 32 bits.
        return static_cast<int32_t>(sum / w_);
    }

    // Next for a point k from InteriorFrom() to InteriorTo() - 1, right after point k - 1: both
    // windows lie inside the scan, so the window moves by one point at each end.
    int32_t NextInterior() {
        inside_ += static_cast<int64_t>(raw_[static_cast<size_t>(++hi_)].Intensity) -
                   raw_[static_cast<size_t>(lo_++)].Intensity;
        ++i_;
        return static_cast<int32_t>(inside_ / w_);
    }
    Index InteriorFrom() const { return h_ + 1; }
    Index InteriorTo() const { return n_ - w_ + h_ + 1; }

  private:
    const TRawPointArray& raw_;
    const Index n_, w_, h_;
    Index i_;        // the point whose value comes next
    Index lo_, hi_;  // indices whose intensities are in inside_
    int64_t inside_ = 0;
};

// The raw intensities themselves, point after point from `from` on.
class RawIntensities {
  public:
    RawIntensities(const TRawPointArray& raw, Index from) : raw_(raw), i_(from) {}
    int32_t Next() { return raw_[static_cast<size_t>(i_++)].Intensity; }
    int32_t NextInterior() { return Next(); }
    Index InteriorFrom() const { return 0; }
    Index InteriorTo() const { return static_cast<Index>(raw_.size()); }

  private:
    const TRawPointArray& raw_;
    Index i_;
};

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

// Points from..to-1 of the values of `values(k)` (a MovingAverage or RawIntensities from point k
// on), less the moving average of width b over those values (the background), with the first and
// last value (`first`, `last`) repeated beyond the edges; write(i, value) stores them. The
// background of i averages the values from h = b/2 points behind i to b - h - 1 ahead: they pass
// through a ring of b slots (value k at slot k % b) as the window slides, so each value is made
// once and the range needs nothing of another range. Integer sums, so exact wherever it starts.
template <class Values, class Write>
void SubtractBackground(const Values& values, int b, int64_t first, int64_t last, Index n,
                        Index from, Index to, const Write& write) {
    const Index h = b / 2;
    std::vector<int32_t> ring(static_cast<size_t>(b));
    Index lo = std::max<Index>(0, from - h), hi = lo - 1;  // the values in `inside`
    auto next = values(lo);
    Index loSlot = lo % b, hiSlot = loSlot, slot = from % b;
    int64_t inside = 0;
    const auto put = [&](Index i, int64_t background) {
        // i lies in its window, so its value is in the ring.
        const int64_t value = ring[static_cast<size_t>(slot)];
        if (++slot == b) slot = 0;
        // A negative raw count can make the difference leave 32 bits; saturate rather than wrap.
        write(i, SaturateToInt32(value - background));
    };
    // Any point: the window clamped to the scan takes and drops values as it needs.
    const auto step = [&](Index i) {
        const Index start = i - h;
        const Index end = i - h + b - 1;
        const Index newLo = std::max<Index>(0, start);
        const Index newHi = std::min<Index>(n - 1, end);
        // The window's old values leave before new ones take their slots.
        for (; lo < newLo; ++lo) {
            inside -= ring[static_cast<size_t>(loSlot)];
            if (++loSlot == b) loSlot = 0;
        }
        for (; hi < newHi; ++hi) {
            const int32_t v = next.Next();
            ring[static_cast<size_t>(hiSlot)] = v;
            if (++hiSlot == b) hiSlot = 0;
            inside += v;
        }
        const int64_t below = std::max<Index>(0, -start);         // clamped to index 0
        const int64_t above = std::max<Index>(0, end - (n - 1));  // clamped to index n-1
        // A mean of 32-bit values: fits 32 bits.
        put(i, (inside + below * first + above * last) / b);
    };
    // Nearly every point: its window and the one before lie inside the scan, and the value that
    // comes (k = i - h + b - 1) is one of `next`'s interior ones (those lie inside the scan, so
    // the window's end does too). The window then drops one value and takes one, in the same
    // slot, with nothing to clamp: the same sums, in a tighter loop.
    const Index steadyFrom = std::max({from + 1, h + 1, next.InteriorFrom() + h - b + 1});
    const Index steadyTo = std::min(to, next.InteriorTo() + h - b + 1);
    Index i = from;
    for (; i < std::min(to, steadyFrom); ++i) step(i);
    if (i < steadyTo) {
        for (; i < steadyTo; ++i) {
            const int32_t v = next.NextInterior();
            int32_t& leaving = ring[static_cast<size_t>(loSlot)];
            inside += static_cast<int64_t>(v) - leaving;
            leaving = v;
            if (++loSlot == b) loSlot = 0;
            put(i, inside / b);
        }
        lo = i - 1 - h;  // the window of point i - 1, b values
        hi = lo + b - 1;
        hiSlot = loSlot;
    }
    for (; i < to; ++i) step(i);
}

// The processed intensities of points 0..n-1 from values(k) (see SubtractBackground): with the
// background removed when b > 0, else the values themselves. In two halves on two threads from
// parallelFrom points on, each half computing exactly what one run would.
template <class Values, class Write>
void WriteProcessed(const Values& values, int b, Index n, size_t parallelFrom, const Write& write) {
    if (n == 0) return;
    if (b == 0) {
        ForRanges(n, parallelFrom, 1, [&](Index from, Index to) {
            auto next = values(from);
            for (Index i = from; i < to; ++i) write(i, next.Next());
        });
        return;
    }
    const int64_t first = values(0).Next(), last = values(n - 1).Next();
    ForRanges(n, parallelFrom, 1, [&](Index from, Index to) {
        SubtractBackground(values, b, first, last, n, from, to, write);
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
    const int b = settings.RemoveBackground
                      ? ClampInt(settings.BackgroundWidth, kMinBackgroundWidth, kMaxBackgroundWidth)
                      : 0;
    if (!settings.NoiseSuppression && b == 0) {
        pts = ToDataPoints(raw);  // slope and curvature are 0 until computed
        scan.MarkPointsChanged();
        return;
    }
    // Whole points (slope and curvature 0) without noise suppression, as the raw points copied,
    // and into an array made anew; with it, one of the right length keeps its slope and
    // curvature. A new array is filled whole on the threads that process, where its pages are
    // first touched, instead of being zeroed on one thread first.
    const bool fresh = pts.size() != n;
    const bool whole = fresh || !settings.NoiseSuppression;
    if (fresh) {
        pts.clear();
        GrowUnconstructed unconstructed;
        pts.resize(n);
    }
    const auto write = [&](Index i, int32_t value) {
        TDataPoint& p = pts[static_cast<size_t>(i)];
        const double position = raw[static_cast<size_t>(i)].Position;
        if (whole) {
            p = {position, value, 0.0, 0.0};
        } else {
            p.Position = position;
            p.Intensity = value;
        }
    };
    const Index count = static_cast<Index>(n);
    if (settings.NoiseSuppression)
        WriteProcessed([&](Index k) { return MovingAverage(raw, w, k); }, b, count, parallelFrom,
                       write);
    else
        WriteProcessed([&](Index k) { return RawIntensities(raw, k); }, b, count, parallelFrom,
                       write);
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
