// Processing and both peak searches on a measured 2Theta-Omega scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "formats/ScanFileReader.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

class NoQuestions : public Prompts {
  public:
    bool Confirm(const std::string&) override { return true; }
    void ShowError(const std::string&) override {}
    void ShowInfo(const std::string&) override {}
    std::optional<std::string> InputQuery(const std::string&, const std::string&,
                                          const std::string& preset) override {
        return preset;
    }
};

}  // namespace

TEST(RealScan, BothSearchesFindTheSubstratePeak) {
    const std::string file =
        std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " not present";
    ScanRegistry registry;
    NoQuestions prompts;
    formats::ReadScanFile(file, true, registry, prompts);
    TDataSet& scan = registry.MainScan();
    ASSERT_GT(scan.Count(), 100);

    const auto top = std::max_element(scan.RawPoints.begin(), scan.RawPoints.end(),
                                      [](auto& a, auto& b) { return a.Intensity < b.Intensity; });
    const double step =
        (scan.RawPoints.back().Position - scan.RawPoints.front().Position) / (scan.Count() - 1);

    for (int variant = 0; variant < 4; ++variant) {
        ProcessingSettings processing;
        processing.NoiseSuppression = variant >= 2;
        processing.RemoveBackground = variant >= 2;
        RebuildAllProcessedCurves(registry, processing);
        PeakSearchSettings search;
        search.UseAreaBisector = variant % 2 == 1;
        for (TPeakMethod method : {TPeakMethod::Slope, TPeakMethod::Curvature}) {
            ASSERT_TRUE(RunPeakSearch(scan, method, search, processing.SlopeCount));
            const auto& peaks = scan.Peaks.Items;
            ASSERT_FALSE(peaks.empty());
            EXPECT_LT(peaks.size(), 20u);  // a handful of reflections, not the noise floor
            ASSERT_EQ(scan.Peaks.Count(), static_cast<int>(peaks.size()));
            EXPECT_TRUE(std::is_sorted(peaks.begin(), peaks.end(),
                                       [](auto& a, auto& b) { return a.Position < b.Position; }));
            for (const TPeak& p : peaks)
                EXPECT_TRUE(p.PointIndex >= 0.0 && p.PointIndex <= scan.Count() - 1.0);
            const auto nearest =
                std::min_element(peaks.begin(), peaks.end(), [&](auto& a, auto& b) {
                    return std::abs(a.Position - top->Position) <
                           std::abs(b.Position - top->Position);
                });
            EXPECT_NEAR(nearest->Position, top->Position, 3 * step)
                << "variant " << variant << " method " << static_cast<int>(method);
        }
    }
}
