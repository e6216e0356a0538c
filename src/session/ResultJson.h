#pragma once
// The results of the workbench's calculations as JSON values: what the batch commands print
// with --json and what the Python module returns, with the same keys from the same functions.
#include <optional>
#include <string>
#include <vector>

#include "analysis/AdditionalLines.h"
#include "analysis/StructureSimulation.h"
#include "analysis/SubstrateDatabase.h"
#include "base/Json.h"
#include "core/ScanData.h"
#include "formats/ReflectionTable.h"
#include "plot/TwoDPlot.h"
#include "session/AutoFitSequence.h"
#include "tools/fitting/PeakFit.h"
#include "tools/gnuplot/GnuplotExport.h"
#include "tools/lattice/LatticeCalculation.h"
#include "tools/maps/MapBuilder.h"
#include "tools/profile/ProfileFit.h"
#include "tools/profile/SizeStrain.h"
#include "tools/thickness/FilmThicknessCalculation.h"
#include "update/VersionDocument.h"

namespace trevasc {

// One scan of a file as `info` reports it.
struct ScanSummary {
    std::string Name;
    int Count = 0;
    double First = 0, Last = 0;
    std::string SecondAxisName;
    double SecondAxisPosition = 0;
    long long MinIntensity = 0, MaxIntensity = 0;
    int Peaks = 0;
};
ScanSummary Summarize(const TDataSet& scan);

// A file opened as the workbench opens its main file.
struct ScanFileReport {
    std::string File;
    std::string Format;
    std::string Kind;
    std::string Title;
    std::vector<std::string> Warnings;
    std::optional<std::string> Error;  // the reader's message when the file could not be read
    std::vector<ScanSummary> Scans;
};
json::Value ScanFileJson(const ScanFileReport& report);

// The members of one peak of a peak list, in their order: member(key, value) for the position,
// intensity, description and whether it is checked. The one description of those keys for
// PeakJson and for the Python module, which turns ten thousands of peaks into dicts directly.
template <class Member>
void ForEachPeakMember(const TPeak& peak, Member&& member) {
    member("position", peak.Position);
    member("intensity", peak.Intensity);
    member("description", peak.Description);
    member("checked", peak.Checked);
}
// One peak of a peak list as a JSON object of the members above.
json::Value PeakJson(const TPeak& peak);
// The peak list of a file as `peaks --json` prints it: the file and its peaks, one a line.
json::Value PeakListJson(const std::string& file, const std::vector<TPeak>& peaks);

// One peak fit: its range of points (first, last), the background boundaries, and the result.
json::Value PeakFitJson(int first, int last, double left, double right,
                        const tools::FitResult& fit);
// One automatic fit of a checked peak: the job's edges and the result (or its message).
json::Value AutoFitPeakJson(const AutoFitJob& job, const tools::FitResult& fit);
// The automatic fits of a file: the peaks as AutoFitPeakJson and the updated peak list text.
json::Value AutoFitJson(const std::string& file, const std::string& profile,
                        std::vector<json::Value> peaks, const std::string& peakList);

json::Value LatticeJson(const tools::LatticeCalculation& calc, const std::string& plotTitle);
json::Value ThicknessJson(const tools::FilmThicknessCalculation& calc, const std::string& plotTitle,
                          double latticeSpacing);

// A drawn map: titles, the plot area and ranges, the colour range and the gap-filling radius;
// with `points` every point as [x, y, z, scanIndex], with `levels` the level of every cell.
json::Value MapJson(const tools::MapBuild& build, const plot::TwoDPlotResult& drawn, bool points,
                    bool levels);
json::Value GnuplotJson(const tools::GnuplotExportResult& files, const std::string& program);

json::Value SimulateJson(const analysis::TCrystalSystemInputs& inputs, double wavelength,
                         const std::vector<analysis::TStrucSimPeak>& peaks);
json::Value LinesJson(const std::vector<analysis::TAdditionalLine>& lines);
// A card: its rows at `wavelength`, the reflections that have a Bragg angle there, and the
// conversion error (empty: none).
json::Value JcpdsJson(const formats::TReflectionTable& table, const std::vector<std::string>& rows,
                      double wavelength, const std::string& error);
json::Value SubstratesJson(const std::vector<analysis::TSubstrateMaterial>& materials);

// The identification of substrate peaks in a scan.
struct IdentifyReport {
    std::optional<std::string> Material;  // none: no material chosen
    // With the automatic selection: each candidate's name and score (none: no expected
    // reflection inside the scan range).
    std::optional<std::vector<std::pair<std::string, std::optional<double>>>> Scores;
    std::vector<analysis::TExpectedReflection> Expected;
    std::optional<std::string> Allowed;
    std::optional<double> Lattice;
    std::vector<TPeak> Peaks;
};
json::Value IdentifyJson(const IdentifyReport& report);

json::Value UpdateCheckJson(const update::UpdateCheckResult& result);

// A multi-peak profile fit as `profile --json` prints it: shape, background [b0, b1], chi2red,
// rwp, points and per peak its values with their standard errors (eta for pseudo-Voigt, m for
// Pearson VII).
json::Value ProfileFitJson(const tools::ProfileFitResult& fit);
// The instrument function and the peaks it was fitted to.
json::Value InstrumentJson(const tools::InstrumentFunction& f, const std::vector<double>& centers,
                           const std::vector<double>& fwhms);
// Scherrer sizes per peak and the Williamson-Hall result (null with fewer than three broadened
// peaks).
json::Value SizeJson(double k, double wavelength, const tools::InstrumentFunction& f,
                     const tools::SizeAnalysis& analysis);

}  // namespace trevasc
