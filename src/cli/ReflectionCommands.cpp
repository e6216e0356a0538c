#include "cli/ReflectionCommands.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "analysis/AdditionalLines.h"
#include "analysis/StructureSimulation.h"
#include "analysis/SubstrateDatabase.h"
#include "base/Error.h"
#include "base/InputFile.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "base/SameFile.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "cli/CommandSupport.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "formats/PeakListFile.h"
#include "formats/ReflectionTable.h"
#include "session/ResultJson.h"
#include "session/SubstrateIdentification.h"
#include "session/WorkbenchSession.h"

namespace trevasc::cli {

namespace {

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
double CurrentWavelengthOption(const Arguments& a, bool energyMeansWavelength) {
    const bool byEnergy = energyMeansWavelength && a.Text("--energy");
    const int given =
        (a.Text("--wavelength") ? 1 : 0) + (byEnergy ? 1 : 0) + (a.Text("--line") ? 1 : 0);
    if (given > 1) throw UsageError{"give only one of --wavelength, --energy and --line"};
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
    if (auto w = a.Text("--wavelength")) {
        selector.OnWavelengthTextEdited(*w);
    } else if (byEnergy) {
        selector.OnEnergyTextEdited(*a.Text("--energy"));
    } else {
        const auto& names = selector.Names();
        auto it = std::find(names.begin(), names.end(), *a.Text("--line"));
        if (it == names.end()) throw UsageError{"unknown X-ray line '" + *a.Text("--line") + "'"};
        LineEnergy(table, *it);
        selector.OnSelectionChanged(static_cast<int>(it - names.begin()));
    }
    const double w = selector.Wavelength();
    if (!(w > 0)) throw UsageError{"the wavelength must be greater than 0"};
    return w;
}

analysis::TIndexRange Range(const Arguments& a, const std::string& name) {
    const auto pair = a.Pair(name);
    if (!pair) return {0, 0};
    auto lo = TryParseInt(pair->first), hi = TryParseInt(pair->second);
    // The spin fields' ranges: minimum -100..100, maximum -20..20.
    if (!lo || !hi || *lo < -100 || *lo > 100 || *hi < -20 || *hi > 20)
        throw UsageError{name + " needs MIN from -100 to 100 and MAX from -20 to 20"};
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

// The database to read; a database that cannot be read whole is said on `err`.
std::string DatabasePath(const Arguments& a, std::ostream& err) {
    const bool given = a.Text("--database").has_value();
    const std::string path = given ? *a.Text("--database") : WorkbenchConfig().SubstratesIniPath;
    if (const std::string problem = SubstrateDatabaseProblem(path, given); !problem.empty())
        err << "trevasc-cli: warning: " << problem << "\n";
    return path;
}

int Simulate(const Arguments& a, CommandContext& c) {
    if (!a.Files.empty()) throw UsageError{"unexpected argument " + a.Files[0]};
    const auto system = analysis::CrystalSystemFromName(a.Text("--system").value_or(""));
    if (system == analysis::TCrystalSystem::None)
        throw UsageError{"--system needs one of the seven crystal systems"};
    analysis::TLatticeParameters cell;
    const std::pair<const char*, double*> fields[] = {
        {"--a", &cell.A},         {"--b", &cell.B},       {"--c", &cell.C},
        {"--alpha", &cell.Alpha}, {"--beta", &cell.Beta}, {"--gamma", &cell.Gamma}};
    for (auto [name, target] : fields) {
        *target = a.Number(name, *target);
        // the fields' ranges: lengths 0..10000 A, angles 0..180 degrees
        const double limit = std::string(name).size() == 3 ? 10000.0 : 180.0;
        if (*target < 0 || *target > limit)
            throw UsageError{std::string(name) + " is out of range"};
    }
    const double wavelength = CurrentWavelengthOption(a, true);
    const auto peaks = analysis::SimulateStructure(system, cell, Range(a, "--h"), Range(a, "--k"),
                                                   Range(a, "--l"), wavelength);
    const auto inputs = analysis::SelectCrystalSystem(system);
    if (!a.Has("--json")) {
        for (const auto& p : peaks) c.Out << p.Text << "\n";
        return 0;
    }
    c.Out << SimulateJson(inputs, wavelength, peaks).Text() << "\n";
    return 0;
}

int Lines(const Arguments& a, CommandContext& c) {
    if (!a.Files.empty()) throw UsageError{"unexpected argument " + a.Files[0]};
    if (a.Text("--energy") && a.Text("--transition"))
        throw UsageError{"give --energy or --transition, not both"};
    if (a.Has("--show-all") != a.Text("--to").has_value())
        throw UsageError{"--show-all and --to go together"};
    analysis::TAdditionalLinesInput in;
    in.Energy = a.Number("--energy", in.Energy);
    if (auto t = a.Text("--transition")) {
        const XrayLineTable table(WorkbenchConfig().XrayIniPath);
        const auto names = table.Names();
        if (std::find(names.begin(), names.end(), *t) == names.end())
            throw UsageError{"unknown transition '" + *t + "'"};
        in.Energy = LineEnergy(table, *t);
    }
    in.Lattice = a.Number("--lattice", in.Lattice);
    if (in.Energy < 0 || in.Energy > 1e10) throw UsageError{"--energy is out of range"};
    if (in.Lattice < 0 || in.Lattice > 10000) throw UsageError{"--lattice is out of range"};
    in.Permitted = a.Text("--permitted").value_or(in.Permitted);
    in.ShowAllInRange = a.Has("--show-all");
    in.LastScanPosition = a.Number("--to", 0);
    if (a.Text("--selected-peak")) {
        in.UseSelectedPeak = true;
        in.SelectedPeak = a.Number("--selected-peak", 0);
        in.Wavelength = CurrentWavelengthOption(a, false);
    } else if (a.Text("--wavelength") || a.Text("--line")) {
        throw UsageError{"--wavelength and --line go with --selected-peak"};
    }
    const auto lines = analysis::ComputeAdditionalLines(in);
    if (!a.Has("--json")) {
        for (const auto& l : lines) c.Out << analysis::AdditionalLineRowText(l) << "\n";
        return 0;
    }
    c.Out << LinesJson(lines).Text() << "\n";
    return 0;
}

int Jcpds(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"jcpds needs exactly one file (or -)"};
    if (a.Text("--add-to").has_value() != a.Text("--name").has_value())
        throw UsageError{"--add-to and --name go together"};
    const std::string& file = a.Files[0];
    RefuseOutputOntoInput(a.Text("--add-to").value_or("-"), a.Files);
    const double wavelength = CurrentWavelengthOption(a, true);
    formats::TReflectionTable table;
    try {
        table = formats::ParseReflectionTable(ReadInput(file));
    } catch (const TrevascError& e) {
        c.Err << "trevasc-cli: " << Shown(file) << ": " << Shown(e.what()) << "\n";
        return 1;
    }
    const auto rows = analysis::JcpdsImportRows(table, wavelength);
    // A text that yields no reflection (an empty file, prose, a plain d/I list) is no card:
    // a failure with the layout that is read, besides the conversion message.
    const std::string nothing =
        formats::NoReflectionsMessage(table, file == "-" ? "the input" : "the file");
    const std::string& error = nothing.empty() ? table.Error : nothing;
    if (a.Has("--json")) {
        c.Out << JcpdsJson(table, rows, wavelength, error).Text() << "\n";
    } else {
        for (const auto& r : rows) c.Out << r << "\n";
    }
    if (!error.empty()) {
        c.Err << "trevasc-cli: " << Shown(file) << ": " << Shown(error) << "\n";
        return 1;
    }
    if (auto ini = a.Text("--add-to")) {
        try {
            analysis::AddJcpdsMaterial(*ini, *a.Text("--name"), rows);
        } catch (const TrevascError& e) {
            c.Err << "trevasc-cli: " << *ini << ": " << e.what() << "\n";
            return 1;
        }
    }
    return 0;
}

int Substrates(const Arguments& a, CommandContext& c) {
    if (!a.Files.empty()) throw UsageError{"unexpected argument " + a.Files[0]};
    std::vector<analysis::TSubstrateMaterial> materials;
    try {
        materials = analysis::ReadAllMaterials(DatabasePath(a, c.Err));
    } catch (const TrevascError& e) {
        c.Err << "trevasc-cli: " << a.Text("--database").value_or("substrates.ini") << ": "
              << e.what() << "\n";
        return 1;
    }
    if (a.Has("--json")) {
        c.Out << SubstratesJson(materials).Text() << "\n";
        return 0;
    }
    for (const auto& m : materials) {
        c.Out << "[" << m.Name << "]\n";
        if (m.Allowed) c.Out << "ALLOWED=" << *m.Allowed << "\n";
        if (m.Lattice) c.Out << "LATTICE=" << FormatGeneral(*m.Lattice, 15) << "\n";
        for (const auto& r : m.Reflections) c.Out << analysis::ExpectedRowText(r) << "\n";
        for (const auto& p : m.Problems) c.Err << "warning: [" << m.Name << "] " << p << "\n";
    }
    return 0;
}

int Identify(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"identify needs exactly one file"};
    if (a.Text("--material").has_value() == a.Has("--auto-select"))
        throw UsageError{"give either --material NAME or --auto-select"};
    IdentifyRequest request;
    request.MaxDeviation = a.Number("--max-dev", 0.5);
    if (request.MaxDeviation < 0 || request.MaxDeviation > kMaxIdentifyDeviation)
        throw UsageError{"--max-dev needs a number from 0 to 10"};
    if (auto list = a.Text("--peaks")) {
        request.Peaks.emplace();
        if (!Trim(*list).empty()) {
            std::stringstream s(*list);
            for (std::string piece; std::getline(s, piece, ',');) {
                auto v = TryParseFloat(piece);
                if (!v) throw UsageError{"--peaks needs numbers separated by commas"};
                request.Peaks->push_back(*v);
            }
        }
    }
    request.Material = a.Text("--material");
    const std::string& file = a.Files[0];
    request.ScanFile = file;
    request.DatabaseGiven = a.Text("--database").has_value();
    request.Database =
        request.DatabaseGiven ? *a.Text("--database") : WorkbenchConfig().SubstratesIniPath;
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    std::vector<IdentifyWarning> warnings;
    size_t printed = 0;
    // In the order they arose, each once, also before a failure: "warning: [NAME] ..." for a
    // material's lines, the database's and the scan range's with the program's name, the
    // reader's as every command prints them.
    const auto printWarnings = [&] {
        for (; printed < warnings.size(); ++printed) {
            const IdentifyWarning& w = warnings[printed];
            switch (w.What) {
                case IdentifyWarning::Kind::DamagedDatabase:
                    c.Err << "trevasc-cli: warning: " << w.Text << "\n";
                    break;
                case IdentifyWarning::Kind::NothingInRange:
                    c.Err << "trevasc-cli: " << file << ": " << w.Text << "\n";
                    break;
                case IdentifyWarning::Kind::MaterialProblem:
                    c.Err << "warning: " << w.Text << "\n";
                    break;
            }
        }
        PrintWarnings(prompts, file, c.Err);
    };
    IdentifyReport report;
    try {
        // The database's warnings come before the file is read.
        const auto open = [&] {
            printWarnings();
            session.OpenMainFile(file);
        };
        report = IdentifySubstratePeaks(session, open, request, warnings);
    } catch (const TrevascError& e) {
        printWarnings();
        c.Err << "trevasc-cli: " << file << ": " << e.what() << "\n";
        return 1;
    }
    printWarnings();
    if (a.Has("--json"))
        c.Out << IdentifyJson(report).Text() << "\n";
    else
        c.Out << formats::PeakListIdentFileText(session.Scans().MainScan(),
                                                session.Scans().Registry().PlotTitle);
    return 0;
}

}  // namespace

std::vector<Command> ReflectionCommandList() {
    const analysis::TLatticeParameters cell;
    const analysis::TAdditionalLinesInput lines;
    const Option json{"--json", ValueKind::Flag, "", "the result as JSON"};
    const Option database{"--database", ValueKind::Text, "INI",
                          "the substrate database (default substrates.ini of the workbench)"};
    const std::string range = "MIN MAX";
    std::vector<Option> wavelengthExceptEnergy;
    for (const Option& o : WavelengthOptions())
        if (o.Name != "--energy") wavelengthExceptEnergy.push_back(o);
    return {
        {"simulate",
         "--system cubic|tetragonal|orthorhombic|hexagonal|rhombohedral|\n"
         "                   monoclinic|triclinic [--a A --b B --c C --alpha X --beta Y --gamma "
         "Z]\n"
         "                   [--h MIN MAX] [--k MIN MAX] [--l MIN MAX] [WAVELENGTH] [--json]",
         "The reflections of a crystal structure and their Bragg angles, as the \"Structure\" tab\n"
         "lists them. WAVELENGTH: as typed into the X-ray tube selector; default the X-ray line\n"
         "of the workbench's last session, else Cu K-Alpha1.",
         Joined(
             {{"--system", ValueKind::Text,
               "cubic|tetragonal|orthorhombic|hexagonal|rhombohedral|monoclinic|triclinic",
               "the crystal system"},
              {"--a", ValueKind::Number, "A", "lattice constant a in Angstrom, 0 to 10000",
               FormatShortest(cell.A)},
              {"--b", ValueKind::Number, "B", "lattice constant b", FormatShortest(cell.B)},
              {"--c", ValueKind::Number, "C", "lattice constant c", FormatShortest(cell.C)},
              {"--alpha", ValueKind::Number, "X", "angle alpha in degrees, 0 to 180",
               FormatShortest(cell.Alpha)},
              {"--beta", ValueKind::Number, "Y", "angle beta", FormatShortest(cell.Beta)},
              {"--gamma", ValueKind::Number, "Z", "angle gamma", FormatShortest(cell.Gamma)},
              {"--h", ValueKind::Pair, range, "range of h: MIN -100 to 100, MAX -20 to 20", "0 0"},
              {"--k", ValueKind::Pair, range, "range of k", "0 0"},
              {"--l", ValueKind::Pair, range, "range of l", "0 0"},
              json},
             WavelengthOptions()),
         Simulate},
        {"lines",
         "[--energy E | --transition NAME] [--lattice D] [--permitted LIST]\n"
         "                   [--show-all --to LAST] [--selected-peak P [--wavelength L | --line "
         "NAME]]\n"
         "                   [--json]",
         "The \"Additional reflections\" tab: the Bragg angles of the orders of a lattice\n"
         "spacing for an X-ray line, or of the highlighted peak's spacing.",
         Joined({{"--energy", ValueKind::Number, "E", "the X-ray line's energy in eV, 0 to 1e10",
                  FormatShortest(lines.Energy)},
                 {"--transition", ValueKind::Text, "NAME", "an X-ray line of xray.ini instead"},
                 {"--lattice", ValueKind::Number, "D", "lattice constant in Angstrom, 0 to 10000",
                  FormatShortest(lines.Lattice)},
                 {"--permitted", ValueKind::Text, "LIST", "the permitted orders", lines.Permitted},
                 {"--show-all", ValueKind::Flag, "", "every order up to --to"},
                 {"--to", ValueKind::Number, "LAST", "the last position of the scan"},
                 {"--selected-peak", ValueKind::Number, "P",
                  "the orders of the spacing of a peak at P"},
                 json},
                wavelengthExceptEnergy),
         Lines},
        {"jcpds", "FILE|- [--add-to INI --name NAME] [WAVELENGTH] [--json]",
         "Reads a JCPDS card (FILE, or standard input for '-') and lists its reflections with\n"
         "their Bragg angles; with --add-to it adds them to a substrate database as NAME.",
         Joined({{"--add-to", ValueKind::Text, "INI", "the substrate database to add to"},
                 {"--name", ValueKind::Text, "NAME", "the material's name there"},
                 json},
                WavelengthOptions()),
         Jcpds},
        {"substrates",
         "[--database INI] [--json]",
         "Lists the materials of the substrate database.",
         {database, json},
         Substrates},
        {"identify",
         "FILE (--material NAME | --auto-select) [--database INI]\n"
         "                   [--max-dev D] [--peaks P1,P2,...] [--json] [--dataset N]",
         "Identifies the substrate peaks of a scan: its peak list file, else a Method 1 peak\n"
         "search, or the positions of --peaks.",
         {{"--material", ValueKind::Text, "NAME", "the material of the database"},
          {"--auto-select", ValueKind::Flag, "", "the material that fits best"},
          database,
          {"--max-dev", ValueKind::Number, "D", "largest deviation in degrees, 0 to 10", "0.5"},
          {"--peaks", ValueKind::Text, "P1,P2,...", "the peak positions to identify"},
          json,
          DatasetOption()},
         Identify},
    };
}

}  // namespace trevasc::cli
