#include "tools/maps/MapBuilder.h"

#include <algorithm>
#include <cmath>

#include "base/AsciiText.h"
#include "base/NumberText.h"

namespace trevasc::tools {

namespace {

constexpr double kDegree = kPi / 180.0;

// The second axis of a reciprocal map must be Omega, whatever the file's spelling.
bool IsOmegaAxis(const std::string& name) {
    return ToUpperAscii(Trim(name)) == "OMEGA";
}

// Centre of a coupled 2Theta-Omega scan: its second-axis position belongs to this 2Theta.
double ScanCentre(const TDataSet& scan) {
    if (scan.Points.empty()) return 0.0;
    return (scan.Points.front().Position + scan.Points.back().Position) / 2.0;
}

void AppendTwoAxisScan(const TDataSet& scan, int32_t scanIndex, plot::T2dPlotDataset& dataset) {
    for (const TDataPoint& p : scan.Points)
        dataset.Points.push_back(
            {p.Position, scan.SecondAxisPosition, static_cast<double>(p.Intensity), scanIndex});
}

void AppendReciprocalScan(const TDataSet& scan, int32_t scanIndex, TScanKind kind,
                          const MapRequest& request, plot::T2dPlotDataset& dataset) {
    const double centre = ScanCentre(scan);
    for (const TDataPoint& p : scan.Points) {
        // Coupled scans move Omega with 2Theta around the scan's centre; a common-Omega scan
        // keeps one Omega for all of its points.
        const double omegaDegrees =
            kind == TScanKind::TwoThetaCommonOmega
                ? scan.SecondAxisPosition + request.OmegaOffset
                : scan.SecondAxisPosition - centre / 2.0 + p.Position / 2.0 + request.OmegaOffset;
        const ReciprocalPoint k =
            ReciprocalCoordinates(omegaDegrees, (p.Position + request.TwoThetaOffset) / 2.0,
                                  request.Wavelength, request.FlipKParallel);
        dataset.Points.push_back(
            {k.KParallel, k.KPerpendicular, static_cast<double>(p.Intensity), scanIndex});
    }
}

}  // namespace

bool IsMapScanKind(TScanKind kind) {
    return kind == TScanKind::TwoTheta || kind == TScanKind::TwoThetaCommonOmega;
}

namespace {

// The map of BuildMapDataset; with `release`, the registry itself, whose scans give up their
// points once they are copied.
MapBuild BuildMap(const ScanRegistry& scans, const MapRequest& request, ScanRegistry* release) {
    MapBuild build;
    const TDataSet& main = scans.MainScan();
    if (main.Points.size() < 2) return build;
    if (!IsMapScanKind(scans.OpenScanKind)) {
        build.Message = kNotMapScanKindMessage;
        return build;
    }
    plot::T2dPlotDataset& dataset = build.Dataset;
    dataset.ZTitle = "Counts [a.u.]";
    // An area measurement holds millions of points: one allocation instead of a growing copy.
    size_t total = 0;
    for (int k = 0; k <= scans.AdditionalCount(); ++k) total += scans.ScanAt(k).Points.size();
    dataset.Points.reserve(total);

    if (request.Mode == MapMode::TwoAxis) {
        dataset.XTitle = "TwoTheta [°]";
        dataset.YTitle =
            main.SecondAxisName +
            (scans.OpenScanKind == TScanKind::TwoThetaCommonOmega ? " [°]" : " Center [°]");
        for (int k = 0; k <= scans.AdditionalCount(); ++k) {
            const TDataSet& scan = scans.ScanAt(k);
            if (!scan.SecondAxisName.empty()) AppendTwoAxisScan(scan, k, dataset);
            if (release) release->ScanAt(k).ClearPoints();
        }
        build.ClickOpensOffsets = true;
        build.Built = true;
        return build;
    }

    if (!IsOmegaAxis(main.SecondAxisName)) {
        build.Message = kNotOmegaSeriesMessage;
        return build;
    }
    build.ReciprocalReadout = true;
    dataset.XTitle = "k_parallel [1/Å]";
    dataset.YTitle = "k_perpendicular [1/Å]";
    dataset.Info = "Using Omega Offset=" + FormatFixed(request.OmegaOffset, 3) +
                   "° 2Theta Offset=" + FormatFixed(request.TwoThetaOffset, 3) + "°";
    for (int k = 0; k <= scans.AdditionalCount(); ++k) {
        const TDataSet& scan = scans.ScanAt(k);
        if (IsOmegaAxis(scan.SecondAxisName))
            AppendReciprocalScan(scan, k, scans.OpenScanKind, request, dataset);
        if (release) release->ScanAt(k).ClearPoints();
    }
    build.Built = true;
    return build;
}

}  // namespace

MapBuild BuildMapDataset(const ScanRegistry& scans, const MapRequest& request) {
    return BuildMap(scans, request, nullptr);
}

MapBuild TakeMapDataset(ScanRegistry& scans, const MapRequest& request) {
    return BuildMap(scans, request, &scans);
}

bool InsideMapArea(const plot::TPlotArea& area, int px, int py) {
    // An area without extent was never drawn into (or had no room): nothing to read there.
    if (area.Right <= area.Left || area.Bottom <= area.Top) return false;
    return px >= area.Left && px <= area.Right && py >= area.Top && py <= area.Bottom;
}

MapPoint MapPointAt(const plot::TPlotArea& area, int px, int py) {
    MapPoint p;
    p.X = area.XMin;
    p.Y = area.YMax;
    if (area.Right != area.Left)
        p.X = area.XMin + (area.XMax - area.XMin) * (px - area.Left) / (area.Right - area.Left);
    if (area.Bottom != area.Top)
        p.Y = area.YMax - (area.YMax - area.YMin) * (py - area.Top) / (area.Bottom - area.Top);
    return p;
}

std::string MapReadoutText(const plot::TPlotArea& area, int px, int py, bool reciprocal,
                           char decimalSeparator) {
    if (!InsideMapArea(area, px, py)) return {};
    const MapPoint p = MapPointAt(area, px, py);
    const char sep = decimalSeparator;
    std::string text = "X = " + FormatFixed(p.X, 5, sep) + "   Y = " + FormatFixed(p.Y, 5, sep);
    // The lattice spacings behind the point (1/k), and k in the units of 10000 reciprocal
    // lattice units (2 pi / 10000 Angstrom); nothing of either where a reciprocal is undefined.
    if (reciprocal && p.X != 0.0 && p.Y != 0.0) {
        text += "    (1/X = " + FormatFixed(1.0 / p.X, 5, sep) +
                "   1/Y = " + FormatFixed(1.0 / p.Y, 5, sep) + ")";
        text += "    (X = " + FormatFixed(p.X * 62831.853071795864, 1, sep) +
                "   Y = " + FormatFixed(p.Y * 2.0 * kPi * 10000.0, 5, sep) + " [10000 rlu])";
    }
    return text;
}

OffsetsDialogInput OffsetsForClick(const ScanRegistry& scans, double twoTheta, double secondAxis) {
    // The first scan of the smallest distance wins: the main scan, then additional scans only
    // when strictly nearer.
    const TDataSet* nearest = &scans.MainScan();
    double best = std::fabs(nearest->SecondAxisPosition - secondAxis);
    for (int i = 0; i < scans.AdditionalCount(); ++i) {
        const TDataSet& scan = scans.Additional(i);
        const double distance = std::fabs(scan.SecondAxisPosition - secondAxis);
        if (distance < best) {
            best = distance;
            nearest = &scan;
        }
    }
    OffsetsDialogInput input;
    input.TwoTheta = twoTheta;
    if (scans.OpenScanKind == TScanKind::TwoThetaCommonOmega) {
        // Omega stood still during the scan: the click is at the scan's own Omega, as the
        // reciprocal map places it; DeltaOmega is its distance from the symmetric position.
        input.Omega = nearest->SecondAxisPosition;
        input.DeltaOmega = input.Omega - twoTheta / 2.0;
        return input;
    }
    input.DeltaOmega = nearest->SecondAxisPosition - ScanCentre(*nearest) / 2.0;
    input.Omega = twoTheta / 2.0 + input.DeltaOmega;
    return input;
}

RsmOffsets ComputeRsmOffsets(const OffsetsDialogInput& input, double expectedTwoTheta,
                             double expectedOmega) {
    RsmOffsets offsets;
    offsets.TwoThetaOffset = expectedTwoTheta - input.TwoTheta;
    offsets.OmegaOffset = expectedOmega - input.Omega;
    return offsets;
}

RsmReflexResult CalculateExpectedAngles(const RsmReflexInput& input) {
    RsmReflexResult result;
    if (input.A == 0.0 || input.B == 0.0 || input.C == 0.0) {
        result.Message = kZeroLatticeMessage;
        return result;
    }
    // Reciprocal lattice vectors of an orthogonal cell; an index of 0 contributes exactly 0.
    const auto reciprocal = [&input](int h, int k, int l) {
        return Vector3{h == 0 ? 0.0 : h / input.A, k == 0 ? 0.0 : k / input.B,
                       l == 0 ? 0.0 : l / input.C};
    };
    const Vector3 reflex = reciprocal(input.H, input.K, input.L);
    const Vector3 orientation =
        reciprocal(input.OrientationH, input.OrientationK, input.OrientationL);
    if (reflex.IsZero() || orientation.IsZero()) {
        result.Message = kZeroHklMessage;
        return result;
    }
    // d = 1 / |r|; no Bragg angle when lambda / (2 d) is beyond 1.
    const std::optional<double> braggTwoTheta =
        BraggTwoTheta(1.0 / reflex.Length(), input.Wavelength);
    if (!braggTwoTheta) {
        result.Message = kInvalidFloatOperationMessage;
        return result;
    }
    const double twoTheta = *braggTwoTheta;
    double psi = orientation.AngleTo(reflex) / kDegree;
    if (input.RotatePhi) psi = -psi;
    result.ExpectedTwoTheta = twoTheta;
    result.ExpectedOmega = std::nearbyint(twoTheta / 2.0 * 100000.0 + psi * 100000.0) / 100000.0;
    result.Ok = std::isfinite(result.ExpectedOmega);
    if (!result.Ok) result.Message = kInvalidFloatOperationMessage;
    return result;
}

std::string MapAsText(const plot::T2dPlotDataset& dataset, char decimalSeparator) {
    std::string text =
        dataset.XTitle + "(x)\t" + dataset.YTitle + "(y)\t" + dataset.ZTitle + "(z)\r\n";
    text.reserve(text.size() + dataset.Points.size() * 40);
    for (const plot::T2dPlotPoint& p : dataset.Points) {
        text += FormatFixed(p.X, 5, decimalSeparator);
        text += '\t';
        text += FormatFixed(p.Y, 5, decimalSeparator);
        text += '\t';
        text += FormatFixed(p.Z, 5, decimalSeparator);
        text += "\r\n";
    }
    return text;
}

double Vector3::Dot(const Vector3& other) const {
    return X * other.X + Y * other.Y + Z * other.Z;
}

double Vector3::Length() const {
    return std::sqrt(X * X + Y * Y + Z * Z);
}

double Vector3::AngleTo(const Vector3& other) const {
    // Parallel vectors can give a cosine a rounding step beyond 1; arccos would be undefined.
    const double cosine = Dot(other) / (Length() * other.Length());
    return std::acos(std::clamp(cosine, -1.0, 1.0));
}

bool Vector3::IsZero() const {
    return std::fabs(X) < 1e-10 && std::fabs(Y) < 1e-10 && std::fabs(Z) < 1e-10;
}

}  // namespace trevasc::tools
