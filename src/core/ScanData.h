#pragma once
// Scan, data point and peak records, and the registry of the open scans.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/HugePageAllocator.h"

namespace trevasc {

struct TDataPoint {
    double Position = 0.0;   // degrees of the scan axis
    int32_t Intensity = 0;   // counts
    double Slope = 0.0;      // counts per degree (processed points only)
    double Curvature = 0.0;  // counts per degree squared
};

// Large scans fill tens of megabytes with points: on huge pages where the system has them.
using TDataPointArray = std::vector<TDataPoint, HugePageAllocator<TDataPoint>>;

// A point as read. Only the processed points carry slope and curvature: the raw copy of an
// area map of 10,000 x 10,000 points takes 1.6 GB this way instead of 3.2 GB.
struct TRawPoint {
    double Position = 0.0;  // degrees of the scan axis
    int32_t Intensity = 0;  // counts
};
using TRawPointArray = std::vector<TRawPoint, HugePageAllocator<TRawPoint>>;

// Position and intensity of each point; slope and curvature 0.
TRawPointArray ToRawPoints(const TDataPointArray& points);
TDataPointArray ToDataPoints(const TRawPointArray& points);

struct TPeak {
    double Position = 0.0;
    double PointIndex = 0.0;  // fractional index into the processed points
    int32_t Intensity = 0;
    bool Checked = false;
    std::string Description;
};

struct TPeakSet {
    std::vector<TPeak> Items;  // always sorted by ascending Position
    bool Unsaved = false;

    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    void Clear() { Items.clear(); }
};

enum class TScanKind : int { TwoTheta = 0, Phi = 1, Omega = 2, Psi = 3, TwoThetaCommonOmega = 4 };

// Axis label of a kind: "TwoTheta" (also for TwoThetaCommonOmega), "Phi", "Omega", "Psi".
const char* AxisLabel(TScanKind kind);
// Name used by the batch tool and in messages: "TwoTheta", ..., "TwoThetaCommonOmega".
const char* ScanKindName(TScanKind kind);

class TDataSet {
  public:
    TRawPointArray RawPoints;
    TDataPointArray Points;
    std::string Name;
    double SecondAxisPosition = 0.0;
    std::string SecondAxisName;
    TPeakSet Peaks;

    // Number of points read (the processed points follow the raw ones).
    int32_t Count() const { return static_cast<int32_t>(RawPoints.size()); }

    // Replaces the raw points (their positions and intensities); the processed copy is reset to
    // the points as given.
    void SetRawPoints(TDataPointArray points);
    // Takes the points as read and releases the processed points instead of copying: for
    // readers, whose scans always go through the processing next, so that a million points are
    // neither converted nor held twice.
    void ReplaceRawPoints(TRawPointArray points);
    // Releases both point arrays.
    void ClearPoints();

    // The processed points' revision: the members above and RebuildProcessedCurve count it up,
    // and so must any other code that changes Points, with MarkPointsChanged. Derived values
    // (slope and curvature) are recomputed only when it has moved since they were computed.
    uint64_t PointsRevision() const { return pointsRevision_; }
    void MarkPointsChanged() { ++pointsRevision_; }
    // Records that Points holds the slope, and the curvature when `withCurvature`, for this
    // window at the current revision.
    void NoteSlopeWindow(int window, bool withCurvature) {
        slopeWindow_ = window;
        slopeRevision_ = pointsRevision_;
        curvatureKnown_ = withCurvature;
    }
    // True when Points holds the slope (and the curvature when `withCurvature`) for this window
    // and nothing changed since.
    bool HasSlopeFor(int window, bool withCurvature) const {
        return slopeWindow_ == window && slopeRevision_ == pointsRevision_ &&
               (curvatureKnown_ || !withCurvature);
    }

  private:
    uint64_t pointsRevision_ = 0;
    uint64_t slopeRevision_ = 0;
    int slopeWindow_ = 0;  // 0: no slope computed yet
    bool curvatureKnown_ = false;
};

// Fractional index of a position in the processed points (0 for scans of fewer than two points).
double PeakPointIndex(const TDataSet& scan, double position);
// Processed intensity at the rounded, clamped point index (0 for a scan without points).
int32_t PeakIntensity(const TDataSet& scan, double pointIndex);
// Inserts a peak at its sorted place (after equal positions) and marks the list unsaved.
// Returns the row at which it was inserted.
int AddPeak(TDataSet& scan, double position, const std::string& description, bool checked);
// Recomputes PointIndex and Intensity of every peak from the processed points.
void RefreshPeakIntensities(TDataSet& scan);

// The main window's set of open scans.
class ScanRegistry {
  public:
    ScanRegistry();

    TDataSet& MainScan() { return *mainScan_; }
    const TDataSet& MainScan() const { return *mainScan_; }
    int AdditionalCount() const { return static_cast<int>(additional_.size()); }
    TDataSet& Additional(int i) { return *additional_.at(i); }
    const TDataSet& Additional(int i) const { return *additional_.at(i); }

    // k = 0 is the main scan, k = 1..AdditionalCount the additional scans.
    TDataSet& ScanAt(int k);
    const TDataSet& ScanAt(int k) const;

    void ClearAdditionalScans();
    TDataSet& AppendAdditionalScan();
    // Drops the last additional scan (used to undo a scan that a failed read had just created).
    void RemoveLastAdditionalScan();
    // Makes additional scan k (1-based) the main scan; the old main scan becomes additional scan 1.
    void SelectMain(int k);

    TScanKind OpenScanKind = TScanKind::TwoTheta;
    std::string PlotTitle;
    std::string LoadedFileName;
    std::string LoadedFileFolder;

  private:
    std::unique_ptr<TDataSet> mainScan_;
    std::vector<std::unique_ptr<TDataSet>> additional_;
};

}  // namespace trevasc
