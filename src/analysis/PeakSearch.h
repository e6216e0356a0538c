#pragma once
// Peak search on the main scan: two detectors working on the slope and curvature of the processed
// points, candidate filtering, double-peak merging, the area-bisector refinement and the peaks
// kept outside the displayed range.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/Processing.h"
#include "core/ScanData.h"

namespace trevasc::analysis {

// The "Peak finder" controls (the slope window is ProcessingSettings::SlopeCount).
struct PeakSearchSettings {
    int32_t MinPeakHeight = 30;          // "Minimum peak height", 3..10000000
    int32_t MinPeakSlope = 40;           // "Minimum peak slope" (Method 1), 3..1000000000
    int32_t MinPeakCurvature = 40;       // "Minimum peak slope'" (Method 2), 3..1000000000
    bool UseAreaBisector = false;        // "Use area bisector"
    int BisectorPercentage = 30;         // "Percentage of peak height", 1..99
    double MinDoublePeakDistance = 0.1;  // "Min. double peak dist. [°]", 0..180
    bool RangeOnly = false;              // "In current 2Theta plot range only"
};

// Limits of the "Peak finder" controls (and of the batch tool's options).
inline constexpr int32_t kMinPeakHeightLimit = 3, kMaxPeakHeightLimit = 10000000;
inline constexpr int32_t kMinPeakSlopeLimit = 3, kMaxPeakSlopeLimit = 1000000000;
inline constexpr int kMinBisectorPercentage = 1, kMaxBisectorPercentage = 99;
inline constexpr double kMaxDoublePeakDistance = 180.0;

enum class TPeakMethod {
    Slope = 1,      // "Find peaks (Method 1)": steepest rising and falling shoulder
    Curvature = 2,  // "Find peaks (Method 2)": slope zero crossing with strong curvature
};

// Neighbouring bisected peaks closer than this (degrees) are thinned out.
inline constexpr double kBisectorMinSeparation = 0.03;

// Method 1 detector on points first..last: the midpoint between the steepest rising point and the
// steepest falling point after it, or -1.
std::ptrdiff_t FindNextPeakBySlope(std::ptrdiff_t first, std::ptrdiff_t last,
                                   const TDataPointArray& points, double minSlope);
// Method 2 detector on points first..last: the first slope sign change (or zero slope) whose
// curvature is at most -minCurvature, or -1.
std::ptrdiff_t FindNextPeakByCurvature(std::ptrdiff_t first, std::ptrdiff_t last,
                                       const TDataPointArray& points, double minCurvature);

// Walks candidates sorted by position and replaces each pair closer than minDistance by one peak
// at the mean position, mean index and integer mean intensity.
std::vector<TPeak> MergeDoublePeaks(std::span<const TPeak> sorted, double minDistance);

// Moves every peak of the scan to the point that halves the area above percentage % of its
// height (on the curve upsampled 100 times), then thins out peaks closer than 0.03°.
void ApplyAreaBisector(TDataSet& scan, int percentage);

// The search on the scan's current slope and curvature: replaces the peak list (keeping, in
// range-only mode, the old peaks outside [rangeFrom, rangeTo]) and marks it unsaved.
// rangeFrom/rangeTo are the plot's displayed range; they are read only in range-only mode.
// Scans of parallelFrom points and more are searched on two threads, with the same result.
void FindPeaks(TDataSet& scan, TPeakMethod method, const PeakSearchSettings& settings,
               double rangeFrom = 0.0, double rangeTo = 0.0,
               size_t parallelFrom = kParallelPointsFrom);

// What each "Find peaks" button runs on the main scan: ComputeSlope (ComputeSlopeAndCurvature
// for the search by curvature), then FindPeaks.
// Does nothing and returns false when the scan has no points.
bool RunPeakSearch(TDataSet& mainScan, TPeakMethod method, const PeakSearchSettings& settings,
                   int slopeCount, double rangeFrom = 0.0, double rangeTo = 0.0);

}  // namespace trevasc::analysis
