// jcpds, substrates and identify beyond their reports (those of simulate, lines and substrates
// are in the table of CliTest.cpp): the database they write and what they refuse. The angles and
// scores are the analysis tests' business.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "analysis/SubstrateDatabase.h"
#include "formats/ReflectionTable.h"
#include "support/CliRun.h"
#include "support/ReflectionTableText.h"
#include "support/TempDir.h"

using namespace trevasc::test;

namespace {

const std::string kSubstratesDef = Data("../../data/Substrates.DEF");
const std::string kCardHeader = "Si                                       Silicon           7\n";

// Keeps the tests away from the user's configuration folder.
struct ReflectionCli : ::testing::Test {
    TempDir config, dir;
    ReflectionCli() { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
    // A card of silicon with (1 1 1) and (2 2 0), and what may follow them.
    std::string SiliconCard(const std::string& more = "") const {
        return dir.Write(
            "si.txt", kCardHeader +
                          ReflectionTableLine("3.1355", "  1  1  1", "1.9201", "  2  2  0") + "\n" +
                          more);
    }
    // A flat scan of `points` points from `from` degrees in 0.1 degree steps.
    std::string FlatScan(double from, int points) const {
        std::string scan;
        for (int i = 0; i < points; ++i) scan += std::to_string(from + 0.1 * i) + "\t10\n";
        return dir.Write("scan.txt", scan);
    }
};

}  // namespace

TEST_F(ReflectionCli, JcpdsListsRowsWritesTheDatabaseAndReportsConversionErrors) {
    const std::string card = SiliconCard();
    CliRun r = CliLine("jcpds " + card + " --wavelength 1.540562");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "(1 1 1)=28.442\n(2 2 0)=47.302\n");
    const std::string ini = dir.Write("substrates.ini", "[Si]\nSi (111)=28.441\n");
    r = CliLine("jcpds " + card + " --add-to " + ini + " --name Si --wavelength 1.540562");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(dir.Read("substrates.ini"), "[Si poly]\nSi(1 1 1)=28.442\nSi(2 2 0)=47.302"))
        << dir.Read("substrates.ini");

    // A blank second reflection on the next line stops the table; the rows before it are listed.
    const std::string broken =
        SiliconCard(ReflectionTableLine("1.6375", "  3  1  1", "", "") + "\n");
    r = CliLine("jcpds " + broken + " --json --wavelength 1.540562");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Out, "\"material\": \"Si\"")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"rows\": [\"(1 1 1)=28.442\", \"(2 2 0)=47.302\", \"(3 1 1)=56.121"));
    EXPECT_TRUE(Has(r.Out, "\"error\": \"'' ist kein")) << r.Out;
    EXPECT_TRUE(Has(r.Err, "trevasc-cli: " + broken + ": "));

    // A plain list of d and I values is no card: exit 1 with the layout that is read, and no
    // material is written.
    const std::string plain = dir.Write("plain.txt", "3.1355 100\n1.9201 55\n1.6375 30\n");
    r = CliLine("jcpds " + plain + " --add-to " + ini + " --name Plain");
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "");
    const std::string& layout = trevasc::formats::kNoReflectionLinesMessage;
    EXPECT_EQ(r.Err, "trevasc-cli: " + plain + ": No reflection lines found in the file. " +
                         layout.substr(layout.find("Expected")) + "\n");
    EXPECT_FALSE(Has(dir.Read("substrates.ini"), "Plain"));
    EXPECT_TRUE(Has(CliLine("jcpds " + plain + " --json").Out,
                    "\"rows\": [], \"reflections\": [], \"error\": \"No reflection lines"));
}

TEST_F(ReflectionCli, IdentifyNamesPeaksAfterTheChosenOrBestMaterial) {
    const std::string file = FlatScan(20, 601);
    const std::string ini = dir.Write("db.ini",
                                      "[Far]\nFar (1)=30.0\n[Si]\nALLOWED=4,8\nLATTICE=5.43102\n"
                                      "Si (111)=28.441\nSi (220)=47.301\nSi (004)=69.127\n");
    CliRun r = CliLine("identify " + file + " --auto-select --database " + ini +
                       " --peaks 28.45,47.2,69.1 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"material\": \"Si\"")) << r.Out;
    // Far: (30 - 28.45)^2 = 2.4025 (the scores are the analysis tests').
    EXPECT_TRUE(Has(r.Out, "\"scores\": [[\"Far\", 2.402") && Has(r.Out, "], [\"Si\", 0.011"))
        << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"allowed\": \"4,8\", \"lattice\": 5.43102"));
    EXPECT_TRUE(
        Has(r.Out, "{\"position\": 28.45, \"description\": \"Si (111)\", \"checked\": false}"))
        << r.Out;
    r = CliLine("identify " + file + " --material Far --database " + ini + " --peaks 30.4");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "30.4000   Far (1)")) << r.Out;
    r = Cli({"identify", file, "--material", "None", "--database", ini, "--peaks", ""});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, file + ": No material 'None'"));

    // Below the lowest reflection of the database: no candidate, no material.
    r = CliLine("identify " + FlatScan(5, 101) + " --auto-select --database " + kSubstratesDef +
                " --peaks 10 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "{\"material\": null, \"scores\": [[\"Si\", null], ")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"description\": \"\""));
    EXPECT_TRUE(Has(r.Err, "no material has an expected reflection inside the scan range"));
}

TEST_F(ReflectionCli, IdentifyPrintsTheReadersWarningsAfterTheDatabasesOnce) {
    // Two datasets: the reader takes the first and says so, as every command that reads does.
    std::string text = "SUPERDATA\n";
    for (int d = 0; d < 2; ++d) {
        text += "> mscan tth 1 2 3 4 5 6 3\nH       K       L       D     TIM    CTS      TTH\n";
        for (int i = 0; i < 3; ++i) text += "0 0 0 1.0 1 10 2" + std::to_string(i) + ".5 0 0 0 0\n";
    }
    const std::string file = dir.Write("two.dat", text);
    const std::string damaged = dir.Write("db.ini", std::string("[Si]\nSi (111)=28.441\n\0x", 24));
    const std::string readerWarning = "warning: " + file + ": ";
    const CliRun r = CliLine("identify " + file + " --material Si --database " + damaged +
                             " --peaks 28.45 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    const size_t database = r.Err.find("trevasc-cli: warning: "),
                 reader = r.Err.find(readerWarning);
    ASSERT_NE(reader, std::string::npos) << r.Err;
    EXPECT_LT(database, reader) << r.Err;
    EXPECT_EQ(r.Err.find(readerWarning, reader + 1), std::string::npos) << r.Err;
    EXPECT_EQ(CliLine("info " + file).Err.substr(0, readerWarning.size()), readerWarning);
    // The warning names --dataset N, which identify takes as the other commands do.
    const CliRun second = CliLine("identify " + file + " --material Si --database " + damaged +
                                  " --peaks 28.45 --dataset 2");
    ASSERT_EQ(second.Code, 0) << second.Err;
    EXPECT_FALSE(Has(second.Err, readerWarning)) << second.Err;
}

TEST_F(ReflectionCli, JcpdsAddToRefusesHostileNamesAndDatabasesNotReadWhole) {
    const std::string card = SiliconCard();
    const std::string original = "[Si]\nLATTICE=5.43102\n";
    const std::string ini = dir.Write("substrates.ini", original);
    const auto addTo = [&](const std::string& database, const std::string& name) {
        return Cli({"jcpds", card, "--add-to", database, "--name", name});
    };
    // Which names are refused is the analysis tests' business.
    CliRun r = addTo(ini, "X]\n[Si]\nLATTICE=9");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "must not hold")) << r.Err;
    EXPECT_EQ(dir.Read("substrates.ini"), original);
    // One NUL byte: the file is said to be damaged and stays as it is.
    const std::string damaged = original + std::string("x=\0\n[GaN]\nGaN (002)=34.56\n", 26);
    dir.Write("substrates.ini", damaged);
    r = addTo(ini, "Ge");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "NUL byte")) << r.Err;
    EXPECT_EQ(dir.Read("substrates.ini"), damaged);
    r = CliLine("substrates --database " + ini);
    EXPECT_EQ(r.Code, 0);
    EXPECT_TRUE(Has(r.Err, "warning: " + ini + ": line 3 holds a NUL byte")) << r.Err;
    EXPECT_TRUE(Has(r.Out, "[GaN]\nGaN (002): 34.56\n")) << r.Out;
    // A database that cannot be read is not replaced by the new section.
    std::filesystem::create_directory(dir.File("folder.ini"));
    EXPECT_EQ(addTo(dir.File("folder.ini"), "Ge").Code, 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));
}

TEST_F(ReflectionCli, ConcurrentImportsKeepEveryMaterial) {
    const std::string card = SiliconCard();
    const std::string ini = dir.Write("substrates.ini", "[Si]\nLATTICE=5.43102\n");
    constexpr int kImports = 20;
    const CliRun r = Shell("for i in $(seq 0 " + std::to_string(kImports - 1) + "); do (" +
                           BuiltCli() + " jcpds '" + card + "' --add-to '" + ini +
                           "' --name M$i --wavelength 1.540562 >/dev/null || echo failed) & "
                           "done; wait");
    EXPECT_EQ(r.Out, "");
    const std::vector<std::string> materials = trevasc::analysis::LoadMaterialList(ini);
    EXPECT_EQ(materials.size(), 1u + kImports);
    for (int i = 0; i < kImports; ++i) {
        const std::string section = "M" + std::to_string(i) + " poly";
        EXPECT_NE(std::find(materials.begin(), materials.end(), section), materials.end())
            << section;
    }
}

// The card is read through the program's file loader: nothing that never ends, blocks or is not
// a file is read, and a file without reflection lines is a failure, not an empty success.
TEST_F(ReflectionCli, JcpdsRefusesWhatIsNotACardFile) {
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
    std::filesystem::create_directory(dir.File("folder"));
    const struct {
        std::string File, Message;
    } cases[] = {
        {dir.File("fifo"), "It is a FIFO (named pipe), not a file."},
        {dir.File("folder"), "It is a directory, not a file."},
        {"/dev/zero", "It is a device, not a file."},
        {dir.Write("empty.txt", ""), "No reflection lines found in the file."},
        {dir.File("missing.txt"), "missing.txt"},
    };
    for (const auto& c : cases) {
        const CliRun r = CliLine("jcpds " + c.File);
        EXPECT_EQ(r.Code, 1) << c.File;
        EXPECT_TRUE(Has(r.Err, "trevasc-cli: " + c.File + ": ") && Has(r.Err, c.Message)) << r.Err;
        EXPECT_EQ(r.Out, "") << c.File;
    }
}

// A damaged energy of the X-ray line in use must stop the command: before, the commands went on
// with the selector's initial 4 A (or listed nothing) and exited 0.
TEST_F(ReflectionCli, DamagedXrayLineStopsTheCommandsThatUseIt) {
    std::filesystem::create_directories(config.File("trevasc"));
    const auto useLine = [&](char defaultIndex) {
        config.Write("trevasc/xray.ini",
                     "[ENERGY]\nCu=8047.8\nText=8O48\nZero=0\nNegative=-8047.8\n[CONFIG]\n"
                     "DEFAULTENERGY=" +
                         std::string(1, defaultIndex) + "\n");
    };
    const std::string cubic = "simulate --system cubic --h 1 1", card = SiliconCard();
    const std::string text = "'Text' has the energy '8O48'", zero = "'Zero' has the energy '0'",
                      negative = "'Negative' has the energy '-8047.8'";
    // The default line (index into ENERGY), the command, and the line it names ("": it runs).
    const struct {
        char Default;
        std::string Line, Named;
    } cases[] = {
        {'0', cubic, ""},  // a sound default line: 8047.8 eV gives 1.54079 A
        {'1', cubic, text},
        {'1', "lines --selected-peak 28.441", text},
        {'2', "jcpds " + card, zero},
        {'3', "lines --selected-peak 28.441", negative},
        {'3', cubic + " --line Cu", ""},  // a sound line given by name is still usable
        {'0', "lines --transition Zero", zero},
        {'0', cubic + " --line Negative", negative},
    };
    for (const auto& c : cases) {
        useLine(c.Default);
        const CliRun r = CliLine(c.Line);
        SCOPED_TRACE(c.Line + " " + c.Default);
        if (c.Named.empty()) {
            EXPECT_EQ(r.Out, "1 0 0 22.209°\n") << r.Err;
            continue;
        }
        EXPECT_EQ(r.Code, 1);
        EXPECT_EQ(r.Out, "");
        EXPECT_TRUE(Has(r.Err, c.Named) && Has(r.Err, "xray.ini")) << r.Err;
    }
}
