#pragma once
// The sines and cosines of θ for many 2θ values at once, for the Kα2 stripping's walk. Its own
// file: it is compiled for the vector maths library (2 values per call), and nothing else is.
#include <cstddef>

namespace trevasc::tools {

// For i < n: sine[i] = sin θ, cosine[i] = cos θ = √(1 - sin²θ) and partnerCosine[i] =
// √(1 - q² sin²θ), with θ = radiansPerDegree · twoTheta[i] (radiansPerDegree =
// ThetaRadians(1)). The values are finite for finite input in 0..180°; accurate to a few units in
// the last place.
void ThetaSines(const double* twoTheta, size_t n, double radiansPerDegree, double q, double* sine,
                double* cosine, double* partnerCosine);

}  // namespace trevasc::tools
