#include <gtest/gtest.h>

#include <cmath>

#include "core/DiffractionGeometry.h"

namespace trevasc {
namespace {

// Hand-worked at 2Theta = 90°: theta = pi/4, sin = cos = 1/sqrt(2).
TEST(DiffractionGeometry, RelationsAtNinetyDegrees) {
    EXPECT_DOUBLE_EQ(ThetaRadians(90.0), 0.78539816339744831);
    EXPECT_DOUBLE_EQ(TwoThetaFromSinTheta(0.70710678118654752), 90.0);
    // cos^2/sin + cos^2/theta = 0.5 * sqrt(2) + 0.5 / (pi / 4) = 0.70710678 + 0.63661977.
    EXPECT_NEAR(NelsonRileyAbscissa(90.0), 1.3437265535, 1e-10);
    // At 180° cos^2(theta) = 0: the abscissa vanishes.
    EXPECT_NEAR(NelsonRileyAbscissa(180.0), 0.0, 1e-14);
    // Q = 4 pi sin(45°) / 1.5406 = 8.8857659 / 1.5406.
    EXPECT_NEAR(ScatteringVectorQ(90.0, 1.5406), 5.7677307, 1e-7);
    EXPECT_NEAR(*BraggSpacing(90.0, 1.5406), 1.0893687, 1e-7);
}

TEST(DiffractionGeometry, BraggAngleSpacingAndTheEnergyForm) {
    constexpr double kCuKAlpha1 = 1.540562;
    // Si (004), d = 5.43102 / 4 A, at 69.13°; Si (111), d = 3.13560 A, at 28.44°.
    EXPECT_NEAR(*BraggTwoTheta(1.35775, kCuKAlpha1), 69.13, 0.01);
    EXPECT_NEAR(*BraggSpacing(*BraggTwoTheta(1.35775, kCuKAlpha1), kCuKAlpha1), 1.35775, 1e-12);
    EXPECT_NEAR(*BraggTwoTheta(3.13560, kCuKAlpha1), 28.441, 0.001);
    // lambda / (2 d) > 1: no reflection; exactly 1 is backscattering at 180 degrees.
    EXPECT_FALSE(BraggTwoTheta(0.77, kCuKAlpha1));
    EXPECT_NEAR(*BraggTwoTheta(kCuKAlpha1 / 2, kCuKAlpha1), 180.0, 1e-9);
    EXPECT_FALSE(BraggTwoTheta(0.0, kCuKAlpha1));
    EXPECT_FALSE(BraggSpacing(0.0, kCuKAlpha1));
    // The SI form with orders and energies agrees with the wavelength form.
    const double e = WavelengthToEnergy(kCuKAlpha1);
    EXPECT_NEAR(*BraggTwoThetaForEnergy(4, 5.43102, e), *BraggTwoTheta(5.43102 / 4, kCuKAlpha1),
                1e-9);
    EXPECT_FALSE(BraggTwoThetaForEnergy(8, 5.43102, e));
    EXPECT_FALSE(BraggTwoThetaForEnergy(1, 5.43102, 0.0));
}

TEST(DiffractionGeometry, NoAngleBeyondTheSphere) {
    // Q lambda / (4 pi) > 1 has no reflection; a negative Q is no length.
    EXPECT_FALSE(TwoThetaFromScatteringVector(8.2, 1.5406).has_value());
    EXPECT_FALSE(TwoThetaFromScatteringVector(-1.0, 1.5406).has_value());
    // sin(theta) = 1/2 at Q = 2 pi / lambda.
    EXPECT_NEAR(*TwoThetaFromScatteringVector(2.0 * kPi / 1.5406, 1.5406), 60.0, 1e-12);
}

// lambda = 1.25 A, so |k| = 2 sin(theta) / lambda = 1.6 sin(theta), tilted by omega - theta.
//   omega = theta = 30: the symmetric reflection, k_par = 0, k_perp = 1.6 * 0.5 = 0.8.
//   omega = 60, theta = 30: k_par = 0.8 * sin 30 = 0.4, k_perp = 0.8 * cos 30 = 0.4 sqrt 3.
TEST(DiffractionGeometry, ReciprocalCoordinatesFlipAndFailedConversions) {
    const ReciprocalPoint symmetric = ReciprocalCoordinates(30.0, 30.0, 1.25, true);
    EXPECT_EQ(symmetric.KParallel, 0.0);
    EXPECT_FALSE(std::signbit(symmetric.KParallel));  // flipped, yet printed without a sign
    EXPECT_NEAR(symmetric.KPerpendicular, 0.8, 1e-15);
    const ReciprocalPoint tilted = ReciprocalCoordinates(60.0, 30.0, 1.25, false);
    EXPECT_NEAR(tilted.KParallel, 0.4, 1e-15);
    EXPECT_NEAR(tilted.KPerpendicular, 0.4 * std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(ReciprocalCoordinates(60.0, 30.0, 1.25, true).KParallel, -0.4, 1e-15);
    // No wavelength or no angle: the point lands at the origin rather than at infinity or NaN.
    for (const ReciprocalPoint& failed : {ReciprocalCoordinates(60.0, 30.0, 0.0, false),
                                          ReciprocalCoordinates(std::nan(""), 10.0, 1.5, false)}) {
        EXPECT_EQ(std::pair(failed.KParallel, failed.KPerpendicular), std::pair(0.0, 0.0));
    }
}

}  // namespace
}  // namespace trevasc
