#pragma once
// Fringe positions of a film by Kiessig's relation with refraction, for tests of the thickness
// calculation: sin²θ = sin²θc + (m lambda / 2t)² at the orders m = first, first + 1, ...
#include <cmath>
#include <numbers>
#include <vector>

namespace trevasc::test {

// 2Theta in degrees, rounded to the peak list's 3 decimals; lambda in Angstrom.
inline std::vector<double> KiessigFringes(double thicknessNm, double twoThetaCritical,
                                          double firstOrder, int count, double lambda = 1.54056) {
    constexpr double kDegree = std::numbers::pi / 180.0;
    const double sc = std::sin(twoThetaCritical / 2.0 * kDegree);
    std::vector<double> positions;
    for (int i = 0; i < count; ++i) {
        const double q = (firstOrder + i) * lambda / (2.0 * thicknessNm * 10.0);
        const double twoTheta = 2.0 * std::asin(std::sqrt(sc * sc + q * q)) / kDegree;
        positions.push_back(std::round(twoTheta * 1000.0) / 1000.0);
    }
    return positions;
}

}  // namespace trevasc::test
