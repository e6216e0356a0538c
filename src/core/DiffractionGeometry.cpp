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

}  // namespace trevasc
