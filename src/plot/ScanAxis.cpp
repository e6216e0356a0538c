#include "plot/ScanAxis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/DiffractionGeometry.h"

namespace trevasc::plot {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

const char* ScanAxisCaption(TScanAxis axis) {
    switch (axis) {
        case TScanAxis::Spacing:
            return "d [Å]";
        case TScanAxis::ScatteringVector:
            return "Q [1/Å]";
        case TScanAxis::TwoTheta:
            break;
    }
    return "2θ [°]";
}

const char* ScanAxisHeading(TScanAxis axis) {
    return axis == TScanAxis::Spacing ? "d" : axis == TScanAxis::ScatteringVector ? "Q" : "";
}

ScanAxisMapping PlotAxisMapping(TScanAxis chosen, TScanKind scanKind, double wavelength) {
    if (scanKind != TScanKind::TwoTheta) return {};
    return ScanAxisMapping(chosen, wavelength);
}

ScanAxisMapping::ScanAxisMapping(TScanAxis axis, double wavelength) {
    if (axis != TScanAxis::TwoTheta && std::isfinite(wavelength) && wavelength > 0.0) {
        axis_ = axis;
        wavelength_ = wavelength;
    }
}

double ScanAxisMapping::FromTwoTheta(double twoTheta) const {
    switch (axis_) {
        case TScanAxis::Spacing: {
            // Only the first half turn of theta gives a spacing that reads as one.
            if (!(twoTheta > 0.0 && twoTheta < 180.0)) return kNaN;
            return BraggSpacing(twoTheta, wavelength_).value_or(kNaN);
        }
        case TScanAxis::ScatteringVector:
            return ScatteringVectorQ(twoTheta, wavelength_);
        case TScanAxis::TwoTheta:
            break;
    }
    return twoTheta;
}

double ScanAxisMapping::ToTwoTheta(double value) const {
    switch (axis_) {
        case TScanAxis::Spacing:
            return BraggTwoTheta(value, wavelength_).value_or(kNaN);
        case TScanAxis::ScatteringVector:
            return TwoThetaFromScatteringVector(value, wavelength_).value_or(kNaN);
        case TScanAxis::TwoTheta:
            break;
    }
    return value;
}

TAxisRange AxisRangeOfTwoTheta(double from, double to, const ScanAxisMapping& axis,
                               double fallbackLow, double fallbackHigh) {
    double a = axis.FromTwoTheta(std::min(from, to));
    double b = axis.FromTwoTheta(std::max(from, to));
    if (axis.Descending()) std::swap(a, b);
    return {std::isfinite(a) ? a : fallbackLow, std::isfinite(b) ? b : fallbackHigh};
}

namespace {

void ConvertPoints(std::vector<TPlotPoint>& points, const ScanAxisMapping& axis, double& low,
                   double& high) {
    for (TPlotPoint& p : points) {
        p.X = axis.FromTwoTheta(p.X);
        if (std::isfinite(p.X)) {
            low = std::min(low, p.X);
            high = std::max(high, p.X);
        }
    }
}

}  // namespace

void ConvertPlotDataset(TPlotDataset& dataset, const ScanAxisMapping& axis) {
    dataset.XDescending = axis.Descending();
    if (axis.IsTwoTheta()) return;
    // The extremes of the main curve stand in for range ends without an axis value.
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    ConvertPoints(dataset.Points, axis, low, high);
    double unused = 0.0, unusedHigh = 0.0;
    ConvertPoints(dataset.SecondaryPoints, axis, unused, unusedHigh);
    for (TAdditionalDataset& overlay : dataset.Overlays)
        ConvertPoints(overlay.Points, axis, unused, unusedHigh);
    for (THighlightPoint& marker : dataset.Highlights) marker.X = axis.FromTwoTheta(marker.X);
    if (!(low <= high)) low = high = 0.0;
    const TAxisRange full =
        AxisRangeOfTwoTheta(dataset.FullXMin, dataset.FullXMax, axis, low, high);
    const TAxisRange view =
        AxisRangeOfTwoTheta(dataset.ViewXMin, dataset.ViewXMax, axis, low, high);
    dataset.FullXMin = full.Min;
    dataset.FullXMax = full.Max;
    dataset.ViewXMin = view.Min;
    dataset.ViewXMax = view.Max;
    dataset.XTitle = ScanAxisCaption(axis.Axis());
}

void ConvertViewRange(TPlotDataset& dataset, double from, double to, const ScanAxisMapping& axis) {
    const TAxisRange view = AxisRangeOfTwoTheta(from, to, axis, dataset.FullXMin, dataset.FullXMax);
    dataset.ViewXMin = view.Min;
    dataset.ViewXMax = view.Max;
}

}  // namespace trevasc::plot
