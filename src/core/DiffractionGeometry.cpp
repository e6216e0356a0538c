#include "core/DiffractionGeometry.h"

#include "base/Error.h"

namespace trevasc {

double EnergyToWavelength(double energyEv) {
    const double joules = energyEv * kJoulePerEv;
    if (joules == 0.0) throw TrevascError(kZeroDivideMessage);
    return kHcAngstrom / joules;
}

double WavelengthToEnergy(double wavelength) {
    // The wavelength is turned into metres first, as in the SI form of the relation.
    const double metres = wavelength / 1e10;
    if (metres == 0.0) throw TrevascError(kZeroDivideMessage);
    return kHc / metres / kJoulePerEv;
}

std::optional<double> BraggSpacing(double twoTheta, double wavelength) {
    // Bragg's law, lambda = 2 d sin(theta).
    const double s = std::sin(ThetaRadians(twoTheta));
    if (s == 0.0 || !std::isfinite(s)) return std::nullopt;
    return wavelength / (2.0 * s);
}

std::optional<double> BraggTwoTheta(double d, double wavelength) {
    if (!(d > 0.0)) return std::nullopt;
    const double s = wavelength / (2.0 * d);
    if (!(s >= -1.0 && s <= 1.0)) return std::nullopt;
    return TwoThetaFromSinTheta(s);
}

std::optional<double> BraggTwoThetaForEnergy(int order, double d, double energyEv) {
    const double denominator = 2.0 * (d * 1e-10) * (energyEv * kJoulePerEv);
    if (denominator == 0.0) return std::nullopt;
    const double s = order * kHc / denominator;
    if (!(s >= -1.0 && s <= 1.0)) return std::nullopt;
    return TwoThetaFromSinTheta(s);
}

std::optional<double> TwoThetaFromScatteringVector(double q, double wavelength) {
    const double s = q * wavelength / (4.0 * kPi);
    if (!(s >= 0.0 && s <= 1.0)) return std::nullopt;
    return TwoThetaFromSinTheta(s);
}

ReciprocalPoint ReciprocalCoordinates(double omegaDegrees, double thetaDegrees, double wavelength,
                                      bool flipKParallel) {
    // Scattering vector of the symmetric and asymmetric reflections in the diffraction plane
    // (e.g. Pietsch, Holy & Baumbach, High-Resolution X-Ray Scattering, ch. 4): |q| = 2 sin(theta)
    // / lambda, tilted by omega - theta from the surface normal.
    constexpr double kDegree = kPi / 180.0;
    const double omega = omegaDegrees * kDegree;
    const double theta = thetaDegrees * kDegree;
    const double length = 2.0 / wavelength;
    ReciprocalPoint k;
    k.KPerpendicular = length * std::sin(theta) * std::cos(omega - theta);
    k.KParallel = length * std::sin(theta) * std::sin(omega - theta);
    // 0 - x rather than -x: a point on the axis stays +0 and prints without a sign.
    if (flipKParallel) k.KParallel = 0.0 - k.KParallel;
    if (wavelength == 0.0 || !std::isfinite(k.KParallel) || !std::isfinite(k.KPerpendicular))
        return {};
    return k;
}

}  // namespace trevasc
