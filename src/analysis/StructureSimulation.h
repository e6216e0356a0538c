#pragma once
// The "Structure" tab without its widgets: the 2Theta positions of all reflections (h k l) in
// given index ranges for a lattice of one of the seven crystal systems, selection rules ignored.
#include <optional>
#include <string>
#include <vector>

namespace trevasc::analysis {

enum class TCrystalSystem {
    None = -1,
    Cubic,
    Tetragonal,
    Orthorhombic,
    Hexagonal,
    Rhombohedral,
    Monoclinic,
    Triclinic
};
// The items of the "Crystal system" list, in the order of TCrystalSystem.
const std::vector<std::string>& CrystalSystemNames();
// "cubic", "tetragonal", ... (the batch tool's names); None for an unknown name.
TCrystalSystem CrystalSystemFromName(const std::string& name);

struct TLatticeParameters {
    double A = 4, B = 4, C = 4;             // Angstrom
    double Alpha = 4, Beta = 4, Gamma = 4;  // degrees (the fields' defaults)
};

struct TIndexRange {
    int Min = 0, Max = 0;  // both inclusive; Min > Max is empty
};

// Ranges of the "Structure" tab's fields.
inline constexpr double kMaxLatticeLength = 10000.0;                  // a, b, c from 0
inline constexpr double kMaxLatticeAngle = 180.0;                     // alpha, beta, gamma from 0
inline constexpr int kMinIndexLimit = -100, kMaxMinIndexLimit = 100;  // "h min" ...
inline constexpr int kMinMaxIndexLimit = -20, kMaxIndexLimit = 20;    // "h max" ...

// What the "Structure" tab's fields hold.
struct StructureDefinition {
    TCrystalSystem System = TCrystalSystem::None;
    TLatticeParameters Lattice;
    TIndexRange H, K, L;
};

// Which lattice fields a system uses, and the two constraint labels (a, b, g read as alpha,
// beta, gamma in the angle label's symbol font).
struct TCrystalSystemInputs {
    bool A = false, B = false, C = false, Alpha = false, Beta = false, Gamma = false;
    std::string LengthLabel, AngleLabel;
};
TCrystalSystemInputs SelectCrystalSystem(TCrystalSystem system);

// Plane spacing d (Angstrom) of (h k l); none when the formula has no real positive value.
std::optional<double> PlaneSpacing(TCrystalSystem system, const TLatticeParameters& lattice, int h,
                                   int k, int l);

struct TStrucSimPeak {
    double D = 0.0;
    double TwoTheta = 0.0;
    std::string Text;  // index label + " " + 2Theta with 3 decimals + "°"
    int H = 0, K = 0, L = 0;
};

// "1 1 1"; hexagonal: h, -(h + k), k, l ("1 -2 1 0").
std::string StructureIndexLabel(TCrystalSystem system, int h, int k, int l);

// The listed reflections: every (h k l) of the ranges with a d and a 2Theta for the wavelength,
// ordered by d descending (stable in h, k, l loop order), equivalent reflections (d closer than
// 1e-6 to a neighbour) reduced to one: the smaller h + k + l, then the smaller
// l * 10000 + k * 100 + h, and on a complete tie the one listed first.
std::vector<TStrucSimPeak> SimulateStructure(TCrystalSystem system,
                                             const TLatticeParameters& lattice, TIndexRange h,
                                             TIndexRange k, TIndexRange l, double wavelength,
                                             char decimalSeparator = '.');

// True when `right` is kept instead of `left` when the two are equivalent.
bool KeepsRightOfEquivalentPair(const TStrucSimPeak& left, const TStrucSimPeak& right);

}  // namespace trevasc::analysis
