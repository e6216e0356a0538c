#include "plot/AxisScaling.h"

#include <cmath>
#include <cstddef>

namespace trevasc::plot {

namespace {

// More ticks than this only come from degenerate input; the lists stay bounded anyway.
constexpr long double kMaxTicks = 100000;

// The decade of |v|, in extended precision so that exact powers of ten stay exact.
long double DecadeOf(long double v) {
    return std::pow(10.0L, std::floor(std::log10(std::fabs(v))));
}

bool IsWhole(double v) {
    return std::isfinite(v) && v == std::trunc(v);
}

}  // namespace

double RoundLowerBound(double v) {
    if (v == 0.0 || !std::isfinite(v)) return v;
    const long double p = DecadeOf(v);
    const long double x = v;
    if (v > 0) return static_cast<double>(std::trunc(x / p - 1) * p);
    return static_cast<double>(-std::trunc(-x / p + 1) * p);
}

double RoundUpperBound(double v) {
    if (v == 0.0 || !std::isfinite(v)) return v;
    const long double p = DecadeOf(v);
    const long double x = v;
    if (v > 0) return static_cast<double>(std::trunc(x / p + 1) * p);
    return static_cast<double>(-std::trunc(-x / p - 1) * p);
}

void AdjustRoundedRange(double& lower, double& upper) {
    if (lower > 0 && 10 * lower < upper) lower = 0;
    if (lower == upper) upper = lower + 1;
}

double RoundStepUp(double step) {
    if (!(step > 0) || !std::isfinite(step)) return step;
    const long double q = DecadeOf(step);
    return static_cast<double>(std::trunc(static_cast<long double>(step) / q + 1) * q);
}

double LogAxisStep(double step) {
    // The table compares the double step with constants of higher precision. The doubles
    // nearest to 0.1, 0.05, 0.025, 0.01 and 0.005 all lie above the exact values, so a step
    // equal to one of those doubles counts as "greater": written with >= on doubles, the rule
    // does not depend on the width of long double on the build platform.
    if (step > 0.5) return 1.0;
    if (step > 0.25) return 0.5;
    if (step >= 0.1) return 0.25;
    if (step >= 0.05) return 0.1;
    if (step >= 0.025) return 0.05;
    if (step >= 0.01) return 0.025;
    if (step >= 0.005) return 0.01;
    return step;
}

namespace {

// `count` ticks: the range ends first and last, base + i * step for the ones between.
std::vector<double> EvenTicks(double first, double last, double base, double step, size_t count) {
    std::vector<double> ticks(count);
    for (size_t i = 1; i + 1 < count; ++i) ticks[i] = base + static_cast<double>(i) * step;
    ticks[0] = first;
    ticks[count - 1] = last;
    return ticks;
}

// A range across zero shows a tick at 0 even where the step misses it.
void AddZeroTick(std::vector<double>& ticks, double lower, double upper, double step) {
    if (lower < 0 && upper > 0 && !IsWhole(-lower / step)) ticks.push_back(0.0);
}

}  // namespace

std::vector<double> ValueAxisTicks(double lower, double upper, int rows, bool logAxis) {
    std::vector<double> ticks;
    const double range = upper - lower;
    if (!(range > 0) || !std::isfinite(range)) return ticks;
    if (rows < 2) rows = 2;
    double step = RoundStepUp(range / (rows - 1));
    if (logAxis) step = LogAxisStep(step);
    if (!(step > 0) || !std::isfinite(step)) return ticks;
    long double count = std::trunc(static_cast<long double>(range) / step) + 1;
    // A step larger than the range would leave one tick; both range ends are always shown.
    if (count < 2) count = 2;
    if (count > kMaxTicks) return ticks;
    ticks = EvenTicks(lower, upper, lower, step, static_cast<size_t>(count));
    AddZeroTick(ticks, lower, upper, step);
    return ticks;
}

double NiceAxisStep(double step) {
    if (!(step > 0) || !std::isfinite(step)) return step;
    const double e = std::floor(std::log10(step));
    const double decade = std::pow(10.0, e);
    const double m = step / decade;
    double mantissa;
    if (m < 1) {
        mantissa = 1;
    } else if (m < 2) {
        mantissa = 2;
    } else if (m < 5) {
        mantissa = 5;
    } else {
        mantissa = 10;
    }
    return mantissa * decade;
}

std::vector<double> ScanAxisTicks(double viewMin, double viewMax, int n) {
    std::vector<double> ticks;
    if (n < 2) n = 2;
    const double range = viewMax - viewMin;
    const double step = NiceAxisStep(range / (n - 1));
    if (!(step > 0) || !std::isfinite(step)) return ticks;
    double count = std::nearbyint(range / step) + 1;
    if (count < 2) count = 2;
    if (!(count <= static_cast<double>(kMaxTicks))) return ticks;
    const double base = std::nearbyint(viewMin / step) * step;
    ticks = EvenTicks(viewMin, viewMax, base, step, static_cast<size_t>(count));
    AddZeroTick(ticks, viewMin, viewMax, step);
    return ticks;
}

std::vector<double> ScatterXTicks(double xmin, double xmax, int n) {
    std::vector<double> ticks;
    const double range = xmax - xmin;
    if (!(range > 0) || !std::isfinite(range)) return ticks;
    if (n < 2) n = 2;
    const double step = RoundStepUp(range / (n - 1));
    if (!(step > 0) || !std::isfinite(step)) return ticks;
    long double count = std::trunc(static_cast<long double>(range) / step) + 1;
    if (count < 2) count = 2;
    if (count > kMaxTicks) return ticks;
    return EvenTicks(xmin, xmax, xmin, step, static_cast<size_t>(count));
}

std::vector<double> MapAxisTicks(double lower, double upper, int n) {
    std::vector<double> ticks;
    if (n < 2) n = 2;
    const double step = NiceAxisStep((upper - lower) / (n - 1));
    if (!(step > 0) || !std::isfinite(step)) return ticks;
    // Whole multiples of the step: a tick at 0 comes out as exactly 0, never as 1E-17.
    const double first = std::nearbyint(lower / step), last = std::floor(upper / step);
    if (!std::isfinite(first) || !std::isfinite(last) || last - first > kMaxTicks) return ticks;
    for (double k = first; k <= last; ++k) {
        const double v = k * step;
        if (v >= lower && v <= upper) ticks.push_back(v);
    }
    return ticks;
}

std::vector<double> MapBarTicks(double logMin, double logMax, int rows) {
    std::vector<double> ticks{logMin};
    const double range = logMax - logMin;
    if (!(range > 0) || !std::isfinite(range)) return ticks;
    if (rows < 2) rows = 2;
    const double step = LogAxisStep(RoundStepUp(range / (rows - 1)));
    if (!(step > 0) || !std::isfinite(step) || range / step > kMaxTicks) return ticks;
    // The inner labels stop short of the top one rather than printing a second label on it.
    for (int i = 1;; ++i) {
        const double v = logMin + i * step;
        if (!(v < logMax - step * 1e-9)) break;
        ticks.push_back(v);
    }
    ticks.push_back(logMax);
    if (logMin < 0 && logMax > 0 && !IsWhole(-logMin / step)) ticks.push_back(0.0);
    return ticks;
}

}  // namespace trevasc::plot
