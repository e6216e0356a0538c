#include "cli/CommandSupport.h"

#include <algorithm>
#include <filesystem>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "cli/CliText.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "session/WorkbenchSession.h"

namespace trevasc::cli {

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (true) {
        const size_t comma = text.find(',', from);
        parts.push_back(text.substr(from, comma - from));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return parts;
}

Option DatasetOption() {
    return {"--dataset", ValueKind::Integer,
            "N",         "the scan of a scan-list file to open (its number, from 1)",
            "1",         1,
            2147483647};
}

int Dataset(const Arguments& a) {
    return a.Integer("--dataset", 1);
}

void PrintWarnings(const std::vector<std::string>& warnings, const std::string& file,
                   std::ostream& err) {
    for (const std::string& w : warnings)
        err << "warning: " << Shown(file) << ": " << Shown(w) << "\n";
}

// Prints the warnings gathered so far, each once: a command that fails after printing them
// then prints only those that came later.
void PrintWarnings(CliPrompts& prompts, const std::string& file, std::ostream& err) {
    PrintWarnings(prompts.TakeWarnings(), file, err);
}

// For a catch block: the warnings, then "trevasc-cli: FILE: MESSAGE"; the exit code. Usage
// and output errors go on to the frame.
int ReportFailure(CliPrompts& prompts, const std::string& file, std::ostream& err) {
    try {
        throw;
    } catch (const UsageError&) {
        throw;
    } catch (const OutputError&) {
        throw;
    } catch (...) {
        const std::string message = CurrentFailure();
        PrintWarnings(prompts, file, err);
        err << "trevasc-cli: " << Shown(file) << ": " << Shown(message) << "\n";
        return 1;
    }
}

// Writes `text` to OUT ("-" = standard output).
void WriteOutput(const std::string& target, const std::string& text, std::ostream& out) {
    if (target == "-") {
        out << text;
        CheckOutput(out);
    } else {
        WriteFileAtomic(target, text);
    }
}

void CommitWithText(OutputSet& outputs, const std::string& target, const std::string& text,
                    std::ostream& out) {
    if (target == "-")
        WriteOutput(target, text, out);
    else
        outputs.Add(target, text);
    outputs.Commit();
}

// The processing and peak search options, with the defaults of the workbench's controls.
std::vector<Option> PeakSearchOptions() {
    using namespace analysis;
    const ProcessingSettings processing;
    const PeakSearchSettings search;
    return {
        {"--method", ValueKind::Integer, "1|2", "peak search: 1 slope, 2 curvature", "1", 1, 2},
        {"--smooth", ValueKind::Integer, "W", "noise suppression over W points", "",
         kMinSmoothWidth, kMaxSmoothWidth},
        {"--background", ValueKind::Integer, "W", "background removal over W points", "",
         kMinBackgroundWidth, kMaxBackgroundWidth},
        {"--slope-samples", ValueKind::Integer, "N", "number of samples for the slope",
         std::to_string(processing.SlopeCount), kMinSlopeCount, kMaxSlopeCount},
        {"--min-height", ValueKind::Integer, "H", "minimum peak height",
         std::to_string(search.MinPeakHeight), kMinPeakHeightLimit, kMaxPeakHeightLimit},
        {"--min-slope", ValueKind::Integer, "S", "minimum peak slope (method 1)",
         std::to_string(search.MinPeakSlope), kMinPeakSlopeLimit, kMaxPeakSlopeLimit},
        {"--min-curvature", ValueKind::Integer, "C", "minimum peak slope' (method 2)",
         std::to_string(search.MinPeakCurvature), kMinPeakSlopeLimit, kMaxPeakSlopeLimit},
        {"--bisector", ValueKind::Integer, "P", "peak position by the area bisector at P percent",
         "", kMinBisectorPercentage, kMaxBisectorPercentage},
        {"--double-peak-dist", ValueKind::Number, "D",
         "minimum distance of double peaks in degrees, 0 to 180",
         FormatShortest(search.MinDoublePeakDistance)},
        DatasetOption(),
    };
}

PeakOptions ReadPeakOptions(const Arguments& a) {
    PeakOptions o;
    if (auto w = a.Integer("--smooth")) {
        o.Processing.NoiseSuppression = true;
        o.Processing.SmoothWidth = *w;
    }
    if (auto w = a.Integer("--background")) {
        o.Processing.RemoveBackground = true;
        o.Processing.BackgroundWidth = *w;
    }
    o.Processing.SlopeCount = a.Integer("--slope-samples", o.Processing.SlopeCount);
    o.Search.MinPeakHeight = a.Integer("--min-height", o.Search.MinPeakHeight);
    o.Search.MinPeakSlope = a.Integer("--min-slope", o.Search.MinPeakSlope);
    o.Search.MinPeakCurvature = a.Integer("--min-curvature", o.Search.MinPeakCurvature);
    if (auto p = a.Integer("--bisector")) {
        o.Search.UseAreaBisector = true;
        o.Search.BisectorPercentage = *p;
    }
    o.Search.MinDoublePeakDistance = a.Number("--double-peak-dist", o.Search.MinDoublePeakDistance);
    if (o.Search.MinDoublePeakDistance < 0 ||
        o.Search.MinDoublePeakDistance > analysis::kMaxDoublePeakDistance)
        throw UsageError{"--double-peak-dist needs a number from 0 to 180"};
    o.Method = a.Integer("--method", 1) == 2 ? analysis::TPeakMethod::Curvature
                                             : analysis::TPeakMethod::Slope;
    return o;
}

Option OutputOption(const std::string& help, bool picture) {
    return {"-o", ValueKind::Text, picture ? "OUT.png" : "OUT", help, "", 0, 0, picture};
}

// The range --from..--to, both or neither.
std::optional<std::pair<double, double>> RangeOption(const Arguments& a) {
    if (a.Has("--from") != a.Has("--to")) throw UsageError{"--from and --to go together"};
    if (!a.Has("--from")) return std::nullopt;
    return std::pair{*a.Number("--from"), *a.Number("--to")};
}

// The numbers of a comma-separated list.
std::vector<double> NumberList(const std::string& name, const std::string& text) {
    std::vector<double> numbers;
    for (const std::string& part : SplitCommas(text)) {
        const std::optional<double> v = TryParseFloat(part);
        if (!v) throw UsageError{name + ": '" + Shown(part) + "' is not a number"};
        numbers.push_back(*v);
    }
    return numbers;
}

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The X-ray tube selector of the window, typed into as the options say (6 significant digits
// for the wavelength). Without an option: the first transition of the definition file, the
// selector's start-up choice. The selected line's Kα doublet, or why there is none, comes along.
SelectedXray SelectorXray(const Arguments& a, CliPrompts& prompts) {
    const int given = a.Has("--wavelength") + a.Has("--energy") + a.Has("--line");
    if (given > 1) throw UsageError{"give only one of --wavelength, --energy and --line"};
    const std::string folder = FindDefinitionFolder(ProgramFolder());
    const std::string xray = folder.empty() ? std::string() : folder + "XRAY.DEF";
    XrayTubeSelectorState selector(xray, prompts);
    selector.Create();
    SelectedXray selected;
    if (auto w = a.Text("--wavelength")) {
        if (*a.Number("--wavelength") <= 0.0)
            throw UsageError{"--wavelength needs a wavelength above 0"};
        selector.OnWavelengthTextEdited(*w);
    } else if (auto e = a.Text("--energy")) {
        if (*a.Number("--energy") <= 0.0) throw UsageError{"--energy needs an energy above 0"};
        selector.OnEnergyTextEdited(*e);
    } else if (auto line = a.Text("--line")) {
        const auto& names = selector.Names();
        const auto it = std::find(names.begin(), names.end(), *line);
        if (it == names.end())
            throw UsageError{"--line: unknown X-ray line '" + Shown(*line) + "'"};
        selector.OnSelectionChanged(static_cast<int>(it - names.begin()));
    } else if (selector.Names().empty()) {
        selected.Wavelength = WorkbenchSettings::kDefaultWavelength;
        selected.NoDoubletReason = tools::FindKalphaDoublet(XrayLineTable(xray), "").Reason;
        return selected;
    }
    if (!prompts.Warnings().empty()) throw TrevascError(prompts.Warnings().back());
    selected.Wavelength = selector.Wavelength();
    const int index = selector.SelectedIndex();
    const std::string line =
        index >= 0 ? selector.Names()[static_cast<size_t>(index)] : std::string();
    const tools::KalphaDoubletLookup lookup = tools::FindKalphaDoublet(XrayLineTable(xray), line);
    selected.Doublet = lookup.Doublet;
    selected.NoDoubletReason = lookup.Reason;
    return selected;
}

double SelectorWavelength(const Arguments& a, CliPrompts& prompts) {
    return SelectorXray(a, prompts).Wavelength;
}

tools::KalphaDoublet RequireDoublet(const SelectedXray& xray) {
    if (!xray.Doublet) throw TrevascError(xray.NoDoubletReason);
    return *xray.Doublet;
}

std::vector<Option> StripOptions() {
    return Joined({{"--strip-kalpha2", ValueKind::Flag, "",
                    "removes the Kα2 line of the selected Kα1 line first (Rachinger)"},
                   {"--kalpha2-ratio", ValueKind::Number, "R", "Kα2/Kα1 ratio, 0 to 1", "0.5"}},
                  WavelengthOptions());
}

double Kalpha2Ratio(const Arguments& a) {
    const double ratio = a.Number("--kalpha2-ratio", tools::kDefaultKalpha2Ratio);
    if (!(ratio >= tools::kMinKalpha2Ratio && ratio <= tools::kMaxKalpha2Ratio))
        throw UsageError{"--kalpha2-ratio needs a number from 0 to 1"};
    return ratio;
}

void ApplyKalpha2Options(const Arguments& a, CliPrompts& prompts, WorkbenchSession& session) {
    const double ratio = Kalpha2Ratio(a);
    if (!a.Has("--strip-kalpha2")) return;
    session.Settings().SetKalpha2Stripping({true, ratio, RequireDoublet(SelectorXray(a, prompts))});
}

ConfigPaths WorkbenchConfig() {
    std::error_code ec;
    const std::string exeFolder =
        FolderWithDelimiter(std::filesystem::read_symlink("/proc/self/exe", ec).string());
    return WorkbenchConfigPaths(exeFolder, FindDefinitionFolder(exeFolder));
}

}  // namespace trevasc::cli
