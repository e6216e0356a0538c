#pragma once
// The grid-search fit written out step by step as documented: every triple summed over every
// point between the boundaries. The reference the fast search must match exactly (tests) and
// the baseline of its benchmark. And a least-squares fit of the same residuals that shares no
// code with the refinement: Gauss-Newton with a central-difference Jacobian and step halving.
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

// Minimises sum (A f((x - c) k) - r)^2 over (c, k, A) from the start by Gauss-Newton: the
// Jacobian from central differences, the 3 x 3 normal equations solved by Cramer's rule, the
// step halved until the sum does not grow. Stops when a step changes no parameter by more than
// 1e-13 of its size.
inline FitTriple GaussNewtonFit(const std::vector<double>& x, const std::vector<double>& r,
                                FitProfile profile, FitTriple start) {
    auto sumOf = [&](const double* p) {
        double s = 0.0;
        for (size_t i = 0; i < x.size(); ++i) {
            const double u = (x[i] - p[0]) * p[1];
            const double f = profile == FitProfile::Gauss ? std::exp(-u * u) : 1.0 / (1.0 + u * u);
            s += (p[2] * f - r[i]) * (p[2] * f - r[i]);
        }
        return s;
    };
    auto model = [&](const double* p, double xi) {
        const double u = (xi - p[0]) * p[1];
        return p[2] * (profile == FitProfile::Gauss ? std::exp(-u * u) : 1.0 / (1.0 + u * u));
    };
    double p[3] = {start.Center, start.WidthFactor, start.Amplitude};
    double sum = sumOf(p);
    for (int iteration = 0; iteration < 500; ++iteration) {
        double jtj[3][3] = {}, jtf[3] = {};
        for (size_t i = 0; i < x.size(); ++i) {
            double row[3];
            for (int j = 0; j < 3; ++j) {
                const double h = 1e-6 * std::max(std::fabs(p[j]), 1e-3);
                double plus[3] = {p[0], p[1], p[2]}, minus[3] = {p[0], p[1], p[2]};
                plus[j] += h;
                minus[j] -= h;
                row[j] = (model(plus, x[i]) - model(minus, x[i])) / (2.0 * h);
            }
            const double f = model(p, x[i]) - r[i];
            for (int a = 0; a < 3; ++a) {
                jtf[a] += row[a] * f;
                for (int b = 0; b < 3; ++b) jtj[a][b] += row[a] * row[b];
            }
        }
        auto det = [](const double m[3][3]) {
            return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                   m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                   m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        };
        const double d = det(jtj);
        if (d == 0.0) break;
        double step[3];
        for (int j = 0; j < 3; ++j) {
            double m[3][3];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) m[a][b] = b == j ? -jtf[a] : jtj[a][b];
            step[j] = det(m) / d;
        }
        double scale = 1.0, trial[3], trialSum = 0.0;
        for (int halving = 0; halving < 60; ++halving, scale /= 2.0) {
            for (int j = 0; j < 3; ++j) trial[j] = p[j] + scale * step[j];
            trialSum = sumOf(trial);
            if (trialSum <= sum) break;
        }
        if (!(trialSum <= sum)) break;
        bool small = true;
        for (int j = 0; j < 3; ++j) {
            small = small && std::fabs(trial[j] - p[j]) <= 1e-13 * std::fabs(p[j]);
            p[j] = trial[j];
        }
        sum = trialSum;
        if (small) break;
    }
    return FitTriple{std::fabs(p[1]), p[2], p[0], sum};
}

}  // namespace trevasc::tools::test
