// What each command's report holds and its layout, and the reports of info, convert and plot
// that need files of their own.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace trevasc::test;

namespace {
const std::string kScan = Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml");
}

// Command lines (SCAN: a 2Theta-Omega scan, TWO: a RAS file of two scans, XYE: normalised
// counts, DEF: the shipped substrate database) and what their reports hold: a part of standard
// output, "^" its start, "=" all of it, "!" a part of standard error. The numbers are the lower
// layers' tests'; here the layout and the options that reach the calculation.
TEST(CliReports, EachCommandsReportHoldsItsLinesAndKeys) {
    TempDir config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const std::string srTiO3 =
        "lattice --peaks 22.754,46.472,72.567,104.192 --direction 0,0,1 --wavelength 1.5406 ";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"info SCAN",
         {"format: xml", "kind: TwoTheta", "points: 750, from 15.01 to 29.99", "1585904"}},
        {"info TWO", {"title: XRD Plot: Film A\n", "scans: 2\n"}},
        {"info XYE", {"!multiplied by 10000"}},
        // The substrate peak of this scan lies near 22.5 degrees.
        {"peaks SCAN --smooth 3", {"^TITLE XRD Plot: B10135\r\n", "\r\n22.5"}},
        {"peaks SCAN --method 2", {}},
        {srTiO3 + "--json",
         {"\"peaks\": [\"22.754\", \"46.472\", \"72.567\", \"104.192\"]",
          "\"hklRows\": [\"0,0,1\", \"0,0,2\", \"0,0,3\", \"0,0,4\"]",
          "\"multipliers\": [1, 2, 3, 4]", "\"mean\": 3.90", "\"nelsonRiley\": 3.90",
          "\"identifiers\": [[\"22.754\", \"(0,0,1)\"]", "\"plotTitle\": \" (d=3.90"}},
        {srTiO3 + "--auto 1,120,0.1", {"0,0,4"}},
        {"lattice --peaks 22.754,46.472 --direction 0,0,1 --manual 0,3 --json",
         {"\"hklRows\": [\"0,0,1\", \"0,0,3\"]"}},
        // lambda = 2: 2Theta = 60°, 180°, 90° give d = 2, 1, sqrt(2) and the lattice constants 4,
        // 4, 3 sqrt(2); 10° gives d = 1 / sin(5°) = 11.4737, more than twice 4: multiple 0, no
        // constant; the mean (8 + 3 sqrt(2)) / 3 = 4.08088.
        {"lattice --peaks 60,180,90,10 --wavelength 2 --json",
         {"\"multipliers\": [2, 4, 3, 0]", "\"latticeConstants\": [4", ", null]"}},
        {"lattice --peaks 60,180,90,10 --wavelength 2",
         {"10.000\t11.47371\t0,0,0\t-\n", "Arithmetic mean [Å]: 4.0809  Error: 0.08088"}},
        // Orders 3 to 6 of a 20 nm film at 1.54056 A; two fringes have no refraction line.
        {"thickness --peaks 1.324,1.765,2.207,2.648 --wavelength 1.54056 --json",
         {"\"firstIndex\": 3", "\"orderRows\": [\"3\", \"4\", \"5\", \"6\"]", "\"mean\": 20.0",
          "\"latticeSpacing\": 200.0"}},
        {"thickness --peaks 1.324,1.765 --half --first-index 3", {"\t3.5\t"}},
        {"thickness --peaks 1.324,1.765 --json", {"\"refraction\": null"}},
        {"thickness --peaks 1.324,1.765", {"Refraction-corrected [nm]: -\n"}},
        {"simulate --system cubic --h 0 1 --k 0 1 --l 0 1 --wavelength 1.540562",
         {"=1 0 0 22.206°\n1 1 0 31.607°\n1 1 1 38.968°\n"}},
        {"simulate --system hexagonal --a 3.189 --c 5.185 --h 1 1 --k 1 1 --l 0 0 --json "
         "--wavelength 1.540562",
         {"\"labels\": [\"a=b<>c\", \"a=b=90°, g=120°\"]", "\"rows\": [\"1 -2 1 0 57.774°\"]",
          "{\"h\": 1, \"k\": 1, \"l\": 0, \"d\": 1.5945"}},
        // The energy acts as typed into the X-ray tube selector: 8047.8 eV -> 1.54079 A.
        {"simulate --system cubic --h 1 1 --energy 8047.8", {"=1 0 0 22.209°\n"}},
        {"lines", {"=22.343\n45.597\n71.076\n101.608\n151.269\n"}},  // n = 1..5
        {"lines --show-all --to 80", {"=22.343\n45.597\n71.076\n"}},
        // The angles in the shortest digits that read back exactly (more than 15 where needed).
        {"lines --permitted 2,x,0,3 --json",
         {"^{\"lines\": [45.59721903043", ", 71.07558475527",
          "], \"rows\": [\"45.597\", \"71.076\"], \"orders\": [2, 3]}\n"}},
        {"lines --selected-peak 28.441 --wavelength 1.540562 --energy 8047.8 --json",
         {"\"orders\": [1]", "\"rows\": [\"28.44"}},
        {"substrates --database DEF", {"[Si]\nALLOWED=4,8\nLATTICE=5.43102\nSi (111): 28.441\n"}},
        {"substrates --database DEF --json",
         {"{\"name\": \"Si\", \"expected\": [[28.441, \"Si (111)\"]"}},
        // The default database is the user's substrates.ini, seeded from Substrates.DEF.
        {"substrates", {}},
    };
    for (const auto& [line, parts] : cases) {
        std::vector<std::string> args = Words(line);
        for (std::string& a : args) {
            if (a == "SCAN") a = kScan;
            if (a == "TWO") a = Data("two_scans_rsm.ras");
            if (a == "XYE") a = Data("film.xye");
            if (a == "DEF") a = Data("../../data/Substrates.DEF");
        }
        const CliRun r = Cli(args);
        EXPECT_EQ(r.Code, 0) << line << "\n" << r.Err;
        for (const std::string& part : parts) {
            const std::string rest = part.substr(1);
            if (part[0] == '=')
                EXPECT_EQ(r.Out, rest) << line;
            else if (part[0] == '^')
                EXPECT_EQ(r.Out.rfind(rest, 0), 0u) << line << "\n" << r.Out;
            else if (part[0] == '!')
                EXPECT_TRUE(Has(r.Err, rest)) << line << ": " << rest << "\n" << r.Err;
            else
                EXPECT_TRUE(Has(r.Out, part)) << line << ": " << part << "\n" << r.Out;
        }
    }
    EXPECT_EQ(CliLine("substrates --database /no/such/file.ini").Code, 1);
    unsetenv("XDG_CONFIG_HOME");
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

#ifdef TREVASC_HAVE_QT
TEST(CliPlot, DrawsTheScanAndTheNelsonRileyPlot) {
    TempDir dir;
    const std::string scan = Data("nomad_m54313_om2th_10_v2.1.xrdml"), png = dir.File("p.png");
    const CliRun r = Cli(
        {"plot", scan, "-o", png, "--size", "640x480", "--peaks", "--from", "40", "--to", "30"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(PngSize(png), std::pair(640, 480));
    ASSERT_EQ(
        CliLine("lattice --peaks 22.754,46.472,72.567 --direction 0,0,1 --nelson-riley-plot " +
                dir.File("nr.png"))
            .Code,
        0);
    EXPECT_GT(PngSize(dir.File("nr.png")).first, 0);
}
#endif
