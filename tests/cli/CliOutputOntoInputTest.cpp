// Every output option of the batch tool refuses the file it reads from, before writing anything.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace trevasc::test;

TEST(CliOutputOntoInput, EveryCommandRefusesItsInputAsOutput) {
    TempDir dir;
    const std::string s = dir.File("s.xrdml");
    std::filesystem::copy_file(Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), s);
    const std::string bytes = dir.Read("s.xrdml");
    const std::string dotted = dir.Path() + "/./s.xrdml", link = dir.File("link.xrdml");
    ASSERT_EQ(::symlink(s.c_str(), link.c_str()), 0);
    const struct {
        std::vector<std::string> Args;
        std::string Output;
    } cases[] = {
        {{"convert", s, "-o", s}, s},
        {{"convert", s, "-o", dotted}, dotted},
        {{"convert", "--all", dotted, "-o", link}, link},
        {{"peaks", s, "-o", link}, link},
        {{"plot", s, "-o", dotted}, dotted},
        {{"fit", s, "--profile", "gauss", "-o", s}, s},
        {{"fit", s, "--profile", "gauss", "--plot", link}, link},
        {{"map", s, "-o", s}, s},
        {{"map", s, "-o", dir.File("m.png"), "--text", link}, link},
        {{"lattice", s, "--nelson-riley-plot", dotted}, dotted},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.Args);
        const std::string what = c.Args[0] + " " + c.Args.back();
        EXPECT_EQ(r.Code, 1) << what << r.Err;
        EXPECT_TRUE(Has(r.Err, c.Output + " is the input file; choose another name."))
            << what << ": " << r.Err;
        EXPECT_EQ(dir.Read("s.xrdml"), bytes) << what << " changed the scan";
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << what;
    }
    // Nothing else was written either (the map's picture comes after its checks).
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.png")));
    // Another name in the same folder is written.
    const CliRun r = Cli({"convert", s, "-o", dir.File("s.txt")});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_FALSE(dir.Read("s.txt").empty());

    // A JCPDS card is not the database it is added to.
    const std::string card = dir.Write("card.txt", "d-spacing h k l\n3.1355 1 1 1\n");
    const CliRun jcpds = Cli({"jcpds", card, "--add-to", card, "--name", "Si"});
    EXPECT_EQ(jcpds.Code, 1) << jcpds.Err;
    EXPECT_TRUE(Has(jcpds.Err, card + " is the input file; choose another name.")) << jcpds.Err;
    EXPECT_EQ(dir.Read("card.txt"), "d-spacing h k l\n3.1355 1 1 1\n");
}
