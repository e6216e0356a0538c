#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "tools/maps/MapBuilder.h"

using namespace trevasc;
using namespace trevasc::tools;

namespace {

constexpr double kSqrt3 = std::numbers::sqrt3;

// A scan whose processed counts differ from the raw ones, so that a map drawn from the raw
// points shows.
void FillScan(TDataSet& scan, const std::string& axis, double axisPosition,
              const std::vector<double>& positions, const std::vector<int32_t>& counts) {
    TDataPointArray raw;
    for (size_t i = 0; i < positions.size(); ++i) raw.push_back({positions[i], counts[i] + 1000});
    scan.SetRawPoints(raw);
    for (size_t i = 0; i < positions.size(); ++i) scan.Points[i].Intensity = counts[i];
    scan.SecondAxisName = axis;
    scan.SecondAxisPosition = axisPosition;
}

MapRequest Reciprocal(double omegaOffset, double twoThetaOffset, double wavelength,
                      bool flip = false) {
    return MapRequest{MapMode::Reciprocal, omegaOffset, twoThetaOffset, flip, wavelength};
}

// Every point as one row: X, Y, Z, scan index.
std::vector<std::vector<double>> Rows(const plot::T2dPlotDataset& d) {
    std::vector<std::vector<double>> rows;
    for (const plot::T2dPlotPoint& p : d.Points)
        rows.push_back({p.X, p.Y, p.Z, double(p.ScanIndex)});
    return rows;
}

// The main scan at Omega 20 (counts 5, 0, 7), one without a second axis and one at Omega 22.
void ThreeScans(ScanRegistry& scans) {
    FillScan(scans.MainScan(), "Omega", 20.0, {30.0, 30.5, 31.0}, {5, 0, 7});
    FillScan(scans.AppendAdditionalScan(), "", 21.0, {30.0, 31.0}, {1, 1});
    FillScan(scans.AppendAdditionalScan(), "Omega", 22.0, {30.0, 31.0}, {9, 4});
}

}  // namespace

TEST(MapBuilder, TakenMapEqualsTheBuiltOneAndReleasesTheScans) {
    for (const MapRequest& request : {MapRequest{}, Reciprocal(0.1, -0.2, 1.54056)}) {
        ScanRegistry scans;
        ThreeScans(scans);
        const MapBuild built = BuildMapDataset(scans, request);
        const MapBuild taken = TakeMapDataset(scans, request);
        ASSERT_TRUE(taken.Built);
        EXPECT_EQ(built.Dataset.Count(), 5);
        EXPECT_EQ(Rows(taken.Dataset), Rows(built.Dataset));
        EXPECT_EQ(std::pair(taken.Dataset.XTitle, taken.Dataset.Info),
                  std::pair(built.Dataset.XTitle, built.Dataset.Info));
        for (int k = 0; k <= scans.AdditionalCount(); ++k)
            EXPECT_TRUE(scans.ScanAt(k).RawPoints.empty() && scans.ScanAt(k).Points.empty()) << k;
    }
    // No map, nothing released: a reciprocal map needs Omega as the second axis.
    ScanRegistry scans;
    FillScan(scans.MainScan(), "Phi", 20.0, {30.0, 31.0}, {5, 7});
    const MapBuild none = TakeMapDataset(scans, Reciprocal(0, 0, 1.54056));
    EXPECT_FALSE(none.Built);
    EXPECT_EQ(none.Message, kNotOmegaSeriesMessage);
    EXPECT_EQ(std::pair(scans.MainScan().Points.size(), scans.MainScan().RawPoints.size()),
              std::pair(size_t{2}, size_t{2}));
}

TEST(MapBuilder, TwoAxisMapTakesTheNamedScansWithTheirProcessedCounts) {
    ScanRegistry scans;
    ThreeScans(scans);
    const MapBuild build = BuildMapDataset(scans, {});
    ASSERT_TRUE(build.Built);
    EXPECT_TRUE(build.Message.empty() && build.ClickOpensOffsets && !build.ReciprocalReadout);
    const plot::T2dPlotDataset& d = build.Dataset;
    EXPECT_EQ((std::vector<std::string>{d.XTitle, d.YTitle, d.ZTitle, d.Info}),
              (std::vector<std::string>{"TwoTheta [°]", "Omega Center [°]", "Counts [a.u.]", ""}));
    EXPECT_EQ(Rows(d), (std::vector<std::vector<double>>{{30.0, 20.0, 5, 0},
                                                         {30.5, 20.0, 0, 0},
                                                         {31.0, 20.0, 7, 0},
                                                         {30.0, 22.0, 9, 2},
                                                         {31.0, 22.0, 4, 2}}));
    scans.OpenScanKind = TScanKind::TwoThetaCommonOmega;
    EXPECT_EQ(BuildMapDataset(scans, {}).Dataset.YTitle, "Omega [°]");
}

TEST(MapBuilder, MapsThatAreNotBuilt) {
    ScanRegistry scans;
    FillScan(scans.MainScan(), "Omega", 20.0, {30.0}, {5});
    FillScan(scans.AppendAdditionalScan(), "Omega", 21.0, {30.0, 31.0}, {1, 1});
    // A main scan of one point: nothing, and nothing to say.
    for (MapMode mode : {MapMode::TwoAxis, MapMode::Reciprocal}) {
        const MapBuild build = BuildMapDataset(scans, MapRequest{mode});
        EXPECT_TRUE(!build.Built && build.Message.empty());
    }

    FillScan(scans.MainScan(), " chi ", 20.0, {30.0, 31.0}, {5, 6});
    MapBuild build = BuildMapDataset(scans, Reciprocal(0, 0, 1.54056));
    EXPECT_FALSE(build.Built);
    EXPECT_EQ(build.Message, kNotOmegaSeriesMessage);
    // The same scans as a measured map are fine; the check is on the trimmed, upper-cased name.
    EXPECT_TRUE(BuildMapDataset(scans, {}).Built);
    scans.MainScan().SecondAxisName = " omega\t";
    EXPECT_TRUE(BuildMapDataset(scans, Reciprocal(0, 0, 1.54056)).Built);

    scans.OpenScanKind = TScanKind::Phi;
    build = BuildMapDataset(scans, {});
    EXPECT_FALSE(build.Built);
    EXPECT_EQ(build.Message, kNotMapScanKindMessage);
}

// Coupled 2Theta-Omega scan, lambda = 1.25 A, Omega offset 0.25°, 2Theta offset 0.4°.
// Main scan at Omega 60.25 with 2Theta 59.6, 60.6, 61.6: centre c = (59.6 + 61.6) / 2 = 60.6.
//   p = 59.6: omega = 60.25 - 30.3 + 29.8 + 0.25 = 60, theta = (59.6 + 0.4) / 2 = 30,
//             omega - theta = 30: k_par = (2 / 1.25) * sin 30 * sin 30 = 1.6 * 0.25 = 0.4,
//             k_perp = 1.6 * 0.5 * cos 30 = 0.4 * sqrt 3.
//   p = 61.6: omega = 60.25 - 30.3 + 30.8 + 0.25 = 61, theta = 31, omega - theta = 30 again:
//             k_par = 0.8 sin 31, k_perp = sqrt 3 * k_par.
// Had the centre been taken from the first point (59.6), omega would be 0.5° larger and
// omega - theta 30.5° everywhere.
// An additional scan at Omega 10.3 with 2Theta 20 and 22 (c = 21), p = 21.6: omega = 10.3 - 10.5
//   + 10.8 + 0.25 = 10.85, theta = 11, omega - theta = -0.15: k_par = 1.6 sin 11 sin(-0.15).
TEST(MapBuilder, ReciprocalCoordinatesOfCoupledScansFollowEachScansCentre) {
    ScanRegistry scans;
    FillScan(scans.MainScan(), "Omega", 60.25, {59.6, 60.6, 61.6}, {10, 20, 30});
    FillScan(scans.AppendAdditionalScan(), "Phi", 0.0, {59.6, 60.6}, {1, 1});  // not an Omega scan
    FillScan(scans.AppendAdditionalScan(), "OMEGA", 10.3, {20.0, 21.6, 22.0}, {1, 2, 3});

    const MapBuild build = BuildMapDataset(scans, Reciprocal(0.25, 0.4, 1.25));
    ASSERT_TRUE(build.Built);
    EXPECT_TRUE(build.ReciprocalReadout && !build.ClickOpensOffsets);
    const plot::T2dPlotDataset& d = build.Dataset;
    EXPECT_EQ(
        (std::vector<std::string>{d.XTitle, d.YTitle, d.ZTitle, d.Info}),
        (std::vector<std::string>{"k_parallel [1/Å]", "k_perpendicular [1/Å]", "Counts [a.u.]",
                                  "Using Omega Offset=0.250° 2Theta Offset=0.400°"}));
    ASSERT_EQ(d.Count(), 6);
    const double deg = std::numbers::pi / 180.0, k31 = 0.8 * std::sin(31 * deg);
    const double k11 = 1.6 * std::sin(11 * deg);
    const std::vector<std::vector<double>> expected = {
        {0.4, 0.4 * kSqrt3, 10, 0},
        {k31, kSqrt3 * k31, 30, 0},
        {k11 * std::sin(-0.15 * deg), k11 * std::cos(-0.15 * deg), 2, 2}};
    for (int i = 0; i < 3; ++i) {
        const std::vector<double> got = Rows(d)[std::vector<size_t>{0, 2, 4}[i]];
        for (size_t j = 0; j < 4; ++j) EXPECT_NEAR(got[j], expected[i][j], 1e-14) << i << "," << j;
    }
}

// Common Omega: every point of a scan at Omega = 29.75 + 0.25 = 30, lambda = 1.25 A.
//   p = 59.6: theta = 30, omega - theta = 0: k_par = 0, k_perp = 1.6 * 0.5 = 0.8.
//   p = 119.6: theta = 60, omega - theta = -30: k_par = 1.6 * (sqrt 3 / 2) * (-1/2)
//              = -0.4 sqrt 3, k_perp = 1.6 * (sqrt 3 / 2)^2 = 1.2.
TEST(MapBuilder, CommonOmegaFlipAndFailedConversions) {
    ScanRegistry scans;
    scans.OpenScanKind = TScanKind::TwoThetaCommonOmega;
    FillScan(scans.MainScan(), "Omega", 29.75, {59.6, 119.6}, {1, 2});

    for (bool flip : {false, true}) {
        const plot::T2dPlotDataset d =
            BuildMapDataset(scans, Reciprocal(0.25, 0.4, 1.25, flip)).Dataset;
        ASSERT_EQ(d.Count(), 2);
        EXPECT_NEAR(d.Points[0].X, 0.0, 1e-15);
        EXPECT_NEAR(d.Points[0].Y, 0.8, 1e-15);
        EXPECT_NEAR(d.Points[1].X, (flip ? 0.4 : -0.4) * kSqrt3, 1e-14);
        EXPECT_NEAR(d.Points[1].Y, 1.2, 1e-14);
    }
    // Without a wavelength nothing converts: every point lands at the origin, none is lost.
    EXPECT_EQ(Rows(BuildMapDataset(scans, Reciprocal(0.25, 0.4, 0.0, true)).Dataset),
              (std::vector<std::vector<double>>{{0, 0, 1, 0}, {0, 0, 2, 0}}));
}

TEST(MapBuilder, ReadoutTextWithAndWithoutTheReciprocalParts) {
    const plot::TPlotArea area{10, 110, 20, 220, 0.0, 2.0, -1.0, 1.0};
    // (60, 70): x = 0 + 2 * 50 / 100 = 1, y = 1 - 2 * 50 / 200 = 0.5; 1/y = 2;
    // 0.5 * 2 pi * 10000 = 31415.926535...
    EXPECT_EQ(MapReadoutText(area, 60, 70, false), "X = 1.00000   Y = 0.50000");
    EXPECT_EQ(MapReadoutText(area, 60, 70, true),
              "X = 1.00000   Y = 0.50000    (1/X = 1.00000   1/Y = 2.00000)"
              "    (X = 62831.9   Y = 31415.92654 [10000 rlu])");
    // At x = 0 (the left edge) or y = 0 (the middle row) a reciprocal fails: first part only.
    EXPECT_EQ(MapReadoutText(area, 10, 70, true), "X = 0.00000   Y = 0.50000");
    EXPECT_EQ(MapReadoutText(area, 60, 120, true), "X = 1.00000   Y = 0.00000");
    EXPECT_EQ(MapReadoutText(area, 110, 220, false), "X = 2.00000   Y = -1.00000");
    EXPECT_EQ(MapReadoutText(area, 9, 70, true), "");
    EXPECT_EQ(MapReadoutText(area, 60, 221, true), "");
    EXPECT_EQ(MapReadoutText(plot::TPlotArea{}, 0, 0, false), "");  // nothing drawn yet
}

TEST(MapBuilder, ClickPicksTheNearestScanAndItsCentre) {
    ScanRegistry scans;
    FillScan(scans.MainScan(), "Omega", 10.0, {20.0, 25.0, 30.0}, {1, 1, 1});     // centre 25
    FillScan(scans.AppendAdditionalScan(), "Omega", 12.0, {22.0, 32.0}, {1, 1});  // centre 27
    FillScan(scans.AppendAdditionalScan(), "Omega", 12.0, {40.0, 50.0}, {1, 1});  // centre 45

    // Nearer to the first scan at 12: it, not its equal-distance successor.
    // Nearer to the first scan at 12: it, not its equal-distance successor: DeltaOmega
    // 12 - 27 / 2 = -1.5, Omega 13.5 - 1.5 = 12.
    OffsetsDialogInput in = OffsetsForClick(scans, 27.0, 12.4);
    EXPECT_EQ(std::tuple(in.TwoTheta, in.DeltaOmega, in.Omega), std::tuple(27.0, -1.5, 12.0));
    // Halfway between the main scan and the first additional one: the main scan stays.
    in = OffsetsForClick(scans, 24.0, 11.0);
    EXPECT_EQ(std::pair(in.DeltaOmega, in.Omega), std::pair(-2.5, 9.5));
    // The dialog's offsets: expected minus clicked.
    const RsmOffsets offsets = ComputeRsmOffsets(in, 24.5, 12.0);
    EXPECT_EQ(std::pair(offsets.TwoThetaOffset, offsets.OmegaOffset), std::pair(0.5, 2.5));
}

// Si (004) measured as 2Theta scans at fixed Omegas 34.06, 34.11 ... 34.56. The sample's Omega
// zero is off, so the reflection (2Theta = 69.13°) shows in the scan at Omega = 34.31, not at
// theta_B = 34.564°; the scans run from 67.5° to 70°, their centre 68.75° is not the peak.
TEST(MapBuilder, CommonOmegaClickTakesTheScansOmegaAndPutsTheReflectionOnTheNormal) {
    ScanRegistry scans;
    scans.OpenScanKind = TScanKind::TwoThetaCommonOmega;
    std::vector<double> positions;
    for (int i = 0; i <= 250; ++i) positions.push_back(67.5 + i * 0.01);
    for (int k = 0; k <= 10; ++k) {
        const double omega = 34.06 + 0.05 * k;
        std::vector<int32_t> counts;
        for (double p : positions)
            counts.push_back(static_cast<int32_t>(
                10 + std::lround(1e5 * std::exp(-std::pow((p - 69.13) / 0.02, 2) -
                                                std::pow((omega - 34.31) / 0.02, 2)))));
        FillScan(k == 0 ? scans.MainScan() : scans.AppendAdditionalScan(), "Omega", omega,
                 positions, counts);
    }

    // A click beside the peak, nearer to the scan at 34.31 than to its neighbours.
    const OffsetsDialogInput in = OffsetsForClick(scans, 69.13, 34.322);
    EXPECT_DOUBLE_EQ(in.TwoTheta, 69.13);
    EXPECT_NEAR(in.Omega, 34.31, 1e-12);
    // DeltaOmega keeps Omega = 2Theta / 2 + DeltaOmega: 34.31 - 34.565.
    EXPECT_NEAR(in.DeltaOmega, -0.255, 1e-12);

    const RsmReflexResult expected =
        CalculateExpectedAngles(RsmReflexInput{5.4309, 5.4309, 5.4309, 0, 0, 4, 0, 0, 1});
    ASSERT_TRUE(expected.Ok);
    const RsmOffsets offsets =
        ComputeRsmOffsets(in, expected.ExpectedTwoTheta, expected.ExpectedOmega);
    // The offsets the click stands for: Omega 34.56434 - 34.31 (theta_B = 34.5643437° to 5
    // decimals), 2Theta 69.12869 - 69.13.
    EXPECT_NEAR(offsets.OmegaOffset, 0.25434, 1e-9);
    EXPECT_NEAR(offsets.TwoThetaOffset, -0.00131, 1e-5);

    const plot::T2dPlotDataset d =
        BuildMapDataset(scans, Reciprocal(offsets.OmegaOffset, offsets.TwoThetaOffset, 1.54056))
            .Dataset;
    const auto strongest = std::max_element(
        d.Points.begin(), d.Points.end(),
        [](const plot::T2dPlotPoint& a, const plot::T2dPlotPoint& b) { return a.Z < b.Z; });
    ASSERT_NE(strongest, d.Points.end());
    EXPECT_EQ(strongest->ScanIndex, 5);
    // On the surface normal (Omega = theta to the expected Omega's 5 decimals: |k_par| below
    // (2 / lambda) sin(theta) × 0.5E-5°), at 1 / d = 4 / 5.4309 A^-1.
    EXPECT_LT(std::fabs(strongest->X), 1e-7);
    EXPECT_NEAR(strongest->Y, 4.0 / 5.4309, 1e-9);
}

TEST(MapBuilder, ExpectedAnglesOfAReflexAndTheDialogMessages) {
    RsmReflexInput in;
    in.A = in.B = in.C = 5.4309;  // silicon
    in.Wavelength = 1.54056;      // Cu K-alpha1
    in.L = 4;
    in.OrientationL = 1;
    // Si (004): d = 5.4309 / 4 = 1.357725 A, 2 theta = 2 asin(1.54056 / 2.71545) = 69.1287°;
    // the reflex lies along the surface normal, so Omega = theta.
    RsmReflexResult r = CalculateExpectedAngles(in);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_NEAR(r.ExpectedTwoTheta, 69.12869, 1e-5);
    EXPECT_NEAR(r.ExpectedOmega, r.ExpectedTwoTheta / 2, 0.5e-5);
    EXPECT_EQ(r.ExpectedOmega, std::round(r.ExpectedOmega * 100000) / 100000);

    // Si (224) on (001): psi = acos(4 / sqrt 24) = 35.26439°; Omega = theta + psi, and with the
    // sample rotated by 180° theta - psi.
    in.H = in.K = 2;
    const RsmReflexResult plain = CalculateExpectedAngles(in);
    in.RotatePhi = true;
    const RsmReflexResult rotated = CalculateExpectedAngles(in);
    ASSERT_TRUE(plain.Ok && rotated.Ok);
    EXPECT_EQ(plain.ExpectedTwoTheta, rotated.ExpectedTwoTheta);
    EXPECT_NEAR(plain.ExpectedTwoTheta, 88.02833, 1e-5);
    const double psi = std::acos(4 / std::sqrt(24.0)) * 180 / std::numbers::pi;
    EXPECT_NEAR(plain.ExpectedOmega, plain.ExpectedTwoTheta / 2 + psi, 1e-5);
    EXPECT_NEAR(rotated.ExpectedOmega, rotated.ExpectedTwoTheta / 2 - psi, 1e-5);

    // Si (220) on (110): parallel vectors whose cosine rounds to just above 1; psi is 0, not
    // undefined.
    in = RsmReflexInput{};
    in.A = in.B = in.C = 5.4309;
    in.H = in.K = 2;
    in.OrientationH = in.OrientationK = 1;
    r = CalculateExpectedAngles(in);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_NEAR(r.ExpectedOmega, r.ExpectedTwoTheta / 2, 0.5e-5);

    // A zero lattice constant, a zero orientation, a zero reflex, and d = 5.4309 / sqrt 300 =
    // 0.31 A below half the wavelength (beyond the limiting sphere).
    const double a = 5.4309;
    const struct {
        RsmReflexInput In;
        std::string Message;
    } refused[] = {{{a, a, 0.0, 2, 2, 0, 1, 1, 0}, kZeroLatticeMessage},
                   {{a, a, a, 2, 2, 0, 0, 0, 0}, kZeroHklMessage},
                   {{a, a, a, 0, 0, 0, 0, 0, 1}, kZeroHklMessage},
                   {{a, a, a, 10, 10, 10, 0, 0, 1}, "Ungültige Gleitkommaoperation"}};
    for (const auto& c : refused) {
        r = CalculateExpectedAngles(c.In);
        EXPECT_TRUE(!r.Ok && r.Message == c.Message) << c.Message;
    }
}

TEST(MapBuilder, MapAsTextHasATitleLineAndFiveDecimals) {
    plot::T2dPlotDataset d;
    d.XTitle = "TwoTheta [°]";
    d.YTitle = "Omega Center [°]";
    d.ZTitle = "Counts [a.u.]";
    d.Points = {{30.123456, -0.5, 12, 0}, {1e-7, 2.0, 0, 1}};
    EXPECT_EQ(MapAsText(d),
              "TwoTheta [°](x)\tOmega Center [°](y)\tCounts [a.u.](z)\r\n"
              "30.12346\t-0.50000\t12.00000\r\n"
              "0.00000\t2.00000\t0.00000\r\n");
}
