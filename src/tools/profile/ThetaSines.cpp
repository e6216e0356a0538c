#include "tools/profile/ThetaSines.h"

#include <cmath>

namespace trevasc::tools {

void ThetaSines(const double* twoTheta, size_t n, double radiansPerDegree, double q, double* sine,
                double* cosine, double* partnerCosine) {
    // Vectorised with glibc's libmvec (its sin is accurate to 4 ulp); the flags that allow it
    // apply to this file only, and the program is not linked with them.
#pragma omp simd
    for (size_t i = 0; i < n; ++i) {
        const double s = std::sin(twoTheta[i] * radiansPerDegree);
        sine[i] = s;
        cosine[i] = std::sqrt(std::fmax(1.0 - s * s, 0.0));
        partnerCosine[i] = std::sqrt(std::fmax(1.0 - q * q * s * s, 0.0));
    }
}

}  // namespace trevasc::tools
