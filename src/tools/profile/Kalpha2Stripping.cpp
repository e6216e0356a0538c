#include "tools/profile/Kalpha2Stripping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/HugePageAllocator.h"
#include "core/DiffractionGeometry.h"
#include "tools/profile/ThetaSines.h"

namespace trevasc::tools {

namespace {

constexpr const char* kAlpha1Suffix = "K-Alpha1";
constexpr const char* kAlpha2Suffix = "K-Alpha2";

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// An angle θ in radians is 360/π degrees of 2θ.
constexpr double kDegreesTwoThetaPerRadianTheta = 360.0 / kPi;

// asin(z): its Taylor series where |z| < 0.01 (the terms left out are below 1e-20 of it), which
// is the spacing of neighbouring points and far cheaper than the library call.
double AsinSmall(double z) {
    if (!(std::fabs(z) < 0.01)) return std::asin(z);
    const double z2 = z * z;
    return z *
           (1.0 + z2 * (1.0 / 6.0 + z2 * (3.0 / 40.0 + z2 * (5.0 / 112.0 + z2 * 35.0 / 1152.0))));
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
    // The walk compares sines: sin(x'/2) = q sin(x/2), and the sine grows with the angle up to
    // 2θ = 180°. The sines and cosines of every point and of its partner come first, in a loop
    // whose iterations do not wait for each other; the walk below then needs no library call.
    std::vector<double, HugePageAllocator<double>> sine(n), cosine(n), partnerCosine(n);
    ThetaSines(position.data(), n, ThetaRadians(1.0), q, sine.data(), cosine.data(),
               partnerCosine.data());
    // j: the first point at or above x'. x' grows with x, so j only moves forward and the whole
    // pass costs O(n).
    size_t j = 0;
    const double first = n > 0 ? sine[0] : 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double sp = q * sine[i];
        double partner = 0.0;
        if (sp >= first) {  // below the first point (or NaN): nothing to take away
            while (j < i && sine[j] < sp) ++j;
            if (j >= i) {
                // Between the previous point and x itself: the previous point's value.
                partner = stripped[i - 1];
            } else if (j == 0 || sine[j] == sp) {
                partner = stripped[j];
            } else {
                // x' - x(j-1) from sin(a - b) = sin a cos b - cos a sin b: free of the
                // cancellation of subtracting two nearby angles, and an arcsine of a small
                // argument only.
                const double offset =
                    AsinSmall(sp * cosine[j - 1] - sine[j - 1] * partnerCosine[i]);
                const double t =
                    offset * kDegreesTwoThetaPerRadianTheta / (position[j] - position[j - 1]);
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
