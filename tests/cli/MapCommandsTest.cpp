#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "support/CliRun.h"
#include "support/TempDir.h"
#include "support/TextChecks.h"
#include "tools/maps/MapBuilder.h"

using trevasc::test::Cli;
using trevasc::test::CliRun;
using trevasc::test::JsonNumber;
using trevasc::test::TempDir;

namespace {

const std::string kArea = std::string(TREVASC_TEST_DATA_DIR) +
                          "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml";  // 76 x 75 points
const std::string kSingle =
    std::string(TREVASC_TEST_DATA_DIR) + "/nomad_m54313_om2th_10_v2.1.xrdml";
const std::string kCoupled =
    std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A copy of a test file with every match of `pattern` replaced.
std::string Edited(const TempDir& dir, const std::string& source, const std::string& name,
                   const std::vector<std::pair<std::string, std::string>>& edits) {
    std::string text = ReadFile(source);
    for (const auto& [pattern, replacement] : edits)
        text = std::regex_replace(text, std::regex(pattern), replacement);
    return dir.Write(name, text);
}

// Width and height from the IHDR chunk.
std::pair<int, int> PngSize(const std::string& file) {
    const std::string png = ReadFile(file);
    if (png.size() < 24) return {0, 0};
    auto be = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) |
               (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) |
               static_cast<unsigned char>(png[at + 3]);
    };
    return {be(16), be(20)};
}

}  // namespace

TEST(CliMap, AreaMapAsJsonPictureAndText) {
    TempDir dir;
    const std::string png = dir.File("map.png"), text = dir.File("map.txt");
    const CliRun r = Cli({"map", kArea, "-o", png, "--size", "1200x900", "--text", text, "--json",
                          "--points", "--levels"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(trevasc::test::IsPrintableUtf8(r.Out));
    const std::regex keys(
        "^\\{\"xTitle\": \"TwoTheta \\[°\\]\", \"yTitle\": \"Omega Center \\[°\\]\", \"zTitle\": "
        "\"Counts \\[a.u.\\]\", \"info\": \"\", \"count\": 5700, \"plotWidth\": [0-9]+, "
        "\"plotHeight\": [0-9]+, \"xMin\": 73.04, \"xMax\": 78.96, \"yMin\": [0-9.]+, \"yMax\": "
        "[0-9.]+, \"logMin\": 0, \"logMax\": [0-9]+, \"radius\": [0-9]+, \"points\": \\[\\[73.04, "
        "[0-9.]+, [0-9]+, 0\\], ");
    EXPECT_TRUE(std::regex_search(r.Out, keys)) << r.Out.substr(0, 600);
    EXPECT_TRUE(Has(r.Out, ", 75]], \"levels\": [\n  ["));  // the last point is of scan 75

    // One row of levels per cell row, one level per cell; gaps filled with the marker kept.
    const int width = static_cast<int>(JsonNumber(r.Out, "plotWidth"));
    const int height = static_cast<int>(JsonNumber(r.Out, "plotHeight"));
    const std::string levels = r.Out.substr(r.Out.find("\"levels\""));
    EXPECT_EQ(std::count(levels.begin(), levels.end(), '\n'), height + 1);
    const size_t rowStart = levels.find("\n  [") + 4;
    const std::string firstRow = levels.substr(rowStart, levels.find(']', rowStart) - rowStart);
    EXPECT_EQ(std::count(firstRow.begin(), firstRow.end(), ','), width - 1);
    EXPECT_TRUE(std::regex_search(levels, std::regex("2684[0-9]{5}")));  // 0x10000000 + level
    EXPECT_EQ(PngSize(png), std::pair(1200, 900));

    const std::string copied = ReadFile(text);
    EXPECT_EQ(copied.rfind("TwoTheta [°](x)\tOmega Center [°](y)\tCounts [a.u.](z)\r\n", 0), 0u);
    EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 5701);
    EXPECT_TRUE(Has(copied, "\r\n73.04000\t18.06660\t"));
}

TEST(CliMap, FurtherFilesAreInsertedAsScansAndTheDefaultIsTheBitmapCopy) {
    TempDir dir;
    const std::string png = dir.File("map.png");
    const CliRun r = Cli({"map", kArea, kArea, "-o", png, "--json", "--points"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonNumber(r.Out, "count"), 11400);
    EXPECT_TRUE(Has(r.Out, ", 151]]}")) << r.Out.substr(r.Out.size() - 100);
    EXPECT_EQ(PngSize(png), std::pair(2400, 1800));
}

TEST(CliMap, ReciprocalMapWithOffsetsAndFlip) {
    TempDir dir;
    const std::string png = dir.File("rsm.png");
    const CliRun r =
        Cli({"map", kArea, "-o", png, "--reciprocal", "--omega-offset", "0.1", "--two-theta-offset",
             "-0.05", "--wavelength", "1.5406", "--json", "--scale", "bw", "--size", "1200x900"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out,
                    "\"xTitle\": \"k_parallel [1/Å]\", \"yTitle\": \"k_perpendicular "
                    "[1/Å]\""));
    EXPECT_TRUE(Has(r.Out, "\"info\": \"Using Omega Offset=0.100° 2Theta Offset=-0.050°\""));
    const CliRun flipped =
        Cli({"map", kArea, "-o", png, "--reciprocal", "--omega-offset", "0.1", "--two-theta-offset",
             "-0.05", "--wavelength", "1.5406", "--json", "--flip", "--size", "1200x900"});
    ASSERT_EQ(flipped.Code, 0) << flipped.Err;
    EXPECT_DOUBLE_EQ(JsonNumber(flipped.Out, "xMin"), -JsonNumber(r.Out, "xMax"));
    EXPECT_DOUBLE_EQ(JsonNumber(flipped.Out, "yMax"), JsonNumber(r.Out, "yMax"));
}

TEST(CliMap, FilesThatFormNoMapAndBadOptions) {
    TempDir dir;
    const std::string png = dir.File("x.png");
    // A 2Theta-Omega scan without a second-axis position contributes no points.
    CliRun r = Cli({"map", kSingle, "-o", png});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "no second axis")) << r.Err;
    r = Cli({"map", kSingle, "-o", png, "--reciprocal"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, trevasc::maps::kNotOmegaSeriesMessage)) << r.Err;
    // An Omega scan: not a kind that forms a map.
    const std::string omega =
        Edited(dir, kSingle, "omega.xrdml", {{"axis=\"2Theta\"", "axis=\"Chi\""}});
    r = Cli({"map", omega, "-o", png});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, trevasc::maps::kNotMapScanKindMessage)) << r.Err;
    // A main scan of one point.
    const std::string one = Edited(dir, kCoupled, "one.xrdml",
                                   {{"(<intensities[^>]*>)[^<]*", "$1 7 "},
                                    {"(<beamAttenuationFactors[^>]*>)[^<]*", "$1 1 "}});
    r = Cli({"map", one, "-o", png});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "fewer than 2 points")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(png));

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"map", kArea},
             {"map", kArea, "-o", png, "--scale", "grey"},
             {"map", kArea, "-o", png, "--size", "5x5"},
             {"map", kArea, "-o", png, "--omega-offset", "nan"},
             {"map", "-o", png},
             {"map", kArea, "-o", png, "--wavelength", "1.5", "--energy", "8"}}) {
        r = Cli(args);
        EXPECT_EQ(r.Code, 2) << args.back();
        EXPECT_TRUE(Has(r.Err, "trevasc-cli map: ")) << r.Err;
        EXPECT_TRUE(Has(r.Err, "usage: trevasc-cli map ")) << r.Err;
    }
}

namespace {

// The area measurement copied into a folder of its own: the gnuplot files go beside it.
std::string AreaCopy(const TempDir& dir) {
    const std::string file = dir.File("area.xrdml");
    std::filesystem::copy_file(kArea, file);
    return file;
}

}  // namespace

TEST(CliGnuplot, PngColourPictureFromTheShippedTemplate) {
    TempDir dir;
    const std::string scan = AreaCopy(dir);
    const CliRun r = Cli({"gnuplot", scan, "--kind", "png-color", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::string base = dir.File("area");
    EXPECT_EQ(r.Out, "{\"dataFile\": \"" + base + "_GnuPlotData.dat\", \"scriptFile\": \"" + base +
                         "_GnuPlotCOLOR2PNG.plt\", \"pictureFile\": \"" + base +
                         "_GnuPlotData.dat_Color.png\", \"program\": \"gnuplot\", \"arguments\": "
                         "[\"" +
                         base + "_GnuPlotCOLOR2PNG.plt\"]}\n");
    const std::string picture = ReadFile(base + "_GnuPlotData.dat_Color.png");
    EXPECT_EQ(picture.substr(1, 3), "PNG");
    EXPECT_GT(PngSize(base + "_GnuPlotData.dat_Color.png").first, 100);
    // 76 scans: 76 blocks, an empty line between neighbours and none before the first.
    const std::string data = ReadFile(base + "_GnuPlotData.dat");
    size_t blocks = 1;
    for (size_t at = data.find("\r\n\r\n"); at != std::string::npos;
         at = data.find("\r\n\r\n", at + 2))
        ++blocks;
    EXPECT_EQ(blocks, 76u);
    EXPECT_EQ(data.rfind("73.04000\t18.06660\t", 0), 0u);
}

TEST(CliGnuplot, ScreenKindsAndProgramFailures) {
    TempDir dir;
    const std::string scan = AreaCopy(dir);
    CliRun r = Cli({"gnuplot", scan, "--kind", "bw", "--no-run", "--json", "--reciprocal"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "_GnuPlotBW.plt\", \"pictureFile\": \"" + dir.File("area") +
                               "_GnuPlotData.dat_BW.png\""))
        << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"arguments\": [\"" + dir.File("area") + "_GnuPlotBW.plt\", \"-\"]"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("area_GnuPlotBW.plt")));
    // A screen kind starts the program and returns at once.
    r = Cli({"gnuplot", scan, "--kind", "color", "--exe", "/bin/true"});
    EXPECT_EQ(r.Code, 0) << r.Err;

    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } failures[] = {
        {{"--kind", "png-bw", "--exe", dir.File("no such gnuplot")}, "cannot start '"},
        {{"--kind", "bw", "--exe", dir.File("no such gnuplot")}, "cannot start '"},
        {{"--kind", "png-bw", "--exe", "/bin/false"}, "failed (exit code 1)"},
        {{"--kind", "png-bw", "--exe", "/bin/true"}, "finished without writing"},
        {{"--kind", "png-bw", "--template", dir.File("missing.plt")}, "missing.plt"},
        // Usage errors.
        {{"--kind", "grey"}, "--kind needs bw, color, png-bw or png-color"},
        {{}, "gnuplot needs --kind"},
    };
    for (const auto& f : failures) {
        std::vector<std::string> args = {"gnuplot", scan};
        args.insert(args.end(), f.Args.begin(), f.Args.end());
        r = Cli(args);
        EXPECT_EQ(r.Code, f.Args.size() < 3 ? 2 : 1) << f.Message;
        EXPECT_TRUE(Has(r.Err, f.Message)) << r.Err;
    }
    // A program that cannot be started leaves neither data nor script behind.
    for (const char* kind : {"png-color", "color"}) {
        for (const char* made : {"area_GnuPlotData.dat", "area_GnuPlotCOLOR.plt"})
            std::filesystem::remove(dir.File(made));  // from the runs above
        r = Cli({"gnuplot", scan, "--kind", kind, "--exe", dir.File("no such gnuplot"), "--json"});
        EXPECT_EQ(r.Code, 1);
        EXPECT_FALSE(std::filesystem::exists(dir.File("area_GnuPlotData.dat"))) << kind;
        EXPECT_FALSE(std::filesystem::exists(dir.File("area_GnuPlotCOLOR2PNG.plt"))) << kind;
        EXPECT_FALSE(std::filesystem::exists(dir.File("area_GnuPlotCOLOR.plt"))) << kind;
    }
    r = Cli({"gnuplot", kSingle, "--kind", "png-bw", "--no-run"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "no second axis")) << r.Err;
}

// A picture from an earlier run must not make a run that wrote nothing look successful.
TEST(CliGnuplot, StalePictureIsNotTakenForANewOne) {
    TempDir dir;
    const std::string scan = AreaCopy(dir);
    const std::string picture = dir.Write("area_GnuPlotData.dat_BW.png", "picture of last week");
    const CliRun r = Cli({"gnuplot", scan, "--kind", "png-bw", "--exe", "/bin/true"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "finished without writing")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(picture));
}

// A scan whose name holds a backslash: the script must not be looked for under a rewritten name
// (dir/a/b_...plt), where a planted script would be run instead. Such a name is refused.
TEST(CliGnuplot, BackslashInTheScanNameIsRefusedNotRewritten) {
    TempDir dir;
    const std::string scan = dir.File("a\\b.xrdml");
    std::filesystem::copy_file(kArea, scan);
    std::filesystem::create_directory(dir.File("a"));
    const std::string marker = dir.File("planted-ran");
    // A stand-in for gnuplot that runs what it is given as a shell script would be run.
    const std::string fake = dir.Write("fake-gnuplot", "#!/bin/sh\nexec /bin/sh \"$1\"\n");
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    dir.Write("a/b_GnuPlotBW2PNG.plt", "touch '" + marker + "'\n");
    const CliRun r = Cli({"gnuplot", scan, "--kind", "png-bw", "--exe", fake});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "backslash")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a\\b_GnuPlotData.dat")));
}
