// The structure simulation over the largest index ranges the spin fields allow, and the
// least-squares substrate search over a large database.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/StructureSimulation.h"
#include "analysis/SubstrateDatabase.h"

using namespace trevasc::analysis;

namespace {

// h, k, l from -100 to 20 (1.77 million triples), triclinic a = 20, b = 25, c = 30 A.
void BM_SimulateTriclinicFullRange(benchmark::State& state) {
    const TLatticeParameters cell{20, 25, 30, 80, 95, 100};
    size_t rows = 0;
    for (auto _ : state) {
        auto peaks = SimulateStructure(TCrystalSystem::Triclinic, cell, {-100, 20}, {-100, 20},
                                       {-100, 20}, 1.54056);
        rows = peaks.size();
        benchmark::DoNotOptimize(peaks.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SimulateTriclinicFullRange)->Unit(benchmark::kMillisecond);

// 100 materials of 15 reflections each against 200 peaks in 10..120 degrees.
void BM_AutoSelect100Materials200Peaks(benchmark::State& state) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> position(10.0, 120.0);
    std::vector<TSubstrateMaterial> materials(100);
    for (auto& m : materials)
        for (int i = 0; i < 15; ++i) m.Reflections.push_back({position(rng), "r", "0"});
    std::vector<double> peaks(200);
    for (double& p : peaks) p = position(rng);
    for (auto _ : state) {
        auto r = AutoSelectSubstrate(materials, peaks, 10.0, 120.0);
        benchmark::DoNotOptimize(r.Best);
    }
}
BENCHMARK(BM_AutoSelect100Materials200Peaks)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
