// Building the map of an area measurement (1000 scans x 2000 points) and writing it as text for
// gnuplot and the clipboard.
#include <benchmark/benchmark.h>

#include <cmath>

#include "tools/gnuplot/GnuplotExport.h"
#include "tools/maps/MapBuilder.h"

using namespace trevasc;

namespace {

constexpr int kScans = 1000;
constexpr int kPoints = 2000;

const ScanRegistry& AreaMap() {
    static const ScanRegistry* registry = [] {
        auto* r = new ScanRegistry;
        for (int s = 0; s < kScans; ++s) {
            TDataSet& scan = s == 0 ? r->MainScan() : r->AppendAdditionalScan();
            TDataPointArray points(kPoints);
            for (int i = 0; i < kPoints; ++i) {
                const double dx = (i - kPoints / 2) / 40.0, dy = (s - kScans / 2) / 30.0;
                points[i].Position = 60.0 + 0.002 * i;
                points[i].Intensity = static_cast<int32_t>(10 + 1e5 * std::exp(-dx * dx - dy * dy));
            }
            scan.SetRawPoints(std::move(points));
            scan.SecondAxisName = "Omega";
            scan.SecondAxisPosition = 30.0 + 0.002 * s;
        }
        return r;
    }();
    return *registry;
}

void BM_BuildTwoAxisMap(benchmark::State& state) {
    const ScanRegistry& scans = AreaMap();
    for (auto _ : state) benchmark::DoNotOptimize(tools::BuildMapDataset(scans, {}));
}
BENCHMARK(BM_BuildTwoAxisMap)->Unit(benchmark::kMillisecond);

void BM_BuildReciprocalMap(benchmark::State& state) {
    const ScanRegistry& scans = AreaMap();
    tools::MapRequest request;
    request.Mode = tools::MapMode::Reciprocal;
    request.OmegaOffset = 0.1;
    for (auto _ : state) benchmark::DoNotOptimize(tools::BuildMapDataset(scans, request));
}
BENCHMARK(BM_BuildReciprocalMap)->Unit(benchmark::kMillisecond);

void BM_GnuplotDataText(benchmark::State& state) {
    const plot::T2dPlotDataset map = tools::BuildMapDataset(AreaMap(), {}).Dataset;
    for (auto _ : state) benchmark::DoNotOptimize(tools::GnuplotDataText(map));
}
BENCHMARK(BM_GnuplotDataText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
