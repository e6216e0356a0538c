// trevasc-cli fit: one fit of a range with the window's defaults, the automatic fits of the
// checked peaks, and the messages of bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliCommands.h"
#include "support/CliRun.h"

namespace {

using trevasc::test::Cli;
using trevasc::test::CliRun;

std::string TempFile(const std::string& name, const std::string& content) {
    auto p = std::filesystem::temp_directory_path() / ("trevasc-cli-fit-" + name);
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
}

// Lorentz peaks (FWHM 0.2 degrees, 2000 counts) on a background of 100 counts, 28 to 36 degrees
// in 0.01 degree steps.
std::string Scan(const std::vector<double>& centres) {
    std::string text;
    for (int i = 0; i <= 800; ++i) {
        const double x = 28.0 + 0.01 * i;
        double y = 100.0;
        for (double c : centres) {
            const double u = (x - c) * 10.0;
            y += 2000.0 / (u * u + 1.0);
        }
        text += std::to_string(x) + "\t" + std::to_string(std::lround(y)) + "\n";
    }
    return text;
}

double JsonNumber(const std::string& json, const std::string& key, size_t from = 0) {
    const size_t p = json.find("\"" + key + "\": ", from);
    if (p == std::string::npos) return NAN;
    return std::stod(json.substr(p + key.size() + 4));
}

}  // namespace

TEST(CliFit, FitsTheDisplayedRangeBetweenTheBoundaries) {
    const std::string file = TempFile("one.txt", Scan({30.0}));
    CliRun r = Cli({"fit", file, "--profile", "lorentz", "--from", "29", "--to", "31", "--left",
                    "29.4", "--right", "30.6", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonNumber(r.Out, "first"), 100);
    EXPECT_EQ(JsonNumber(r.Out, "last"), 300);
    EXPECT_NEAR(JsonNumber(r.Out, "center"), 30.0, 0.002);
    // The flanks at 0.6 degrees still hold some of the Lorentz tails: the width comes out a
    // little narrow.
    EXPECT_NEAR(JsonNumber(r.Out, "fwhm"), 0.2, 0.015);
    EXPECT_NE(r.Out.find("\"positionText\": \"30.000\""), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"passes\": [{"), std::string::npos);

    // Without boundaries: the range's ends, as the window opens. Text output and a chart.
    const std::string png =
        (std::filesystem::temp_directory_path() / "trevasc-cli-fit-chart.png").string();
    std::filesystem::remove(png);
    r = Cli({"fit", file, "--profile", "gauss", "--from", "29", "--to", "31", "--plot", png});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("Position: 30.0", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find("FWHM: "), std::string::npos);
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
}

TEST(CliFit, BadInputGivesTheDocumentedMessagesAndExitCodeOne) {
    const std::string file = TempFile("bad.txt", Scan({30.0}));
    struct Case {
        std::vector<std::string> Args;
        int Code;
        const char* Message;
    };
    const Case cases[] = {
        {{"fit", file, "--profile", "gauss", "--from", "30", "--to", "30.01"},
         1,
         "Not enough data points at current zoom level for peak fitting. Please zoom out!"},
        {{"fit", file, "--profile", "gauss", "--left", "30.5", "--right", "29.5"},
         1,
         "The selected background area is too large"},
        {{"fit", file, "--profile", "lorentz", "--left", "30.0", "--right", "30.005"},
         1,
         "The selected background area is too large and there are no peak data samples between "
         "left and right background!"},
        {{"fit", file, "--profile", "voigt"}, 2, "--profile gauss or --profile lorentz"},
        {{"fit", file, "--profile", "gauss", "--left", "29"}, 2, "--left and --right go together"},
    };
    for (const Case& c : cases) {
        CliRun r = Cli(c.Args);
        EXPECT_EQ(r.Code, c.Code) << c.Message;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find("nan"), std::string::npos);
    }
}

TEST(CliFit, AutoFitsEveryCheckedPeakOfAMethodOneSearch) {
    const std::string file = TempFile("auto.txt", Scan({29.0, 31.005, 34.0}));
    CliRun r = Cli({"fit", file, "--profile", "lorentz", "--auto", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    // A Method 1 search found the three peaks (no list beside the file); all are fitted.
    size_t peaks = 0;
    for (size_t p = r.Out.find("\"margin\": "); p != std::string::npos;
         p = r.Out.find("\"margin\": ", p + 1))
        ++peaks;
    EXPECT_EQ(peaks, 3u) << r.Out;
    const size_t second = r.Out.find("\"position\": ", r.Out.find("\"position\": ") + 1);
    EXPECT_NEAR(JsonNumber(r.Out, "center", second), 31.005, 0.003) << r.Out;
    EXPECT_GE(JsonNumber(r.Out, "margin"), 2);
    EXPECT_NE(r.Out.find("\"peakList\": "), std::string::npos);

    // Text output: the updated peak list file with the fitted positions.
    r = Cli({"fit", file, "--profile", "lorentz", "--auto"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("31.00"), std::string::npos) << r.Out;
}

namespace {

// Text lines "x<TAB>counts" of the given counts function, from..to in steps.
template <class Counts>
std::string Columns(double from, double step, int count, Counts counts) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const double x = from + step * i;
        text += std::to_string(x) + "\t" + std::to_string(std::lround(counts(x))) + "\n";
    }
    return text;
}

std::string JsonKeyText(const std::string& json, const std::string& key, size_t from = 0) {
    const size_t p = json.find("\"" + key + "\": ", from);
    if (p == std::string::npos) return {};
    const size_t start = p + key.size() + 4;
    return json.substr(start, json.find_first_of(",}", start) - start);
}

}  // namespace

TEST(CliFit, UnderSampledPeakIsRefinedAndReportsItsSum) {
    // A Lorentz peak of FWHM 0.16 at 30.025 in 0.05 degree steps (3.2 points per FWHM), 1e6
    // counts on 100: the grid alone gives a FWHM of 0.1673.
    const std::string file = TempFile("coarse.txt", Columns(24.0, 0.05, 241, [](double x) {
                                          const double u = (x - 30.025) * 2.0 / 0.16;
                                          return 100.0 + 1e6 / (u * u + 1.0);
                                      }));
    CliRun r =
        Cli({"fit", file, "--profile", "lorentz", "--left", "25", "--right", "35", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonKeyText(r.Out, "refined"), "true");
    EXPECT_NEAR(JsonNumber(r.Out, "center"), 30.025, 1e-4);
    EXPECT_NEAR(JsonNumber(r.Out, "fwhm"), 0.16, 0.0005);
    EXPECT_NEAR(JsonNumber(r.Out, "fwhm"), 2.0 / JsonNumber(r.Out, "widthFactor"), 1e-12);
    // The final sum lies below the last pass's (the passes come after the top-level keys).
    const double sum = JsonNumber(r.Out, "sum");
    const size_t lastPass = r.Out.rfind("{\"widthFactor\": ");
    EXPECT_LT(sum, 0.5 * JsonNumber(r.Out, "sum", lastPass));
    EXPECT_NE(r.Out.find("\"positionText\": \"30.025\""), std::string::npos) << r.Out;
}

TEST(CliFit, CentreOutsideTheBoundariesFailsWithExitCodeOne) {
    // The boundaries hold only the left flank of a Gauss peak at 30.
    const std::string file = TempFile("flank.txt", Columns(29.0, 0.01, 201, [](double x) {
                                          const double u = (x - 30.0) / 0.2 * 1.6651092223;
                                          return 100.0 + 1000.0 * std::exp(-u * u);
                                      }));
    CliRun r = Cli({"fit", file, "--profile", "gauss", "--left", "29.3", "--right", "29.85"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("The fit did not converge inside the background boundaries."),
              std::string::npos)
        << r.Err;
    EXPECT_EQ(r.Out, "");
}

TEST(CliFit, AutoFitOfAFilmPeakBesideASubstratePeakKeepsItsPosition) {
    // A substrate peak (Lorentz, 60000 counts, FWHM 0.04) at 31.75 and a film peak (Gauss,
    // 3000 counts, FWHM 0.2) at 32.0 on a rising background, both in the list beside the scan.
    const auto counts = [](double x) {
        const double us = (x - 31.75) / 0.02, uf = (x - 32.0) / 0.2 * 1.6651092223;
        return 200.0 + 30.0 * (x - 30.0) + 60000.0 / (us * us + 1.0) + 3000.0 * std::exp(-uf * uf);
    };
    const std::string file = TempFile("film.txt", Columns(30.0, 0.01, 601, counts));
    TempFile("film_Peaks.txt", "31.7600 substrate\n32.0000 film\n");
    for (const char* profile : {"gauss", "lorentz"}) {
        SCOPED_TRACE(profile);
        CliRun r = Cli({"fit", file, "--profile", profile, "--auto", "--json"});
        ASSERT_EQ(r.Code, 0) << r.Err;
        const size_t film = r.Out.find("\"position\": 32");
        ASSERT_NE(film, std::string::npos) << r.Out;
        // The substrate peak is fitted; the film peak ran onto the edge halfway to it.
        EXPECT_EQ(JsonKeyText(r.Out, "fitted"), "true");
        EXPECT_NEAR(JsonNumber(r.Out, "center"), 31.75, 0.002);
        EXPECT_EQ(JsonKeyText(r.Out, "fitted", film), "false");
        EXPECT_NE(r.Out.find("edge of this peak's interval", film), std::string::npos);
        EXPECT_NE(r.Err.find("edge of this peak's interval"), std::string::npos) << r.Err;
        // The peak list keeps the film peak at 32.0000 and has the substrate peak at its fit.
        const size_t list = r.Out.find("\"peakList\": ");
        ASSERT_NE(list, std::string::npos);
        EXPECT_NE(r.Out.find("32.0000   film", list), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find("31.750", list), std::string::npos) << r.Out;
    }
}
