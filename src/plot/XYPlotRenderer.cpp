#include "plot/XYPlotRenderer.h"

#include <algorithm>
#include <cmath>

#include "plot/AxisScaling.h"
#include "plot/ChartDrawing.h"
#include "plot/ChartLayout.h"
#include "plot/PlotMapping.h"

namespace trevasc::plot {

namespace {
constexpr TColor kBlack = 0x000000;
}  // namespace

void DrawXYPlot(Canvas& canvas, int x0, int y0, int width, int height, const TPlotXYDataset& ds) {
    TPlotArea area;
    DrawXYPlot(canvas, x0, y0, width, height, ds, area);
}

void DrawXYPlot(Canvas& canvas, int x0, int y0, int width, int height, const TPlotXYDataset& ds,
                TPlotArea& area) {
    const int S = canvas.FontSize();
    const TChartMetrics metrics = MeasureChart(canvas, S, ds.Title);
    const TChartLayout layout =
        ComputeChartLayout(metrics, x0, y0, width, height, canvas.TextWidth("i"));

    size_t n = std::min(ds.X.size(), ds.Y.size());
    if (ds.Count() < 0) n = 0;
    n = std::min(n, static_cast<size_t>(std::max(ds.Count(), 0)));
    double xmin = 1e100, xmax = -1e100, ymin = 1e100, ymax = -1e100;
    size_t used = 0;
    auto take = [&](double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        xmin = std::min(xmin, x);
        xmax = std::max(xmax, x);
        ymin = std::min(ymin, y);
        ymax = std::max(ymax, y);
        ++used;
    };
    for (size_t i = 0; i < n; ++i) take(ds.X[i], ds.Y[i]);
    for (const TXYCurve& curve : ds.Curves)
        for (size_t i = 0; i < std::min(curve.X.size(), curve.Y.size()); ++i)
            take(curve.X[i], curve.Y[i]);
    if (!ds.TightX || !(xmax > xmin)) {
        xmin = RoundLowerBound(xmin);
        xmax = RoundUpperBound(xmax);
        AdjustRoundedRange(xmin, xmax);
    }
    if (ds.DecadeY && ds.ShowLine && used > 0) {
        // The line runs over the whole x axis: its ends stay inside the frame too.
        for (double x : {xmin, xmax}) {
            const double y = ds.Slope * x + ds.Intercept;
            if (!std::isfinite(y)) continue;
            ymin = std::min(ymin, y);
            ymax = std::max(ymax, y);
        }
    }
    bool logY = ds.LogY;
    if (logY && ymin > 0) {
        ymin = std::log10(ymin);
        ymax = std::log10(ymax);
    } else {
        logY = false;
    }
    if (ds.DecadeY && !logY) {
        ymin = RoundLowerBound(ymin);
        ymax = RoundUpperBound(ymax);
    } else {
        ymin = std::floor(10 * ymin) / 10;
        ymax = (std::floor(10 * ymax) + 1) / 10;
    }
    AdjustRoundedRange(ymin, ymax);
    area = TPlotArea{};
    area.Left = layout.Left;
    area.Right = layout.Right;
    area.Top = layout.Top;
    area.Bottom = layout.Bottom;
    area.XMin = xmin;
    area.XMax = xmax;
    area.YMin = ymin;
    area.YMax = ymax;
    area.LogY = logY;
    if (!layout.HasArea()) {
        canvas.SetFontSize(S);
        return;
    }

    const TLineMetrics lines = MeasureLines(canvas, 2);  // at S - 2
    const int w = lines.PenWidth, t = lines.TickLength;
    canvas.SetPenWidth(w);
    const TAxisMapping m = MakeAxisMapping(layout, xmin, xmax, ymin, ymax, logY);
    const bool drawable = used > 0 && m.Drawable();

    if (drawable) {
        for (const TXYCurve& curve : ds.Curves) {
            canvas.SetPenColor(curve.Color);
            bool first = true;
            for (size_t i = 0; i < std::min(curve.X.size(), curve.Y.size()); ++i) {
                if (!std::isfinite(curve.X[i]) || !std::isfinite(curve.Y[i])) continue;
                const int px = m.XToPixel(curve.X[i]), py = m.YToPixel(curve.Y[i]);
                if (first)
                    canvas.MoveTo(px, py);
                else
                    canvas.LineTo(px, py);
                first = false;
            }
        }
        const TColor oldBrush = canvas.BrushColor();
        canvas.SetBrushColor(ds.Color);
        canvas.SetPenColor(kBlack);
        for (size_t i = 0; i < n; ++i) {
            if (!std::isfinite(ds.X[i]) || !std::isfinite(ds.Y[i])) continue;
            const int px = m.XToPixel(ds.X[i]), py = m.YToPixel(ds.Y[i]);
            canvas.Ellipse(px - 5 * w, py - 5 * w, px + 5 * w, py + 5 * w);
        }
        canvas.SetBrushColor(oldBrush);
        if (ds.ShowLine) {
            canvas.SetPenColor(ds.Color);
            canvas.MoveTo(m.XToPixel(xmin), m.YToPixel(ds.Slope * xmin + ds.Intercept));
            canvas.LineTo(m.XToPixel(xmax), m.YToPixel(ds.Slope * xmax + ds.Intercept));
        }
    }

    canvas.SetFontColor(kBlack);
    canvas.SetFontSize(S);
    DrawChartFrame(canvas, layout, ds.Color, kBlack);
    DrawXTitle(canvas, layout, x0, y0, width, height, S, ds.XTitle);
    DrawPlotTitle(canvas, x0, y0, width, S, ds.Title);
    int labelWidth = 0;
    if (drawable) {
        labelWidth = DrawValueAxisTicks(
            canvas, m, ValueAxisTicks(ymin, ymax, TickRows(layout.PH, metrics.H0), logY), logY,
            TAxisSide::Left, t, S, ds.Color);
    }
    DrawYTitle(canvas, layout, TAxisSide::Left, t, labelWidth, S, ds.Color, ds.YTitle);
    canvas.SetFontColor(kBlack);
    if (drawable) {
        canvas.SetFontSize(S);
        const int columns = TickColumns(layout.PW, canvas);
        DrawXAxisTicks(
            canvas, m,
            ds.TightX ? ScanAxisTicks(xmin, xmax, columns) : ScatterXTicks(xmin, xmax, columns), t,
            S, ds.TightX ? 5 : 4);
    }
    canvas.SetFontSize(S);
}

}  // namespace trevasc::plot
