// Format detection, line reading and the three text scan formats.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <random>
#include <sstream>
#include <tuple>

#include "base/NumberText.h"
#include "formats/ReaderTestSupport.h"
#include "formats/TextScanReaders.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;
using testing::HasSubstr;

TEST(ScanFormatDetection, FirstNonEmptyLineDecides) {
    const std::pair<const char*, TScanFormat> cases[] = {
        {"<?xml version=\"1.0\"?>\n<xrdMeasurements>", TScanFormat::Xml},
        {"\r\n\n<?XML VERSION='1.0'?>", TScanFormat::Xml},
        {"<xrdmeasurements xmlns=\"x\">", TScanFormat::Xml},
        {"file: hr-xrdscan v2\nSUPERDATA", TScanFormat::HeaderCounts},
        {"  superdata 1", TScanFormat::ScanList},
        {"HR-XRDSCAN <xrdMeasurements", TScanFormat::Xml},  // XML markers win on one line
        {"# header\nHR-XRDSCAN", TScanFormat::TwoColumn},   // only the first line counts
        {"", TScanFormat::TwoColumn}};
    for (const auto& [text, format] : cases)
        EXPECT_EQ(DetectScanFormatFromText(text), format) << text;

    ScanRegistry registry;
    ReaderPrompts prompts;
    EXPECT_THROW(ReadScanFile("/nonexistent/dir/a.x00", true, registry, prompts), TrevascError);
    EXPECT_THROW(DetectScanFormat("/nonexistent/dir/a.x00"), TrevascError);
}

TEST(HeaderCountsReader, ReadsHeaderAndRunningPositionsOrFailsWithItsMessage) {
    ScanRegistry registry;
    FillMainScan(registry);
    registry.OpenScanKind = TScanKind::Phi;
    ReaderPrompts prompts;
    // CR, LF and CR LF all end lines; empty lines are skipped.
    ReadHeaderCountsText(
        "HR-XRDSCAN\r\nFirstAngle, 10.5\r\n\r\nSTEPWIDTH,0,25\rNrOfData,4\nIgnored,1\r\n"
        "ScanData\r\n100\r\n200,4\r\n 2.5 \r\n3.5\r\n999\r\n",
        "/data/run 1.x00", true, registry, prompts);
    const TDataSet& s = registry.MainScan();
    EXPECT_EQ(PositionsOf(s), (std::vector<double>{10.5, 10.75, 11, 11.25}));
    EXPECT_EQ(IntensitiesOf(s), (std::vector<int>{100, 200, 2, 4}));  // halves to even
    EXPECT_EQ(s.Name, "run 1.x00");
    EXPECT_EQ(s.Peaks.Count(), 1);  // a reader never touches the peak list
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);

    const std::string head = "HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,2\nSCANDATA\n1\n";
    ExpectFailures(
        ReadHeaderCountsText,
        {{"HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nSCANDATA\n5\n", "Unknown data format."},
         {"HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,0\nSCANDATA\r\n\r\n",
          "Unexpected end of file."},
         {"HR-XRDSCAN\nFIRSTANGLE,1\nSTEPWIDTH,1\nNROFDATA,3\n", "Unexpected end of file."},
         {head, "Unexpected end of file."},  // fewer intensities than announced
         {head + "abc\n", "'abc' ist kein gültiger Gleitkommawert"},
         {head + "nan\n", "'nan' ist kein gültiger Gleitkommawert"},
         {head + "3e9\n", "Bereichsüberprüfungsfehler"},
         {"HR-XRDSCAN\nNROFDATA,x\nSCANDATA\n1\n", "'X' ist kein gültiger Integerwert"}});
    ExpectFailures(ReadHeaderCountsText, {{head + "2\n", kKindMismatchMessage}}, TScanKind::Omega);
    registry.OpenScanKind = TScanKind::TwoTheta;
    EXPECT_EQ(ErrorOf(ReadHeaderCountsText, head + "2\n", registry, prompts, false), "");
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(registry.Additional(0).Count(), 2);
}

namespace {

const std::string kColumns =
    "H       K       L       D     TIM    CTS      TTH     OM     PHI     CHI    MON\n";

std::string DataLine(double tth, const std::string& cts, double phi = 0) {
    return "0 0 0 1.5 1.0 " + cts + " " + std::to_string(tth) + " 7.5 " + std::to_string(phi) +
           " 0 1000\n";
}

// One 2Theta dataset: header (8th word after mscan = point count, all points unless `count` is
// given), column header, a data line of H K L D TIM CTS TTH OM PHI CHI MON per {TTH, CTS}.
std::string TwoThetaDataset(const std::vector<std::pair<double, std::string>>& points,
                            int count = -1) {
    std::string text = "> mscan tth 20 30 0.5 1 1 1 " +
                       std::to_string(count < 0 ? points.size() : count) + " end\n" + kColumns;
    for (const auto& [tth, cts] : points) text += DataLine(tth, cts);
    return text;
}

// A phi scan (point count = 5th word) of the given phi positions.
std::string PhiScan(const std::vector<double>& phis) {
    std::string text =
        "SUPERDATA\n> mscan Phi 0 360 5 " + std::to_string(phis.size()) + " x\n" + kColumns;
    for (double phi : phis) text += DataLine(30, "1", phi);
    return text;
}

}  // namespace

TEST(ScanListReader, ReadsListedPositionsAndWrapsPhi) {
    ReaderPrompts prompts;
    ScanRegistry registry;
    ReadScanListText("SUPERDATA\n" + TwoThetaDataset({{20, "5"}, {20.5, "6"}, {21.25, "7"}}),
                     "/x/a.001", true, registry, prompts);
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{20, 20.5, 21.25}));
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(registry.MainScan().Name, "a.001");
    EXPECT_TRUE(registry.OpenScanKind == TScanKind::TwoTheta && prompts.Questions.empty());

    // A phi value below its raw predecessor gets 360; compared with the raw predecessor 0, not
    // the corrected 360, 5 stays 5. A negative first value wraps as well.
    ReadScanListText(PhiScan({350, 355, 0, 5}), "p.001", true, registry, prompts);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Phi);
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{350, 355, 360, 5}));
    ReadScanListText(PhiScan({-5}), "p.001", true, registry, prompts);
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{355}));
}

TEST(ScanListReader, AsksWhichDataset) {
    const std::string file = "SUPERDATA\n" + TwoThetaDataset({{10, "1"}}) +
                             TwoThetaDataset({{20, "2"}, {21, "3"}}) + TwoThetaDataset({{30, "4"}});
    ScanRegistry registry;
    ReaderPrompts prompts;
    prompts.Answers = {std::string("2")};
    ReadScanListText(file, "s.001", true, registry, prompts);
    EXPECT_EQ(prompts.Captions, std::vector<std::string>{"Several datasets found in file"});
    EXPECT_EQ(prompts.Questions[0], "The file contains 3 datasets. Which one shall be loaded?");
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{20, 21}));
    // The last dataset is one of the choices (numbers count from 1 to the number of headers).
    prompts.Answers = {std::string("3")};
    ReadScanListText(file, "s.001", true, registry, prompts);
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{30}));

    FillMainScan(registry);
    prompts.Answers = {std::nullopt};
    EXPECT_TRUE(ReadScanListText(file, "s.001", true, registry, prompts).Cancelled);
    prompts.Answers = {std::string("two")};
    EXPECT_EQ(ErrorOf(ReadScanListText, file, registry, prompts),
              "'two' ist kein gültiger Integerwert");
    for (const char* outside : {"0", "4"}) {
        prompts.Answers = {std::string(outside)};
        EXPECT_EQ(ErrorOf(ReadScanListText, file, registry, prompts),
                  "There is no dataset number " + std::string(outside) +
                      " in this file (it holds 3 datasets).");
    }
    ExpectMainUntouched(registry);
}

TEST(ScanListReader, CutDatasetsAndMessages) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    // A line that does not read ends the dataset early.
    const std::string cut =
        "SUPERDATA\n" + TwoThetaDataset({{10, "1"}, {11, "2"}, {12, "3.5"}, {13, "4"}});
    EXPECT_EQ(ErrorOf(ReadScanListText, cut, registry, prompts), "");
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{1, 2}));
    EXPECT_EQ(prompts.Infos, std::vector<std::string>{"The dataset has been cut or is not "
                                                      "complete. The available data points have "
                                                      "been loaded."});

    ExpectFailures(
        ReadScanListText,
        {{"SUPERDATA\n" + TwoThetaDataset({}, 1) + "a b c d e x 3 4 5 6 7\n",
          "The dataset does not contain any valid data."},
         {"SUPERDATA\n> mscan tth 1 2 3\n" + kColumns + DataLine(1, "1"), "Unknown file format."},
         {"SUPERDATA\n> mscan tth 1 2 3 4 5 6 x\n" + kColumns + DataLine(1, "1"),
          "Unknown file format."},
         {"SUPERDATA\n> mscan tth 1 2 3 4 5 6 1\n0 0 0\n", "Unexpected end of file."}});
    ExpectFailures(ReadScanListText, {{PhiScan({0}), kKindMismatchMessage}}, TScanKind::TwoTheta);
}

TEST(TwoColumnReader, SeparatorsCommentsAndMessages) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    EXPECT_EQ(ErrorOf(ReadTwoColumnText,
                      "# a comment\nTwoTheta Counts\n-1 5\n.5 6\n10,5;1234\r\n10,6;1000\r\n"
                      "10.7\t31   \n",
                      registry, prompts),
              "");
    // Lines not starting with a digit are skipped; ";" and tabs separate, "," is a decimal mark.
    const TDataSet& s = registry.MainScan();
    EXPECT_EQ(PositionsOf(s), (std::vector<double>{10.5, 10.6, 10.7}));
    EXPECT_EQ(IntensitiesOf(s), (std::vector<int>{1234, 1000, 31}));
    EXPECT_TRUE(s.Name == "scan.txt" && prompts.Infos.empty());
    // A byte order mark does not hide the first data line.
    ReadScanText(std::string("\xEF\xBB\xBF") + "10 5\n11 6\n", "bom.txt", true, registry, prompts);
    EXPECT_EQ(registry.MainScan().Count(), 2);

    ExpectFailures(ReadTwoColumnText,
                   {{"10.5,1234\n10.6,1000\n", "Unknown data format."},
                    {"10.5 1\n", "Unknown data format."},
                    {"10.5 1\n10.6 5 6\n", "'5 6' ist kein gültiger Gleitkommawert"},
                    {"10.5 1\n10.6 inf\n", "'inf' ist kein gültiger Gleitkommawert"},
                    {"10.5 1\n10.6 -3e9\n", "Bereichsüberprüfungsfehler"},
                    {"10.5 1\n10.6e 2\n", "'10.6e' ist kein gültiger Gleitkommawert"},
                    // A bad intensity anywhere comes before a spacing error earlier in the file.
                    {"10 1\n11 1\n15 1\n13 x\n", "'x' ist kein gültiger Gleitkommawert"}});
    ExpectFailures(ReadTwoColumnText, {{"10 1\n11 1\n", kKindMismatchMessage}}, TScanKind::Phi);
}

TEST(TwoColumnReader, SpacingIsCheckedAgainstTheWholeFileStep) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    const auto file = [](double deviation) {
        std::string text;
        for (int i = 0; i <= 10; ++i)
            text += std::to_string(10.0 + 0.1 * i + (i == 5 ? deviation : 0.0)) + " 100\n";
        return text;
    };
    EXPECT_EQ(ErrorOf(ReadTwoColumnText, file(0.0005), registry, prompts), "");
    ASSERT_EQ(registry.MainScan().Count(), 11);
    EXPECT_NEAR(registry.MainScan().RawPoints[5].Position, 10.5, 1e-12);  // on the grid
    EXPECT_EQ(ErrorOf(ReadTwoColumnText, file(0.002), registry, prompts),
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
    EXPECT_EQ(ErrorOf(ReadTwoColumnText, rounded, registry, prompts), "");
    ASSERT_EQ(registry.MainScan().Count(), 2000);
    EXPECT_NEAR(registry.MainScan().RawPoints[1999].Position, 20.0 + 0.03875 * 1999, 1e-4);
}

TEST(TwoColumnReader, ScalesCountsBeyondThe32BitRange) {
    const std::tuple<const char*, std::vector<int>, const char*> cases[] = {
        {"10 2000000000\n11 5\n", {2000000000, 5}, nullptr},
        {"10 2.5e14\n11 5\n", {250000000, 0}, "1000000"}};
    for (const auto& [text, counts, factor] : cases) {
        ScanRegistry registry;
        ReaderPrompts prompts;
        ReadTwoColumnText(text, "a.txt", true, registry, prompts);
        EXPECT_EQ(IntensitiesOf(registry.MainScan()), counts);
        EXPECT_EQ(prompts.Infos,
                  factor ? std::vector<std::string>{"The scan data were scaled by a factor of " +
                                                    std::string(factor) +
                                                    " to keep the maximum counts in the range of "
                                                    "a 32-bit integer"}
                         : std::vector<std::string>{});
    }
}

TEST(TwoColumnReader, FractionsAndLargeValuesAnywhereInEitherHalfAreScaledInPlace) {
    // Whole counts, fractions and one value beyond 32 bits, read in one run and in two halves
    // on two threads: every intensity is its written value over the factor, rounded half to even.
    for (const bool large : {false, true}) {
        std::vector<double> written;
        std::string text = "# mixed\n";
        for (int i = 0; i < 400; ++i) {
            double v = i * 7;
            if (i % 37 == 5) v = i * 7 + 0.5;         // fractions, some halves to even
            if (i % 53 == 11) v = i * 7 + 0.25;       // and some below the half
            if (large && i == 301) v = 3000000005.0;  // in the second half
            written.push_back(v);
            char line[64];
            std::snprintf(line, sizeof line, "%.2f\t%.2f\n", 10.0 + 0.5 * i, v);
            text += line;
        }
        const double factor = large ? 10.0 : 1.0;
        for (const size_t parallelFrom : {size_t{1}, size_t{1} << 30}) {
            ScanRegistry registry;
            ReaderPrompts prompts;
            ReadTwoColumnText(text, "m.txt", true, registry, prompts, parallelFrom);
            const TRawPointArray& raw = registry.MainScan().RawPoints;
            ASSERT_EQ(raw.size(), written.size());
            for (size_t i = 0; i < raw.size(); ++i) {
                ASSERT_EQ(raw[i].Intensity, std::nearbyint(written[i] / factor))
                    << i << " large " << large << " parallel from " << parallelFrom;
                ASSERT_EQ(raw[i].Position, 10.0 + 0.5 * static_cast<double>(i)) << i;
            }
            EXPECT_EQ(prompts.Infos.size(), large ? 1u : 0u);
        }
    }
}

// A double with every digit it has, so that equal texts mean equal values.
std::string Exact(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

namespace {

// A two-column scan of n lines with comments, blank lines and decimal commas here and there.
std::string TwoColumn(int n, const std::string& lineEnd) {
    std::string text = "# 2Theta counts" + lineEnd;
    for (int i = 0; i < n; ++i) {
        if (i % 97 == 3) text += lineEnd + "  # comment" + lineEnd;
        std::string x = std::to_string(20000 + 3 * i);
        x.insert(x.size() - 3, i % 5 ? "." : ",");
        text += x + (i % 2 ? "\t" : "  ") + std::to_string((i * 7919) % 5000) + lineEnd;
    }
    return text;
}

}  // namespace

TEST(ParallelRead, TwoColumnHalvesGiveTheSerialPointsAndErrors) {
    for (const std::string lineEnd : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE("line end " + std::to_string(lineEnd.size()) + std::to_string(lineEnd[0]));
        for (int n : {0, 1, 2, 3, 10, 2001})
            EXPECT_EQ(ExpectSameBothWays(ReadTwoColumnText, TwoColumn(n, lineEnd)),
                      n < 2 ? kUnknownDataFormatMessage : "read");
        const std::string text = TwoColumn(2001, lineEnd);
        // Lines 11 and 1999, in the first and in the second half.
        const std::string early = "20.033\t", late = "25.997\t";
        ASSERT_NE(text.find(early), std::string::npos);
        ASSERT_NE(text.find(late), std::string::npos);
        // Errors in either half, and in both: the first of the earliest pass is reported (a
        // bad value before a bad position, both before spacing and range).
        const std::vector<std::pair<std::string, std::string>> cases = {
            {Replace(text, early, "20.0.33\t"), "'20.0.33' ist kein"},
            {Replace(text, late, "25.99.7\t"), "'25.99.7' ist kein"},
            {Replace(Replace(text, early, early + "1e"), late, "25.99.7\t"), "'1e2109' ist kein"},
            {Replace(Replace(text, early, "20.0.33\t"), late, late + "x"), "'x81' ist kein"},
            {Replace(text, late, "27.5\t"), kSpacingMessage},
            {Replace(text, late + "81", late + "-4e12"), "Bereichsüberprüfungsfehler"},
            {Replace(Replace(text, late + "81", late + "-4e12"), early, "20.03\t"),
             kSpacingMessage},
        };
        for (const auto& [bad, message] : cases)
            EXPECT_THAT(ExpectSameBothWays(ReadTwoColumnText, bad), HasSubstr(message));
    }
}

TEST(TwoColumnReader, EveryLineReadsAsTheDocumentedSplitSays) {
    // The documented reading of one line, spelled out: the first character that cannot belong
    // to a number separates the columns, both trimmed, each converted as a whole. The reader
    // takes a shortcut for the usual lines; whatever the line, the outcome must be this one.
    const auto documented = [](const std::string& line) -> std::string {
        const std::string_view t = Trim(line);
        if (t.empty() || t[0] < '0' || t[0] > '9') return "Unknown data format.";
        const size_t sep = t.find_first_not_of("+-.,0123456789Ee");
        const std::string_view x = Trim(t.substr(0, sep));
        const std::string_view y = sep == std::string_view::npos ? "" : Trim(t.substr(sep + 1));
        if (x.empty() || y.empty()) return "Unknown data format.";
        const auto yv = TryParseFloat(y), xv = TryParseFloat(x);
        if (!yv) return FloatConversionMessage(ToLocalDecimal(y));
        if (!xv) return FloatConversionMessage(ToLocalDecimal(x));
        if (std::fabs(*yv) >= 2e9) return "large";
        return Exact(*xv) + " " + std::to_string(RoundToInt32(*yv));
    };
    const auto words = [](const std::string& text) {
        std::istringstream in(text);
        return std::vector<std::string>(std::istream_iterator<std::string>(in), {});
    };
    const std::vector<std::string> lead = {"", "", " ", "\t"},
                                   trail = {"", "", " \t", " x", "\xC2\xB0"},
                                   separators = {" ", "\t", ";", "x", ",", "  ", "\t ", "-"};
    const std::vector<std::string> positions = words(
        "12 12.5 12,5 0012.0400 1. 12.5.3 1e3 12345678901234567 -3 +5 .5 1.5e-2 7x "
        "123456789012345.5 999999999999999");
    std::vector<std::string> counts = words("7 123456789 1234567890 00042 -5 5.5 5e2 x 5x 9,5");
    counts.insert(counts.end(), {"", "5 6"});
    std::mt19937 random(99);
    const auto pick = [&](const std::vector<std::string>& v) { return v[random() % v.size()]; };
    for (int n = 0; n < 4000; ++n) {
        const std::string line =
            pick(lead) + pick(positions) + pick(separators) + pick(counts) + pick(trail);
        ScanRegistry registry;
        ReaderPrompts prompts;
        // A second point far off: two points always lie on their own grid.
        const std::string error =
            ErrorOf(ReadTwoColumnText, line + "\n5000 1\n", registry, prompts);
        const std::string expected = documented(line);
        if (expected == "large") continue;  // the scaling has tests of its own
        const TRawPoint* p = registry.MainScan().RawPoints.data();
        const std::string read =
            !error.empty() ? error : Exact(p->Position) + " " + std::to_string(p->Intensity);
        ASSERT_EQ(read, expected) << "line '" << line << "'";
    }
}
