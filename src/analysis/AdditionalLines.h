#pragma once
// The "Additional reflections" tab without its widgets: the 2Theta positions of the orders n of
// one lattice spacing for a photon energy.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevasc::analysis {

inline constexpr const char* kDefaultPermittedReflexes = "1,2,3,4,5,6,7,8";
inline constexpr double kDefaultAdditionalEnergy = 8000.0;
inline constexpr double kDefaultAdditionalLattice = 4.0;
// "Show all in range" stops here even when the range would hold more orders (a huge spacing
// and energy would otherwise produce billions of lines).
inline constexpr int kMaxAdditionalLines = 10000;

struct TAdditionalLinesInput {
    double Energy = kDefaultAdditionalEnergy;    // "Energy [eV]"
    double Lattice = kDefaultAdditionalLattice;  // "Lattice constant [A]"
    std::string Permitted = kDefaultPermittedReflexes;
    bool ShowAllInRange = false;
    double LastScanPosition = 0.0;  // last position of the main scan ("Show all in range")
    bool UseSelectedPeak = false;
    std::optional<double> SelectedPeak;  // position of the highlighted peak, if any
    double Wavelength = 1.54056;         // CurrentWavelength, for the selected-peak mode
};

struct TAdditionalLine {
    int Order = 0;
    double TwoTheta = 0.0;
};

// The orders of the permitted-reflexes text: pieces between commas, trimmed; a piece that is no
// integer counts as -1; only n > 0 are kept, in text order, duplicates included.
std::vector<int> ParsePermittedReflexes(std::string_view text);
// The lines in computation order; orders without a reflection are skipped.
std::vector<TAdditionalLine> ComputeAdditionalLines(const TAdditionalLinesInput& input);
// Row of the list: 2Theta with 3 decimals.
std::string AdditionalLineRowText(const TAdditionalLine& line, char decimalSeparator = '.');

}  // namespace trevasc::analysis
