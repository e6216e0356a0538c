#pragma once
// What the plot shows: the displayed range, the markers of every tab, the plot title, the plot
// record built from the open scans, and the redraws of the plot, plot window, two-axis map and
// legend.
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/Prompts.h"
#include "core/ScanData.h"
#include "plot/PlotTypes.h"
#include "plot/XrdPlotRefresh.h"
#include "session/ObserverList.h"
#include "session/WorkbenchSettings.h"
#include "tools/fitting/PeakFit.h"

namespace trevasc {

// Notifications of the plot view. Every method has an empty default. The hand-over after every
// change of the open scans fires PlotRefresh, PlotWindowUpdate, TwoAxisRefresh, LegendRefresh
// in this order (then the open scans' ScanMenuChanged).
class PlotViewObserver {
  public:
    virtual ~PlotViewObserver() = default;
    // The displayed range of the plot changed.
    virtual void ViewRangeChanged(double /*from*/, double /*to*/) {}
    virtual void PlotRefresh() {}       // rebuild the plot record (BuildPlotDataset) and repaint
    virtual void PlotWindowUpdate() {}  // show the plot window; the view is back to full range
    virtual void TwoAxisRefresh() {}
    virtual void LegendRefresh() {}
};

// The markers that the substrate, additional-reflection and structure tabs put into the plot.
struct MarkerSources {
    std::vector<plot::THighlightPoint> Substrate;
    std::vector<plot::THighlightPoint> AdditionalReflections;
    std::vector<plot::THighlightPoint> Structure;
};

class PlotView {
  public:
    // Reads the open scans and the display settings; appends the overlay colours that the
    // colour settings lack. The plot title is the registry's.
    PlotView(ScanRegistry& registry, WorkbenchSettings& settings, Prompts& prompts);

    void AddObserver(PlotViewObserver* observer) { observers_.Add(observer); }
    void RemoveObserver(PlotViewObserver* observer) { observers_.Remove(observer); }

    // Fills the XRD Plot window's record from the open scans, the settings, the colours and the
    // markers; false (record unchanged) without a main scan. Keeps the displayed range.
    bool BuildPlotDataset(plot::TPlotDataset& dataset);
    double ViewXMin() const { return viewXMin_; }
    double ViewXMax() const { return viewXMax_; }
    // Shows [from, to] (a zoom of the plot window).
    void SetRange(double from, double to);
    // "Apply" of the plot range fields: the ends in either order, equal ends one degree wide.
    void ApplyRange(double from, double to);
    // Back to the full range of the last plot record.
    void ResetRange();
    // The next plot record shows the full range (nobody is told: the record follows).
    void ForgetRange() { viewXMin_ = viewXMax_ = 0.0; }

    // The displayed range (the full range before the first plot) as a point range of the main
    // scan's processed points. Shows the message and returns nothing when it has too few points.
    std::optional<tools::DisplayFitRange> DisplayFitRange();

    MarkerSources& Markers() { return markers_; }
    // After a tab changed its markers: redraws the plot.
    void MarkersChanged() { Redraw(); }

    // "Change plot &title...": asks for the title; a changed title redraws the plot.
    void ChangePlotTitle();
    // Replaces the plot title from its last " (d=" on by the suffix and redraws the plot.
    void SetPlotTitleSuffix(const std::string& suffix);

    // The redraws, each telling the observers.
    void Redraw();            // PlotRefresh
    void ShowPlotWindow();    // PlotWindowUpdate
    void RedrawTwoAxisMap();  // TwoAxisRefresh
    void RedrawLegend();      // LegendRefresh

  private:
    ScanRegistry& registry_;
    WorkbenchSettings& settings_;
    Prompts& prompts_;
    ObserverList<PlotViewObserver> observers_;
    std::mt19937 randomEngine_;
    plot::TRandomColorSource randomColor_;
    MarkerSources markers_;
    double viewXMin_ = 0.0, viewXMax_ = 0.0;  // both 0: the full range at the next plot record
    double fullXMin_ = 0.0, fullXMax_ = 0.0;
};

}  // namespace trevasc
