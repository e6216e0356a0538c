// One fit of a 1000-point range (Gauss and Lorentz, noisy peak on a sloped background), its
// least-squares refinement alone, the grid search done literally (every triple summed over every
// point), and the automatic fits of 50 checked peaks accepted as they come.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "../tests/tools/LiteralPeakFit.h"
#include "core/ScanData.h"
#include "session/AutoFitSequence.h"
#include "session/WorkbenchSession.h"
#include "tools/fitting/PeakFit.h"

using namespace trevasc;
using namespace trevasc::tools;

namespace {

// 1000 points from 25° in 0.01° steps, a peak of 5000 counts and FWHM 0.3° at 30.02° on a
// background falling from 400 counts, with counting noise.
const TDataPointArray& Range() {
    static const TDataPointArray points = [] {
        std::mt19937 rng(11);
        std::normal_distribution<double> noise;
        TDataPointArray p;
        for (int i = 0; i < 1000; ++i) {
            const double x = 25.0 + 0.01 * i;
            const double u = (x - 30.02) * 2.0 / 0.3;
            const double y = 400.0 - 20.0 * (x - 25.0) + 5000.0 / (u * u + 1.0);
            p.push_back(
                TDataPoint{x, static_cast<int32_t>(std::lround(y + std::sqrt(y) * noise(rng)))});
        }
        return p;
    }();
    return points;
}

void BM_Fit(benchmark::State& state) {
    const FitProfile profile = state.range(0) == 1 ? FitProfile::Lorentz : FitProfile::Gauss;
    const TDataPointArray& p = Range();
    for (auto _ : state) {
        const FitResult r = PeakFit(p, 0, 999).Run(profile, p.front().Position, p.back().Position);
        benchmark::DoNotOptimize(r.Overlay.Center);
    }
}

void BM_FitLiteral(benchmark::State& state) {
    const FitProfile profile = state.range(0) == 1 ? FitProfile::Lorentz : FitProfile::Gauss;
    const TDataPointArray& p = Range();
    for (auto _ : state) {
        const auto passes =
            test::LiteralGridSearch(p, 0, 999, profile, p.front().Position, p.back().Position);
        benchmark::DoNotOptimize(passes.back().Center);
    }
}

// The least-squares refinement alone, from the grid's last triple.
void BM_Refine(benchmark::State& state) {
    const FitProfile profile = state.range(0) == 1 ? FitProfile::Lorentz : FitProfile::Gauss;
    const TDataPointArray& p = Range();
    const test::DocumentedResiduals r =
        test::Residuals(p, 0, 999, p.front().Position, p.back().Position);
    const FitTriple start =
        PeakFit(p, 0, 999).Run(profile, p.front().Position, p.back().Position).Passes.back();
    for (auto _ : state) {
        const FitTriple refined = RefineLeastSquares(r.X, r.R, profile, start);
        benchmark::DoNotOptimize(refined.Center);
    }
}

// A 20,000-point scan with 50 checked peaks; each automatic fit accepted.
void BM_AutoFit50(benchmark::State& state) {
    const FitProfile profile = state.range(0) == 1 ? FitProfile::Lorentz : FitProfile::Gauss;
    std::mt19937 rng(5);
    std::normal_distribution<double> noise;
    TDataPointArray points;
    for (int i = 0; i < 20000; ++i) {
        const double x = 10.0 + 0.005 * i;
        double y = 200.0;
        for (int k = 0; k < 50; ++k) {
            const double u = (x - (11.0 + 1.95 * k)) / 0.05;
            y += 3000.0 * std::exp(-u * u);
        }
        points.push_back(
            TDataPoint{x, static_cast<int32_t>(std::lround(y + std::sqrt(y) * noise(rng)))});
    }
    UnattendedPrompts prompts;
    for (auto _ : state) {
        state.PauseTiming();
        WorkbenchSession session(prompts);
        session.Scans().MainScan().SetRawPoints(points);
        for (int k = 0; k < 50; ++k) session.Peaks().Add(11.0 + 1.95 * k);
        state.ResumeTiming();
        AutoFitSequence sequence(session);
        while (const auto job = sequence.Next()) {
            const AutoFitEdges& e = job->Edges;
            const FitResult r = PeakFit(session.Scans().MainScan().Points, e.First, e.Last)
                                    .Run(profile, e.LeftBoundary, e.RightBoundary, {}, job->Centre);
            sequence.Finish(r.Fitted ? r.Overlay.Center : -1.0);
        }
        sequence.Complete();
    }
}

}  // namespace

BENCHMARK(BM_Fit)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Refine)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitLiteral)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoFit50)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
