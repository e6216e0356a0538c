#include "cli/ToolCommands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/SameFile.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "cli/CommandSupport.h"
#include "cli/ExternalProgram.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "session/ResultJson.h"
#include "session/ToolHandOver.h"
#include "session/WorkbenchSession.h"
#include "tools/gnuplot/GnuplotExport.h"
#include "tools/maps/MapBuilder.h"

namespace trevasc::cli {

namespace {

// Captures the peaks that the peak list hands over, as the tool windows receive them.
class HandOverCapture : public PeakListObserver {
  public:
    std::vector<std::string> Rows;
    std::string Source;
    void CheckedPeaksSent(PeakHandOverTarget, const std::vector<std::string>& rows,
                          const std::string& source) override {
        Rows = rows;
        Source = source;
    }
};

// The peaks of FILE (its peak list file beside it, else a Method 1 search with the default
// settings; the checked peaks in list order) or of --peaks, each as fixed 3 decimals.
struct PeakSource {
    std::vector<std::string> Rows;
    std::string SourceName;
};

PeakSource CollectPeaks(const Arguments& a, WorkbenchSession& session, PeakHandOverTarget target) {
    PeakSource source;
    if (auto list = a.Text("--peaks")) {
        if (!a.Files.empty()) throw UsageError{"give either FILE or --peaks, not both"};
        for (double p : NumberList("--peaks", *list)) source.Rows.push_back(FormatFixed(p, 3));
        return source;
    }
    if (a.Files.size() != 1) throw UsageError{"needs exactly one FILE or --peaks P1,P2,..."};
    session.OpenMainFile(a.Files[0]);
    if (session.Scans().MainScan().Peaks.Count() == 0)
        session.Peaks().Find(analysis::TPeakMethod::Slope);
    HandOverCapture capture;
    session.Peaks().AddObserver(&capture);
    session.Peaks().SendChecked(target);
    session.Peaks().RemoveObserver(&capture);
    source.Rows = capture.Rows;
    source.SourceName = capture.Source;
    return source;
}

Option PeaksOption() {
    return {"--peaks", ValueKind::Text, "P1,P2,...", "2Theta positions instead of FILE's peaks"};
}

Option JsonOption(const std::string& help) {
    return {"--json", ValueKind::Flag, "", help};
}

// The options that say how a map is built, shared by `map` and `gnuplot`.
std::vector<Option> MapBuildOptions() {
    return Joined({{"--reciprocal", ValueKind::Flag, "",
                    "the reciprocal space map (k_parallel, k_perpendicular)"},
                   {"--omega-offset", ValueKind::Number, "X",
                    "added to every Omega of the reciprocal map (degrees)", "0"},
                   {"--two-theta-offset", ValueKind::Number, "Y",
                    "added to every 2Theta of the reciprocal map (degrees)", "0"},
                   {"--flip", ValueKind::Flag, "", "reverses the sign of k_parallel"}},
                  WavelengthOptions());
}

// Opens the main scan, inserts the further files and builds the map with the session's map
// settings, as the window's menu entries do. Warnings of the readers go to `err`.
tools::MapBuild BuildMapFromFiles(const Arguments& a, WorkbenchSession& session,
                                  CliPrompts& prompts, std::ostream& err) {
    if (a.Files.empty()) throw UsageError{"needs at least one FILE"};
    const double omegaOffset = a.Number("--omega-offset", 0.0);
    const double twoThetaOffset = a.Number("--two-theta-offset", 0.0);
    session.Settings().SetCurrentWavelength(SelectorWavelength(a, prompts));
    session.OpenMainFile(a.Files[0]);
    if (a.Files.size() > 1) session.InsertFiles({a.Files.begin() + 1, a.Files.end()});
    for (const std::string& w : prompts.TakeWarnings()) err << "warning: " << Shown(w) << "\n";
    // Reading a file resets the offsets: they are set for the map, after the files.
    MapSettings& settings = session.Settings().Maps();
    settings.RsmOmegaOffset = omegaOffset;
    settings.RsmTwoThetaOffset = twoThetaOffset;
    settings.FlipKParallel = a.Has("--flip");
    settings.Mode = a.Has("--reciprocal") ? tools::MapMode::Reciprocal : tools::MapMode::TwoAxis;
    // The commands end with the map: the scans give up their points as they go into it.
    tools::MapBuild build = session.TakeMapDataset(settings.Mode);
    prompts.TakeWarnings();  // the build's message, reported below
    if (!build.Built) {
        throw TrevascError(!build.Message.empty()
                               ? build.Message
                               : "The main scan has fewer than 2 points: there is no map to draw.");
    }
    if (build.Dataset.Points.empty()) throw TrevascError(tools::kNoSecondAxisMessage);
    return build;
}

plot::TMapScale ScaleOption(const Arguments& a) {
    const std::string scale = a.Text("--scale").value_or("color");
    if (scale == "color") return plot::TMapScale::Color;
    if (scale == "bw") return plot::TMapScale::BlackWhite;
    if (scale == "bw-inverse") return plot::TMapScale::BlackWhiteInverse;
    throw UsageError{"--scale needs color, bw or bw-inverse"};
}

tools::GnuplotKind KindOption(const Arguments& a) {
    const auto kind = a.Text("--kind");
    if (!kind) throw UsageError{"gnuplot needs --kind bw, color, png-bw or png-color"};
    if (*kind == "bw") return tools::GnuplotKind::ScreenBW;
    if (*kind == "color") return tools::GnuplotKind::ScreenColor;
    if (*kind == "png-bw") return tools::GnuplotKind::PngBW;
    if (*kind == "png-color") return tools::GnuplotKind::PngColor;
    throw UsageError{"--kind needs bw, color, png-bw or png-color"};
}

// Starts gnuplot without a shell: the screen kinds without waiting (gnuplot keeps its window),
// the PNG kinds waited for, so that the picture exists when the command returns.
void RunGnuplot(const std::string& program, const std::vector<std::string>& arguments, bool wait,
                const tools::GnuplotFiles& files) {
    const std::string name = "'" + Shown(program) + "'";
    constexpr int kMaxWaitMs = 5 * 60 * 1000;
    const ProgramRun run = wait ? RunProgramAndWait(program, arguments, kMaxWaitMs, 2000)
                                : StartProgram(program, arguments);
    if (!run.Started) {
        // Files for a program that never ran are of no use: they go, the message stays.
        tools::RemoveGnuplotFiles(files);
        throw TrevascError("cannot start " + name + ": " + run.StartError);
    }
    if (!wait) return;
    if (run.TimedOut) throw TrevascError(name + " did not finish within 5 minutes");
    if (!run.NormalExit || run.ExitCode != 0) {
        std::string detail = run.Errors;
        while (!detail.empty() && std::isspace(static_cast<unsigned char>(detail.back())))
            detail.pop_back();
        throw TrevascError(name + " failed (exit code " + std::to_string(run.ExitCode) + ")" +
                           (detail.empty() ? "" : ": " + Shown(detail)));
    }
    if (!std::filesystem::exists(files.PictureFile))
        throw TrevascError(name + " finished without writing " + Shown(files.PictureFile) +
                           " (does the template set a png terminal on #PNGONLY# lines?)");
}

int Lattice(const Arguments& a, CommandContext& c) {
    RefuseOutputOntoInput(a.Text("--nelson-riley-plot").value_or("-"), a.Files);
    CliPrompts prompts(1, false);
    WorkbenchSession session(prompts);
    const double wavelength = SelectorWavelength(a, prompts);
    session.Settings().SetCurrentWavelength(wavelength);
    const PeakSource peaks = CollectPeaks(a, session, PeakHandOverTarget::Lattice);
    if (peaks.Rows.empty()) throw TrevascError("no peaks to calculate with");

    tools::LatticeCalculation calc;
    calc.ReceivePeaks(peaks.Rows, peaks.SourceName);
    if (auto d = a.Text("--direction")) calc.DirectionFieldText = *d;
    if (auto e = a.Number("--expected"))
        calc.ExpectedText = tools::LatticeCalculation::ExpectedField().TextOf(*e);
    std::vector<int32_t> manual;
    if (auto m = a.Text("--manual")) {
        for (const std::string& part : SplitCommas(*m)) {
            const std::optional<int32_t> n = TryParseInt(Trim(part));
            if (!n || *n < 0 || *n > 100)
                throw UsageError{"--manual needs whole numbers from 0 to 100"};
            manual.push_back(*n);
        }
        if (manual.size() != peaks.Rows.size())
            throw TrevascError("--manual needs one multiplier per peak (" +
                               std::to_string(peaks.Rows.size()) + ")");
    }
    if (auto range = a.Text("--auto")) {
        const std::vector<double> parts = NumberList("--auto", *range);
        if (parts.size() != 3) throw UsageError{"--auto needs START,END,STEP"};
        // The dialog's fields: start and end 0 to 10000, step at most 100.
        const auto start = tools::LatticeCalculation::AutoStartField();
        const auto step = tools::LatticeCalculation::AutoStepField();
        ApplyLatticeEffects(
            session, calc.AutoScanLattice(wavelength, start.Clamp(parts[0]), start.Clamp(parts[1]),
                                          parts[2] <= 0 ? parts[2] : step.Clamp(parts[2])));
    }
    bool calculated = a.Has("--auto");
    for (size_t i = 0; i < manual.size(); ++i)
        if (manual[i] != 0) {
            ApplyLatticeEffects(
                session, calc.AssignManualMultiplier(static_cast<int>(i), manual[i], wavelength));
            calculated = true;
        }
    if (!calculated) ApplyLatticeEffects(session, calc.CalculateLatticeData(wavelength));
    if (auto png = a.Text("--nelson-riley-plot")) {
        tools::TLatticeEffects effects = calc.NelsonRileyPlot(wavelength);
        ApplyLatticeEffects(session, effects);
        if (effects.NelsonRileyWindow != tools::TLatticeEffects::NelsonRiley::Show)
            throw TrevascError(
                "the Nelson-Riley plot needs at least two peaks with a multiple of at least 1");
        WriteFileAtomic(*png, c.Use.Pictures->XYPlotPng(effects.NelsonRileyData, 800, 600));
    }

    const std::string title = session.Scans().Registry().PlotTitle;
    if (a.Has("--json")) {
        c.Out << LatticeJson(calc, title).Text() << "\n";
        return 0;
    }
    c.Out << "Peaks\tDistance d [Å]\th,k,l\tLattice constant [Å]\n";
    for (size_t i = 0; i < calc.PeakRows().size(); ++i) {
        auto cell = [i](const std::vector<std::string>& list) {
            return i < list.size() ? list[i] : std::string();
        };
        c.Out << calc.PeakRows()[i] << "\t" << cell(calc.SpacingRows()) << "\t"
              << cell(calc.HklRows()) << (calc.IsManualRow(static_cast<int>(i)) ? " *" : "") << "\t"
              << cell(calc.LatticeRows()) << "\n";
    }
    c.Out << "Direction h,k,l: " << calc.DirectionFieldText << "\n"
          << "Expected lattice constant [Å]: " << calc.ExpectedText << "\n"
          << "Arithmetic mean [Å]: " << calc.MeanText() << "  Error: " << calc.ErrorText() << "\n"
          << "Nelson-Riley [Å]: " << calc.NelsonRileyText()
          << "  Error: " << calc.NelsonRileyErrorText() << "\n"
          << "Plot title: " << Shown(title) << "\n";
    return 0;
}

int Thickness(const Arguments& a, CommandContext& c) {
    const bool fitOrders = a.Has("--fit-orders");
    if (fitOrders && (a.Has("--half") || a.Has("--first-index")))
        throw UsageError{"--fit-orders chooses the first index and +1/2 itself"};
    CliPrompts prompts(1, false);
    WorkbenchSession session(prompts);
    const double wavelength = SelectorWavelength(a, prompts);
    const PeakSource peaks = CollectPeaks(a, session, PeakHandOverTarget::Thickness);
    if (peaks.Rows.empty()) throw TrevascError("no peaks to calculate with");

    tools::FilmThicknessCalculation calc;
    calc.ReceivePeaks(peaks.Rows);
    calc.SetHalfOrders(a.Has("--half"));
    calc.Estimate(wavelength);
    if (auto t = a.Text("--thickness")) calc.ThicknessEdited(*t, wavelength);
    if (auto n = a.Integer("--first-index")) calc.SetFirstIndex(*n);
    if (fitOrders) calc.FitOrders(wavelength);
    ApplyThicknessEffects(session, calc.Calculate(wavelength));
    const std::string title = session.Scans().Registry().PlotTitle;
    if (a.Has("--json")) {
        c.Out << ThicknessJson(calc, title, session.Settings().AdditionalLatticeSpacing()).Text()
              << "\n";
        return 0;
    }
    c.Out << "Peaks\tDistance d [nm]\tIndex\tThickness [nm]\n";
    for (size_t i = 0; i < calc.PeakRows().size(); ++i) {
        auto cell = [i](const std::vector<std::string>& list) {
            return i < list.size() ? list[i] : std::string();
        };
        c.Out << calc.PeakRows()[i] << "\t" << cell(calc.SpacingRows()) << "\t"
              << cell(calc.OrderRows()) << "\t" << cell(calc.ThicknessRows()) << "\n";
    }
    c.Out << "Thickness from peak dist. [nm]: " << calc.ThicknessText() << "\n"
          << "Index of first peak: " << calc.FirstIndex() << "\n"
          << "Arithmetic mean [nm]: " << calc.MeanText() << "\n"
          << "Standard deviation [nm]: " << calc.DeviationText() << "\n"
          << "Refraction-corrected [nm]: " << calc.RefractionText() << "\n"
          << "Critical angle 2θc [°]: " << calc.CriticalAngleText() << "\n"
          << "Plot title: " << Shown(title) << "\n";
    return 0;
}

int Map(const Arguments& a, CommandContext& c) {
    const auto target = a.Text("-o");
    // Standard output holds the summary or the JSON: both outputs need a file name, else a file
    // named "-" would appear where the user asked for the screen.
    if (!target || *target == "-") throw UsageError{"map needs -o OUT.png"};
    if (a.Text("--text") == "-")
        throw UsageError{"--text needs a file name; standard output holds the summary"};
    for (const char* output : {"-o", "--text"})
        RefuseOutputOntoInput(a.Text(output).value_or("-"), a.Files);
    const plot::TMapScale scale = ScaleOption(a);
    std::optional<std::pair<int, int>> size;
    if (auto text = a.Text("--size")) {
        const auto wh = ParseImageSize(*text);
        // A map needs about 16 bytes per pixel besides the image itself.
        if (!wh || static_cast<long long>(wh->first) * wh->second > 100'000'000)
            throw UsageError{
                "--size needs WxH with both from 10 to 32767 and at most 100 million pixels"};
        size = *wh;
    }
    CliPrompts prompts(1, false);
    WorkbenchSession session(prompts);
    const tools::MapBuild build = BuildMapFromFiles(a, session, prompts, c.Err);
    const auto [width, height] = size ? *size : c.Use.Pictures->MapBitmapSize();
    // A picture of another width keeps the proportions of the bitmap copy: Arial 36 at
    // 2400 pixels, scaled with the width (at least 6 points).
    const int fontSize = std::max(6, static_cast<int>(std::lround(36.0 * width / 2400.0)));
    const Drawing::MapPicture picture =
        c.Use.Pictures->MapPng(build.Dataset, scale, width, height, fontSize);
    const plot::TwoDPlotResult& result = picture.Result;
    if (!result.Drawn)
        throw TrevascError("A picture of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels has no room for the map.");
    // The picture and the text come together or not at all.
    OutputSet outputs;
    outputs.Add(*target, picture.Png);
    if (auto text = a.Text("--text")) outputs.Add(*text, tools::MapAsText(build.Dataset));
    outputs.Commit();
    if (a.Has("--json")) {
        c.Out << MapJson(build, result, a.Has("--points"), a.Has("--levels")).Text() << "\n";
        return 0;
    }
    c.Out << "Map: " << build.Dataset.Count() << " points, " << result.Grid.Width << " x "
          << result.Grid.Height << " cells, gap-filling radius " << result.Radius << "\n"
          << "X: " << FormatGeneral(result.Area.XMin, 10) << " .. "
          << FormatGeneral(result.Area.XMax, 10) << "  Y: " << FormatGeneral(result.Area.YMin, 10)
          << " .. " << FormatGeneral(result.Area.YMax, 10) << "\n"
          << "Picture: " << Shown(*target) << "\n";
    return 0;
}

int Gnuplot(const Arguments& a, CommandContext& c) {
    const tools::GnuplotKind kind = KindOption(a);
    const std::string program = a.Text("--exe").value_or("gnuplot");
    if (program.empty()) throw UsageError{"--exe needs a program"};
    CliPrompts prompts(1, false);
    WorkbenchSession session(prompts);
    const tools::MapBuild build = BuildMapFromFiles(a, session, prompts, c.Err);
    const std::string templateFile =
        a.Text("--template")
            .value_or(FindDefinitionFolder(ProgramFolder()) + tools::kTemplateFileName);
    const auto& registry = session.Scans().Registry();
    const tools::GnuplotFiles names =
        tools::GnuplotFileNames(registry.LoadedFileFolder, registry.LoadedFileName, kind);
    for (const std::string& path : {names.DataFile, names.ScriptFile, names.PictureFile})
        RefuseOutputOntoInput(path, a.Files);
    const tools::GnuplotExportResult files =
        tools::WriteGnuplotFiles(build.Dataset, kind, !a.Has("--no-contour"),
                                 registry.LoadedFileFolder, registry.LoadedFileName, templateFile);
    if (!files.Ok) throw TrevascError(files.Message);
    if (!a.Has("--no-run")) {
        const bool png = kind == tools::GnuplotKind::PngBW || kind == tools::GnuplotKind::PngColor;
        RunGnuplot(program, files.Arguments, png, files.Files);
    }
    if (a.Has("--json")) {
        c.Out << GnuplotJson(files, program).Text() << "\n";
        return 0;
    }
    c.Out << "Data file: " << Shown(files.Files.DataFile) << "\n"
          << "Script: " << Shown(files.Files.ScriptFile) << "\n"
          << "Picture: " << Shown(files.Files.PictureFile) << "\n";
    return 0;
}

}  // namespace

std::vector<Command> ToolCommandList() {
    return {
        {"lattice",
         "(FILE | --peaks P1,P2,...) [--direction h,k,l] [--expected A]\n"
         "                   [--auto START,END,STEP] [--manual m1,m2,...]\n"
         "                   [--nelson-riley-plot OUT.png] [--wavelength L | --energy E | --line "
         "NAME]\n"
         "                   [--json]",
         "The lattice data calculation of the checked peaks (FILE: its peak list file, else a\n"
         "Method 1 peak search) or of the given 2Theta positions.",
         Joined(
             {PeaksOption(),
              {"--direction", ValueKind::Text, "h,k,l", "base direction", "1,0,0"},
              {"--expected", ValueKind::Number, "A", "expected lattice constant in Angstrom", "4"},
              {"--auto", ValueKind::Text, "START,END,STEP",
               "auto scan of the expected lattice constant"},
              {"--manual", ValueKind::Text, "m1,m2,...", "multiplier per peak, 0 = automatic"},
              {"--nelson-riley-plot", ValueKind::Text, "OUT.png",
               "the Nelson-Riley plot as an 800 x 600 PNG image", "", 0, 0, true},
              JsonOption("results as JSON")},
             WavelengthOptions()),
         Lattice},
        {"thickness",
         "(FILE | --peaks P1,P2,...) [--half] [--thickness NM]\n"
         "                   [--first-index N] [--fit-orders]\n"
         "                   [--wavelength L | --energy E | --line NAME] [--json]",
         "Film thickness from the checked fringe peaks (FILE: its peak list file, else a Method 1\n"
         "peak search) or from the given 2Theta positions.",
         Joined({PeaksOption(),
                 {"--half", ValueKind::Flag, "", "add 1/2 to every order"},
                 {"--thickness", ValueKind::Number, "NM",
                  "typed into \"Thickness from peak dist. [nm]\" after the estimate"},
                 {"--first-index", ValueKind::Integer, "N", "typed into \"Index of first peak\"",
                  "", 1, 1000},
                 {"--fit-orders", ValueKind::Flag, "",
                  "\"Fit orders\": the first order (0.5, 1, 1.5 ... 100) whose line\n"
                  "of sin^2(theta) against the squared order fits best (at least\n"
                  "three peaks; not with --half or --first-index)"},
                 JsonOption("results as JSON")},
                WavelengthOptions()),
         Thickness},
        {"map",
         "FILE... -o OUT.png [--reciprocal] [--omega-offset X]\n"
         "                   [--two-theta-offset Y] [--flip] [--scale color|bw|bw-inverse]\n"
         "                   [--size WxH] [--text OUT.txt] [--wavelength L | --energy E | --line "
         "NAME]\n"
         "                   [--points] [--levels] [--json]",
         "The map of the \"2 Axis Plot\" window as its \"Copy as Bitmap\" draws it (Arial 36 on\n"
         "white). The first FILE is the main scan, further FILEs are inserted as additional scans\n"
         "(a series of scans at different Omega positions, or one area measurement).",
         Joined(
             Joined({{"-o", ValueKind::Text, "OUT.png", "the PNG picture", "", 0, 0, true}},
                    MapBuildOptions()),
             {{"--scale", ValueKind::Text, "color|bw|bw-inverse", "colour scale", "color"},
              {"--size", ValueKind::Text, "WxH",
               "picture size; the font is scaled with the width (default 2400x1800,\n"
               "the bitmap copy of the window's default 400 x 300 drawing area)"},
              {"--text", ValueKind::Text, "OUT.txt", "the points as \"Copy as Text\" writes them"},
              JsonOption("plot area, ranges, colour range and gap-filling radius as JSON"),
              {"--points", ValueKind::Flag, "", "with --json: every point as [x, y, z, scanIndex]"},
              {"--levels", ValueKind::Flag, "",
               "with --json: the level of every cell, row by row from the\n"
               "smallest Y (filled cells keep 268435456 = 0x10000000 added)"}}),
         Map},
        {"gnuplot",
         "FILE... --kind bw|color|png-bw|png-color [map options]\n"
         "                   [--template T] [--no-contour] [--exe PROGRAM] [--no-run] [--json]",
         "Writes the map's data file and a gnuplot script made from the template beside the main\n"
         "scan, as the \"&Gnuplot\" menu of the map window does, and starts gnuplot on it (no\n"
         "shell). The PNG kinds wait until the picture is written; the screen kinds start gnuplot\n"
         "and return.",
         Joined({{"--kind", ValueKind::Text, "bw|color|png-bw|png-color",
                  "\"Open black & white\", \"Open color\", \"PNG black & white\", \"PNG color\""},
                 {"--template", ValueKind::Text, "T",
                  "the script template (default trevasc_gnuplot_template.plt in\n"
                  "the program's data folder)"},
                 {"--no-contour", ValueKind::Flag, "", "keeps the lines marked #NOCONTOURONLY#"},
                 {"--exe", ValueKind::Text, "PROGRAM", "the gnuplot program, found on PATH",
                  "gnuplot"},
                 {"--no-run", ValueKind::Flag, "", "writes the files only"},
                 JsonOption("the files, the program and its arguments as JSON")},
                MapBuildOptions()),
         Gnuplot},
    };
}

}  // namespace trevasc::cli
