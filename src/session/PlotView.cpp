#include "session/PlotView.h"

namespace trevasc {

PlotView::PlotView(ScanRegistry& registry, WorkbenchSettings& settings, Prompts& prompts)
    : registry_(registry),
      settings_(settings),
      prompts_(prompts),
      randomEngine_(std::random_device{}()),
      randomColor_(plot::MakeRandomColorSource(randomEngine_)) {}

bool PlotView::BuildPlotDataset(plot::TPlotDataset& dataset) {
    if (registry_.MainScan().Count() == 0) return false;
    plot::XrdPlotSettings display = settings_.Display();
    display.ViewXMin = viewXMin_;
    display.ViewXMax = viewXMax_;
    std::vector<plot::THighlightPoint> extra = markers_.Substrate;
    extra.insert(extra.end(), markers_.AdditionalReflections.begin(),
                 markers_.AdditionalReflections.end());
    extra.insert(extra.end(), markers_.Structure.begin(), markers_.Structure.end());
    if (!plot::RefreshXrdPlot(dataset, registry_, display, settings_.Colors(), extra, randomColor_))
        return false;
    fullXMin_ = dataset.FullXMin;
    fullXMax_ = dataset.FullXMax;
    if (dataset.ViewXMin != viewXMin_ || dataset.ViewXMax != viewXMax_) {
        viewXMin_ = dataset.ViewXMin;
        viewXMax_ = dataset.ViewXMax;
        observers_.Notify(
            [this](PlotViewObserver& o) { o.ViewRangeChanged(viewXMin_, viewXMax_); });
    }
    return true;
}

void PlotView::SetRange(double from, double to) {
    viewXMin_ = from;
    viewXMax_ = to;
    observers_.Notify([this](PlotViewObserver& o) { o.ViewRangeChanged(viewXMin_, viewXMax_); });
}

void PlotView::ApplyRange(double from, double to) {
    const plot::TViewRange range = plot::OrderedViewRange(from, to);
    SetRange(range.From, range.To);
}

void PlotView::ResetRange() {
    SetRange(fullXMin_, fullXMax_);
}

std::optional<tools::DisplayFitRange> PlotView::DisplayFitRange() {
    const TDataPointArray& points = registry_.MainScan().Points;
    double from = viewXMin_, to = viewXMax_;
    if (from == 0.0 && to == 0.0 && !points.empty()) {
        // No plot record yet: the whole scan is displayed.
        from = points.front().Position;
        to = points.back().Position;
    }
    tools::DisplayFitRange range = tools::MapDisplayRange(points, from, to);
    if (!range.Error.empty()) {
        prompts_.ShowError(range.Error);
        return std::nullopt;
    }
    return range;
}

void PlotView::ChangePlotTitle() {
    const std::optional<std::string> title = prompts_.InputQuery(
        "Change title of XRD plot", "Enter a title for the plotted data", registry_.PlotTitle);
    if (!title || *title == registry_.PlotTitle) return;
    registry_.PlotTitle = *title;
    if (registry_.MainScan().Count() > 0) Redraw();
}

void PlotView::SetPlotTitleSuffix(const std::string& suffix) {
    const size_t cut = registry_.PlotTitle.rfind(" (d=");
    if (cut != std::string::npos) registry_.PlotTitle.erase(cut);
    registry_.PlotTitle += suffix;
    Redraw();
}

void PlotView::Redraw() {
    observers_.Notify([](PlotViewObserver& o) { o.PlotRefresh(); });
}

void PlotView::ShowPlotWindow() {
    observers_.Notify([](PlotViewObserver& o) { o.PlotWindowUpdate(); });
}

void PlotView::RedrawTwoAxisMap() {
    observers_.Notify([](PlotViewObserver& o) { o.TwoAxisRefresh(); });
}

void PlotView::RedrawLegend() {
    observers_.Notify([](PlotViewObserver& o) { o.LegendRefresh(); });
}

}  // namespace trevasc
