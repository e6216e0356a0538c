// lattice and thickness from the batch tool beyond their reports (those are in the table of
// CliTest.cpp): the refusals that are failed work (1), the refraction fit, the X-ray line table
// of the built tool and the escaped plot title. The numbers are the tools tests' business.
#include <gtest/gtest.h>

#include <sstream>

#include "support/CliRun.h"
#include "support/KiessigFringes.h"
#include "support/TempDir.h"
#include "tools/thickness/FilmThicknessCalculation.h"

using namespace trevasc::test;

// A calculation the window refuses fails the work: exit code 1, the message and no usage.
// Which inputs the calculations refuse is the tools tests' business.
TEST(CliLattice, RefusedCalculationsExitWithOne) {
    const std::pair<std::string, std::string> cases[] = {
        {"lattice --peaks 22.754,46.472 --direction 1,,2", "ist kein gültiger"},
        {"lattice --peaks 22.754,46.472 --manual 1,2,3", "one multiplier per peak"},
        {"lattice --peaks 22.754,46.472 --auto 1,120,0", "stepwidth"},
        {"thickness --peaks 1.0,1.2,1.0", "Gleitkommadivision"},
        {"thickness --peaks 1.324,1.765 --fit-orders", trevasc::tools::kFitOrdersMessage},
        // Trial values 0.5 .. 1.0 leave the peak with d = 2 at the multiple 0.
        {"lattice --peaks 180,60 --wavelength 2 --auto 0.5,1.1,0.25",
         "No trial lattice constant gives every peak a multiple of at least 1."},
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

TEST(CliThickness, FitOrdersGiveTheRefractionLine) {
    // A 30 nm film with 2Theta_c = 1.1°, fringes at orders 1.5 to 8.5: --fit-orders numbers them
    // from 1.5 and the refraction line gives the film back (how closely is the tools' test).
    std::ostringstream peaks;
    peaks.setf(std::ios::fixed);
    peaks.precision(3);
    for (double p : KiessigFringes(30.0, 1.1, 1.5, 8)) peaks << (peaks.tellp() ? "," : "") << p;
    const CliRun r = CliLine("thickness --fit-orders --json --peaks " + peaks.str());
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
