#pragma once
// The plot refresh: builds the XRD Plot window's dataset from the open scans.
#include <vector>

#include "core/ScanData.h"
#include "plot/ColorConfig.h"
#include "plot/PlotTypes.h"
#include "plot/ScanAxis.h"

namespace trevasc::plot {

// The main window's display settings the refresh reads.
struct XrdPlotSettings {
    bool LogScaling = true;               // "Logarithmic scaling"
    bool ShowSlope = false;               // "Show slope"
    bool ScaleOnAllGraphs = true;         // "Scale on all graphs"
    bool OffsetAdditionalGraphs = false;  // "Offset addit. graphs"
    bool SpanAllFiles = false;            // "Span over all opened files"
    bool ShowPeaksFromAllPlots = false;   // "Show peaks from all plots in graph"
    double ViewXMin = 0.0;                // zoom range; both 0: not zoomed
    double ViewXMax = 0.0;
    // The plot window's View menu: the unit of the x axis (2Theta scans only) and of the
    // spectrum export.
    TScanAxis XAxis = TScanAxis::TwoTheta;
};

// A displayed x range.
struct TViewRange {
    double From = 0.0;
    double To = 0.0;
};
// A range typed by the user: the two ends in either order; equal ends show one degree.
TViewRange OrderedViewRange(double from, double to);

// Marker lines of the peaks: the main scan's peaks (IsMainPeak, "Highlighted Peak" colour when
// checked, else "Peak"), then with ShowPeaksFromAllPlots the peaks of every additional scan in
// its overlay colour. `colors` must already hold a colour per additional scan.
std::vector<THighlightPoint> PeakMarkers(const ScanRegistry& registry, bool showPeaksFromAllPlots,
                                         const TColorConfig& colors);

// Fills `dataset` for the open scans and returns true; returns false and leaves it unchanged
// when the main scan has no points. Missing overlay colours are appended to `colors` from
// `random`. `extraMarkers` (substrate, additional-reflection and structure markers) follow the
// peak markers. Not zoomed (both view limits 0): the view is the full range.
bool RefreshXrdPlot(TPlotDataset& dataset, const ScanRegistry& registry,
                    const XrdPlotSettings& settings, TColorConfig& colors,
                    const std::vector<THighlightPoint>& extraMarkers,
                    const TRandomColorSource& random);

// Factor between neighbouring overlays for "Offset addit. graphs": 3 for fewer than 50
// additional scans, else (1E20)^(1/count), so that all of them stay within 20 decades.
double OverlayOffsetFactor(int additionalCount);

}  // namespace trevasc::plot
