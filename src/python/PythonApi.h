#pragma once
// The calls behind the Python module, without Python: reading a file as `trevasc-cli info` opens
// it, the processed curve, the peak search of `trevasc-cli peaks` and the maps of
// `trevasc-cli map`. Every call builds its own session or registry, so calls share no state and
// run in parallel threads.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "analysis/StructureSimulation.h"
#include "base/Json.h"
#include "core/ScanData.h"
#include "plot/TwoDPlot.h"
#include "session/WorkbenchSettings.h"
#include "tools/maps/MapBuilder.h"
#include "tools/profile/SizeStrain.h"

namespace trevasc::python {

// A file that could not be read; the message is the workbench's.
class ReadFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An argument out of its range, or a map that cannot be built from the scans.
class ArgumentFailure : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// A file as read: the scans (raw points only) and what `trevasc-cli info` reports about it.
struct Measurement {
    std::string Path;
    std::string Format;  // "xml", "two-column", "xylib:NAME", ...
    std::string Kind;    // "TwoTheta", "Omega", ..., "TwoThetaCommonOmega"
    TScanKind ScanKind = TScanKind::TwoTheta;
    std::string Title;  // the plot title
    std::vector<std::string> Warnings;
    ScanRegistry Registry;
};

// Reads a file as the workbench opens its main file (dataset: the answer to a scan list's
// dataset question; datasetGiven false adds a warning naming the dataset taken). Throws
// ReadFailure with the reader's message.
std::shared_ptr<const Measurement> ReadMeasurement(const std::string& path, int dataset = 1,
                                                   bool datasetGiven = false);

// The processing and peak-search options of the batch tool (--smooth W, --background W,
// --slope-samples N, --min-height H, --min-slope S, --min-curvature C, --bisector P,
// --double-peak-dist D, --method 1|2) with its defaults.
struct PeakOptions {
    std::optional<int> Smooth;
    std::optional<int> Background;
    int SlopeSamples = 15;
    int MinHeight = 30;
    int MinSlope = 40;
    int MinCurvature = 40;
    std::optional<int> Bisector;
    double DoublePeakDistance = 0.1;
    int Method = 1;
};

// The workbench's settings for the options; throws ArgumentFailure naming the argument out of
// its range.
analysis::ProcessingSettings ProcessingOf(const PeakOptions& options);
analysis::PeakSearchSettings PeakSearchOf(const PeakOptions& options);

// The counts of the processed curve of a scan (with active Kα2 stripping the stripped whole
// counts of the main scan, then smoothing, then background removal).
std::vector<double> ProcessedCounts(const TDataSet& scan,
                                    const analysis::ProcessingSettings& settings,
                                    const Kalpha2Settings& kalpha2 = {});

// What a call works on: a file, opened as `trevasc-cli` opens FILE (with the scan-list dataset),
// or a scan read before (of the given kind).
struct ScanSource {
    const TDataSet* Scan = nullptr;
    TScanKind Kind = TScanKind::TwoTheta;
    std::string Title;  // the plot title of the scan's file
    // The file to open; with a scan read before, the file a main scan was read from (whose peak
    // list file counts), empty for an additional scan.
    std::string Path;
    int Dataset = 1;
    bool DatasetGiven = false;
};

struct PeakSearchResult {
    std::vector<TPeak> Peaks;  // by ascending position
    std::vector<std::string> Warnings;
};
// The peak search of `trevasc-cli peaks`. ReadFailure when the file cannot be read.
PeakSearchResult FindPeaks(const ScanSource& source, const PeakOptions& options,
                           const Kalpha2Settings& kalpha2 = {});

// `trevasc-cli fit FILE --profile P [--from X --to Y] [--left XL --right XR]`: one peak fitted
// in the range (default: the whole scan) between the background boundaries (default: the
// range's ends), on the processed curve of the processing options.
struct FitOptions {
    std::string Profile = "gauss";  // or "lorentz"
    std::optional<double> From, To, Left, Right;
    PeakOptions Processing;  // the processing options (the search options are not used)
};
struct FitOutcome {
    json::Value Result;  // the keys of `trevasc-cli fit --json`
    std::vector<std::string> Warnings;
};
// Throws ArgumentFailure with the batch tool's message when no peak can be fitted.
FitOutcome FitPeak(const ScanSource& source, const FitOptions& options);

// The X-ray tube selector of `trevasc-cli map`: at most one of wavelength (Angstrom), energy (eV)
// and line (a name of XRAY.DEF); none gives the definition file's first line.
struct WavelengthChoice {
    std::optional<double> Wavelength;
    std::optional<double> Energy;
    std::optional<std::string> Line;
};
double SelectedWavelength(const WavelengthChoice& choice);
// The selector's wavelength and the Kα doublet of its selected line, or why there is none.
struct SelectedLine {
    double Wavelength = 0.0;
    std::optional<tools::KalphaDoublet> Doublet;
    std::string NoDoubletReason;
};
SelectedLine SelectLine(const WavelengthChoice& choice);

// `--strip-kalpha2 [--kalpha2-ratio R]` with the tube selector's line: the session's Kα2
// stripping. Throws ArgumentFailure for a ratio outside 0..1, or with stripping asked for when
// the selected line has no Kα2 partner (the reason the window shows).
struct Kalpha2Options {
    bool Strip = false;
    double Ratio = 0.5;
    WavelengthChoice Wavelength;
};
Kalpha2Settings Kalpha2Of(const Kalpha2Options& options);

// `trevasc-cli simulate --json`: the reflections of a crystal system (a name as the batch tool
// takes it, such as "cubic") with the lattice parameters and index ranges of the "Structure"
// tab, at the wavelength chosen. Throws ArgumentFailure for a value out of its field's range.
struct SimulateOptions {
    std::string System;
    analysis::TLatticeParameters Cell;
    analysis::TIndexRange H, K, L;
    WavelengthChoice Wavelength;
};
json::Value SimulateStructure(const SimulateOptions& options);

// `trevasc-cli thickness --json`: the film thickness from the checked peaks of a scan (its peak
// list, else a Method 1 search) or from the given 2Theta positions.
struct ThicknessOptions {
    std::optional<std::vector<double>> Peaks;
    bool Half = false;
    std::optional<double> Thickness;  // nm, typed in after the estimate
    std::optional<int> FirstIndex;
    bool FitOrders = false;
    WavelengthChoice Wavelength;
};
// source is nullptr with Peaks given.
json::Value FilmThickness(const ScanSource* source, const ThicknessOptions& options);

// `trevasc-cli lattice --json`: the lattice constant from the checked peaks of a scan (its peak
// list, else a Method 1 search) or from the given 2Theta positions, with the base direction, the
// expected constant, an automatic scan of trial constants (start, end, step) or a multiplier per
// peak (0: automatic).
struct LatticeOptions {
    std::optional<std::vector<double>> Peaks;
    std::string Direction = "1,0,0";
    std::optional<double> Expected;
    std::optional<std::vector<double>> Auto;
    std::vector<int> Manual;
    WavelengthChoice Wavelength;
};
json::Value LatticeConstant(const ScanSource* source, const LatticeOptions& options);

// `trevasc-cli profile`, `instrument` and `size`: the peaks (default: those the peak search of
// Search finds), the profile shape ("gauss", "lorentz", "pseudo-voigt", "pearson7"), each peak
// with its Kα2 twin, the Kα2 stripping and the tube line (also the doublet's and the size's
// wavelength), and the processing and peak-search options.
struct ProfileRunOptions {
    std::optional<std::vector<double>> Peaks;
    std::string Shape = "pseudo-voigt";
    bool Doublets = false;
    Kalpha2Options Kalpha2;
    PeakOptions Search;
};
// The scan's correction for size and strain: the Scherrer constant, the subtraction of the
// instrument broadening ("quadratic" or "linear") and the instrument function.
struct SizeOptions {
    double K = tools::kDefaultScherrerK;
    std::string Correction = "quadratic";
    tools::InstrumentFunction Instrument;
};
struct ProfileOutcome {
    json::Value Result;  // the keys of the command's --json
    std::vector<std::string> Warnings;
    std::optional<std::string> Error;  // why there is no result (no peak, a failed fit)
};
// `profile --from X --to Y --json`: the peaks fitted together over [from, to].
ProfileOutcome FitProfiles(const ScanSource& source, double from, double to,
                           const ProfileRunOptions& options);
// `instrument --json`: each peak fitted alone and U, V, W fitted to their FWHMs.
ProfileOutcome FitInstrument(const ScanSource& source, const ProfileRunOptions& options);
// `size --json`: Scherrer sizes and Williamson-Hall from the single fits.
ProfileOutcome AnalyseSizeStrain(const ScanSource& source, const ProfileRunOptions& options,
                                 const SizeOptions& size);

// `trevasc-cli identify --json`: the substrate peaks of a scan, named after the expected
// reflections of a material of the substrate database (by name, or the best candidate with
// AutoSelect), within MaxDeviation degrees; the peaks given, else the scan's peak list file,
// else a Method 1 search.
struct IdentifyOptions {
    std::optional<std::string> Material;
    bool AutoSelect = false;
    double MaxDeviation = 0.5;
    std::optional<std::vector<double>> Peaks;
    std::optional<std::string> Database;  // none: WorkbenchDatabase()
};
// Throws ArgumentFailure for the arguments and with the batch tool's message when there is
// nothing to identify (no such database or material, fewer than two points), ReadFailure when
// the file cannot be read. The warnings (reading the scan, a damaged database, a material's
// unreadable lines) are appended to `warnings` as they arise, also when the call fails.
json::Value IdentifySubstrate(const ScanSource& source, const IdentifyOptions& options,
                              std::vector<std::string>& warnings);
// The default database of identify(): substrates.ini of the workbench's configuration folder,
// $XDG_CONFIG_HOME/trevasc/, else ~/.config/trevasc/ (the module's folder when neither is set):
// the file the workbench and trevasc-cli use, seeded from Substrates.DEF of the definition
// folder (DefinitionFolder in PythonApi.cpp) when missing.
std::string WorkbenchDatabase();

struct MapOptions {
    tools::MapMode Mode = tools::MapMode::TwoAxis;
    double OmegaOffset = 0.0;
    double TwoThetaOffset = 0.0;
    bool FlipKParallel = false;
    WavelengthChoice Wavelength;
};
// The points of the map of a measurement's scans, as `trevasc-cli map --json --points` lists
// them. Throws ArgumentFailure with the batch tool's message when there is no map.
plot::T2dPlotDataset BuildMap(const Measurement& measurement, const MapOptions& options);

}  // namespace trevasc::python
