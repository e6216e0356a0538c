#include "python/PythonApi.h"

#include <dlfcn.h>

#include <filesystem>
#include <utility>

#include "analysis/PeakList.h"
#include "base/Error.h"
#include "base/FailureText.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "core/BatchPrompts.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "session/ProfileAnalysis.h"
#include "session/ResultJson.h"
#include "session/SubstrateIdentification.h"
#include "session/ToolHandOver.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc::python {

namespace {

int WholeNumber(const char* name, int value, int lo, int hi) {
    if (value < lo || value > hi)
        throw ArgumentFailure(std::string(name) + " needs a whole number from " +
                              std::to_string(lo) + " to " + std::to_string(hi));
    return value;
}

// The folder of the module's own file (found through a function of it), with a trailing "/";
// empty when unknown.
std::string ModuleFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || !info.dli_fname)
        return std::string();
    return FolderWithDelimiter(
        std::filesystem::absolute(std::filesystem::path(info.dli_fname)).string());
}

// The folder of the definition files (XRAY.DEF, Substrates.DEF), by the batch tool's rules seen
// from the module: beside it (the build copies them into build/python/trevasc), else
// <prefix>/share/trevasc seen from an installed module, else the installation prefix's data
// folder.
std::string DefinitionFolder() {
    const std::string module = ModuleFolder();
    return module.empty() ? std::string()
                          : FindDefinitionFolder(module, TREVASC_PYTHON_DATA_FROM_MODULE);
}

}  // namespace

std::shared_ptr<const Measurement> ReadMeasurement(const std::string& path, int dataset,
                                                   bool datasetGiven) {
    if (dataset < 1) throw ArgumentFailure("dataset needs a whole number of at least 1");
    auto m = std::make_shared<Measurement>();
    m->Path = path;
    BatchPrompts prompts(dataset, datasetGiven, "dataset=N");
    // The points as read: the processed curves are built by the calls that need them.
    WorkbenchSession session(prompts, false);
    try {
        session.OpenMainFile(path);
    } catch (...) {
        throw ReadFailure(CurrentFailureText());
    }
    m->Format = session.Scans().LastFormatName();
    m->ScanKind = session.Scans().Registry().OpenScanKind;
    m->Kind = ScanKindName(m->ScanKind);
    m->Title = session.Scans().Registry().PlotTitle;
    m->Warnings = prompts.TakeWarnings();
    // The session's scans move into the measurement; the session keeps an empty registry.
    std::swap(m->Registry, session.Scans().Registry());
    return m;
}

analysis::ProcessingSettings ProcessingOf(const PeakOptions& o) {
    analysis::ProcessingSettings s;
    if (o.Smooth) {
        s.NoiseSuppression = true;
        s.SmoothWidth =
            WholeNumber("smooth", *o.Smooth, analysis::kMinSmoothWidth, analysis::kMaxSmoothWidth);
    }
    if (o.Background) {
        s.RemoveBackground = true;
        s.BackgroundWidth = WholeNumber("background", *o.Background, analysis::kMinBackgroundWidth,
                                        analysis::kMaxBackgroundWidth);
    }
    s.SlopeCount = WholeNumber("slope_samples", o.SlopeSamples, analysis::kMinSlopeCount,
                               analysis::kMaxSlopeCount);
    return s;
}

analysis::PeakSearchSettings PeakSearchOf(const PeakOptions& o) {
    analysis::PeakSearchSettings s;
    s.MinPeakHeight = WholeNumber("min_height", o.MinHeight, analysis::kMinPeakHeightLimit,
                                  analysis::kMaxPeakHeightLimit);
    s.MinPeakSlope = WholeNumber("min_slope", o.MinSlope, analysis::kMinPeakSlopeLimit,
                                 analysis::kMaxPeakSlopeLimit);
    s.MinPeakCurvature = WholeNumber("min_curvature", o.MinCurvature, analysis::kMinPeakSlopeLimit,
                                     analysis::kMaxPeakSlopeLimit);
    if (o.Bisector) {
        s.UseAreaBisector = true;
        s.BisectorPercentage =
            WholeNumber("bisector", *o.Bisector, analysis::kMinBisectorPercentage,
                        analysis::kMaxBisectorPercentage);
    }
    // Written so that NaN is refused as well.
    if (!(o.DoublePeakDistance >= 0 && o.DoublePeakDistance <= analysis::kMaxDoublePeakDistance))
        throw ArgumentFailure("double_peak_dist needs a number from 0 to 180");
    s.MinDoublePeakDistance = o.DoublePeakDistance;
    WholeNumber("method", o.Method, 1, 2);
    return s;
}

namespace {

analysis::TPeakMethod MethodOf(const PeakOptions& o) {
    return o.Method == 2 ? analysis::TPeakMethod::Curvature : analysis::TPeakMethod::Slope;
}

// A scan with the raw points of `scan` and nothing processed yet.
TDataSet RawCopy(const TDataSet& scan) {
    TDataSet copy;
    copy.RawPoints = scan.RawPoints;
    copy.Name = scan.Name;
    copy.SecondAxisName = scan.SecondAxisName;
    copy.SecondAxisPosition = scan.SecondAxisPosition;
    copy.Peaks = scan.Peaks;  // the peak list read beside the file
    return copy;
}

}  // namespace

std::vector<double> ProcessedCounts(const TDataSet& scan,
                                    const analysis::ProcessingSettings& settings,
                                    const Kalpha2Settings& kalpha2) {
    TDataSet copy = RawCopy(scan);
    if (kalpha2.Active()) {
        // As the session rebuilds its main scan: the stripped counts feed the processing.
        const TRawPointArray stripped =
            tools::StripKalpha2(copy.RawPoints, *kalpha2.Doublet, kalpha2.Ratio);
        analysis::RebuildProcessedCurve(copy, settings, analysis::kParallelPointsFrom, &stripped);
    } else {
        analysis::RebuildProcessedCurve(copy, settings);
    }
    std::vector<double> counts;
    counts.reserve(copy.Points.size());
    for (const TDataPoint& p : copy.Points) counts.push_back(p.Intensity);
    return counts;
}

namespace {

// Opens the source as the main scan of the session, whose processing is set already.
void OpenSource(WorkbenchSession& session, const ScanSource& source) {
    if (!source.Scan) {
        try {
            session.OpenMainFile(source.Path);
        } catch (...) {
            throw ReadFailure(CurrentFailureText());
        }
        return;
    }
    session.Scans().Registry().MainScan() = RawCopy(*source.Scan);
    session.Scans().Registry().OpenScanKind = source.Kind;
    session.Scans().Registry().PlotTitle = source.Title;
    // The steps that follow a reader when the workbench opens a main file.
    session.RebuildAllProcessedCurves();
    RefreshPeakIntensities(session.Scans().MainScan());
    session.ComputeMainSlope();
    session.HandOver();
}

void CheckDataset(const ScanSource& source) {
    if (source.Dataset < 1) throw ArgumentFailure("dataset needs a whole number of at least 1");
}

}  // namespace

PeakSearchResult FindPeaks(const ScanSource& source, const PeakOptions& options,
                           const Kalpha2Settings& kalpha2) {
    CheckDataset(source);
    const analysis::ProcessingSettings processing = ProcessingOf(options);
    const analysis::PeakSearchSettings search = PeakSearchOf(options);
    BatchPrompts prompts(source.Dataset, source.DatasetGiven, "dataset=N");
    WorkbenchSession session(prompts);
    // The order of `trevasc-cli peaks`: the processing is set while no scan is open, so that
    // the curve is built once.
    session.Settings().SetProcessing(processing);
    session.Settings().SetKalpha2Stripping(kalpha2);
    OpenSource(session, source);
    session.Settings().SetPeakSearch(search);
    session.Peaks().Find(MethodOf(options));
    return {std::move(session.Scans().MainScan().Peaks.Items), prompts.TakeWarnings()};
}

FitOutcome FitPeak(const ScanSource& source, const FitOptions& options) {
    CheckDataset(source);
    if (options.Profile != "gauss" && options.Profile != "lorentz")
        throw ArgumentFailure("profile needs 'gauss' or 'lorentz'");
    if (options.From.has_value() != options.To.has_value())
        throw ArgumentFailure("from_ and to go together");
    if (options.Left.has_value() != options.Right.has_value())
        throw ArgumentFailure("left and right go together");
    const tools::FitProfile profile =
        options.Profile == "gauss" ? tools::FitProfile::Gauss : tools::FitProfile::Lorentz;
    BatchPrompts prompts(source.Dataset, source.DatasetGiven, "dataset=N");
    WorkbenchSession session(prompts);
    session.Settings().SetProcessing(ProcessingOf(options.Processing));
    OpenSource(session, source);
    // As `trevasc-cli fit` without --auto.
    const TDataPointArray& points = session.Scans().MainScan().Points;
    double from = points.empty() ? 0.0 : points.front().Position;
    double to = points.empty() ? 0.0 : points.back().Position;
    if (options.From) from = *options.From, to = *options.To;
    const tools::DisplayFitRange range = tools::MapDisplayRange(points, from, to);
    if (!range.Error.empty()) throw ArgumentFailure(range.Error);
    double left = points[static_cast<size_t>(range.First)].Position;
    double right = points[static_cast<size_t>(range.Last)].Position;
    if (options.Left) left = *options.Left, right = *options.Right;
    const tools::FitResult r =
        tools::PeakFit(points, range.First, range.Last).Run(profile, left, right);
    if (!r.Fitted) throw ArgumentFailure(r.Error);
    return {PeakFitJson(range.First, range.Last, left, right, r), prompts.TakeWarnings()};
}

SelectedLine SelectLine(const WavelengthChoice& choice) {
    const int given =
        choice.Wavelength.has_value() + choice.Energy.has_value() + choice.Line.has_value();
    if (given > 1) throw ArgumentFailure("give only one of wavelength, energy and line");
    BatchPrompts prompts(1, true, "dataset=N");
    const std::string folder = DefinitionFolder();
    const std::string xray = folder.empty() ? std::string() : folder + "XRAY.DEF";
    XrayTubeSelectorState selector(xray, prompts);
    selector.Create();
    // Typed into the selector's fields as the batch tool's options are (15 significant digits:
    // the text a user would type for a float of Python).
    if (choice.Wavelength) {
        if (!(*choice.Wavelength > 0.0))
            throw ArgumentFailure("wavelength needs a wavelength above 0");
        selector.OnWavelengthTextEdited(FormatGeneral(*choice.Wavelength, 15));
    } else if (choice.Energy) {
        if (!(*choice.Energy > 0.0)) throw ArgumentFailure("energy needs an energy above 0");
        selector.OnEnergyTextEdited(FormatGeneral(*choice.Energy, 15));
    } else if (choice.Line) {
        const auto& names = selector.Names();
        const auto it = std::find(names.begin(), names.end(), *choice.Line);
        if (it == names.end())
            throw ArgumentFailure("line: unknown X-ray line '" + *choice.Line + "'");
        selector.OnSelectionChanged(static_cast<int>(it - names.begin()));
    } else if (selector.Names().empty()) {
        return {WorkbenchSettings::kDefaultWavelength, std::nullopt,
                tools::FindKalphaDoublet(XrayLineTable(xray), "").Reason};
    }
    if (!prompts.Warnings().empty()) throw ArgumentFailure(prompts.Warnings().back());
    const int index = selector.SelectedIndex();
    const std::string line =
        index >= 0 ? selector.Names()[static_cast<size_t>(index)] : std::string();
    const tools::KalphaDoubletLookup lookup = tools::FindKalphaDoublet(XrayLineTable(xray), line);
    return {selector.Wavelength(), lookup.Doublet, lookup.Reason};
}

double SelectedWavelength(const WavelengthChoice& choice) {
    return SelectLine(choice).Wavelength;
}

Kalpha2Settings Kalpha2Of(const Kalpha2Options& options) {
    if (!(options.Ratio >= tools::kMinKalpha2Ratio && options.Ratio <= tools::kMaxKalpha2Ratio))
        throw ArgumentFailure("kalpha2_ratio needs a number from 0 to 1");
    if (!options.Strip) return {};
    const SelectedLine line = SelectLine(options.Wavelength);
    if (!line.Doublet) throw ArgumentFailure(line.NoDoubletReason);
    return {true, options.Ratio, line.Doublet};
}

namespace {

// The main scan opened for the profile analysis as `trevasc-cli profile` opens it, with the fit
// options and the selected line.
struct ProfileRun {
    BatchPrompts Prompts;
    WorkbenchSession Session;
    tools::ProfileFitOptions Fit;
    SelectedLine Line;

    ProfileRun(const ScanSource& source, const ProfileRunOptions& options)
        : Prompts(source.Dataset, source.DatasetGiven, "dataset=N"), Session(Prompts) {
        CheckDataset(source);
        const auto shape = tools::ParseProfileShape(options.Shape);
        if (!shape) throw ArgumentFailure("shape needs gauss, lorentz, pseudo-voigt or pearson7");
        const analysis::ProcessingSettings processing = ProcessingOf(options.Search);
        PeakSearchOf(options.Search);
        const Kalpha2Settings kalpha2 = Kalpha2Of(options.Kalpha2);
        Line = SelectLine(options.Kalpha2.Wavelength);
        Fit.Shape = *shape;
        Fit.Doublets = options.Doublets;
        Fit.Kalpha2Ratio = options.Kalpha2.Ratio;
        if (Fit.Doublets) {
            if (!Line.Doublet) throw ArgumentFailure(Line.NoDoubletReason);
            Fit.Doublet = *Line.Doublet;
        }
        Session.Settings().SetProcessing(processing);
        Session.Settings().SetKalpha2Stripping(kalpha2);
        OpenSource(Session, source);
    }

    std::vector<double> Peaks(const ProfileRunOptions& options,
                              std::optional<std::pair<double, double>> range) {
        return ListedOrFoundPeaks(Session, options.Peaks, PeakSearchOf(options.Search),
                                  MethodOf(options.Search), range);
    }

    // The single fits, with a warning for each peak whose fit failed.
    SinglePeakFits SingleFits(const ProfileRunOptions& options) {
        SinglePeakFits fits = FitMainScanPeaks(Session, Peaks(options, std::nullopt), Fit);
        for (const auto& [position, error] : fits.Failed)
            Prompts.ShowInfo("peak at " + FormatShortest(position) + ": " + error);
        return fits;
    }
};

// The analysis's own failures (no peak, a fit that did not converge) come back as the outcome's
// error, after the warnings of the fits before them.
template <class F>
ProfileOutcome Reported(ProfileRun& run, F&& result) {
    try {
        return {result(), run.Prompts.TakeWarnings(), {}};
    } catch (const TrevascError& e) {
        return {json::Value(), run.Prompts.TakeWarnings(), e.what()};
    }
}

}  // namespace

ProfileOutcome FitProfiles(const ScanSource& source, double from, double to,
                           const ProfileRunOptions& options) {
    ProfileRun run(source, options);
    return Reported(run, [&] {
        return ProfileFitJson(FitMainScanProfiles(
            run.Session, from, to, run.Peaks(options, std::pair{from, to}), run.Fit));
    });
}

ProfileOutcome FitInstrument(const ScanSource& source, const ProfileRunOptions& options) {
    ProfileRun run(source, options);
    return Reported(run, [&] {
        const SinglePeakFits fits = run.SingleFits(options);
        return InstrumentJson(InstrumentFunctionOf(fits), fits.Centers, fits.Fwhms);
    });
}

ProfileOutcome AnalyseSizeStrain(const ScanSource& source, const ProfileRunOptions& options,
                                 const SizeOptions& size) {
    if (!(size.K > 0.0)) throw ArgumentFailure("k needs a number above 0");
    const auto correction = tools::ParseBroadeningCorrection(size.Correction);
    if (!correction) throw ArgumentFailure("correction needs quadratic or linear");
    ProfileRun run(source, options);
    return Reported(run, [&] {
        const SinglePeakFits fits = run.SingleFits(options);
        const tools::SizeAnalysis analysis = tools::AnalyseSize(
            fits.Centers, fits.Fwhms, size.Instrument, *correction, run.Line.Wavelength, size.K);
        return SizeJson(size.K, run.Line.Wavelength, size.Instrument, analysis);
    });
}

json::Value SimulateStructure(const SimulateOptions& options) {
    const analysis::TCrystalSystem system = analysis::CrystalSystemFromName(options.System);
    if (system == analysis::TCrystalSystem::None)
        throw ArgumentFailure("system needs one of the seven crystal systems");
    const analysis::TLatticeParameters& cell = options.Cell;
    for (const auto& [name, value] : {std::pair{"a", cell.A}, {"b", cell.B}, {"c", cell.C}})
        if (!(value >= 0 && value <= analysis::kMaxLatticeLength))
            throw ArgumentFailure(std::string(name) + " is out of range");
    for (const auto& [name, value] :
         {std::pair{"alpha", cell.Alpha}, {"beta", cell.Beta}, {"gamma", cell.Gamma}})
        if (!(value >= 0 && value <= analysis::kMaxLatticeAngle))
            throw ArgumentFailure(std::string(name) + " is out of range");
    for (const auto& [name, range] :
         {std::pair{"h", options.H}, {"k", options.K}, {"l", options.L}})
        if (range.Min < analysis::kMinIndexLimit || range.Min > analysis::kMaxMinIndexLimit ||
            range.Max < analysis::kMinMaxIndexLimit || range.Max > analysis::kMaxIndexLimit)
            throw ArgumentFailure(std::string(name) +
                                  " needs MIN from -100 to 100 and MAX from -20 to 20");
    const double wavelength = SelectedWavelength(options.Wavelength);
    const auto peaks =
        analysis::SimulateStructure(system, cell, options.H, options.K, options.L, wavelength);
    return SimulateJson(analysis::SelectCrystalSystem(system), wavelength, peaks);
}

namespace {

// The checked peaks that the peak list hands to the lattice and thickness windows, as rows, or
// the given positions; ArgumentFailure when there are none.
std::vector<std::string> HandedOverPeaks(WorkbenchSession& session, const ScanSource* source,
                                         const std::optional<std::vector<double>>& peaks) {
    if (peaks.has_value() == (source != nullptr))
        throw ArgumentFailure("give either a scan or peaks, not both");
    // The peaks as the batch tool collects them: the positions given, or the checked peaks
    // that the peak list hands over.
    std::vector<std::string> rows;
    if (peaks) {
        for (double p : *peaks) rows.push_back(FormatFixed(p, 3));
    } else {
        OpenSource(session, *source);
        if (session.Scans().MainScan().Peaks.Count() == 0)
            session.Peaks().Find(analysis::TPeakMethod::Slope);
        rows = analysis::CheckedPeakLines(session.Scans().MainScan(),
                                          session.Settings().DecimalSeparator());
    }
    if (rows.empty()) throw ArgumentFailure("no peaks to calculate with");
    return rows;
}

}  // namespace

json::Value LatticeConstant(const ScanSource* source, const LatticeOptions& options) {
    for (int m : options.Manual) WholeNumber("manual", m, 0, 100);
    if (options.Auto && options.Auto->size() != 3)
        throw ArgumentFailure("auto needs (start, end, step)");
    BatchPrompts prompts(1, false, "dataset=N");
    WorkbenchSession session(prompts);
    const double wavelength = SelectedWavelength(options.Wavelength);
    session.Settings().SetCurrentWavelength(wavelength);
    const std::vector<std::string> rows = HandedOverPeaks(session, source, options.Peaks);
    // As `trevasc-cli lattice` runs the window's steps.
    tools::LatticeCalculation calc;
    calc.ReceivePeaks(rows, source ? session.Scans().MainScan().Name : std::string());
    calc.DirectionFieldText = options.Direction;
    if (options.Expected)
        calc.ExpectedText = tools::LatticeCalculation::ExpectedField().TextOf(*options.Expected);
    if (!options.Manual.empty() && options.Manual.size() != rows.size())
        throw ArgumentFailure("manual needs one multiplier per peak (" +
                              std::to_string(rows.size()) + ")");
    if (options.Auto) {
        const std::vector<double>& parts = *options.Auto;
        // The dialog's fields: start and end 0 to 10000, step at most 100.
        const auto start = tools::LatticeCalculation::AutoStartField();
        const auto step = tools::LatticeCalculation::AutoStepField();
        ApplyLatticeEffects(
            session, calc.AutoScanLattice(wavelength, start.Clamp(parts[0]), start.Clamp(parts[1]),
                                          parts[2] <= 0 ? parts[2] : step.Clamp(parts[2])));
    }
    bool calculated = options.Auto.has_value();
    for (size_t i = 0; i < options.Manual.size(); ++i)
        if (options.Manual[i] != 0) {
            ApplyLatticeEffects(session, calc.AssignManualMultiplier(
                                             static_cast<int>(i), options.Manual[i], wavelength));
            calculated = true;
        }
    if (!calculated) ApplyLatticeEffects(session, calc.CalculateLatticeData(wavelength));
    return LatticeJson(calc, session.Scans().Registry().PlotTitle);
}

json::Value FilmThickness(const ScanSource* source, const ThicknessOptions& options) {
    if (options.FitOrders && (options.Half || options.FirstIndex))
        throw ArgumentFailure("fit_orders chooses the first index and +1/2 itself");
    if (options.FirstIndex) WholeNumber("first_index", *options.FirstIndex, 1, 1000);
    BatchPrompts prompts(1, false, "dataset=N");
    WorkbenchSession session(prompts);
    const double wavelength = SelectedWavelength(options.Wavelength);
    const std::vector<std::string> rows = HandedOverPeaks(session, source, options.Peaks);
    tools::FilmThicknessCalculation calc;
    calc.ReceivePeaks(rows);
    calc.SetHalfOrders(options.Half);
    calc.Estimate(wavelength);
    if (options.Thickness) calc.ThicknessEdited(FormatGeneral(*options.Thickness, 15), wavelength);
    if (options.FirstIndex) calc.SetFirstIndex(*options.FirstIndex);
    if (options.FitOrders) calc.FitOrders(wavelength);
    ApplyThicknessEffects(session, calc.Calculate(wavelength));
    return ThicknessJson(calc, session.Scans().Registry().PlotTitle,
                         session.Settings().AdditionalLatticeSpacing());
}

std::string WorkbenchDatabase() {
    return WorkbenchConfigPaths(ModuleFolder(), DefinitionFolder()).SubstratesIniPath;
}

json::Value IdentifySubstrate(const ScanSource& source, const IdentifyOptions& options,
                              std::vector<std::string>& warnings) {
    CheckDataset(source);
    if (options.Material.has_value() == options.AutoSelect)
        throw ArgumentFailure("give either material or auto_select");
    // Written so that NaN is refused as well.
    if (!(options.MaxDeviation >= 0 && options.MaxDeviation <= kMaxIdentifyDeviation))
        throw ArgumentFailure("max_dev needs a number from 0 to 10");
    IdentifyRequest request;
    request.Peaks = options.Peaks;
    request.Material = options.Material;
    request.MaxDeviation = options.MaxDeviation;
    request.DatabaseGiven = options.Database.has_value();
    request.Database = options.Database ? *options.Database : WorkbenchDatabase();
    request.ScanFile = source.Path;
    BatchPrompts prompts(source.Dataset, source.DatasetGiven, "dataset=N");
    WorkbenchSession session(prompts);
    std::vector<IdentifyWarning> found;
    size_t taken = 0;
    // In the order they arose: the database's before the reader's, the material's last.
    const auto collect = [&] {
        for (; taken < found.size(); ++taken) warnings.push_back(found[taken].Text);
        for (std::string& w : prompts.TakeWarnings()) warnings.push_back(std::move(w));
    };
    try {
        const auto open = [&] {
            collect();
            OpenSource(session, source);
        };
        const IdentifyReport report = IdentifySubstratePeaks(session, open, request, found);
        collect();
        return IdentifyJson(report);
    } catch (const TrevascError& e) {
        collect();
        throw ArgumentFailure(e.what());
    } catch (...) {
        collect();
        throw;
    }
}

plot::T2dPlotDataset BuildMap(const Measurement& measurement, const MapOptions& options) {
    tools::MapRequest request;
    request.Mode = options.Mode;
    request.OmegaOffset = options.OmegaOffset;
    request.TwoThetaOffset = options.TwoThetaOffset;
    request.FlipKParallel = options.FlipKParallel;
    request.Wavelength = SelectedWavelength(options.Wavelength);
    // The map runs over the processed points, which are the raw points when nothing is
    // smoothed (as in the batch tool's session): a registry of copies, the measurement stays
    // as read.
    ScanRegistry scans;
    const ScanRegistry& source = measurement.Registry;
    for (int k = 0; k <= source.AdditionalCount(); ++k) {
        TDataSet& scan = k == 0 ? scans.MainScan() : scans.AppendAdditionalScan();
        const TDataSet& from = source.ScanAt(k);
        scan.Name = from.Name;
        scan.SecondAxisName = from.SecondAxisName;
        scan.SecondAxisPosition = from.SecondAxisPosition;
        scan.SetRawPoints(ToDataPoints(from.RawPoints));
    }
    scans.OpenScanKind = source.OpenScanKind;
    tools::MapBuild build = tools::BuildMapDataset(scans, request);
    if (!build.Built)
        throw ArgumentFailure(!build.Message.empty()
                                  ? build.Message
                                  : "The main scan has fewer than 2 points: there is no map to "
                                    "draw.");
    if (build.Dataset.Points.empty()) throw ArgumentFailure(tools::kNoSecondAxisMessage);
    return std::move(build.Dataset);
}

}  // namespace trevasc::python
