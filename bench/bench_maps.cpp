// The 2-D map: an area measurement of 1000 scans x 2000 points and a series of 20 scans x 1000
// points drawn into 1200 x 800 (point placement, levels, gap filling, colours), on a canvas
// that only measures text and on a real image; and the gap filling against the literal walk.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cmath>
#include <random>

#include "../tests/plot/LiteralMapGaps.h"
#include "QtBenchMain.h"
#include "plot/RecordingCanvas.h"
#include "plot/TwoDPlot.h"
#include "qtcanvas/MapImageExport.h"
#include "qtcanvas/PlotImageExport.h"

using namespace trevasc;
using namespace trevasc::plot;
using trevasc::plot::test::FillMapGapsLiteral;

namespace {

// Text metrics without drawing: the engine's cost, not the painter's.
class MeasuringCanvas : public RecordingCanvas {
  public:
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void TextOut(int, int, const std::string&) override {}
    void TextOutVertical(int, int, const std::string&) override {}
    void DrawPixels(int, int, int, int, const TColor* pixels) override {
        benchmark::DoNotOptimize(pixels);
    }
};

// A substrate peak and a broad film peak on a noisy background; `scans` lines at Omega
// positions spread over two degrees.
T2dPlotDataset Map(int scans, int points) {
    T2dPlotDataset ds;
    std::mt19937 rng(7);
    std::poisson_distribution<int> background(3);
    ds.Points.reserve(static_cast<size_t>(scans) * points);
    for (int k = 0; k < scans; ++k) {
        const double omega = 33 + 2.0 * k / std::max(1, scans - 1);
        for (int i = 0; i < points; ++i) {
            const double tt = 66 + 4.0 * i / (points - 1);
            const double s = std::pow((tt - 69.13) / 0.01, 2) + std::pow((omega - 34.56) / 0.01, 2);
            const double f = std::pow((tt - 68.4) / 0.2, 2) + std::pow((omega - 34.2) / 0.3, 2);
            const double z = 1e6 * std::exp(-s) + 2e3 * std::exp(-f) + background(rng);
            ds.Points.push_back({tt, omega, z, k});
        }
    }
    ds.XTitle = "TwoTheta [°]";
    ds.YTitle = "Omega Center [°]";
    ds.ZTitle = "Counts [a.u.]";
    return ds;
}

const T2dPlotDataset& AreaMap() {
    static const T2dPlotDataset ds = Map(1000, 2000);
    return ds;
}
const T2dPlotDataset& Series() {
    static const T2dPlotDataset ds = Map(20, 1000);
    return ds;
}

void BM_DrawTwoDPlot(benchmark::State& state, const T2dPlotDataset& (*dataset)()) {
    const T2dPlotDataset& ds = dataset();
    MeasuringCanvas canvas;
    for (auto _ : state) {
        canvas.SetFontSize(12);
        const TwoDPlotResult r = DrawTwoDPlot(canvas, 0, 0, ds, TMapScale::Color, 1200, 800);
        if (!r.Drawn) state.SkipWithError("map not drawn");
        state.counters["radius"] = r.Radius;
    }
}
BENCHMARK_CAPTURE(BM_DrawTwoDPlot, AreaMap1000x2000, AreaMap)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawTwoDPlot, Series20x1000, Series)->Unit(benchmark::kMillisecond);

// A reciprocal space map of an area measurement (76 scans x 75 points, a sheared lattice of
// points with every cell row holding a few) drawn as the bitmap copy: 2400 x 1800 at 36 points.
void BM_ReciprocalBitmap(benchmark::State& state) {
    static const T2dPlotDataset ds = [] {
        T2dPlotDataset d = Map(76, 75);
        for (auto& p : d.Points) {
            const double i = (p.X - 66) / 4 * 74, k = p.ScanIndex;
            p.X = -0.25 + 0.0004 * i - 0.0003 * k;
            p.Y = 0.76 + 0.0001 * i + 0.0004 * k;
        }
        return d;
    }();
    MeasuringCanvas canvas;
    for (auto _ : state) {
        canvas.SetFontSize(36);
        const TwoDPlotResult r = DrawTwoDPlot(canvas, 0, 0, ds, TMapScale::Color, 2400, 1800);
        if (!r.Drawn) state.SkipWithError("map not drawn");
        state.counters["radius"] = r.Radius;
    }
}
BENCHMARK(BM_ReciprocalBitmap)->Unit(benchmark::kMillisecond);

// The same two maps as the window's picture: text and pixels through QPainter.
void BM_MapImage(benchmark::State& state, const T2dPlotDataset& (*dataset)()) {
    const T2dPlotDataset& ds = dataset();
    MapImageStyle style;
    style.FontSize = 9;
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderMapImage(ds, TMapScale::Color, 1200, 800, style));
}
BENCHMARK_CAPTURE(BM_MapImage, AreaMap1000x2000, AreaMap)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MapImage, Series20x1000, Series)->Unit(benchmark::kMillisecond);

// The PNG file of the area map's picture: the last step of `map -o OUT.png`.
void BM_MapPng(benchmark::State& state) {
    MapImageStyle style;
    style.FontSize = 9;
    const QImage image = RenderMapImage(AreaMap(), TMapScale::Color, 1200, 800, style);
    for (auto _ : state) {
        const std::string png = ImagePng(image);
        state.counters["bytes"] = static_cast<double>(png.size());
    }
}
BENCHMARK(BM_MapPng)->Unit(benchmark::kMillisecond);

// A small series map (8 scans x 300 points into 240 x 160 cells), the grid as placed.
const MapGrid& SmallGrid() {
    static const MapGrid grid = [] {
        const T2dPlotDataset ds = Map(8, 300);
        return PlaceMapPoints(ds, 66, 70, 33, 35, MapLevelRange(1, 1e6), 240, 160);
    }();
    return grid;
}
int32_t SmallRadius() {
    return MapGapRadius(240, 160, 8 * 300);
}

void BM_GapFillingLiteral(benchmark::State& state) {
    for (auto _ : state) {
        MapGrid g = SmallGrid();
        FillMapGapsLiteral(g, SmallRadius());
        benchmark::DoNotOptimize(g.Levels.data());
    }
}
BENCHMARK(BM_GapFillingLiteral)->Unit(benchmark::kMillisecond);

void BM_GapFilling(benchmark::State& state) {
    for (auto _ : state) {
        MapGrid g = SmallGrid();
        FillMapGaps(g, SmallRadius());
        benchmark::DoNotOptimize(g.Levels.data());
    }
}
BENCHMARK(BM_GapFilling)->Unit(benchmark::kMillisecond);

}  // namespace

TREVASC_QT_BENCHMARK_MAIN()
