#pragma once
// An independent least-squares fit for the fitting tests, sharing no code with the program:
// Levenberg-Marquardt in long double with a central-difference Jacobian and Gauss-Jordan
// inversion, minimising the sum of the squared residuals r_i(p).
#include <algorithm>
#include <cmath>
#include <vector>

namespace trevasc::tools::test {

using LongVector = std::vector<long double>;
using LongMatrix = std::vector<LongVector>;

// The inverse by Gauss-Jordan elimination with partial pivoting.
inline LongMatrix Inverse(LongMatrix a) {
    const size_t n = a.size();
    LongMatrix inv(n, LongVector(n, 0.0L));
    for (size_t i = 0; i < n; ++i) inv[i][i] = 1.0L;
    for (size_t c = 0; c < n; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[piv][c])) piv = r;
        std::swap(a[c], a[piv]);
        std::swap(inv[c], inv[piv]);
        const long double d = a[c][c];
        for (size_t k = 0; k < n; ++k) a[c][k] /= d, inv[c][k] /= d;
        for (size_t r = 0; r < n; ++r) {
            const long double f = r == c ? 0.0L : a[r][c];
            for (size_t k = 0; k < n; ++k) a[r][k] -= f * a[c][k], inv[r][k] -= f * inv[c][k];
        }
    }
    return inv;
}

struct LeastSquaresResult {
    LongVector P;
    long double Sum = 0.0L;
    LongMatrix InverseNormal;  // (JᵀJ)⁻¹ at P: times the reduced chi² it is the covariance
};

// `residuals` maps the parameters to the residual vector. Stops when a step lowers the sum by
// no more than 1e-24 of it, or when no damping finds a lower sum.
template <class Residuals>
LeastSquaresResult LeastSquaresReference(const Residuals& residuals, LongVector p) {
    const size_t n = p.size();
    const auto sumOf = [](const LongVector& r) {
        long double s = 0.0L;
        for (long double v : r) s += v * v;
        return s;
    };
    // JᵀJ, and -Jᵀr into g.
    const auto normal = [&](const LongVector& q, const LongVector& r, LongVector& g) {
        LongMatrix j(n), a(n, LongVector(n, 0.0L));
        for (size_t k = 0; k < n; ++k) {
            const long double h = 1e-7L * std::max<long double>(std::fabs(q[k]), 1e-3L);
            LongVector up = q, down = q;
            up[k] += h;
            down[k] -= h;
            const LongVector ru = residuals(up), rd = residuals(down);
            for (size_t i = 0; i < r.size(); ++i) j[k].push_back((ru[i] - rd[i]) / (2.0L * h));
        }
        g.assign(n, 0.0L);
        for (size_t k = 0; k < n; ++k)
            for (size_t i = 0; i < r.size(); ++i) {
                g[k] -= j[k][i] * r[i];
                for (size_t l = 0; l < n; ++l) a[k][l] += j[k][i] * j[l][i];
            }
        return a;
    };
    long double lambda = 1e-3L;
    LongVector r = residuals(p), g;
    long double s = sumOf(r);
    for (int iter = 0; iter < 500; ++iter) {
        const LongMatrix a = normal(p, r, g);
        bool improved = false;
        for (int tries = 0; tries < 30 && !improved; ++tries) {
            LongMatrix damped = a;
            for (size_t k = 0; k < n; ++k) damped[k][k] *= 1.0L + lambda;
            const LongMatrix inv = Inverse(damped);
            LongVector q = p;
            for (size_t k = 0; k < n; ++k)
                for (size_t l = 0; l < n; ++l) q[k] += inv[k][l] * g[l];
            const LongVector rq = residuals(q);
            const long double sq = sumOf(rq);
            if (sq <= s) {
                if (s - sq <= 1e-24L * sq) iter = 1000;
                p = q, r = rq, s = sq;
                lambda = std::max(lambda / 10.0L, 1e-12L);
                improved = true;
            } else {
                lambda *= 10.0L;
            }
        }
        if (!improved) break;
    }
    return {p, s, Inverse(normal(p, r, g))};
}

}  // namespace trevasc::tools::test
