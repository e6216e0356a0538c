#pragma once
// Fitting one peak with a Lorentz or Gauss profile on a straight background: the background from
// the two boundary ranges, the shrinking grid search over width factor, amplitude and centre,
// its Levenberg-Marquardt refinement, the range of "Fit actual display area" and the edges and
// centre interval of the automatic fits. No window: the fit window, the main window and the
// batch tool run the same code.
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "core/ScanData.h"
#include "plot/PlotTypes.h"

namespace trevasc::tools {

inline constexpr const char* kBackgroundTooLargeMessage =
    "The selected background area is too large and there are no peak data samples between left "
    "and right background!";
inline constexpr const char* kNotEnoughFileDataMessage =
    "Not enough data points in current file for peak fitting!";
inline constexpr const char* kNotEnoughZoomDataMessage =
    "Not enough data points at current zoom level for peak fitting. Please zoom out!";
inline constexpr const char* kOutsideBoundariesMessage =
    "The fit did not converge inside the background boundaries.";
inline constexpr const char* kIntervalEdgeMessage =
    "The fit ran onto the edge of this peak's interval; the peak keeps its position.";

// The values of TFitOverlay::ProfileKind.
enum class FitProfile : uint8_t { None = 0, Lorentz = 1, Gauss = 2 };

// exp(-uu) for uu = u^2 >= 0, bit for bit: beyond uu = 750 the exponential is below 1e-325, less
// than half the smallest subnormal double, so it rounds to 0 without calling the library's slow
// underflow path (most far tails of a narrow peak are there).
inline double GaussShape(double uu) {
    return uu > 750.0 ? 0.0 : std::exp(-uu);
}

// exp(-uu) for uu >= 0 within kApproxGaussError relative, without the library's call (beyond
// uu = 708 it is GaussShape). For the approximate sums of the grid search, whose bounds allow
// for the error; never for a reported number.
inline constexpr double kApproxGaussError = 8.0 * 2.220446049250313e-16;
extern const std::array<double, 64> kNegativeExp2;  // 2^(-m/64), m = 0..63, within 1 ulp

// exp(-uu) = 2^(-j/64) exp(-r) with j the integer nearest to uu 64 / ln 2 and
// r = uu - j ln2 / 64 in [-0.0055, 0.0055] (Cody and Waite's two-part ln 2 / 64: j ln2hi is exact
// for j < 2^21). exp(-r) is its Taylor polynomial to r^5 (remainder below r^6 / 720 < 0.2 eps);
// with the table's ulp, the polynomial's and the product's rounding the error stays below 4 eps.
// For 0 <= uu <= 708 only; branch-free, so that a loop of it runs two values at a time. The
// integer j is read from the bits of the rounding sum.
inline double ApproxGaussShapeInRange(double uu) {
    constexpr double kLn2Hi = 6.93147180369123816490e-01 / 64.0;  // 32 significant bits
    constexpr double kLn2Lo = 1.90821492927058770002e-10 / 64.0;
    constexpr double kRound = 0x1.8p52;  // adding and subtracting it rounds to an integer
    const double t = uu * (64.0 / std::numbers::ln2) + kRound;
    const double j = t - kRound;
    const double r = (uu - j * kLn2Hi) - j * kLn2Lo;
    const double p =
        1.0 - r * (1.0 - r * (1.0 / 2.0 - r * (1.0 / 6.0 - r * (1.0 / 24.0 - r * (1.0 / 120.0)))));
    const uint64_t ji = std::bit_cast<uint64_t>(t) - std::bit_cast<uint64_t>(kRound);
    // 2^-q, q = j / 64, exactly: a normal double for q <= 1022.
    const double scale = std::bit_cast<double>((uint64_t{1023} - (ji >> 6)) << 52);
    return kNegativeExp2[ji & 63] * p * scale;
}
inline double ApproxGaussShape(double uu) {
    return uu >= 0.0 && uu <= 708.0 ? ApproxGaussShapeInRange(uu) : GaussShape(uu);
}

// The profile above the background at x, with u = (x - c) * k: Lorentz A / (u^2 + 1), Gauss
// A * exp(-u^2). This exact expression is the one the grid search's sums are defined by.
inline double ProfileValue(FitProfile profile, double amplitude, double center, double widthFactor,
                           double x) {
    const double u = (x - center) * widthFactor;
    if (profile == FitProfile::Gauss) return amplitude * std::exp(-(u * u));
    return amplitude / (u * u + 1.0);
}

// Full width at half maximum: Lorentz 2 / k, Gauss 2 sqrt(ln 2) / k (0 for k <= 0).
double Fwhm(FitProfile profile, double widthFactor);

// The background line through the mean levels of the two boundary ranges.
struct FitBackground {
    double LeftLevel = 0.0;      // mean of the points from first upward while position <= xL
    double RightLevel = 0.0;     // mean of the points from last downward while position >= xR
    double LeftAbscissa = 0.0;   // (xL + x(first)) / 2
    double RightAbscissa = 0.0;  // (xR + x(last)) / 2
    double Slope = 0.0;
    double Offset = 0.0;
};

// One pass's best triple and its sum of squared residuals.
struct FitTriple {
    double WidthFactor = 0.0;
    double Amplitude = 0.0;
    double Center = 0.0;
    double Sum = 0.0;
};

// Reported after each width factor of a pass (PassFinished false) and after each pass (true,
// Best is then the pass's best triple). Returning false cancels the fit.
struct FitProgress {
    int Pass = 0;  // 1-based
    int WidthDone = 0;
    int WidthTotal = 0;
    bool PassFinished = false;
    FitTriple Best;
};
using FitProgressCallback = std::function<bool(const FitProgress&)>;

struct FitResult {
    bool Fitted = false;
    bool Cancelled = false;
    std::string Error;          // the message to show when the fit could not run
    plot::TFitOverlay Overlay;  // kind, parameters and boundaries (ProfileKind 0 unless Fitted)
    double Fwhm = 0.0;
    std::vector<FitTriple> Passes;  // every pass's best triple, in order
    double Sum = 0.0;               // sum of squared residuals of the reported parameters
    bool Refined = false;           // the refinement lowered the grid search's sum
};

// The interval the centre is confined to (both ends included), in degrees.
struct CentreInterval {
    double Low = 0.0;
    double High = 0.0;
};

// The sum of squared residuals of a profile over the points between the boundaries, term by term
// as the grid search sums it.
double ResidualSum(const std::vector<double>& x, const std::vector<double>& r, FitProfile profile,
                   double amplitude, double center, double widthFactor);

// Levenberg-Marquardt (MINPACK's lmder, analytic Jacobian) on the residuals A f(x) - r from the
// start triple. With an interval the centre stays inside it (c = mid + half sin t). The result's
// width factor is positive; Sum is its sum of squares. Fewer samples than three, a start that is
// not finite, or a result with an amplitude <= 0 (a dip) return the start with its sum.
FitTriple RefineLeastSquares(const std::vector<double>& x, const std::vector<double>& r,
                             FitProfile profile, const FitTriple& start,
                             const std::optional<CentreInterval>& centre = std::nullopt);

// Some of the points a sum of squares runs over, (X, R) in their order, and the sum of their
// r^2 (compensated): every documented term is >= 0, so the terms at these points alone bound
// the sum from below. The grid search's first filter.
struct StrongPoints {
    std::vector<double> X, R;
    double SumRR = 0.0;
};

// The `count` points of largest |r| (the earlier of equal ones) of (x, r).
StrongPoints PickStrongPoints(const std::vector<double>& x, const std::vector<double>& r,
                              size_t count);

// Lower bounds of the documented sums (ResidualSum) over n points, the strong ones among them,
// of the profile of width factor k and centre c with each of `amplitudes`, from the terms at the
// strong points alone, allowing for every rounding of the approximate profile values, of their
// sums and of the documented term-by-term sum: lows[j] for amplitudes[j] (-infinity where none
// can be given). Returns the smallest; `values` is room for the profile values.
double StrongPointLowerBounds(FitProfile profile, size_t n, const StrongPoints& strong, double k,
                              double c, const std::vector<double>& amplitudes,
                              std::vector<double>& values, double* lows);

// At most this many values per grid dimension (the documented factors give 21; a range that
// has collapsed to one value would otherwise loop for ever) and this many passes.
inline constexpr int kGridValues = 21;
inline constexpr int kMaxPasses = 1000;

// The grid values of one dimension, generated as the search steps through them: v = min,
// min * factor (or min + step), ... while v <= max, at most kGridValues, one value when the
// factor is <= 1 (the step <= 0).
std::vector<double> GeometricGrid(double min, double max, double factor);
std::vector<double> LinearGrid(double min, double max, double step);

// The fit of the points first..last (processed points of the main scan).
class PeakFit {
  public:
    // first and last are clamped to the points; an empty array gives an empty range.
    PeakFit(const TDataPointArray& points, int first, int last);

    int First() const { return first_; }
    int Last() const { return last_; }
    int Count() const { return count_; }

    // Large passes of the grid search run on two threads when the machine has a second core;
    // off, every pass runs on the calling thread. The result is the same bit for bit.
    void SetSideBySide(bool on) { sideBySide_ = on; }

    // True when xR - xL is not larger than the distance of the first two points of the range
    // (also for ranges of fewer than three points and for positions that do not ascend).
    bool BackgroundAreaTooLarge(double xL, double xR) const;
    FitBackground Background(double xL, double xR) const;

    // Runs the grid search, then refines its last triple by least squares on the same residuals
    // and keeps the refinement when its sum is lower and its width factor and amplitude lie in
    // the grid's starting ranges. The passes are the ones of the documented
    // search evaluated term by term (same passes, same best triples, same ties); the sums are
    // found per (k, c) in one pass over the points and only the near-best triples are summed
    // literally. With a centre interval (the automatic fits) the grid's centres and the
    // refinement stay inside it, and a centre that ends on its edge fails with
    // kIntervalEdgeMessage; a centre outside [xL, xR] fails with kOutsideBoundariesMessage.
    FitResult Run(FitProfile profile, double xL, double xR,
                  const FitProgressCallback& progress = {},
                  const std::optional<CentreInterval>& centre = std::nullopt) const;

  private:
    const TDataPointArray& points_;
    int first_ = 0, last_ = -1, count_ = 0;
    bool sideBySide_ = true;
};

// "Fit actual display area": the view limits mapped to point indices, or the message.
struct DisplayFitRange {
    double From = 0.0;  // the view limits that were mapped
    double To = 0.0;
    int First = 0;
    int Last = 0;
    std::string Error;  // empty: the range is usable
};
DisplayFitRange MapDisplayRange(const TDataPointArray& points, double viewMin, double viewMax);

// The fit window's chart record: the points first..last as main curve, titles "Counts",
// "TwoTheta" and "Peak Fit", zoomed to the full range of these points.
plot::TPlotDataset BuildFitPlotDataset(const TDataPointArray& points, int first, int last,
                                       bool logY);
// A fit overlay with the fit window's colours, the boundaries and no profile.
plot::TFitOverlay FitOverlayColors(plot::TFitOverlay overlay);

// The automatic fit's range around a peak.
struct AutoFitEdges {
    int Nearest = 0;  // k0
    int Left = 0;     // L
    int Right = 0;    // R
    int Margin = 0;   // w
    int First = 0;
    int Last = 0;
    double LeftBoundary = 0.0;   // x(L)
    double RightBoundary = 0.0;  // x(R)
};
// Edges for a peak at the (fractional) point index; points must not be empty.
AutoFitEdges FindAutoFitEdges(const TDataPointArray& points, double pointIndex);

// The automatic fit's centre interval for the peak at position: halfway to the nearest listed
// peak on either side (peaks at the same position are not neighbours); a side without a
// neighbour ends at that background boundary.
CentreInterval AutoFitCentreInterval(const std::vector<double>& peakPositions, double position,
                                     const AutoFitEdges& edges);

}  // namespace trevasc::tools
