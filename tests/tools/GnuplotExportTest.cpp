#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "tools/gnuplot/GnuplotExport.h"

using namespace trevasc;
using namespace trevasc::tools;
using trevasc::test::TempDir;

namespace {

const std::string kShippedTemplate = std::string(TREVASC_BIN_DIR) + "/" + tools::kTemplateFileName;

constexpr GnuplotKind kKinds[] = {GnuplotKind::ScreenBW, GnuplotKind::ScreenColor,
                                  GnuplotKind::PngBW, GnuplotKind::PngColor};

// A map of `scans` scans with `points` points each: a peak in the middle of the middle scan.
plot::T2dPlotDataset SmallMap(int scans, int points) {
    plot::T2dPlotDataset d;
    d.XTitle = "TwoTheta [°]";
    d.YTitle = "Omega Center [°]";
    d.ZTitle = "Counts [a.u.]";
    for (int s = 0; s < scans; ++s)
        for (int i = 0; i < points; ++i) {
            const double dx = (i - points / 2) / 4.0, dy = s - scans / 2;
            d.Points.push_back({30.0 + 0.05 * i, 15.0 + 0.1 * s,
                                std::round(5000 * std::exp(-dx * dx - dy * dy)), s});
        }
    return d;
}

bool Exists(const std::string& file) {
    return std::filesystem::exists(file);
}

}  // namespace

TEST(GnuplotExport, FileNamesBesideTheScan) {
    GnuplotFiles f = GnuplotFileNames("/data/run 1/", "si.v2.xrdml", GnuplotKind::ScreenBW);
    EXPECT_EQ(f.DataFile, "/data/run 1/si.v2_GnuPlotData.dat");
    EXPECT_EQ(f.ScriptFile, "/data/run 1/si.v2_GnuPlotBW.plt");
    EXPECT_EQ(f.PictureFile, "/data/run 1/si.v2_GnuPlotData.dat_BW.png");
    f = GnuplotFileNames("/data", "map", GnuplotKind::ScreenColor);  // no delimiter, no extension
    EXPECT_EQ(f.ScriptFile, "/data/map_GnuPlotCOLOR.plt");
    EXPECT_EQ(f.PictureFile, "/data/map_GnuPlotData.dat_Color.png");
    EXPECT_EQ(GnuplotFileNames("/d/", "m.txt", GnuplotKind::PngBW).ScriptFile,
              "/d/m_GnuPlotBW2PNG.plt");
    f = GnuplotFileNames("/d/", "m.txt", GnuplotKind::PngColor);
    EXPECT_EQ(f.ScriptFile, "/d/m_GnuPlotCOLOR2PNG.plt");
    EXPECT_EQ(f.PictureFile, "/d/m_GnuPlotData.dat_Color.png");

    // Exactly the path that was written: a backslash is part of a file name here.
    EXPECT_EQ(GnuplotArguments("/d/m_GnuPlotBW.plt", GnuplotKind::ScreenBW),
              (std::vector<std::string>{"/d/m_GnuPlotBW.plt", "-"}));
    EXPECT_EQ(GnuplotArguments("/d/m_GnuPlotCOLOR.plt", GnuplotKind::ScreenColor).size(), 2u);
    EXPECT_EQ(GnuplotArguments("/d/m_GnuPlotBW2PNG.plt", GnuplotKind::PngBW),
              (std::vector<std::string>{"/d/m_GnuPlotBW2PNG.plt"}));
}

TEST(GnuplotExport, DataFileHasOneBlockPerScanAndLogCounts) {
    plot::T2dPlotDataset d;
    d.Points = {{30.0, 15.0, 0, 0},  {30.1, 15.0, 999, 0}, {30.0, 15.5, 9, 1},
                {30.1, 15.5, 99, 1}, {30.0, 16.0, 1, 2},   {-0.25, 0.7, -3, 2}};
    EXPECT_EQ(GnuplotDataText(d),
              "30.00000\t15.00000\t0.00000\r\n"
              "30.10000\t15.00000\t3.00000\r\n"
              "\r\n"
              "30.00000\t15.50000\t1.00000\r\n"
              "30.10000\t15.50000\t2.00000\r\n"
              "\r\n"
              "30.00000\t16.00000\t0.30103\r\n"
              "-0.25000\t0.70000\t0.00000\r\n");  // counts below zero: level 0, not "nan"

    // A main scan without points: the first block is an additional scan's, after an empty line.
    d.Points = {{1.0, 2.0, 0, 2}, {1.5, 2.0, 0, 2}};
    EXPECT_EQ(GnuplotDataText(d), "\r\n1.00000\t2.00000\t0.00000\r\n1.50000\t2.00000\t0.00000\r\n");
}

TEST(GnuplotExport, TemplateLinesPerKind) {
    const std::string templ =
        "plot '#DATAFILE#' with lines #COLORONLY#\r\n"
        "set output '#OUTPUTFILE#' #PNGONLY#\n"
        "#COLORONLY#set terminal wxt#SCREENONLY#\n"
        "set palette gray #BWONLY#\n"
        "\n"
        "#NOCONTOURONLY#unset contour\n"
        "#BWONLY#\n"
        "a '#DATAFILE#' b '#DATAFILE#'\n"
        "last";
    const std::string data = "/maps/m_GnuPlotData.dat";
    const std::string picture = data + "_Color.png";
    const auto process = [&](GnuplotKind kind, bool contours) {
        return ProcessGnuplotTemplate(templ, kind, contours, data, picture);
    };
    // Only the first placeholder of a line is replaced; a line left empty is dropped.
    const std::string tail = "a '/maps/m_GnuPlotData.dat' b '#DATAFILE#'\nlast\n";
    EXPECT_EQ(process(GnuplotKind::ScreenBW, true), "set palette gray \n" + tail);
    EXPECT_EQ(process(GnuplotKind::ScreenColor, true),
              "plot '/maps/m_GnuPlotData.dat' with lines \nset terminal wxt\n" + tail);
    EXPECT_EQ(process(GnuplotKind::PngBW, false),
              "set output '/maps/m_GnuPlotData.dat_Color.png' \nset palette gray \n"
              "unset contour\n" +
                  tail);
    EXPECT_EQ(process(GnuplotKind::PngColor, false),
              "plot '/maps/m_GnuPlotData.dat' with lines \n"
              "set output '/maps/m_GnuPlotData.dat_Color.png' \nunset contour\n" +
                  tail);
}

TEST(GnuplotExport, WritesBothFilesOrNothingWithAClearMessage) {
    TempDir dir;
    const std::string folder = dir.Path() + "/";
    const plot::T2dPlotDataset map = SmallMap(3, 4);
    const std::string templ =
        dir.Write("t.plt", "plot '#DATAFILE#' #PNGONLY#\nsplot '#DATAFILE#'\n");

    const GnuplotExportResult r =
        WriteGnuplotFiles(map, GnuplotKind::ScreenColor, true, folder, "scan.xrdml", templ);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(dir.Read("scan_GnuPlotData.dat"), GnuplotDataText(map));
    EXPECT_EQ(dir.Read("scan_GnuPlotCOLOR.plt"), "splot '" + folder + "scan_GnuPlotData.dat'\n");
    EXPECT_EQ(r.Arguments, (std::vector<std::string>{folder + "scan_GnuPlotCOLOR.plt", "-"}));

    // Refused before anything is written: no data file without its script, no empty script.
    const auto refused = [&](const std::string& templateFile, const std::string& name,
                             const plot::T2dPlotDataset& dataset, const std::string& in = "") {
        const GnuplotExportResult fail =
            WriteGnuplotFiles(dataset, GnuplotKind::PngBW, true, folder + in, name, templateFile);
        EXPECT_FALSE(fail.Ok);
        EXPECT_FALSE(Exists(fail.Files.DataFile)) << fail.Files.DataFile;
        EXPECT_FALSE(Exists(fail.Files.ScriptFile)) << fail.Files.ScriptFile;
        return fail.Message;
    };
    EXPECT_EQ(refused(folder + "missing.plt", "a.xrdml", map),
              "Cannot open file \"" + folder + "missing.plt\". No such file or directory");
    const std::string big =
        dir.Write("big.plt", "splot '#DATAFILE#'\n" + std::string(1 << 20, '#'));
    EXPECT_NE(refused(big, "b.xrdml", map).find("larger than 1 MiB"), std::string::npos);
    const std::string bare = dir.Write("bare.plt", "set terminal png\nsplot 'x.dat'\n");
    EXPECT_NE(refused(bare, "c.xrdml", map).find("has no #DATAFILE# placeholder"),
              std::string::npos);
    EXPECT_EQ(refused(templ, "d.xrdml", plot::T2dPlotDataset{}), kEmptyMapMessage);
    // A quote in the scan's name would end gnuplot's string early (and a backquote would run a
    // command): refused with the name.
    const std::string quoted = refused(templ, "it's`id`.xrdml", map);
    EXPECT_NE(quoted.find("it's`id`_GnuPlotData.dat"), std::string::npos) << quoted;

    // A backslash: gnuplot would read an escape inside double quotes, and a path rewritten with
    // "/" would name another file (one somebody could have planted).
    // (The scan "a\\b.xrdml" arrives as folder ".../a\\" and name "b.xrdml".)
    const std::string slashed = refused(templ, "b.xrdml", map, "a\\");
    EXPECT_NE(slashed.find("a\\b_GnuPlotData.dat"), std::string::npos) << slashed;
    EXPECT_NE(slashed.find("a backslash"), std::string::npos) << slashed;
    // A folder that cannot be written: the message names the file.
    const std::string missing = refused(templ, "e.xrdml", map, "no/such/folder/");
    EXPECT_NE(missing.find(folder + "no/such/folder/e_GnuPlotData.dat"), std::string::npos)
        << missing;
}

TEST(GnuplotExport, ShippedTemplateHasOneTerminalPerKind) {
    const std::string templ = [] {
        std::ifstream in(kShippedTemplate, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    ASSERT_FALSE(templ.empty()) << kShippedTemplate;
    for (GnuplotKind kind : kKinds) {
        for (bool contours : {false, true}) {
            const std::string script =
                ProcessGnuplotTemplate(templ, kind, contours, "/d/m.dat", "/d/m.dat_BW.png");
            const bool screen = kind == GnuplotKind::ScreenBW || kind == GnuplotKind::ScreenColor;
            EXPECT_EQ(script.find("set terminal pngcairo") != std::string::npos, !screen);
            EXPECT_EQ(script.find("set output '/d/m.dat_BW.png'") != std::string::npos, !screen);
            EXPECT_EQ(script.find("set terminal wxt") != std::string::npos, screen);
            EXPECT_NE(script.find("datafile = '/d/m.dat'"), std::string::npos);
            EXPECT_EQ(script.find("contours = 0") != std::string::npos, !contours);
            EXPECT_EQ(script.find("set palette"), script.rfind("set palette defined"));
            EXPECT_EQ(script.find('#' + std::string("COLORONLY")), std::string::npos);
        }
    }
}

// gnuplot is one of the program's dependencies (scripts/install-deps.sh): the shipped template
// must render a PNG with it, for a map of several scans and for a single scan.
TEST(GnuplotExport, ShippedTemplateRendersPngsWithGnuplot) {
    TempDir dir;
    const std::string folder = dir.Path() + "/";
    struct Case {
        std::string Name;
        GnuplotKind Kind;
        bool Contours;
        plot::T2dPlotDataset Map;
    };
    const std::vector<Case> cases = {{"series.xrdml", GnuplotKind::PngColor, true, SmallMap(5, 30)},
                                     {"grey.xrdml", GnuplotKind::PngBW, false, SmallMap(4, 12)},
                                     {"line.xrdml", GnuplotKind::PngColor, true, SmallMap(1, 30)}};
    for (const Case& c : cases) {
        const GnuplotExportResult r =
            WriteGnuplotFiles(c.Map, c.Kind, c.Contours, folder, c.Name, kShippedTemplate);
        ASSERT_TRUE(r.Ok) << r.Message;
        ASSERT_EQ(r.Arguments.size(), 1u);
        const std::string errors = folder + "gnuplot-errors.txt";
        const int status =
            std::system(("gnuplot '" + r.Arguments[0] + "' 2> '" + errors + "'").c_str());
        EXPECT_EQ(dir.Read("gnuplot-errors.txt"), "") << c.Name;
        ASSERT_EQ(status, 0) << c.Name;
        const std::string png = dir.Read(std::filesystem::path(r.Files.PictureFile).filename());
        ASSERT_GT(png.size(), 5000u) << c.Name;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    }
}

// A picture left by an earlier PNG export must not pass for the new one: it is removed before the
// files are written. The screen kinds write no picture and leave it alone.
TEST(GnuplotExport, PngKindsRemoveAnEarlierPicture) {
    TempDir dir;
    const std::string folder = dir.Path() + "/";
    const std::string templ = dir.Write("t.plt", "set output '#OUTPUTFILE#'\nsplot '#DATAFILE#'\n");
    const plot::T2dPlotDataset map = SmallMap(3, 4);
    for (GnuplotKind kind : kKinds) {
        const GnuplotFiles names = GnuplotFileNames(folder, "scan.xrdml", kind);
        const std::string stale =
            dir.Write(std::filesystem::path(names.PictureFile).filename().string(), "old picture");
        const GnuplotExportResult r =
            WriteGnuplotFiles(map, kind, true, folder, "scan.xrdml", templ);
        ASSERT_TRUE(r.Ok) << r.Message;
        const bool png = kind == GnuplotKind::PngBW || kind == GnuplotKind::PngColor;
        EXPECT_EQ(Exists(stale), !png) << static_cast<int>(kind);
        std::filesystem::remove(stale);
    }
    // After a failed start the data file and the script go.
    const GnuplotExportResult r =
        WriteGnuplotFiles(map, GnuplotKind::PngBW, true, folder, "gone.xrdml", templ);
    ASSERT_TRUE(r.Ok);
    RemoveGnuplotFiles(r.Files);
    EXPECT_FALSE(Exists(r.Files.DataFile) || Exists(r.Files.ScriptFile));
}
