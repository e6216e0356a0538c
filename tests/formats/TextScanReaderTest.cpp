// Format detection, line reading and the three text scan formats.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>

#include "core/Error.h"
#include "formats/NumberText.h"
#include "formats/ReaderTestSupport.h"
#include "formats/ScanFileReader.h"
#include "formats/TextLine.h"

using namespace trevasc;
using namespace trevasc::formats;
using trevasc::test::FillMainScan;
using trevasc::test::ReaderPrompts;

namespace {

// Runs a reader and returns its error message ("" when it succeeded).
template <class Reader>
std::string ErrorOf(Reader reader, const std::string& text, ScanRegistry& registry,
                    ReaderPrompts& prompts, bool main = true) {
    try {
        reader(text, "/data/scan.txt", main, registry, prompts);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

void ExpectMainUntouched(const ScanRegistry& registry) {
    const TDataSet& main = registry.MainScan();
    ASSERT_EQ(main.Count, 3);
    EXPECT_EQ(main.RawPoints.size(), 3u);
    EXPECT_EQ(main.RawPoints[1].Intensity, 101);
    EXPECT_EQ(main.Name, "old");
    EXPECT_EQ(main.Peaks.Count, 1);
    EXPECT_EQ(registry.AdditionalCount(), 0);
}

}  // namespace

TEST(ScanFormatDetection, FirstNonEmptyLineDecides) {
    EXPECT_EQ(DetectScanFormatFromText("<?xml version=\"1.0\"?>\n<xrdMeasurements>"),
              TScanFormat::Xml);
    EXPECT_EQ(DetectScanFormatFromText("\r\n\n<?XML VERSION='1.0'?>"), TScanFormat::Xml);
    EXPECT_EQ(DetectScanFormatFromText("<xrdmeasurements xmlns=\"x\">"), TScanFormat::Xml);
    EXPECT_EQ(DetectScanFormatFromText("file: hr-xrdscan v2\nSUPERDATA"),
              TScanFormat::HeaderCounts);
    EXPECT_EQ(DetectScanFormatFromText("  superdata 1"), TScanFormat::ScanList);
    // Order: the XML markers win over the others on the same line.
    EXPECT_EQ(DetectScanFormatFromText("HR-XRDSCAN <xrdMeasurements"), TScanFormat::Xml);
    // Only the first non-empty line is looked at.
    EXPECT_EQ(DetectScanFormatFromText("# header\nHR-XRDSCAN"), TScanFormat::TwoColumn);
    EXPECT_EQ(DetectScanFormatFromText(""), TScanFormat::TwoColumn);
    EXPECT_STREQ(ScanFormatName(TScanFormat::Xml), "xml");
    EXPECT_STREQ(ScanFormatName(TScanFormat::HeaderCounts), "header-counts");
    EXPECT_STREQ(ScanFormatName(TScanFormat::ScanList), "scan-list");
    EXPECT_STREQ(ScanFormatName(TScanFormat::TwoColumn), "two-column");
}

TEST(TextLineReader, AcceptsAllLineEndsAndSkipsEmptyLines) {
    TextLineReader r("a\r\n\r\nb\rc\n\n  \nd");
    EXPECT_EQ(r.ReadTextLine(), "a");
    EXPECT_EQ(r.ReadTextLine(), "b");
    EXPECT_EQ(r.ReadTextLine(), "c");
    EXPECT_EQ(r.ReadTextLine(), "  ");  // blanks are not an empty line
    EXPECT_FALSE(r.AtEnd());
    EXPECT_EQ(r.ReadTextLine(), "d");
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.ReadTextLine(), "");
    TextLineReader tail("x\r\n\r\n");
    tail.ReadTextLine();
    EXPECT_TRUE(tail.AtEnd());
}

TEST(ScanFileIo, MissingFileGivesTheFileError) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    EXPECT_THROW(ReadScanFile("/nonexistent/dir/a.x00", true, registry, prompts), TrevascError);
    EXPECT_THROW(DetectScanFormat("/nonexistent/dir/a.x00"), TrevascError);
    EXPECT_EQ(registry.MainScan().Count, 0);
}

TEST(HeaderCountsReader, ReadsHeaderAndRunningPositions) {
    ScanRegistry registry;
    FillMainScan(registry);
    registry.OpenScanKind = TScanKind::Phi;
    ReaderPrompts prompts;
    const std::string text =
        "HR-XRDSCAN\r\nFirstAngle, 10.5\r\n\r\nSTEPWIDTH,0,25\r\nNrOfData,4\r\nIgnored,1\r\n"
        "ScanData\r\n100\r\n200,4\r\n 2.5 \r\n3.5\r\n999\r\n";
    ReadHeaderCountsText(text, "/data/run 1.x00", true, registry, prompts);
    const TDataSet& s = registry.MainScan();
    ASSERT_EQ(s.Count, 4);
    ASSERT_EQ(s.RawPoints.size(), 4u);
    EXPECT_DOUBLE_EQ(s.RawPoints[0].Position, 10.5);
    EXPECT_DOUBLE_EQ(s.RawPoints[3].Position, 11.25);
    EXPECT_EQ(s.RawPoints[1].Intensity, 200);
    EXPECT_EQ(s.RawPoints[2].Intensity, 2);  // halves to even
    EXPECT_EQ(s.RawPoints[3].Intensity, 4);
    EXPECT_EQ(s.Name, "run 1.x00");
    EXPECT_EQ(s.Peaks.Count, 1);  // a reader never touches the peak list
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
}

TEST(HeaderCountsReader, MessagesLeaveTheRegistryAlone) {
    const auto read = [](auto&&... a) { return ReadHeaderCountsText(a...); };
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    EXPECT_EQ(
        ErrorOf(read, "HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nSCANDATA\n5\n", registry, prompts),
        "Unknown data format.");
    EXPECT_EQ(ErrorOf(read, "HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,0\nSCANDATA\r\n\r\n",
                      registry, prompts),
              "Unexpected end of file.");
    EXPECT_EQ(
        ErrorOf(read, "HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,3\n", registry, prompts),
        "Unexpected end of file.");
    // Fewer intensities than announced.
    EXPECT_EQ(ErrorOf(read, "HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,3\nSCANDATA\n1\n2\n",
                      registry, prompts),
              "Unexpected end of file.");
    const std::string head = "HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,2\nSCANDATA\n1\n";
    EXPECT_EQ(ErrorOf(read, head + "abc\n", registry, prompts),
              "'abc' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(ErrorOf(read, head + "nan\n", registry, prompts),
              "'nan' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(ErrorOf(read, head + "3e9\n", registry, prompts), "Bereichsüberprüfungsfehler");
    EXPECT_EQ(ErrorOf(read, "HR-XRDSCAN\nNROFDATA,x\nSCANDATA\n1\n", registry, prompts),
              "'X' ist kein gültiger Integerwert");
    ExpectMainUntouched(registry);

    registry.OpenScanKind = TScanKind::Omega;
    EXPECT_EQ(ErrorOf(read, head + "2\n", registry, prompts, false), kKindMismatchMessage);
    ExpectMainUntouched(registry);
    registry.OpenScanKind = TScanKind::TwoTheta;
    EXPECT_EQ(ErrorOf(read, head + "2\n", registry, prompts, false), "");
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(registry.Additional(0).Count, 2);
}

namespace {

const std::string kColumns =
    "H       K       L       D     TIM    CTS      TTH     OM     PHI     CHI    MON\n";

// One dataset: header (8th word after mscan = point count), column header, data lines made of
// H K L D TIM CTS TTH OM PHI CHI MON.
std::string TwoThetaDataset(const std::string& lines, int count) {
    return "> mscan tth 20 30 0.5 1 1 1 " + std::to_string(count) + " end\n" + kColumns + lines;
}

std::string DataLine(double tth, const std::string& cts, double phi) {
    return "0 0 0 1.5 1.0 " + cts + " " + std::to_string(tth) + " 7.5 " + std::to_string(phi) +
           " 0 1000\n";
}

}  // namespace

TEST(ScanListReader, ReadsListedPositionsAndWrapsPhi) {
    ReaderPrompts prompts;
    ScanRegistry registry;
    const std::string single =
        "SUPERDATA\n" +
        TwoThetaDataset(DataLine(20.0, "5", 0) + DataLine(20.5, "6", 0) + DataLine(21.25, "7", 0),
                        3);
    ReadScanListText(single, "/x/a.001", true, registry, prompts);
    ASSERT_EQ(registry.MainScan().Count, 3);
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[2].Position, 21.25);
    EXPECT_EQ(registry.MainScan().RawPoints[2].Intensity, 7);
    EXPECT_EQ(registry.MainScan().Name, "a.001");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
    EXPECT_TRUE(prompts.Questions.empty());

    // Phi scan: the point count is the 5th word; a value below its raw predecessor gets 360.
    const std::string phi = "SUPERDATA\n> mscan Phi 0 360 5 4 x\n" + kColumns +
                            DataLine(30, "1", 350) + DataLine(30, "2", 355) + DataLine(30, "3", 0) +
                            DataLine(30, "4", 5);
    ReadScanListText(phi, "p.001", true, registry, prompts);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Phi);
    ASSERT_EQ(registry.MainScan().Count, 4);
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[0].Position, 350.0);
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[1].Position, 355.0);
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[2].Position, 360.0);
    // Compared with the raw predecessor 0, not the corrected 360: 5 stays 5.
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[3].Position, 5.0);

    const std::string negative =
        "SUPERDATA\n> mscan phi 0 360 5 1 x\n" + kColumns + DataLine(30, "1", -5);
    ReadScanListText(negative, "p.001", true, registry, prompts);
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[0].Position, 355.0);
}

TEST(ScanListReader, AsksWhichDataset) {
    const std::string file = "SUPERDATA\n" + TwoThetaDataset(DataLine(10, "1", 0), 1) +
                             TwoThetaDataset(DataLine(20, "2", 0) + DataLine(21, "3", 0), 2) +
                             TwoThetaDataset(DataLine(30, "4", 0), 1);
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    prompts.Answers = {std::string("2")};
    ReadScanListText(file, "s.001", true, registry, prompts);
    ASSERT_EQ(prompts.Captions.size(), 1u);
    EXPECT_EQ(prompts.Captions[0], "Several datasets found in file");
    EXPECT_EQ(prompts.Questions[0], "The file contains 3 datasets. Which one shall be loaded?");
    ASSERT_EQ(registry.MainScan().Count, 2);
    EXPECT_DOUBLE_EQ(registry.MainScan().RawPoints[1].Position, 21.0);

    const auto read = [](auto&&... a) { return ReadScanListText(a...); };
    ScanRegistry other;
    FillMainScan(other);
    prompts.Answers = {std::nullopt};
    EXPECT_TRUE(ReadScanListText(file, "s.001", true, other, prompts).Cancelled);
    prompts.Answers = {std::string("two")};
    EXPECT_EQ(ErrorOf(read, file, other, prompts), "'two' ist kein gültiger Integerwert");
    prompts.Answers = {std::string("7")};
    EXPECT_EQ(ErrorOf(read, file, other, prompts),
              "There is no dataset number 7 in this file (it holds 3 datasets).");
    prompts.Answers = {std::string("0")};
    EXPECT_NE(ErrorOf(read, file, other, prompts), "");
    ExpectMainUntouched(other);
}

TEST(ScanListReader, CutDatasetsAndMessages) {
    const auto read = [](auto&&... a) { return ReadScanListText(a...); };
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    const std::string cut =
        "SUPERDATA\n" + TwoThetaDataset(DataLine(10, "1", 0) + DataLine(11, "2", 0) +
                                            DataLine(12, "3.5", 0) + DataLine(13, "4", 0),
                                        4);
    EXPECT_EQ(ErrorOf(read, cut, registry, prompts), "");
    EXPECT_EQ(registry.MainScan().Count, 2);
    EXPECT_EQ(registry.MainScan().RawPoints.size(), 2u);
    ASSERT_EQ(prompts.Infos.size(), 1u);
    EXPECT_EQ(prompts.Infos[0],
              "The dataset has been cut or is not complete. The available data points have been "
              "loaded.");

    FillMainScan(registry);
    EXPECT_EQ(ErrorOf(read, "SUPERDATA\n" + TwoThetaDataset("a b c d e x 3 4 5 6 7\n", 1), registry,
                      prompts),
              "The dataset does not contain any valid data.");
    EXPECT_EQ(ErrorOf(read, "SUPERDATA\n> mscan tth 1 2 3\n" + kColumns + DataLine(1, "1", 0),
                      registry, prompts),
              "Unknown file format.");
    EXPECT_EQ(
        ErrorOf(read, "SUPERDATA\n> mscan tth 1 2 3 4 5 6 x\n" + kColumns + DataLine(1, "1", 0),
                registry, prompts),
        "Unknown file format.");
    EXPECT_EQ(ErrorOf(read, "SUPERDATA\n> mscan tth 1 2 3 4 5 6 1\n0 0 0\n", registry, prompts),
              "Unexpected end of file.");
    ExpectMainUntouched(registry);

    registry.OpenScanKind = TScanKind::TwoTheta;
    const std::string phi = "SUPERDATA\n> mscan phi 0 360 5 1 x\n" + kColumns + DataLine(1, "1", 0);
    EXPECT_EQ(ErrorOf(read, phi, registry, prompts, false), kKindMismatchMessage);
    ExpectMainUntouched(registry);
}

TEST(TwoColumnReader, SeparatorsCommentsAndNames) {
    const auto read = [](auto&&... a) { return ReadTwoColumnText(a...); };
    ScanRegistry registry;
    ReaderPrompts prompts;
    EXPECT_EQ(ErrorOf(read,
                      "# a comment\nTwoTheta Counts\n-1 5\n.5 6\n10,5;1234\r\n10,6;1000\r\n"
                      "10.7\t31   \n",
                      registry, prompts),
              "");
    const TDataSet& s = registry.MainScan();
    ASSERT_EQ(s.Count, 3);
    EXPECT_DOUBLE_EQ(s.RawPoints[0].Position, 10.5);
    EXPECT_EQ(s.RawPoints[0].Intensity, 1234);
    EXPECT_EQ(s.RawPoints[2].Intensity, 31);
    EXPECT_EQ(s.Name, "scan.txt");
    EXPECT_TRUE(prompts.Infos.empty());

    // A byte order mark does not hide the first data line.
    ReadScanText(
        "\xEF\xBB\xBF"
        "10 5\n11 6\n",
        "bom.txt", true, registry, prompts);
    EXPECT_EQ(registry.MainScan().Count, 2);

    FillMainScan(registry);
    EXPECT_EQ(ErrorOf(read, "10.5,1234\n10.6,1000\n", registry, prompts), "Unknown data format.");
    EXPECT_EQ(ErrorOf(read, "10.5 1\n", registry, prompts), "Unknown data format.");
    EXPECT_EQ(ErrorOf(read, "10.5 1\n10.6 5 6\n", registry, prompts),
              "'5 6' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(ErrorOf(read, "10.5 1\n10.6 inf\n", registry, prompts),
              "'inf' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(ErrorOf(read, "10.5 1\n10.6 -3e9\n", registry, prompts),
              "Bereichsüberprüfungsfehler");
    EXPECT_EQ(ErrorOf(read, "10.5 1\n10.6e 2\n", registry, prompts),
              "'10.6e' ist kein gültiger Gleitkommawert");
    // A bad intensity anywhere comes before a spacing error earlier in the file.
    EXPECT_EQ(ErrorOf(read, "10 1\n11 1\n15 1\n13 x\n", registry, prompts),
              "'x' ist kein gültiger Gleitkommawert");
    ExpectMainUntouched(registry);

    registry.OpenScanKind = TScanKind::Phi;
    EXPECT_EQ(ErrorOf(read, "10 1\n11 1\n", registry, prompts, false), kKindMismatchMessage);
    ExpectMainUntouched(registry);
}

TEST(TwoColumnReader, SpacingIsCheckedAgainstTheWholeFileStep) {
    const auto read = [](auto&&... a) { return ReadTwoColumnText(a...); };
    ScanRegistry registry;
    ReaderPrompts prompts;
    const auto file = [](double deviation) {
        std::string text;
        for (int i = 0; i <= 10; ++i)
            text += std::to_string(10.0 + 0.1 * i + (i == 5 ? deviation : 0.0)) + " 100\n";
        return text;
    };
    EXPECT_EQ(ErrorOf(read, file(0.0005), registry, prompts), "");
    ASSERT_EQ(registry.MainScan().Count, 11);
    EXPECT_NEAR(registry.MainScan().RawPoints[5].Position, 10.5, 1e-12);  // on the grid
    EXPECT_EQ(ErrorOf(read, file(0.002), registry, prompts),
              "Unknown data format. Two Theta spacing not uniform.");

    // Positions rounded to 4 decimals with a step of 0.03875: the first two rounded values
    // give a step that drifts off by 0.001 within a few dozen points; the whole-file step does
    // not, and later points sit where they were measured.
    std::string rounded;
    for (int i = 0; i < 2000; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%.4f\t%d\n", 20.0 + 0.03875 * i, i);
        rounded += line;
    }
    EXPECT_EQ(ErrorOf(read, rounded, registry, prompts), "");
    ASSERT_EQ(registry.MainScan().Count, 2000);
    EXPECT_NEAR(registry.MainScan().RawPoints[1999].Position, 20.0 + 0.03875 * 1999, 1e-4);
}

TEST(TwoColumnReader, ScalesCountsBeyondThe32BitRange) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    ReadTwoColumnText("10 3000000000\n11 5\n12 25\n", "a.txt", true, registry, prompts);
    ASSERT_EQ(prompts.Infos.size(), 1u);
    EXPECT_EQ(prompts.Infos[0],
              "The scan data were scaled by a factor of 10 to keep the maximum counts in the range "
              "of a 32-bit integer");
    EXPECT_EQ(registry.MainScan().RawPoints[0].Intensity, 300000000);
    EXPECT_EQ(registry.MainScan().RawPoints[2].Intensity, 2);  // 2.5 halves to even

    prompts.Infos.clear();
    ReadTwoColumnText("10 2000000000\n11 5\n", "a.txt", true, registry, prompts);
    EXPECT_TRUE(prompts.Infos.empty());
    EXPECT_EQ(registry.MainScan().RawPoints[0].Intensity, 2000000000);

    ReadTwoColumnText("10 2.5e14\n11 5\n", "a.txt", true, registry, prompts);
    ASSERT_EQ(prompts.Infos.size(), 1u);
    EXPECT_NE(prompts.Infos[0].find("factor of 1000000 to"), std::string::npos);
    EXPECT_EQ(registry.MainScan().RawPoints[0].Intensity, 250000000);
}

TEST(ReaderNumbers, PlainDecimalsReadExactlyAsFromChars) {
    // The readers' fast path for plain decimals must give the very value of the general one.
    std::mt19937 random(12345);
    for (int n = 0; n < 200000; ++n) {
        const int digits = 1 + static_cast<int>(random() % 18);
        std::string text = random() % 4 == 0 ? "-" : "";
        const int point = static_cast<int>(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) text += random() % 2 ? "." : ",";
            text += static_cast<char>('0' + random() % 10);
        }
        std::string dotted = text;
        for (char& c : dotted)
            if (c == ',') c = '.';
        double expected = 0;
        auto [ptr, ec] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), expected);
        ASSERT_EQ(ec, std::errc()) << text;
        const std::optional<double> value = TryParseFloat(text);
        ASSERT_TRUE(value.has_value()) << text;
        ASSERT_EQ(std::memcmp(&*value, &expected, sizeof expected), 0) << text;
        // The whole-count shortcut, where it applies, gives the same value.
        if (int32_t whole; TryWholeCount(text, whole)) ASSERT_EQ(whole, *value) << text;
    }
    int32_t whole = 0;
    EXPECT_TRUE(TryWholeCount("000123", whole) && whole == 123);
    for (const char* notWhole : {"", "-5", "+5", "1e3", "1.0", "1234567890", "12 3"})
        EXPECT_FALSE(TryWholeCount(notWhole, whole)) << notWhole;
    EXPECT_FALSE(TryParseFloat("-").has_value());
    EXPECT_FALSE(TryParseFloat("1..2").has_value());
    EXPECT_FALSE(TryParseFloat("1.2.").has_value());
    EXPECT_DOUBLE_EQ(*TryParseFloat("5."), 5.0);
    EXPECT_DOUBLE_EQ(*TryParseFloat("+.5"), 0.5);
}
