#include <gtest/gtest.h>

#include "core/DiffractionGeometry.h"

namespace trevasc {
namespace {

// Hand-worked at 2Theta = 90°: theta = pi/4, sin = cos = 1/sqrt(2).
TEST(DiffractionGeometry, RelationsAtNinetyDegrees) {
    EXPECT_DOUBLE_EQ(ThetaRadians(90.0), 0.78539816339744831);
    EXPECT_DOUBLE_EQ(TwoThetaFromSinTheta(0.70710678118654752), 90.0);
    // cos^2/sin + cos^2/theta = 0.5 * sqrt(2) + 0.5 / (pi / 4) = 0.70710678 + 0.63661977.
    EXPECT_NEAR(NelsonRileyAbscissa(90.0), 1.3437265535, 1e-10);
    // Q = 4 pi sin(45°) / 1.5406 = 8.8857659 / 1.5406.
    EXPECT_NEAR(ScatteringVectorQ(90.0, 1.5406), 5.7677307, 1e-7);
    EXPECT_NEAR(*TwoThetaFromScatteringVector(5.7677307, 1.5406), 90.0, 1e-5);
    EXPECT_NEAR(*BraggSpacing(90.0, 1.5406), 1.0893687, 1e-7);
}

TEST(DiffractionGeometry, NoAngleBeyondTheSphere) {
    // Q lambda / (4 pi) > 1 has no reflection; a negative Q is no length.
    EXPECT_FALSE(TwoThetaFromScatteringVector(8.2, 1.5406).has_value());
    EXPECT_FALSE(TwoThetaFromScatteringVector(-1.0, 1.5406).has_value());
    // sin(theta) = 1/2 at Q = 2 pi / lambda.
    EXPECT_NEAR(*TwoThetaFromScatteringVector(2.0 * kPi / 1.5406, 1.5406), 60.0, 1e-12);
}

}  // namespace
}  // namespace trevasc
