#include "tools/profile/SizeStrain.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/IniFile.h"
#include "base/NumberText.h"
#include "core/Configuration.h"
#include "core/DiffractionGeometry.h"
#include "tools/fitting/PeakFit.h"

namespace trevasc::tools {

namespace {

constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr const char* kKeyU = "U";
constexpr const char* kKeyV = "V";
constexpr const char* kKeyW = "W";

// Solves the 3 x 3 system a·s = b by Gaussian elimination with partial pivoting; false when it is
// singular to working precision.
bool Solve3(std::array<std::array<double, 3>, 3> a, std::array<double, 3> b,
            std::array<double, 3>& s) {
    double scale = 0.0;
    for (const auto& row : a)
        for (double v : row) scale = std::max(scale, std::fabs(v));
    if (!(scale > 0.0)) return false;
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > 1e-12 * scale)) return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (int r = col + 1; r < 3; ++r) {
            const double f = a[r][col] / a[col][col];
            for (int c = col; c < 3; ++c) a[r][c] -= f * a[col][c];
            b[r] -= f * b[col];
        }
    }
    for (int r = 2; r >= 0; --r) {
        double v = b[r];
        for (int c = r + 1; c < 3; ++c) v -= a[r][c] * s[c];
        s[r] = v / a[r][r];
    }
    return std::isfinite(s[0]) && std::isfinite(s[1]) && std::isfinite(s[2]);
}

}  // namespace

double InstrumentFunction::FwhmSquared(double twoTheta) const {
    const double t = std::tan(ThetaRadians(twoTheta));
    return U * t * t + V * t + W;
}

double InstrumentFunction::Fwhm(double twoTheta) const {
    return std::sqrt(std::max(FwhmSquared(twoTheta), 0.0));
}

std::optional<InstrumentFunction> FitInstrumentFunction(std::span<const double> twoTheta,
                                                        std::span<const double> fwhm) {
    const size_t n = std::min(twoTheta.size(), fwhm.size());
    if (n < 3) return std::nullopt;
    // Normal equations of FWHM² = U t² + V t + W over t = tanθ.
    std::array<std::array<double, 3>, 3> a{};
    std::array<double, 3> b{};
    for (size_t i = 0; i < n; ++i) {
        const double t = std::tan(ThetaRadians(twoTheta[i]));
        const std::array<double, 3> row{t * t, t, 1.0};
        const double f2 = fwhm[i] * fwhm[i];
        if (!std::isfinite(t) || !std::isfinite(f2)) return std::nullopt;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) a[r][c] += row[r] * row[c];
            b[r] += row[r] * f2;
        }
    }
    std::array<double, 3> s{};
    if (!Solve3(a, b, s)) return std::nullopt;
    return InstrumentFunction{s[0], s[1], s[2]};
}

std::optional<InstrumentFunction> ReadInstrumentFunction(const std::string& mainIniPath) {
    const IniFile ini(mainIniPath);
    InstrumentFunction f;
    const auto read = [&](const char* key, double& value) {
        const auto v = TryParseFloat(ini.ReadString(kInstrumentSection, key, ""));
        if (!v) return false;
        value = *v;
        return true;
    };
    if (!read(kKeyU, f.U) || !read(kKeyV, f.V) || !read(kKeyW, f.W)) return std::nullopt;
    return f;
}

void WriteInstrumentFunction(const std::string& mainIniPath, const InstrumentFunction& f) {
    UpdateMainIni(mainIniPath, [&](IniFile& ini) {
        ini.WriteString(kInstrumentSection, kKeyU, FormatShortest(f.U));
        ini.WriteString(kInstrumentSection, kKeyV, FormatShortest(f.V));
        ini.WriteString(kInstrumentSection, kKeyW, FormatShortest(f.W));
    });
}

std::optional<BroadeningCorrection> ParseBroadeningCorrection(std::string_view name) {
    if (name == "quadratic") return BroadeningCorrection::Quadratic;
    if (name == "linear") return BroadeningCorrection::Linear;
    return std::nullopt;
}

std::optional<double> SampleBroadening(double fwhm, double fwhmInstrument,
                                       BroadeningCorrection correction) {
    const double degrees =
        correction == BroadeningCorrection::Quadratic
            ? std::sqrt(std::max(fwhm * fwhm - fwhmInstrument * fwhmInstrument, 0.0))
            : fwhm - fwhmInstrument;
    if (!(degrees > 0.0)) return std::nullopt;
    return degrees * kRadiansPerDegree;
}

double ScherrerSize(double beta, double twoTheta, double wavelength, double k) {
    // Scherrer, Nachr. Ges. Wiss. Göttingen (1918) 98: D = K λ / (β cos θ); λ in Å, D in nm.
    return k * wavelength / (beta * std::cos(ThetaRadians(twoTheta))) / 10.0;
}

std::optional<WilliamsonHallResult> WilliamsonHall(std::span<const double> twoTheta,
                                                   std::span<const double> beta, double wavelength,
                                                   double k) {
    // Williamson & Hall, Acta Metall. 1 (1953) 22: β cos θ = K λ / D + 4 ε sin θ.
    const size_t n = std::min(twoTheta.size(), beta.size());
    if (n < 3) return std::nullopt;
    std::vector<double> xs(n), ys(n);
    double mx = 0.0, my = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double theta = ThetaRadians(twoTheta[i]);
        xs[i] = 4.0 * std::sin(theta);
        ys[i] = beta[i] * std::cos(theta);
        mx += xs[i];
        my += ys[i];
    }
    mx /= static_cast<double>(n);
    my /= static_cast<double>(n);
    double sxx = 0.0, sxy = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sxx += (xs[i] - mx) * (xs[i] - mx);
        sxy += (xs[i] - mx) * (ys[i] - my);
    }
    if (!(sxx > 0.0)) return std::nullopt;
    const double slope = sxy / sxx;
    const double intercept = my - slope * mx;
    if (!(intercept > 0.0)) return std::nullopt;
    double ss = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double r = ys[i] - intercept - slope * xs[i];
        ss += r * r;
    }
    const double s2 = ss / static_cast<double>(n - 2);
    const double slopeError = std::sqrt(s2 / sxx);
    const double interceptError = std::sqrt(s2 * (1.0 / static_cast<double>(n) + mx * mx / sxx));
    WilliamsonHallResult r;
    r.Strain = slope;
    r.StrainError = slopeError;
    r.Size = k * wavelength / intercept / 10.0;
    // |d size / d intercept| = K λ / intercept².
    r.SizeError = k * wavelength / (intercept * intercept) * interceptError / 10.0;
    return r;
}

std::vector<SinglePeakFit> FitSinglePeaks(std::span<const double> position,
                                          std::span<const double> intensity,
                                          const std::vector<double>& peakPositions,
                                          const ProfileFitOptions& options,
                                          const ProfileProgressCallback& progress) {
    std::vector<SinglePeakFit> fits;
    const size_t n = std::min(position.size(), intensity.size());
    if (n == 0) return fits;
    // The edge walk of the automatic fits works on whole counts.
    TDataPointArray points(n);
    for (size_t i = 0; i < n; ++i)
        points[i] = TDataPoint{position[i], SaturatedCount(intensity[i])};
    for (double c : peakPositions) {
        SinglePeakFit single;
        single.Position = c;
        // The peak's fractional point index, for the edge walk.
        const auto it =
            std::lower_bound(position.begin(), position.begin() + static_cast<long>(n), c);
        double index = static_cast<double>(it - position.begin());
        if (it != position.begin() && it != position.begin() + static_cast<long>(n)) {
            const size_t j = static_cast<size_t>(it - position.begin());
            index = static_cast<double>(j - 1) +
                    (c - position[j - 1]) / (position[j] - position[j - 1]);
        }
        const tools::AutoFitEdges edges = tools::FindAutoFitEdges(points, index);
        single.Fit = FitLineProfiles(position.first(n), intensity.first(n),
                                     points[static_cast<size_t>(edges.First)].Position,
                                     points[static_cast<size_t>(edges.Last)].Position, {c}, options,
                                     progress);
        // As in the automatic fits of the peak fit: a peak fitted alone may not slide onto its
        // neighbour, which the range often holds too.
        if (single.Fit.Fitted) {
            const tools::CentreInterval interval =
                tools::AutoFitCentreInterval(peakPositions, c, edges);
            const double centre = single.Fit.Model.Peaks[0].Center;
            if (!(centre > interval.Low && centre < interval.High)) {
                single.Fit.Fitted = false;
                single.Fit.Error = tools::kIntervalEdgeMessage;
            }
        }
        const bool cancelled = single.Fit.Cancelled;
        fits.push_back(std::move(single));
        if (cancelled) break;
    }
    return fits;
}

SizeAnalysis AnalyseSize(std::span<const double> center, std::span<const double> fwhm,
                         const InstrumentFunction& instrument, BroadeningCorrection correction,
                         double wavelength, double k) {
    SizeAnalysis analysis;
    std::vector<double> broadenedAt, broadening;
    const size_t n = std::min(center.size(), fwhm.size());
    for (size_t i = 0; i < n; ++i) {
        SizePeak peak;
        peak.Center = center[i];
        peak.Fwhm = fwhm[i];
        peak.FwhmInstrument = instrument.Fwhm(center[i]);
        peak.Beta = SampleBroadening(peak.Fwhm, peak.FwhmInstrument, correction);
        if (peak.Beta) {
            peak.Size = ScherrerSize(*peak.Beta, peak.Center, wavelength, k);
            broadenedAt.push_back(peak.Center);
            broadening.push_back(*peak.Beta);
        }
        analysis.Peaks.push_back(peak);
    }
    analysis.WilliamsonHall = WilliamsonHall(broadenedAt, broadening, wavelength, k);
    return analysis;
}

}  // namespace trevasc::tools
