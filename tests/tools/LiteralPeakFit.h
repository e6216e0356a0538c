#pragma once
// The grid-search fit written out step by step as documented: every triple summed over every
// point between the boundaries. The reference the fast search must match exactly (tests) and
// the baseline of its benchmark.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/ScanData.h"
#include "tools/fitting/PeakFit.h"

namespace trevasc::tools::test {

// The points first..last with their residuals r(i) = I(i) - (m x(i) + b) above the documented
// background line through the mean levels of the two boundary ranges.
struct DocumentedResiduals {
    std::vector<double> X, R;
    double LeftLevel = 0.0, RightLevel = 0.0, Imax = 0.0;
};

inline DocumentedResiduals Residuals(const TDataPointArray& pts, int first, int last, double xL,
                                     double xR) {
    auto x = [&](int i) { return pts[static_cast<size_t>(i)].Position; };
    auto y = [&](int i) { return static_cast<double>(pts[static_cast<size_t>(i)].Intensity); };
    DocumentedResiduals d;
    double sum = 0.0;
    int count = 0;
    for (int i = first; i <= last && (x(i) <= xL || count == 0); ++i, ++count) sum += y(i);
    d.LeftLevel = sum / count;
    sum = 0.0;
    count = 0;
    for (int i = last; i >= first && (x(i) >= xR || count == 0); --i, ++count) sum += y(i);
    d.RightLevel = sum / count;
    const double al = (xL + x(first)) / 2.0, ar = (xR + x(last)) / 2.0;
    const double m = (d.RightLevel - d.LeftLevel) / (ar - al);
    const double b = d.LeftLevel - al * m;
    for (int i = first; i <= last; ++i) {
        d.X.push_back(x(i));
        d.R.push_back(y(i) - (m * x(i) + b));
        d.Imax = std::max(d.Imax, y(i));
    }
    return d;
}

inline std::vector<FitTriple> LiteralGridSearch(const TDataPointArray& pts, int first, int last,
                                                FitProfile profile, double xL, double xR) {
    auto x = [&](int i) { return pts[static_cast<size_t>(i)].Position; };
    const DocumentedResiduals d = Residuals(pts, first, last, xL, xR);
    const std::vector<double>& r = d.R;
    const double bl = d.LeftLevel, br = d.RightLevel, imax = d.Imax;
    double amin = std::max((imax - (bl + br) / 2.0) / 3.0, 1.0), amax = std::max(2.0 * imax, 1.0);
    double kmin = 1.0 / (x(last) - x(first)), kmax = 10.0 / (x(first + 1) - x(first));
    double cmin = x(first), cmax = x(last);
    std::vector<FitTriple> passes;
    double previous = 1e301;
    for (;;) {
        const double fk = std::pow(kmax / kmin, 0.05), fa = std::pow(amax / amin, 0.05);
        const double dc = (cmax - cmin) / 20.0;
        FitTriple best{0, 0, 0, 1e300};
        int nk = 0;
        for (double k = kmin; k <= kmax && nk < kGridValues; k *= fk, ++nk) {
            int na = 0;
            for (double a = amin; a <= amax && na < kGridValues; a *= fa, ++na) {
                int nc = 0;
                for (double c = cmin; c <= cmax && nc < kGridValues; c += dc, ++nc) {
                    double s = 0.0;
                    for (int i = first; i <= last; ++i) {
                        if (x(i) < xL || x(i) > xR) continue;
                        const double d = ProfileValue(profile, a, c, k, x(i)) -
                                         r[static_cast<size_t>(i - first)];
                        s += d * d;
                    }
                    if (s < best.Sum) best = FitTriple{k, a, c, s};
                }
            }
        }
        passes.push_back(best);
        kmin = std::max(kmin, best.WidthFactor / (fk * fk));
        kmax = std::min(kmax, best.WidthFactor * fk * fk);
        amin = std::max(amin, best.Amplitude / (fa * fa));
        amax = std::min(amax, best.Amplitude * fa * fa);
        cmin = std::max(cmin, best.Center - 2.0 * dc);
        cmax = std::min(cmax, best.Center + 2.0 * dc);
        const double change = std::fabs(best.Sum - previous);
        if ((change < 1e-10 * previous || change == 0.0) && dc < 0.001) break;
        previous = best.Sum;
    }
    return passes;
}

// The points between the boundaries and their residuals.
inline DocumentedResiduals BetweenBoundaries(const DocumentedResiduals& all, double xL, double xR) {
    DocumentedResiduals d = all;
    d.X.clear();
    d.R.clear();
    for (size_t i = 0; i < all.X.size(); ++i)
        if (all.X[i] >= xL && all.X[i] <= xR) {
            d.X.push_back(all.X[i]);
            d.R.push_back(all.R[i]);
        }
    return d;
}

}  // namespace trevasc::tools::test
