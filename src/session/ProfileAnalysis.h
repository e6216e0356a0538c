#pragma once
// What the profile and size windows show of the profile analysis: the fit's input from the main
// scan, the chart of data, model, components and difference, the result tables (one set of cells
// for the window's table and its clipboard copy) and the Williamson-Hall chart. No Qt.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/PeakSearch.h"
#include "core/ScanData.h"
#include "plot/PlotTypes.h"
#include "tools/profile/ProfileFit.h"
#include "tools/profile/SizeStrain.h"

namespace trevasc {

class WorkbenchSession;

// Colours of the profile chart.
inline constexpr plot::TColor kProfileDataColor = 0x000000;
inline constexpr plot::TColor kProfileModelColor = 0xFF0000;
inline constexpr plot::TColor kProfileDifferenceColor = 0x008000;
inline constexpr plot::TColor kProfileStartColor = 0xFF00FF;
// The components cycle through these.
inline constexpr plot::TColor kProfileComponentColors[] = {0x0000FF, 0x00A0A0, 0xA000A0, 0xC08000,
                                                           0x606060};

// Positions and intensities of the main scan's processed points (what the plot shows).
struct ScanColumns {
    std::vector<double> Position;
    std::vector<double> Intensity;
};
ScanColumns ProcessedColumns(const TDataSet& scan);

// The batch runs of the profile analysis (trevasc-cli profile, instrument and size, and the
// Python module), on the session's main scan opened with its processing and Kα2 stripping.
//
// The peaks to fit: `listed` when given, else those the peak search finds on the main scan
// (inside `range`, either order, when given).
std::vector<double> ListedOrFoundPeaks(WorkbenchSession& session,
                                       const std::optional<std::vector<double>>& listed,
                                       const analysis::PeakSearchSettings& search,
                                       analysis::TPeakMethod method,
                                       std::optional<std::pair<double, double>> range);
// The peaks fitted together over [from, to] of the processed main scan. Throws TrevascError
// when there is no peak or the fit fails (its message).
tools::ProfileFitResult FitMainScanProfiles(const WorkbenchSession& session, double from, double to,
                                            const std::vector<double>& peaks,
                                            const tools::ProfileFitOptions& options);
// Each peak fitted alone on the processed main scan: the centres and FWHMs of the fits that
// succeeded, and the position and message of every fit that failed.
struct SinglePeakFits {
    std::vector<double> Centers, Fwhms;
    std::vector<std::pair<double, std::string>> Failed;
};
SinglePeakFits FitMainScanPeaks(const WorkbenchSession& session, const std::vector<double>& peaks,
                                const tools::ProfileFitOptions& options);
// The instrument function of the single fits; throws TrevascError with fewer than three peaks
// at different positions.
tools::InstrumentFunction InstrumentFunctionOf(const SinglePeakFits& fits);

// The start peaks of a fit over [from, to] (either order): the checked peaks inside, ascending.
std::vector<double> CheckedPeaksInRange(const TDataSet& scan, double from, double to);

// Adds a start peak at x, keeping the list ascending (a position listed already is not doubled).
void AddStartPeak(std::vector<double>& peaks, double x);
// Removes the start peak nearest to x when it lies within `tolerance`; true when one was removed.
bool RemoveStartPeak(std::vector<double>& peaks, double x, double tolerance);

// "Accept" of the profile fit: centres[k] belongs to the peak started at starts[k]. A start that
// was a peak of the list (listed: the list's positions when the fit started) moves that peak to
// its centre; a start added in the window adds a peak. Non-finite centres are skipped.
void AcceptProfileCentres(WorkbenchSession& session, const std::vector<double>& starts,
                          const std::vector<double>& listed, const std::vector<double>& centres);

// The chart of a fit range: the data, a vertical line at each start peak, and with a fit the
// model (red), each peak on the background with its Kα2 partner (one colour each) and the
// difference data - model (green). The x axis spans [from, to] exactly.
plot::TPlotXYDataset ProfileFitChart(const ScanColumns& scan, double from, double to,
                                     const std::vector<double>& startPeaks,
                                     const tools::ProfileFitResult* fit);

// A value and its standard error with as many decimals as the error's two significant digits
// need (43.2157 and 0.0012); a zero or non-finite error: the value with six significant digits
// and an empty error.
struct ValueWithError {
    std::string Value;
    std::string Error;
};
ValueWithError FormatValueWithError(double value, double error, char decimalSeparator);

// Rows of text cells: the header first. Joined with TABs and CR LF they are the clipboard text.
using TextTable = std::vector<std::vector<std::string>>;
std::string TableText(const TextTable& table);

// Per peak: number, centre, FWHM, height, area and (pseudo-Voigt, Pearson VII) eta or m, each
// followed by its error; then an empty row, chi2red and Rwp in percent.
TextTable ProfileFitTable(const tools::ProfileFitResult& fit, char decimalSeparator);

// Per peak: centre, FWHM, instrument FWHM (degrees), beta (radians) and the Scherrer size in nm,
// or "not broadened" in both; with Williamson-Hall an empty row, its size and strain with errors.
inline constexpr const char* kNotBroadened = "not broadened";
TextTable SizeTable(const tools::SizeAnalysis& analysis, char decimalSeparator);

// Williamson-Hall chart: beta cos(theta) over 4 sin(theta) of the broadened peaks and the line
// of the result (intercept K lambda / size, slope the strain).
plot::TPlotXYDataset WilliamsonHallChart(const tools::SizeAnalysis& analysis, double wavelength,
                                         double k);

}  // namespace trevasc
