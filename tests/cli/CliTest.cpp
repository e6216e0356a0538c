// info, convert, peaks and plot on the test files: what each report holds and its layout.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace trevasc::test;

namespace {
const std::string kScan = Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml");
}

TEST(CliInfo, ReportsFormatKindTitleScansAndWarnings) {
    CliRun r = CliLine("info " + kScan);
    ASSERT_EQ(r.Code, 0) << r.Err;
    for (const char* line :
         {"format: xml", "kind: TwoTheta", "points: 750, from 15.01 to 29.99", "1585904"})
        EXPECT_TRUE(Has(r.Out, line)) << line << "\n" << r.Out;
    // The title and the count of scans of a file of two (the readers are the formats tests').
    r = CliLine("info " + Data("two_scans_rsm.ras"));
    EXPECT_TRUE(Has(r.Out, "title: XRD Plot: Film A\n") && Has(r.Out, "scans: 2\n")) << r.Out;
    // Normalised intensities: the factor is a warning on standard error.
    EXPECT_TRUE(Has(CliLine("info " + Data("film.xye")).Err, "multiplied by 10000"));
}

TEST(CliInfo, JsonListsEveryFileAndKeepsGoingAfterAFailure) {
    TempDir dir;
    const std::string bad = dir.Write("bad.txt", "no numbers here\n");
    const CliRun r =
        CliLine("info --json " + bad + " " + Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml"));
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "trevasc-cli: " + bad + ": Unknown data format.")) << r.Err;
    EXPECT_EQ(r.Out.front(), '[');
    EXPECT_TRUE(Has(r.Out, "\"error\": \"Unknown data format.\""));
    // The area map: 76 scans of 75 points, second axis Omega.
    EXPECT_EQ(Count(r.Out, "\"count\": 75"), 76u);
    EXPECT_TRUE(Has(r.Out, "\"secondAxisName\": \"Omega\""));
    EXPECT_TRUE(Has(r.Out, "\"maxIntensity\": "));
}

TEST(CliInfo, ScanListDatasetQuestionIsAnsweredAndWarned) {
    TempDir dir;
    std::string text = "SUPERDATA\n";
    for (int d = 0; d < 2; ++d) {
        text += "> mscan tth 1 2 3 4 5 6 3\nH       K       L       D     TIM    CTS      TTH\n";
        for (int i = 0; i < 3; ++i)
            text += "0 0 0 1.0 1 " + std::to_string(100 * (d + 1) + i) + " " +
                    std::to_string(20 + i) + ".5 0 0 0 0\n";
    }
    const std::string f = dir.Write("two.dat", text);
    EXPECT_TRUE(Has(CliLine("info " + f).Err, "warning: "));
    const CliRun second = CliLine("info --dataset 2 " + f);
    EXPECT_FALSE(Has(second.Err, "warning: ")) << second.Err;
}

TEST(CliConvert, WritesTheSpectrumFileToStandardOutputAndToAFile) {
    const CliRun r = CliLine("convert " + kScan + " -o -");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("TwoTheta\tCounts\r\n 1.50100000000000E+0001\t", 0), 0u)
        << r.Out.substr(0, 80);
    EXPECT_EQ(Count(r.Out, "\n"), 751u);

    TempDir dir;
    const CliRun all =
        CliLine("convert --all " + Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml") + " -o " +
                dir.File("all.txt"));
    ASSERT_EQ(all.Code, 0) << all.Err;
    EXPECT_EQ(dir.Read("all.txt").rfind("TwoTheta\tCounts(Omega=", 0), 0u);
}

TEST(CliPeaks, WritesThePeakListFileWithTitleAndFindsTheFilmPeaks) {
    const CliRun r = CliLine("peaks " + kScan + " --smooth 3");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("TITLE XRD Plot: B10135\r\n", 0), 0u) << r.Out;
    // The substrate peak of this scan lies near 22.5 degrees.
    EXPECT_TRUE(Has(r.Out, "\r\n22.5")) << r.Out;
    EXPECT_EQ(CliLine("peaks " + kScan + " --method 2").Code, 0);
}

#ifdef TREVASC_HAVE_QT
TEST(CliPlot, DrawsAPngOfTheRequestedSize) {
    TempDir dir;
    const std::string scan = Data("nomad_m54313_om2th_10_v2.1.xrdml"), png = dir.File("p.png");
    const CliRun r = Cli(
        {"plot", scan, "-o", png, "--size", "640x480", "--peaks", "--from", "40", "--to", "30"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(PngSize(png), std::pair(640, 480));
}
#endif
