// Smoothing, background removal and slope/curvature on a 1,000,000-point scan.
//
// The straightforward processing (every average summed from scratch, cost n * w) is kept here
// as the yardstick for the running sums of the library.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/Processing.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

constexpr long kPoints = 1000000;

// A fine 2Theta scan: 70 + i * 0.0004 degrees, a sloped background, a few hundred peaks and
// counting noise.
const TDataSet& Scan() {
    static const TDataSet scan = [] {
        std::mt19937 rng(42);
        std::normal_distribution<double> noise(0.0, 1.0);
        std::uniform_real_distribution<double> where(70.0, 470.0), height(2.0, 6.0),
            width(0.01, 0.1);
        std::vector<double> y(kPoints);
        for (long i = 0; i < kPoints; ++i) y[i] = 300.0 + 0.5 * i / 1000.0;
        for (int k = 0; k < 300; ++k) {
            const double c = where(rng), h = std::pow(10.0, height(rng)), s = width(rng);
            const long from = std::max(0L, static_cast<long>((c - 10 * s - 70.0) / 0.0004));
            const long to = std::min(kPoints - 1, static_cast<long>((c + 10 * s - 70.0) / 0.0004));
            for (long i = from; i <= to; ++i) {
                const double d = (70.0 + i * 0.0004 - c) / s;
                y[i] += h * std::exp(-0.5 * d * d);
            }
        }
        TDataPointArray pts(kPoints);
        for (long i = 0; i < kPoints; ++i)
            pts[i] = {70.0 + i * 0.0004,
                      static_cast<int32_t>(std::lround(y[i] + std::sqrt(y[i]) * noise(rng))), 0.0,
                      0.0};
        TDataSet s;
        s.SetRawPoints(std::move(pts));
        return s;
    }();
    return scan;
}

// The documented algorithm as written: every window summed again for every point.
void NaiveSmoothAndRemoveBackground(const TRawPointArray& raw, int w, int b, TDataPointArray& out) {
    const long n = static_cast<long>(raw.size());
    out = ToDataPoints(raw);
    for (long i = 0; i < n; ++i) {
        int64_t sum = 0;
        for (long j = i - w / 2; j < i - w / 2 + w; ++j)
            sum += (j >= 0 && j < n) ? raw[j].Intensity : raw[i].Intensity;
        out[i].Intensity = static_cast<int32_t>(sum / w);
    }
    std::vector<int32_t> bg(n);
    for (long i = 0; i < n; ++i) {
        int64_t sum = 0;
        for (long k = 0; k < b; ++k) sum += out[std::clamp(i - b / 2 + k, 0L, n - 1)].Intensity;
        bg[i] = static_cast<int32_t>(sum / b);
    }
    for (long i = 0; i < n; ++i) out[i].Intensity -= bg[i];
}

void BM_SmoothAndBackground_Naive(benchmark::State& state) {
    const TDataSet& scan = Scan();
    TDataPointArray out;
    for (auto _ : state) {
        NaiveSmoothAndRemoveBackground(scan.RawPoints, 1000, 1000, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_SmoothAndBackground_Naive)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SmoothAndBackground_Running(benchmark::State& state) {
    TDataSet scan = Scan();
    ProcessingSettings s;
    s.NoiseSuppression = true;
    s.SmoothWidth = 1000;
    s.RemoveBackground = true;
    s.BackgroundWidth = 1000;
    for (auto _ : state) {
        RebuildProcessedCurve(scan, s);
        benchmark::DoNotOptimize(scan.Points.data());
    }
    // Same result as the naive algorithm (checked once, outside the timing).
    TDataPointArray naive;
    NaiveSmoothAndRemoveBackground(scan.RawPoints, 1000, 1000, naive);
    long differences = 0;
    for (long i = 0; i < kPoints; ++i)
        differences += naive[i].Intensity != scan.Points[i].Intensity;
    state.counters["differences"] = static_cast<double>(differences);
}
BENCHMARK(BM_SmoothAndBackground_Running)->Unit(benchmark::kMillisecond);

// Largest deviation of the sliding slopes from from-scratch fits about the window means (long
// double), over every 499th window, relative to the largest slope that window allows.
double SlopeDeviation(const TDataSet& scan, int w) {
    const auto& p = scan.Points;
    const long left = w / 2, right = w - left;
    double worst = 0;
    for (long i = left; i <= kPoints - right; i += 499) {
        long double mx = 0, my = 0;
        for (long j = i - left; j < i + right; ++j) {
            mx += p[j].Position;
            my += p[j].Intensity;
        }
        mx /= w;
        my /= w;
        long double sxx = 0, sxy = 0, syy = 0;
        for (long j = i - left; j < i + right; ++j) {
            const long double dx = p[j].Position - mx, dy = p[j].Intensity - my;
            sxx += dx * dx;
            sxy += dx * dy;
            syy += dy * dy;
        }
        const double ref = static_cast<double>(sxy / sxx);
        const double scale = static_cast<double>(std::sqrt(syy / sxx));
        if (scale > 0) worst = std::max(worst, std::fabs(p[i].Slope - ref) / scale);
    }
    return worst;
}

void BM_SlopeAndCurvature(benchmark::State& state) {
    TDataSet scan = Scan();
    const int w = static_cast<int>(state.range(0));
    for (auto _ : state) {
        scan.MarkPointsChanged();  // otherwise only the first call computes
        ComputeSlopeAndCurvature(scan, w);
        benchmark::DoNotOptimize(scan.Points.data());
    }
    state.counters["max_dev_vs_scratch"] = SlopeDeviation(scan, w);
}
BENCHMARK(BM_SlopeAndCurvature)->Arg(15)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
