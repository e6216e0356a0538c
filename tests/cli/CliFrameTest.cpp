// The frame every command shares: its option table gives the parser, the usage and --help; one
// usage-error format; exit codes 0 done, 1 the work failed, 2 usage; "--" ends the options.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliCommands.h"
#include "support/CliRun.h"
#include "support/ReflectionTableText.h"
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

// A scan with one Gauss peak at 30 degrees on a flat background, 201 points from 28 to 32.
std::string PeakScanText() {
    std::ostringstream text;
    for (int i = 0; i <= 200; ++i) {
        const double x = 28.0 + 0.02 * i;
        text << x << " " << std::lround(50 + 20000 * std::exp(-(x - 30) * (x - 30) / 0.02)) << "\n";
    }
    return text.str();
}

// Three peaks, for the commands that need several (instrument, size).
std::string ThreePeakScanText() {
    std::ostringstream text;
    for (int i = 0; i <= 400; ++i) {
        const double x = 28.0 + 0.02 * i;
        double y = 50;
        for (double c : {29.5, 31.5, 33.5}) y += 20000 * std::exp(-(x - c) * (x - c) / 0.02);
        text << x << " " << std::lround(y) << "\n";
    }
    return text.str();
}

// One command's cases. FILE in the arguments stands for a file whose name begins with '-'
// (in the working folder, named after "--"); MISSING for a file that does not exist.
struct CommandCase {
    std::string Name;
    std::vector<std::string> DashedFile;   // runs with "-..." named after "--": exit code 0
    std::vector<std::string> MissingFile;  // names a file that does not exist
    bool ReadsFiles = true;  // false: a file name is an unexpected argument (exit code 2)
};

// Printed as the command's name by gtest.
std::ostream& operator<<(std::ostream& out, const CommandCase& c) {
    return out << c.Name;
}

class CommandFrame : public ::testing::TestWithParam<CommandCase> {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        ASSERT_NE(getcwd(saved_, sizeof saved_), nullptr);
        ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
        dir_.Write("-scan.txt", PeakScanText());
        dir_.Write("-three.txt", ThreePeakScanText());
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

TEST_P(CommandFrame, UnknownOptionIsAUsageErrorWithTheCommandsUsage) {
    const std::string name = GetParam().Name;
    const CliRun r = Run({name, "--no-such-option"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli " + name +
                                      ": unknown option --no-such-option (name a file beginning "
                                      "with '-' after '--')\nusage: trevasc-cli " +
                                      name + " "))
        << r.Err;
}

TEST_P(CommandFrame, OptionWithoutItsValueIsAUsageError) {
    const cli::Command& command = CommandNamed(GetParam().Name);
    const auto valued =
        std::find_if(command.Options.begin(), command.Options.end(),
                     [](const cli::Option& o) { return o.Kind != cli::ValueKind::Flag; });
    ASSERT_NE(valued, command.Options.end());
    const CliRun r = Run({command.Name, valued->Name});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(
        StartsWith(r.Err, "trevasc-cli " + command.Name + ": option " + valued->Name + " needs "))
        << r.Err;
}

TEST_P(CommandFrame, HelpGoesToStandardOutputAndNamesEveryOption) {
    const cli::Command& command = CommandNamed(GetParam().Name);
    // --help wins over anything else on the line.
    const CliRun r = Run({command.Name, "--no-such-option", "--help"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_TRUE(StartsWith(r.Out, "usage: trevasc-cli " + command.Name + " ")) << r.Out;
    for (const cli::Option& o : command.Options)
        EXPECT_NE(r.Out.find("\n  " + o.Name + " "), std::string::npos) << o.Name;
}

TEST_P(CommandFrame, DoubleDashEndsTheOptions) {
    const CommandCase& c = GetParam();
    const CliRun r = Run(c.DashedFile);
    EXPECT_EQ(r.Code, 0) << r.Err;
}

TEST_P(CommandFrame, MissingFileFailsTheWork) {
    const CommandCase& c = GetParam();
    const CliRun r = Run(c.MissingFile);
    EXPECT_NE(r.Err.find("missing.txt"), std::string::npos) << r.Err;
    if (c.ReadsFiles) {
        EXPECT_EQ(r.Code, 1) << r.Err;
        EXPECT_EQ(r.Err.find("usage:"), std::string::npos) << r.Err;
    } else {
        // A command that reads no file refuses one on its command line.
        EXPECT_EQ(r.Code, 2) << r.Err;
        EXPECT_NE(r.Err.find("usage: trevasc-cli " + c.Name), std::string::npos) << r.Err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandFrame,
    ::testing::Values(
        CommandCase{"info", {"info", "--", "-scan.txt"}, {"info", "MISSING"}},
        CommandCase{"convert",
                    {"convert", "-o", "out.txt", "--", "-scan.txt"},
                    {"convert", "MISSING", "-o", "out.txt"}},
        CommandCase{"peaks", {"peaks", "--", "-scan.txt"}, {"peaks", "MISSING"}},
        CommandCase{"plot",
                    {"plot", "-o", "out.png", "--size", "200x150", "--", "-scan.txt"},
                    {"plot", "MISSING", "-o", "out.png"}},
        CommandCase{"fit",
                    {"fit", "--profile", "gauss", "--", "-scan.txt"},
                    {"fit", "--profile", "gauss", "MISSING"}},
        CommandCase{"lattice", {"lattice", "--", "-scan.txt"}, {"lattice", "MISSING"}},
        CommandCase{"thickness", {"thickness", "--", "-scan.txt"}, {"thickness", "MISSING"}},
        CommandCase{"map",
                    {"map", "-o", "map.png", "--size", "300x200", "--", "-area.xrdml"},
                    {"map", "MISSING", "-o", "map.png"}},
        CommandCase{"gnuplot",
                    {"gnuplot", "--kind", "png-color", "--no-run", "--", "-area.xrdml"},
                    {"gnuplot", "MISSING", "--kind", "bw", "--no-run"}},
        CommandCase{"profile",
                    {"profile", "--from", "29", "--to", "31", "--", "-scan.txt"},
                    {"profile", "MISSING", "--from", "29", "--to", "31"}},
        CommandCase{"instrument",
                    {"instrument", "--peaks", "29.5,31.5,33.5", "--", "-three.txt"},
                    {"instrument", "MISSING"}},
        CommandCase{"size",
                    {"size", "--instrument", "0.001,0,0.001", "--", "-three.txt"},
                    {"size", "MISSING", "--instrument", "0.001,0,0.001"}},
        CommandCase{"simulate",
                    {"simulate", "--system", "cubic", "--"},
                    {"simulate", "--system", "cubic", "--", "MISSING"},
                    false},
        CommandCase{"lines", {"lines", "--"}, {"lines", "MISSING"}, false},
        CommandCase{
            "jcpds", {"jcpds", "--wavelength", "1.54056", "--", "-card.txt"}, {"jcpds", "MISSING"}},
        CommandCase{"substrates",
                    {"substrates", "--database", "db.ini", "--"},
                    {"substrates", "--database", "MISSING"}},
        CommandCase{"identify",
                    {"identify", "--material", "Si", "--database", "db.ini", "--", "-scan.txt"},
                    {"identify", "MISSING", "--material", "Si", "--database", "db.ini"}}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.Name; });

TEST(CliFrame, EveryCommandIsInTheTable) {
    std::vector<std::string> names;
    for (const cli::Command& c : cli::AllCommands()) names.push_back(c.Name);
    const std::vector<std::string> expected = {
        "info",      "convert", "peaks",   "plot",       "fit",        "lattice",
        "thickness", "map",     "gnuplot", "profile",    "instrument", "size",
        "simulate",  "lines",   "jcpds",   "substrates", "identify",   "check-update"};
    EXPECT_EQ(names, expected);
    // check-update's frame cases without a server: the table's usage errors and --help.
    EXPECT_EQ(Cli({"check-update", "--bogus"}).Code, 2);
    EXPECT_EQ(Cli({"check-update", "--url"}).Code, 2);
    EXPECT_EQ(Cli({"check-update", "--", "x"}).Code, 2);
    EXPECT_EQ(Cli({"check-update", "--help"}).Code, 0);
}

TEST(CliFrame, ValuesAreCheckedAgainstTheirKindAndDoubleDashEndsOptions) {
    // A number option, a whole-number option with its range, and a pair.
    CliRun r = Cli({"lines", "--lattice", "abc"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli lines: --lattice needs a number, not 'abc'\n"))
        << r.Err;
    r = Cli({"peaks", "x.txt", "--method", "3"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli peaks: --method needs a whole number from 1 to 2\n"))
        << r.Err;
    r = Cli({"simulate", "--system", "cubic", "--h", "0"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli simulate: option --h needs two values\n")) << r.Err;
    // After "--" even an option's name is a file: three files for convert.
    r = Cli({"convert", "--", "x.txt", "-o", "-"});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(StartsWith(r.Err, "trevasc-cli convert: convert needs exactly one file\n"))
        << r.Err;
    // A negative number is a value, not an option.
    r = Cli({"lattice", "--peaks", "22.754,46.472", "--expected", "-1", "--wavelength", "1.54056"});
    EXPECT_NE(r.Code, 2) << r.Err;
}

// The manual page's OPTIONS section is the option tables, word for word.
TEST(CliFrame, ManualPageListsTheOptionsOfTheTables) {
    const std::string page = std::string(TREVASC_SOURCE_DIR) + "/docs/man/trevasc-cli.1";
    std::ifstream in(page);
    ASSERT_TRUE(in) << page;
    std::stringstream text;
    text << in.rdbuf();
    const std::string man = text.str();
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
