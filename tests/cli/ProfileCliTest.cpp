// trevasc-cli profile, instrument and size, and the Kα2 options of convert, peaks and plot, on
// synthetic scans whose peaks, widths, size and strain are known.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <sstream>

#include "support/CliRun.h"
#include "support/TempDir.h"

using trevasc::test::Cli;
using trevasc::test::CliRun;
using trevasc::test::JsonNumber;
using trevasc::test::TempDir;

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
// Cu Kα1 and Kα2 as the X-ray line list gives them.
constexpr double kAlpha1 = 1.540562, kAlpha2 = 1.544390;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

double Gauss(double x, double c, double w) {
    const double u = (x - c) / w;
    return std::exp(-4.0 * std::log(2.0) * u * u);
}

double PseudoVoigt(double x, double c, double w, double eta) {
    const double u = (x - c) / w;
    return eta / (1.0 + 4.0 * u * u) + (1.0 - eta) * Gauss(x, c, w);
}

// The Kα2 angle of a Kα1 angle.
double Partner(double c) {
    return 2.0 * std::asin(kAlpha2 / kAlpha1 * std::sin(c / 2.0 * kDeg)) / kDeg;
}

// A two-column scan from `from` in `step` degree steps of `f(x)` counts with counting noise.
std::string Scan(double from, double step, int count, const std::function<double(double)>& f,
                 unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal;
    std::ostringstream text;
    text.precision(10);
    for (int i = 0; i < count; ++i) {
        const double x = from + step * i;
        const double y = f(x);
        text << x << "\t" << std::lround(y + std::sqrt(y) * normal(rng)) << "\n";
    }
    return text.str();
}

// The n-th value of a JSON array member "key": [...].
double JsonArrayNumber(const std::string& json, const std::string& key, int n) {
    size_t p = json.find("\"" + key + "\": [");
    if (p == std::string::npos) return NAN;
    p += key.size() + 5;
    for (int i = 0; i < n; ++i) p = json.find(',', p) + 1;
    return std::stod(json.substr(p));
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

}  // namespace

TEST(CliProfile, FitsTheListedOrFoundPeaksOfTheRangeWithEveryShape) {
    TempDir dir;
    // Two pseudo-Voigt peaks (η 0.4) of 20000 and 8000 counts on a background of 200.
    const std::string file = dir.Write("two.txt", Scan(28.0, 0.01, 501, [](double x) {
                                           return 200.0 +
                                                  20000.0 * PseudoVoigt(x, 30.0, 0.25, 0.4) +
                                                  8000.0 * PseudoVoigt(x, 30.6, 0.3, 0.4);
                                       }));
    CliRun r =
        Cli({"profile", file, "--from", "29", "--to", "31.6", "--peaks", "29.98,30.62", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Count(r.Out, "\"center\": "), 2u) << r.Out;
    EXPECT_TRUE(Has(r.Out, "\"shape\": \"pseudo-voigt\""));
    EXPECT_EQ(JsonNumber(r.Out, "points"), 261);
    EXPECT_NEAR(JsonArrayNumber(r.Out, "background", 0), 200.0, 5.0);
    // Within four standard errors of what the scan was made of.
    const size_t second = r.Out.find("\"center\": ", r.Out.find("\"center\": ") + 1);
    const auto near = [&](const std::string& key, double truth, size_t from) {
        const double v = JsonNumber(r.Out, key, from);
        const double e = JsonNumber(r.Out, key + "Error", from);
        EXPECT_GT(e, 0.0) << key;
        EXPECT_NEAR(v, truth, 4.0 * e) << key;
    };
    near("center", 30.0, 0);
    near("fwhm", 0.25, 0);
    near("height", 20000.0, 0);
    near("eta", 0.4, 0);
    near("center", 30.6, second);
    near("fwhm", 0.3, second);
    // The area of a pseudo-Voigt: H w (η π/2 + (1 - η) √(π / (4 ln 2))).
    near("area",
         20000.0 * 0.25 *
             (0.4 * std::numbers::pi / 2 + 0.6 * std::sqrt(std::numbers::pi / (4 * std::log(2.0)))),
         0);
    EXPECT_GT(JsonNumber(r.Out, "chi2red"), 0.5);
    EXPECT_LT(JsonNumber(r.Out, "chi2red"), 2.0);
    EXPECT_GT(JsonNumber(r.Out, "rwp"), 0.0);

    // Without --peaks: the peak search's peaks inside the range.
    CliRun found = Cli({"profile", file, "--from", "29", "--to", "31.6", "--json"});
    ASSERT_EQ(found.Code, 0) << found.Err;
    EXPECT_EQ(Count(found.Out, "\"center\": "), 2u) << found.Out;
    EXPECT_NEAR(JsonNumber(found.Out, "center"), 30.0, 0.01);

    CliRun pearson = Cli({"profile", file, "--from", "29", "--to", "31.6", "--peaks", "29.98,30.62",
                          "--shape", "pearson7", "--json"});
    ASSERT_EQ(pearson.Code, 0) << pearson.Err;
    EXPECT_TRUE(Has(pearson.Out, "\"m\": ") && Has(pearson.Out, "\"mError\": "));
    EXPECT_FALSE(Has(pearson.Out, "\"eta\""));
    for (const char* shape : {"gauss", "lorentz"}) {
        CliRun plain = Cli({"profile", file, "--from", "29", "--to", "31.6", "--peaks",
                            "29.98,30.62", "--shape", shape, "--json"});
        ASSERT_EQ(plain.Code, 0) << plain.Err;
        EXPECT_FALSE(Has(plain.Out, "\"eta\"") || Has(plain.Out, "\"m\""));
        EXPECT_TRUE(Has(plain.Out, std::string("\"shape\": \"") + shape + "\""));
    }

    // The table: a row per peak with the values and their errors.
    CliRun table = Cli({"profile", file, "--from", "29", "--to", "31.6", "--peaks", "29.98,30.62"});
    ASSERT_EQ(table.Code, 0) << table.Err;
    EXPECT_TRUE(Has(table.Out, "Center") && Has(table.Out, "+-")) << table.Out;
    EXPECT_TRUE(Has(table.Out, "30.0")) << table.Out;
}

TEST(CliProfile, DoubletsNeedAKalphaOneLineAndReportItsComponent) {
    TempDir dir;
    // Gauss doublets: Kα1 of 10000 counts, Kα2 half as high at its angle.
    const std::string file = dir.Write("doublet.txt", Scan(43.0, 0.005, 801, [](double x) {
                                           return 100.0 + 10000.0 * Gauss(x, 44.0, 0.1) +
                                                  5000.0 * Gauss(x, Partner(44.0), 0.1);
                                       }));
    CliRun r = Cli({"profile", file, "--from", "43.2", "--to", "44.9", "--peaks", "44.0", "--shape",
                    "gauss", "--doublets", "--line", "Cu K-Alpha1", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NEAR(JsonNumber(r.Out, "center"), 44.0, 4 * JsonNumber(r.Out, "centerError"));
    EXPECT_NEAR(JsonNumber(r.Out, "height"), 10000.0, 4 * JsonNumber(r.Out, "heightError"));
    EXPECT_NEAR(JsonNumber(r.Out, "area"),
                10000.0 * 0.1 * std::sqrt(std::numbers::pi / (4 * std::log(2.0))),
                4 * JsonNumber(r.Out, "areaError"));

    // A typed wavelength or a line without a Kα2 partner: no doublet, and the reason.
    for (std::vector<std::string> line :
         {std::vector<std::string>{"--wavelength", "1.5406"}, {"--line", "Cu K-Beta"}}) {
        std::vector<std::string> args = {"profile", file,   "--from",    "43.2",
                                         "--to",    "44.9", "--doublets"};
        args.insert(args.end(), line.begin(), line.end());
        CliRun no = Cli(args);
        EXPECT_EQ(no.Code, 1);
        EXPECT_TRUE(Has(no.Err, "K")) << no.Err;
        EXPECT_TRUE(no.Out.empty());
    }
}

TEST(CliProfile, RefusesCommandLinesThatDoNotFit) {
    TempDir dir;
    const std::string file =
        dir.Write("flat.txt", Scan(20.0, 0.1, 100, [](double) { return 50.0; }));
    for (std::vector<std::string> args :
         {std::vector<std::string>{"profile", file, "--peaks", "25"},
          {"profile", file, "--from", "21", "--to", "29", "--shape", "voigt"},
          {"profile", file, "--from", "21", "--to", "29", "--strip-kalpha2", "--kalpha2-ratio",
           "1.5"},
          {"size", file, "--instrument", "1,2"},
          {"size", file, "--instrument", "0.01,0,0.01", "--correction", "cubic"},
          {"size", file, "--instrument", "0.01,0,0.01", "--k", "0"}})
        EXPECT_EQ(Cli(args).Code, 2) << args[2];
    // No peak in the range: a failure of the work, with a message.
    CliRun none = Cli({"profile", file, "--from", "21", "--to", "29"});
    EXPECT_EQ(none.Code, 1);
    EXPECT_FALSE(none.Err.empty());
}

TEST(CliKalpha2, ConvertWritesTheStrippedCurveAndOtherAxes) {
    TempDir dir;
    // A flat 300 counts, 20 to 80 degrees: stripped with R = 0.5 it tends to 200.
    std::string text;
    for (int i = 0; i <= 6000; ++i) text += std::to_string(20.0 + 0.01 * i) + "\t300\n";
    const std::string file = dir.Write("flat.txt", text);
    CliRun r = Cli({"convert", file, "--strip-kalpha2", "--line", "Cu K-Alpha1", "-o", "-"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    std::istringstream lines(r.Out);
    std::string line, heading;
    std::getline(lines, heading);
    EXPECT_TRUE(Has(heading, "Counts")) << heading;
    std::vector<double> y;
    while (std::getline(lines, line)) y.push_back(std::stod(line.substr(line.find('\t') + 1)));
    ASSERT_EQ(y.size(), 6001u);
    EXPECT_EQ(y.front(), 300.0);
    EXPECT_NEAR(y.back(), 200.0, 1e-9);
    // Full precision: somewhere on the way down the values are not whole counts.
    EXPECT_TRUE(std::any_of(y.begin(), y.end(), [](double v) { return v != std::round(v); }));
    // A ratio of 0.25 ends at 300 / 1.25.
    CliRun quarter =
        Cli({"convert", file, "--strip-kalpha2", "--kalpha2-ratio", "0.25", "-o", "-"});
    ASSERT_EQ(quarter.Code, 0) << quarter.Err;
    const std::string last = quarter.Out.substr(quarter.Out.rfind('\t') + 1);
    EXPECT_NEAR(std::stod(last), 240.0, 1e-9);

    // d = λ / (2 sin θ) and Q = 4π sin θ / λ at the first point, 20°.
    const double s = std::sin(10.0 * kDeg);
    CliRun d = Cli({"convert", file, "--axis", "d", "--wavelength", "1.5", "-o", "-"});
    ASSERT_EQ(d.Code, 0) << d.Err;
    const std::string firstRow = d.Out.substr(d.Out.find('\n') + 1);
    EXPECT_NEAR(std::stod(firstRow), 1.5 / (2.0 * s), 1e-12);
    EXPECT_EQ(std::stod(firstRow.substr(firstRow.find('\t') + 1)), 300.0);
    CliRun q = Cli({"convert", file, "--axis", "q", "--wavelength", "1.5", "-o", "-"});
    ASSERT_EQ(q.Code, 0) << q.Err;
    EXPECT_NEAR(std::stod(q.Out.substr(q.Out.find('\n') + 1)), 4.0 * std::numbers::pi * s / 1.5,
                1e-12);
    CliRun twoTheta = Cli({"convert", file, "--axis", "two-theta", "-o", "-"});
    ASSERT_EQ(twoTheta.Code, 0) << twoTheta.Err;
    EXPECT_NEAR(std::stod(twoTheta.Out.substr(twoTheta.Out.find('\n') + 1)), 20.0, 1e-12);
    EXPECT_EQ(Cli({"convert", file, "--axis", "energy", "-o", "-"}).Code, 2);
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
    const auto positions = [](const std::string& list) {
        std::vector<double> p;
        std::istringstream lines(list);
        std::string line;
        while (std::getline(lines, line))
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
                p.push_back(std::stod(line));
        return p;
    };
    CliRun plain = Cli({"peaks", file, "--min-height", "1000"});
    ASSERT_EQ(plain.Code, 0) << plain.Err;
    CliRun stripped = Cli({"peaks", file, "--min-height", "1000", "--strip-kalpha2"});
    ASSERT_EQ(stripped.Code, 0) << stripped.Err;
    const std::vector<double> before = positions(plain.Out), after = positions(stripped.Out);
    ASSERT_EQ(before.size(), 4u) << plain.Out;
    ASSERT_EQ(after.size(), 2u) << stripped.Out;
    EXPECT_NEAR(after[0], 40.0, 0.01);
    EXPECT_NEAR(after[1], 60.0, 0.01);

    const std::string png = dir.Path() + "/stripped.png";
    CliRun plot = Cli({"plot", file, "-o", png, "--strip-kalpha2", "--linear"});
    ASSERT_EQ(plot.Code, 0) << plot.Err;
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
}

namespace {

// Gauss peaks whose FWHM² is the instrument's U tan²θ + V tanθ + W plus the square of a
// sample broadening β (degrees): β cosθ = K λ / D + 4 ε sinθ with K 0.9, λ of Cu Kα1, D in Å.
struct Broadened {
    double U = 0.004, V = -0.002, W = 0.003;
    double SizeNm = 0.0;  // 0: no sample broadening
    double Strain = 0.0;
    double Fwhm(double c) const {
        const double t = std::tan(c / 2.0 * kDeg);
        const double instrument = U * t * t + V * t + W;
        double beta = 0.0;
        if (SizeNm > 0.0)
            beta = (0.9 * kAlpha1 / (SizeNm * 10.0) + 4.0 * Strain * std::sin(c / 2.0 * kDeg)) /
                   std::cos(c / 2.0 * kDeg) / kDeg;
        return std::sqrt(instrument + beta * beta);
    }
};

const std::vector<double> kCentres = {30.0, 42.0, 55.0, 68.0, 81.0};

std::string BroadenedScan(const Broadened& b) {
    return Scan(25.0, 0.01, 6101, [&](double x) {
        double y = 100.0;
        for (double c : kCentres) y += 1e6 * Gauss(x, c, b.Fwhm(c));
        return y;
    });
}

struct ConfigHome {
    TempDir dir;
    std::string saved;
    ConfigHome() {
        if (const char* s = std::getenv("XDG_CONFIG_HOME")) saved = s;
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    }
    ~ConfigHome() {
        if (saved.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    }
};

}  // namespace

TEST(CliInstrument, RecoversTheInstrumentFunctionAndSavesIt) {
    ConfigHome home;
    TempDir dir;
    const Broadened instrumentOnly;
    const std::string file = dir.Write("standard.txt", BroadenedScan(instrumentOnly));
    CliRun r = Cli({"instrument", file, "--peaks", "30,42,55,68,81", "--shape", "gauss", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Count(r.Out, "\"center\": "), 5u);
    const double u = JsonNumber(r.Out, "U"), v = JsonNumber(r.Out, "V"), w = JsonNumber(r.Out, "W");
    // The widths it predicts: within 0.2 % of the scan's over the measured range.
    for (double c : {30.0, 50.0, 81.0}) {
        const double t = std::tan(c / 2.0 * kDeg);
        EXPECT_NEAR(std::sqrt(u * t * t + v * t + w), instrumentOnly.Fwhm(c),
                    2e-3 * instrumentOnly.Fwhm(c))
            << c;
    }
    // Saved into the main INI file, and taken by size from there.
    CliRun saved =
        Cli({"instrument", file, "--peaks", "30,42,55,68,81", "--shape", "gauss", "--save"});
    ASSERT_EQ(saved.Code, 0) << saved.Err;
    std::ifstream ini(home.dir.Path() + "/trevasc/trevasc.INI");
    const std::string iniText((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_TRUE(Has(iniText, "[PROFILE]")) << iniText;
    CliRun size = Cli({"size", file, "--peaks", "30,42,55,68,81", "--shape", "gauss", "--json"});
    ASSERT_EQ(size.Code, 0) << size.Err;
    EXPECT_NEAR(JsonNumber(size.Out, "U"), u, 1e-12);

    // Two peaks do not make an instrument function.
    EXPECT_EQ(Cli({"instrument", file, "--peaks", "30,42", "--shape", "gauss"}).Code, 1);
}

TEST(CliSize, ScherrerAndWilliamsonHallOfKnownSizeAndStrain) {
    TempDir dir;
    Broadened sample;
    sample.SizeNm = 30.0;
    sample.Strain = 1.5e-3;
    const std::string file = dir.Write("sample.txt", BroadenedScan(sample));
    CliRun r = Cli({"size", file, "--peaks", "30,42,55,68,81", "--shape", "gauss", "--instrument",
                    "0.004,-0.002,0.003", "--json"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(JsonNumber(r.Out, "k"), 0.9);
    // The wavelength as the X-ray tube selector shows it (6 significant digits).
    EXPECT_NEAR(JsonNumber(r.Out, "wavelength"), kAlpha1, 1e-5);
    const size_t wh = r.Out.find("\"williamsonHall\": {");
    ASSERT_NE(wh, std::string::npos) << r.Out;
    EXPECT_NEAR(JsonNumber(r.Out, "size", wh), 30.0, 0.5);
    EXPECT_NEAR(JsonNumber(r.Out, "strain", wh), 1.5e-3, 3e-5);
    EXPECT_GT(JsonNumber(r.Out, "sizeError", wh), 0.0);
    // Scherrer alone at 30° (the strain part small there): K λ / (β cos θ).
    const double c = 30.0;
    const double beta =
        (0.9 * kAlpha1 / 300.0 + 4.0 * 1.5e-3 * std::sin(c / 2 * kDeg)) / std::cos(c / 2 * kDeg);
    EXPECT_NEAR(JsonNumber(r.Out, "beta"), beta, 0.01 * beta);
    EXPECT_NEAR(JsonNumber(r.Out, "size"), 0.9 * kAlpha1 / (beta * std::cos(c / 2 * kDeg)) / 10.0,
                0.01 * 30.0);

    // K scales every size.
    CliRun k = Cli({"size", file, "--peaks", "30,42,55,68,81", "--shape", "gauss", "--instrument",
                    "0.004,-0.002,0.003", "--k", "0.94", "--json"});
    ASSERT_EQ(k.Code, 0) << k.Err;
    EXPECT_NEAR(JsonNumber(k.Out, "size"), JsonNumber(r.Out, "size") * 0.94 / 0.9, 1e-9);

    // An instrument wider than the peaks: nothing is broadened, and no Williamson-Hall line.
    CliRun wide = Cli({"size", file, "--peaks", "30,42,55", "--shape", "gauss", "--instrument",
                       "0,0,1", "--correction", "linear", "--json"});
    ASSERT_EQ(wide.Code, 0) << wide.Err;
    EXPECT_TRUE(Has(wide.Out, "\"beta\": null, \"size\": null")) << wide.Out;
    EXPECT_TRUE(Has(wide.Out, "\"williamsonHall\": null")) << wide.Out;

    CliRun text = Cli({"size", file, "--peaks", "30,42,55,68,81", "--shape", "gauss",
                       "--instrument", "0.004,-0.002,0.003"});
    ASSERT_EQ(text.Code, 0) << text.Err;
    EXPECT_TRUE(Has(text.Out, "Williamson-Hall")) << text.Out;
}
