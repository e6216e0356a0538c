// Real diffractometer files: every one opens with the right scans and values, and cut-off
// copies of them end in a message, never in a crash or a half-written registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "formats/ReaderTestSupport.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;
namespace fs = std::filesystem;

namespace {

struct Expected {
    int Scans;
    int Points;  // per scan
    double First, Last;
    TScanKind Kind;
    int FirstIntensity;
};

// From the files' own headers (start, end, number of values).
const std::map<std::string, Expected> kExpected = {
    {"nomad_m54313_om2th_10_v2.1.xrdml", {1, 1800, 26.025, 79.995, TScanKind::TwoTheta, 0}},
    {"nomad_XRD-918-16_10_Gonio_v1.6.xrdml",
     {1, 5027, 4.00656514, 69.99936587, TScanKind::TwoTheta, 1305}},
    {"nomad_10_m84325_C_XRR_fast_processed_v2.1.xrdml",
     {1, 399, 0.21, 4.19, TScanKind::TwoTheta, 97350}},
    {"xrayutilities_simpack_xrd_AlGaAs_Omega2Theta_v2.2.xrdml",
     {1, 2999, 65.46, 66.6592, TScanKind::TwoTheta, 1}},
    {"xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", {1, 750, 15.01, 29.99, TScanKind::TwoTheta, 9}},
    {"xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml",
     {76, 75, 73.04, 78.96, TScanKind::TwoTheta, -1}},
    {"refnx_180706_HA_DG2_XRR_v1.0.xrdml", {1, 395, 0.11, 7.99, TScanKind::TwoTheta, 54538740}},
    {"genx_XRDML_alt_XRR_v2.0.xrdml", {1, 994, 0.0325, 4.9975, TScanKind::TwoTheta, 20991 * 182}},
    {"genx_XRDML_attenuation_XRR_Gonio_v1.3.xrdml",
     {1, 1000, 0.005, 9.995, TScanKind::TwoTheta, 2628764}},
    {"fityk_nacl01.dat", {1, 840, 19.9143, 52.3751, TScanKind::TwoTheta, 31}},
    {"genx_rigaku_test.ras", {1, 1401, 2.0, 30.0, TScanKind::TwoTheta, 7994}},
    {"two_scans_rsm.ras", {2, 4, 30.0, 31.5, TScanKind::TwoTheta, 10}},
    // Written by hand: a detector scan, 2Theta alone moving.
    {"detector_scan_2Theta.xrdml", {1, 9, 30.0, 32.0, TScanKind::TwoTheta, 12}},
};

// The reader each file goes to, by its extension.
TScanFormat FormatFor(const fs::path& file) {
    if (file.extension() == ".dat") return TScanFormat::TwoColumn;
    if (file.extension() == ".ras") return TScanFormat::RigakuRas;
    return TScanFormat::Xml;
}

std::vector<fs::path> ScanFilesIn(const std::string& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string ext = entry.path().extension().string();
        // The small quartz samples of the xylib formats (some of them .dat) are checked with
        // the other foreign formats.
        if (entry.path().filename().string().rfind("quartz", 0) == 0) continue;
        if (ext == ".xrdml" || ext == ".dat" || ext == ".ras") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool RealDataPresent() {
    return fs::is_directory(TREVASC_REALDATA_DIR);
}

void CheckOpens(const fs::path& file) {
    SCOPED_TRACE(file.string());
    ScanRegistry registry;
    ReaderPrompts prompts;
    auto it = kExpected.find(file.filename().string());
    ASSERT_NE(it, kExpected.end()) << "no expectation for this file";
    const Expected& e = it->second;
    TScanFormat format{};
    ReadScanFile(file.string(), true, registry, prompts, &format);
    EXPECT_EQ(format, FormatFor(file));
    EXPECT_EQ(registry.OpenScanKind, e.Kind);
    ASSERT_EQ(registry.AdditionalCount() + 1, e.Scans);
    for (int k = 0; k < e.Scans; ++k) {
        const TDataSet& s = registry.ScanAt(k);
        ASSERT_EQ(s.Count(), e.Points);
        ASSERT_EQ(static_cast<int>(s.RawPoints.size()), e.Points);
        EXPECT_NEAR(s.RawPoints.front().Position, e.First, 1e-9);
        EXPECT_NEAR(s.RawPoints.back().Position, e.Last, 1e-9);
    }
    if (e.FirstIntensity >= 0) {
        EXPECT_EQ(registry.MainScan().RawPoints[0].Intensity, e.FirstIntensity);
    }
    EXPECT_TRUE(prompts.Infos.empty());
}

int32_t MaxIntensity(const TDataSet& s) {
    int32_t m = INT32_MIN;
    for (const auto& p : s.RawPoints) m = std::max(m, p.Intensity);
    return m;
}

}  // namespace

TEST(RealFiles, EveryFileOpensWithTheRightScans) {
    ASSERT_FALSE(ScanFilesIn(TREVASC_TEST_DATA_DIR).empty());
    for (const auto& f : ScanFilesIn(TREVASC_TEST_DATA_DIR)) CheckOpens(f);
    if (!RealDataPresent()) GTEST_SKIP() << "no real data folder";
    for (const auto& f : ScanFilesIn(TREVASC_REALDATA_DIR)) CheckOpens(f);
}

TEST(RealFiles, AttenuatedCountsAndAreaMap) {
    const std::string dir = TREVASC_TEST_DATA_DIR;
    ScanRegistry registry;
    ReaderPrompts prompts;
    // XRDML 2.1: raw counts; the substrate peak was counted through the 188x attenuator.
    ReadScanFile(dir + "/nomad_m54313_om2th_10_v2.1.xrdml", true, registry, prompts);
    EXPECT_EQ(registry.MainScan().RawPoints[1336].Intensity, 1877 * 188);
    EXPECT_NEAR(registry.MainScan().RawPoints[1336].Position, 26.025 + 1336 * 0.03, 1e-9);
    EXPECT_EQ(registry.MainScan().Name, "nomad_m54313_om2th_10_v2.1.xrdml");  // no sample id

    ReadScanFile(dir + "/nomad_10_m84325_C_XRR_fast_processed_v2.1.xrdml", true, registry, prompts);
    EXPECT_EQ(registry.MainScan().RawPoints[12].Intensity, 831 * 188);

    // XRDML 1.0: intensities already include the 148x factor.
    ReadScanFile(dir + "/refnx_180706_HA_DG2_XRR_v1.0.xrdml", true, registry, prompts);
    EXPECT_EQ(MaxIntensity(registry.MainScan()), 58908588);

    ReadResult r = ReadScanFile(dir + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml", true,
                                registry, prompts);
    EXPECT_EQ(r.PlotName, "B11091");
    ASSERT_EQ(registry.AdditionalCount(), 75);
    EXPECT_EQ(registry.MainScan().SecondAxisName, "Omega");
    EXPECT_EQ(registry.MainScan().Name, "Omega=18.067\xC2\xB0");
    EXPECT_NEAR(registry.Additional(74).SecondAxisPosition, 18.0666 + 75 * 0.04, 1e-9);
    EXPECT_NEAR(registry.MainScan().RawPoints[1].Position, 73.12, 1e-9);

    // Inserted as additional file next to a 2Theta scan: every line is appended.
    ScanRegistry both;
    ReadScanFile(dir + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", true, both, prompts);
    EXPECT_EQ(MaxIntensity(both.MainScan()), 1585904);
    ReadScanFile(dir + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml", false, both, prompts);
    ASSERT_EQ(both.AdditionalCount(), 76);
    EXPECT_EQ(both.Additional(0).Name, "B11091 Omega=18.067\xC2\xB0");
}

// Cut-off and garbled copies of every scan file: an error is a message, and a failed read
// changes nothing.
TEST(RealFiles, TruncatedCopiesFailCleanly) {
    std::vector<fs::path> files = ScanFilesIn(TREVASC_TEST_DATA_DIR);
    for (const char* other :
         {"film.xye", "quartz.uxd", "quartz.rd", "quartz.cif", "quartz_v1.raw", "quartz_v2.raw",
          "quartz_v3.raw", "quartz_rigaku.dat", "quartz_riet7.dat", "quartz.cpi", "quartz.rit",
          "quartz.xdd", "quartz.udf", "quartz.chi"})
        files.push_back(fs::path(TREVASC_TEST_DATA_DIR) / other);
    if (RealDataPresent())
        for (const auto& f : ScanFilesIn(TREVASC_REALDATA_DIR)) files.push_back(f);
    const int cuts = 200;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::string content = ReadFileBytes(file.string());
        ASSERT_FALSE(content.empty());
        for (int i = 0; i < cuts; ++i) {
            // Dense near the start (headers), then spread over the whole file; each prefix is
            // read as main and as additional file.
            const size_t cut = i < cuts / 4 ? static_cast<size_t>(i) * 7
                                            : content.size() * static_cast<size_t>(i) / cuts;
            // The garbled copy has one byte changed where the cut falls.
            std::string garbled = content;
            if (cut < garbled.size()) garbled[cut] = static_cast<char>(garbled[cut] ^ (0x55 + i));
            for (int variant = 0; variant < 4; ++variant) {
                const bool main = variant % 2 == 0;
                const std::string_view text = variant < 2 ? std::string_view(content).substr(0, cut)
                                                          : std::string_view(garbled);
                ScanRegistry registry;
                FillMainScan(registry);
                ReaderPrompts prompts;
                try {
                    ReadScanText(text, file.filename().string(), main, registry, prompts);
                } catch (const TrevascError&) {
                    ExpectMainUntouched(registry);  // a failed read changes nothing
                }
                EXPECT_EQ(registry.MainScan().Peaks.Count(), 1);
                for (int k = 0; k <= registry.AdditionalCount(); ++k) {
                    const TDataSet& s = registry.ScanAt(k);
                    // Readers leave the processed points to the processing.
                    ASSERT_TRUE(s.Points.empty() || s.Points.size() == s.RawPoints.size());
                }
            }
        }
    }
}

TEST(RealFiles, ValuesDroppedFromAListAreReported) {
    // Each scan of this map lists as many attenuation factors as intensities; two values lost
    // from one list must not go unnoticed.
    std::string content = ReadFileBytes(std::string(TREVASC_TEST_DATA_DIR) +
                                        "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml");
    const size_t list = content.find("<intensities unit=\"counts\">", content.size() / 2);
    ASSERT_NE(list, std::string::npos);
    const size_t end = content.find("</intensities>", list);
    const size_t cut = content.rfind(' ', content.rfind(' ', end - 1) - 1);
    content.erase(cut, end - cut);
    ExpectFailures(
        ReadXmlMeasurementText,
        {{content,
          "The number of beam attenuation factors does not match the number of intensities."}});
}
