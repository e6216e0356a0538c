#include "plot/XrdPlotRefresh.h"

#include <algorithm>
#include <cmath>

namespace trevasc::plot {

TViewRange OrderedViewRange(double from, double to) {
    if (to > from) return {from, to};
    if (to < from) return {to, from};
    return {from, from + 1.0};
}

namespace {

// Points of a scan that can be read: the processed array never read beyond Count.
size_t PointCount(const TDataSet& scan) {
    return scan.Count() <= 0 ? 0 : std::min(scan.Points.size(), static_cast<size_t>(scan.Count()));
}

}  // namespace

double OverlayOffsetFactor(int additionalCount) {
    if (additionalCount < 50) return 3.0;
    return std::pow(1e20, 1.0 / additionalCount);
}

std::vector<THighlightPoint> PeakMarkers(const ScanRegistry& registry, bool showPeaksFromAllPlots,
                                         const TColorConfig& colors) {
    std::vector<THighlightPoint> markers;
    for (const TPeak& p : registry.MainScan().Peaks.Items)
        markers.push_back(
            {p.Position, p.Checked ? colors.HiLitPeak : colors.Peak, p.Description, true});
    if (showPeaksFromAllPlots) {
        for (int i = 0; i < registry.AdditionalCount(); ++i) {
            const TColor color = AdditionalColorOf(colors, i, kDefaultAdditionalColor);
            for (const TPeak& p : registry.Additional(i).Peaks.Items)
                markers.push_back({p.Position, color, p.Description, false});
        }
    }
    return markers;
}

bool RefreshXrdPlot(TPlotDataset& ds, const ScanRegistry& registry, const XrdPlotSettings& s,
                    TColorConfig& colors, const std::vector<THighlightPoint>& extraMarkers,
                    const TRandomColorSource& random) {
    const TDataSet& main = registry.MainScan();
    const size_t n = PointCount(main);
    if (n == 0) return false;
    const int additional = registry.AdditionalCount();
    EnsureAdditionalColors(colors, additional, random);

    ds.Points.resize(n);
    ds.SecondaryPoints.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const TDataPoint& p = main.Points[i];
        // The y axis may be logarithmic: counts <= 0 are handed as 1.
        ds.Points[i] = {p.Position, p.Intensity <= 0 ? 1.0 : static_cast<double>(p.Intensity)};
        ds.SecondaryPoints[i] = {p.Position, p.Slope};
    }
    ds.YTitle = "Counts";
    ds.SecondaryTitle = s.ShowSlope ? "Slope" : "";
    ds.XTitle = AxisLabel(registry.OpenScanKind);
    ds.MainColor = colors.MainPlot;
    ds.SecondaryColor = colors.SlopePlot;
    ds.LogY = s.LogScaling;
    ds.LogSecondaryY = false;
    ds.ScaleOnOverlays = s.ScaleOnAllGraphs;
    ds.Title = registry.PlotTitle;

    // The full range runs over the scan's positions; a scan written from high to low angles
    // still gives FullXMin < FullXMax.
    const double first = main.Points.front().Position, last = main.Points[n - 1].Position;
    ds.FullXMin = std::min(first, last);
    ds.FullXMax = std::max(first, last);

    const double factor = OverlayOffsetFactor(additional);
    ds.Overlays.assign(static_cast<size_t>(additional), {});
    for (int i = 0; i < additional; ++i) {
        const TDataSet& scan = registry.Additional(i);
        const size_t m = PointCount(scan);
        TAdditionalDataset& o = ds.Overlays[static_cast<size_t>(i)];
        o.Points.resize(m);
        o.Color = colors.AdditionalColors[static_cast<size_t>(i)];
        const double scale = s.OffsetAdditionalGraphs ? std::pow(factor, i + 1) : 1.0;
        for (size_t j = 0; j < m; ++j) {
            const TDataPoint& p = scan.Points[j];
            const double y = p.Intensity < 1 ? 1.0 : static_cast<double>(p.Intensity);
            o.Points[j] = {p.Position, y * scale};
        }
        if (s.SpanAllFiles && m >= 2) {
            const double a = scan.Points.front().Position, b = scan.Points[m - 1].Position;
            ds.FullXMin = std::min({ds.FullXMin, a, b});
            ds.FullXMax = std::max({ds.FullXMax, a, b});
        }
    }

    if (s.ViewXMin == 0.0 && s.ViewXMax == 0.0) {
        ds.ViewXMin = ds.FullXMin;
        ds.ViewXMax = ds.FullXMax;
    } else {
        ds.ViewXMin = s.ViewXMin;
        ds.ViewXMax = s.ViewXMax;
    }

    ds.Highlights = PeakMarkers(registry, s.ShowPeaksFromAllPlots, colors);
    ds.Highlights.insert(ds.Highlights.end(), extraMarkers.begin(), extraMarkers.end());
    return true;
}

}  // namespace trevasc::plot
