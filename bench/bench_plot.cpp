// Drawing a 1,000,000-point scan into a 1600 x 1000 image: the chart as the plot window draws
// it (decimated curve) against joining every point.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "QtBenchMain.h"
#include "plot/CurveDrawing.h"
#include "plot/XrdPlotRenderer.h"
#include "qtcanvas/QPainterCanvas.h"

using namespace trevasc;
using namespace trevasc::plot;

namespace {

constexpr int kPoints = 1'000'000;

const TPlotDataset& Scan() {
    static const TPlotDataset ds = [] {
        TPlotDataset d;
        std::mt19937 rng(3);
        std::normal_distribution<double> noise(0.0, 1.0);
        d.Points.resize(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double x = 10 + 100.0 * i / (kPoints - 1);
            double y = 40 + 5e5 * std::exp(-std::pow((x - 69.13) / 0.02, 2)) +
                       2e4 * std::exp(-std::pow((x - 33.0) / 0.05, 2));
            y += std::sqrt(y) * noise(rng);
            d.Points[i] = {x, y < 1 ? 1.0 : std::round(y)};
        }
        d.SecondaryPoints = d.Points;
        d.Title = "XRD Plot: benchmark";
        d.XTitle = "TwoTheta";
        d.YTitle = "Counts";
        d.LogY = true;
        d.ViewXMin = d.FullXMin = 10;
        d.ViewXMax = d.FullXMax = 110;
        d.Highlights = {{69.13, 0x0000FF, "Si (004)", true}, {33.0, 0xFF0000, "", true}};
        return d;
    }();
    return ds;
}

void BM_DrawXrdPlot(benchmark::State& state) {
    QImage image(1600, 1000, QImage::Format_RGB32);
    const TPlotDataset& ds = Scan();
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.SetFontName("Arial");
        canvas.SetFontSize(12);
        TPlotArea area;
        DrawXrdPlot(canvas, 0, 0, 1600, 1000, ds, area);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DrawXrdPlot)->Unit(benchmark::kMillisecond);

// Only the main curve, every point joined to the next (no axes, no text).
void BM_JoinEveryPoint(benchmark::State& state) {
    QImage image(1600, 1000, QImage::Format_RGB32);
    const TPlotDataset& ds = Scan();
    TAxisMapping m;
    m.Left = 100, m.Right = 1550, m.Top = 60, m.Bottom = 940;
    m.XMin = 10, m.XMax = 110, m.YMin = 0, m.YMax = 6, m.LogY = true;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        DrawCurve(canvas, m, ds.Points.data(), ds.Points.size(), TCurveMode::JoinEveryPoint);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_JoinEveryPoint)->Unit(benchmark::kMillisecond);

}  // namespace

TREVASC_QT_BENCHMARK_MAIN()
