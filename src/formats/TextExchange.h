#pragma once
// Spectra and peak lists as text for the clipboard and for export files. Every line ends with
// CR LF. Numbers use the user's decimal separator unless a function says otherwise.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/AtomicFile.h"
#include "core/ScanData.h"

namespace trevasc::formats {

inline constexpr std::string_view kLineEnd = "\r\n";

// Heading of the position column: "TwoTheta", "Phi", "Omega", "Psi"; empty for
// TwoThetaCommonOmega, whose spectrum texts have no header line.
std::string AxisHeading(TScanKind kind);

// The position column of a spectrum in another unit than the scan's own (the plot's d or Q axis):
// its heading and the conversion of a stored position. Points whose position has no finite value
// in that unit (d at 2Theta = 0) are left out.
struct SpectrumPositionColumn {
    std::string Heading;
    std::function<double(double)> Convert;
};

// Spectrum file of the main scan: header "<axis>\tCounts", then per processed point the position
// in sci-23 notation (always "."), a TAB and the intensity.
std::string SpectrumFileText(const ScanRegistry& registry,
                             const SpectrumPositionColumn* column = nullptr);
// Two columns under a heading line "xHeading<TAB>Counts", both numbers in the shortest digits
// that read back as the same double (computed curves: a stripped scan, another axis).
std::string ColumnsFileText(const std::string& xHeading, const std::vector<double>& x,
                            const std::vector<double>& y);
// Spectrum for the clipboard: the same header, positions with up to 15 significant digits.
std::string SpectrumClipboardText(const ScanRegistry& registry, char decimalSeparator,
                                  const SpectrumPositionColumn* column = nullptr);

// Table of all open spectra (main scan first): one row per distinct position of any scan,
// ascending, with one intensity column per scan (a blank where a scan has no point there).
// Positions with up to 8 (file) or 15 (clipboard) significant digits. Empty text without a main
// scan: the caller then writes nothing.
std::string AllSpectraFileText(const ScanRegistry& registry, char decimalSeparator);
std::string AllSpectraClipboardText(const ScanRegistry& registry, char decimalSeparator);
// AllSpectraFileText handed to `write` in pieces, for tables too large to be held at once (scans
// that share no positions give a row per point and a column per scan).
void WriteAllSpectraFile(const ScanRegistry& registry, char decimalSeparator,
                         const ContentWriter& write);

// The four peak list texts of the Edit menu.
enum class PeakClipboardContent {
    SelectedPeaks,       // "Copy s&elected peaks": checked peaks, position
    FullPeakList,        // "Copy full &peak list": checked, empty line, unchecked
    SelectedPeaksIdent,  // "Copy selected peaks+i&dent": checked peaks, position TAB description
    FullPeakListIdent,   // "Copy full peak list+&ident"
};
// Positions with 4 decimals in the user's notation; check marks from TPeak::Checked.
std::string PeakListClipboardText(const TDataSet& scan, PeakClipboardContent content,
                                  char decimalSeparator);

// Row of a peak in the peak list: position with 3 decimals, then ": " and the description when
// there is one (for example "33.012: Si (004)").
std::string PeakRowText(const TPeak& peak, char decimalSeparator = '.');

// Proposed name of a spectrum export: the loaded file's name without extension + "_Spec.txt".
std::string SpectrumFileNameFor(std::string_view loadedFileName);

}  // namespace trevasc::formats
