// The readers for other diffractometers' files (Rigaku RAS, XY/XYE column files, the formats of
// xylib) and how they meet the documented readers: a file that one of those accepts still opens
// exactly as before, and a damaged file ends in a message naming its line with nothing loaded.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "base/TextLine.h"
#include "formats/BrukerRaw4Reader.h"
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
    EXPECT_EQ(registry.MainScan().Name + r.PlotName + registry.MainScan().SecondAxisName, "S1S1");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);

    // No sample name, or one in another encoding than UTF-8: the file name.
    for (const char* sample : {"", "\x8e\x8e\x97\xbf"}) {
        ReadRigakuRasText(Ras(RasScan("Phi", "5", "1 1\n2 2\n", sample)), "/d/c.ras", true,
                          registry, prompts);
        EXPECT_EQ(registry.MainScan().Name, "c.ras");
        EXPECT_EQ(registry.OpenScanKind, TScanKind::Phi);
    }
    for (const char* axis : {"2-Theta/Omega", "TwoThetaOmega", "Theta/2-Theta"})
        EXPECT_EQ(RasScanKind(axis), TScanKind::TwoTheta) << axis;
    for (const char* axis : {"Z", "Theta_s", ""})
        EXPECT_EQ(RasScanKind(axis), std::nullopt) << axis;
    EXPECT_EQ(RasScanKind("Chi"), TScanKind::Psi);
    EXPECT_EQ(RasScanKind("omega"), TScanKind::Omega);
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
    EXPECT_EQ(registry.MainScan().SecondAxisName + " " + registry.MainScan().Name,
              "Omega Omega=15.375\xC2\xB0");
    EXPECT_EQ(std::pair(registry.MainScan().SecondAxisPosition,
                        registry.Additional(0).SecondAxisPosition),
              std::pair(15.375, 15.475));
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

// Fractional intensities are multiplied by a power of ten that keeps 4 significant digits of the
// largest; whole numbers, however small, are counts: no scaling.
TEST(ColumnFiles, NormalisedIntensitiesKeepFourDigits) {
    const std::tuple<const char*, std::vector<int>, const char*> cases[] = {
        {"1 0.9123\n2 0.00012\n3 0.5\n", {9123, 1, 5000}, "10000"},
        {"1 0.0012\n2 0.0003\n", {1200, 300}, "1000000"},
        {"1 999.5\n2 3\n", {9995, 30}, "10"},
        {"1 12.25\n2 -40.5\n", {1225, -4050}, "100"},
        {"1 3.0 1\n2 5 1\n", {3, 5}, nullptr}};
    for (const auto& [text, counts, factor] : cases) {
        ScanRegistry registry;
        ReaderPrompts prompts;
        ReadColumnText(text, "f.xy", true, registry, prompts);
        EXPECT_EQ(IntensitiesOf(registry.MainScan()), counts) << text;
        std::string infos;
        for (const std::string& info : prompts.Infos) infos += info;
        EXPECT_EQ(infos, factor ? "The intensities are fractional (normalised data); they were "
                                  "multiplied by " +
                                      std::string(factor) +
                                      " to keep 4 significant digits in whole counts."
                                : "");
    }
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
    // Files the two-column reader accepts stay its files, whatever their name; what it rejects
    // (uneven positions, three columns) goes to the column reader. A RAS marker anywhere but in
    // the first line is not a RAS file.
    EXPECT_EQ(FormatOf("10 1\n10.1 2\n10.2 3\n", "/d/a.xye"), TScanFormat::TwoColumn);
    using enum TScanFormat;
    const std::pair<std::string, TScanFormat> cases[] = {
        {"HR-XRDSCAN\nNROFDATA,1\n", HeaderCounts},
        {"10 1\n10.5 2\n12 3\n", Columns},
        {"10 1 1\n11 2 1\n", Columns},
        {Ras(RasScan("2-Theta", "5", "10 1 1\n11 2 1\n")), RigakuRas},
        {"# x\n*RAS_DATA_START\n", TwoColumn}};
    for (const auto& [text, format] : cases) EXPECT_EQ(FormatOf(text), format) << text;

    // Files none of the readers recognises keep the documented message; a damaged column file
    // reports its line, not the two-column reader's complaint.
    ExpectFailures(ReadAny,
                   {{"some words\nand more\n", kUnknownDataFormatMessage},
                    {std::string("\x01\x02\xff\xfe\x00\x10", 6), kUnknownDataFormatMessage},
                    {"1 2 3\n2 3 4\n3 x 5\n", "Line 3: \"x\" is not a number."}});
}

TEST(ForeignFormats, XylibFormatsOpenAndTheirDamageEndsInAMessage) {
    if (!XylibAvailable()) GTEST_SKIP() << "built without xylib";
    // (The sample files of every format open in the real files' table.)
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

namespace {

// The counts and ranges that make_bruker_raw.py writes into every version of the file.
const std::vector<int> kPeakCounts{120, 135, 180, 420, 1650, 3980, 1720, 450, 190, 130};
const std::vector<int> kSideCounts{55, 60, 250, 58};

// Where make_bruker_raw.py puts things in the version 4 files: a 61-byte file header, a text
// segment of 56 and a tube segment of 120 bytes, then the first range: its 160-byte header, two
// drive segments of 64 bytes and 10 values.
constexpr size_t kTextSegment = 61;
constexpr size_t kRange1 = 61 + 56 + 120;
constexpr size_t kValues1 = kRange1 + 160 + 128;
constexpr size_t kRange2 = kValues1 + 40;

std::vector<double> Steps(double start, double step, size_t n) {
    std::vector<double> out;
    for (size_t i = 0; i < n; ++i) out.push_back(start + static_cast<double>(i) * step);
    return out;
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutF64(std::string& bytes, size_t at, double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    for (size_t i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void PutText(std::string& bytes, size_t at, const std::string& text, size_t width) {
    bytes.replace(at, width, text + std::string(width - text.size(), '\0'));
}

const std::string kRaw4Prefix = "The file could not be read as Bruker RAW version 4: ";

std::string Raw4Error(const std::string& bytes, ScanRegistry& registry, Prompts& prompts) {
    return ErrorOf(ReadBrukerRaw4Text, bytes, registry, prompts, true, "/data/q.raw");
}

}  // namespace

TEST(BrukerRaw4, OneAndTwoRangesOpenAsTwoThetaScans) {
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    // (Reader, kind and point counts are in the real files' table.)
    ReadResult r = ReadScanFile(kDataDir + "/quartz_v4.raw", true, registry, prompts);
    EXPECT_EQ(r.PlotName + "|" + registry.MainScan().Name, "|quartz_v4.raw");
    // Start 26 and step 1/8 degree: the positions are exact.
    EXPECT_EQ(PositionsOf(registry.MainScan()), Steps(26.0, 0.125, 10));
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), kPeakCounts);
    EXPECT_EQ(registry.MainScan().Peaks.Count(), 1);

    r = ReadScanFile(kDataDir + "/quartz_v4_two_ranges.raw", true, registry, prompts);
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(r.PlotName + "|" + registry.MainScan().Name + "|" + registry.Additional(0).Name,
              "quartz_v4_two_ranges.raw|quartz_v4_two_ranges.raw range 1|quartz_v4_two_ranges.raw "
              "range 2");
    EXPECT_EQ(PositionsOf(registry.MainScan()), Steps(26.0, 0.125, 10));
    EXPECT_EQ(PositionsOf(registry.Additional(0)), Steps(20.0, 0.25, 4));
    EXPECT_EQ(IntensitiesOf(registry.Additional(0)), kSideCounts);

    // Version 3 of the same measurement, read by xylib, holds the same points.
    if (XylibAvailable()) {
        ScanRegistry v3;
        ReadScanFile(kDataDir + "/quartz_v3.raw", true, v3, prompts);
        ASSERT_EQ(v3.AdditionalCount(), 1);
        for (int k = 0; k <= 1; ++k) {
            EXPECT_EQ(PositionsOf(v3.ScanAt(k)), PositionsOf(registry.ScanAt(k)));
            EXPECT_EQ(IntensitiesOf(v3.ScanAt(k)), IntensitiesOf(registry.ScanAt(k)));
        }
    }

    // A range of another scan type is left out, and named; without a 2Theta range nothing opens.
    std::string two = ReadFileBytes(kDataDir + "/quartz_v4_two_ranges.raw");
    PutText(two, kRange2 + 32, "Rocking Curve", 24);
    prompts.Infos.clear();
    ScanRegistry one;
    ReadAny(two, "/data/q.raw", true, one, prompts);
    EXPECT_EQ(one.AdditionalCount(), 0);
    EXPECT_EQ(one.MainScan().Name, "q.raw");
    EXPECT_EQ(prompts.Infos,
              (std::vector<std::string>{
                  "Ranges that are no 2Theta scans were left out:\nrange 2: \"Rocking Curve\""}));
    std::string rocking = ReadFileBytes(kDataDir + "/quartz_v4.raw");
    PutText(rocking, kRange1 + 32, "Rocking Curve", 24);
    registry = ScanRegistry();
    FillMainScan(registry);
    EXPECT_EQ(Raw4Error(rocking, registry, prompts),
              kRaw4Prefix +
                  "none of its ranges is a 2Theta scan (coupled or detector scan):\nrange 1: "
                  "\"Rocking Curve\"");
    ExpectMainUntouched(registry);

    // Only next to 2Theta scans as an additional file.
    registry.OpenScanKind = TScanKind::Omega;
    EXPECT_EQ(ErrorOf(ReadBrukerRaw4Text, ReadFileBytes(kDataDir + "/quartz_v4.raw"), registry,
                      prompts, false),
              kKindMismatchMessage);
    ExpectMainUntouched(registry);
}

TEST(BrukerRaw4, DamagedFilesEndInAMessageAndChangeNothing) {
    const std::string file = ReadFileBytes(kDataDir + "/quartz_v4_two_ranges.raw");
    ASSERT_EQ(file.size(), kRange2 + 160 + 128 + 16);
    ScanRegistry registry;
    ReaderPrompts prompts;
    // Cut at every length: a message, never a read beyond the end, nothing loaded. Only a cut
    // right after the first range leaves a whole file of one range.
    for (size_t n = 7; n < file.size(); ++n) {
        FillMainScan(registry);
        const std::string message = Raw4Error(file.substr(0, n), registry, prompts);
        if (n == kRange2) {
            EXPECT_EQ(message, "") << n;
            continue;
        }
        EXPECT_EQ(message.rfind(kRaw4Prefix, 0), 0u) << n << ": " << message;
        ExpectMainUntouched(registry);
    }
    const auto edited = [&](auto edit) {
        std::string bytes = file;
        edit(bytes);
        FillMainScan(registry);
        const std::string message = Raw4Error(bytes, registry, prompts);
        ExpectMainUntouched(registry);
        return message.rfind(kRaw4Prefix, 0) == 0 ? message.substr(kRaw4Prefix.size()) : message;
    };
    EXPECT_EQ(edited([](std::string& b) { b.resize(40); }), "it ends inside its file header.");
    EXPECT_EQ(edited([](std::string& b) { b.resize(kValues1 + 22); }),
              "it ends inside the values of range 1 (5 of 10).");
    EXPECT_EQ(edited([](std::string& b) { b.resize(kRange2 + 100); }),
              "it ends inside the header of range 2.");
    EXPECT_EQ(edited([](std::string& b) { b.resize(kRange1); }),
              "it holds no range of measured values.");
    EXPECT_EQ(edited([](std::string& b) { b += "\x01\x02"; }),
              "it ends inside the segment at byte " + std::to_string(file.size()) + ".");
    // A segment length below its own 8 bytes would never move on; one beyond the end is cut.
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kTextSegment + 4, 4); }),
              "the segment at byte 61 claims a length of 4 bytes, less than its own 8.");
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kTextSegment + 4, 0xFFFFFFF0u); }),
              "it ends inside the segment at byte 61.");
    // Step counts and sizes from a damaged header are checked against the file before use.
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kRange1 + 88, 0xFFFFFFFFu); }),
              "range 1 claims more steps than a scan can hold.");
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kRange1 + 88, 1000); }),
              "it ends inside the values of range 1 (86 of 1000).");
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kRange1 + 136, 8); }),
              "range 1 stores 8-byte values; only 4-byte values are known.");
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kRange1 + 140, 0x7FFFFFFFu); }),
              "it ends inside the drive segments of range 1.");
    EXPECT_EQ(edited([](std::string& b) { PutF64(b, kRange1 + 80, std::nan("")); }),
              "range 1 has no valid start angle and step.");
    EXPECT_EQ(edited([](std::string& b) { PutU32(b, kValues1 + 8, 0x7FC00000u); }),
              "value 3 of range 1 is not a finite number.");
}

// A file that no reader recognises by a mark of its format is of unknown format: xylib's WinSpec
// SPE check, which takes most binary files above 4100 bytes, counts only for *.spe files.
TEST(BrukerRaw4, UnrecognisedBinaryFilesAreOfUnknownFormat) {
    std::string bytes = ReadFileBytes(kDataDir + "/quartz_v4.raw");
    bytes.replace(0, 7, "RAW9.00");
    bytes += std::string(5000, '\0');
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    for (const char* name : {"/data/q.raw", "/data/q.dat", "/data/q"}) {
        EXPECT_EQ(ErrorOf(ReadAny, bytes, registry, prompts, true, name), kUnknownDataFormatMessage)
            << name;
        ExpectMainUntouched(registry);
    }
    if (XylibAvailable()) {
        EXPECT_EQ(XylibFormatOf(bytes, "q.raw"), std::nullopt);
        EXPECT_EQ(XylibFormatOf(bytes, "q.spe"), "spe");
    }
}
