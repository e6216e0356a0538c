#pragma once
// Derived curves of a scan: moving-average noise suppression, background removal, and the
// least-squares slope and curvature that the peak search works on.
#include <cstddef>

#include "core/ScanData.h"

namespace trevasc::analysis {

// The processing controls of the main window, read each time a curve is rebuilt.
struct ProcessingSettings {
    bool NoiseSuppression = false;  // "Noise suppression"
    int SmoothWidth = 5;            // "Average over # samples", 2..1000
    bool RemoveBackground = false;  // "Remove background"
    int BackgroundWidth = 40;       // "Average over # samples", 2..1000
    int SlopeCount = 15;            // "No. of samples for slope", 3..1000
};

inline constexpr int kMinSmoothWidth = 2;
inline constexpr int kMaxSmoothWidth = 1000;
inline constexpr int kMinBackgroundWidth = 2;
inline constexpr int kMaxBackgroundWidth = 1000;
inline constexpr int kMinSlopeCount = 3;
inline constexpr int kMaxSlopeCount = 1000;

// Scans of this many points and more are processed in two halves on two threads, with the
// same result to the last bit (tests force both ways through the parameters below).
inline constexpr size_t kParallelPointsFrom = size_t{1} << 16;

// Rebuilds the processed points of one scan from its raw points: smoothing, then background
// removal. Slope and curvature are kept, except that switching noise suppression off copies
// whole raw points (whose slope and curvature are zero). Peaks are not touched. `source`, when
// given, replaces the raw points as the curve to process (the Kα2-stripped points, same length).
void RebuildProcessedCurve(TDataSet& scan, const ProcessingSettings& settings,
                           size_t parallelFrom = kParallelPointsFrom,
                           const TRawPointArray* source = nullptr);

// RebuildProcessedCurve for the main scan, then for every additional scan in list order.
// The plot refresh that follows is the caller's.
void RebuildAllProcessedCurves(ScanRegistry& registry, const ProcessingSettings& settings);

// Fills Slope and Curvature of the processed points (window of slopeCount points; 0 at the
// edges, and everywhere when the scan has fewer points than the window). Does nothing when they
// were computed for the same window and the points have not changed since (PointsRevision).
void ComputeSlopeAndCurvature(TDataSet& scan, int slopeCount,
                              size_t parallelFrom = kParallelPointsFrom);
// Fills Slope alone, as ComputeSlopeAndCurvature does (the same numbers): what the plot and the
// search by steepest shoulders read. Curvature keeps whatever it held; only the search by
// curvature reads it, through ComputeSlopeAndCurvature.
void ComputeSlope(TDataSet& scan, int slopeCount, size_t parallelFrom = kParallelPointsFrom);

// Which value of the points a straight-line fit runs over.
enum class TFitValue { Intensity, Slope };

struct TLineFit {
    double Slope = 0.0;
    double Intercept = 0.0;
};

// Least-squares straight line of the chosen value over Position for points first..last
// (clamped to the array). All positions equal: slope 0 and the mean as intercept.
TLineFit LineFitSlope(const TDataPointArray& points, std::ptrdiff_t first, std::ptrdiff_t last,
                      TFitValue value);

}  // namespace trevasc::analysis
