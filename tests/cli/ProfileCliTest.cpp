// trevasc-cli profile, instrument and size, and the Kα2 options of convert, peaks and plot, on
// synthetic scans: which peaks, shapes, lines and instrument reach the calculation, and the
// layout of what comes back. How well the fits recover a scan is the tools tests' business.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "support/CliRun.h"
#include "support/SyntheticScan.h"
#include "support/TempDir.h"

using namespace trevasc::test;

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
// Cu Kα1 and Kα2 as the X-ray line list gives them.
constexpr double kAlpha1 = 1.540562, kAlpha2 = 1.544390;

// The Kα2 angle of a Kα1 angle.
double Partner(double c) {
    return 2.0 * std::asin(kAlpha2 / kAlpha1 * std::sin(c / 2.0 * kDeg)) / kDeg;
}

// A two-column scan from `from` in `step` degree steps of `f(x)` counts with counting noise.
std::string Scan(double from, double step, int count, const std::function<double(double)>& f) {
    return ScanText(from, step, count, f, 1);
}

}  // namespace

TEST(CliProfile, FitsTheListedOrFoundPeaksOfTheRangeWithEveryShape) {
    TempDir dir;
    // Two pseudo-Voigt peaks (η 0.4) at 30 and 30.6 on a background of 200.
    const std::string file =
        dir.Write("two.txt", Scan(28.0, 0.01, 501, [](double x) {
                      double y = 200.0;
                      for (auto [c, h] : {std::pair(30.0, 20000.0), std::pair(30.6, 8000.0)})
                          y += h * (0.4 * Lorentz(x, c, 0.25) + 0.6 * Gauss(x, c, 0.25));
                      return y;
                  }));
    const std::string range = "profile " + file + " --from 29 --to 31.6 ";
    CliRun r = CliLine(range + "--peaks 29.98,30.62 --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Count(r.Out, "\"center\": "), 2u) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"shape\": \"pseudo-voigt\"") && Has(r.Out, "\"background\": ["));
    EXPECT_EQ(JsonNumber(r.Out, "points"), 261);  // 29 to 31.6 in 0.01 degree steps
    EXPECT_NEAR(JsonNumber(r.Out, "center"), 30.0, 0.01);
    for (const char* key :
         {"centerError", "fwhm", "height", "area", "eta", "etaError", "chi2red", "rwp"})
        EXPECT_GT(JsonNumber(r.Out, key), 0.0) << key;

    // Without --peaks: the peak search's peaks inside the range; none there fails the work.
    EXPECT_EQ(Count(CliLine(range + "--json").Out, "\"center\": "), 2u);
    const CliRun none = CliLine("profile " + file + " --from 28 --to 28.5");
    EXPECT_EQ(none.Code, 1);
    EXPECT_TRUE(!none.Err.empty() && none.Out.empty()) << none.Out;
    // Each shape with its own parameter: m for Pearson VII, none for Gauss and Lorentz.
    for (const std::string shape : {"pearson7", "gauss", "lorentz"}) {
        r = CliLine(range + "--peaks 29.98,30.62 --json --shape " + shape);
        ASSERT_EQ(r.Code, 0) << r.Err;
        EXPECT_TRUE(Has(r.Out, "\"shape\": \"" + shape + "\"")) << r.Out;
        EXPECT_EQ(Has(r.Out, "\"m\": ") && Has(r.Out, "\"mError\": "), shape == "pearson7");
        EXPECT_FALSE(Has(r.Out, "\"eta\"")) << shape;
    }
    // The table: a row per peak with the values and their errors.
    r = CliLine(range + "--peaks 29.98,30.62");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "Center") && Has(r.Out, "+-") && Has(r.Out, "30.0")) << r.Out;
}

TEST(CliProfile, DoubletsNeedAKalphaOneLineAndReportItsComponent) {
    TempDir dir;
    // Gauss doublets: Kα1 of 10000 counts at 44°, Kα2 half as high at its angle.
    const std::string file = dir.Write("doublet.txt", Scan(43.0, 0.005, 801, [](double x) {
                                           return 100.0 + 10000.0 * Gauss(x, 44.0, 0.1) +
                                                  5000.0 * Gauss(x, Partner(44.0), 0.1);
                                       }));
    std::vector<std::string> doublets =
        Words("profile " + file + " --from 43.2 --to 44.9 --doublets");
    doublets.insert(doublets.end(), {"--peaks", "44.0", "--shape", "gauss", "--json", "--line"});
    const CliRun r = Cli(Plus(doublets, "Cu K-Alpha1"));
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Count(r.Out, "\"center\": "), 1u) << r.Out;
    EXPECT_NEAR(JsonNumber(r.Out, "center"), 44.0, 0.005);
    // A typed wavelength or a line without a Kα2 partner: no doublet, and the reason.
    doublets.pop_back();
    for (const auto& line :
         {Plus(doublets, "--wavelength", "1.5406"), Plus(doublets, "--line", "Cu K-Beta")}) {
        const CliRun no = Cli(line);
        EXPECT_EQ(no.Code, 1);
        EXPECT_TRUE(Has(no.Err, "K")) << no.Err;
        EXPECT_EQ(no.Out, "");
    }
}

TEST(CliKalpha2, ConvertWritesTheStrippedCurveAndOtherAxes) {
    TempDir dir;
    // A flat 300 counts, 20 to 80 degrees: stripped with R it tends to 300 / (1 + R).
    std::string text;
    for (int i = 0; i <= 6000; ++i) text += std::to_string(20.0 + 0.01 * i) + "\t300\n";
    const std::string file = dir.Write("flat.txt", text);
    CliRun r = Cli(Plus(Words("convert " + file + " --strip-kalpha2 -o - --line"), "Cu K-Alpha1"));
    ASSERT_EQ(r.Code, 0) << r.Err;
    std::istringstream lines(r.Out);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(Has(line, "Counts")) << line;
    std::vector<double> y;
    while (std::getline(lines, line)) y.push_back(std::stod(line.substr(line.find('\t') + 1)));
    ASSERT_EQ(y.size(), 6001u);
    EXPECT_EQ(std::pair(y.front(), y.back()), std::pair(300.0, 200.0));
    // Full precision: somewhere on the way down the values are not whole counts.
    EXPECT_TRUE(std::any_of(y.begin(), y.end(), [](double v) { return v != std::round(v); }));
    r = CliLine("convert " + file + " --strip-kalpha2 --kalpha2-ratio 0.25 -o -");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NEAR(std::stod(r.Out.substr(r.Out.rfind('\t') + 1)), 240.0, 1e-9);

    // The first row at 20°: d = λ / (2 sin θ), Q = 4π sin θ / λ, and 2Theta itself.
    const double s = std::sin(10.0 * kDeg);
    const std::pair<std::string, double> axes[] = {
        {"d", 1.5 / (2.0 * s)}, {"q", 4.0 * std::numbers::pi * s / 1.5}, {"two-theta", 20.0}};
    for (const auto& [axis, first] : axes) {
        r = CliLine("convert " + file + " --wavelength 1.5 -o - --axis " + axis);
        ASSERT_EQ(r.Code, 0) << r.Err;
        const std::string row = r.Out.substr(r.Out.find('\n') + 1);
        EXPECT_NEAR(std::stod(row), first, 1e-12) << axis;
        EXPECT_EQ(std::stod(row.substr(row.find('\t') + 1)), 300.0) << axis;
    }
}

TEST(CliKalpha2, PeaksAfterStrippingLeaveTheKalphaTwoShouldersOut) {
    TempDir dir;
    // Narrow Cu doublets at 40° and 60°: their Kα2 lines are separate peaks.
    const std::string file =
        dir.Write("doublets.txt", Scan(38.0, 0.005, 4801, [](double x) {
                      double y = 50.0;
                      for (double c : {40.0, 60.0})
                          y += 20000.0 * Gauss(x, c, 0.04) + 10000.0 * Gauss(x, Partner(c), 0.04);
                      return y;
                  }));
    const auto positions = [&](const std::string& more) {
        const CliRun r = CliLine("peaks " + file + " --min-height 1000" + more);
        EXPECT_EQ(r.Code, 0) << r.Err;
        std::vector<double> p;
        std::istringstream lines(r.Out);
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
                p.push_back(std::stod(line));
        return p;
    };
    EXPECT_EQ(positions("").size(), 4u);
    const std::vector<double> stripped = positions(" --strip-kalpha2");
    ASSERT_EQ(stripped.size(), 2u);
    EXPECT_NEAR(stripped[0], 40.0, 0.01);
    EXPECT_NEAR(stripped[1], 60.0, 0.01);
    const CliRun plot =
        CliLine("plot " + file + " -o " + dir.File("s.png") + " --strip-kalpha2 --linear");
    ASSERT_EQ(plot.Code, 0) << plot.Err;
    EXPECT_GT(PngSize(dir.File("s.png")).first, 0);
}

namespace {

// Gauss peaks at five angles whose FWHM² is the instrument's U tan²θ + V tanθ + W (0.004,
// -0.002, 0.003) plus the square of a sample broadening β (degrees): β cosθ = K λ / D + 4 ε sinθ
// with K 0.9, λ of Cu Kα1 and D in Å.
std::string BroadenedScan(double sizeNm, double strain) {
    return Scan(25.0, 0.01, 6101, [=](double x) {
        double y = 100.0;
        for (double c : {30.0, 42.0, 55.0, 68.0, 81.0}) {
            const double t = std::tan(c / 2.0 * kDeg), th = c / 2.0 * kDeg;
            const double beta =
                sizeNm > 0.0 ? (0.9 * kAlpha1 / (sizeNm * 10.0) + 4.0 * strain * std::sin(th)) /
                                   std::cos(th) / kDeg
                             : 0.0;
            y += 1e6 * Gauss(x, c, std::sqrt(0.004 * t * t - 0.002 * t + 0.003 + beta * beta));
        }
        return y;
    });
}

}  // namespace

TEST(CliInstrument, RecoversTheInstrumentFunctionAndSavesItForSize) {
    TempDir config, dir;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const std::string file = dir.Write("standard.txt", BroadenedScan(0.0, 0.0));
    const std::string instrument = "instrument " + file + " --peaks 30,42,55,68,81 --shape gauss";
    CliRun r = CliLine(instrument + " --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Count(r.Out, "\"center\": "), 5u);
    const double u = JsonNumber(r.Out, "U");
    EXPECT_NEAR(u, 0.004, 0.001);
    // Saved into the main INI file, and taken by size from there.
    ASSERT_EQ(CliLine(instrument + " --save").Code, 0);
    EXPECT_TRUE(Has(config.Read("trevasc/trevasc.INI"), "[PROFILE]"));
    r = CliLine("size " + file + " --peaks 30,42,55,68,81 --shape gauss --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NEAR(JsonNumber(r.Out, "U"), u, 1e-12);
    // Two peaks do not make an instrument function.
    EXPECT_EQ(CliLine("instrument " + file + " --peaks 30,42 --shape gauss").Code, 1);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(CliSize, ScherrerAndWilliamsonHallOfKnownSizeAndStrain) {
    TempDir dir;
    const std::string file = dir.Write("sample.txt", BroadenedScan(30.0, 1.5e-3));
    const std::string size =
        "size " + file + " --peaks 30,42,55,68,81 --shape gauss --instrument 0.004,-0.002,0.003";
    CliRun r = CliLine(size + " --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonNumber(r.Out, "k"), 0.9);
    // The wavelength as the X-ray tube selector shows it (6 significant digits).
    EXPECT_NEAR(JsonNumber(r.Out, "wavelength"), kAlpha1, 1e-5);
    // (The sizes and the strain of the sample are the size tools' tests.)
    EXPECT_TRUE(Has(r.Out, "\"williamsonHall\": {\"size\": ")) << r.Out;
    // K scales every Scherrer size.
    const CliRun k = CliLine(size + " --k 0.94 --json");
    EXPECT_NEAR(JsonNumber(k.Out, "size"), JsonNumber(r.Out, "size") * 0.94 / 0.9, 1e-9);
    EXPECT_TRUE(Has(CliLine(size).Out, "Williamson-Hall"));

    // An instrument wider than the peaks: nothing is broadened, and no Williamson-Hall line.
    r = CliLine("size " + file +
                " --peaks 30,42,55 --shape gauss --instrument 0,0,1 --correction linear --json");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Has(r.Out, "\"beta\": null, \"size\": null")) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"williamsonHall\": null")) << r.Out;
}
