#include "analysis/StructureSimulation.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/DiffractionGeometry.h"
#include "core/XrayLines.h"

namespace trevasc::analysis {

namespace {

constexpr double kEquivalentDistance = 1e-6;

// Coefficients of 1/d^2 = Q(h, k, l) and the numerator of d^2, computed once per lattice so that
// the index loop only multiplies (the formulas are those of the standard crystallographic tables,
// e.g. B. D. Cullity, Elements of X-Ray Diffraction, Appendix 3).
struct SpacingFormula {
    TCrystalSystem System = TCrystalSystem::None;
    double A2 = 0, B2 = 0, C2 = 0;
    double Hh = 0, Kk = 0, Ll = 0, Hk = 0, Kl = 0, Hl = 0, Numerator = 1;
    bool Valid = true;
};

SpacingFormula MakeFormula(TCrystalSystem system, const TLatticeParameters& p) {
    SpacingFormula f;
    f.System = system;
    const double rad = kPi / 180.0;
    const double ca = std::cos(p.Alpha * rad), cb = std::cos(p.Beta * rad),
                 cg = std::cos(p.Gamma * rad);
    const double sa = std::sin(p.Alpha * rad), sb = std::sin(p.Beta * rad),
                 sg = std::sin(p.Gamma * rad);
    const double a = p.A, b = p.B, c = p.C;
    switch (system) {
        case TCrystalSystem::Cubic:
            f.A2 = a * a;
            break;
        case TCrystalSystem::Tetragonal:
            f.Hh = f.Kk = 1.0 / (a * a);
            f.Ll = 1.0 / (c * c);
            break;
        case TCrystalSystem::Orthorhombic:
            f.Hh = 1.0 / (a * a);
            f.Kk = 1.0 / (b * b);
            f.Ll = 1.0 / (c * c);
            break;
        case TCrystalSystem::Hexagonal:
            f.Hh = f.Kk = f.Hk = 4.0 / (3.0 * a * a);
            f.Ll = 1.0 / (c * c);
            break;
        case TCrystalSystem::Rhombohedral:
            // d^2 = a^2 (1 - 3 cos^2 + 2 cos^3) / ((h^2+k^2+l^2) sin^2 + 2 (hk+kl+hl)(cos^2 - cos))
            f.Numerator = a * a * (1.0 - 3.0 * ca * ca + 2.0 * ca * ca * ca);
            f.Hh = f.Kk = f.Ll = sa * sa;
            f.Hk = f.Kl = f.Hl = 2.0 * (ca * ca - ca);
            break;
        case TCrystalSystem::Monoclinic:
            f.Hh = 1.0 / (a * a * sb * sb);
            f.Kk = 1.0 / (b * b);
            f.Ll = 1.0 / (c * c * sb * sb);
            f.Hl = -2.0 * cb / (a * c * sb * sb);
            break;
        case TCrystalSystem::Triclinic:
            f.Numerator = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
            f.Hh = (sa / a) * (sa / a);
            f.Kk = (sb / b) * (sb / b);
            f.Ll = (sg / c) * (sg / c);
            f.Hk = 2.0 / (a * b) * (ca * cb - cg);
            f.Kl = 2.0 / (b * c) * (cb * cg - ca);
            f.Hl = 2.0 / (a * c) * (cg * ca - cb);
            break;
        case TCrystalSystem::None:
            f.Valid = false;
            break;
    }
    for (double v : {f.A2, f.Hh, f.Kk, f.Ll, f.Hk, f.Kl, f.Hl, f.Numerator})
        if (!std::isfinite(v)) f.Valid = false;  // a zero length or sine
    return f;
}

std::optional<double> Spacing(const SpacingFormula& f, int hi, int ki, int li) {
    if (!f.Valid) return std::nullopt;
    const double h = hi, k = ki, l = li;
    double d2;
    if (f.System == TCrystalSystem::Cubic) {
        const double s = h * h + k * k + l * l;
        if (s == 0.0) return std::nullopt;
        d2 = f.A2 / s;
    } else {
        const double q =
            f.Hh * h * h + f.Kk * k * k + f.Ll * l * l + f.Hk * h * k + f.Kl * k * l + f.Hl * h * l;
        if (q == 0.0) return std::nullopt;
        d2 = f.Numerator / q;
    }
    if (!(d2 > 0.0) || !std::isfinite(d2)) return std::nullopt;
    return std::sqrt(d2);
}

void AppendInt(std::string& s, int v) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

}  // namespace

const std::vector<std::string>& CrystalSystemNames() {
    static const std::vector<std::string> names = {
        "Cubic/Isometric",       "Tetragonal", "Orthorhombic", "Hexagonal",
        "Rhombohedral/Trigonal", "Monoclinic", "Triclinic"};
    return names;
}

TCrystalSystem CrystalSystemFromName(const std::string& name) {
    static const char* const names[] = {"cubic",        "tetragonal", "orthorhombic", "hexagonal",
                                        "rhombohedral", "monoclinic", "triclinic"};
    for (int i = 0; i < 7; ++i)
        if (name == names[i]) return static_cast<TCrystalSystem>(i);
    return TCrystalSystem::None;
}

TCrystalSystemInputs SelectCrystalSystem(TCrystalSystem system) {
    switch (system) {
        case TCrystalSystem::Cubic:
            return {true, false, false, false, false, false, "a=b=c", "a=b=g=90°"};
        case TCrystalSystem::Tetragonal:
            return {true, false, true, false, false, false, "a=b<>c", "a=b=g=90°"};
        case TCrystalSystem::Orthorhombic:
            return {true, true, true, false, false, false, "a<>b<>c", "a=b=g=90°"};
        case TCrystalSystem::Hexagonal:
            return {true, false, true, false, false, false, "a=b<>c", "a=b=90°, g=120°"};
        case TCrystalSystem::Rhombohedral:
            return {true, false, false, true, false, false, "a=b=c", "a=b=g<>90°"};
        case TCrystalSystem::Monoclinic:
            return {true, true, true, false, true, false, "a<>b<>c", "a=g=90°, b<>90°"};
        case TCrystalSystem::Triclinic:
            return {true, true, true, true, true, true, "a<>b<>c", "a<>b<>g"};
        case TCrystalSystem::None:
            break;
    }
    return {false, false, false, false, false, false, "a<>b<>c = ??", "a<>b<>g = ??"};
}

std::optional<double> PlaneSpacing(TCrystalSystem system, const TLatticeParameters& lattice, int h,
                                   int k, int l) {
    return Spacing(MakeFormula(system, lattice), h, k, l);
}

std::string StructureIndexLabel(TCrystalSystem system, int h, int k, int l) {
    std::string s;
    AppendInt(s, h);
    s += ' ';
    if (system == TCrystalSystem::Hexagonal) {
        AppendInt(s, -(h + k));
        s += ' ';
    }
    AppendInt(s, k);
    s += ' ';
    AppendInt(s, l);
    return s;
}

bool KeepsRightOfEquivalentPair(const TStrucSimPeak& left, const TStrucSimPeak& right) {
    const int sumLeft = left.H + left.K + left.L, sumRight = right.H + right.K + right.L;
    if (sumRight != sumLeft) return sumRight < sumLeft;
    return right.L * 10000 + right.K * 100 + right.H < left.L * 10000 + left.K * 100 + left.H;
}

std::vector<TStrucSimPeak> SimulateStructure(TCrystalSystem system,
                                             const TLatticeParameters& lattice, TIndexRange hr,
                                             TIndexRange kr, TIndexRange lr, double wavelength,
                                             char decimalSeparator) {
    const SpacingFormula f = MakeFormula(system, lattice);
    std::vector<TStrucSimPeak> found;
    if (!f.Valid) return found;
    for (int h = hr.Min; h <= hr.Max; ++h)
        for (int k = kr.Min; k <= kr.Max; ++k)
            for (int l = lr.Min; l <= lr.Max; ++l) {
                const std::optional<double> d = Spacing(f, h, k, l);
                if (!d) continue;
                const std::optional<double> twoTheta = BraggTwoTheta(*d, wavelength);
                if (!twoTheta) continue;  // beyond the limiting sphere
                TStrucSimPeak p;
                p.D = *d;
                p.TwoTheta = *twoTheta;
                p.H = h;
                p.K = k;
                p.L = l;
                found.push_back(std::move(p));
            }
    // The exchange sort that swaps neighbours only when the left d is strictly smaller is a
    // stable sort by descending d.
    std::stable_sort(found.begin(), found.end(),
                     [](const TStrucSimPeak& a, const TStrucSimPeak& b) { return a.D > b.D; });
    // The restart walk deletes one of the first pair of neighbours closer than 1e-6 until no such
    // pair is left. Everything before that pair was already clean, so one pass with a stack gives
    // the same list: a new record either drops out against the top or removes the top and is
    // compared with the record below it.
    std::vector<TStrucSimPeak> kept;
    kept.reserve(found.size());
    for (TStrucSimPeak& p : found) {
        bool dropped = false;
        while (!kept.empty() && std::fabs(kept.back().D - p.D) < kEquivalentDistance) {
            if (!KeepsRightOfEquivalentPair(kept.back(), p)) {
                dropped = true;
                break;
            }
            kept.pop_back();
        }
        if (!dropped) kept.push_back(std::move(p));
    }
    for (TStrucSimPeak& p : kept) {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, p.TwoTheta, std::chars_format::fixed, 3);
        std::string number(buf, r.ptr);
        if (decimalSeparator != '.')
            std::replace(number.begin(), number.end(), '.', decimalSeparator);
        p.Text = StructureIndexLabel(system, p.H, p.K, p.L) + " " + number + "°";
    }
    return kept;
}

}  // namespace trevasc::analysis
