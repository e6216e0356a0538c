#pragma once
// Axis ranges and tick lists of the plot engine.
#include <vector>

namespace trevasc::plot {

// Rounding of a range's lower bound: at least one step of its own decade p below for v > 0
// (3.7 -> 2, 1.5 -> 0), the next multiple of p below for v < 0 (-3.7 -> -4); 0 stays 0.
double RoundLowerBound(double v);
// Upper bound: the next multiple of p above, strictly, for v > 0 (3.7 -> 4, 3 -> 4); at least
// one step of p above for v < 0 (-3.7 -> -2); 0 stays 0.
double RoundUpperBound(double v);
// The two rules after the rounding: a positive lower bound below a tenth of the upper becomes
// 0; equal bounds get upper = lower + 1.
void AdjustRoundedRange(double& lower, double& upper);

// A step rounded up to the next multiple of its own decade, strictly: Int(step/q + 1) * q.
double RoundStepUp(double step);
// Step of a log axis (decades) from the table 1, 0.5, 0.25, 0.1, 0.05, 0.025, 0.01.
double LogAxisStep(double step);

// Ticks of a value axis (left, right or the y axis of the scatter plot) for rows = the wanted
// number of tick rows (at least 2): first tick the lower bound, last the upper bound, between
// them lower + i * step, plus a tick at 0 when the range straddles 0 off the step grid. On a
// log axis all values are decades. Empty when the range is empty or not finite.
std::vector<double> ValueAxisTicks(double lower, double upper, int rows, bool logAxis);

// A 1-2-5 step: the mantissa of `step` moved up to 2, 5 or 10 (a mantissa of exactly 1, 2 or 5
// moves up to the next value).
double NiceAxisStep(double step);

// Ticks of the scan axis of the XRD and fit charts for a wanted count n (at least 2): a 1-2-5
// step, the exact range ends as end ticks, inner ticks on the step grid, plus 0 when the range
// straddles 0 off the grid. Empty when the step is not positive.
std::vector<double> ScanAxisTicks(double viewMin, double viewMax, int n);

// Ticks of the x axis of the scatter plot: the step rounded up like a value-axis step, first
// tick xmin, last xmax, the others xmin + i * step.
std::vector<double> ScatterXTicks(double xmin, double xmax, int n);

// Ticks of the axes of the 2-D map for a wanted count n (at least 2): the multiples of a 1-2-5
// step that lie inside the range (0 among them when the range contains 0).
std::vector<double> MapAxisTicks(double lower, double upper, int n);

// Labels of the map's colour bar (decades): logMin, the steps of a log axis for `rows` wanted
// rows between it and logMax, logMax, plus 0 when the range straddles 0 off the step grid.
std::vector<double> MapBarTicks(double logMin, double logMax, int rows);

}  // namespace trevasc::plot
