#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliCommands.h"
#include "support/CliRun.h"
#include "support/KiessigFringes.h"
#include "tools/thickness/FilmThicknessCalculation.h"

using trevasc::cli::RunCli;

namespace {

struct ToolRun {
    int Code;
    std::string Out, Err;
};

ToolRun RunTool(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = RunCli(args, out, err, trevasc::test::CliFacilities());
    return {code, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::vector<std::string> kSrTiO3 = {"lattice",     "--peaks", "22.754,46.472,72.567,104.192",
                                          "--direction", "0,0,1",   "--wavelength",
                                          "1.5406"};

}  // namespace

TEST(CliLattice, SrTiO3ReflectionsAsJson) {
    std::vector<std::string> args = kSrTiO3;
    args.push_back("--json");
    ToolRun r = RunTool(args);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"peaks\": [\"22.754\", \"46.472\", \"72.567\", \"104.192\"]"))
        << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"hklRows\": [\"0,0,1\", \"0,0,2\", \"0,0,3\", \"0,0,4\"]"));
    EXPECT_TRUE(Has(r.Out, "\"multipliers\": [1, 2, 3, 4]"));
    EXPECT_TRUE(Has(r.Out, "\"mean\": 3.90")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"nelsonRiley\": 3.90")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"identifiers\": [[\"22.754\", \"(0,0,1)\"]"));
    EXPECT_TRUE(Has(r.Out, "\"plotTitle\": \" (d=3.90")) << r.Out;
}

TEST(CliLattice, AutoScanManualMultipliersAndThePlot) {
    std::vector<std::string> args = kSrTiO3;
    const auto png = std::filesystem::temp_directory_path() / "trevasc-cli-nr.png";
    std::filesystem::remove(png);
    args.insert(args.end(), {"--auto", "1,120,0.1", "--nelson-riley-plot", png.string()});
    ToolRun r = RunTool(args);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "0,0,4")) << r.Out;
    EXPECT_GT(std::filesystem::file_size(png), 1000u);

    ToolRun manual = RunTool({"lattice", "--peaks", "22.754,46.472", "--direction", "0,0,1",
                              "--manual", "0,3", "--json"});
    ASSERT_EQ(manual.Code, 0) << manual.Err;
    EXPECT_TRUE(Has(manual.Out, "\"hklRows\": [\"0,0,1\", \"0,0,3\"]")) << manual.Out;
}

TEST(CliLattice, PeaksWithoutMultipleAndAnAutoScanWithoutCandidate) {
    // lambda = 2: 2Theta = 60°, 180°, 90° give d = 2, 1, sqrt(2) and the lattice constants 4, 4,
    // 3 sqrt(2) = 4.24264; 10° gives d = 1 / sin(5°) = 11.4737, more than twice 4: multiple 0.
    ToolRun r = RunTool({"lattice", "--peaks", "60,180,90,10", "--wavelength", "2", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"multipliers\": [2, 4, 3, 0]")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"hklRows\": [\"2,0,0\", \"4,0,0\", \"3,0,0\", \"0,0,0\"]"));
    EXPECT_TRUE(Has(r.Out, "\"latticeConstants\": [4")) << r.Out;
    EXPECT_TRUE(Has(r.Out, ", null]")) << r.Out;
    // (8 + 4.2426407) / 3
    EXPECT_TRUE(Has(r.Out, "\"mean\": 4.08088")) << r.Out;
    r = RunTool({"lattice", "--peaks", "60,180,90,10", "--wavelength", "2"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "10.000\t11.47371\t0,0,0\t-\n")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "Arithmetic mean [Å]: 4.0809  Error: 0.08088")) << r.Out;

    // Trial values 0.5 .. 1.0 leave the peak with d = 2 at the multiple 0: exit 1, the message.
    r = RunTool({"lattice", "--peaks", "180,60", "--wavelength", "2", "--auto", "0.5,1.1,0.25"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err,
              "trevasc-cli lattice: No trial lattice constant gives every peak a multiple of at "
              "least 1.\n");
    EXPECT_EQ(r.Out, "");
    // From 0.5 to 1.6: 1.5 gives both peaks the lattice constant 2.
    r = RunTool({"lattice", "--peaks", "180,60", "--wavelength", "2", "--auto", "0.5,1.6,0.25"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "Expected lattice constant [Å]: 1.5\n")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "Arithmetic mean [Å]: 2  Error: ")) << r.Out;
}

// A calculation the window refuses fails the work (exit code 1); a command line that does not
// fit is a usage error (exit code 2).
TEST(CliLattice, BadInputExitsWithAMessage) {
    struct Case {
        std::vector<std::string> Args;
        std::string Message;
        int Code;
    };
    const std::vector<Case> cases = {
        {{"lattice", "--peaks", "22.754,46.472", "--direction", "1,,2"}, "ist kein gültiger", 1},
        {{"lattice", "--peaks", "22.754,46.472", "--direction", "0,0,0"}, "hkl=000", 1},
        {{"lattice", "--peaks", "22.754,46.472", "--direction", "1,2"}, "Syntax of selected", 1},
        {{"lattice", "--peaks", "22.754,46.472", "--manual", "1,2,3"},
         "one multiplier per peak",
         1},
        {{"lattice", "--peaks", "22.754,46.472", "--auto", "1,120,0"}, "stepwidth", 1},
        {{"lattice", "--peaks", "0,46.472"}, "Gleitkommadivision", 1},
        {{"thickness", "--peaks", "1.0,1.2,1.0"}, "Gleitkommadivision", 1},
        {{"lattice", "--peaks", "22.754,x"}, "not a number", 2},
        {{"lattice", "--peaks", "22.754", "--wavelength", "0"}, "above 0", 2},
        {{"lattice", "--peaks", "22.754", "--auto", "1,2"}, "START,END,STEP", 2},
        {{"thickness", "--peaks", "1.0,1.2", "--first-index", "0"}, "1 to 1000", 2},
        {{"thickness"}, "FILE or --peaks", 2},
    };
    for (const Case& c : cases) {
        ToolRun r = RunTool(c.Args);
        EXPECT_EQ(r.Code, c.Code) << c.Args.back();
        EXPECT_TRUE(Has(r.Err, "trevasc-cli " + c.Args[0] + ": ")) << r.Err;
        EXPECT_TRUE(Has(r.Err, c.Message)) << r.Err;
        // The usage follows a usage error only.
        EXPECT_EQ(Has(r.Err, "usage: "), c.Code == 2) << r.Err;
        EXPECT_FALSE(Has(r.Out, "nan"));
    }
}

TEST(CliThickness, TwentyNanometreFringesAsJson) {
    // Orders 3 to 6 of a 20 nm film at 1.54056 A.
    ToolRun r = RunTool(
        {"thickness", "--peaks", "1.324,1.765,2.207,2.648", "--wavelength", "1.54056", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"firstIndex\": 3")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"orderRows\": [\"3\", \"4\", \"5\", \"6\"]")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"mean\": 19.9") || Has(r.Out, "\"mean\": 20.0")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"latticeSpacing\": 199.") || Has(r.Out, "\"latticeSpacing\": 200."))
        << r.Out;
    ToolRun half = RunTool({"thickness", "--peaks", "1.324,1.765", "--half", "--first-index", "3"});
    ASSERT_EQ(half.Code, 0) << half.Err;
    EXPECT_TRUE(Has(half.Out, "\t3.5\t")) << half.Out;
}

TEST(CliThickness, RealReflectivityScanByXrayLine) {
    // The built tool finds the X-ray line table beside it.
    const std::string command = std::string(TREVASC_BIN_DIR) + "/trevasc-cli thickness '" +
                                TREVASC_TEST_DATA_DIR +
                                "/refnx_180706_HA_DG2_XRR_v1.0.xrdml' --line 'Cu K-Alpha1' --json";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(Has(out, "\"standardDeviation\": ")) << out;
    EXPECT_TRUE(Has(out, "\"plotTitle\": \"XRD Plot: ")) << out;
}

TEST(CliThickness, FitOrdersCorrectsForRefraction) {
    using trevasc::test::JsonNumber;
    // A 30 nm film with 2Theta_c = 1.1° (gold-like), fringes at orders 1.5 to 8.5.
    std::string peaks;
    for (double p : trevasc::test::KiessigFringes(30.0, 1.1, 1.5, 8)) {
        std::ostringstream text;
        text.setf(std::ios::fixed);
        text.precision(3);
        text << p;
        peaks += (peaks.empty() ? "" : ",") + text.str();
    }
    ToolRun r = RunTool({"thickness", "--peaks", peaks, "--fit-orders", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"firstIndex\": 1,")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"orders\": [1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5]")) << r.Out;
    const size_t refraction = r.Out.find("\"refraction\": {");
    ASSERT_NE(refraction, std::string::npos) << r.Out;
    EXPECT_NEAR(JsonNumber(r.Out, "thickness", refraction), 30.0, 0.03);
    EXPECT_NEAR(JsonNumber(r.Out, "twoThetaCritical", refraction), 1.1, 0.005);
    EXPECT_EQ(JsonNumber(r.Out, "firstOrder", refraction), 1.5);
    EXPECT_LT(JsonNumber(r.Out, "residual", refraction), 1e-12);

    // Without the fit the estimate numbers the fringes from a higher order, and the per-fringe
    // mean comes out more than 5 % high.
    ToolRun plain = RunTool({"thickness", "--peaks", peaks, "--json"});
    ASSERT_EQ(plain.Code, 0) << plain.Err;
    EXPECT_GT(JsonNumber(plain.Out, "firstIndex"), 1.5);
    EXPECT_GT(JsonNumber(plain.Out, "mean"), 31.5);
    ToolRun text = RunTool({"thickness", "--peaks", peaks, "--fit-orders"});
    EXPECT_TRUE(Has(text.Out, "Refraction-corrected [nm]: 30.0") ||
                Has(text.Out, "Refraction-corrected [nm]: 29.9"))
        << text.Out;
    EXPECT_TRUE(Has(text.Out, "Critical angle 2θc [°]: 1.1") ||
                Has(text.Out, "Critical angle 2θc [°]: 1.09"))
        << text.Out;

    // Two fringes: no line ("-", null), and the fit refuses.
    ToolRun two = RunTool({"thickness", "--peaks", "1.324,1.765", "--json"});
    EXPECT_TRUE(Has(two.Out, "\"refraction\": null")) << two.Out;
    two = RunTool({"thickness", "--peaks", "1.324,1.765"});
    EXPECT_TRUE(Has(two.Out, "Refraction-corrected [nm]: -\n")) << two.Out;
    two = RunTool({"thickness", "--peaks", "1.324,1.765", "--fit-orders"});
    EXPECT_EQ(two.Code, 1);
    EXPECT_TRUE(Has(two.Err, trevasc::tools::kFitOrdersMessage)) << two.Err;
    ToolRun both = RunTool({"thickness", "--peaks", peaks, "--fit-orders", "--half"});
    EXPECT_EQ(both.Code, 2);
    EXPECT_TRUE(Has(both.Err, "--fit-orders")) << both.Err;
}

// The plot title comes from the scan (here its sample name, with the one-byte control sequence
// introducer U+009B in it, which XML allows): the text reports show it escaped, as every other
// quoted text of the batch tool.
TEST(CliLattice, PlotTitleFromTheScanIsShownEscaped) {
    std::ifstream in(
        std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml",
        std::ios::binary);
    std::string xml{std::istreambuf_iterator<char>(in), {}};
    const size_t at = xml.find("B10135");
    ASSERT_NE(at, std::string::npos);
    xml.replace(at, 6,
                "B1\xc2\x9b"
                "2J0135");
    const auto scan = std::filesystem::temp_directory_path() / "trevasc-cli-title.xrdml";
    std::ofstream(scan, std::ios::binary) << xml;
    for (const char* command : {"lattice", "thickness"}) {
        const ToolRun r = RunTool({command, scan.string()});
        ASSERT_EQ(r.Code, 0) << command << r.Err;
        const size_t title = r.Out.find("Plot title: ");
        ASSERT_NE(title, std::string::npos) << r.Out;
        EXPECT_EQ(r.Out.find("\xc2\x9b"), std::string::npos) << command;
        EXPECT_TRUE(Has(r.Out.substr(title), "B1\\x")) << r.Out.substr(title);
        EXPECT_TRUE(Has(r.Out.substr(title), "2J0135")) << r.Out.substr(title);
    }
    std::filesystem::remove(scan);
}
