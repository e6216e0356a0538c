#include "cli/CliCommands.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <optional>

#include "Version.h"
#include "analysis/PeakSearch.h"
#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/SameFile.h"
#include "cli/CheckUpdateCommand.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "cli/CommandSupport.h"
#include "cli/ProfileCommands.h"
#include "cli/ReflectionCommands.h"
#include "cli/ToolCommands.h"
#include "core/DiffractionGeometry.h"
#include "formats/PeakListFile.h"
#include "formats/TextExchange.h"
#include "plot/XrdPlotRefresh.h"
#include "session/AutoFitSequence.h"
#include "session/ResultJson.h"
#include "session/WorkbenchSession.h"
#include "tools/fitting/PeakFit.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc::cli {

namespace {

// Printed after the commands' synopses.
constexpr const char* kUsageNotes =
    "       '--' ends the options: every argument after it is a file.\n"
    "       FILE: XRDML, HR-XRDSCAN, SUPERDATA, two-column text, Bruker RAW version 4,\n"
    "       Rigaku RAS, XY/XYE/CSV columns, or a format of xylib (Bruker RAW/UXD, Philips\n"
    "       RD/UDF, powder CIF, ...); info names it (xml, header-counts, scan-list, two-column,\n"
    "       bruker-raw4, rigaku-ras, columns, xylib:NAME).\n"
    "       trevasc-cli COMMAND --help lists the options of a command.\n";

// Opens one file as the workbench would open it as main file.
ScanFileReport OpenForReport(const std::string& file, int dataset, bool datasetGiven) {
    ScanFileReport r;
    r.File = file;
    CliPrompts prompts(dataset, datasetGiven);
    // The report describes the points as read; no processed curve is needed for it.
    WorkbenchSession session(prompts, false);
    try {
        session.OpenMainFile(file);
        r.Kind = ScanKindName(session.Scans().Registry().OpenScanKind);
        r.Title = session.Scans().Registry().PlotTitle;
        for (int k = 0; k <= session.Scans().Registry().AdditionalCount(); ++k)
            r.Scans.push_back(Summarize(session.Scans().Registry().ScanAt(k)));
    } catch (const UsageError&) {
        throw;
    } catch (const OutputError&) {
        throw;
    } catch (...) {
        r.Error = CurrentFailure();
    }
    r.Format = session.Scans().LastFormatName();
    r.Warnings = prompts.TakeWarnings();
    return r;
}

std::string Number(double v) {
    return FormatGeneral(v, 15);
}

void PrintText(const ScanFileReport& r, std::ostream& out) {
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

int Info(const Arguments& a, CommandContext& c) {
    if (a.Files.empty()) throw UsageError{"info needs at least one file"};
    const bool json = a.Has("--json");
    int code = 0;
    // The files' reports one by one, as each is read: an array of a line per file.
    if (json) c.Out << "[\n";
    for (size_t i = 0; i < a.Files.size(); ++i) {
        const ScanFileReport r = OpenForReport(a.Files[i], Dataset(a), a.Has("--dataset"));
        PrintWarnings(r.Warnings, r.File, c.Err);
        if (r.Error) {
            c.Err << "trevasc-cli: " << Shown(r.File) << ": " << Shown(*r.Error) << "\n";
            code = 1;
        }
        if (json)
            c.Out << "  " << ScanFileJson(r).Text() << (i + 1 < a.Files.size() ? ",\n" : "\n");
        else if (!r.Error)
            PrintText(r, c.Out);
        CheckOutput(c.Out);  // no point in reading on when the report is lost
    }
    if (json) c.Out << "]\n";
    CheckOutput(c.Out);
    return code;
}

// The main scan as read over the axis --axis names, with --strip-kalpha2 its Kα2 removed, in
// full precision. Only a 2Theta scan has a lattice spacing or a Kα2 line to remove.
std::string ComputedSpectrumText(const Arguments& a, CliPrompts& prompts,
                                 const WorkbenchSession& session, const std::string& axis) {
    const TScanKind kind = session.Scans().Registry().OpenScanKind;
    if (kind != TScanKind::TwoTheta && kind != TScanKind::TwoThetaCommonOmega)
        throw TrevascError("--strip-kalpha2 and --axis need a 2Theta scan; this one is " +
                           std::string(ScanKindName(kind)) + ".");
    const TRawPointArray& raw = session.Scans().MainScan().RawPoints;
    std::vector<double> x(raw.size()), y(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        x[i] = raw[i].Position;
        y[i] = raw[i].Intensity;
    }
    if (a.Has("--strip-kalpha2")) {
        const SelectedXray xray = SelectorXray(a, prompts);
        y = tools::StripKalpha2(x, y, RequireDoublet(xray), Kalpha2Ratio(a));
    }
    if (axis.empty() || axis == "two-theta")
        return formats::ColumnsFileText(formats::AxisHeading(kind), x, y);
    const double wavelength = SelectorWavelength(a, prompts);
    std::vector<double> u, v;
    for (size_t i = 0; i < x.size(); ++i) {
        if (axis == "q") {
            u.push_back(ScatteringVectorQ(x[i], wavelength));
            v.push_back(y[i]);
        } else if (const auto d = BraggSpacing(x[i], wavelength)) {
            // 2Theta = 0 has no spacing: the row is left out.
            u.push_back(*d);
            v.push_back(y[i]);
        }
    }
    return formats::ColumnsFileText(axis == "q" ? "Q(1/Angstrom)" : "d(Angstrom)", u, v);
}

int Convert(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"convert needs exactly one file"};
    const auto target = a.Text("-o");
    if (!target) throw UsageError{"convert needs -o OUT"};
    const std::string axis = a.Text("--axis").value_or("");
    if (!axis.empty() && axis != "two-theta" && axis != "d" && axis != "q")
        throw UsageError{"--axis needs two-theta, d or q"};
    const bool computed = a.Has("--strip-kalpha2") || !axis.empty();
    Kalpha2Ratio(a);
    if (computed && a.Has("--all"))
        throw UsageError{"--all writes the scans as read: not with --strip-kalpha2 or --axis"};
    const std::string& file = a.Files[0];
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    try {
        RefuseOutputOntoInput(*target, a.Files);
        session.OpenMainFile(file);
        if (computed) {
            const std::string text = ComputedSpectrumText(a, prompts, session, axis);
            PrintWarnings(prompts, file, c.Err);
            WriteOutput(*target, text, c.Out);
        } else if (a.Has("--all")) {
            // The table of all scans can outgrow the memory (a row per point and a column per
            // scan): it goes out in pieces.
            PrintWarnings(prompts, file, c.Err);
            const auto produce = [&session](const ContentWriter& write) {
                formats::WriteAllSpectraFile(session.Scans().Registry(), '.', write);
            };
            if (*target == "-") {
                produce([&c](std::string_view piece) {
                    c.Out << piece;
                    CheckOutput(c.Out);
                });
                CheckOutput(c.Out);
            } else {
                WriteFileAtomic(*target, produce);
            }
        } else {
            const std::string text = formats::SpectrumFileText(session.Scans().Registry());
            PrintWarnings(prompts, file, c.Err);
            WriteOutput(*target, text, c.Out);
        }
    } catch (...) {
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

int Peaks(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"peaks needs exactly one file"};
    const PeakOptions options = ReadPeakOptions(a);
    const std::string& file = a.Files[0];
    const std::string target = a.Text("-o").value_or("-");
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    session.Settings().SetProcessing(options.Processing);
    try {
        RefuseOutputOntoInput(target, a.Files);
        ApplyKalpha2Options(a, prompts, session);
        session.OpenMainFile(file);
        session.Settings().SetPeakSearch(options.Search);
        session.Peaks().Find(options.Method);
        PrintWarnings(prompts, file, c.Err);
        const TDataSet& scan = session.Scans().MainScan();
        WriteOutput(target,
                    a.Has("--json") ? PeakListJson(file, scan.Peaks.Items).Text() + "\n"
                                    : formats::PeakListIdentFileText(
                                          scan, session.Scans().Registry().PlotTitle),
                    c.Out);
    } catch (...) {
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

int Plot(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"plot needs exactly one file"};
    const auto target = a.Text("-o");
    if (!target || *target == "-") throw UsageError{"plot needs -o OUT.png"};
    int width = 1000, height = 750;  // the PNG size dialog's defaults
    if (auto size = a.Text("--size")) {
        const auto wh = ParseImageSize(*size);
        if (!wh) throw UsageError{"--size needs WxH with both from 10 to 32767"};
        std::tie(width, height) = *wh;
    }
    const auto range = RangeOption(a);
    const PeakOptions options = ReadPeakOptions(a);
    plot::XrdPlotSettings settings;
    settings.LogScaling = !a.Has("--linear");
    const std::string& file = a.Files[0];
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    session.Settings().SetProcessing(options.Processing);
    try {
        RefuseOutputOntoInput(*target, a.Files);
        ApplyKalpha2Options(a, prompts, session);
        session.OpenMainFile(file);
        if (a.Has("--peaks")) {
            session.Settings().SetPeakSearch(options.Search);
            session.Peaks().Find(options.Method);
        }
        PrintWarnings(prompts, file, c.Err);
        if (session.Scans().MainScan().Count() == 0)
            throw TrevascError("The scan holds no points to plot.");
        // The plot window's record: display switches, and the range as the range fields take it.
        session.Settings().SetDisplay(settings);
        if (range) session.View().ApplyRange(range->first, range->second);
        plot::TPlotDataset dataset;
        session.View().BuildPlotDataset(dataset);
        WriteFileAtomic(*target, c.Use.Pictures->XrdPlotPng(dataset, width, height));
    } catch (...) {
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

// "Fit actual display area" (the range --from..--to, boundaries --left/--right) or the automatic
// fits of the checked peaks (--auto), on the code the fit window runs.
int Fit(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"fit needs exactly one file"};
    const std::string profileName = a.Text("--profile").value_or("");
    if (profileName != "gauss" && profileName != "lorentz")
        throw UsageError{"fit needs --profile gauss or --profile lorentz"};
    const tools::FitProfile profile =
        profileName == "gauss" ? tools::FitProfile::Gauss : tools::FitProfile::Lorentz;
    const auto fromTo = RangeOption(a);
    if (a.Has("--left") != a.Has("--right")) throw UsageError{"--left and --right go together"};
    const bool automatic = a.Has("--auto"), json = a.Has("--json");
    if (automatic && (a.Has("--from") || a.Has("--left") || a.Has("--plot")))
        throw UsageError{"--auto takes the ranges from the peaks: no --from, --left or --plot"};
    const PeakOptions options = ReadPeakOptions(a);
    const std::string& file = a.Files[0];
    const std::string target = a.Text("-o").value_or("-");
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    session.Settings().SetProcessing(options.Processing);
    const auto fail = [&](const std::string& message) {
        PrintWarnings(prompts, file, c.Err);
        c.Err << "trevasc-cli: " << Shown(file) << ": " << Shown(message) << "\n";
        return 1;
    };
    try {
        for (const char* output : {"-o", "--plot"})
            RefuseOutputOntoInput(a.Text(output).value_or("-"), a.Files);
        session.OpenMainFile(file);
        const TDataPointArray& points = session.Scans().MainScan().Points;
        if (automatic) {
            if (session.Scans().MainScan().Peaks.Count() == 0) {
                session.Settings().SetPeakSearch(options.Search);
                session.Peaks().Find(analysis::TPeakMethod::Slope);
            }
            std::vector<json::Value> peaks;
            AutoFitSequence sequence(session);
            while (const std::optional<AutoFitJob> job = sequence.Next()) {
                const tools::AutoFitEdges& e = job->Edges;
                const tools::FitResult r =
                    tools::PeakFit(points, e.First, e.Last)
                        .Run(profile, e.LeftBoundary, e.RightBoundary, {}, job->Centre);
                if (!r.Error.empty())
                    c.Err << "trevasc-cli: " << Shown(file) << ": " << Shown(r.Error) << "\n";
                peaks.push_back(AutoFitPeakJson(*job, r));
                sequence.Finish(r.Fitted ? r.Overlay.Center : -1.0);
            }
            sequence.Complete();
            PrintWarnings(prompts, file, c.Err);
            const std::string list = formats::PeakListIdentFileText(
                session.Scans().MainScan(), session.Scans().Registry().PlotTitle);
            WriteOutput(
                target,
                json ? AutoFitJson(file, profileName, std::move(peaks), list).Text() + "\n" : list,
                c.Out);
            return 0;
        }

        double from = points.empty() ? 0.0 : points.front().Position;
        double to = points.empty() ? 0.0 : points.back().Position;
        if (fromTo) std::tie(from, to) = *fromTo;
        const tools::DisplayFitRange range = tools::MapDisplayRange(points, from, to);
        if (!range.Error.empty()) return fail(range.Error);
        double xL = points[static_cast<size_t>(range.First)].Position;
        double xR = points[static_cast<size_t>(range.Last)].Position;
        if (a.Has("--left")) {
            xL = *a.Number("--left");
            xR = *a.Number("--right");
        }
        const tools::FitResult r =
            tools::PeakFit(points, range.First, range.Last).Run(profile, xL, xR);
        if (!r.Fitted) return fail(r.Error);
        PrintWarnings(prompts, file, c.Err);
        // The plot and the text come together or not at all.
        OutputSet outputs;
        if (auto picture = a.Text("--plot"))
            outputs.Add(
                *picture,
                c.Use.Pictures->FitPlotPng(
                    tools::FitOverlayColors(r.Overlay),
                    tools::BuildFitPlotDataset(points, range.First, range.Last, false), 800, 600));
        const std::string text = json
                                     ? PeakFitJson(range.First, range.Last, xL, xR, r).Text() + "\n"
                                     : "Position: " + FormatFixed(r.Overlay.Center, 3) +
                                           "\nFWHM: " + FormatFixed(r.Fwhm, 3) + "\n";
        CommitWithText(outputs, target, text, c.Out);
    } catch (...) {
        // Whatever a reader, the fit or a writer threw (output and usage errors go on).
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

std::vector<Command> ScanCommands() {
    const std::vector<Option> peakOptions = PeakSearchOptions();
    Option dataset = DatasetOption();
    return {
        {"info",
         "[--json] [--dataset N] FILE...",
         "Reports the format, the scan kind, the title and the scans of each file.",
         {{"--json", ValueKind::Flag, "", "one JSON object per file, in an array"}, dataset},
         Info},
        {"convert",
         "[--all] [--dataset N] FILE -o OUT   (OUT '-' = standard output)\n"
         "                   [--strip-kalpha2 [--kalpha2-ratio R]] [--axis two-theta|d|q]\n"
         "                   [--wavelength L | --energy E | --line NAME]",
         "Writes the spectrum of the scan (or of all scans) as a text file; with\n"
         "--strip-kalpha2 or --axis the main scan's computed curve in full precision.",
         Joined({{"--all", ValueKind::Flag, "", "every scan of the file"},
                 dataset,
                 OutputOption("the text file; '-' is standard output"),
                 {"--axis", ValueKind::Text, "two-theta|d|q",
                  "the first column: 2Theta, the spacing d or the scattering vector Q"}},
                StripOptions()),
         Convert},
        {"peaks",
         "FILE [--method 1|2] [--smooth W] [--background W]\n"
         "                   [--slope-samples N] [--min-height H] [--min-slope S] "
         "[--min-curvature C]\n"
         "                   [--bisector P] [--double-peak-dist D] [--dataset N] [-o OUT]\n"
         "                   [--json] [--strip-kalpha2 [--kalpha2-ratio R]] [--line NAME]",
         "Runs the peak search of the main window and writes the peak list.",
         Joined(Joined(peakOptions,
                       {OutputOption("the peak list file", false),
                        {"--json", ValueKind::Flag, "",
                         "the file and its peaks (position, intensity, description, checked) "
                         "as JSON"}}),
                StripOptions()),
         Peaks},
        {"plot",
         "FILE -o OUT.png [--size WxH] [--linear] [--peaks]\n"
         "                   [--from X --to Y] [--dataset N] [peaks options]\n"
         "                   [--strip-kalpha2 [--kalpha2-ratio R]] [--line NAME]",
         "Draws the scan as the plot window's PNG export does.",
         Joined(
             {OutputOption("the PNG picture", true),
              {"--size", ValueKind::Text, "WxH", "picture size, both from 10 to 32767", "1000x750"},
              {"--linear", ValueKind::Flag, "", "linear intensity axis (default logarithmic)"},
              {"--peaks", ValueKind::Flag, "", "runs the peak search and marks the peaks"},
              {"--from", ValueKind::Number, "X", "start of the 2Theta range shown"},
              {"--to", ValueKind::Number, "Y", "end of the 2Theta range shown"}},
             Joined(peakOptions, StripOptions())),
         Plot},
        {"fit",
         "FILE --profile gauss|lorentz [--from X --to Y] [--left XL --right XR]\n"
         "                   [--auto] [--plot OUT.png] [--json] [-o OUT] [peaks options]",
         "Fits one peak of the range --from..--to (default: the whole scan) between the\n"
         "background boundaries --left and --right (default: the range's ends), or with\n"
         "--auto every checked peak of the scan's peak list (the list beside the file, else\n"
         "a Method 1 search), each accepted; then the updated peak list is printed. An\n"
         "automatic fit keeps its centre halfway to the neighbouring peaks of the list; a\n"
         "fit that runs onto that edge leaves its peak where it was (\"fitted\": false).",
         Joined({{"--profile", ValueKind::Text, "gauss|lorentz", "the peak profile"},
                 {"--from", ValueKind::Number, "X", "start of the range fitted"},
                 {"--to", ValueKind::Number, "Y", "end of the range fitted"},
                 {"--left", ValueKind::Number, "XL", "left background boundary"},
                 {"--right", ValueKind::Number, "XR", "right background boundary"},
                 {"--auto", ValueKind::Flag, "", "fits every checked peak"},
                 {"--plot", ValueKind::Text, "OUT.png", "the fit as an 800 x 600 PNG picture", "",
                  0, 0, true},
                 {"--json", ValueKind::Flag, "", "the result as JSON"},
                 OutputOption("the result file (default standard output)")},
                peakOptions),
         Fit},
    };
}

int PrintVersion(std::ostream& out) {
    out << "trevasc-cli " << kVersionText << "\n";
    out.flush();
    return out ? 0 : 1;
}

std::string ToolUsage(const std::vector<Command>& commands) {
    std::string text;
    for (const Command& c : commands)
        text += std::string(text.empty() ? "usage: " : "       ") + "trevasc-cli " + c.Name + " " +
                c.Synopsis + "\n";
    return text + "       trevasc-cli --version\n" + kUsageNotes;
}

}  // namespace

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = [] {
        std::vector<Command> all = ScanCommands();
        for (auto* more : {&ToolCommandList, &ProfileCommandList, &ReflectionCommandList})
            for (Command& c : more()) all.push_back(std::move(c));
        all.push_back(CheckUpdateCommand());
        return all;
    }();
    return commands;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const Facilities& use) {
    const std::vector<Command>& commands = AllCommands();
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? err : out) << ToolUsage(commands);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") return PrintVersion(out);
    const auto it = std::find_if(commands.begin(), commands.end(),
                                 [&](const Command& c) { return c.Name == args[0]; });
    if (it == commands.end()) {
        err << "trevasc-cli: unknown command '" << Shown(args[0]) << "'\n" << ToolUsage(commands);
        return 2;
    }
    return RunCommand(*it, args, out, err, use);
}

int RunProgram(int argc, char** argv, const Facilities& use) {
    // A reader that closes the pipe early (`| head`) makes a write to standard output fail with
    // EPIPE, which the commands report as any failed write, instead of ending the program
    // unreported. The drawing program inherits this over exec.
    ::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    int code = RunCli(args, std::cout, std::cerr, use);
    // RunCli flushed standard output; closing it can still fail (a file system that reports
    // errors only then). Output that may be incomplete must not end with success.
    errno = 0;
    if (std::fclose(stdout) != 0 && code == 0) code = ReportOutputFailure(std::cerr, errno);
    return code;
}

}  // namespace trevasc::cli
