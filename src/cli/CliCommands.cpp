#include "cli/CliCommands.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <system_error>
#include <tuple>

#include "Version.h"
#include "analysis/PeakSearch.h"
#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/SameFile.h"
#include "cli/CheckUpdateCommand.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "cli/DrawProgram.h"
#include "cli/ReflectionCommands.h"
#include "cli/ToolCommands.h"
#include "formats/PeakListFile.h"
#include "formats/TextExchange.h"
#include "plot/XrdPlotRefresh.h"
#include "session/AutoFitSequence.h"
#include "session/WorkbenchSession.h"
#include "tools/fitting/PeakFit.h"

#ifdef TREVASC_HAVE_QT
#include <QGuiApplication>

#include "qtcanvas/PlotImageExport.h"
#endif

namespace trevasc::cli {

namespace {

constexpr const char* kUsage =
    "usage: trevasc-cli info [--json] [--dataset N] FILE...\n"
    "       trevasc-cli convert [--all] [--dataset N] FILE -o OUT   (OUT '-' = standard output)\n"
    "       trevasc-cli peaks FILE [--method 1|2] [--smooth W] [--background W]\n"
    "                   [--slope-samples N] [--min-height H] [--min-slope S] [--min-curvature C]\n"
    "                   [--bisector P] [--double-peak-dist D] [--dataset N] [-o OUT]\n"
    "       trevasc-cli plot FILE -o OUT.png [--size WxH] [--linear] [--peaks]\n"
    "                   [--from X --to Y] [--dataset N]\n"
    "       trevasc-cli fit FILE --profile gauss|lorentz [--from X --to Y] [--left XL --right XR]\n"
    "                   [--auto] [--plot OUT.png] [--json] [-o OUT] [peaks options]\n"
    "       trevasc-cli check-update [--url URL] [--json]\n"
    "       trevasc-cli --version\n";
// Printed after every command's usage lines.
constexpr const char* kUsageNotes =
    "       '--' ends the options: every argument after it is a file.\n"
    "       FILE: XRDML, HR-XRDSCAN, SUPERDATA, two-column text, Bruker RAW version 4,\n"
    "       Rigaku RAS, XY/XYE/CSV columns, or a format of xylib (Bruker RAW/UXD, Philips\n"
    "       RD/UDF, powder CIF, ...); info names it (xml, header-counts, scan-list, two-column,\n"
    "       bruker-raw4, rigaku-ras, columns, xylib:NAME).\n";

struct UsageError {
    std::string Message;
};

// Standard output did not take what was written (a full disk, a closed pipe); `Error` is the
// errno of the failed write, 0 when unknown.
struct OutputError {
    int Error = 0;
};

// Throws OutputError when the stream has failed. Called right after each write, while errno
// still tells why.
void CheckOutput(const std::ostream& out) {
    if (!out) throw OutputError{errno};
}

// Options shared by the commands; positional arguments are collected in order.
struct Arguments {
    std::vector<std::string> Files;
    std::map<std::string, std::string> Values;  // --name value
    std::vector<std::string> Flags;             // --name

    bool Has(const std::string& flag) const {
        return std::find(Flags.begin(), Flags.end(), flag) != Flags.end();
    }
    std::optional<std::string> Value(const std::string& name) const {
        auto it = Values.find(name);
        if (it == Values.end()) return std::nullopt;
        return it->second;
    }
};

Arguments ParseArguments(const std::vector<std::string>& args, size_t first,
                         const std::vector<std::string>& flags,
                         const std::vector<std::string>& valued) {
    Arguments a;
    bool optionsEnded = false;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (optionsEnded || s == "-") {
            a.Files.push_back(s);
        } else if (s == "--") {
            optionsEnded = true;  // as with every POSIX tool: "-leading.txt" can be named
        } else if (s.size() > 1 && s[0] == '-') {
            if (std::find(flags.begin(), flags.end(), s) != flags.end()) {
                a.Flags.push_back(s);
            } else if (std::find(valued.begin(), valued.end(), s) != valued.end()) {
                if (i + 1 >= args.size()) throw UsageError{"option " + s + " needs a value"};
                // Which of two values was meant is not ours to guess.
                if (a.Values.count(s)) throw UsageError{"option " + s + " is given twice"};
                a.Values[s] = args[++i];
            } else {
                throw UsageError{"unknown option " + Shown(s) +
                                 " (name a file beginning with '-' after '--')"};
            }
        } else {
            a.Files.push_back(s);
        }
    }
    return a;
}

int DatasetOption(const Arguments& a) {
    auto v = a.Value("--dataset");
    if (!v) return 1;
    auto n = TryParseInt(*v);
    if (!n || *n < 1) throw UsageError{"--dataset needs a whole number of at least 1"};
    return *n;
}

std::string Number(double v) {
    return FormatGeneral(v, 15);
}

struct ScanSummary {
    std::string Name;
    int Count = 0;
    double First = 0, Last = 0;
    std::string SecondAxisName;
    double SecondAxisPosition = 0;
    long long MinIntensity = 0, MaxIntensity = 0;
    int Peaks = 0;
};

ScanSummary Summarize(const TDataSet& scan) {
    ScanSummary s;
    s.Name = scan.Name;
    s.Count = scan.Count();
    if (!scan.RawPoints.empty()) {
        s.First = scan.RawPoints.front().Position;
        s.Last = scan.RawPoints.back().Position;
        auto [mn, mx] = std::minmax_element(
            scan.RawPoints.begin(), scan.RawPoints.end(),
            [](const TRawPoint& a, const TRawPoint& b) { return a.Intensity < b.Intensity; });
        s.MinIntensity = mn->Intensity;
        s.MaxIntensity = mx->Intensity;
    }
    s.SecondAxisName = scan.SecondAxisName;
    s.SecondAxisPosition = scan.SecondAxisPosition;
    s.Peaks = scan.Peaks.Count();
    return s;
}

struct FileReport {
    std::string File;
    std::string Format;
    std::string Kind;
    std::string Title;
    std::vector<std::string> Warnings;
    std::optional<std::string> Error;
    std::vector<ScanSummary> Scans;
};

// The message of the exception being handled, whatever a reader or writer threw, so that no
// failure ends the program unreported. Called inside a catch block; OutputError and UsageError
// are not a file's failure and go on to RunCli.
std::string CurrentFailure() {
    try {
        throw;
    } catch (const TrevascError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    }
}

// Opens one file as the workbench would open it as main file.
FileReport OpenForReport(const std::string& file, int dataset, bool datasetGiven) {
    FileReport r;
    r.File = file;
    CliPrompts prompts(dataset, datasetGiven);
    // The report describes the points as read; no processed curve is needed for it.
    WorkbenchSession session(prompts, false);
    try {
        session.OpenMainFile(file);
        r.Kind = ScanKindName(session.Registry().OpenScanKind);
        r.Title = session.Registry().PlotTitle;
        for (int k = 0; k <= session.Registry().AdditionalCount(); ++k)
            r.Scans.push_back(Summarize(session.Registry().ScanAt(k)));
    } catch (...) {
        r.Error = CurrentFailure();
    }
    r.Format = session.LastFormatName();
    r.Warnings = prompts.TakeWarnings();
    return r;
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

// For a catch block: the warnings, then "trevasc-cli: FILE: MESSAGE"; the exit code.
int ReportFailure(CliPrompts& prompts, const std::string& file, std::ostream& err) {
    const std::string message = CurrentFailure();
    PrintWarnings(prompts, file, err);
    err << "trevasc-cli: " << Shown(file) << ": " << Shown(message) << "\n";
    return 1;
}

void PrintText(const FileReport& r, std::ostream& out) {
    // Names and titles come from the file: shown escaped, so that they cannot steer the terminal.
    out << Shown(r.File) << "\n";
    out << "  format: " << r.Format << "\n";
    out << "  kind: " << r.Kind << "\n";
    out << "  title: " << Shown(r.Title) << "\n";
    out << "  scans: " << r.Scans.size() << "\n";
    for (size_t i = 0; i < r.Scans.size(); ++i) {
        const ScanSummary& s = r.Scans[i];
        out << "  scan " << i << ": " << Shown(s.Name) << "\n";
        out << "    points: " << s.Count << ", from " << Number(s.First) << " to " << Number(s.Last)
            << "\n";
        if (!s.SecondAxisName.empty())
            out << "    second axis: " << Shown(s.SecondAxisName) << " = "
                << Number(s.SecondAxisPosition) << "\n";
        out << "    intensity: " << s.MinIntensity << " .. " << s.MaxIntensity << "\n";
        out << "    peaks: " << s.Peaks << "\n";
    }
}

void PrintJson(const FileReport& r, std::ostream& out) {
    out << "  {\"file\": " << JsonString(r.File) << ", \"format\": " << JsonString(r.Format)
        << ", \"kind\": " << JsonString(r.Kind) << ", \"title\": " << JsonString(r.Title)
        << ", \"warnings\": [";
    for (size_t i = 0; i < r.Warnings.size(); ++i)
        out << (i ? ", " : "") << JsonString(r.Warnings[i]);
    out << "]";
    if (r.Error) out << ", \"error\": " << JsonString(*r.Error);
    out << ", \"scans\": [";
    for (size_t i = 0; i < r.Scans.size(); ++i) {
        const ScanSummary& s = r.Scans[i];
        out << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(s.Name)
            << ", \"count\": " << s.Count << ", \"first\": " << Number(s.First)
            << ", \"last\": " << Number(s.Last)
            << ", \"secondAxisName\": " << JsonString(s.SecondAxisName)
            << ", \"secondAxisPosition\": " << Number(s.SecondAxisPosition)
            << ", \"minIntensity\": " << s.MinIntensity << ", \"maxIntensity\": " << s.MaxIntensity
            << ", \"peaks\": " << s.Peaks << "}";
    }
    out << (r.Scans.empty() ? "]}" : "\n  ]}");
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments a = ParseArguments(args, 1, {"--json"}, {"--dataset"});
    if (a.Files.empty()) throw UsageError{"info needs at least one file"};
    const int dataset = DatasetOption(a);
    const bool json = a.Has("--json");
    int code = 0;
    if (json) out << "[\n";
    for (size_t i = 0; i < a.Files.size(); ++i) {
        FileReport r = OpenForReport(a.Files[i], dataset, a.Value("--dataset").has_value());
        PrintWarnings(r.Warnings, r.File, err);
        if (r.Error) {
            err << "trevasc-cli: " << Shown(r.File) << ": " << Shown(*r.Error) << "\n";
            code = 1;
        }
        if (json) {
            PrintJson(r, out);
            out << (i + 1 < a.Files.size() ? ",\n" : "\n");
        } else if (!r.Error) {
            PrintText(r, out);
        }
        CheckOutput(out);  // no point in reading on when the report is lost
    }
    if (json) out << "]\n";
    CheckOutput(out);
    return code;
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

int Convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments a = ParseArguments(args, 1, {"--all"}, {"-o", "--dataset"});
    if (a.Files.size() != 1) throw UsageError{"convert needs exactly one file"};
    auto target = a.Value("-o");
    if (!target) throw UsageError{"convert needs -o OUT"};
    const std::string& file = a.Files[0];
    CliPrompts prompts(DatasetOption(a), a.Value("--dataset").has_value());
    WorkbenchSession session(prompts);
    try {
        RefuseOutputOntoInput(*target, a.Files);
        session.OpenMainFile(file);
        if (a.Has("--all")) {
            // The table of all scans can outgrow the memory (a row per point and a column per
            // scan): it goes out in pieces.
            PrintWarnings(prompts, file, err);
            const auto produce = [&session](const ContentWriter& write) {
                formats::WriteAllSpectraFile(session.Registry(), '.', write);
            };
            if (*target == "-") {
                produce([&out](std::string_view piece) {
                    out << piece;
                    CheckOutput(out);
                });
                CheckOutput(out);
            } else {
                WriteFileAtomic(*target, produce);
            }
        } else {
            const std::string text = formats::SpectrumFileText(session.Registry());
            PrintWarnings(prompts, file, err);
            WriteOutput(*target, text, out);
        }
    } catch (...) {
        return ReportFailure(prompts, file, err);
    }
    return 0;
}

// Whole number option within [lo, hi].
int IntOption(const Arguments& a, const std::string& name, int def, int lo, int hi) {
    auto v = a.Value(name);
    if (!v) return def;
    auto n = TryParseInt(*v);
    if (!n || *n < lo || *n > hi)
        throw UsageError{name + " needs a whole number from " + std::to_string(lo) + " to " +
                         std::to_string(hi)};
    return *n;
}

double FloatOption(const Arguments& a, const std::string& name, double def) {
    auto v = a.Value(name);
    if (!v) return def;
    auto x = TryParseFloat(*v);
    if (!x) throw UsageError{name + " needs a number"};
    return *x;
}

// The processing and peak search options, with the defaults of the workbench's controls.
struct PeakOptions {
    analysis::ProcessingSettings Processing;
    analysis::PeakSearchSettings Search;
    analysis::TPeakMethod Method = analysis::TPeakMethod::Slope;
};

PeakOptions ReadPeakOptions(const Arguments& a) {
    PeakOptions o;
    if (a.Value("--smooth")) {
        o.Processing.NoiseSuppression = true;
        o.Processing.SmoothWidth =
            IntOption(a, "--smooth", 5, analysis::kMinSmoothWidth, analysis::kMaxSmoothWidth);
    }
    if (a.Value("--background")) {
        o.Processing.RemoveBackground = true;
        o.Processing.BackgroundWidth = IntOption(
            a, "--background", 40, analysis::kMinBackgroundWidth, analysis::kMaxBackgroundWidth);
    }
    o.Processing.SlopeCount = IntOption(a, "--slope-samples", o.Processing.SlopeCount,
                                        analysis::kMinSlopeCount, analysis::kMaxSlopeCount);
    o.Search.MinPeakHeight =
        IntOption(a, "--min-height", o.Search.MinPeakHeight, analysis::kMinPeakHeightLimit,
                  analysis::kMaxPeakHeightLimit);
    o.Search.MinPeakSlope = IntOption(a, "--min-slope", o.Search.MinPeakSlope,
                                      analysis::kMinPeakSlopeLimit, analysis::kMaxPeakSlopeLimit);
    o.Search.MinPeakCurvature =
        IntOption(a, "--min-curvature", o.Search.MinPeakCurvature, analysis::kMinPeakSlopeLimit,
                  analysis::kMaxPeakSlopeLimit);
    if (a.Value("--bisector")) {
        o.Search.UseAreaBisector = true;
        o.Search.BisectorPercentage =
            IntOption(a, "--bisector", 30, analysis::kMinBisectorPercentage,
                      analysis::kMaxBisectorPercentage);
    }
    o.Search.MinDoublePeakDistance =
        FloatOption(a, "--double-peak-dist", o.Search.MinDoublePeakDistance);
    if (o.Search.MinDoublePeakDistance < 0 ||
        o.Search.MinDoublePeakDistance > analysis::kMaxDoublePeakDistance)
        throw UsageError{"--double-peak-dist needs a number from 0 to 180"};
    o.Method = IntOption(a, "--method", 1, 1, 2) == 2 ? analysis::TPeakMethod::Curvature
                                                      : analysis::TPeakMethod::Slope;
    return o;
}

const std::vector<std::string> kPeakValueOptions = {
    "--method",    "--smooth",        "--background", "--slope-samples",    "--min-height",
    "--min-slope", "--min-curvature", "--bisector",   "--double-peak-dist", "--dataset",
    "-o"};

int Peaks(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments a = ParseArguments(args, 1, {}, kPeakValueOptions);
    if (a.Files.size() != 1) throw UsageError{"peaks needs exactly one file"};
    const PeakOptions options = ReadPeakOptions(a);
    const std::string& file = a.Files[0];
    CliPrompts prompts(DatasetOption(a), a.Value("--dataset").has_value());
    WorkbenchSession session(prompts);
    session.SetProcessing(options.Processing);
    try {
        RefuseOutputOntoInput(a.Value("-o").value_or("-"), a.Files);
        session.OpenMainFile(file);
        session.SetPeakSearch(options.Search);
        session.FindPeaks(options.Method);
        PrintWarnings(prompts, file, err);
        WriteOutput(
            a.Value("-o").value_or("-"),
            formats::PeakListIdentFileText(session.MainScan(), session.Registry().PlotTitle), out);
    } catch (...) {
        return ReportFailure(prompts, file, err);
    }
    return 0;
}

int Plot(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> valued = kPeakValueOptions;
    valued.insert(valued.end(), {"--size", "--from", "--to"});
    Arguments a = ParseArguments(args, 1, {"--linear", "--peaks"}, valued);
    if (a.Files.size() != 1) throw UsageError{"plot needs exactly one file"};
    auto target = a.Value("-o");
    if (!target || *target == "-") throw UsageError{"plot needs -o OUT.png"};
    int width = 1000, height = 750;  // the PNG size dialog's defaults
    if (auto size = a.Value("--size")) {
        const auto wh = ParseImageSize(*size);
        if (!wh) throw UsageError{"--size needs WxH with both from 10 to 32767"};
        std::tie(width, height) = *wh;
    }
    if (a.Value("--from").has_value() != a.Value("--to").has_value())
        throw UsageError{"--from and --to go together"};
    const PeakOptions options = ReadPeakOptions(a);
    plot::XrdPlotSettings settings;
    settings.LogScaling = !a.Has("--linear");
    std::optional<std::pair<double, double>> range;
    if (a.Value("--from"))
        range = std::pair{FloatOption(a, "--from", 0), FloatOption(a, "--to", 0)};
    [[maybe_unused]] const std::string& file = a.Files[0];
#ifdef TREVASC_HAVE_QT
    CliPrompts prompts(DatasetOption(a), a.Value("--dataset").has_value());
    WorkbenchSession session(prompts);
    session.SetProcessing(options.Processing);
    try {
        RefuseOutputOntoInput(*target, a.Files);
        session.OpenMainFile(file);
        if (a.Has("--peaks")) {
            session.SetPeakSearch(options.Search);
            session.FindPeaks(options.Method);
        }
        PrintWarnings(prompts, file, err);
        if (session.MainScan().Count() == 0)
            throw TrevascError("The scan holds no points to plot.");
        // The plot window's record: display switches, and the range as the range fields take it.
        session.SetDisplay(settings);
        if (range) session.ApplyViewRange(range->first, range->second);
        plot::TPlotDataset dataset;
        session.BuildPlotDataset(dataset);
        EnsureGuiApplication();
        RenderXrdPlotToPng(dataset, width, height, *target);
    } catch (...) {
        return ReportFailure(prompts, file, err);
    }
    (void)out;
    return 0;
#else
    (void)out;
    (void)options;
    err << "trevasc-cli: this build has no drawing support (Qt was not found)\n";
    return 1;
#endif
}

// "Fit actual display area" (the range --from..--to, boundaries --left/--right) or the automatic
// fits of the checked peaks (--auto), on the code the fit window runs.
int Fit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        out << "usage: trevasc-cli fit FILE --profile gauss|lorentz [--from X --to Y]\n"
               "                   [--left XL --right XR] [--auto] [--plot OUT.png] [--json]\n"
               "                   [-o OUT] [peaks options]\n"
               "Fits one peak of the range --from..--to (default: the whole scan) between the\n"
               "background boundaries --left and --right (default: the range's ends), or with\n"
               "--auto every checked peak of the scan's peak list (the list beside the file, else\n"
               "a Method 1 search), each accepted; then the updated peak list is printed. An\n"
               "automatic fit keeps its centre halfway to the neighbouring peaks of the list; a\n"
               "fit that runs onto that edge leaves its peak where it was (\"fitted\": false).\n";
        return 0;
    }
    std::vector<std::string> valued = kPeakValueOptions;
    valued.insert(valued.end(), {"--profile", "--from", "--to", "--left", "--right", "--plot"});
    Arguments a = ParseArguments(args, 1, {"--auto", "--json"}, valued);
    if (a.Files.size() != 1) throw UsageError{"fit needs exactly one file"};
    const std::string profileName = a.Value("--profile").value_or("");
    if (profileName != "gauss" && profileName != "lorentz")
        throw UsageError{"fit needs --profile gauss or --profile lorentz"};
    const fitting::FitProfile profile =
        profileName == "gauss" ? fitting::FitProfile::Gauss : fitting::FitProfile::Lorentz;
    if (a.Value("--from").has_value() != a.Value("--to").has_value())
        throw UsageError{"--from and --to go together"};
    if (a.Value("--left").has_value() != a.Value("--right").has_value())
        throw UsageError{"--left and --right go together"};
    const bool automatic = a.Has("--auto"), json = a.Has("--json");
    if (automatic && (a.Value("--from") || a.Value("--left") || a.Value("--plot")))
        throw UsageError{"--auto takes the ranges from the peaks: no --from, --left or --plot"};
    const PeakOptions options = ReadPeakOptions(a);
    const std::string& file = a.Files[0];
    CliPrompts prompts(DatasetOption(a), a.Value("--dataset").has_value());
    WorkbenchSession session(prompts);
    session.SetProcessing(options.Processing);
    const auto fail = [&](const std::string& message) {
        PrintWarnings(prompts, file, err);
        err << "trevasc-cli: " << Shown(file) << ": " << Shown(message) << "\n";
        return 1;
    };
    const auto fitJson = [](const fitting::FitResult& r) {
        std::string s = "\"center\": " + Number(r.Overlay.Center) +
                        ", \"widthFactor\": " + Number(r.Overlay.WidthFactor) +
                        ", \"amplitude\": " + Number(r.Overlay.Amplitude) +
                        ", \"backgroundSlope\": " + Number(r.Overlay.BackgroundSlope) +
                        ", \"backgroundOffset\": " + Number(r.Overlay.BackgroundOffset) +
                        ", \"fwhm\": " + Number(r.Fwhm) +
                        ", \"positionText\": " + JsonString(FormatFixed(r.Overlay.Center, 3)) +
                        ", \"fwhmText\": " + JsonString(FormatFixed(r.Fwhm, 3)) +
                        ", \"sum\": " + Number(r.Sum) +
                        ", \"refined\": " + (r.Refined ? "true" : "false") + ", \"passes\": [";
        for (size_t i = 0; i < r.Passes.size(); ++i)
            s += std::string(i ? ", " : "") +
                 "{\"widthFactor\": " + Number(r.Passes[i].WidthFactor) +
                 ", \"amplitude\": " + Number(r.Passes[i].Amplitude) +
                 ", \"center\": " + Number(r.Passes[i].Center) +
                 ", \"sum\": " + Number(r.Passes[i].Sum) + "}";
        return s + "]";
    };
    try {
        for (const char* output : {"-o", "--plot"})
            RefuseOutputOntoInput(a.Value(output).value_or("-"), a.Files);
        session.OpenMainFile(file);
        const TDataPointArray& points = session.MainScan().Points;
        if (automatic) {
            if (session.MainScan().Peaks.Count() == 0) {
                session.SetPeakSearch(options.Search);
                session.FindPeaks(analysis::TPeakMethod::Slope);
            }
            std::string peaksJson;
            AutoFitSequence sequence(session);
            while (const std::optional<AutoFitJob> job = sequence.Next()) {
                const fitting::AutoFitEdges& e = job->Edges;
                const fitting::FitResult r =
                    fitting::PeakFit(points, e.First, e.Last)
                        .Run(profile, e.LeftBoundary, e.RightBoundary, {}, job->Centre);
                if (!r.Error.empty()) err << "trevasc-cli: " << file << ": " << r.Error << "\n";
                peaksJson +=
                    std::string(peaksJson.empty() ? "\n" : ",\n") +
                    "    {\"position\": " + Number(job->Position) +
                    ", \"L\": " + std::to_string(e.Left) + ", \"R\": " + std::to_string(e.Right) +
                    ", \"margin\": " + std::to_string(e.Margin) +
                    ", \"first\": " + std::to_string(e.First) +
                    ", \"last\": " + std::to_string(e.Last) +
                    ", \"left\": " + Number(e.LeftBoundary) +
                    ", \"right\": " + Number(e.RightBoundary) +
                    ", \"fitted\": " + (r.Fitted ? "true" : "false") +
                    (r.Fitted ? ", " + fitJson(r) : ", \"message\": " + JsonString(r.Error)) + "}";
                sequence.Finish(r.Fitted ? r.Overlay.Center : -1.0);
            }
            sequence.Complete();
            PrintWarnings(prompts, file, err);
            const std::string list =
                formats::PeakListIdentFileText(session.MainScan(), session.Registry().PlotTitle);
            if (json) {
                WriteOutput(a.Value("-o").value_or("-"),
                            "{\"file\": " + JsonString(file) +
                                ", \"profile\": " + JsonString(profileName) + ", \"peaks\": [" +
                                peaksJson + (peaksJson.empty() ? "" : "\n  ") +
                                "], \"peakList\": " + JsonString(list) + "}\n",
                            out);
            } else {
                WriteOutput(a.Value("-o").value_or("-"), list, out);
            }
            return 0;
        }

        double from = points.empty() ? 0.0 : points.front().Position;
        double to = points.empty() ? 0.0 : points.back().Position;
        if (a.Value("--from")) {
            from = FloatOption(a, "--from", 0);
            to = FloatOption(a, "--to", 0);
        }
        const fitting::DisplayFitRange range = fitting::MapDisplayRange(points, from, to);
        if (!range.Error.empty()) return fail(range.Error);
        double xL = points[static_cast<size_t>(range.First)].Position;
        double xR = points[static_cast<size_t>(range.Last)].Position;
        if (a.Value("--left")) {
            xL = FloatOption(a, "--left", 0);
            xR = FloatOption(a, "--right", 0);
        }
        const fitting::FitResult r =
            fitting::PeakFit(points, range.First, range.Last).Run(profile, xL, xR);
        if (!r.Fitted) return fail(r.Error);
        PrintWarnings(prompts, file, err);
        // The plot and the text come together or not at all.
        OutputSet outputs;
        if (auto target = a.Value("--plot")) {
#ifdef TREVASC_HAVE_QT
            EnsureGuiApplication();
            outputs.Add(*target,
                        ImagePng(RenderFitPlotImage(
                            fitting::FitOverlayColors(r.Overlay),
                            fitting::BuildFitPlotDataset(points, range.First, range.Last, false),
                            800, 600)));
#else
            return fail("this build has no drawing support (Qt was not found)");
#endif
        }
        std::string text;
        if (json) {
            text = "{\"first\": " + std::to_string(range.First) +
                   ", \"last\": " + std::to_string(range.Last) + ", \"left\": " + Number(xL) +
                   ", \"right\": " + Number(xR) + ", " + fitJson(r) + "}\n";
        } else {
            text = "Position: " + FormatFixed(r.Overlay.Center, 3) +
                   "\nFWHM: " + FormatFixed(r.Fwhm, 3) + "\n";
        }
        const std::string target = a.Value("-o").value_or("-");
        if (target == "-")
            WriteOutput(target, text, out);
        else
            outputs.Add(target, text);
        outputs.Commit();
    } catch (...) {
        // Whatever a reader, the fit or a writer threw (output and usage errors go on).
        return ReportFailure(prompts, file, err);
    }
    return 0;
}

int PrintVersion(const std::vector<std::string>&, std::ostream& out, std::ostream&) {
    out << "trevasc-cli " << kVersionText << "\n";
    return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    static const std::map<std::string, std::function<int(const std::vector<std::string>&,
                                                         std::ostream&, std::ostream&)>>
        commands = {{"info", Info},
                    {"convert", Convert},
                    {"peaks", Peaks},
                    {"plot", Plot},
                    {"fit", Fit},
                    {"lattice", LatticeCommand},
                    {"thickness", ThicknessCommand},
                    {"map", MapCommand},
                    {"gnuplot", GnuplotCommand},
                    {"simulate", SimulateCommand},
                    {"lines", LinesCommand},
                    {"jcpds", JcpdsCommand},
                    {"substrates", SubstratesCommand},
                    {"identify", IdentifyCommand},
                    {"check-update", CheckUpdate},
                    {"--version", PrintVersion}};
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? err : out) << kUsage << kToolUsage << kReflectionUsage << kUsageNotes;
        return args.empty() ? 2 : 0;
    }
    auto it = commands.find(args[0]);
    if (it == commands.end()) {
        err << "trevasc-cli: unknown command '" << Shown(args[0]) << "'\n"
            << kUsage << kToolUsage << kReflectionUsage << kUsageNotes;
        return 2;
    }
    // Output that did not arrive is an error, also when the buffer fails only at the last flush.
    const auto outputFailed = [&](int error) {
        err << "trevasc-cli: cannot write standard output";
        if (error != 0) err << ": " << std::generic_category().message(error);
        err << "\n";
        return 1;
    };
    try {
        const int code = it->second(args, out, err);
        errno = 0;
        out.flush();
        CheckOutput(out);
        return code;
    } catch (const UsageError& e) {
        err << "trevasc-cli: " << e.Message << "\n" << kUsage << kUsageNotes;
        return 2;
    } catch (const OutputError& e) {
        return outputFailed(e.Error);
    }
}

}  // namespace trevasc::cli
