// Large files are converted on two threads: the points, names, messages and errors must be
// those of the serial reading, wherever the halves meet.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "base/NumberText.h"
#include "formats/ReaderTestSupport.h"
#include "formats/TextScanReaders.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;
using testing::HasSubstr;

namespace {

constexpr size_t kAlwaysSerial = std::numeric_limits<size_t>::max();

using TSizedReader = ReadResult (*)(std::string_view, const std::string&, bool, ScanRegistry&,
                                    Prompts&, size_t);

// Everything a reading leaves: its message, its notes, and every scan's name, second axis and
// points, the positions to the last bit.
std::string Outcome(TSizedReader reader, const std::string& text, size_t parallelFrom) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    std::ostringstream out;
    try {
        reader(text, "/data/scan.txt", true, registry, prompts, parallelFrom);
        out << "read\n";
    } catch (const TrevascError& e) {
        out << e.what() << "\n";
    }
    out << std::hexfloat;
    for (const std::string& info : prompts.Infos) out << info << "\n";
    for (int k = 0; k <= registry.AdditionalCount(); ++k) {
        const TDataSet& s = registry.ScanAt(k);
        out << s.Name << " " << s.SecondAxisPosition << ":";
        for (const TRawPoint& p : s.RawPoints) out << " " << p.Position << "/" << p.Intensity;
        out << "\n";
    }
    return out.str();
}

// Reads `text` serially and on two threads; everything that comes out must be equal. Returns the
// first line of the serial reading: its message, or "read".
std::string ExpectSameBothWays(TSizedReader reader, const std::string& text) {
    const std::string serial = Outcome(reader, text, kAlwaysSerial);
    EXPECT_EQ(Outcome(reader, text, 0), serial);
    return serial.substr(0, serial.find('\n'));
}

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

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// An area measurement of `scans` scans of `points` counts each, with attenuation factors.
std::string AreaMeasurement(int scans, int points) {
    std::string text =
        "<?xml version=\"1.0\"?>\n<xrdMeasurements><sample><id>A</id><name>map</name></sample>"
        "<xrdMeasurement measurementType=\"Area measurement\">";
    for (int s = 0; s < scans; ++s) {
        text += "<scan><dataPoints><positions axis=\"2Theta\" unit=\"deg\"><startPosition>30" +
                std::string("</startPosition><endPosition>40</endPosition></positions>") +
                "<positions axis=\"Omega\" unit=\"deg\"><startPosition>" + std::to_string(s) +
                "</startPosition><endPosition>" + std::to_string(s + 1) +
                "</endPosition></positions><beamAttenuationFactors>";
        for (int p = 0; p < points; ++p) text += p % 9 ? "1 " : "2,5 ";
        text += "</beamAttenuationFactors><counts>";
        for (int p = 0; p < points; ++p) text += std::to_string((s * 31 + p * 17) % 1000) + " ";
        text += "</counts></dataPoints></scan>";
    }
    return text + "</xrdMeasurement></xrdMeasurements>";
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
            {Replace(text, late + "81", late + "-4e12"), RangeErrorMessage()},
            {Replace(Replace(text, late + "81", late + "-4e12"), early, "20.03\t"),
             kSpacingMessage},
        };
        for (const auto& [bad, message] : cases)
            EXPECT_THAT(ExpectSameBothWays(ReadTwoColumnText, bad), HasSubstr(message));
    }
}

TEST(ParallelRead, AreaMeasurementHalvesGiveTheSerialScansAndErrors) {
    const std::string text = AreaMeasurement(41, 60);
    EXPECT_EQ(ExpectSameBothWays(ReadXmlMeasurementText, text), "read");
    EXPECT_EQ(ExpectSameBothWays(ReadXmlMeasurementText, AreaMeasurement(1, 60)), "read");
    // Bad counts in a late scan, then also in the first: the first is reported.
    const std::string late = Replace(text, "<counts>930 ", "<counts>930x ");
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText, late), HasSubstr("'930x'"));
    const std::string both = Replace(late, "<counts>0 ", "<counts>? ");
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText, both), HasSubstr("'?'"));
    // The positions are checked after the intensities, wherever they stand.
    const std::string badStart = Replace(text, "<startPosition>30<", "<startPosition>3o<");
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText, badStart), HasSubstr("'3o'"));
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText,
                                   Replace(late, "<startPosition>30<", "<startPosition>3o<")),
                HasSubstr("'930x'"));
}
