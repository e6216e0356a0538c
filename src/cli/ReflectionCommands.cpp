#include "cli/ReflectionCommands.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <new>
#include <optional>

#include "analysis/AdditionalLines.h"
#include "analysis/StructureSimulation.h"
#include "analysis/SubstrateDatabase.h"
#include "base/Error.h"
#include "base/IniFile.h"
#include "base/InputFile.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "base/SameFile.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "formats/PeakListFile.h"
#include "formats/ReflectionTable.h"
#include "session/WorkbenchSession.h"

namespace trevasc::cli {

const char* const kReflectionUsage =
    "       trevasc-cli simulate --system cubic|tetragonal|orthorhombic|hexagonal|rhombohedral|\n"
    "                   monoclinic|triclinic [--a A --b B --c C --alpha X --beta Y --gamma Z]\n"
    "                   [--h MIN MAX] [--k MIN MAX] [--l MIN MAX] [WAVELENGTH] [--json]\n"
    "       trevasc-cli lines [--energy E | --transition NAME] [--lattice D] [--permitted LIST]\n"
    "                   [--show-all --to LAST] [--selected-peak P [--wavelength L | --line NAME]]\n"
    "                   [--json]\n"
    "       trevasc-cli jcpds FILE|- [--add-to INI --name NAME] [WAVELENGTH] [--json]\n"
    "       trevasc-cli substrates [--database INI] [--json]\n"
    "       trevasc-cli identify FILE (--material NAME | --auto-select) [--database INI]\n"
    "                   [--max-dev D] [--peaks P1,P2,...] [--json]\n"
    "       WAVELENGTH: --wavelength L | --energy E | --line NAME (as typed into the lattice\n"
    "                   window's X-ray tube selector; default Cu K-Alpha1)\n";

namespace {

struct CommandError {  // a malformed command line: usage text, exit code 2
    std::string Message;
};

// Options of these commands: flags, options with one value and options with two (--h MIN MAX).
struct Options {
    std::vector<std::string> Files;
    std::map<std::string, std::vector<std::string>> Values;
    std::vector<std::string> Flags;

    bool Has(const std::string& flag) const {
        return std::find(Flags.begin(), Flags.end(), flag) != Flags.end() || Values.count(flag);
    }
    std::optional<std::string> Value(const std::string& name) const {
        auto it = Values.find(name);
        if (it == Values.end()) return std::nullopt;
        return it->second[0];
    }
};

Options Parse(const std::vector<std::string>& args, const std::vector<std::string>& flags,
              const std::map<std::string, int>& valued) {
    Options o;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s.size() > 1 && s[0] == '-' && !TryParseFloat(s)) {
            if (std::find(flags.begin(), flags.end(), s) != flags.end()) {
                o.Flags.push_back(s);
                continue;
            }
            auto v = valued.find(s);
            if (v == valued.end()) throw CommandError{"unknown option " + s};
            if (i + static_cast<size_t>(v->second) >= args.size())
                throw CommandError{"option " + s + " needs " +
                                   (v->second == 1 ? "a value" : "two values")};
            // Which of two values was meant is not ours to guess.
            if (o.Values.count(s)) throw CommandError{"option " + s + " is given twice"};
            std::vector<std::string> values(args.begin() + static_cast<long>(i) + 1,
                                            args.begin() + static_cast<long>(i) + 1 + v->second);
            o.Values[s] = values;
            i += static_cast<size_t>(v->second);
        } else {
            o.Files.push_back(s);
        }
    }
    return o;
}

double Number(const Options& o, const std::string& name, double def) {
    auto v = o.Value(name);
    if (!v) return def;
    auto x = TryParseFloat(*v);
    if (!x) throw CommandError{name + " needs a number, not '" + *v + "'"};
    return *x;
}

std::string Json(const std::string& s) {
    return JsonString(s);
}

std::string JsonNumber(double v) {
    return std::isfinite(v) ? FormatGeneral(v, 15) : "null";
}

template <typename T, typename F>
std::string JsonArray(const std::vector<T>& items, F&& item) {
    std::string s = "[";
    for (size_t i = 0; i < items.size(); ++i) s += (i ? ", " : "") + item(items[i]);
    return s + "]";
}

// The configuration files as the workbench finds them: the per-user configuration folder
// ($XDG_CONFIG_HOME or ~/.config, + "trevasc/"), seeded from the definition files beside the
// executable (or installed) when missing.
ConfigPaths WorkbenchConfig() {
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    std::error_code ec;
    const std::string exeFolder =
        FolderWithDelimiter(std::filesystem::read_symlink("/proc/self/exe", ec).string());
    const ConfigPaths paths = MakeConfigPaths(ChooseConfigFolder(base, exeFolder), "trevasc");
    SeedDefinitionFiles(paths, FindDefinitionFolder(exeFolder));
    return paths;
}

// The energy of a line of xray.ini. A damaged entry stops the command (exit 1), naming the line
// and its value: the selector would keep its previous fields and the command would compute with
// a wavelength that belongs to no line.
double LineEnergy(const XrayLineTable& table, const std::string& name) {
    try {
        return table.Energy(name);
    } catch (const XrayLineEnergyError& e) {
        throw TrevascError(table.Path() + ": X-ray line '" + e.Line() + "' has the energy '" +
                           e.Value() + "': " + e.what());
    }
}

// --wavelength, --energy or --line as typed into the lattice window's X-ray tube selector: the
// wavelength as that field shows it. Without them the default X-ray line.
double CurrentWavelengthOption(const Options& o, bool energyMeansWavelength) {
    const bool byEnergy = energyMeansWavelength && o.Value("--energy");
    const int given =
        (o.Value("--wavelength") ? 1 : 0) + (byEnergy ? 1 : 0) + (o.Value("--line") ? 1 : 0);
    if (given > 1) throw CommandError{"give only one of --wavelength, --energy and --line"};
    CliPrompts prompts(1, false);
    const XrayLineTable table(WorkbenchConfig().XrayIniPath);
    XrayTubeSelectorState selector(table.Path(), prompts);
    selector.Create();
    // The X-ray line selected, or the value typed, at the workbench's last exit, as at its start;
    // a selected line whose stored energy gives no wavelength is reported, not replaced.
    if (given == 0) {
        if (selector.SelectedIndex() >= 0)
            LineEnergy(table, selector.Names()[static_cast<size_t>(selector.SelectedIndex())]);
        return (selector.SelectedIndex() >= 0 || selector.TypedValue()) && selector.Wavelength() > 0
                   ? selector.Wavelength()
                   : WorkbenchSettings::kDefaultWavelength;
    }
    if (auto w = o.Value("--wavelength")) {
        if (!TryParseFloat(*w)) throw CommandError{"--wavelength needs a number"};
        selector.OnWavelengthTextEdited(*w);
    } else if (byEnergy) {
        if (!TryParseFloat(*o.Value("--energy"))) throw CommandError{"--energy needs a number"};
        selector.OnEnergyTextEdited(*o.Value("--energy"));
    } else {
        const auto& names = selector.Names();
        auto it = std::find(names.begin(), names.end(), *o.Value("--line"));
        if (it == names.end())
            throw CommandError{"unknown X-ray line '" + *o.Value("--line") + "'"};
        LineEnergy(table, *it);
        selector.OnSelectionChanged(static_cast<int>(it - names.begin()));
    }
    const double w = selector.Wavelength();
    if (!(w > 0)) throw CommandError{"the wavelength must be greater than 0"};
    return w;
}

bool HelpRequested(const std::vector<std::string>& args, std::ostream& out) {
    if (std::find(args.begin(), args.end(), "--help") == args.end()) return false;
    out << "usage:\n" << kReflectionUsage;
    return true;
}

// Runs a command body; a malformed command line prints the usage (exit 2).
template <typename F>
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, F&& body) {
    if (HelpRequested(args, out)) return 0;
    try {
        return body();
    } catch (const CommandError& e) {
        err << "trevasc-cli: " << args[0] << ": " << Shown(e.Message) << "\n" << kReflectionUsage;
        return 2;
    } catch (const std::bad_alloc&) {
        err << "trevasc-cli: " << args[0] << ": Out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        // Whatever else a reader or writer threw: reported, never an abort.
        err << "trevasc-cli: " << args[0] << ": " << Shown(e.what()) << "\n";
        return 1;
    }
}

analysis::TIndexRange Range(const Options& o, const std::string& name) {
    auto it = o.Values.find(name);
    if (it == o.Values.end()) return {0, 0};
    auto lo = TryParseInt(it->second[0]), hi = TryParseInt(it->second[1]);
    // The spin fields' ranges: minimum -100..100, maximum -20..20.
    if (!lo || !hi || *lo < -100 || *lo > 100 || *hi < -20 || *hi > 20)
        throw CommandError{name + " needs MIN from -100 to 100 and MAX from -20 to 20"};
    return {*lo, *hi};
}

// The card text: a file through the program's file loader (regular files only, bounded), or
// standard input for "-", bounded by the same limit.
std::string ReadInput(const std::string& file) {
    if (file != "-") return ReadWholeFile(file);
    std::string text;
    char buffer[65536];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(std::cin.gcount()));
        if (text.size() > kMaxInputFileSize)
            throw TrevascError(
                "The standard input holds more than 2 GiB, the most this program "
                "reads.");
    }
    return text;
}

}  // namespace

int SimulateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, [&] {
        const Options o = Parse(args, {"--json"},
                                {{"--system", 1},
                                 {"--a", 1},
                                 {"--b", 1},
                                 {"--c", 1},
                                 {"--alpha", 1},
                                 {"--beta", 1},
                                 {"--gamma", 1},
                                 {"--h", 2},
                                 {"--k", 2},
                                 {"--l", 2},
                                 {"--wavelength", 1},
                                 {"--energy", 1},
                                 {"--line", 1}});
        if (!o.Files.empty()) throw CommandError{"unexpected argument " + o.Files[0]};
        const auto system = analysis::CrystalSystemFromName(o.Value("--system").value_or(""));
        if (system == analysis::TCrystalSystem::None)
            throw CommandError{"--system needs one of the seven crystal systems"};
        analysis::TLatticeParameters cell;
        const std::pair<const char*, double*> fields[] = {
            {"--a", &cell.A},         {"--b", &cell.B},       {"--c", &cell.C},
            {"--alpha", &cell.Alpha}, {"--beta", &cell.Beta}, {"--gamma", &cell.Gamma}};
        for (auto [name, target] : fields) {
            *target = Number(o, name, *target);
            // the fields' ranges: lengths 0..10000 A, angles 0..180 degrees
            const double limit = std::string(name).size() == 3 ? 10000.0 : 180.0;
            if (*target < 0 || *target > limit)
                throw CommandError{std::string(name) + " is out of range"};
        }
        const double wavelength = CurrentWavelengthOption(o, true);
        const auto peaks = analysis::SimulateStructure(
            system, cell, Range(o, "--h"), Range(o, "--k"), Range(o, "--l"), wavelength);
        const auto inputs = analysis::SelectCrystalSystem(system);
        if (!o.Has("--json")) {
            for (const auto& p : peaks) out << p.Text << "\n";
            return 0;
        }
        out << "{\"labels\": [" << Json(inputs.LengthLabel) << ", " << Json(inputs.AngleLabel)
            << "], \"wavelength\": " << JsonNumber(wavelength)
            << ", \"rows\": " << JsonArray(peaks, [](const auto& p) { return Json(p.Text); })
            << ", \"reflections\": "
            << JsonArray(
                   peaks,
                   [](const analysis::TStrucSimPeak& p) {
                       return "{\"h\": " + std::to_string(p.H) + ", \"k\": " + std::to_string(p.K) +
                              ", \"l\": " + std::to_string(p.L) + ", \"d\": " + JsonNumber(p.D) +
                              ", \"twoTheta\": " + JsonNumber(p.TwoTheta) + "}";
                   })
            << "}\n";
        return 0;
    });
}

int LinesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, [&] {
        const Options o = Parse(args, {"--json", "--show-all"},
                                {{"--energy", 1},
                                 {"--transition", 1},
                                 {"--lattice", 1},
                                 {"--permitted", 1},
                                 {"--to", 1},
                                 {"--selected-peak", 1},
                                 {"--wavelength", 1},
                                 {"--line", 1}});
        if (!o.Files.empty()) throw CommandError{"unexpected argument " + o.Files[0]};
        if (o.Value("--energy") && o.Value("--transition"))
            throw CommandError{"give --energy or --transition, not both"};
        if (o.Has("--show-all") != o.Value("--to").has_value())
            throw CommandError{"--show-all and --to go together"};
        analysis::TAdditionalLinesInput in;
        in.Energy = Number(o, "--energy", in.Energy);
        if (auto t = o.Value("--transition")) {
            const XrayLineTable table(WorkbenchConfig().XrayIniPath);
            const auto names = table.Names();
            if (std::find(names.begin(), names.end(), *t) == names.end())
                throw CommandError{"unknown transition '" + *t + "'"};
            in.Energy = LineEnergy(table, *t);
        }
        in.Lattice = Number(o, "--lattice", in.Lattice);
        if (in.Energy < 0 || in.Energy > 1e10) throw CommandError{"--energy is out of range"};
        if (in.Lattice < 0 || in.Lattice > 10000) throw CommandError{"--lattice is out of range"};
        in.Permitted = o.Value("--permitted").value_or(in.Permitted);
        in.ShowAllInRange = o.Has("--show-all");
        in.LastScanPosition = Number(o, "--to", 0);
        if (o.Value("--selected-peak")) {
            in.UseSelectedPeak = true;
            in.SelectedPeak = Number(o, "--selected-peak", 0);
            in.Wavelength = CurrentWavelengthOption(o, false);
        } else if (o.Value("--wavelength") || o.Value("--line")) {
            throw CommandError{"--wavelength and --line go with --selected-peak"};
        }
        const auto lines = analysis::ComputeAdditionalLines(in);
        if (!o.Has("--json")) {
            for (const auto& l : lines) out << analysis::AdditionalLineRowText(l) << "\n";
            return 0;
        }
        out << "{\"lines\": "
            << JsonArray(lines, [](const auto& l) { return JsonNumber(l.TwoTheta); })
            << ", \"rows\": "
            << JsonArray(lines,
                         [](const auto& l) { return Json(analysis::AdditionalLineRowText(l)); })
            << ", \"orders\": "
            << JsonArray(lines, [](const auto& l) { return std::to_string(l.Order); }) << "}\n";
        return 0;
    });
}

int JcpdsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, [&] {
        const Options o = Parse(
            args, {"--json"},
            {{"--add-to", 1}, {"--name", 1}, {"--wavelength", 1}, {"--energy", 1}, {"--line", 1}});
        if (o.Files.size() != 1) throw CommandError{"jcpds needs exactly one file (or -)"};
        if (o.Value("--add-to").has_value() != o.Value("--name").has_value())
            throw CommandError{"--add-to and --name go together"};
        const std::string& file = o.Files[0];
        RefuseOutputOntoInput(o.Value("--add-to").value_or("-"), o.Files);
        const double wavelength = CurrentWavelengthOption(o, true);
        formats::TReflectionTable table;
        try {
            table = formats::ParseReflectionTable(ReadInput(file));
        } catch (const TrevascError& e) {
            err << "trevasc-cli: " << Shown(file) << ": " << Shown(e.what()) << "\n";
            return 1;
        }
        const auto rows = analysis::JcpdsImportRows(table, wavelength);
        // A text that yields no reflection (an empty file, prose, a plain d/I list) is no card:
        // a failure with the layout that is read, besides the conversion message.
        const std::string nothing =
            formats::NoReflectionsMessage(table, file == "-" ? "the input" : "the file");
        const std::string& error = nothing.empty() ? table.Error : nothing;
        if (o.Has("--json")) {
            std::vector<const formats::TTableReflection*> listed;
            for (const auto& r : table.Reflections)
                if (BraggTwoTheta(r.D, wavelength)) listed.push_back(&r);
            out << "{\"material\": " << Json(table.Material)
                << ", \"rows\": " << JsonArray(rows, [](const std::string& r) { return Json(r); })
                << ", \"reflections\": "
                << JsonArray(listed,
                             [&](const formats::TTableReflection* r) {
                                 return "{\"label\": " + Json(r->Label) +
                                        ", \"h\": " + std::to_string(r->H) +
                                        ", \"k\": " + std::to_string(r->K) +
                                        ", \"l\": " + std::to_string(r->L) +
                                        ", \"d\": " + JsonNumber(r->D) + ", \"twoTheta\": " +
                                        JsonNumber(*BraggTwoTheta(r->D, wavelength)) + "}";
                             })
                << ", \"error\": " << (error.empty() ? "null" : Json(error)) << "}\n";
        } else {
            for (const auto& r : rows) out << r << "\n";
        }
        if (!error.empty()) {
            err << "trevasc-cli: " << Shown(file) << ": " << Shown(error) << "\n";
            return 1;
        }
        if (auto ini = o.Value("--add-to")) {
            try {
                analysis::AddJcpdsMaterial(*ini, *o.Value("--name"), rows);
            } catch (const TrevascError& e) {
                err << "trevasc-cli: " << *ini << ": " << e.what() << "\n";
                return 1;
            }
        }
        return 0;
    });
}

namespace {

// The database to read; a database that cannot be read whole is said on `err` (what could be
// read of it is still used, as the workbench lists it).
std::string DatabasePath(const Options& o, std::ostream& err) {
    std::string path;
    if (auto db = o.Value("--database")) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*db, ec))
            throw TrevascError("The substrate database does not exist.");
        path = *db;
    } else {
        path = WorkbenchConfig().SubstratesIniPath;
    }
    if (const IniFile ini(path); !ini.Problem().empty())
        err << "trevasc-cli: warning: " << ini.Problem() << "\n";
    return path;
}

std::string MaterialJson(const analysis::TSubstrateMaterial& m) {
    return "{\"name\": " + Json(m.Name) + ", \"expected\": " +
           JsonArray(m.Reflections,
                     [](const analysis::TExpectedReflection& r) {
                         return "[" + JsonNumber(r.Position) + ", " + Json(r.Name) + "]";
                     }) +
           ", \"allowed\": " + (m.Allowed ? Json(*m.Allowed) : "null") +
           ", \"lattice\": " + (m.Lattice ? JsonNumber(*m.Lattice) : "null") + ", \"problems\": " +
           JsonArray(m.Problems, [](const std::string& p) { return Json(p); }) + "}";
}

}  // namespace

int SubstratesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, [&] {
        const Options o = Parse(args, {"--json"}, {{"--database", 1}});
        if (!o.Files.empty()) throw CommandError{"unexpected argument " + o.Files[0]};
        std::vector<analysis::TSubstrateMaterial> materials;
        try {
            materials = analysis::ReadAllMaterials(DatabasePath(o, err));
        } catch (const TrevascError& e) {
            err << "trevasc-cli: " << o.Value("--database").value_or("substrates.ini") << ": "
                << e.what() << "\n";
            return 1;
        }
        if (o.Has("--json")) {
            out << "{\"materials\": " << JsonArray(materials, MaterialJson) << "}\n";
            return 0;
        }
        for (const auto& m : materials) {
            out << "[" << m.Name << "]\n";
            if (m.Allowed) out << "ALLOWED=" << *m.Allowed << "\n";
            if (m.Lattice) out << "LATTICE=" << FormatGeneral(*m.Lattice, 15) << "\n";
            for (const auto& r : m.Reflections) out << analysis::ExpectedRowText(r) << "\n";
            for (const auto& p : m.Problems) err << "warning: [" << m.Name << "] " << p << "\n";
        }
        return 0;
    });
}

int IdentifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, [&] {
        const Options o =
            Parse(args, {"--json", "--auto-select"},
                  {{"--material", 1}, {"--database", 1}, {"--max-dev", 1}, {"--peaks", 1}});
        if (o.Files.size() != 1) throw CommandError{"identify needs exactly one file"};
        if (o.Value("--material").has_value() == o.Has("--auto-select"))
            throw CommandError{"give either --material NAME or --auto-select"};
        const double maxDeviation = Number(o, "--max-dev", 0.5);
        if (maxDeviation < 0 || maxDeviation > 10)
            throw CommandError{"--max-dev needs a number from 0 to 10"};
        std::optional<std::vector<double>> givenPeaks;
        if (auto list = o.Value("--peaks")) {
            givenPeaks.emplace();
            if (!Trim(*list).empty()) {
                std::stringstream s(*list);
                for (std::string piece; std::getline(s, piece, ',');) {
                    auto v = TryParseFloat(piece);
                    if (!v) throw CommandError{"--peaks needs numbers separated by commas"};
                    givenPeaks->push_back(*v);
                }
            }
        }
        const std::string& file = o.Files[0];
        CliPrompts prompts(1, false);
        WorkbenchSession session(prompts);
        try {
            const std::string database = DatabasePath(o, err);
            session.OpenMainFile(file);
            if (session.Scans().MainScan().Count() < 2)
                throw TrevascError("The scan holds fewer than two points.");
            std::error_code ec;
            if (givenPeaks) {
                session.Scans().MainScan().Peaks.Clear();
                for (double p : *givenPeaks) session.Peaks().Add(p);
            } else if (!std::filesystem::is_regular_file(PeakListFileFor(file), ec)) {
                session.Peaks().Find(analysis::TPeakMethod::Slope);
            }
            const auto materials = analysis::ReadAllMaterials(database);
            int chosen = -1;
            std::vector<std::optional<double>> scores;
            std::optional<std::string> allowed;
            std::optional<double> lattice;
            if (auto name = o.Value("--material")) {
                for (size_t i = 0; i < materials.size(); ++i)
                    if (materials[i].Name == *name) chosen = static_cast<int>(i);
                if (chosen < 0) throw TrevascError("No material '" + *name + "' in the database.");
            } else {
                std::vector<double> positions;
                for (const TPeak& p : session.Scans().MainScan().Peaks.Items)
                    positions.push_back(p.Position);
                const TRawPointArray& pts = session.Scans().MainScan().RawPoints;
                const auto r = analysis::AutoSelectSubstrate(
                    materials, positions, pts.front().Position, pts.back().Position);
                chosen = r.Best;
                scores = r.Scores;
                if (chosen < 0)
                    err << "trevasc-cli: " << file
                        << ": no material has an expected reflection inside the scan range\n";
                allowed = r.LastAllowed;
                lattice = r.LastLattice;
            }
            analysis::TSubstrateMaterial material;
            if (chosen >= 0) material = materials[static_cast<size_t>(chosen)];
            if (material.Allowed) allowed = material.Allowed;
            if (material.Lattice) lattice = material.Lattice;
            std::vector<double> positions;
            std::vector<std::string> names;
            for (const auto& r : material.Reflections) {
                positions.push_back(r.Position);
                names.push_back(r.Name);
            }
            session.Peaks().IdentifyByPositions(positions, names, maxDeviation);
            for (const auto& p : material.Problems)
                err << "warning: [" << material.Name << "] " << p << "\n";
            if (!o.Has("--json")) {
                out << formats::PeakListIdentFileText(session.Scans().MainScan(),
                                                      session.Scans().Registry().PlotTitle);
                return 0;
            }
            std::vector<size_t> indices(scores.size());
            for (size_t i = 0; i < indices.size(); ++i) indices[i] = i;
            out << "{\"material\": " << (chosen >= 0 ? Json(material.Name) : "null");
            if (o.Has("--auto-select"))
                out << ", \"scores\": " << JsonArray(indices, [&](size_t i) {
                    // null: no expected reflection inside the scan range, no candidate
                    return "[" + Json(materials[i].Name) + ", " +
                           (scores[i] ? JsonNumber(*scores[i]) : std::string("null")) + "]";
                });
            out << ", \"expected\": "
                << JsonArray(material.Reflections,
                             [](const analysis::TExpectedReflection& r) {
                                 return "[" + JsonNumber(r.Position) + ", " + Json(r.Name) + "]";
                             })
                << ", \"allowed\": " << (allowed ? Json(*allowed) : "null")
                << ", \"lattice\": " << (lattice ? JsonNumber(*lattice) : "null") << ", \"peaks\": "
                << JsonArray(session.Scans().MainScan().Peaks.Items,
                             [](const TPeak& p) {
                                 return "{\"position\": " + JsonNumber(p.Position) +
                                        ", \"description\": " + Json(p.Description) +
                                        ", \"checked\": " + (p.Checked ? "true" : "false") + "}";
                             })
                << "}\n";
        } catch (const TrevascError& e) {
            err << "trevasc-cli: " << file << ": " << e.what() << "\n";
            return 1;
        }
        return 0;
    });
}

}  // namespace trevasc::cli
