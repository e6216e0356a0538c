#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliCommands.h"
#include "formats/XylibReader.h"
#include "support/CliRun.h"

namespace {

using trevasc::test::Cli;
using trevasc::test::CliRun;

std::string Data(const std::string& name) {
    return std::string(TREVASC_TEST_DATA_DIR) + "/" + name;
}

std::string TempFile(const std::string& name, const std::string& content) {
    auto p = std::filesystem::temp_directory_path() / ("trevasc-cli-" + name);
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
}

}  // namespace

TEST(CliInfo, ReportsFormatKindTitleAndScans) {
    CliRun r = Cli({"info", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml")});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("format: xml"), std::string::npos);
    EXPECT_NE(r.Out.find("kind: TwoTheta"), std::string::npos);
    EXPECT_NE(r.Out.find("points: 750, from 15.01 to 29.99"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("1585904"), std::string::npos);
    // A detector scan (only 2Theta moves) and a Bruker RAW version 4 file: 2Theta scans.
    for (const char* file : {"detector_scan_2Theta.xrdml", "quartz_v4.raw"}) {
        r = Cli({"info", Data(file)});
        ASSERT_EQ(r.Code, 0) << file << r.Err;
        EXPECT_NE(r.Out.find("kind: TwoTheta"), std::string::npos) << r.Out;
    }
    EXPECT_NE(r.Out.find("points: 10, from 26 to 27.125"), std::string::npos) << r.Out;
}

// The further readers name themselves in the report, with the title and the scans they make.
TEST(CliInfo, NamesTheFurtherFormats) {
    const std::pair<std::string, std::string> cases[] = {
        {"two_scans_rsm.ras", "format: rigaku-ras"},
        {"quartz_v4.raw", "format: bruker-raw4"},
        {"quartz_v4_two_ranges.raw", "format: bruker-raw4"},
        {"film.xye", "format: columns"},
        {"quartz.uxd", "format: xylib:uxd"},
        {"quartz.rd", "format: xylib:philips_rd"},
        {"quartz.cif", "format: xylib:pdcif"},
        {"quartz_v3.raw", "format: xylib:bruker_raw"},
        {"quartz_rigaku.dat", "format: xylib:rigaku_dat"},
        {"quartz_riet7.dat", "format: xylib:riet7"},
        {"quartz.cpi", "format: xylib:cpi"},
        {"quartz.rit", "format: xylib:dbws"},
        {"quartz.xdd", "format: xylib:xfit_xdd"},
        {"quartz.udf", "format: xylib:philips_udf"},
        {"quartz.chi", "format: xylib:chiplot"}};
    for (const auto& [file, format] : cases) {
        if (format.find("xylib") != std::string::npos && !trevasc::formats::XylibAvailable())
            continue;
        CliRun r = Cli({"info", Data(file)});
        ASSERT_EQ(r.Code, 0) << file << r.Err;
        EXPECT_NE(r.Out.find(format), std::string::npos) << r.Out;
    }
    CliRun r = Cli({"info", Data("two_scans_rsm.ras")});
    EXPECT_NE(r.Out.find("title: XRD Plot: Film A"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("scans: 2"), std::string::npos) << r.Out;
    // Normalised intensities: the factor is a warning on standard error.
    r = Cli({"info", Data("film.xye")});
    EXPECT_NE(r.Err.find("multiplied by 10000"), std::string::npos) << r.Err;
}

TEST(CliInfo, JsonListsEveryFileAndKeepsGoingAfterAFailure) {
    std::string bad = TempFile("bad.txt", "no numbers here\n");
    CliRun r = Cli({"info", "--json", bad, Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("trevasc-cli: " + bad + ": Unknown data format."), std::string::npos)
        << r.Err;
    EXPECT_EQ(r.Out.front(), '[');
    EXPECT_NE(r.Out.find("\"error\": \"Unknown data format.\""), std::string::npos);
    // The area map: 76 scans, the first in the main scan, second axis Omega.
    size_t scans = 0;
    for (size_t p = r.Out.find("\"count\": 75"); p != std::string::npos;
         p = r.Out.find("\"count\": 75", p + 1))
        ++scans;
    EXPECT_EQ(scans, 76u);
    EXPECT_NE(r.Out.find("\"secondAxisName\": \"Omega\""), std::string::npos);
    EXPECT_NE(r.Out.find("\"maxIntensity\": "), std::string::npos);
}

TEST(CliInfo, ScanListDatasetQuestionIsAnsweredAndWarned) {
    const std::string header = "H       K       L       D     TIM    CTS      TTH\n";
    std::string text = "SUPERDATA\n";
    for (int d = 0; d < 2; ++d) {
        text += "> mscan tth 1 2 3 4 5 6 3\n" + header;
        for (int i = 0; i < 3; ++i)
            text += "0 0 0 1.0 1 " + std::to_string(100 * (d + 1) + i) + " " +
                    std::to_string(20 + i) + ".5 0 0 0 0\n";
    }
    std::string f = TempFile("two.dat", text);
    CliRun r = Cli({"info", f});
    EXPECT_NE(r.Err.find("warning: "), std::string::npos) << r.Err;
    CliRun second = Cli({"info", "--dataset", "2", f});
    EXPECT_EQ(second.Err.find("warning: "), std::string::npos) << second.Err;
}

TEST(CliUsage, BadArgumentsExitWithTwo) {
    EXPECT_EQ(Cli({}).Code, 2);
    EXPECT_EQ(Cli({"frobnicate"}).Code, 2);
    EXPECT_EQ(Cli({"info"}).Code, 2);
    EXPECT_EQ(Cli({"info", "--dataset", "x", "f"}).Code, 2);
    EXPECT_EQ(Cli({"convert", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml")}).Code, 2);
}

TEST(CliConvert, WritesTheSpectrumFileToStandardOutputAndToAFile) {
    CliRun r = Cli({"convert", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), "-o", "-"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("TwoTheta\tCounts\r\n 1.50100000000000E+0001\t", 0), 0u)
        << r.Out.substr(0, 80);
    size_t lines = 0;
    for (char c : r.Out) lines += c == '\n';
    EXPECT_EQ(lines, 751u);

    auto out = std::filesystem::temp_directory_path() / "trevasc-cli-all.txt";
    CliRun all = Cli({"convert", "--all", Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml"),
                      "-o", out.string()});
    ASSERT_EQ(all.Code, 0) << all.Err;
    std::ifstream in(out);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header.rfind("TwoTheta\tCounts(Omega=", 0), 0u) << header;
    std::filesystem::remove(out);
}

TEST(CliPeaks, WritesThePeakListFileWithTitleAndFindsTheFilmPeaks) {
    CliRun r = Cli({"peaks", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), "--smooth", "3"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("TITLE XRD Plot: B10135\r\n", 0), 0u) << r.Out;
    // The substrate peak of this scan lies near 22.5 degrees.
    EXPECT_NE(r.Out.find("\r\n22.5"), std::string::npos) << r.Out;
    CliRun two = Cli({"peaks", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), "--method", "2"});
    EXPECT_EQ(two.Code, 0) << two.Err;
    EXPECT_EQ(
        Cli({"peaks", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), "--method", "3"}).Code, 2);
    EXPECT_EQ(
        Cli({"peaks", Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), "--smooth", "1"}).Code, 2);
}

#ifdef TREVASC_HAVE_QT
TEST(CliPlot, DrawsAPngOfTheRequestedSize) {
    auto out = std::filesystem::temp_directory_path() / "trevasc-cli-plot.png";
    CliRun r = Cli({"plot", Data("nomad_m54313_om2th_10_v2.1.xrdml"), "-o", out.string(), "--size",
                    "640x480", "--peaks", "--from", "40", "--to", "30"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    std::ifstream in(out, std::ios::binary);
    unsigned char head[24] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    EXPECT_EQ(head[1], 'P');
    EXPECT_EQ(head[2], 'N');
    auto be32 = [&](int o) {
        return (head[o] << 24) | (head[o + 1] << 16) | (head[o + 2] << 8) | head[o + 3];
    };
    EXPECT_EQ(be32(16), 640);
    EXPECT_EQ(be32(20), 480);
    std::filesystem::remove(out);
    EXPECT_EQ(
        Cli({"plot", Data("nomad_m54313_om2th_10_v2.1.xrdml"), "-o", out.string(), "--size", "5x5"})
            .Code,
        2);
    EXPECT_EQ(
        Cli({"plot", Data("nomad_m54313_om2th_10_v2.1.xrdml"), "-o", out.string(), "--from", "3"})
            .Code,
        2);
}
#endif
