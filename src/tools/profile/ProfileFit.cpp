#include "tools/profile/ProfileFit.h"

#include <cminpack.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"

namespace trevasc::tools {

namespace {

constexpr double kFourLn2 = 4.0 * std::numbers::ln2;
// √(π / (4 ln 2)): the area of a Gauss of height 1 and FWHM 1.
const double kGaussAreaFactor = std::sqrt(std::numbers::pi / kFourLn2);
constexpr double kLorentzAreaFactor = std::numbers::pi / 2.0;

// A profile of height 1 at u = (x - c) / w: its value and its derivatives in u and in the shape
// parameter.
struct UnitProfile {
    double Value = 0.0, DerivU = 0.0, DerivShape = 0.0;
};

UnitProfile EvaluateUnit(ProfileShape shape, double u, double s) {
    UnitProfile p;
    const double uu = u * u;
    switch (shape) {
        case ProfileShape::Gauss: {
            p.Value = std::exp(-kFourLn2 * uu);
            p.DerivU = -2.0 * kFourLn2 * u * p.Value;
            break;
        }
        case ProfileShape::Lorentz: {
            const double l = 1.0 / (1.0 + 4.0 * uu);
            p.Value = l;
            p.DerivU = -8.0 * u * l * l;
            break;
        }
        case ProfileShape::PseudoVoigt: {
            const double g = std::exp(-kFourLn2 * uu);
            const double l = 1.0 / (1.0 + 4.0 * uu);
            p.Value = s * l + (1.0 - s) * g;
            p.DerivU = s * (-8.0 * u * l * l) + (1.0 - s) * (-2.0 * kFourLn2 * u * g);
            p.DerivShape = l - g;
            break;
        }
        case ProfileShape::PearsonVII: {
            const double p2 = std::exp2(1.0 / s);
            const double k = p2 - 1.0;
            const double b = 1.0 + 4.0 * k * uu;
            const double logB = std::log1p(4.0 * k * uu);
            p.Value = std::exp(-s * logB);
            p.DerivU = -s * p.Value / b * 8.0 * k * u;
            const double dk = -p2 * std::numbers::ln2 / (s * s);
            p.DerivShape = p.Value * (-logB - s * 4.0 * uu * dk / b);
            break;
        }
    }
    return p;
}

// Γ'/Γ for x > 0: the recurrence ψ(x) = ψ(x + 1) - 1/x up to x >= 6, then the asymptotic series
// (Abramowitz & Stegun 6.3.18), accurate to about 1e-15 there.
double Digamma(double x) {
    double result = 0.0;
    while (x < 6.0) {
        result -= 1.0 / x;
        x += 1.0;
    }
    const double f = 1.0 / (x * x);
    result +=
        std::log(x) - 0.5 / x -
        f * (1.0 / 12.0 - f * (1.0 / 120.0 - f * (1.0 / 252.0 - f * (1.0 / 240.0 - f / 132.0))));
    return result;
}

// The area of a profile of height 1 and FWHM 1, and its derivative in the shape parameter.
struct UnitArea {
    double Value = 0.0, DerivShape = 0.0;
};

UnitArea AreaFactor(ProfileShape shape, double s) {
    switch (shape) {
        case ProfileShape::Gauss:
            return {kGaussAreaFactor, 0.0};
        case ProfileShape::Lorentz:
            return {kLorentzAreaFactor, 0.0};
        case ProfileShape::PseudoVoigt:
            return {s * kLorentzAreaFactor + (1.0 - s) * kGaussAreaFactor,
                    kLorentzAreaFactor - kGaussAreaFactor};
        case ProfileShape::PearsonVII: {
            // √π Γ(m - 1/2) / (2 √(2^(1/m) - 1) Γ(m)); its logarithmic derivative is
            // ψ(m - 1/2) - ψ(m) - k' / (2k) with k = 2^(1/m) - 1.
            const double p2 = std::exp2(1.0 / s);
            const double k = p2 - 1.0;
            const double g = std::sqrt(std::numbers::pi) *
                             std::exp(std::lgamma(s - 0.5) - std::lgamma(s)) / (2.0 * std::sqrt(k));
            const double dk = -p2 * std::numbers::ln2 / (s * s);
            return {g, g * (Digamma(s - 0.5) - Digamma(s) - dk / (2.0 * k))};
        }
    }
    return {};
}

// Bounds by smooth transforms of the internal variables t that MINPACK moves freely:
// H = t² (H >= 0), w = exp(t) (w > 0, steps relative to the width), η = (1 + sin t) / 2 and
// m = 0.6 + 49.4 (1 + sin t) / 2. The errors are computed in the natural parameters.
struct Transform {
    double Low = 0.0, High = 0.0;  // of a sine-bounded parameter
};

double ShapeLow(ProfileShape shape) {
    return shape == ProfileShape::PearsonVII ? kMinPearsonM : 0.0;
}
double ShapeHigh(ProfileShape shape) {
    return shape == ProfileShape::PearsonVII ? kMaxPearsonM : 1.0;
}

struct Problem {
    ProfileShape Shape = ProfileShape::PseudoVoigt;
    bool Doublets = false;
    double LambdaRatio = 1.0;  // λ2 / λ1
    double Ratio = 0.5;        // Kα2 / Kα1
    double Mean = 0.0;
    int Peaks = 0;
    int PerPeak = 3;
    std::span<const double> X, Y;
    std::vector<double> SqrtW;
    std::vector<double> Natural;  // b0, b1, then c, w, H (, s) per peak
    std::vector<double> Chain;    // d natural / d internal
    std::vector<double> Model;    // scratch: model values
    const ProfileProgressCallback* Progress = nullptr;
    int Evaluations = 0;
    bool Cancelled = false;

    void ToNatural(const double* t) {
        Natural[0] = t[0];
        Natural[1] = t[1];
        Chain[0] = Chain[1] = 1.0;
        for (int k = 0; k < Peaks; ++k) {
            const size_t o = 2 + static_cast<size_t>(k * PerPeak);
            Natural[o] = t[o];
            Chain[o] = 1.0;
            Natural[o + 1] = std::exp(t[o + 1]);
            Chain[o + 1] = Natural[o + 1];
            Natural[o + 2] = t[o + 2] * t[o + 2];
            Chain[o + 2] = 2.0 * t[o + 2];
            if (PerPeak == 4) {
                const double lo = ShapeLow(Shape), hi = ShapeHigh(Shape);
                Natural[o + 3] = lo + (hi - lo) * (1.0 + std::sin(t[o + 3])) / 2.0;
                Chain[o + 3] = (hi - lo) * std::cos(t[o + 3]) / 2.0;
            }
        }
    }

    // Weighted residuals sqrt(w)(model - y) and, with jac, the natural Jacobian of them
    // (column-major, leading dimension ld).
    void Evaluate(double* f, double* jac, int ld) const {
        const size_t m = X.size();
        const size_t n = Natural.size();
        for (size_t i = 0; i < m; ++i) {
            const double sw = SqrtW[i];
            const double dx = X[i] - Mean;
            double model = Natural[0] + Natural[1] * dx;
            if (jac) {
                jac[i] = sw;
                jac[static_cast<size_t>(ld) + i] = sw * dx;
            }
            for (int k = 0; k < Peaks; ++k) {
                const size_t o = 2 + static_cast<size_t>(k * PerPeak);
                const double c = Natural[o], w = Natural[o + 1], h = Natural[o + 2];
                const double s = PerPeak == 4 ? Natural[o + 3] : 0.0;
                const double u = (X[i] - c) / w;
                const UnitProfile p = EvaluateUnit(Shape, u, s);
                double value = p.Value, dc = -p.DerivU / w, dw = -p.DerivU * u / w,
                       ds = p.DerivShape;
                if (Doublets) {
                    // The Kα2 partner: the same profile, Ratio times as high, at c2.
                    const double c2 = DoubletPartnerAngle(c, LambdaRatio);
                    const double dc2 =
                        LambdaRatio * std::cos(ThetaRadians(c)) / std::cos(ThetaRadians(c2));
                    const double u2 = (X[i] - c2) / w;
                    const UnitProfile p2 = EvaluateUnit(Shape, u2, s);
                    value += Ratio * p2.Value;
                    dc += Ratio * (-p2.DerivU / w) * dc2;
                    dw += Ratio * (-p2.DerivU * u2 / w);
                    ds += Ratio * p2.DerivShape;
                }
                model += h * value;
                if (jac) {
                    jac[(o)*ld + i] = sw * h * dc;
                    jac[(o + 1) * ld + i] = sw * h * dw;
                    jac[(o + 2) * ld + i] = sw * value;
                    if (PerPeak == 4) jac[(o + 3) * ld + i] = sw * h * ds;
                }
            }
            if (f) f[i] = sw * (model - Y[i]);
        }
        (void)n;
    }
};

int Residuals(void* p, int m, int n, const double* t, double* fvec, double* fjac, int ldfjac,
              int iflag) {
    auto& problem = *static_cast<Problem*>(p);
    problem.ToNatural(t);
    if (iflag == 1) {
        problem.Evaluate(fvec, nullptr, ldfjac);
        ++problem.Evaluations;
        if (problem.Progress && *problem.Progress && !(*problem.Progress)(problem.Evaluations)) {
            problem.Cancelled = true;
            return -1;
        }
    } else if (iflag == 2) {
        problem.Evaluate(nullptr, fjac, ldfjac);
        for (int j = 0; j < n; ++j) {
            const double chain = problem.Chain[static_cast<size_t>(j)];
            double* column = fjac + static_cast<size_t>(j) * static_cast<size_t>(ldfjac);
            for (int i = 0; i < m; ++i) column[i] *= chain;
        }
    }
    return 0;
}

// Inverse of a symmetric positive definite matrix (n x n, row-major) by Cholesky; false when it
// is not positive definite.
bool InvertSymmetric(std::vector<double>& a, size_t n) {
    std::vector<double> l(n * n, 0.0);
    for (size_t j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (size_t k = 0; k < j; ++k) d -= l[j * n + k] * l[j * n + k];
        if (!(d > 0.0)) return false;
        l[j * n + j] = std::sqrt(d);
        for (size_t i = j + 1; i < n; ++i) {
            double s = a[i * n + j];
            for (size_t k = 0; k < j; ++k) s -= l[i * n + k] * l[j * n + k];
            l[i * n + j] = s / l[j * n + j];
        }
    }
    // L⁻¹ column by column, then A⁻¹ = L⁻ᵀ L⁻¹.
    std::vector<double> inv(n * n, 0.0);
    for (size_t j = 0; j < n; ++j) {
        inv[j * n + j] = 1.0 / l[j * n + j];
        for (size_t i = j + 1; i < n; ++i) {
            double s = 0.0;
            for (size_t k = j; k < i; ++k) s -= l[i * n + k] * inv[k * n + j];
            inv[i * n + j] = s / l[i * n + i];
        }
    }
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j <= i; ++j) {
            double s = 0.0;
            for (size_t k = i; k < n; ++k) s += inv[k * n + i] * inv[k * n + j];
            a[i * n + j] = a[j * n + i] = s;
        }
    return true;
}

// Linear interpolation of y at x inside the points (ascending positions).
double InterpolateAt(std::span<const double> x, std::span<const double> y, double at) {
    const auto it = std::lower_bound(x.begin(), x.end(), at);
    if (it == x.begin()) return y.front();
    if (it == x.end()) return y.back();
    const size_t j = static_cast<size_t>(it - x.begin());
    const double t = (at - x[j - 1]) / (x[j] - x[j - 1]);
    return y[j - 1] + t * (y[j] - y[j - 1]);
}

}  // namespace

std::optional<ProfileShape> ParseProfileShape(std::string_view name) {
    if (name == "gauss") return ProfileShape::Gauss;
    if (name == "lorentz") return ProfileShape::Lorentz;
    if (name == "pseudo-voigt") return ProfileShape::PseudoVoigt;
    if (name == "pearson7") return ProfileShape::PearsonVII;
    return std::nullopt;
}

const char* ProfileShapeName(ProfileShape shape) {
    switch (shape) {
        case ProfileShape::Gauss:
            return "gauss";
        case ProfileShape::Lorentz:
            return "lorentz";
        case ProfileShape::PseudoVoigt:
            return "pseudo-voigt";
        case ProfileShape::PearsonVII:
            return "pearson7";
    }
    return "";
}

bool HasShapeParameter(ProfileShape shape) {
    return shape == ProfileShape::PseudoVoigt || shape == ProfileShape::PearsonVII;
}

double LineProfileValue(ProfileShape shape, double height, double center, double fwhm,
                        double shapeParameter, double x) {
    return height * EvaluateUnit(shape, (x - center) / fwhm, shapeParameter).Value;
}

double ProfileArea(ProfileShape shape, double height, double fwhm, double shapeParameter) {
    return height * fwhm * AreaFactor(shape, shapeParameter).Value;
}

double ProfileModel::Value(double x) const {
    double v = Background0 + Background1 * (x - MeanPosition);
    const double lambdaRatio = Doublet.Alpha1 > 0.0 ? Doublet.Alpha2 / Doublet.Alpha1 : 1.0;
    for (const ProfilePeak& p : Peaks) {
        v += LineProfileValue(Shape, p.Height, p.Center, p.Fwhm, p.ShapeParameter, x);
        if (Doublets)
            v += Kalpha2Ratio * LineProfileValue(Shape, p.Height,
                                                 DoubletPartnerAngle(p.Center, lambdaRatio), p.Fwhm,
                                                 p.ShapeParameter, x);
    }
    return v;
}

ProfileFitResult FitLineProfiles(std::span<const double> position,
                                 std::span<const double> intensity, double from, double to,
                                 const std::vector<double>& peakPositions,
                                 const ProfileFitOptions& options,
                                 const ProfileProgressCallback& progress) {
    ProfileFitResult result;
    ProfileModel& model = result.Model;
    model.Shape = options.Shape;
    model.Doublets = options.Doublets;
    model.Doublet = options.Doublet;
    model.Kalpha2Ratio = options.Kalpha2Ratio;
    if (from > to) std::swap(from, to);
    const size_t total = std::min(position.size(), intensity.size());
    for (size_t i = 1; i < total; ++i)
        if (!(position[i] > position[i - 1])) {
            result.Error = "The positions of the scan do not ascend.";
            return result;
        }
    const size_t first = static_cast<size_t>(
        std::lower_bound(position.begin(), position.begin() + static_cast<long>(total), from) -
        position.begin());
    const size_t last = static_cast<size_t>(
        std::upper_bound(position.begin(), position.begin() + static_cast<long>(total), to) -
        position.begin());
    const std::span<const double> x = position.subspan(first, last - first);
    const std::span<const double> y = intensity.subspan(first, last - first);
    result.Points = static_cast<int>(x.size());
    if (peakPositions.empty()) {
        result.Error = "No peak to fit in the range.";
        return result;
    }
    for (double c : peakPositions)
        if (!(c >= from && c <= to)) {
            result.Error = "A peak to fit lies outside the range.";
            return result;
        }
    if (options.Doublets && !(options.Doublet.Alpha1 > 0.0 && options.Doublet.Alpha2 > 0.0)) {
        result.Error = "Kα1/Kα2 doublets need the wavelengths of both lines.";
        return result;
    }
    for (size_t i = 0; i < y.size(); ++i)
        if (!std::isfinite(y[i])) {
            result.Error = "The range holds an intensity that is not a number.";
            return result;
        }

    Problem problem;
    problem.Shape = options.Shape;
    problem.Doublets = options.Doublets;
    problem.LambdaRatio = options.Doublets ? options.Doublet.Alpha2 / options.Doublet.Alpha1 : 1.0;
    problem.Ratio = options.Kalpha2Ratio;
    problem.Peaks = static_cast<int>(peakPositions.size());
    problem.PerPeak = HasShapeParameter(options.Shape) ? 4 : 3;
    problem.X = x;
    problem.Y = y;
    problem.Progress = &progress;
    const int n = 2 + problem.Peaks * problem.PerPeak;
    const int m = static_cast<int>(x.size());
    if (m <= n) {
        result.Error = "The range holds " + std::to_string(m) + " points; fitting " +
                       std::to_string(n) + " parameters needs more.";
        return result;
    }
    double mean = 0.0;
    for (double v : x) mean += v;
    mean /= static_cast<double>(m);
    problem.Mean = mean;
    double sumWYY = 0.0;
    problem.SqrtW.resize(static_cast<size_t>(m));
    for (size_t i = 0; i < y.size(); ++i) {
        const double w = 1.0 / std::max(y[i], 1.0);
        problem.SqrtW[i] = std::sqrt(w);
        sumWYY += w * y[i] * y[i];
    }

    // Start values: the straight line through the range ends as background, each peak's height
    // above it at its position, its width from the half-maximum points around it (a walk that
    // stops at the neighbouring peaks), η = 0.5, m = 2.
    const double slope = (y.back() - y.front()) / (x.back() - x.front());
    const auto line = [&](double at) { return y.front() + slope * (at - x.front()); };
    const double spacing = (x.back() - x.front()) / static_cast<double>(m - 1);
    std::vector<double> sorted = peakPositions;
    std::sort(sorted.begin(), sorted.end());
    double largest = 0.0;
    for (size_t i = 0; i < y.size(); ++i) largest = std::max(largest, y[i] - line(x[i]));
    std::vector<double> t(static_cast<size_t>(n));
    t[0] = line(mean);
    t[1] = slope;
    for (int k = 0; k < problem.Peaks; ++k) {
        const double c = peakPositions[static_cast<size_t>(k)];
        double h = InterpolateAt(x, y, c) - line(c);
        if (!(h > 0.0)) h = std::max(largest, 1.0) * 0.01;
        const auto it = std::lower_bound(sorted.begin(), sorted.end(), c);
        const double leftLimit = it == sorted.begin() ? x.front() : *(it - 1);
        const auto above = std::upper_bound(sorted.begin(), sorted.end(), c);
        const double rightLimit = above == sorted.end() ? x.back() : *above;
        const auto halfPoint = [&](int direction, double limit) {
            long i = std::lower_bound(x.begin(), x.end(), c) - x.begin();
            if (direction < 0) i = std::max<long>(i - 1, 0);
            i = std::min<long>(i, m - 1);
            double previousX = c, previousV = h;
            for (; i >= 0 && i < m; i += direction) {
                const double xi = x[static_cast<size_t>(i)];
                if ((direction < 0 && xi < limit) || (direction > 0 && xi > limit)) return limit;
                const double v = y[static_cast<size_t>(i)] - line(xi);
                if (v <= h / 2.0) {
                    const double f =
                        previousV - v != 0.0 ? (previousV - h / 2.0) / (previousV - v) : 0.0;
                    return previousX + std::clamp(f, 0.0, 1.0) * (xi - previousX);
                }
                previousX = xi;
                previousV = v;
            }
            return limit;
        };
        const double width =
            std::max(halfPoint(+1, rightLimit) - halfPoint(-1, leftLimit), 2.0 * spacing);
        const size_t o = 2 + static_cast<size_t>(k * problem.PerPeak);
        t[o] = c;
        t[o + 1] = std::log(width);
        t[o + 2] = std::sqrt(h);
        if (problem.PerPeak == 4) {
            const double lo = ShapeLow(options.Shape), hi = ShapeHigh(options.Shape);
            const double start = options.Shape == ProfileShape::PearsonVII ? 2.0 : 0.5;
            t[o + 3] = std::asin(2.0 * (start - lo) / (hi - lo) - 1.0);
        }
    }
    problem.Natural.resize(static_cast<size_t>(n));
    problem.Chain.resize(static_cast<size_t>(n));

    std::vector<double> fvec(static_cast<size_t>(m)), fjac(static_cast<size_t>(m) * n);
    std::vector<double> diag(static_cast<size_t>(n)), qtf(static_cast<size_t>(n)),
        wa1(static_cast<size_t>(n)), wa2(static_cast<size_t>(n)), wa3(static_cast<size_t>(n)),
        wa4(static_cast<size_t>(m));
    std::vector<int> ipvt(static_cast<size_t>(n));
    int nfev = 0, njev = 0;
    // Tolerances near the machine precision: the fit ends when a step no longer changes the sum
    // or the parameters by more than rounding does (MINPACK's info 6 and 7 are that end too).
    const int info =
        lmder(Residuals, &problem, m, n, t.data(), fvec.data(), fjac.data(), m, 1e-15, 1e-15, 0.0,
              options.MaxEvaluations, diag.data(), 1, 100.0, 0, &nfev, &njev, ipvt.data(),
              qtf.data(), wa1.data(), wa2.data(), wa3.data(), wa4.data());
    result.Evaluations = problem.Evaluations;
    if (problem.Cancelled) {
        result.Cancelled = true;
        return result;
    }
    if (info == 5) {
        result.Error = "The profile fit did not converge within " +
                       std::to_string(options.MaxEvaluations) + " evaluations.";
        return result;
    }
    if (info <= 0) {
        result.Error = "The profile fit could not start.";
        return result;
    }
    problem.ToNatural(t.data());
    problem.Evaluate(fvec.data(), fjac.data(), m);
    double sum = 0.0;
    for (double f : fvec) sum += f * f;
    if (!std::isfinite(sum)) {
        result.Error = "The profile fit ran away (a value that is not a number).";
        return result;
    }
    // A weak peak can run off: its centre leaves the range, or it widens until it is part of
    // the background. Such a result describes no peak, however low its sum.
    for (int k = 0; k < problem.Peaks; ++k) {
        const size_t o = 2 + static_cast<size_t>(k * problem.PerPeak);
        const double c = problem.Natural[o], w = problem.Natural[o + 1];
        if (!(c >= from && c <= to) || !(w < to - from)) {
            result.Error = "The peak started at " +
                           FormatShortest(peakPositions[static_cast<size_t>(k)]) +
                           " ran out of the range (centre " + FormatShortest(c) + ", FWHM " +
                           FormatShortest(w) + ").";
            return result;
        }
    }
    result.Chi2Red = sum / static_cast<double>(m - n);
    result.Rwp = sumWYY > 0.0 ? std::sqrt(sum / sumWYY) : 0.0;

    // Covariance (JᵀWJ)⁻¹·χ²red in the natural parameters; the Jacobian of the weighted residuals
    // already holds the weights.
    const size_t un = static_cast<size_t>(n), um = static_cast<size_t>(m);
    std::vector<double> cov(un * un, 0.0);
    for (size_t a = 0; a < un; ++a)
        for (size_t b = 0; b <= a; ++b) {
            double s = 0.0;
            const double* ca = fjac.data() + a * um;
            const double* cb = fjac.data() + b * um;
            for (size_t i = 0; i < um; ++i) s += ca[i] * cb[i];
            cov[a * un + b] = cov[b * un + a] = s;
        }
    const bool invertible = InvertSymmetric(cov, un);
    if (!invertible) {
        result.Error =
            "The parameters of the profile fit are not determined by the points "
            "(peaks too close together or too small).";
        return result;
    }
    for (double& v : cov) v *= result.Chi2Red;
    const auto error = [&](size_t i) { return std::sqrt(std::max(cov[i * un + i], 0.0)); };
    const std::vector<double>& p = problem.Natural;
    model.MeanPosition = mean;
    model.Background0 = p[0];
    model.Background1 = p[1];
    result.Background0Error = error(0);
    result.Background1Error = error(1);
    for (int k = 0; k < problem.Peaks; ++k) {
        const size_t o = 2 + static_cast<size_t>(k * problem.PerPeak);
        ProfilePeak peak;
        peak.Center = p[o];
        peak.CenterError = error(o);
        peak.Fwhm = p[o + 1];
        peak.FwhmError = error(o + 1);
        peak.Height = p[o + 2];
        peak.HeightError = error(o + 2);
        if (problem.PerPeak == 4) {
            peak.ShapeParameter = p[o + 3];
            peak.ShapeParameterError = error(o + 3);
        }
        // With doublets this is the Kα1 component's area: the Kα2 partner adds Kalpha2Ratio times
        // as much again.
        const UnitArea a = AreaFactor(options.Shape, peak.ShapeParameter);
        peak.Area = peak.Height * peak.Fwhm * a.Value;
        // Propagation through area = H·w·g(s): gradient (w g, H g, H w g') over (w, H, s).
        const double grad[3] = {peak.Height * a.Value, peak.Fwhm * a.Value,
                                peak.Height * peak.Fwhm * a.DerivShape};
        const size_t idx[3] = {o + 1, o + 2, o + 3};
        const size_t count = problem.PerPeak == 4 ? 3 : 2;
        double var = 0.0;
        for (size_t i = 0; i < count; ++i)
            for (size_t j = 0; j < count; ++j) var += grad[i] * grad[j] * cov[idx[i] * un + idx[j]];
        peak.AreaError = std::sqrt(std::max(var, 0.0));
        model.Peaks.push_back(peak);
    }
    result.Fitted = true;
    return result;
}

plot::TPlotDataset BuildProfilePlotDataset(std::span<const double> position,
                                           std::span<const double> intensity, double from,
                                           double to, const ProfileFitResult& fit, bool logY) {
    plot::TPlotDataset d;
    d.YTitle = "Counts";
    d.XTitle = "TwoTheta";
    d.Title = "Profile Fit";
    d.LogY = logY;
    if (from > to) std::swap(from, to);
    const size_t n = std::min(position.size(), intensity.size());
    for (size_t i = 0; i < n; ++i)
        if (position[i] >= from && position[i] <= to)
            d.Points.push_back(plot::TPlotPoint{position[i], intensity[i]});
    if (d.Points.empty()) return d;
    d.ViewXMin = d.FullXMin = d.Points.front().X;
    d.ViewXMax = d.FullXMax = d.Points.back().X;
    if (!fit.Fitted) return d;
    const ProfileModel& m = fit.Model;
    ProfileModel background = m;
    background.Peaks.clear();
    plot::TAdditionalDataset total{{}, plot::RGBColor(255, 0, 0)};
    plot::TAdditionalDataset line{{}, plot::RGBColor(0, 0, 255)};
    for (const plot::TPlotPoint& p : d.Points) {
        total.Points.push_back({p.X, m.Value(p.X)});
        line.Points.push_back({p.X, background.Value(p.X)});
    }
    d.Overlays.push_back(std::move(total));
    d.Overlays.push_back(std::move(line));
    for (const ProfilePeak& peak : m.Peaks) {
        ProfileModel single = m;
        single.Peaks = {peak};
        plot::TAdditionalDataset component{{}, plot::RGBColor(0, 128, 0)};
        for (const plot::TPlotPoint& p : d.Points)
            component.Points.push_back({p.X, single.Value(p.X)});
        d.Overlays.push_back(std::move(component));
    }
    return d;
}

}  // namespace trevasc::tools
