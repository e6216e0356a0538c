// Both peak searches (slope and curvature, each with slope/curvature computation) on a
// realistic 1,000,000-point scan with a few hundred peaks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

constexpr long kPoints = 1000000;
constexpr double kStart = 10.0, kStep = 0.0001;
constexpr int kPeaks = 300;

// 10°..110° in 0.0001° steps: a decaying background, 300 pseudo-Voigt peaks of 10^3..10^6 counts
// and 0.005°..0.05° width, and counting noise; smoothed over 5 points as a user would.
const TDataSet& Scan() {
    static const TDataSet scan = [] {
        std::mt19937 rng(2024);
        std::normal_distribution<double> noise(0.0, 1.0);
        std::uniform_real_distribution<double> where(11.0, 109.0), decades(3.0, 6.0),
            width(0.005, 0.05), mix(0.0, 1.0);
        std::vector<double> y(kPoints);
        for (long i = 0; i < kPoints; ++i) y[i] = 80.0 + 400.0 * std::exp(-(i * kStep) / 15.0);
        for (int k = 0; k < kPeaks; ++k) {
            const double c = where(rng), h = std::pow(10.0, decades(rng)), s = width(rng);
            const double eta = mix(rng);  // Lorentzian share
            const double reach = std::min(2.0, 100 * s);
            const long from = std::max(0L, static_cast<long>((c - reach - kStart) / kStep));
            const long to = std::min(kPoints - 1, static_cast<long>((c + reach - kStart) / kStep));
            for (long i = from; i <= to; ++i) {
                const double d = (kStart + i * kStep - c) / s;
                y[i] += h * ((1 - eta) * std::exp(-0.5 * d * d) + eta / (1 + d * d));
            }
        }
        TDataPointArray pts(kPoints);
        for (long i = 0; i < kPoints; ++i)
            pts[i] = {kStart + i * kStep,
                      static_cast<int32_t>(std::lround(y[i] + std::sqrt(y[i]) * noise(rng))), 0.0,
                      0.0};
        TDataSet s;
        s.SetRawPoints(std::move(pts));
        ProcessingSettings p;
        p.NoiseSuppression = true;
        RebuildProcessedCurve(s, p);
        return s;
    }();
    return scan;
}

// Thresholds for a 0.0001° step: noise gives slopes of about 1e4 counts/° and curvatures of
// about 1e7 counts/°².
PeakSearchSettings Settings(bool bisector) {
    PeakSearchSettings s;
    s.MinPeakHeight = 300;
    s.MinPeakSlope = 200000;
    s.MinPeakCurvature = 200000000;
    s.UseAreaBisector = bisector;
    s.MinDoublePeakDistance = 0.02;
    return s;
}

void Search(benchmark::State& state, TPeakMethod method, bool bisector) {
    TDataSet scan = Scan();
    const PeakSearchSettings settings = Settings(bisector);
    for (auto _ : state) {
        scan.MarkPointsChanged();  // as after new processing: the slope is computed each time
        RunPeakSearch(scan, method, settings, 15);
        benchmark::DoNotOptimize(scan.Peaks.Items.data());
    }
    state.counters["peaks_found"] = scan.Peaks.Count();
}

void BM_FindPeaks_Method1(benchmark::State& st) {
    Search(st, TPeakMethod::Slope, false);
}
void BM_FindPeaks_Method2(benchmark::State& st) {
    Search(st, TPeakMethod::Curvature, false);
}
void BM_FindPeaks_Method1_Bisector(benchmark::State& st) {
    Search(st, TPeakMethod::Slope, true);
}
void BM_FindPeaks_Method2_Bisector(benchmark::State& st) {
    Search(st, TPeakMethod::Curvature, true);
}
BENCHMARK(BM_FindPeaks_Method1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPeaks_Method2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPeaks_Method1_Bisector)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPeaks_Method2_Bisector)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
