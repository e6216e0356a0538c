// lattice and thickness from the batch tool: the JSON and text layout, the options that reach
// the calculation, and which refusals are failed work (1) and which usage errors (2). The
// numbers themselves are the tools tests' business.
#include <gtest/gtest.h>

#include <sstream>

#include "support/CliRun.h"
#include "support/KiessigFringes.h"
#include "support/TempDir.h"
#include "tools/thickness/FilmThicknessCalculation.h"

using namespace trevasc::test;

TEST(CliLattice, SrTiO3AsJsonAutoScanManualMultipliersAndThePlot) {
    const std::string srTiO3 =
        "lattice --peaks 22.754,46.472,72.567,104.192 --direction 0,0,1 --wavelength 1.5406 ";
    CliRun r = CliLine(srTiO3 + "--json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    for (const char* part :
         {"\"peaks\": [\"22.754\", \"46.472\", \"72.567\", \"104.192\"]",
          "\"hklRows\": [\"0,0,1\", \"0,0,2\", \"0,0,3\", \"0,0,4\"]",
          "\"multipliers\": [1, 2, 3, 4]", "\"mean\": 3.90", "\"nelsonRiley\": 3.90",
          "\"identifiers\": [[\"22.754\", \"(0,0,1)\"]", "\"plotTitle\": \" (d=3.90"})
        EXPECT_TRUE(Has(r.Out, part)) << part << "\n" << r.Out;
    TempDir dir;
    r = CliLine(srTiO3 + "--auto 1,120,0.1 --nelson-riley-plot " + dir.File("nr.png"));
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "0,0,4")) << r.Out;
    EXPECT_GT(PngSize(dir.File("nr.png")).first, 0);
    r = CliLine("lattice --peaks 22.754,46.472 --direction 0,0,1 --manual 0,3 --json");
    EXPECT_TRUE(Has(r.Out, "\"hklRows\": [\"0,0,1\", \"0,0,3\"]")) << r.Out;
}

TEST(CliLattice, PeakWithoutMultipleAndAnAutoScanWithoutCandidate) {
    // lambda = 2: 2Theta = 60°, 180°, 90° give d = 2, 1, sqrt(2) and the lattice constants 4, 4,
    // 3 sqrt(2); 10° gives d = 1 / sin(5°) = 11.4737, more than twice 4: multiple 0, no constant.
    CliRun r = CliLine("lattice --peaks 60,180,90,10 --wavelength 2 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"multipliers\": [2, 4, 3, 0]")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"latticeConstants\": [4") && Has(r.Out, ", null]")) << r.Out;
    // (8 + 3 sqrt(2)) / 3 = 4.08088
    r = CliLine("lattice --peaks 60,180,90,10 --wavelength 2");
    EXPECT_TRUE(Has(r.Out, "10.000\t11.47371\t0,0,0\t-\n") &&
                Has(r.Out, "Arithmetic mean [Å]: 4.0809  Error: 0.08088"))
        << r.Out;

    // Trial values 0.5 .. 1.0 leave the peak with d = 2 at the multiple 0: exit 1, the message.
    r = CliLine("lattice --peaks 180,60 --wavelength 2 --auto 0.5,1.1,0.25");
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out + r.Err,
              "trevasc-cli lattice: No trial lattice constant gives every peak a multiple of at "
              "least 1.\n");
}

// A calculation the window refuses fails the work: exit code 1, the message and no usage.
// Which inputs the calculations refuse is the tools tests' business.
TEST(CliLattice, RefusedCalculationsExitWithOne) {
    const std::pair<std::string, std::string> cases[] = {
        {"lattice --peaks 22.754,46.472 --direction 1,,2", "ist kein gültiger"},
        {"lattice --peaks 22.754,46.472 --manual 1,2,3", "one multiplier per peak"},
        {"lattice --peaks 22.754,46.472 --auto 1,120,0", "stepwidth"},
        {"thickness --peaks 1.0,1.2,1.0", "Gleitkommadivision"},
        {"thickness --peaks 1.324,1.765 --fit-orders", trevasc::tools::kFitOrdersMessage},
    };
    for (const auto& [line, message] : cases) {
        const CliRun r = CliLine(line);
        EXPECT_EQ(r.Code, 1) << line;
        EXPECT_TRUE(Has(r.Err, "trevasc-cli " + Words(line)[0] + ": ") && Has(r.Err, message))
            << r.Err;
        EXPECT_FALSE(Has(r.Err, "usage: ")) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
}

TEST(CliThickness, FringesAsJsonAndTextWithAndWithoutTheRefractionFit) {
    // Orders 3 to 6 of a 20 nm film at 1.54056 A.
    CliRun r = CliLine("thickness --peaks 1.324,1.765,2.207,2.648 --wavelength 1.54056 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"firstIndex\": 3")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"orderRows\": [\"3\", \"4\", \"5\", \"6\"]")) << r.Out;
    EXPECT_NEAR(JsonNumber(r.Out, "mean"), 20.0, 0.1);
    EXPECT_NEAR(JsonNumber(r.Out, "latticeSpacing"), 200.0, 1.0);
    EXPECT_TRUE(
        Has(CliLine("thickness --peaks 1.324,1.765 --half --first-index 3").Out, "\t3.5\t"));
    // Two fringes: no refraction line ("-", null).
    EXPECT_TRUE(Has(CliLine("thickness --peaks 1.324,1.765 --json").Out, "\"refraction\": null"));
    EXPECT_TRUE(
        Has(CliLine("thickness --peaks 1.324,1.765").Out, "Refraction-corrected [nm]: -\n"));

    // A 30 nm film with 2Theta_c = 1.1°, fringes at orders 1.5 to 8.5: --fit-orders numbers them
    // from 1.5 and the refraction line gives the film back (how closely is the tools' test).
    std::ostringstream peaks;
    peaks.setf(std::ios::fixed);
    peaks.precision(3);
    for (double p : KiessigFringes(30.0, 1.1, 1.5, 8)) peaks << (peaks.tellp() ? "," : "") << p;
    r = CliLine("thickness --fit-orders --json --peaks " + peaks.str());
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"orders\": [1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5]")) << r.Out;
    const size_t refraction = r.Out.find("\"refraction\": {");
    ASSERT_NE(refraction, std::string::npos) << r.Out;
    EXPECT_NEAR(JsonNumber(r.Out, "thickness", refraction), 30.0, 0.03);
    EXPECT_NEAR(JsonNumber(r.Out, "twoThetaCritical", refraction), 1.1, 0.005);
}

TEST(CliThickness, RealReflectivityScanByXrayLine) {
    // The built tool finds the X-ray line table beside it.
    const CliRun r =
        Shell(BuiltCli() + " thickness '" + Data("refnx_180706_HA_DG2_XRR_v1.0.xrdml") +
              "' --line 'Cu K-Alpha1' --json");
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"standardDeviation\": ")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"plotTitle\": \"XRD Plot: ")) << r.Out;
}

// The plot title comes from the scan (here its sample name, with the one-byte control sequence
// introducer U+009B in it, which XML allows): the text reports show it escaped, as every other
// quoted text of the batch tool.
TEST(CliLattice, PlotTitleFromTheScanIsShownEscaped) {
    TempDir dir;
    std::ifstream in(Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), std::ios::binary);
    std::string xml{std::istreambuf_iterator<char>(in), {}};
    const size_t at = xml.find("B10135");
    ASSERT_NE(at, std::string::npos);
    const std::string scan = dir.Write("title.xrdml", xml.replace(at, 6,
                                                                  "B1\xc2\x9b"
                                                                  "2J0135"));
    for (const char* command : {"lattice", "thickness"}) {
        const CliRun r = Cli({command, scan});
        ASSERT_EQ(r.Code, 0) << command << r.Err;
        EXPECT_FALSE(Has(r.Out, "\xc2\x9b")) << command;
        EXPECT_TRUE(Has(r.Out, "Plot title: XRD Plot: B1\\xc2\\x9b2J0135")) << r.Out;
    }
}
