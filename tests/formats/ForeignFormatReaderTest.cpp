// The readers for other diffractometers' files (Rigaku RAS, XY/XYE column files, the formats of
// xylib) and how they meet the documented readers: a file that one of those accepts still opens
// exactly as before, and a damaged file ends in a message naming its line with nothing loaded.
#include <gtest/gtest.h>

#include <string>

#include "base/TextLine.h"
#include "formats/ColumnFileReader.h"
#include "formats/ReaderTestSupport.h"
#include "formats/RigakuRasReader.h"
#include "formats/TextScanReaders.h"
#include "formats/XylibReader.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;

namespace {

const std::string kDataDir = TREVASC_TEST_DATA_DIR;

// A RAS scan block: header lines, then the data lines as given.
std::string RasScan(const std::string& axis, const std::string& omega, const std::string& data,
                    const std::string& sample = "S1") {
    return "*RAS_HEADER_START\n*FILE_SAMPLE \"" + sample +
           "\"\n*MEAS_COND_AXIS_NAME-0 \"2-Theta\"\n*MEAS_COND_AXIS_POSITION-0 \"10\"\n"
           "*MEAS_COND_AXIS_NAME-1 \"Omega\"\n*MEAS_COND_AXIS_POSITION-1 \"" +
           omega + "\"\n*MEAS_COND_AXIS_NAME-2 \"Phi\"\n*MEAS_COND_AXIS_POSITION-2 \"-\"\n" +
           "*MEAS_SCAN_AXIS_X \"" + axis + "\"\n*RAS_HEADER_END\n*RAS_INT_START\n" + data +
           "*RAS_INT_END\n";
}

std::string Ras(const std::string& scans) {
    return "*RAS_DATA_START\n" + scans + "*RAS_DATA_END\n";
}

ReadResult ReadAny(std::string_view text, const std::string& fileName, bool main,
                   ScanRegistry& registry, Prompts& prompts) {
    return ReadScanText(text, fileName, main, registry, prompts);
}

TScanFormat FormatOf(const std::string& text, const std::string& fileName = "/data/scan.txt") {
    ScanRegistry registry;
    ReaderPrompts prompts;
    TScanFormat format{};
    try {
        ReadScanText(text, fileName, true, registry, prompts, &format);
    } catch (const TrevascError&) {
    }
    return format;
}

}  // namespace

TEST(NumberedLines, EveryLineEndCountsOnce) {
    NumberedLineReader lines("a\r\nb\rc\n\nd");
    std::string_view line;
    std::vector<std::pair<size_t, std::string>> seen;
    while (lines.Next(line)) seen.emplace_back(lines.Number(), std::string(line));
    const std::vector<std::pair<size_t, std::string>> expected = {
        {1, "a"}, {2, "b"}, {3, "c"}, {4, ""}, {5, "d"}};
    EXPECT_EQ(seen, expected);
}

TEST(RigakuRas, AttenuatedCountsNamesAndKinds) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    // counts x attenuator, rounded half to even like the XML reader's raw counts; a line
    // without attenuator is plain counts.
    const ReadResult r = ReadRigakuRasText(
        Ras(RasScan("2-Theta", "5", "10.0 100.0 1.0\n10.5 2.5 1.0\n11.0 12.5 114.7\n11.5 7\n")),
        "/d/a.ras", true, registry, prompts);
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{100, 2, 1434, 7}));
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{10.0, 10.5, 11.0, 11.5}));
    EXPECT_EQ(registry.MainScan().Name, "S1");
    EXPECT_EQ(r.PlotName, "S1");
    EXPECT_EQ(registry.MainScan().SecondAxisName, "");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);

    // No sample name, or one in another encoding than UTF-8: the file name.
    ReadRigakuRasText(Ras(RasScan("Omega", "5", "1 1\n2 2\n", "")), "/d/b.ras", true, registry,
                      prompts);
    EXPECT_EQ(registry.MainScan().Name, "b.ras");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Omega);
    ReadRigakuRasText(Ras(RasScan("Phi", "5", "1 1\n2 2\n", "\x8e\x8e\x97\xbf")), "/d/c.ras", true,
                      registry, prompts);
    EXPECT_EQ(registry.MainScan().Name, "c.ras");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Phi);

    const std::pair<const char*, std::optional<TScanKind>> axes[] = {
        {"2-Theta/Omega", TScanKind::TwoTheta},
        {"TwoThetaOmega", TScanKind::TwoTheta},
        {"Theta/2-Theta", TScanKind::TwoTheta},
        {"Chi", TScanKind::Psi},
        {"omega", TScanKind::Omega},
        {"Z", std::nullopt},
        {"Theta_s", std::nullopt},
        {"", std::nullopt}};
    for (const auto& [axis, kind] : axes) EXPECT_EQ(RasScanKind(axis), kind) << axis;
}

TEST(RigakuRas, SeveralScansFormASeriesForTheMap) {
    const std::string content = ReadFileBytes(kDataDir + "/two_scans_rsm.ras");
    ScanRegistry registry;
    ReaderPrompts prompts;
    const ReadResult r = ReadRigakuRasText(content, "two_scans_rsm.ras", true, registry, prompts);
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(r.PlotName, "Film A");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
    // Coupled scans: Omega in the middle of each scan (start + a quarter of the 2Theta range).
    EXPECT_EQ(registry.MainScan().SecondAxisName, "Omega");
    EXPECT_DOUBLE_EQ(registry.MainScan().SecondAxisPosition, 15.375);
    EXPECT_DOUBLE_EQ(registry.Additional(0).SecondAxisPosition, 15.475);
    EXPECT_EQ(registry.MainScan().Name, "Omega=15.375\xC2\xB0");
    EXPECT_EQ(registry.MainScan().RawPoints[2].Intensity, 172050);     // 1500 x 114.7
    EXPECT_EQ(registry.Additional(0).RawPoints[2].Intensity, 160637);  // 1400.5 x 114.7

    // Inserted next to a 2Theta scan: both lines are appended, named after the sample.
    ScanRegistry both;
    FillMainScan(both);
    ReadRigakuRasText(content, "two_scans_rsm.ras", false, both, prompts);
    ASSERT_EQ(both.AdditionalCount(), 2);
    EXPECT_EQ(both.Additional(1).Name, "Film A Omega=15.475\xC2\xB0");

    // 2Theta scans (detector only) at two fixed Omega positions: a common-Omega series.
    registry.ClearAdditionalScans();
    ReadRigakuRasText(
        Ras(RasScan("2-Theta", "3", "1 1\n2 2\n") + RasScan("2-Theta", "4", "1 1\n2 2\n")), "s.ras",
        true, registry, prompts);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoThetaCommonOmega);
    EXPECT_DOUBLE_EQ(registry.Additional(0).SecondAxisPosition, 4.0);
}

TEST(RigakuRas, DamagedFilesNameTheLineAndChangeNothing) {
    const std::string good = RasScan("2-Theta", "5", "10 1 1\n11 2 1\n");
    std::string unfinished = RasScan("2-Theta", "6", "10 1 1\n11 2 1\n");
    unfinished.erase(unfinished.find("*RAS_INT_END"));
    ExpectFailures(
        ReadRigakuRasText,
        {{"*RAS_DATA_START\n*RAS_HEADER_START\n*RAS_INT_START\n10 1 1\n11 2 1\n",
          "Line 5: the file ends inside the data of scan 1 (\"*RAS_INT_END\" is missing)."},
         {"*RAS_DATA_START\n" + good + unfinished,
          "Line 28: the file ends inside the data of scan 2 (\"*RAS_INT_END\" is missing)."},
         {"*RAS_DATA_START\n*RAS_INT_START\n10 1 1\n*RAS_HEADER_START\n",
          "Line 4: \"*RAS_HEADER_START\" stands inside the data of scan 1, before its "
          "\"*RAS_INT_END\"."},
         {Ras(RasScan("2-Theta", "5", "10 1 1\n11 nan 1\n")), "Line 14: \"nan\" is not a number."},
         {Ras(RasScan("2-Theta", "5", "10 1 1\n11 1 inf\n")), "Line 14: \"inf\" is not a number."},
         {Ras(RasScan("2-Theta", "5", "10 1 1\n11\n")),
          "Line 14: \"11\" is not a data line of angle, intensity and attenuator factor."},
         {Ras(RasScan("2-Theta", "5", "10 3e9 1\n")),
          "Line 13: the intensity 3000000000 x 1 does not fit a 32-bit count."},
         {Ras(RasScan("2-Theta", "5", "")), "Line 13: scan 1 holds no data points."},
         {"*RAS_DATA_START\n*RAS_HEADER_START\n*FILE_SAMPLE \"x\"\n",
          "The file holds no scan data (\"*RAS_INT_START\" not found)."},
         {Ras(RasScan("Z", "5", "1 1\n2 2\n")),
          "The scan axis \"Z\" (*MEAS_SCAN_AXIS_X) is not one the workbench can show (2-Theta, "
          "2-Theta/Omega, Omega, Phi or Chi)."},
         {Ras(good + RasScan("Omega", "6", "1 1\n")),
          "Line 26: scan 2 has the scan axis \"Omega\", the first scan \"2-Theta\"."},
         {"10 1\n11 2\n",
          "This is no Rigaku RAS file (its first line is not \"*RAS_DATA_START\")."}});
    // An Omega scan cannot join open 2Theta scans.
    ExpectFailures(ReadRigakuRasText,
                   {{Ras(RasScan("Omega", "5", "1 1\n2 2\n")), kKindMismatchMessage}},
                   TScanKind::TwoTheta);
}

TEST(ColumnFiles, LayoutsThatOpen) {
    struct Case {
        const char* Text;
        std::vector<double> Positions;
        std::vector<int> Intensities;
    };
    const Case cases[] = {
        // comments, blank lines, uneven and negative positions, an uncertainty column
        {"# 2theta I sigma\n; instrument X\n\n-1.5 100 10\n0.25 2000 45\n\n7 30 5\n",
         {-1.5, 0.25, 7.0},
         {100, 2000, 30}},
        {"1\t10\r\n2\t20\r\n4\t40\r\n", {1, 2, 4}, {10, 20, 40}},
        {"1,5;10\n2,5;20\n4;40\n", {1.5, 2.5, 4}, {10, 20, 40}},                  // decimal comma
        {"angle,counts\n1.5, 10\n2.5 ,20\n4,40\n", {1.5, 2.5, 4}, {10, 20, 40}},  // CSV + titles
        {"1 2.5e3\n2 +1E+2\n3 1e2\n", {1, 2, 3}, {2500, 100, 100}},
        {"10 3000000000\n11 5\n12 20\n", {10, 11, 12}, {300000000, 0, 2}},  // scaled down by 10
    };
    for (const Case& c : cases) {
        ScanRegistry registry;
        ReaderPrompts prompts;
        ReadColumnText(c.Text, "/d/f.xye", true, registry, prompts);
        EXPECT_EQ(PositionsOf(registry.MainScan()), c.Positions) << c.Text;
        EXPECT_EQ(IntensitiesOf(registry.MainScan()), c.Intensities) << c.Text;
        EXPECT_EQ(registry.MainScan().Name, "f.xye");
    }
}

TEST(ColumnFiles, NormalisedIntensitiesKeepFourDigits) {
    const std::pair<const char*, double> cases[] = {{"1 0.9123\n2 0.00012\n3 0.5\n", 10000.0},
                                                    {"1 0.0012\n2 0.0003\n", 1e6},
                                                    {"1 999.5\n2 3\n", 10.0},
                                                    {"1 12.25\n2 -40.5\n", 100.0}};
    for (const auto& [text, factor] : cases) {
        ScanRegistry registry;
        ReaderPrompts prompts;
        ReadColumnText(text, "f.xy", true, registry, prompts);
        ASSERT_EQ(prompts.Infos.size(), 1u) << text;
        EXPECT_EQ(prompts.Infos[0], NormalisedScaleMessage(factor));
        int32_t largest = 0;
        for (const TDataPoint& p : registry.MainScan().RawPoints)
            largest = std::max(largest, std::abs(p.Intensity));
        EXPECT_GE(largest, 1000) << text;
        EXPECT_LT(largest, 10000) << text;
    }
    EXPECT_EQ(NormalisedScaleMessage(10000.0),
              "The intensities are fractional (normalised data); they were multiplied by 10000 to "
              "keep 4 significant digits in whole counts.");
    // Whole numbers, however small, are counts: no scaling.
    ScanRegistry registry;
    ReaderPrompts prompts;
    ReadColumnText("1 3.0 1\n2 5 1\n", "f.xy", true, registry, prompts);
    EXPECT_TRUE(prompts.Infos.empty());
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{3, 5}));
}

TEST(ColumnFiles, DamagedFilesNameTheLineAndChangeNothing) {
    ExpectFailures(
        ReadColumnText,
        {{"# x y e\n1 2 3\n2 3 4\nhello world\n3 4 5\n", "Line 4: \"hello\" is not a number."},
         {"1 2 3\n2 3 4\ntext\n",
          "Line 3: \"text\" is neither numbers nor a comment (\"#\" or \";\")."},
         {"1\n2\n3\n",
          "Line 1: only one column; a column file holds the position and the intensity (and "
          "optionally its uncertainty)."},
         {"1 2\n2 3 4 5\n",
          "Line 2: 4 columns; a column file holds two or three (position, intensity, "
          "uncertainty)."},
         {"1 2 0.1\n2 nan 1\n", "Line 2: \"nan\" is not a number."},
         {"1 2 0.1\n2 3 -inf\n", "Line 2: \"-inf\" is not a number."},
         {"1,5,3\n1,,3\n", "Line 2: \"\" is not a number."},
         {"# only\n1 2\n", "The file holds 1 data line(s); a scan needs at least two points."},
         {"words only\n",
          "This is no column file: its first line that is not a comment holds no "
          "numbers."}});
    ExpectFailures(ReadColumnText, {{"1 2 3\n2 3 4\n", kKindMismatchMessage}}, TScanKind::Phi);
}

TEST(ForeignFormats, DocumentedReadersKeepTheirFiles) {
    // Files the two-column reader accepts stay its files, whatever their name.
    EXPECT_EQ(FormatOf("10 1\n10.1 2\n10.2 3\n", "/d/a.xye"), TScanFormat::TwoColumn);
    EXPECT_EQ(FormatOf("HR-XRDSCAN\nNROFDATA,1\n"), TScanFormat::HeaderCounts);
    // What it rejects: uneven positions, three columns, a leading minus sign, fractions.
    EXPECT_EQ(FormatOf("10 1\n10.5 2\n12 3\n"), TScanFormat::Columns);
    EXPECT_EQ(FormatOf("10 1 1\n11 2 1\n"), TScanFormat::Columns);
    EXPECT_EQ(FormatOf(Ras(RasScan("2-Theta", "5", "10 1 1\n11 2 1\n"))), TScanFormat::RigakuRas);
    // A RAS marker anywhere but in the first line is not a RAS file.
    EXPECT_EQ(FormatOf("# x\n*RAS_DATA_START\n"), TScanFormat::TwoColumn);

    // Files none of the readers recognises keep the documented message.
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    EXPECT_EQ(ErrorOf(ReadAny, "some words\nand more\n", registry, prompts),
              kUnknownDataFormatMessage);
    EXPECT_EQ(ErrorOf(ReadAny, std::string("\x01\x02\xff\xfe\x00\x10", 6), registry, prompts),
              kUnknownDataFormatMessage);
    // A damaged column file reports its line, not the two-column reader's complaint.
    EXPECT_EQ(ErrorOf(ReadAny, "1 2 3\n2 3 4\n3 x 5\n", registry, prompts),
              "Line 3: \"x\" is not a number.");
    ExpectMainUntouched(registry);

    // The format name reports give.
    const ReadResult r = ReadScanText(Ras(RasScan("2-Theta", "5", "10 1 1\n11 2 1\n")), "a.ras",
                                      true, registry, prompts);
    EXPECT_EQ(r.FormatName, "rigaku-ras");
}

TEST(ForeignFormats, XylibFormatsOpenAsScans) {
    if (!XylibAvailable()) GTEST_SKIP() << "built without xylib";
    struct Case {
        const char* File;
        const char* Format;
        std::vector<int> PointsPerScan;
        double First, Last;
        int FirstIntensity, LastIntensity;
    };
    const Case cases[] = {
        {"quartz.uxd", "xylib:uxd", {8, 4}, 26.5, 26.64, 101, 118},
        // Philips RD stores the square root of 100 x counts.
        {"quartz.rd", "xylib:philips_rd", {9}, 10.0, 12.0, 100, 100},
        {"quartz.cif", "xylib:pdcif", {7}, 20.0, 20.12, 102, 120},
        // The three generations of the Bruker binary format; the positions are start + i x step.
        {"quartz_v1.raw", "xylib:bruker_raw", {10, 4}, 26.0, 27.125, 120, 130},
        {"quartz_v2.raw", "xylib:bruker_raw", {10}, 26.0, 27.125, 120, 130},
        {"quartz_v3.raw", "xylib:bruker_raw", {10, 4}, 26.0, 27.125, 120, 130},
        // Two .dat formats that the column reader refuses, each found by its content.
        {"quartz_rigaku.dat", "xylib:rigaku_dat", {11, 4}, 26.0, 27.0, 120, 118},
        {"quartz_riet7.dat", "xylib:riet7", {10}, 26.0, 26.18, 120, 130},
        {"quartz.cpi", "xylib:cpi", {10}, 26.0, 26.18, 120, 130},
        {"quartz.rit", "xylib:dbws", {12}, 26.0, 26.22, 120, 112},
        {"quartz.xdd", "xylib:xfit_xdd", {10}, 26.0, 26.18, 120, 130},
        {"quartz.udf", "xylib:philips_udf", {10}, 26.0, 26.18, 120, 130},
        {"quartz.chi", "xylib:chiplot", {10}, 26.0, 26.18, 120, 130},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        ScanRegistry registry;
        ReaderPrompts prompts;
        TScanFormat format{};
        const ReadResult r =
            ReadScanFile(kDataDir + "/" + c.File, true, registry, prompts, &format);
        EXPECT_EQ(format, TScanFormat::Xylib);
        EXPECT_EQ(r.FormatName, c.Format);
        ASSERT_EQ(static_cast<size_t>(registry.AdditionalCount()) + 1, c.PointsPerScan.size());
        for (size_t k = 0; k < c.PointsPerScan.size(); ++k)
            EXPECT_EQ(registry.ScanAt(static_cast<int>(k)).Count(), c.PointsPerScan[k]);
        const TDataSet& main = registry.MainScan();
        EXPECT_NEAR(main.RawPoints.front().Position, c.First, 1e-9);
        EXPECT_NEAR(main.RawPoints.back().Position, c.Last, 1e-9);
        EXPECT_EQ(main.RawPoints.front().Intensity, c.FirstIntensity);
        EXPECT_EQ(main.RawPoints.back().Intensity, c.LastIntensity);
        EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
    }
    ScanRegistry registry;
    ReaderPrompts prompts;
    ReadScanFile(kDataDir + "/quartz.rd", true, registry, prompts);
    EXPECT_EQ(IntensitiesOf(registry.MainScan()),
              (std::vector<int>{100, 121, 225, 1600, 10000, 1444, 196, 110, 100}));

    // xylib's own complaint comes back as a message naming the format; nothing is loaded.
    std::string uxd = ReadFileBytes(kDataDir + "/quartz.uxd");
    uxd.replace(uxd.find("      101"), 9, "     1x01");
    FillMainScan(registry);
    const std::string message = ErrorOf(ReadAny, uxd, registry, prompts, true, "q.uxd");
    EXPECT_EQ(message.rfind("The file could not be read as Bruker Diffrac-AT UXD (xylib: ", 0), 0u)
        << message;
    ExpectMainUntouched(registry);
    // Without the marker of its second range, xylib's UXD reader frees the first range twice: the
    // crash stays in the child process and the read ends in a message.
    std::string twice = ReadFileBytes(kDataDir + "/quartz.uxd");
    twice.erase(twice.rfind("_DRIVE"), std::string("_DRIVE='COUPLED'\n").size());
    EXPECT_EQ(ErrorOf(ReadAny, twice, registry, prompts, true, "q.uxd"),
              "The file could not be read as Bruker Diffrac-AT UXD: xylib stopped on it (the file "
              "is damaged or of another format).");
    ExpectMainUntouched(registry);
    // xylib's CPI and ChiPLOT readers keep the leading digits of a damaged value ("4x0" as 4):
    // such a value is refused with its line, and nothing is loaded.
    const struct {
        const char *File, *Value, *Damaged, *Message;
    } damaged[] = {
        {"quartz.cpi", "\n420\n", "\n4x0\n",
         "The file could not be read as Sietronics Sieray CPI: line 14: \"4x0\" is not a number."},
        {"quartz.chi", "3.980000E+03", "3.98x000E+03",
         "The file could not be read as ChiPLOT data: line 10: \"3.98x000E+03\" is not a number."},
    };
    for (const auto& d : damaged) {
        std::string text = ReadFileBytes(kDataDir + "/" + d.File);
        text.replace(text.find(d.Value), std::string_view(d.Value).size(), d.Damaged);
        EXPECT_EQ(ErrorOf(ReadAny, text, registry, prompts, true, d.File), d.Message);
        ExpectMainUntouched(registry);
    }
    // CR LF line ends, and text after the points ChiPLOT announces, still open.
    const std::string cpi = ReadFileBytes(kDataDir + "/quartz.cpi");
    const std::string chi = ReadFileBytes(kDataDir + "/quartz.chi");
    std::string crlf;
    for (char ch : cpi) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    for (const auto& [text, name] : {std::pair(crlf, "q.cpi"), std::pair(chi + "end\n", "q.chi")}) {
        ScanRegistry fine;
        ReadAny(text, name, true, fine, prompts);
        EXPECT_EQ(fine.MainScan().Count(), 10) << name;
    }
    // Column text, CSV and XML are never handed to xylib, and unknown bytes find no format.
    EXPECT_EQ(XylibFormatOf("1 2\n3 4\n", "a.txt"), std::nullopt);
    EXPECT_EQ(XylibFormatOf("x,y\n1,2\n", "a.csv"), std::nullopt);
    EXPECT_EQ(XylibFormatOf("<?xml version=\"1.0\"?><xrdMeasurements/>", "a.xrdml"), std::nullopt);
    EXPECT_EQ(XylibFormatOf(std::string("\x01\x02\xff\xfe", 4), "a.spc"), std::nullopt);
}
