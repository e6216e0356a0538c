#include "core/ScanData.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace trevasc {

const char* AxisLabel(TScanKind kind) {
    switch (kind) {
        case TScanKind::Phi:
            return "Phi";
        case TScanKind::Omega:
            return "Omega";
        case TScanKind::Psi:
            return "Psi";
        case TScanKind::TwoTheta:
        case TScanKind::TwoThetaCommonOmega:
            break;
    }
    return "TwoTheta";
}

const char* ScanKindName(TScanKind kind) {
    return kind == TScanKind::TwoThetaCommonOmega ? "TwoThetaCommonOmega" : AxisLabel(kind);
}

TRawPointArray ToRawPoints(const TDataPointArray& points) {
    TRawPointArray raw(points.size());
    for (size_t i = 0; i < points.size(); ++i) raw[i] = {points[i].Position, points[i].Intensity};
    return raw;
}

TDataPointArray ToDataPoints(const TRawPointArray& points) {
    TDataPointArray out(points.size());
    // Zeroed padding too: equal points are then equal byte for byte, wherever the memory came
    // from.
    if (!out.empty())
        std::memset(static_cast<void*>(out.data()), 0, out.size() * sizeof(TDataPoint));
    for (size_t i = 0; i < points.size(); ++i) {
        out[i].Position = points[i].Position;
        out[i].Intensity = points[i].Intensity;
    }
    return out;
}

void TDataSet::SetRawPoints(TDataPointArray points) {
    RawPoints = ToRawPoints(points);
    Points = std::move(points);
    MarkPointsChanged();
}

void TDataSet::ReplaceRawPoints(TRawPointArray points) {
    RawPoints = std::move(points);
    Points = TDataPointArray();
    MarkPointsChanged();
}

void TDataSet::ClearPoints() {
    RawPoints.clear();
    RawPoints.shrink_to_fit();
    Points.clear();
    Points.shrink_to_fit();
    MarkPointsChanged();
}

double PeakPointIndex(const TDataSet& scan, double position) {
    const auto& pts = scan.Points;
    // Fewer than two points: there is no axis to map onto, so the peak sits at index 0.
    if (pts.size() < 2) return 0.0;
    const double span = pts.back().Position - pts.front().Position;
    if (span == 0.0) return 0.0;
    return (position - pts.front().Position) * static_cast<double>(pts.size() - 1) / span;
}

int32_t PeakIntensity(const TDataSet& scan, double pointIndex) {
    const auto& pts = scan.Points;
    if (pts.empty()) return 0;
    if (!std::isfinite(pointIndex))
        return pointIndex > 0 ? pts.back().Intensity : pts.front().Intensity;
    const double r = std::nearbyint(pointIndex);  // halves to even, as the FPU default
    if (r <= 0.0) return pts.front().Intensity;
    if (r >= static_cast<double>(pts.size() - 1)) return pts.back().Intensity;
    return pts[static_cast<size_t>(r)].Intensity;
}

int AddPeak(TDataSet& scan, double position, const std::string& description, bool checked) {
    TPeak peak;
    peak.Position = position;
    peak.PointIndex = PeakPointIndex(scan, position);
    peak.Intensity = PeakIntensity(scan, peak.PointIndex);
    peak.Checked = checked;
    peak.Description = description;
    auto& items = scan.Peaks.Items;
    // Stable: a new peak goes after every peak with an equal position.
    size_t row = items.size();
    while (row > 0 && items[row - 1].Position > position) --row;
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(row), std::move(peak));
    scan.Peaks.Unsaved = true;
    return static_cast<int>(row);
}

void RefreshPeakIntensities(TDataSet& scan) {
    for (auto& p : scan.Peaks.Items) {
        p.PointIndex = PeakPointIndex(scan, p.Position);
        p.Intensity = PeakIntensity(scan, p.PointIndex);
    }
}

ScanRegistry::ScanRegistry() : mainScan_(std::make_unique<TDataSet>()) {}

TDataSet& ScanRegistry::ScanAt(int k) {
    return k == 0 ? *mainScan_ : *additional_.at(static_cast<size_t>(k - 1));
}

const TDataSet& ScanRegistry::ScanAt(int k) const {
    return k == 0 ? *mainScan_ : *additional_.at(static_cast<size_t>(k - 1));
}

void ScanRegistry::ClearAdditionalScans() {
    while (!additional_.empty()) {
        additional_.back()->ClearPoints();
        additional_.pop_back();
    }
}

TDataSet& ScanRegistry::AppendAdditionalScan() {
    additional_.push_back(std::make_unique<TDataSet>());
    return *additional_.back();
}

void ScanRegistry::RemoveLastAdditionalScan() {
    if (!additional_.empty()) additional_.pop_back();
}

void ScanRegistry::SelectMain(int k) {
    if (k < 1 || k > AdditionalCount()) return;
    std::unique_ptr<TDataSet> selected = std::move(additional_[static_cast<size_t>(k - 1)]);
    additional_.erase(additional_.begin() + (k - 1));
    additional_.insert(additional_.begin(), std::move(mainScan_));
    mainScan_ = std::move(selected);
}

}  // namespace trevasc
