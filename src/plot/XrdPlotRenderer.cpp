#include "plot/XrdPlotRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/AxisScaling.h"
#include "plot/ChartDrawing.h"
#include "plot/ChartLayout.h"
#include "plot/CurveDrawing.h"
#include "plot/LabelSpreading.h"
#include "plot/PlotMapping.h"

namespace trevasc::plot {

namespace {

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;

int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}

struct TRange {
    double Min = 1e100;
    double Max = -1e100;
    void Take(const TPlotPoint* points, size_t n, double xMin, double xMax) {
        for (size_t i = 0; i < n; ++i) {
            const TPlotPoint& p = points[i];
            if (!(p.X >= xMin && p.X <= xMax) || !std::isfinite(p.Y)) continue;
            if (p.Y < Min) Min = p.Y;
            if (p.Y > Max) Max = p.Y;
        }
    }
};

// Log transform of a range; a range whose minimum is <= 0 switches the axis to linear.
void ToLogRange(TRange& r, bool& logAxis, bool clampUpperAtZero) {
    if (!logAxis) return;
    if (r.Min > 0) {
        r.Min = std::log10(r.Min);
        r.Max = clampUpperAtZero && r.Max <= 0 ? 0.0 : std::log10(r.Max);
    } else {
        logAxis = false;
    }
}

void DrawVerticalLine(Canvas& canvas, const TAxisMapping& m, double x, TColor color) {
    canvas.SetPenColor(color);
    const int px = m.XToPixel(x);
    canvas.MoveTo(px, m.Top);
    canvas.LineTo(px, m.Bottom);
}

// Marker lines with vertical labels at the top of the area.
void DrawMarkers(Canvas& canvas, const TAxisMapping& m, const TPlotDataset& ds, int width,
                 int baseSize) {
    struct Entry {
        size_t Index;
        int Px;
    };
    std::vector<Entry> entries;
    const size_t n = ds.Highlights.size();
    for (size_t i = 0; i < n; ++i) {
        const double x = ds.Highlights[i].X;
        if (x >= ds.ViewXMin && x <= ds.ViewXMax) entries.push_back({i, m.XToPixel(x)});
    }
    if (entries.empty()) return;
    // An exchange sort that swaps only strictly out-of-order neighbours is a stable sort.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.Px < b.Px; });

    // Shrink the label font until the labels side by side take at most half the width.
    int size = UsableFontSize(baseSize - 4);
    canvas.SetFontSize(size);
    while (size >= 2 &&
           static_cast<long long>(canvas.TextHeight("0")) * static_cast<long long>(entries.size()) >
               width / 2) {
        --size;
        canvas.SetFontSize(size);
    }
    canvas.SetFontColor(kBlack);

    // Labels keep clear of the frame, which is drawn over them afterwards: a label touching
    // it lost the pixels under the frame line, and one at the right edge stuck out of the
    // chart. Their cells stay `inset` pixels inside the frame line on every side.
    const int inset = canvas.PenWidth() + 1;
    std::vector<int> spread(entries.size()), heights(entries.size());
    int tallest = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        spread[k] = entries[k].Px;
        heights[k] = canvas.TextHeight(ds.Highlights[entries[k].Index].Text);
        tallest = std::max(tallest, heights[k]);
    }
    // The label of column c covers c - h/2 ... c - h/2 + h. Columns closer to the frame start
    // at the last place inside it (the order stays), so that spreading makes room beside them.
    const int spreadLeft = m.Left + inset + tallest / 2;
    const int spreadRight = m.Right - inset - (tallest - tallest / 2);
    if (spreadLeft <= spreadRight)
        for (int& column : spread) column = std::clamp(column, spreadLeft, spreadRight);
    SpreadLabels(spread, heights, spreadLeft, spreadRight,
                 LabelSpreadPassLimit(entries.size(), spreadLeft, spreadRight));
    const int labelTop = m.Top + inset;

    for (size_t k = 0; k < entries.size(); ++k) {
        const THighlightPoint& h = ds.Highlights[entries[k].Index];
        canvas.SetPenColor(h.Color);
        const int x = entries[k].Px;
        if (h.Text.empty()) {
            canvas.MoveTo(x, m.Top);
            canvas.LineTo(x, m.Bottom);
            continue;
        }
        const int tw = canvas.TextWidth(h.Text);
        const int labelBottom = labelTop + tw;
        // The line runs from the end of its label down; a label longer than the area leaves
        // no line rather than one drawn upwards below the frame.
        canvas.MoveTo(x, std::min(labelBottom, m.Bottom));
        canvas.LineTo(x, m.Bottom);
        // Spreading moves labels only while there is room; a column closer to the frame than
        // half a label (or an area narrower than one) still keeps its label inside.
        const int labelLeft = std::max(
            m.Left + inset, std::min(spread[k] - heights[k] / 2, m.Right - inset - heights[k]));
        // On a box of the background colour: a label over a tall peak stays legible.
        canvas.TextOutVerticalOpaque(labelLeft, labelBottom, h.Text, kWhite);
    }
}

void DrawFitOverlay(Canvas& canvas, const TAxisMapping& m, const TFitOverlay& fit) {
    const double k = fit.WidthFactor;
    auto background = [&](double x) { return fit.BackgroundSlope * x + fit.BackgroundOffset; };
    auto profile = [&](double x) {
        const double u = (x - fit.Center) * k;
        return fit.ProfileKind == 1 ? fit.Amplitude / (1 + u * u)
                                    : fit.Amplitude * std::exp(-u * u);
    };
    const int columns = m.Right - m.Left + 1;
    std::vector<TPixelPoint> fitted(columns), bg(columns);
    for (int c = m.Left; c <= m.Right; ++c) {
        const double x = m.PixelToX(c);
        const double b = background(x);
        fitted[c - m.Left] = {c, m.YToPixel(b + profile(x))};
        bg[c - m.Left] = {c, m.YToPixel(b)};
    }
    canvas.SetPenColor(fit.FitColor);
    canvas.Polyline(fitted.data(), fitted.size());
    canvas.SetPenColor(fit.BackgroundColor);
    canvas.Polyline(bg.data(), bg.size());
    DrawVerticalLine(canvas, m, fit.Center, fit.CenterColor);

    // Half width at half maximum: 1/k for the Lorentz profile, sqrt(ln 2)/k for the Gauss one.
    double xa = 0.0, xb = 0.0;
    if (k != 0.0) {
        const double d = (fit.ProfileKind == 1 ? 1.0 : std::sqrt(std::log(2.0))) / k;
        xa = fit.Center - d;
        xb = fit.Center + d;
    }
    canvas.SetPenColor(fit.HalfWidthColor);
    canvas.MoveTo(m.XToPixel(xa), m.YToPixel(background(xa) + fit.Amplitude / 2));
    canvas.LineTo(m.XToPixel(xb), m.YToPixel(background(xb) + fit.Amplitude / 2));
}

void DrawChart(Canvas& canvas, int x0, int y0, int width, int height, const TPlotDataset& ds,
               const TFitOverlay* fit, TPlotArea& area) {
    const int S = canvas.FontSize();
    const bool secondary = !ds.SecondaryTitle.empty();
    const TChartMetrics metrics = MeasureChart(canvas, S, ds.Title);
    const int leftMargin = Round(1.5 * metrics.H) + metrics.W0;
    const TChartLayout layout =
        ComputeChartLayout(metrics, x0, y0, width, height, secondary ? leftMargin : metrics.W3);
    const double xMin = ds.ViewXMin, xMax = ds.ViewXMax;
    const size_t mainCount = ds.Points.size();
    const size_t secondaryCount =
        secondary ? std::min(ds.SecondaryPoints.size(), ds.Points.size()) : 0;
    const size_t overlayCount = fit ? 0 : ds.Overlays.size();

    // Data ranges inside the x window.
    TRange main, second;
    main.Take(ds.Points.data(), mainCount, xMin, xMax);
    if (ds.ScaleOnOverlays) {
        for (size_t i = 0; i < overlayCount; ++i) {
            const auto& o = ds.Overlays[i];
            main.Take(o.Points.data(), o.Points.size(), xMin, xMax);
        }
    }
    second.Take(ds.SecondaryPoints.data(), secondaryCount, xMin, xMax);
    bool logY = ds.LogY, logY2 = ds.LogSecondaryY;
    ToLogRange(main, logY, true);
    ToLogRange(second, logY2, false);
    main.Min = RoundLowerBound(main.Min);
    main.Max = RoundUpperBound(main.Max);
    second.Min = RoundLowerBound(second.Min);
    second.Max = RoundUpperBound(second.Max);
    AdjustRoundedRange(second.Min, second.Max);
    AdjustRoundedRange(main.Min, main.Max);

    area.Left = layout.Left;
    area.Right = layout.Right;
    area.Top = layout.Top;
    area.Bottom = layout.Bottom;
    area.XMin = xMin;
    area.XMax = xMax;
    area.YMin = main.Min;
    area.YMax = main.Max;
    area.LogY = logY;
    area.XDescending = ds.XDescending;
    if (!layout.HasArea()) {
        canvas.SetFontSize(S);
        return;  // nothing fits: no curves, no axes
    }

    const TLineMetrics lines = MeasureLines(canvas, 7);  // at S - 2
    const int t = lines.TickLength;
    canvas.SetPenWidth(lines.PenWidth);
    TAxisMapping m = MakeAxisMapping(layout, xMin, xMax, main.Min, main.Max, logY);
    TAxisMapping m2 = MakeAxisMapping(layout, xMin, xMax, second.Min, second.Max, logY2);
    m.XDescending = m2.XDescending = ds.XDescending;
    const bool xDrawable = std::isfinite(xMax - xMin) && xMax - xMin > 0;
    const bool mainDrawable = m.Drawable();
    const bool secondDrawable = secondary && m2.Drawable();

    if (mainDrawable) {
        for (size_t i = 0; i < overlayCount; ++i) {
            const auto& o = ds.Overlays[i];
            canvas.SetPenColor(o.Color);
            DrawCurve(canvas, m, o.Points.data(), o.Points.size());
        }
        canvas.SetPenColor(ds.MainColor);
        canvas.SetPenWidth(lines.PenWidth);
        DrawCurve(canvas, m, ds.Points.data(), mainCount);
        if (fit && (fit->ProfileKind == 1 || fit->ProfileKind == 2))
            DrawFitOverlay(canvas, m, *fit);
    }
    if (secondDrawable) {
        canvas.SetPenColor(ds.SecondaryColor);
        DrawCurve(canvas, m2, ds.SecondaryPoints.data(), secondaryCount);
    }
    if (xDrawable) {
        DrawMarkers(canvas, m, ds, width, S);
        if (fit) {
            DrawVerticalLine(canvas, m, fit->LeftBoundary, fit->BoundaryColor);
            DrawVerticalLine(canvas, m, fit->RightBoundary, fit->BoundaryColor);
        }
    }

    canvas.SetFontColor(kBlack);
    canvas.SetFontSize(S);
    DrawChartFrame(canvas, layout, ds.MainColor, secondary ? ds.SecondaryColor : kBlack);
    DrawXTitle(canvas, layout, x0, y0, width, height, S, ds.XTitle);
    DrawPlotTitle(canvas, x0, y0, width, S, ds.Title);

    const int rows = TickRows(layout.PH, metrics.H0);
    int labelWidth = 0, rightLabelWidth = 0;
    if (mainDrawable) {
        labelWidth = DrawValueAxisTicks(canvas, m, ValueAxisTicks(m.YMin, m.YMax, rows, logY), logY,
                                        TAxisSide::Left, t, S, ds.MainColor);
    }
    if (secondDrawable) {
        rightLabelWidth =
            DrawValueAxisTicks(canvas, m2, ValueAxisTicks(m2.YMin, m2.YMax, rows, logY2), logY2,
                               TAxisSide::Right, t, S, ds.SecondaryColor);
    }
    DrawYTitle(canvas, layout, TAxisSide::Left, t, labelWidth, S, ds.MainColor, ds.YTitle);
    if (secondary)
        DrawYTitle(canvas, layout, TAxisSide::Right, t, rightLabelWidth, S, ds.SecondaryColor,
                   ds.SecondaryTitle);
    canvas.SetFontColor(kBlack);

    if (xDrawable) {
        canvas.SetFontSize(S);
        DrawXAxisTicks(canvas, m, ScanAxisTicks(xMin, xMax, TickColumns(layout.PW, canvas)), t, S,
                       5);
    }
    canvas.SetFontSize(S);
}

}  // namespace

void DrawXrdPlot(Canvas& canvas, int originX, int originY, int width, int height,
                 const TPlotDataset& dataset, TPlotArea& area) {
    DrawChart(canvas, originX, originY, width, height, dataset, nullptr, area);
}

void DrawFitPlot(Canvas& canvas, int originX, int originY, int width, int height,
                 const TFitOverlay& fit, const TPlotDataset& dataset, TPlotArea& area) {
    DrawChart(canvas, originX, originY, width, height, dataset, &fit, area);
}

}  // namespace trevasc::plot
