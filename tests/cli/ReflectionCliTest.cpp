#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "analysis/SubstrateDatabase.h"
#include "cli/CliCommands.h"
#include "formats/ReflectionTable.h"
#include "support/CliRun.h"
#include "support/ReflectionTableText.h"
#include "support/TempDir.h"

using trevasc::cli::RunCli;

namespace {

struct CliResult {
    int Code;
    std::string Out, Err;
};

CliResult Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = RunCli(args, out, err, trevasc::test::CliFacilities());
    return {code, out.str(), err.str()};
}

std::string DataFile(const std::string& name) {
    return std::string(TREVASC_TEST_DATA_DIR) + "/" + name;
}

std::string SubstratesDef() {
    return std::string(TREVASC_TEST_DATA_DIR) + "/../../data/Substrates.DEF";
}

// Keeps the tests away from the user's configuration folder.
struct ReflectionCli : ::testing::Test {
    trevasc::test::TempDir config;
    ReflectionCli() { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
};

}  // namespace

TEST_F(ReflectionCli, SimulatePrintsRowsAndJson) {
    CliResult r = Cli({"simulate", "--system", "cubic", "--h", "0", "1", "--k", "0", "1", "--l",
                       "0", "1", "--wavelength", "1.540562"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "1 0 0 22.206°\n1 1 0 31.607°\n1 1 1 38.968°\n");

    r = Cli({"simulate", "--system", "hexagonal", "--a", "3.189", "--c", "5.185", "--h", "1", "1",
             "--k", "1", "1", "--l", "0", "0", "--json", "--wavelength", "1.540562"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"labels\": [\"a=b<>c\", \"a=b=90°, g=120°\"]"), std::string::npos);
    EXPECT_NE(r.Out.find("\"rows\": [\"1 -2 1 0 57.774°\"]"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("{\"h\": 1, \"k\": 1, \"l\": 0, \"d\": 1.5945"), std::string::npos);

    // the energy acts as typed into the X-ray tube selector: 8047.8 eV -> 1.54079 A (with this
    // program's 1 eV = 1.602e-19 J)
    r = Cli({"simulate", "--system", "cubic", "--h", "1", "1", "--energy", "8047.8"});
    EXPECT_EQ(r.Out, "1 0 0 22.209°\n");
}

TEST_F(ReflectionCli, LinesFollowTheTabModes) {
    CliResult r = Cli({"lines"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "22.343\n45.597\n71.076\n101.608\n151.269\n");  // only n = 1..5
    r = Cli({"lines", "--permitted", "2, x, 0, 3", "--json"});
    // The angles in the shortest digits that read back exactly (more than 15 where needed).
    EXPECT_EQ(r.Out.rfind("{\"lines\": [45.59721903043", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find(", 71.07558475527"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("], \"rows\": [\"45.597\", \"71.076\"], \"orders\": [2, 3]}\n"),
              std::string::npos)
        << r.Out;
    r = Cli({"lines", "--show-all", "--to", "80"});
    EXPECT_EQ(r.Out, "22.343\n45.597\n71.076\n");
    r = Cli({"lines", "--selected-peak", "28.441", "--wavelength", "1.540562", "--energy", "8047.8",
             "--json"});
    EXPECT_NE(r.Out.find("\"orders\": [1]"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"rows\": [\"28.44"), std::string::npos) << r.Out;
    // bad input
    EXPECT_EQ(Cli({"lines", "--show-all"}).Code, 2);
    EXPECT_EQ(Cli({"lines", "--wavelength", "1.5"}).Code, 2);
}

TEST_F(ReflectionCli, JcpdsListsRowsWritesTheDatabaseAndReportsConversionErrors) {
    trevasc::test::TempDir dir;
    const std::string header =
        "Si                                       Silicon           7";  // name: "Si"
    const std::string table =
        header + "\n" +
        trevasc::test::ReflectionTableLine("3.1355", "  1  1  1", "1.9201", "  2  2  0") + "\n";
    const std::string file = dir.Write("si.txt", table);
    CliResult r = Cli({"jcpds", file, "--wavelength", "1.540562"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "(1 1 1)=28.442\n(2 2 0)=47.302\n");

    const std::string ini = dir.Write("substrates.ini", "[Si]\nSi (111)=28.441\n");
    r = Cli({"jcpds", file, "--add-to", ini, "--name", "Si", "--wavelength", "1.540562"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(dir.Read("substrates.ini").find("[Si poly]"), std::string::npos);
    EXPECT_NE(dir.Read("substrates.ini").find("Si(2 2 0)=47.302"), std::string::npos);

    // a blank second reflection on the next line stops the table; the rows before it are listed
    const std::string broken =
        dir.Write("broken.txt",
                  table + trevasc::test::ReflectionTableLine("1.6375", "  3  1  1", "", "") + "\n");
    r = Cli({"jcpds", broken, "--json", "--wavelength", "1.540562"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Out.find("\"material\": \"Si\""), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"rows\": [\"(1 1 1)=28.442\", \"(2 2 0)=47.302\", \"(3 1 1)=56.121"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\"error\": \"'' ist kein"), std::string::npos) << r.Out;
    EXPECT_NE(r.Err.find("trevasc-cli: " + broken + ": "), std::string::npos);
    EXPECT_EQ(Cli({"jcpds", dir.File("missing.txt")}).Code, 1);

    // A plain list of d and I values is no card: exit 1 with the layout that is read, and no
    // material is written.
    const std::string plain = dir.Write("plain.txt", "3.1355 100\n1.9201 55\n1.6375 30\n");
    r = Cli({"jcpds", plain, "--add-to", ini, "--name", "Plain", "--wavelength", "1.540562"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "trevasc-cli: " + plain + ": No reflection lines found in the file. " +
                         trevasc::formats::kNoReflectionLinesMessage.substr(
                             trevasc::formats::kNoReflectionLinesMessage.find("Expected")) +
                         "\n");
    EXPECT_EQ(dir.Read("substrates.ini").find("Plain"), std::string::npos);
    r = Cli({"jcpds", plain, "--json"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Out.find("\"rows\": [], \"reflections\": [], \"error\": \"No reflection lines"),
              std::string::npos)
        << r.Out;
}

TEST_F(ReflectionCli, SubstratesListTheDatabase) {
    CliResult r = Cli({"substrates", "--database", SubstratesDef()});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("[Si]\nALLOWED=4,8\nLATTICE=5.43102\nSi (111): 28.441\n"),
              std::string::npos)
        << r.Out.substr(0, 400);
    r = Cli({"substrates", "--database", SubstratesDef(), "--json"});
    EXPECT_NE(r.Out.find("{\"name\": \"Si\", \"expected\": [[28.441, \"Si (111)\"]"),
              std::string::npos);
    // the default database is the user's substrates.ini, seeded from Substrates.DEF
    r = Cli({"substrates"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(Cli({"substrates", "--database", "/no/such/file.ini"}).Code, 1);

    // A reflection typed twice into a hand-edited database is listed twice, with its first value.
    trevasc::test::TempDir dir;
    const std::string ini =
        dir.Write("substrates.ini", "[GaN]\nGaN (002)=34.56\nGaN (004)=72.91\nGaN (002)=35.00\n");
    r = Cli({"substrates", "--database", ini});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "[GaN]\nGaN (002): 34.56\nGaN (004): 72.91\nGaN (002): 34.56\n");
    std::string scan;
    for (int i = 0; i <= 100; ++i) scan += std::to_string(30 + 0.1 * i) + "\t10\n";
    r = Cli({"identify", dir.Write("scan.txt", scan), "--material", "GaN", "--database", ini,
             "--peaks", "34.6", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"expected\": [[34.56, \"GaN (002)\"], [72.91, \"GaN (004)\"], [34.56, "
                         "\"GaN (002)\"]]"),
              std::string::npos)
        << r.Out;
}

TEST_F(ReflectionCli, IdentifyNamesPeaksAfterTheChosenOrBestMaterial) {
    trevasc::test::TempDir dir;
    std::string scan;
    for (int i = 0; i <= 600; ++i) scan += std::to_string(20 + 0.1 * i) + "\t10\n";
    const std::string file = dir.Write("scan.txt", scan);
    const std::string ini =
        dir.Write("db.ini",
                  "[Far]\nFar (1)=30.0\n[Si]\nALLOWED=4,8\nLATTICE=5.43102\nSi (111)=28.441\n"
                  "Si (220)=47.301\nSi (004)=69.127\n");
    CliResult r = Cli({"identify", file, "--auto-select", "--database", ini, "--peaks",
                       "28.45,47.2,69.1", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"material\": \"Si\""), std::string::npos) << r.Out;
    // Far: (30 - 28.45)^2 = 2.4025, in the digits of the double that the sum gives.
    const std::string farScore = "\"scores\": [[\"Far\", ";
    const size_t far = r.Out.find(farScore);
    ASSERT_NE(far, std::string::npos) << r.Out;
    EXPECT_NEAR(std::stod(r.Out.substr(far + farScore.size())), 2.4025, 1e-12) << r.Out;
    EXPECT_NE(r.Out.find("], [\"Si\", 0.011", far), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"allowed\": \"4,8\", \"lattice\": 5.43102"), std::string::npos);
    EXPECT_NE(r.Out.find("{\"position\": 28.45, \"description\": \"Si (111)\", \"checked\": "
                         "false}"),
              std::string::npos)
        << r.Out;
    r = Cli({"identify", file, "--material", "Far", "--database", ini, "--peaks", "30.4"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("30.4000   Far (1)"), std::string::npos) << r.Out;
    r = Cli({"identify", file, "--material", "None", "--database", ini, "--peaks", ""});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find(file + ": No material 'None'"), std::string::npos);
    EXPECT_EQ(Cli({"identify", file, "--database", ini}).Code, 2);
}

TEST_F(ReflectionCli, AutoSelectLeavesOutMaterialsWithoutReflectionsInRange) {
    trevasc::test::TempDir dir;
    // A GaAs (004) scan from 60 to 70 degrees with its peak at 66.05.
    std::string scan;
    for (int i = 0; i <= 100; ++i) scan += std::to_string(60 + 0.1 * i) + "\t10\n";
    const std::string file = dir.Write("gaas.txt", scan);
    CliResult r = Cli({"identify", file, "--auto-select", "--database", SubstratesDef(), "--peaks",
                       "66.05", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    // GaAs (004) at 66.052: 0.002^2; Ge (004) at 65.996 comes second with 0.054^2.
    EXPECT_NE(r.Out.find("\"material\": \"GaAs\""), std::string::npos) << r.Out;
    const size_t gaas = r.Out.find("[\"GaAs\", ");
    ASSERT_NE(gaas, std::string::npos) << r.Out;
    EXPECT_NEAR(std::stod(r.Out.substr(gaas + 9)), 4e-6, 1e-12);
    EXPECT_NE(r.Out.find("[\"Ge\", 0.0029"), std::string::npos) << r.Out;
    // LaAlO3 (47.968, 70.178) and the r-plane (52.553, 83.220) have nothing in 60..70.
    EXPECT_NE(r.Out.find("[\"LaAlO3\", null]"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("[\"Al2O3 r-plane\", null]"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("{\"position\": 66.05, \"description\": \"GaAs (004)\""),
              std::string::npos);

    // Below the lowest reflection of the database: no candidate, no material.
    std::string low;
    for (int i = 0; i <= 100; ++i) low += std::to_string(5 + 0.1 * i) + "\t10\n";
    const std::string lowFile = dir.Write("low.txt", low);
    r = Cli({"identify", lowFile, "--auto-select", "--database", SubstratesDef(), "--peaks", "10",
             "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("{\"material\": null, \"scores\": [[\"Si\", null], "), std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\"description\": \"\""), std::string::npos);
    EXPECT_NE(r.Err.find("no material has an expected reflection inside the scan range"),
              std::string::npos);
}

namespace {

std::string SiliconCard(const trevasc::test::TempDir& dir) {
    const std::string header = "Si                                       Silicon           7";
    return dir.Write("si.txt", header + "\n" +
                                   trevasc::test::ReflectionTableLine("3.1355", "  1  1  1",
                                                                      "1.9201", "  2  2  0") +
                                   "\n");
}

}  // namespace

TEST_F(ReflectionCli, JcpdsAddToRefusesHostileNamesAndDatabasesNotReadWhole) {
    trevasc::test::TempDir dir;
    const std::string card = SiliconCard(dir);
    const std::string original = "[Si]\nLATTICE=5.43102\n";
    const std::string ini = dir.Write("substrates.ini", original);
    for (const std::string name : {"X]\n[Si]\nLATTICE=9", "A=B", ";Si", "a[b"}) {
        const CliResult r =
            Cli({"jcpds", card, "--add-to", ini, "--name", name, "--wavelength", "1.540562"});
        EXPECT_EQ(r.Code, 1) << name;
        EXPECT_NE(r.Err.find("must not hold"), std::string::npos) << r.Err;
        EXPECT_EQ(dir.Read("substrates.ini"), original) << name;
    }

    // One NUL byte: the file is said to be damaged and stays as it is.
    const std::string damaged = original + std::string("x=\0\n[GaN]\nGaN (002)=34.56\n", 26);
    dir.Write("substrates.ini", damaged);
    CliResult r = Cli({"jcpds", card, "--add-to", ini, "--name", "Ge", "--wavelength", "1.540562"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("NUL byte"), std::string::npos) << r.Err;
    EXPECT_EQ(dir.Read("substrates.ini"), damaged);
    r = Cli({"substrates", "--database", ini});
    EXPECT_EQ(r.Code, 0);
    EXPECT_NE(r.Err.find("warning: " + ini + ": line 3 holds a NUL byte"), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Out.find("[GaN]\nGaN (002): 34.56\n"), std::string::npos) << r.Out;

    // A database that cannot be read is not replaced by the new section.
    const std::string folder = dir.File("folder.ini");
    std::filesystem::create_directory(folder);
    r = Cli({"jcpds", card, "--add-to", folder, "--name", "Ge", "--wavelength", "1.540562"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(ReflectionCli, ConcurrentImportsKeepEveryMaterial) {
    trevasc::test::TempDir dir;
    const std::string card = SiliconCard(dir);
    const std::string ini = dir.Write("substrates.ini", "[Si]\nLATTICE=5.43102\n");
    const std::string program = std::string(TREVASC_BIN_DIR) + "/trevasc-cli";
    constexpr int kImports = 20;
    // The rows each import lists are not wanted here.
    posix_spawn_file_actions_t quiet;
    ASSERT_EQ(::posix_spawn_file_actions_init(&quiet), 0);
    ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kImports; ++i) {
        const std::string name = "M" + std::to_string(i);
        std::vector<std::string> args = {program,  "jcpds", card,           "--add-to", ini,
                                         "--name", name,    "--wavelength", "1.540562"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &quiet, nullptr, argv.data(), environ), 0);
        children.push_back(pid);
    }
    ::posix_spawn_file_actions_destroy(&quiet);
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const std::vector<std::string> materials = trevasc::analysis::LoadMaterialList(ini);
    EXPECT_EQ(materials.size(), 1u + kImports);
    for (int i = 0; i < kImports; ++i) {
        const std::string section = "M" + std::to_string(i) + " poly";
        EXPECT_TRUE(std::find(materials.begin(), materials.end(), section) != materials.end())
            << section;
    }
}

// The card is read through the program's file loader: nothing that never ends, blocks or is not
// a file is read, and a file without reflection lines is a failure, not an empty success.
TEST_F(ReflectionCli, JcpdsRefusesWhatIsNotACardFile) {
    trevasc::test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
    std::filesystem::create_directory(dir.File("folder"));
    const std::string empty = dir.Write("empty.txt", "");
    const std::string prose = dir.Write("notes.txt", "Silicon, measured on Monday\n");
    const struct {
        std::string File, Message;
    } cases[] = {
        {dir.File("fifo"), "It is a FIFO (named pipe), not a file."},
        {dir.File("folder"), "It is a directory, not a file."},
        {"/dev/zero", "It is a device, not a file."},
        {empty, "No reflection lines found in the file."},
        {prose, "No reflection lines found in the file."},
    };
    for (const auto& c : cases) {
        const CliResult r = Cli({"jcpds", c.File});
        EXPECT_EQ(r.Code, 1) << c.File;
        EXPECT_NE(r.Err.find("trevasc-cli: " + c.File + ": "), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "") << c.File;
    }
}

// A damaged energy of the X-ray line in use must stop the command: before, the commands went on
// with the selector's initial 4 A (or listed nothing) and exited 0.
TEST_F(ReflectionCli, DamagedXrayLineStopsTheCommandsThatUseIt) {
    std::filesystem::create_directories(config.File("trevasc"));
    const auto writeIni = [&](const std::string& defaultIndex) {
        config.Write("trevasc/xray.ini",
                     "[ENERGY]\nCu=8047.8\nText=8O48\nZero=0\nNegative=-8047.8\n[CONFIG]\n"
                     "DEFAULTENERGY=" +
                         defaultIndex + "\n");
    };
    trevasc::test::TempDir dir;
    const std::string card = dir.Write(
        "si.txt", "Si                                       Silicon           7\n" +
                      trevasc::test::ReflectionTableLine("3.1355", "  1  1  1", "", "") + "\n");
    const std::vector<std::vector<std::string>> commands = {
        {"simulate", "--system", "cubic", "--h", "1", "1"},
        {"lines", "--selected-peak", "28.441"},
        {"jcpds", card}};

    writeIni("0");  // a sound default line is used as before: 8047.8 eV gives 1.54079 A
    CliResult r = Cli(commands[0]);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "1 0 0 22.209°\n");

    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"1", "'Text' has the energy '8O48'"},
        {"2", "'Zero' has the energy '0'"},
        {"3", "'Negative' has the energy '-8047.8'"}};
    for (const auto& [index, named] : damaged) {
        writeIni(index);
        for (const auto& command : commands) {
            r = Cli(command);
            EXPECT_EQ(r.Code, 1) << command[0] << " " << index;
            EXPECT_EQ(r.Out, "") << command[0] << " " << index;
            EXPECT_NE(r.Err.find(named), std::string::npos) << r.Err;
            EXPECT_NE(r.Err.find("xray.ini"), std::string::npos) << r.Err;
        }
        // a sound line given by name is still usable
        r = Cli({"simulate", "--system", "cubic", "--h", "1", "1", "--line", "Cu"});
        EXPECT_EQ(r.Out, "1 0 0 22.209°\n");
    }
    writeIni("0");
    r = Cli({"lines", "--transition", "Zero"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("'Zero' has the energy '0'"), std::string::npos) << r.Err;
    r = Cli({"simulate", "--system", "cubic", "--h", "1", "1", "--line", "Negative"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("'Negative' has the energy '-8047.8'"), std::string::npos) << r.Err;
}
