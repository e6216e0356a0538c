#include "tools/profile/Kalpha2Stripping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/DiffractionGeometry.h"

namespace trevasc::tools {

namespace {

constexpr const char* kAlpha1Suffix = "K-Alpha1";
constexpr const char* kAlpha2Suffix = "K-Alpha2";

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

KalphaDoubletLookup FindKalphaDoublet(const XrayLineTable& table, const std::string& lineName) {
    KalphaDoubletLookup lookup;
    if (lineName.empty()) {
        lookup.Reason =
            "Kα2 stripping needs a Kα1 line of the X-ray tube list; a typed energy "
            "or wavelength has no Kα2 partner.";
        return lookup;
    }
    if (!EndsWith(lineName, kAlpha1Suffix)) {
        lookup.Reason = "Kα2 stripping needs a Kα1 line; \"" + lineName + "\" is none.";
        return lookup;
    }
    const std::string partner =
        lineName.substr(0, lineName.size() - std::string(kAlpha1Suffix).size()) + kAlpha2Suffix;
    const std::vector<std::string> names = table.Names();
    if (std::find(names.begin(), names.end(), lineName) == names.end()) {
        lookup.Reason = "The X-ray line \"" + lineName + "\" is not in the line list.";
        return lookup;
    }
    if (std::find(names.begin(), names.end(), partner) == names.end()) {
        lookup.Reason = "The X-ray line list has no \"" + partner + "\" for Kα2 stripping.";
        return lookup;
    }
    lookup.Doublet = KalphaDoublet{EnergyToWavelength(table.Energy(lineName)),
                                   EnergyToWavelength(table.Energy(partner))};
    return lookup;
}

double DoubletPartnerAngle(double twoTheta, double ratioLambda2ToLambda1) {
    return TwoThetaFromSinTheta(ratioLambda2ToLambda1 * std::sin(ThetaRadians(twoTheta)));
}

std::vector<double> StripKalpha2(std::span<const double> position,
                                 std::span<const double> intensity, const KalphaDoublet& doublet,
                                 double ratio) {
    const size_t n = std::min(position.size(), intensity.size());
    std::vector<double> stripped(intensity.begin(), intensity.begin() + static_cast<long>(n));
    if (!(doublet.Alpha1 > 0.0) || !(doublet.Alpha2 > doublet.Alpha1) || !(ratio != 0.0))
        return stripped;
    for (size_t i = 1; i < n; ++i)
        if (!(position[i] > position[i - 1])) return stripped;
    const double q = doublet.Alpha1 / doublet.Alpha2;  // < 1, so x' < x
    // j: the first point at or above x'. x' grows with x, so j only moves forward and the whole
    // pass costs O(n).
    size_t j = 0;
    for (size_t i = 0; i < n; ++i) {
        const double xp = DoubletPartnerAngle(position[i], q);
        double partner = 0.0;
        if (xp >= position[0]) {  // below the first point (or NaN): nothing to take away
            while (j < i && position[j] < xp) ++j;
            if (j >= i) {
                // Between the previous point and x itself: the previous point's value.
                partner = stripped[i - 1];
            } else if (position[j] == xp || j == 0) {
                partner = stripped[j];
            } else {
                const double x0 = position[j - 1], x1 = position[j];
                const double t = (xp - x0) / (x1 - x0);
                partner = stripped[j - 1] + t * (stripped[j] - stripped[j - 1]);
            }
        }
        stripped[i] = intensity[i] - ratio * partner;
    }
    return stripped;
}

TRawPointArray StripKalpha2(const TRawPointArray& points, const KalphaDoublet& doublet,
                            double ratio) {
    std::vector<double> x(points.size()), y(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        x[i] = points[i].Position;
        y[i] = points[i].Intensity;
    }
    const std::vector<double> stripped = StripKalpha2(x, y, doublet, ratio);
    TRawPointArray out(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        out[i] = TRawPoint{points[i].Position, SaturatedCount(stripped[i])};
    return out;
}

int32_t SaturatedCount(double value) {
    if (std::isnan(value)) return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::nearbyint(std::clamp(value, lo, hi)));
}

}  // namespace trevasc::tools
