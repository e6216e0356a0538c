// The frame every command shares: its option table gives the parser, the usage and --help; one
// usage-error format; exit codes 0 done, 1 the work failed, 2 usage; "--" ends the options.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli/CliCommands.h"
#include "support/CliRun.h"
#include "support/ReflectionTableText.h"
#include "support/SyntheticScan.h"
#include "support/TempDir.h"

namespace trevasc::test {
namespace {

const cli::Command& CommandNamed(const std::string& name) {
    const auto& all = cli::AllCommands();
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const cli::Command& c) { return c.Name == name; });
    EXPECT_NE(it, all.end()) << name;
    return *it;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// Gauss peaks (FWHM 0.235 degrees) on a flat background, from 28 degrees in 0.02 degree steps.
std::string PeakScanText(std::initializer_list<double> centres, int points) {
    return ScanText(28.0, 0.02, points, [&](double x) {
        double y = 50;
        for (double c : centres) y += 20000 * Gauss(x, c, 0.2355);
        return y;
    });
}

// One command's cases, as command lines: the files named after "--" begin with '-' (they lie in
// the working folder); MISSING stands for a file that does not exist.
struct CommandCase {
    std::string DashedFile;   // runs with "-..." named after "--": exit code 0
    std::string MissingFile;  // names a file that does not exist
    bool ReadsFiles = true;   // false: a file name is an unexpected argument (exit code 2)
    std::string Name() const { return Words(DashedFile).front(); }
};

// Printed as the command's name by gtest.
std::ostream& operator<<(std::ostream& out, const CommandCase& c) {
    return out << c.Name();
}

class CommandFrame : public ::testing::TestWithParam<CommandCase> {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        ASSERT_NE(getcwd(saved_, sizeof saved_), nullptr);
        ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
        dir_.Write("-scan.txt", PeakScanText({30.0}, 201));
        dir_.Write("-three.txt", PeakScanText({29.5, 31.5, 33.5}, 401));
        std::filesystem::copy_file(
            std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml",
            dir_.File("-area.xrdml"));
        dir_.Write("-card.txt",
                   ReflectionTableLine("3.1355", "1  1  1", "1.9201", "2  2  0") + "\n");
        dir_.Write("db.ini", "[Si]\nSi (111)=28.44\n");
    }
    void TearDown() override { ASSERT_EQ(chdir(saved_), 0); }

    CliRun Run(std::vector<std::string> args) const {
        for (std::string& a : args)
            if (a == "MISSING") a = dir_.File("missing.txt");
        return Cli(args);
    }

    TempDir dir_, config_;
    char saved_[4096] = {};
};

TEST_P(CommandFrame, UsageErrorsAndHelpFollowTheOptionTable) {
    const cli::Command& command = CommandNamed(GetParam().Name());
    const std::string& name = command.Name;
    CliRun r = Run({name, "--no-such-option"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli " + name +
                                      ": unknown option --no-such-option (name a file beginning "
                                      "with '-' after '--')\nusage: trevasc-cli " +
                                      name + " "))
        << r.Err;

    const auto valued =
        std::find_if(command.Options.begin(), command.Options.end(),
                     [](const cli::Option& o) { return o.Kind != cli::ValueKind::Flag; });
    ASSERT_NE(valued, command.Options.end());
    r = Run({name, valued->Name});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli " + name + ": option " + valued->Name + " needs "))
        << r.Err;

    // --help wins over anything else on the line and names every option.
    r = Run({name, "--no-such-option", "--help"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_TRUE(StartsWith(r.Out, "usage: trevasc-cli " + name + " ")) << r.Out;
    for (const cli::Option& o : command.Options)
        EXPECT_TRUE(Has(r.Out, "\n  " + o.Name + " ")) << o.Name;
}

TEST_P(CommandFrame, DoubleDashEndsTheOptionsAndAMissingFileFailsTheWork) {
    const CommandCase& c = GetParam();
    CliRun r = Run(Words(c.DashedFile));
    EXPECT_EQ(r.Code, 0) << r.Err;
    r = Run(Words(c.MissingFile));
    EXPECT_TRUE(Has(r.Err, "missing.txt")) << r.Err;
    // A command that reads no file refuses one on its command line as a usage error.
    EXPECT_EQ(r.Code, c.ReadsFiles ? 1 : 2) << r.Err;
    EXPECT_EQ(Has(r.Err, "usage:"), !c.ReadsFiles) << r.Err;
}

const CommandCase kFrameCases[] = {
    {"info -- -scan.txt", "info MISSING"},
    {"convert -o out.txt -- -scan.txt", "convert MISSING -o out.txt"},
    {"peaks -- -scan.txt", "peaks MISSING"},
    {"plot -o out.png --size 200x150 -- -scan.txt", "plot MISSING -o out.png"},
    {"fit --profile gauss -- -scan.txt", "fit --profile gauss MISSING"},
    {"lattice -- -scan.txt", "lattice MISSING"},
    {"thickness -- -scan.txt", "thickness MISSING"},
    {"map -o map.png --size 300x200 -- -area.xrdml", "map MISSING -o map.png"},
    {"gnuplot --kind png-color --no-run -- -area.xrdml", "gnuplot MISSING --kind bw --no-run"},
    {"profile --from 29 --to 31 -- -scan.txt", "profile MISSING --from 29 --to 31"},
    {"instrument --peaks 29.5,31.5,33.5 -- -three.txt", "instrument MISSING"},
    {"size --instrument 0.001,0,0.001 -- -three.txt", "size MISSING --instrument 0.001,0,0.001"},
    {"simulate --system cubic --", "simulate --system cubic -- MISSING", false},
    {"lines --", "lines MISSING", false},
    {"jcpds --wavelength 1.54056 -- -card.txt", "jcpds MISSING"},
    {"substrates --database db.ini --", "substrates --database MISSING"},
    {"identify --material Si --database db.ini -- -scan.txt",
     "identify MISSING --material Si --database db.ini"}};

INSTANTIATE_TEST_SUITE_P(EveryCommand, CommandFrame, ::testing::ValuesIn(kFrameCases),
                         [](const ::testing::TestParamInfo<CommandCase>& info) {
                             return info.param.Name();
                         });

// A command added to the table gets its frame cases (check-update's, which need no server, are
// in the usage-error table below).
TEST(CliFrame, EveryCommandHasItsFrameCases) {
    std::vector<std::string> names, covered{"check-update"};
    for (const cli::Command& c : cli::AllCommands()) names.push_back(c.Name);
    for (const CommandCase& c : kFrameCases) covered.push_back(c.Name());
    std::sort(names.begin(), names.end());
    std::sort(covered.begin(), covered.end());
    EXPECT_EQ(names, covered);
    EXPECT_EQ(Cli({"check-update", "--help"}).Code, 0);
}

// Usage errors: exit code 2, a line with the command's name and the message (where given), then
// the usage. SCAN and AREA stand for a scan and an area map, OUT for a file in a scratch folder.
TEST(CliFrame, UsageErrorsExitWithTwoAndTheCommandsUsage) {
    for (const std::string line : {"", "frobnicate"}) EXPECT_EQ(CliLine(line).Code, 2) << line;
    TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"info", ""},
        {"info --dataset x f", ""},
        {"convert x.txt", ""},  // convert needs -o
        // After "--" even an option's name is a file: three files for convert.
        {"convert -- x.txt -o -", "convert needs exactly one file"},
        {"check-update --bogus", ""},
        {"check-update --url", ""},
        {"check-update -- x", ""},
        {"lines --lattice abc", "--lattice needs a number, not 'abc'"},
        {"peaks x.txt --method 3", "--method needs a whole number from 1 to 2"},
        {"simulate --system cubic --h 0", "option --h needs two values"},
        {"convert SCAN -o OUT -o OUT", "option -o is given twice"},
        {"convert SCAN --axis energy -o -", ""},
        {"peaks SCAN --dataset 1 --dataset 1", "option --dataset is given twice"},
        {"peaks SCAN --smooth 1", ""},
        {"plot SCAN -o OUT --size 5x5", ""},
        {"plot SCAN -o OUT --from 3", ""},
        {"fit SCAN --profile voigt", "--profile gauss or --profile lorentz"},
        {"fit SCAN --profile gauss --left 29", "--left and --right go together"},
        {"lattice --peaks 22.754,x", "not a number"},
        {"lattice --peaks 22.754 --wavelength 0", "above 0"},
        {"lattice --peaks 22.754 --auto 1,2", "START,END,STEP"},
        {"lattice --peaks 22.754,46.472 --peaks 30,40", "option --peaks is given twice"},
        {"thickness --peaks 1.0,1.2 --first-index 0", "1 to 1000"},
        {"thickness --peaks 1,2,3 --fit-orders --half", "--fit-orders"},
        {"thickness", "FILE or --peaks"},
        {"map AREA", ""},
        {"map -o OUT", ""},
        {"map AREA -o -", "map needs -o OUT.png"},
        {"map AREA -o OUT --text -", "--text needs a file name"},
        {"map AREA -o OUT --scale grey", ""},
        {"map AREA -o OUT --size 5x5", ""},
        {"map AREA -o OUT --omega-offset nan", ""},
        {"map AREA -o OUT --wavelength 1.5 --energy 8", ""},
        {"gnuplot AREA --kind grey", "--kind needs bw, color, png-bw or png-color"},
        {"gnuplot AREA", "gnuplot needs --kind"},
        {"profile SCAN --peaks 25", ""},
        {"profile SCAN --from 21 --to 29 --shape voigt", ""},
        {"profile SCAN --from 21 --to 29 --strip-kalpha2 --kalpha2-ratio 1.5", ""},
        {"size SCAN --instrument 1,2", ""},
        {"size SCAN --instrument 0.01,0,0.01 --correction cubic", ""},
        {"size SCAN --instrument 0.01,0,0.01 --k 0", ""},
        {"simulate --system cubic --system hexagonal", "option --system is given twice"},
        {"simulate --system cubic --h 0 1 --h 1 2", "option --h is given twice"},
        {"lines --show-all", ""},
        {"lines --wavelength 1.5", ""},
        {"identify SCAN --database db.ini", ""},
    };
    for (const auto& [line, message] : cases) {
        std::vector<std::string> args = Words(line);
        for (std::string& a : args) {
            if (a == "SCAN") a = Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml");
            if (a == "AREA") a = Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml");
            if (a == "OUT") a = dir.File("out");
        }
        const CliRun r = Cli(args);
        EXPECT_EQ(r.Code, 2) << line << ": " << r.Err;
        EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli " + args[0] + ": ")) << r.Err;
        EXPECT_TRUE(Has(r.Err.substr(0, r.Err.find('\n')), message)) << r.Err;
        EXPECT_TRUE(Has(r.Err, "\nusage: trevasc-cli " + args[0] + " ")) << r.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
    EXPECT_FALSE(std::filesystem::exists("-"));
    // Flags may repeat: they ask for the same thing twice. A negative number is a value, not an
    // option.
    EXPECT_EQ(Cli({"convert", Data("film.xye"), "-o", dir.File("out"), "--all", "--all"}).Code, 0);
    EXPECT_NE(CliLine("lattice --peaks 22.754,46.472 --expected -1 --wavelength 1.54056").Code, 2);
}

// The manual page's OPTIONS section is the option tables, word for word.
TEST(CliFrame, ManualPageListsTheOptionsOfTheTables) {
    const std::string page = std::string(TREVASC_SOURCE_DIR) + "/docs/man/trevasc-cli.1";
    std::ifstream in(page);
    ASSERT_TRUE(in) << page;
    const std::string man{std::istreambuf_iterator<char>(in), {}};
    const size_t start = man.find(".SH OPTIONS\n");
    const size_t end = man.find("\n.SH ", start == std::string::npos ? 0 : start + 1);
    const std::string section =
        start == std::string::npos ? std::string() : man.substr(start, end + 1 - start);
    const std::string expected = cli::ManualOptions(cli::AllCommands());
    if (section != expected) {
        const std::string fresh = std::filesystem::temp_directory_path() / "trevasc-cli-options.1";
        std::ofstream(fresh) << expected;
        ADD_FAILURE() << "the OPTIONS section of " << page << " differs from the option tables; "
                      << "the section as the tables give it is in " << fresh;
    }
    for (const cli::Command& c : cli::AllCommands()) {
        std::string roffName;  // minus signs escaped
        for (char ch : c.Name) roffName += ch == '-' ? std::string("\\-") : std::string(1, ch);
        EXPECT_NE(section.find(".SS " + roffName + "\n"), std::string::npos) << c.Name;
    }
}

}  // namespace
}  // namespace trevasc::test
