#include <gtest/gtest.h>

#include <string>

#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

using namespace trevasc;
using trevasc::test::ScriptedPrompts;
using trevasc::test::TempDir;

namespace {

const std::string kAreaMap =
    std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml";

}  // namespace

TEST(MapSession, ReciprocalMapUsesTheSessionsWavelengthOffsetsAndFlip) {
    ScriptedPrompts prompts;
    WorkbenchSession session(prompts);
    session.OpenMainFile(kAreaMap);
    const ScanRegistry& scans = session.Registry();
    ASSERT_GT(scans.AdditionalCount(), 1);
    ASSERT_EQ(scans.OpenScanKind, TScanKind::TwoTheta);

    session.SetCurrentWavelength(1.2);
    session.Maps().RsmOmegaOffset = 0.3;
    session.Maps().RsmTwoThetaOffset = -0.1;
    session.Maps().FlipKParallel = true;
    const tools::MapBuild build = session.BuildMapDataset(tools::MapMode::Reciprocal);
    ASSERT_TRUE(build.Built);
    EXPECT_TRUE(prompts.Errors.empty());
    EXPECT_EQ(build.Dataset.Info, "Using Omega Offset=0.300° 2Theta Offset=-0.100°");

    // Every scan of the area contributes all of its processed points.
    size_t points = 0;
    for (int k = 0; k <= scans.AdditionalCount(); ++k) points += scans.ScanAt(k).Points.size();
    ASSERT_EQ(build.Dataset.Points.size(), points);
    // The last point of the last scan, worked by hand from the file: 2Theta = 78.96, Omega =
    // 22.5466 (the scan's end positions); with the offsets Omega = 22.8466, theta = 39.43, and
    // k = 2 sin(theta) / 1.2 = 1.058558 1/A tilted by Omega - theta = -16.5834 degrees:
    // k_parallel = -k sin(-16.5834) = 0.302124 (flipped), k_perpendicular = k cos(...) = 1.014528.
    const TDataSet& last = scans.ScanAt(scans.AdditionalCount());
    const plot::T2dPlotPoint& got = build.Dataset.Points.back();
    EXPECT_NEAR(got.X, 0.3021238946, 1e-9);
    EXPECT_NEAR(got.Y, 1.0145279681, 1e-9);
    EXPECT_EQ(got.ScanIndex, scans.AdditionalCount());
    EXPECT_EQ(got.Z, last.Points.back().Intensity);

    session.Maps().FlipKParallel = false;
    const plot::T2dPlotPoint unflipped =
        session.BuildMapDataset(tools::MapMode::Reciprocal).Dataset.Points.back();
    EXPECT_NE(unflipped.X, 0.0);
    EXPECT_EQ(unflipped.X, -got.X);
    EXPECT_EQ(unflipped.Y, got.Y);
}

TEST(MapSession, AMapThatCannotBeBuiltIsExplainedOnce) {
    TempDir dir;
    ScriptedPrompts prompts;
    WorkbenchSession session(prompts);
    session.OpenMainFile(dir.Write("line.txt", "10\t100\n10.5\t120\n11\t90\n"));

    // A single 2Theta scan without a second axis: a measured map of no points, said nothing.
    tools::MapBuild build = session.BuildMapDataset(tools::MapMode::TwoAxis);
    EXPECT_TRUE(build.Built);
    EXPECT_EQ(build.Dataset.Count(), 0);
    EXPECT_TRUE(prompts.Errors.empty());

    build = session.BuildMapDataset(tools::MapMode::Reciprocal);
    EXPECT_FALSE(build.Built);
    ASSERT_EQ(prompts.Errors.size(), 1u);
    EXPECT_EQ(prompts.Errors[0], tools::kNotOmegaSeriesMessage);
}
