// The profile analysis's hot paths: Kα2 stripping of a 1,000,000-point scan and the fit of five
// overlapping pseudo-Voigt peaks over 2,000 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "tools/profile/Kalpha2Stripping.h"
#include "tools/profile/ProfileFit.h"

using namespace trevasc::tools;

namespace {

const KalphaDoublet kCopper{1.540562, 1.544390};

void BM_StripKalpha2(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<double> x(n), y(n);
    std::mt19937 rng(4);
    std::normal_distribution<double> normal;
    for (size_t i = 0; i < n; ++i) {
        x[i] = 10.0 + 100.0 * static_cast<double>(i) / static_cast<double>(n);
        y[i] = 200.0 + 20.0 * std::fabs(normal(rng));
    }
    for (auto _ : state) {
        const std::vector<double> s = StripKalpha2(x, y, kCopper, 0.5);
        benchmark::DoNotOptimize(s.data());
    }
}

void BM_FitFivePseudoVoigt(benchmark::State& state) {
    struct Peak {
        double C, W, H, Eta;
    };
    const Peak peaks[] = {{28.0, 0.25, 3000.0, 0.3},
                          {28.45, 0.30, 1200.0, 0.7},
                          {29.2, 0.22, 5000.0, 0.5},
                          {30.0, 0.35, 800.0, 0.2},
                          {30.4, 0.28, 2000.0, 0.85}};
    std::mt19937 rng(9);
    std::normal_distribution<double> normal;
    std::vector<double> x, y;
    for (int i = 0; i < 2000; ++i) {
        const double at = 26.5 + 0.003 * i;
        double v = 150.0 - 8.0 * (at - 29.5);
        for (const Peak& p : peaks)
            v += LineProfileValue(ProfileShape::PseudoVoigt, p.H, p.C, p.W, p.Eta, at);
        x.push_back(at);
        y.push_back(std::round(v + std::sqrt(v) * normal(rng)));
    }
    std::vector<double> starts;
    for (const Peak& p : peaks) starts.push_back(p.C + 0.02);
    ProfileFitOptions options;
    options.Shape = ProfileShape::PseudoVoigt;
    for (auto _ : state) {
        const ProfileFitResult r = FitLineProfiles(x, y, x.front(), x.back(), starts, options);
        if (!r.Fitted) state.SkipWithError(r.Error.c_str());
        benchmark::DoNotOptimize(r.Chi2Red);
    }
}

}  // namespace

BENCHMARK(BM_StripKalpha2)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitFivePseudoVoigt)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
