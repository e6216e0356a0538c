// trevasc-cli fit: one fit of a range with the window's defaults, the automatic fits of the
// checked peaks, and the messages of bad input. The fit itself is the tools tests' business.
#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/SyntheticScan.h"
#include "support/TempDir.h"

using namespace trevasc::test;

namespace {

// Lorentz peaks (FWHM 0.2 degrees, 2000 counts) on 100 counts, 28 to 36 degrees.
std::string Scan(const std::vector<double>& centres) {
    return ScanText(28.0, 0.01, 801, [&](double x) {
        double y = 100.0;
        for (double c : centres) y += 2000.0 * Lorentz(x, c, 0.2);
        return y;
    });
}

std::string JsonKeyText(const std::string& json, const std::string& key, size_t from = 0) {
    const size_t p = json.find("\"" + key + "\": ", from);
    if (p == std::string::npos) return {};
    const size_t start = p + key.size() + 4;
    return json.substr(start, json.find_first_of(",}", start) - start);
}

}  // namespace

TEST(CliFit, FitsTheDisplayedRangeBetweenTheBoundaries) {
    TempDir dir;
    const std::string file = dir.Write("one.txt", Scan({30.0}));
    CliRun r = CliLine("fit " + file +
                       " --profile lorentz --from 29 --to 31 --left 29.4 --right 30.6 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonNumber(r.Out, "first"), 100);
    EXPECT_EQ(JsonNumber(r.Out, "last"), 300);
    EXPECT_TRUE(Has(r.Out, "\"positionText\": \"30.000\"")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"passes\": [{") && Has(r.Out, "\"refined\": ")) << r.Out;

    // Without boundaries: the range's ends, as the window opens. Text output and a chart.
    r = CliLine("fit " + file + " --profile gauss --from 29 --to 31 --plot " + dir.File("c.png"));
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("Position: 30.0", 0), 0u) << r.Out;
    EXPECT_TRUE(Has(r.Out, "FWHM: "));
    EXPECT_GT(PngSize(dir.File("c.png")).first, 0);
}

// Which ranges and boundaries fail is the fit tools' test; here the range and the boundary
// options, the message and the exit code.
TEST(CliFit, FailedFitsGiveTheDocumentedMessagesAndExitCodeOne) {
    TempDir dir;
    const std::string file = dir.Write("bad.txt", Scan({30.0}));
    const std::pair<std::string, std::string> cases[] = {
        {file + " --profile gauss --from 30 --to 30.01",
         "Not enough data points at current zoom level for peak fitting. Please zoom out!"},
        {file + " --profile gauss --left 30.5 --right 29.5",
         "The selected background area is too large"},
        {file + " --profile lorentz --left 30.0 --right 30.005",
         "The selected background area is too large and there are no peak data samples between "
         "left and right background!"},
    };
    for (const auto& [line, message] : cases) {
        const CliRun r = CliLine("fit " + line);
        EXPECT_EQ(r.Code, 1) << message;
        EXPECT_TRUE(Has(r.Err, message) && !Has(r.Err, "nan")) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
}

TEST(CliFit, AutoFitsEveryCheckedPeakOfAMethodOneSearch) {
    TempDir dir;
    const std::string file = dir.Write("auto.txt", Scan({29.0, 31.005, 34.0}));
    CliRun r = CliLine("fit " + file + " --profile lorentz --auto --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    // A Method 1 search found the three peaks (no list beside the file); all are fitted.
    EXPECT_EQ(Count(r.Out, "\"margin\": "), 3u) << r.Out;
    const size_t second = r.Out.find("\"position\": ", r.Out.find("\"position\": ") + 1);
    EXPECT_NEAR(JsonNumber(r.Out, "center", second), 31.005, 0.003) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"peakList\": "));
    // Text output: the updated peak list file with the fitted positions.
    EXPECT_TRUE(Has(CliLine("fit " + file + " --profile lorentz --auto").Out, "\r\n31.00"));
}

TEST(CliFit, AutoFitOfAFilmPeakBesideASubstratePeakKeepsItsPosition) {
    // A substrate peak (Lorentz, 60000 counts, FWHM 0.04) at 31.75 and a film peak (Gauss,
    // 3000 counts, FWHM 0.2) at 32.0 on a rising background, both in the list beside the scan.
    TempDir dir;
    const std::string file = dir.Write("film.txt", ScanText(30.0, 0.01, 601, [](double x) {
                                           return 200.0 + 30.0 * (x - 30.0) +
                                                  60000.0 * Lorentz(x, 31.75, 0.04) +
                                                  3000.0 * Gauss(x, 32.0, 0.2);
                                       }));
    dir.Write("film_Peaks.txt", "31.7600 substrate\n32.0000 film\n");
    const CliRun r = CliLine("fit " + file + " --profile gauss --auto --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    const size_t film = r.Out.find("\"position\": 32");
    ASSERT_NE(film, std::string::npos) << r.Out;
    // The substrate peak is fitted; the film peak ran onto the edge halfway to it.
    EXPECT_EQ(JsonKeyText(r.Out, "fitted"), "true");
    EXPECT_NEAR(JsonNumber(r.Out, "center"), 31.75, 0.002);
    EXPECT_EQ(JsonKeyText(r.Out, "fitted", film), "false");
    EXPECT_NE(r.Out.find("edge of this peak's interval", film), std::string::npos);
    EXPECT_TRUE(Has(r.Err, "edge of this peak's interval")) << r.Err;
    // The peak list keeps the film peak at 32.0000 and has the substrate peak at its fit.
    const size_t list = r.Out.find("\"peakList\": ");
    ASSERT_NE(list, std::string::npos);
    EXPECT_NE(r.Out.find("32.0000   film", list), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("31.750", list), std::string::npos) << r.Out;
}
