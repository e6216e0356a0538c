#pragma once
// The geometry of diffraction, each relation once: the Bragg angle and its radians, lattice
// spacing <-> 2Theta, photon energy <-> wavelength, the Nelson-Riley abscissa and the scattering
// vector. Every calculation of the program calls these; none writes them out again.
#include <cmath>
#include <numbers>
#include <optional>

namespace trevasc {

// The program's constants. They give E * lambda = 12399.78285 eV*A; results must not change, so
// they stay as they are rather than following newer CODATA values.
inline constexpr double kHc = 1.986445212595144e-25;          // J*m
inline constexpr double kHcAngstrom = 1.986445212595144e-15;  // J*A
inline constexpr double kJoulePerEv = 1.602e-19;              // elementary charge, four digits
inline constexpr double kPi = std::numbers::pi;

// Runtime message for a conversion with a zero divisor.
inline constexpr const char* kZeroDivideMessage = "Gleitkommadivision durch Null";

// Wavelength in A of a photon energy in eV. Throws TrevascError(kZeroDivideMessage) for 0.
double EnergyToWavelength(double energyEv);
// Photon energy in eV of a wavelength in A. Throws TrevascError(kZeroDivideMessage) for 0.
double WavelengthToEnergy(double wavelength);
// Lattice-plane distance d in A of a peak at 2Theta (degrees); none at 2Theta = 0, where
// sin(theta) = 0.
std::optional<double> BraggSpacing(double twoTheta, double wavelength);
// Peak position 2Theta in degrees of a spacing d; none when d <= 0 or lambda / (2 d) > 1 (no
// reflection exists).
std::optional<double> BraggTwoTheta(double d, double wavelength);
// 2Theta of reflection order n of spacing d (A) for a photon energy in eV, from
// sin(theta) = n * hc / (2 * d[m] * E[J]); none when the arcsine is undefined or E or d is 0.
std::optional<double> BraggTwoThetaForEnergy(int order, double d, double energyEv);

// Theta in radians of a peak position 2Theta in degrees.
inline double ThetaRadians(double twoTheta) {
    return twoTheta / 2.0 * kPi / 180.0;
}
// 2Theta in degrees of sin(theta); NaN outside -1..1.
inline double TwoThetaFromSinTheta(double sinTheta) {
    return 2.0 * std::asin(sinTheta) * 180.0 / kPi;
}
// Nelson-Riley abscissa cos^2(theta)/sin(theta) + cos^2(theta)/theta of a peak at 2Theta
// (degrees), theta in radians (Nelson & Riley, Proc. Phys. Soc. 57 (1945) 160).
inline double NelsonRileyAbscissa(double twoTheta) {
    const double theta = ThetaRadians(twoTheta);
    const double c2 = std::cos(theta) * std::cos(theta);
    return c2 / std::sin(theta) + c2 / theta;
}
// Length of the scattering vector Q = 4 pi sin(theta) / lambda in 1/A of a peak at 2Theta.
inline double ScatteringVectorQ(double twoTheta, double wavelength) {
    return 4.0 * kPi * std::sin(ThetaRadians(twoTheta)) / wavelength;
}
// 2Theta in degrees of a scattering vector Q in 1/A; none where Q lambda / (4 pi) is outside
// 0..1 (no reflection reaches it).
std::optional<double> TwoThetaFromScatteringVector(double q, double wavelength);

// One point in reciprocal space, 1/A: k_parallel along the surface, k_perpendicular along its
// normal.
struct ReciprocalPoint {
    double KParallel = 0.0;
    double KPerpendicular = 0.0;
};
// The reciprocal-space point of a measurement at incidence angle Omega and Bragg angle Theta
// (both in degrees); k_parallel changes sign when `flipKParallel`. (0, 0) when the conversion
// fails (wavelength 0, non-finite results).
ReciprocalPoint ReciprocalCoordinates(double omegaDegrees, double thetaDegrees, double wavelength,
                                      bool flipKParallel);

}  // namespace trevasc
