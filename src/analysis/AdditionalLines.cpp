#include "analysis/AdditionalLines.h"

#include <cmath>

#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"
#include "core/XrayLines.h"

namespace trevasc::analysis {

std::vector<int> ParsePermittedReflexes(std::string_view text) {
    std::vector<int> orders;
    size_t pos = 0;
    while (true) {
        const size_t comma = text.find(',', pos);
        const std::string_view piece = text.substr(
            pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        const int n = TryParseInt(piece).value_or(-1);
        if (n > 0) orders.push_back(n);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return orders;
}

std::vector<TAdditionalLine> ComputeAdditionalLines(const TAdditionalLinesInput& in) {
    std::vector<TAdditionalLine> lines;
    if (in.UseSelectedPeak) {
        if (!in.SelectedPeak) return lines;
        // d of the highlighted peak for the lattice window's wavelength, then its first order for
        // the energy of this tab.
        const std::optional<double> d = BraggSpacing(*in.SelectedPeak, in.Wavelength);
        if (!d) return lines;
        if (auto t = BraggTwoThetaForEnergy(1, *d, in.Energy)) lines.push_back({1, *t});
        return lines;
    }
    if (!in.ShowAllInRange) {
        for (int n : ParsePermittedReflexes(in.Permitted))
            if (auto t = BraggTwoThetaForEnergy(n, in.Lattice, in.Energy)) lines.push_back({n, *t});
        return lines;
    }
    // Orders 1, 2, 3, ... up to the end of the scan, and never past the highest order that
    // exists (sin(theta) = n hc / (2 d E) <= 1).
    for (int n = 1; static_cast<int>(lines.size()) < kMaxAdditionalLines; ++n) {
        const std::optional<double> t = BraggTwoThetaForEnergy(n, in.Lattice, in.Energy);
        if (!t || *t > in.LastScanPosition) break;
        lines.push_back({n, *t});
    }
    return lines;
}

std::string AdditionalLineRowText(const TAdditionalLine& line, char decimalSeparator) {
    return FormatFixed(line.TwoTheta, 3, decimalSeparator);
}

}  // namespace trevasc::analysis
