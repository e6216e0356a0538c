// map and gnuplot from the batch tool: the JSON, picture and text of a map, the files the
// gnuplot export leaves, and what each refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/CliRun.h"
#include "support/TempDir.h"
#include "support/TextChecks.h"
#include "tools/maps/MapBuilder.h"

using namespace trevasc::test;

namespace {

const std::string kArea = Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml");  // 76 x 75
const std::string kSingle = Data("nomad_m54313_om2th_10_v2.1.xrdml");

}  // namespace

TEST(CliMap, AreaMapAsJsonPictureAndText) {
    TempDir dir;
    const std::string png = dir.File("map.png");
    const CliRun r = CliLine("map " + kArea + " -o " + png + " --size 1200x900 --text " +
                             dir.File("map.txt") + " --json --points --levels");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(IsPrintableUtf8(r.Out));
    const std::regex keys(
        "^\\{\"xTitle\": \"TwoTheta \\[°\\]\", \"yTitle\": \"Omega Center \\[°\\]\", \"zTitle\": "
        "\"Counts \\[a.u.\\]\", \"info\": \"\", \"count\": 5700, \"plotWidth\": [0-9]+, "
        "\"plotHeight\": [0-9]+, \"xMin\": 73.04, \"xMax\": 78.96, \"yMin\": [0-9.]+, \"yMax\": "
        "[0-9.]+, \"logMin\": 0, \"logMax\": [0-9]+, \"radius\": [0-9]+, \"points\": \\[\\[73.04, "
        "[0-9.]+, [0-9]+, 0\\], ");
    EXPECT_TRUE(std::regex_search(r.Out, keys)) << r.Out.substr(0, 600);
    EXPECT_TRUE(Has(r.Out, ", 75]], \"levels\": [\n  ["));  // the last point is of scan 75

    // One row of levels per cell row, one level per cell; gaps filled with the marker kept.
    const std::string levels = r.Out.substr(r.Out.find("\"levels\""));
    EXPECT_EQ(Count(levels, "\n"), JsonNumber(r.Out, "plotHeight") + 1);
    const size_t rowStart = levels.find("\n  [") + 4;
    EXPECT_EQ(Count(levels.substr(rowStart, levels.find(']', rowStart) - rowStart), ","),
              JsonNumber(r.Out, "plotWidth") - 1);
    EXPECT_TRUE(std::regex_search(levels, std::regex("2684[0-9]{5}")));  // 0x10000000 + level
    EXPECT_EQ(PngSize(png), std::pair(1200, 900));

    const std::string text = dir.Read("map.txt");
    EXPECT_EQ(text.rfind("TwoTheta [°](x)\tOmega Center [°](y)\tCounts [a.u.](z)\r\n", 0), 0u);
    EXPECT_EQ(Count(text, "\n"), 5701u);
    EXPECT_TRUE(Has(text, "\r\n73.04000\t18.06660\t"));
}

TEST(CliMap, FurtherFilesAreInsertedAsScansAndTheDefaultIsTheBitmapCopy) {
    TempDir dir;
    const CliRun r =
        CliLine("map " + kArea + " " + kArea + " -o " + dir.File("map.png") + " --json --points");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonNumber(r.Out, "count"), 11400);
    EXPECT_TRUE(Has(r.Out, ", 151]]}")) << r.Out.substr(r.Out.size() - 100);
    EXPECT_EQ(PngSize(dir.File("map.png")), std::pair(2400, 1800));
}

TEST(CliMap, ReciprocalMapWithOffsetsAndFlip) {
    TempDir dir;
    const std::vector<std::string> args =
        Words("map " + kArea + " -o " + dir.File("rsm.png") +
              " --reciprocal --omega-offset 0.1 --two-theta-offset -0.05 --wavelength 1.5406 "
              "--json --size 1200x900");
    const CliRun r = Cli(args);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out,
                    "\"xTitle\": \"k_parallel [1/Å]\", \"yTitle\": \"k_perpendicular "
                    "[1/Å]\""));
    EXPECT_TRUE(Has(r.Out, "\"info\": \"Using Omega Offset=0.100° 2Theta Offset=-0.050°\""));
    const CliRun flipped = Cli(Plus(args, "--flip", "--scale", "bw"));
    ASSERT_EQ(flipped.Code, 0) << flipped.Err;
    EXPECT_DOUBLE_EQ(JsonNumber(flipped.Out, "xMin"), -JsonNumber(r.Out, "xMax"));
    EXPECT_DOUBLE_EQ(JsonNumber(flipped.Out, "yMax"), JsonNumber(r.Out, "yMax"));
}

TEST(CliMap, FilesThatFormNoMapFailTheWork) {
    TempDir dir;
    const std::string png = dir.File("x.png");
    const std::pair<std::string, std::string> failures[] = {
        // A 2Theta-Omega scan without a second-axis position contributes no points.
        {kSingle, "no second axis"},
        // The map's own refusals come through (which they are is the tools tests' business).
        {kSingle + " --reciprocal", trevasc::tools::kNotOmegaSeriesMessage},
    };
    for (const auto& [args, message] : failures) {
        const CliRun r = CliLine("map -o " + png + " " + args);
        EXPECT_EQ(r.Code, 1) << message;
        EXPECT_TRUE(Has(r.Err, message)) << r.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(png));
}

namespace {

// The area measurement copied into a folder of its own: the gnuplot files go beside it.
struct CliGnuplot : ::testing::Test {
    TempDir dir;
    const std::string scan = dir.File("area.xrdml"), base = dir.File("area");
    CliGnuplot() { std::filesystem::copy_file(kArea, scan); }
    bool Exists(const std::string& suffix) const { return std::filesystem::exists(base + suffix); }
};

}  // namespace

TEST_F(CliGnuplot, PngColourPictureFromTheShippedTemplate) {
    const CliRun r = CliLine("gnuplot " + scan + " --kind png-color --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "{\"dataFile\": \"" + base + "_GnuPlotData.dat\", \"scriptFile\": \"" + base +
                         "_GnuPlotCOLOR2PNG.plt\", \"pictureFile\": \"" + base +
                         "_GnuPlotData.dat_Color.png\", \"program\": \"gnuplot\", \"arguments\": "
                         "[\"" +
                         base + "_GnuPlotCOLOR2PNG.plt\"]}\n");
    // (The data file's layout is the gnuplot export's test.)
    EXPECT_GT(PngSize(base + "_GnuPlotData.dat_Color.png").first, 100);
}

TEST_F(CliGnuplot, ScreenKindsAndProgramFailures) {
    CliRun r = CliLine("gnuplot " + scan + " --kind bw --no-run --json --reciprocal");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(
        Has(r.Out, "_GnuPlotBW.plt\", \"pictureFile\": \"" + base + "_GnuPlotData.dat_BW.png\""))
        << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"arguments\": [\"" + base + "_GnuPlotBW.plt\", \"-\"]"));
    EXPECT_TRUE(Exists("_GnuPlotBW.plt"));
    // A screen kind starts the program and returns at once.
    EXPECT_EQ(CliLine("gnuplot " + scan + " --kind color --exe /bin/true").Code, 0);

    const std::string missing = dir.File("no such gnuplot");
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } failures[] = {
        {{"--kind", "png-bw", "--exe", missing}, "cannot start '"},
        {{"--kind", "bw", "--exe", missing}, "cannot start '"},
        {{"--kind", "png-bw", "--exe", "/bin/false"}, "failed (exit code 1)"},
        {{"--kind", "png-bw", "--exe", "/bin/true"}, "finished without writing"},
    };
    for (const auto& f : failures) {
        r = Cli(Plus(Words("gnuplot " + scan), f.Args[0], f.Args[1], f.Args[2], f.Args[3]));
        EXPECT_EQ(r.Code, 1) << f.Message;
        EXPECT_TRUE(Has(r.Err, f.Message)) << r.Err;
    }
    // A program that cannot be started leaves neither data nor script behind.
    for (const char* kind : {"png-color", "color"}) {
        for (const char* made : {"_GnuPlotData.dat", "_GnuPlotCOLOR.plt"})
            std::filesystem::remove(base + made);  // from the runs above
        EXPECT_EQ(Cli({"gnuplot", scan, "--kind", kind, "--exe", missing}).Code, 1);
        for (const char* made : {"_GnuPlotData.dat", "_GnuPlotCOLOR2PNG.plt", "_GnuPlotCOLOR.plt"})
            EXPECT_FALSE(Exists(made)) << kind << made;
    }
    r = CliLine("gnuplot " + kSingle + " --kind png-bw --no-run");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "no second axis")) << r.Err;
}

// A picture from an earlier run must not make a run that wrote nothing look successful.
TEST_F(CliGnuplot, StalePictureIsNotTakenForANewOne) {
    const std::string picture = dir.Write("area_GnuPlotData.dat_BW.png", "picture of last week");
    const CliRun r = CliLine("gnuplot " + scan + " --kind png-bw --exe /bin/true");
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "finished without writing")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(picture));
}

// A scan whose name holds a backslash: the script must not be looked for under a rewritten name
// (dir/a/b_...plt), where a planted script would be run instead. Such a name is refused.
TEST_F(CliGnuplot, BackslashInTheScanNameIsRefusedNotRewritten) {
    const std::string named = dir.File("a\\b.xrdml");
    std::filesystem::copy_file(kArea, named);
    std::filesystem::create_directory(dir.File("a"));
    const std::string marker = dir.File("planted-ran");
    // A stand-in for gnuplot that runs what it is given as a shell script would be run.
    const std::string fake = dir.Write("fake-gnuplot", "#!/bin/sh\nexec /bin/sh \"$1\"\n");
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    dir.Write("a/b_GnuPlotBW2PNG.plt", "touch '" + marker + "'\n");
    const CliRun r = CliLine("gnuplot " + named + " --kind png-bw --exe " + fake);
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "backslash")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a\\b_GnuPlotData.dat")));
}
