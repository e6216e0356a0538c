#pragma once
// Removing the Kα2 component of a scan (Rachinger, J. Sci. Instrum. 25 (1948) 254): each point
// loses R times the already stripped intensity at the angle where the Kα2 line diffracts the
// same spacing.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/ScanData.h"
#include "core/XrayLines.h"

namespace trevasc::tools {

// Default "Kα2/Kα1 ratio" and its range.
inline constexpr double kDefaultKalpha2Ratio = 0.5;
inline constexpr double kMinKalpha2Ratio = 0.0;
inline constexpr double kMaxKalpha2Ratio = 1.0;

// The two wavelengths of a doublet, in Å.
struct KalphaDoublet {
    double Alpha1 = 0.0;
    double Alpha2 = 0.0;
};

// The doublet of a tube line, or why there is none (for the window's hint).
struct KalphaDoubletLookup {
    std::optional<KalphaDoublet> Doublet;
    std::string Reason;  // empty when Doublet is set
};

// The doublet of the selected line of the X-ray line table: the line must be a "... K-Alpha1"
// and the table must hold the "... K-Alpha2" of the same element. A damaged energy of either
// line throws XrayLineEnergyError like every other use of the table.
KalphaDoubletLookup FindKalphaDoublet(const XrayLineTable& table, const std::string& lineName);

// 2θ in degrees at which λ2 diffracts the spacing that λ1 diffracts at twoTheta:
// 2·asin((λ2/λ1)·sin(2θ/2)); NaN where the sine would exceed 1.
double DoubletPartnerAngle(double twoTheta, double ratioLambda2ToLambda1);

// The stripped intensities of points in ascending position: y1(x) = y(x) - R·y1(x'), x' =
// 2·asin((λ1/λ2)·sin(x/2)), y1(x') interpolated linearly between the stripped values around x'
// (0 below the first point, the previous point's value above it). No clamping: negative values
// stay. O(n): x' only moves forward. Positions that do not ascend give the input unchanged.
std::vector<double> StripKalpha2(std::span<const double> position,
                                 std::span<const double> intensity, const KalphaDoublet& doublet,
                                 double ratio);

// The stripped intensities as whole counts (nearest, held inside the 32-bit range) for the
// processed curve of the main scan, which keeps counts.
TRawPointArray StripKalpha2(const TRawPointArray& points, const KalphaDoublet& doublet,
                            double ratio);

// A stripped or fitted intensity as a whole count: nearest, held inside the 32-bit range (NaN: 0).
int32_t SaturatedCount(double value);

}  // namespace trevasc::tools
