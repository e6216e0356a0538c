#include <gtest/gtest.h>

#include <sstream>

#include "base/Error.h"
#include "formats/PeakListFile.h"
#include "support/TempDir.h"

using namespace trevasc;
using namespace trevasc::formats;

namespace {

TDataSet ScanWithPeaks() {
    TDataSet s;
    TDataPointArray a;
    for (int i = 0; i <= 100; ++i) a.push_back({10.0 + 0.5 * i, 100 + i, 0, 0});
    s.SetRawPoints(std::move(a));
    AddPeak(s, 33.01237, "Si (004)  substrate", true);
    AddPeak(s, 12.5, "", false);
    AddPeak(s, 20.25, "film", true);
    AddPeak(s, 44.444449, "second order", false);
    AddPeak(s, 1234.5, "far", true);  // a position wider than 9 characters
    return s;
}

// Position (shortest form), check mark and description of every peak.
std::string Rows(const TDataSet& s) {
    std::ostringstream rows;
    for (const TPeak& p : s.Peaks.Items)
        rows << p.Position << (p.Checked ? "+" : "-") << p.Description << "|";
    return rows.str();
}

}  // namespace

TEST(PeakListFile, IdentFileReadsBackWithTitleDescriptionsAndChecks) {
    test::TempDir dir;
    TDataSet s = ScanWithPeaks();
    WritePeakListFile(dir.File("p.txt"), s, true, "XRD Plot: scan.xrdml (d=4.05)");
    EXPECT_FALSE(s.Peaks.Unsaved);
    // Checked peaks first, then an empty line and the unchecked ones.
    const std::string text = dir.Read("p.txt");
    EXPECT_TRUE(
        text.starts_with("TITLE XRD Plot: scan.xrdml (d=4.05)\r\n20.2500   film\r\n"
                         "33.0124   Si (004)  substrate\r\n"))
        << text;
    EXPECT_NE(text.find("1234.5000 far\r\n\r\n12.5000   \r\n"), std::string::npos);

    TDataSet back;
    std::string title;
    ReadPeakListFile(dir.File("p.txt"), back, true, title);
    EXPECT_EQ(title, "XRD Plot: scan.xrdml (d=4.05)");
    EXPECT_FALSE(back.Peaks.Unsaved);
    EXPECT_EQ(Rows(back),
              "12.5-|20.25+film|33.0124+Si (004)  substrate|44.4444-second order|"
              "1234.5+far|");
    // Without the main flag the TITLE line is ignored.
    std::string untouched = "keep";
    ReadPeakListFile(dir.File("p.txt"), back, false, untouched);
    EXPECT_EQ(untouched, "keep");
}

TEST(PeakListFile, PlainFileUsesPointUnderAnyLocaleAndReadsBack) {
    test::TempDir dir;
    TDataSet s = ScanWithPeaks();
    const std::string text = PeakListFileText(s);
    EXPECT_EQ(text, "20.2500\r\n33.0124\r\n1234.5000\r\n\r\n12.5000\r\n44.4444\r\n");
    s.Peaks.Unsaved = true;
    WritePeakListFile(dir.File("plain.txt"), s, false, "ignored");
    EXPECT_FALSE(s.Peaks.Unsaved);
    EXPECT_EQ(dir.Read("plain.txt"), text);

    // A user with a decimal comma reads the same file back.
    TDataSet back;
    std::string title = "old";
    ReadPeakListText(text, back, true, title, ',');
    EXPECT_EQ(title, "old");
    EXPECT_EQ(Rows(back), "12.5-|20.25+|33.0124+|44.4444-|1234.5+|");
}

TEST(PeakListFile, LineRulesOfTheReader) {
    TDataSet s;
    std::string title;
    // First line empty: every peak unchecked. CR, LF and CR LF all end lines; leading blanks of a
    // description are dropped, inner blanks kept; a comma reads as decimal mark.
    ReadPeakListText("\r\n  10.5    a b  c \r11,25\nTITLE  My  title \r\n", s, true, title);
    EXPECT_EQ(title, "My  title");
    EXPECT_EQ(Rows(s), "10.5-a b  c|11.25-|");
    // The list is replaced, not extended; a byte order mark is skipped.
    ReadPeakListText(std::string("\xEF\xBB\xBF") + "7.0\n", s, true, title);
    EXPECT_EQ(Rows(s), "7+|");

    // A conversion error keeps the peaks read before, and the list counts as unsaved.
    try {
        ReadPeakListText("10.0 first\n12.0\nabc def\n14.0\n", s, true, title);
        FAIL() << "no error";
    } catch (const TrevascError& e) {
        EXPECT_STREQ(e.what(), "'abc' ist kein gültiger Gleitkommawert");
    }
    EXPECT_EQ(Rows(s), "10+first|12+|");
    EXPECT_TRUE(s.Peaks.Unsaved);

    // Read from a file, the message names it and the line (empty lines count).
    test::TempDir dir;
    const std::string file = dir.Write("s_Peaks.txt", "TITLE t\r\n10.0\r\n\r\n1\x1B[0m x\r\n");
    try {
        ReadPeakListFile(file, s, true, title);
        FAIL() << "no error";
    } catch (const TrevascError& e) {
        EXPECT_EQ(
            std::string(e.what()),
            "Peak list \"" + file + "\", line 4: '1\\x1b[0m' ist kein gültiger Gleitkommawert");
    }
}

TEST(PeakListFile, FailuresLeaveDataAndFilesAlone) {
    test::TempDir dir;
    TDataSet s = ScanWithPeaks();
    std::string title;
    EXPECT_THROW(ReadPeakListFile(dir.File("missing.txt"), s, true, title), TrevascError);
    EXPECT_EQ(s.Peaks.Count(), 5);
    s.Peaks.Unsaved = true;
    EXPECT_THROW(WritePeakListFile(dir.File("no/such/folder/p.txt"), s, true, ""), TrevascError);
    EXPECT_TRUE(s.Peaks.Unsaved);

    // A line break inside a description must not break the file into unreadable lines.
    s.Peaks.Items[0].Description = "two\r\nlines";
    WritePeakListFile(dir.File("p.txt"), s, true, "t\nx");
    TDataSet back;
    ReadPeakListFile(dir.File("p.txt"), back, true, title);
    EXPECT_EQ(title, "t x");
    EXPECT_EQ(back.Peaks.Count(), 5);
}
