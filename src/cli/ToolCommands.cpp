#include "cli/ToolCommands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/SameFile.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "cli/DrawProgram.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "session/ToolHandOver.h"
#include "session/WorkbenchSession.h"
#include "tools/gnuplot/GnuplotExport.h"
#include "tools/maps/MapBuilder.h"

#ifdef TREVASC_HAVE_QT
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>

#include "qtcanvas/MapImageExport.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/XYPlotImageExport.h"
#endif

namespace trevasc::cli {

namespace {

// Bad input of a tool command: exit code 1 with the message.
struct InputError {
    std::string Message;
};

// A command line that cannot be taken as it stands: exit code 2 with the message.
struct ToolUsageError {
    std::string Message;
};

struct ToolArguments {
    std::vector<std::string> Files;
    std::map<std::string, std::string> Values;
    std::vector<std::string> Flags;
    bool Has(const std::string& f) const {
        return std::find(Flags.begin(), Flags.end(), f) != Flags.end();
    }
    std::optional<std::string> Value(const std::string& name) const {
        auto it = Values.find(name);
        return it == Values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

const std::vector<std::string> kSelectorOptions = {"--wavelength", "--energy", "--line", "--peaks"};

ToolArguments Parse(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                    std::vector<std::string> valued) {
    valued.insert(valued.end(), kSelectorOptions.begin(), kSelectorOptions.end());
    ToolArguments a;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s.size() > 1 && s[0] == '-') {
            if (s == "--json" || s == "--help" ||
                std::find(flags.begin(), flags.end(), s) != flags.end()) {
                a.Flags.push_back(s);
            } else if (std::find(valued.begin(), valued.end(), s) != valued.end()) {
                if (i + 1 >= args.size()) throw InputError{"option " + s + " needs a value"};
                // Which of two values was meant is not ours to guess.
                if (a.Values.count(s)) throw ToolUsageError{"option " + s + " is given twice"};
                a.Values[s] = args[++i];
            } else {
                throw InputError{"unknown option " + s};
            }
        } else {
            a.Files.push_back(s);
        }
    }
    return a;
}

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

double NumberOption(const std::string& name, const std::string& text) {
    const std::optional<double> v = TryParseFloat(text);
    if (!v) throw InputError{name + ": '" + text + "' is not a number"};
    return *v;
}

std::string Json(const std::string& s) {
    return JsonString(s);
}

// The shortest text that reads back as the same double.
std::string Json(double v) {
    return FormatShortest(v);
}

template <typename T, typename F>
std::string JsonList(const std::vector<T>& items, F&& each) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + each(items[i]);
    return out + "]";
}

std::string JsonTexts(const std::vector<std::string>& items) {
    return JsonList(items, [](const std::string& s) { return Json(s); });
}
std::string JsonNumbers(const std::vector<double>& items) {
    return JsonList(items, [](double v) { return Json(v); });
}

// Captures the peaks that the peak list hands over, as the tool windows receive them.
class HandOverCapture : public SessionObserver {
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

PeakSource CollectPeaks(const ToolArguments& a, WorkbenchSession& session,
                        PeakHandOverTarget target) {
    PeakSource source;
    if (auto list = a.Value("--peaks")) {
        if (!a.Files.empty()) throw InputError{"give either FILE or --peaks, not both"};
        for (const std::string& p : SplitCommas(*list))
            source.Rows.push_back(FormatFixed(NumberOption("--peaks", p), 3));
        return source;
    }
    if (a.Files.size() != 1) throw InputError{"needs exactly one FILE or --peaks P1,P2,..."};
    session.OpenMainFile(a.Files[0]);
    if (session.MainScan().Peaks.Count() == 0) session.FindPeaks(analysis::TPeakMethod::Slope);
    HandOverCapture capture;
    session.AddObserver(&capture);
    session.SendCheckedPeaks(target);
    session.RemoveObserver(&capture);
    source.Rows = capture.Rows;
    source.SourceName = capture.Source;
    return source;
}

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The X-ray tube selector of the window, typed into as the options say (6 significant digits
// for the wavelength). Without an option: the first transition of the definition file, the
// selector's start-up choice.
double SelectorWavelength(const ToolArguments& a, CliPrompts& prompts) {
    const int given = a.Value("--wavelength").has_value() + a.Value("--energy").has_value() +
                      a.Value("--line").has_value();
    if (given > 1) throw InputError{"give only one of --wavelength, --energy and --line"};
    const std::string folder = FindDefinitionFolder(ProgramFolder());
    const std::string xray = folder.empty() ? std::string() : folder + "XRAY.DEF";
    XrayTubeSelectorState selector(xray, prompts);
    selector.Create();
    if (auto w = a.Value("--wavelength")) {
        if (NumberOption("--wavelength", *w) <= 0.0)
            throw InputError{"--wavelength needs a wavelength above 0"};
        selector.OnWavelengthTextEdited(*w);
    } else if (auto e = a.Value("--energy")) {
        if (NumberOption("--energy", *e) <= 0.0)
            throw InputError{"--energy needs an energy above 0"};
        selector.OnEnergyTextEdited(*e);
    } else if (auto line = a.Value("--line")) {
        const auto& names = selector.Names();
        const auto it = std::find(names.begin(), names.end(), *line);
        if (it == names.end()) throw InputError{"--line: unknown X-ray line '" + *line + "'"};
        selector.OnSelectionChanged(static_cast<int>(it - names.begin()));
    } else if (selector.Names().empty()) {
        return WorkbenchSession::kDefaultWavelength;
    }
    if (!prompts.Warnings().empty()) throw InputError{prompts.Warnings().back()};
    return selector.Wavelength();
}

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const char* usage, const std::function<int()>& body) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        out << usage;
        return 0;
    }
    try {
        return body();
    } catch (const InputError& e) {
        err << "trevasc-cli " << args[0] << ": " << e.Message << "\n" << usage;
        return 1;
    } catch (const ToolUsageError& e) {
        err << "trevasc-cli " << args[0] << ": " << e.Message << "\n" << usage;
        return 2;
    } catch (const TrevascError& e) {
        err << "trevasc-cli " << args[0] << ": " << Shown(e.what()) << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        err << "trevasc-cli " << args[0] << ": Out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        err << "trevasc-cli " << args[0] << ": " << Shown(e.what()) << "\n";
        return 1;
    }
}

constexpr const char* kLatticeHelp =
    "usage: trevasc-cli lattice (FILE | --peaks P1,P2,...) [options]\n"
    "  The lattice data calculation of the checked peaks (FILE: its peak list file, else a\n"
    "  Method 1 peak search) or of the given 2Theta positions.\n"
    "  --direction h,k,l        base direction (default 1,0,0)\n"
    "  --expected A             expected lattice constant in Angstrom (default 4)\n"
    "  --auto START,END,STEP    auto scan of the expected lattice constant\n"
    "  --manual m1,m2,...       multiplier per peak, 0 = automatic\n"
    "  --nelson-riley-plot OUT.png   the Nelson-Riley plot as an 800 x 600 PNG image\n"
    "  --wavelength L | --energy E | --line NAME   the X-ray tube selector\n"
    "  --json                   results as JSON\n";

constexpr const char* kThicknessHelp =
    "usage: trevasc-cli thickness (FILE | --peaks P1,P2,...) [options]\n"
    "  Film thickness from the checked fringe peaks (FILE: its peak list file, else a Method 1\n"
    "  peak search) or from the given 2Theta positions.\n"
    "  --half                   add 1/2 to every order\n"
    "  --thickness NM           typed into \"Thickness from peak dist. [nm]\" after the estimate\n"
    "  --first-index N          typed into \"Index of first peak\" (1 to 1000)\n"
    "  --fit-orders             \"Fit orders\": the first order (0.5, 1, 1.5 ... 100) whose line\n"
    "                           of sin^2(theta) against the squared order fits best (at least\n"
    "                           three peaks; not with --half or --first-index)\n"
    "  --wavelength L | --energy E | --line NAME   the X-ray tube selector\n"
    "  --json                   results as JSON\n";

constexpr const char* kMapHelp =
    "usage: trevasc-cli map FILE... -o OUT.png [options]\n"
    "  The map of the \"2 Axis Plot\" window as its \"Copy as Bitmap\" draws it (Arial 36 on\n"
    "  white). The first FILE is the main scan, further FILEs are inserted as additional scans\n"
    "  (a series of scans at different Omega positions, or one area measurement).\n"
    "  --reciprocal             the reciprocal space map (k_parallel, k_perpendicular)\n"
    "  --omega-offset X         added to every Omega of the reciprocal map (degrees)\n"
    "  --two-theta-offset Y     added to every 2Theta of the reciprocal map (degrees)\n"
    "  --flip                   reverses the sign of k_parallel\n"
    "  --scale color|bw|bw-inverse   colour scale (default color)\n"
    "  --size WxH               picture size (default 2400x1800, the bitmap copy of the\n"
    "                           window's default 400 x 300 drawing area); the font is\n"
    "                           scaled with the width\n"
    "  --text OUT.txt           the points as \"Copy as Text\" writes them\n"
    "  --wavelength L | --energy E | --line NAME   the X-ray tube selector\n"
    "  --json                   plot area, ranges, colour range and gap-filling radius as JSON\n"
    "  --points                 with --json: every point as [x, y, z, scanIndex]\n"
    "  --levels                 with --json: the level of every cell, row by row from the\n"
    "                           smallest Y (filled cells keep 268435456 = 0x10000000 added)\n";

constexpr const char* kGnuplotHelp =
    "usage: trevasc-cli gnuplot FILE... --kind bw|color|png-bw|png-color [options]\n"
    "  Writes the map's data file and a gnuplot script made from the template beside the main\n"
    "  scan, as the \"&Gnuplot\" menu of the map window does, and starts gnuplot on it (no\n"
    "  shell). The PNG kinds wait until the picture is written; the screen kinds start gnuplot\n"
    "  and return.\n"
    "  --kind bw|color|png-bw|png-color   \"Open black & white\", \"Open color\",\n"
    "                           \"PNG black & white\", \"PNG color\"\n"
    "  --template T             the script template (default trevasc_gnuplot_template.plt in\n"
    "                           the program's data folder)\n"
    "  --no-contour             keeps the lines marked #NOCONTOURONLY#\n"
    "  --exe PROGRAM            the gnuplot program (default gnuplot, found on PATH)\n"
    "  --no-run                 writes the files only\n"
    "  --json                   the files, the program and its arguments as JSON\n"
    "  map options: --reciprocal, --omega-offset X, --two-theta-offset Y, --flip,\n"
    "  --wavelength L | --energy E | --line NAME (see trevasc-cli map --help)\n";

const std::vector<std::string> kMapFlags = {"--reciprocal", "--flip"};
const std::vector<std::string> kMapValues = {"--omega-offset", "--two-theta-offset"};

// Opens the main scan, inserts the further files and builds the map with the session's map
// settings, as the window's menu entries do. Warnings of the readers go to `err`.
maps::MapBuild BuildMapFromFiles(const ToolArguments& a, WorkbenchSession& session,
                                 CliPrompts& prompts, std::ostream& err) {
    if (a.Files.empty()) throw InputError{"needs at least one FILE"};
    if (a.Value("--peaks")) throw InputError{"unknown option --peaks"};
    double omegaOffset = 0.0, twoThetaOffset = 0.0;
    if (auto v = a.Value("--omega-offset")) omegaOffset = NumberOption("--omega-offset", *v);
    if (auto v = a.Value("--two-theta-offset"))
        twoThetaOffset = NumberOption("--two-theta-offset", *v);
    session.SetCurrentWavelength(SelectorWavelength(a, prompts));
    session.OpenMainFile(a.Files[0]);
    if (a.Files.size() > 1) session.InsertFiles({a.Files.begin() + 1, a.Files.end()});
    for (const std::string& w : prompts.TakeWarnings()) err << "warning: " << Shown(w) << "\n";
    // Reading a file resets the offsets: they are set for the map, after the files.
    MapSettings& settings = session.Maps();
    settings.RsmOmegaOffset = omegaOffset;
    settings.RsmTwoThetaOffset = twoThetaOffset;
    settings.FlipKParallel = a.Has("--flip");
    settings.Mode = a.Has("--reciprocal") ? maps::MapMode::Reciprocal : maps::MapMode::TwoAxis;
    // The commands end with the map: the scans give up their points as they go into it.
    maps::MapBuild build = session.TakeMapDataset(settings.Mode);
    prompts.TakeWarnings();  // the build's message, reported below
    if (!build.Built) {
        throw TrevascError(!build.Message.empty()
                               ? build.Message
                               : "The main scan has fewer than 2 points: there is no map to draw.");
    }
    if (build.Dataset.Points.empty()) throw TrevascError(maps::kNoSecondAxisMessage);
    return build;
}

plot::TMapScale ScaleOption(const ToolArguments& a) {
    const std::string scale = a.Value("--scale").value_or("color");
    if (scale == "color") return plot::TMapScale::Color;
    if (scale == "bw") return plot::TMapScale::BlackWhite;
    if (scale == "bw-inverse") return plot::TMapScale::BlackWhiteInverse;
    throw InputError{"--scale needs color, bw or bw-inverse"};
}

#ifdef TREVASC_HAVE_QT
std::string MapJson(const maps::MapBuild& build, const plot::TwoDPlotResult& r, bool points,
                    bool levels) {
    const plot::T2dPlotDataset& ds = build.Dataset;
    std::string out =
        "{\"xTitle\": " + Json(ds.XTitle) + ", \"yTitle\": " + Json(ds.YTitle) +
        ", \"zTitle\": " + Json(ds.ZTitle) + ", \"info\": " + Json(ds.Info) +
        ", \"count\": " + std::to_string(ds.Count()) +
        ", \"plotWidth\": " + std::to_string(r.Grid.Width) +
        ", \"plotHeight\": " + std::to_string(r.Grid.Height) + ", \"xMin\": " + Json(r.Area.XMin) +
        ", \"xMax\": " + Json(r.Area.XMax) + ", \"yMin\": " + Json(r.Area.YMin) +
        ", \"yMax\": " + Json(r.Area.YMax) + ", \"logMin\": " + Json(r.LogRange.LogMin) +
        ", \"logMax\": " + Json(r.LogRange.LogMax) + ", \"radius\": " + std::to_string(r.Radius);
    if (points) {
        out += ", \"points\": " + JsonList(ds.Points, [](const plot::T2dPlotPoint& p) {
                   return "[" + Json(p.X) + ", " + Json(p.Y) + ", " + Json(p.Z) + ", " +
                          std::to_string(p.ScanIndex) + "]";
               });
    }
    if (levels) {
        out += ", \"levels\": [";
        for (int32_t gy = 0; gy < r.Grid.Height; ++gy) {
            out += gy ? ",\n  [" : "\n  [";
            const int32_t* row = r.Grid.Levels.data() + static_cast<size_t>(gy) * r.Grid.Width;
            for (int32_t gx = 0; gx < r.Grid.Width; ++gx)
                out += (gx ? ", " : "") + std::to_string(row[gx]);
            out += "]";
        }
        out += "]";
    }
    return out + "}\n";
}
#endif

gnuplot::GnuplotKind KindOption(const ToolArguments& a) {
    const auto kind = a.Value("--kind");
    if (!kind) throw InputError{"gnuplot needs --kind bw, color, png-bw or png-color"};
    if (*kind == "bw") return gnuplot::GnuplotKind::ScreenBW;
    if (*kind == "color") return gnuplot::GnuplotKind::ScreenColor;
    if (*kind == "png-bw") return gnuplot::GnuplotKind::PngBW;
    if (*kind == "png-color") return gnuplot::GnuplotKind::PngColor;
    throw InputError{"--kind needs bw, color, png-bw or png-color"};
}

#ifdef TREVASC_HAVE_QT
QStringList QtArguments(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& s : arguments) list << QString::fromStdString(s);
    return list;
}

// Starts gnuplot without a shell: the screen kinds detached (gnuplot keeps its window), the
// PNG kinds waited for, so that the picture exists when the command returns.
void RunGnuplot(const std::string& program, const std::vector<std::string>& arguments, bool wait,
                const gnuplot::GnuplotFiles& files) {
    const std::string& picture = files.PictureFile;
    QProcess process;
    process.setProgram(QString::fromStdString(program));
    process.setArguments(QtArguments(arguments));
    process.setStandardInputFile(QProcess::nullDevice());
    const std::string name = "'" + Shown(program) + "'";
    // Files for a program that never ran are of no use: they go, the message stays.
    const auto notStarted = [&] {
        gnuplot::RemoveGnuplotFiles(files);
        return TrevascError("cannot start " + name + ": " + process.errorString().toStdString());
    };
    if (!wait) {
        if (!process.startDetached()) throw notStarted();
        return;
    }
    process.start();
    if (!process.waitForStarted()) throw notStarted();
    constexpr int kMaxWaitMs = 5 * 60 * 1000;
    if (!process.waitForFinished(kMaxWaitMs)) {
        process.kill();
        process.waitForFinished();
        throw TrevascError(name + " did not finish within 5 minutes");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::string detail = process.readAllStandardError().trimmed().left(2000).toStdString();
        throw TrevascError(name + " failed (exit code " + std::to_string(process.exitCode()) + ")" +
                           (detail.empty() ? "" : ": " + Shown(detail)));
    }
    if (!std::filesystem::exists(picture))
        throw TrevascError(name + " finished without writing " + Shown(picture) +
                           " (does the template set a png terminal on #PNGONLY# lines?)");
}
#endif

// The refraction line of the thickness calculation, null below three fringes.
std::string RefractionJson(const std::optional<tools::TRefractionFit>& fit) {
    if (!fit) return "null";
    return "{\"thickness\": " + Json(fit->Thickness) +
           ", \"twoThetaCritical\": " + Json(fit->TwoThetaCritical) +
           ", \"firstOrder\": " + Json(fit->FirstOrder) + ", \"residual\": " + Json(fit->Residual) +
           "}";
}

}  // namespace

int LatticeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunTool(args, out, err, kLatticeHelp, [&] {
        ToolArguments a = Parse(
            args, {}, {"--direction", "--expected", "--auto", "--manual", "--nelson-riley-plot"});
        RefuseOutputOntoInput(a.Value("--nelson-riley-plot").value_or("-"), a.Files);
        CliPrompts prompts(1, false);
        WorkbenchSession session(prompts);
        const double wavelength = SelectorWavelength(a, prompts);
        session.SetCurrentWavelength(wavelength);
        const PeakSource peaks = CollectPeaks(a, session, PeakHandOverTarget::Lattice);
        if (peaks.Rows.empty()) throw InputError{"no peaks to calculate with"};

        tools::LatticeCalculation calc;
        calc.ReceivePeaks(peaks.Rows, peaks.SourceName);
        if (auto d = a.Value("--direction")) calc.DirectionFieldText = *d;
        if (auto e = a.Value("--expected")) {
            const double v = NumberOption("--expected", *e);
            calc.ExpectedText = tools::LatticeCalculation::ExpectedField().TextOf(v);
        }
        std::vector<int32_t> manual;
        if (auto m = a.Value("--manual")) {
            for (const std::string& part : SplitCommas(*m)) {
                const std::optional<int32_t> n = TryParseInt(Trim(part));
                if (!n || *n < 0 || *n > 100)
                    throw InputError{"--manual needs whole numbers from 0 to 100"};
                manual.push_back(*n);
            }
            if (manual.size() != peaks.Rows.size())
                throw InputError{"--manual needs one multiplier per peak (" +
                                 std::to_string(peaks.Rows.size()) + ")"};
        }
        if (auto range = a.Value("--auto")) {
            const std::vector<std::string> parts = SplitCommas(*range);
            if (parts.size() != 3) throw InputError{"--auto needs START,END,STEP"};
            // The dialog's fields: start and end 0 to 10000, step at most 100.
            const auto start = tools::LatticeCalculation::AutoStartField();
            const auto step = tools::LatticeCalculation::AutoStepField();
            const double s = NumberOption("--auto", parts[0]);
            const double e = NumberOption("--auto", parts[1]);
            const double w = NumberOption("--auto", parts[2]);
            ApplyLatticeEffects(session,
                                calc.AutoScanLattice(wavelength, start.Clamp(s), start.Clamp(e),
                                                     w <= 0 ? w : step.Clamp(w)));
        }
        bool calculated = a.Value("--auto").has_value();
        for (size_t i = 0; i < manual.size(); ++i)
            if (manual[i] != 0) {
                ApplyLatticeEffects(session, calc.AssignManualMultiplier(static_cast<int>(i),
                                                                         manual[i], wavelength));
                calculated = true;
            }
        if (!calculated) ApplyLatticeEffects(session, calc.CalculateLatticeData(wavelength));
        if (auto png = a.Value("--nelson-riley-plot")) {
            tools::TLatticeEffects effects = calc.NelsonRileyPlot(wavelength);
            ApplyLatticeEffects(session, effects);
            if (effects.NelsonRileyWindow != tools::TLatticeEffects::NelsonRiley::Show)
                throw InputError{
                    "the Nelson-Riley plot needs at least two peaks with a multiple of at least 1"};
#ifdef TREVASC_HAVE_QT
            EnsureGuiApplication();
            WriteImagePng(RenderXYPlotImage(effects.NelsonRileyData, 800, 600), *png);
#else
            throw InputError{"this build has no drawing support (Qt was not found)"};
#endif
        }

        const std::string title = session.Registry().PlotTitle;
        if (a.Has("--json")) {
            std::vector<size_t> rowsIndex(calc.LatticeConstants().size());
            for (size_t i = 0; i < rowsIndex.size(); ++i) rowsIndex[i] = i;
            std::vector<std::string> ids;
            for (size_t i = 0; i < calc.PeakRows().size() && i < calc.HklRows().size(); ++i)
                ids.push_back("[" + Json(calc.PeakRows()[i]) + ", " +
                              Json("(" + calc.HklRows()[i] + ")") + "]");
            out << "{\"peaks\": " << JsonTexts(calc.PeakRows())
                << ", \"direction\": " << Json(calc.DirectionFieldText)
                << ", \"expected\": " << Json(calc.ExpectedValue())
                << ", \"spacings\": " << JsonNumbers(calc.Spacings()) << ", \"multipliers\": "
                << JsonList(calc.Multipliers(), [](int32_t m) { return std::to_string(m); })
                << ", \"hklRows\": " << JsonTexts(calc.HklRows()) << ", \"latticeConstants\": "
                << JsonList(rowsIndex,
                            [&](size_t i) {
                                // A row with multiple 0 has no lattice constant ("-").
                                return calc.Multipliers()[i] != 0 ? Json(calc.LatticeConstants()[i])
                                                                  : std::string("null");
                            })
                << ", \"mean\": " << Json(calc.Mean()) << ", \"error\": " << Json(calc.Error())
                << ", \"nelsonRiley\": " << Json(calc.NelsonRiley())
                << ", \"nelsonRileyError\": " << Json(calc.NelsonRileyError())
                << ", \"slope\": " << Json(calc.FitSlope())
                << ", \"intercept\": " << Json(calc.FitIntercept())
                << ", \"plotTitle\": " << Json(title)
                << ", \"identifiers\": " << JsonList(ids, [](const std::string& s) { return s; })
                << "}\n";
        } else {
            out << "Peaks\tDistance d [Å]\th,k,l\tLattice constant [Å]\n";
            for (size_t i = 0; i < calc.PeakRows().size(); ++i) {
                auto cell = [i](const std::vector<std::string>& list) {
                    return i < list.size() ? list[i] : std::string();
                };
                out << calc.PeakRows()[i] << "\t" << cell(calc.SpacingRows()) << "\t"
                    << cell(calc.HklRows()) << (calc.IsManualRow(static_cast<int>(i)) ? " *" : "")
                    << "\t" << cell(calc.LatticeRows()) << "\n";
            }
            out << "Direction h,k,l: " << calc.DirectionFieldText << "\n"
                << "Expected lattice constant [Å]: " << calc.ExpectedText << "\n"
                << "Arithmetic mean [Å]: " << calc.MeanText() << "  Error: " << calc.ErrorText()
                << "\n"
                << "Nelson-Riley [Å]: " << calc.NelsonRileyText()
                << "  Error: " << calc.NelsonRileyErrorText() << "\n"
                << "Plot title: " << Shown(title) << "\n";
        }
        return 0;
    });
}

int ThicknessCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunTool(args, out, err, kThicknessHelp, [&] {
        ToolArguments a = Parse(args, {"--half", "--fit-orders"}, {"--thickness", "--first-index"});
        const bool fitOrders = a.Has("--fit-orders");
        if (fitOrders && (a.Has("--half") || a.Value("--first-index")))
            throw InputError{"--fit-orders chooses the first index and +1/2 itself"};
        CliPrompts prompts(1, false);
        WorkbenchSession session(prompts);
        const double wavelength = SelectorWavelength(a, prompts);
        const PeakSource peaks = CollectPeaks(a, session, PeakHandOverTarget::Thickness);
        if (peaks.Rows.empty()) throw InputError{"no peaks to calculate with"};

        tools::FilmThicknessCalculation calc;
        calc.ReceivePeaks(peaks.Rows);
        calc.SetHalfOrders(a.Has("--half"));
        calc.Estimate(wavelength);
        if (auto t = a.Value("--thickness")) {
            NumberOption("--thickness", *t);
            calc.ThicknessEdited(*t, wavelength);
        }
        if (auto n = a.Value("--first-index")) {
            const std::optional<int32_t> index = TryParseInt(*n);
            if (!index || *index < 1 || *index > 1000)
                throw InputError{"--first-index needs a whole number from 1 to 1000"};
            calc.SetFirstIndex(*index);
        }
        if (fitOrders) calc.FitOrders(wavelength);
        ApplyThicknessEffects(session, calc.Calculate(wavelength));
        const std::string title = session.Registry().PlotTitle;
        if (a.Has("--json")) {
            out << "{\"peaks\": " << JsonTexts(calc.PeakRows())
                << ", \"estimate\": " << Json(calc.ThicknessValue())
                << ", \"firstIndex\": " << calc.FirstIndex()
                << ", \"spacings\": " << JsonNumbers(calc.Spacings())
                << ", \"orders\": " << JsonNumbers(calc.Orders())
                << ", \"orderRows\": " << JsonTexts(calc.OrderRows())
                << ", \"thicknesses\": " << JsonNumbers(calc.Thicknesses())
                << ", \"mean\": " << Json(calc.Mean())
                << ", \"standardDeviation\": " << Json(calc.StandardDeviation())
                << ", \"refraction\": " << RefractionJson(calc.Refraction())
                << ", \"plotTitle\": " << Json(title)
                << ", \"latticeSpacing\": " << Json(session.AdditionalLatticeSpacing()) << "}\n";
        } else {
            out << "Peaks\tDistance d [nm]\tIndex\tThickness [nm]\n";
            for (size_t i = 0; i < calc.PeakRows().size(); ++i) {
                auto cell = [i](const std::vector<std::string>& list) {
                    return i < list.size() ? list[i] : std::string();
                };
                out << calc.PeakRows()[i] << "\t" << cell(calc.SpacingRows()) << "\t"
                    << cell(calc.OrderRows()) << "\t" << cell(calc.ThicknessRows()) << "\n";
            }
            out << "Thickness from peak dist. [nm]: " << calc.ThicknessText() << "\n"
                << "Index of first peak: " << calc.FirstIndex() << "\n"
                << "Arithmetic mean [nm]: " << calc.MeanText() << "\n"
                << "Standard deviation [nm]: " << calc.DeviationText() << "\n"
                << "Refraction-corrected [nm]: " << calc.RefractionText() << "\n"
                << "Critical angle 2θc [°]: " << calc.CriticalAngleText() << "\n"
                << "Plot title: " << Shown(title) << "\n";
        }
        return 0;
    });
}

int MapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunTool(args, out, err, kMapHelp, [&] {
        std::vector<std::string> flags = kMapFlags, values = kMapValues;
        flags.insert(flags.end(), {"--points", "--levels"});
        values.insert(values.end(), {"-o", "--scale", "--size", "--text"});
        const ToolArguments a = Parse(args, flags, values);
        const auto target = a.Value("-o");
        if (!target) throw InputError{"map needs -o OUT.png"};
        for (const char* output : {"-o", "--text"})
            RefuseOutputOntoInput(a.Value(output).value_or("-"), a.Files);
        const plot::TMapScale scale = ScaleOption(a);
        std::optional<std::pair<int, int>> size;
        if (auto text = a.Value("--size")) {
            const auto wh = ParseImageSize(*text);
            // A map needs about 16 bytes per pixel besides the image itself.
            if (!wh || static_cast<long long>(wh->first) * wh->second > 100'000'000)
                throw InputError{
                    "--size needs WxH with both from 10 to 32767 and at most "
                    "100 million pixels"};
            size = *wh;
        }
        CliPrompts prompts(1, false);
        WorkbenchSession session(prompts);
        const maps::MapBuild build = BuildMapFromFiles(a, session, prompts, err);
#ifdef TREVASC_HAVE_QT
        EnsureGuiApplication();
        const QSize bitmap = MapBitmapSize(0, 0);
        const int width = size ? size->first : bitmap.width();
        const int height = size ? size->second : bitmap.height();
        // A picture of another width keeps the proportions of the bitmap copy: Arial 36 at
        // 2400 pixels, scaled with the width (at least 6 points).
        MapImageStyle style;
        style.FontSize = std::max(6, static_cast<int>(std::lround(36.0 * width / 2400.0)));
        plot::TwoDPlotResult result;
        const QImage image = RenderMapImage(build.Dataset, scale, width, height, style, &result);
        if (!result.Drawn)
            throw TrevascError("A picture of " + std::to_string(width) + " x " +
                               std::to_string(height) + " pixels has no room for the map.");
        // The picture and the text come together or not at all.
        OutputSet outputs;
        outputs.Add(*target, ImagePng(image));
        if (auto text = a.Value("--text")) outputs.Add(*text, maps::MapAsText(build.Dataset));
        outputs.Commit();
        if (a.Has("--json")) {
            out << MapJson(build, result, a.Has("--points"), a.Has("--levels"));
        } else {
            out << "Map: " << build.Dataset.Count() << " points, " << result.Grid.Width << " x "
                << result.Grid.Height << " cells, gap-filling radius " << result.Radius << "\n"
                << "X: " << FormatGeneral(result.Area.XMin, 10) << " .. "
                << FormatGeneral(result.Area.XMax, 10)
                << "  Y: " << FormatGeneral(result.Area.YMin, 10) << " .. "
                << FormatGeneral(result.Area.YMax, 10) << "\n"
                << "Picture: " << Shown(*target) << "\n";
        }
#else
        (void)scale, (void)size, (void)build;
        throw InputError{"this build has no drawing support (Qt was not found)"};
#endif
        return 0;
    });
}

int GnuplotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunTool(args, out, err, kGnuplotHelp, [&] {
        std::vector<std::string> flags = kMapFlags, values = kMapValues;
        flags.insert(flags.end(), {"--no-contour", "--no-run"});
        values.insert(values.end(), {"--kind", "--template", "--exe"});
        const ToolArguments a = Parse(args, flags, values);
        const gnuplot::GnuplotKind kind = KindOption(a);
        const std::string program = a.Value("--exe").value_or("gnuplot");
        if (program.empty()) throw InputError{"--exe needs a program"};
        CliPrompts prompts(1, false);
        WorkbenchSession session(prompts);
        const maps::MapBuild build = BuildMapFromFiles(a, session, prompts, err);
        const std::string templateFile =
            a.Value("--template")
                .value_or(FindDefinitionFolder(ProgramFolder()) + gnuplot::kTemplateFileName);
        const auto& registry = session.Registry();
        const gnuplot::GnuplotFiles names =
            gnuplot::GnuplotFileNames(registry.LoadedFileFolder, registry.LoadedFileName, kind);
        for (const std::string& path : {names.DataFile, names.ScriptFile, names.PictureFile})
            RefuseOutputOntoInput(path, a.Files);
        const gnuplot::GnuplotExportResult files = gnuplot::WriteGnuplotFiles(
            build.Dataset, kind, !a.Has("--no-contour"), registry.LoadedFileFolder,
            registry.LoadedFileName, templateFile);
        if (!files.Ok) throw TrevascError(files.Message);
        if (!a.Has("--no-run")) {
#ifdef TREVASC_HAVE_QT
            const bool png =
                kind == gnuplot::GnuplotKind::PngBW || kind == gnuplot::GnuplotKind::PngColor;
            RunGnuplot(program, files.Arguments, png, files.Files);
#else
            throw InputError{"this build cannot start programs (Qt was not found); use --no-run"};
#endif
        }
        if (a.Has("--json")) {
            out << "{\"dataFile\": " << Json(files.Files.DataFile)
                << ", \"scriptFile\": " << Json(files.Files.ScriptFile)
                << ", \"pictureFile\": " << Json(files.Files.PictureFile)
                << ", \"program\": " << Json(program)
                << ", \"arguments\": " << JsonTexts(files.Arguments) << "}\n";
        } else {
            out << "Data file: " << Shown(files.Files.DataFile) << "\n"
                << "Script: " << Shown(files.Files.ScriptFile) << "\n"
                << "Picture: " << Shown(files.Files.PictureFile) << "\n";
        }
        return 0;
    });
}

}  // namespace trevasc::cli
