// Processing and both peak searches on a measured 2Theta-Omega scan.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "formats/ReaderTestSupport.h"

using namespace trevasc;
using namespace trevasc::analysis;

TEST(RealScan, BothSearchesFindTheSubstratePeak) {
    ScanRegistry registry;
    test::ReaderPrompts prompts;
    formats::ReadScanFile(
        std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", true,
        registry, prompts);
    TDataSet& scan = registry.MainScan();
    ASSERT_GT(scan.Count(), 100);
    const auto top = std::max_element(scan.RawPoints.begin(), scan.RawPoints.end(),
                                      [](auto& a, auto& b) { return a.Intensity < b.Intensity; });
    const double step =
        (scan.RawPoints.back().Position - scan.RawPoints.front().Position) / (scan.Count() - 1);
    for (int variant = 0; variant < 4; ++variant) {
        ProcessingSettings processing;
        processing.NoiseSuppression = processing.RemoveBackground = variant >= 2;
        RebuildAllProcessedCurves(registry, processing);
        PeakSearchSettings search;
        search.UseAreaBisector = variant % 2 == 1;
        for (TPeakMethod method : {TPeakMethod::Slope, TPeakMethod::Curvature}) {
            SCOPED_TRACE("variant " + std::to_string(variant) + " method " +
                         std::to_string(static_cast<int>(method)));
            ASSERT_TRUE(RunPeakSearch(scan, method, search, processing.SlopeCount));
            const auto& peaks = scan.Peaks.Items;
            ASSERT_FALSE(peaks.empty());
            EXPECT_LT(peaks.size(), 20u);  // a handful of reflections, not the noise floor
            double nearest = peaks[0].Position;
            for (const TPeak& p : peaks)
                if (std::abs(p.Position - top->Position) < std::abs(nearest - top->Position))
                    nearest = p.Position;
            EXPECT_NEAR(nearest, top->Position, 3 * step);
        }
    }
}
