// Every output option of the batch tool refuses the file it reads from, before writing anything.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

using trevasc::test::Cli;
using trevasc::test::CliRun;
using trevasc::test::TempDir;

std::string Data(const std::string& name) {
    return std::string(TREVASC_TEST_DATA_DIR) + "/" + name;
}

// A copy of a real scan in a scratch folder, and its bytes.
struct ScratchScan {
    TempDir Dir;
    std::string Path, Bytes;
    explicit ScratchScan(const std::string& name = "xrdtools_test_scan_2ThetaOmega_v1.0.xrdml") {
        Path = Dir.File("s.xrdml");
        std::filesystem::copy_file(Data(name), Path);
        Bytes = Dir.Read("s.xrdml");
    }
};

}  // namespace

TEST(CliOutputOntoInput, EveryCommandRefusesItsInputAsOutput) {
    ScratchScan scan;
    const std::string& s = scan.Path;
    ASSERT_EQ(::symlink(s.c_str(), scan.Dir.File("link.xrdml").c_str()), 0);
    const std::string dotted = scan.Dir.Path() + "/./s.xrdml";
    const std::string link = scan.Dir.File("link.xrdml");
    struct Case {
        std::vector<std::string> Args;
        std::string Output;
    };
    const Case cases[] = {
        {{"convert", s, "-o", s}, s},
        {{"convert", s, "-o", dotted}, dotted},
        {{"convert", "--all", dotted, "-o", link}, link},
        {{"peaks", s, "-o", link}, link},
        {{"plot", s, "-o", dotted}, dotted},
        {{"fit", s, "--profile", "gauss", "-o", s}, s},
        {{"fit", s, "--profile", "gauss", "--plot", link}, link},
        {{"map", s, "-o", s}, s},
        {{"map", s, "-o", scan.Dir.File("m.png"), "--text", link}, link},
        {{"lattice", s, "--nelson-riley-plot", dotted}, dotted},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(c.Args);
        const std::string what = c.Args[0] + " " + c.Args.back();
        EXPECT_EQ(r.Code, 1) << what << r.Err;
        EXPECT_NE(r.Err.find(c.Output + " is the input file; choose another name."),
                  std::string::npos)
            << what << ": " << r.Err;
        EXPECT_EQ(scan.Dir.Read("s.xrdml"), scan.Bytes) << what << " changed the scan";
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << what;
    }
    // Nothing else was written either (the map's picture comes after its checks).
    EXPECT_FALSE(std::filesystem::exists(scan.Dir.File("m.png")));
}

TEST(CliOutputOntoInput, AnotherNameInTheSameFolderIsWritten) {
    ScratchScan scan;
    const CliRun r = Cli({"convert", scan.Path, "-o", scan.Dir.File("s.txt")});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_FALSE(scan.Dir.Read("s.txt").empty());
    EXPECT_EQ(scan.Dir.Read("s.xrdml"), scan.Bytes);
}

TEST(CliOutputOntoInput, JcpdsCardIsNotTheDatabaseItIsAddedTo) {
    TempDir dir;
    const std::string card = dir.Write("card.txt", "d-spacing h k l\n3.1355 1 1 1\n");
    const std::string before = dir.Read("card.txt");
    const CliRun r = Cli({"jcpds", card, "--add-to", card, "--name", "Si"});
    EXPECT_EQ(r.Code, 1) << r.Err;
    EXPECT_NE(r.Err.find(card + " is the input file; choose another name."), std::string::npos)
        << r.Err;
    EXPECT_EQ(dir.Read("card.txt"), before);
}
