#pragma once
// The unit the XRD plot shows scan positions in: 2Theta as measured, the lattice spacing d or
// the scattering vector Q. The session keeps positions in 2Theta; the plot converts its record
// for drawing and converts clicks back.
#include <string>

#include "core/ScanData.h"
#include "plot/PlotTypes.h"

namespace trevasc::plot {

enum class TScanAxis : int { TwoTheta = 0, Spacing = 1, ScatteringVector = 2 };

// Caption of the axis in the View menu and under the chart: "2θ [°]", "d [Å]", "Q [1/Å]".
const char* ScanAxisCaption(TScanAxis axis);

// Heading of the position column of an exported spectrum in that unit: "d" (A), "Q" (1/A); the
// scan's own heading for 2Theta is the exporter's.
const char* ScanAxisHeading(TScanAxis axis);

class ScanAxisMapping {
  public:
    // 2Theta itself.
    ScanAxisMapping() = default;
    // d and Q need a positive, finite wavelength (A); without one the mapping stays 2Theta.
    ScanAxisMapping(TScanAxis axis, double wavelength);

    TScanAxis Axis() const { return axis_; }
    double Wavelength() const { return wavelength_; }
    bool IsTwoTheta() const { return axis_ == TScanAxis::TwoTheta; }
    // d falls as 2Theta grows: its axis runs from large to small values left to right.
    bool Descending() const { return axis_ == TScanAxis::Spacing; }

    // The axis value of a position 2Theta (degrees); NaN where it has none (d at 2Theta = 0).
    double FromTwoTheta(double twoTheta) const;
    // 2Theta in degrees of an axis value; NaN where no reflection reaches it.
    double ToTwoTheta(double value) const;

  private:
    TScanAxis axis_ = TScanAxis::TwoTheta;
    double wavelength_ = 0.0;
};

// The axis the plot shows for the chosen one: d and Q only for 2Theta scans and with a positive
// wavelength, else 2Theta (the scan's own positions).
ScanAxisMapping PlotAxisMapping(TScanAxis chosen, TScanKind scanKind, double wavelength);

// A range [from, to] of 2Theta on the axis, lower end first. An end without an axis value
// (2Theta <= 0 on the d axis) is replaced by `fallbackLow` / `fallbackHigh` of the axis.
struct TAxisRange {
    double Min = 0.0;
    double Max = 0.0;
};
TAxisRange AxisRangeOfTwoTheta(double from, double to, const ScanAxisMapping& axis,
                               double fallbackLow, double fallbackHigh);

// Converts a plot record built in 2Theta to the axis: every curve point, marker and overlay
// point, the full and displayed ranges, the x title and the direction. Points without an axis
// value get NaN positions, which no chart draws. Nothing changes for 2Theta.
void ConvertPlotDataset(TPlotDataset& dataset, const ScanAxisMapping& axis);
// Only the displayed range of a record already converted (a zoom of the session in 2Theta).
void ConvertViewRange(TPlotDataset& dataset, double from, double to, const ScanAxisMapping& axis);

}  // namespace trevasc::plot
