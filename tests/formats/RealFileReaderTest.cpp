// Every sample file opens with the right reader, scans and values, and cut-off or garbled copies
// of them end in a message, never in a crash or a half-written registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "formats/ReaderTestSupport.h"
#include "formats/XylibReader.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;
namespace fs = std::filesystem;

namespace {

struct Expected {
    const char* File;
    const char* Format;
    std::vector<int> PointsPerScan;
    double First, Last;                 // of every scan
    int FirstIntensity, LastIntensity;  // of the first scan; -1: not checked
};

// From the files' own headers (start, end, number of values), or written by hand.
const Expected kFiles[] = {
    {"nomad_m54313_om2th_10_v2.1.xrdml", "xml", {1800}, 26.025, 79.995, 0, -1},
    {"nomad_XRD-918-16_10_Gonio_v1.6.xrdml", "xml", {5027}, 4.00656514, 69.99936587, 1305, -1},
    {"nomad_10_m84325_C_XRR_fast_processed_v2.1.xrdml", "xml", {399}, 0.21, 4.19, 97350, -1},
    {"xrayutilities_simpack_xrd_AlGaAs_Omega2Theta_v2.2.xrdml",
     "xml",
     {2999},
     65.46,
     66.6592,
     1,
     -1},
    {"xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", "xml", {750}, 15.01, 29.99, 9, -1},
    {"xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml", "xml", std::vector<int>(76, 75), 73.04, 78.96,
     -1, -1},
    {"refnx_180706_HA_DG2_XRR_v1.0.xrdml", "xml", {395}, 0.11, 7.99, 54538740, -1},
    {"genx_XRDML_alt_XRR_v2.0.xrdml", "xml", {994}, 0.0325, 4.9975, 20991 * 182, -1},
    {"genx_XRDML_attenuation_XRR_Gonio_v1.3.xrdml", "xml", {1000}, 0.005, 9.995, 2628764, -1},
    // A detector scan, 2Theta alone moving: 9 points from 30 to 32 degrees.
    {"detector_scan_2Theta.xrdml", "xml", {9}, 30.0, 32.0, 12, 11},
    {"fityk_nacl01.dat", "two-column", {840}, 19.9143, 52.3751, 31, -1},
    {"genx_rigaku_test.ras", "rigaku-ras", {1401}, 2.0, 30.0, 7994, -1},
    {"two_scans_rsm.ras", "rigaku-ras", {4, 4}, 30.0, 31.5, 10, -1},
    // Normalised intensities, multiplied by 10000: 0.01234 -> 123, 0.00012 -> 1.
    {"film.xye", "columns", {5}, 20.0, 20.08, 123, 1},
    {"quartz.uxd", "xylib:uxd", {8, 4}, 26.5, 26.64, 101, 118},
    // Philips RD stores the square root of 100 x counts.
    {"quartz.rd", "xylib:philips_rd", {9}, 10.0, 12.0, 100, 100},
    {"quartz.cif", "xylib:pdcif", {7}, 20.0, 20.12, 102, 120},
    // The four generations of the Bruker binary format; the positions are start + i x step.
    {"quartz_v1.raw", "xylib:bruker_raw", {10, 4}, 26.0, 27.125, 120, 130},
    {"quartz_v2.raw", "xylib:bruker_raw", {10}, 26.0, 27.125, 120, 130},
    {"quartz_v3.raw", "xylib:bruker_raw", {10, 4}, 26.0, 27.125, 120, 130},
    {"quartz_v4.raw", "bruker-raw4", {10}, 26.0, 27.125, 120, 130},
    {"quartz_v4_two_ranges.raw", "bruker-raw4", {10, 4}, 26.0, 27.125, 120, 130},
    // Two .dat formats that the column reader refuses, each found by its content.
    {"quartz_rigaku.dat", "xylib:rigaku_dat", {11, 4}, 26.0, 27.0, 120, 118},
    {"quartz_riet7.dat", "xylib:riet7", {10}, 26.0, 26.18, 120, 130},
    {"quartz.cpi", "xylib:cpi", {10}, 26.0, 26.18, 120, 130},
    {"quartz.rit", "xylib:dbws", {12}, 26.0, 26.22, 120, 112},
    {"quartz.xdd", "xylib:xfit_xdd", {10}, 26.0, 26.18, 120, 130},
    {"quartz.udf", "xylib:philips_udf", {10}, 26.0, 26.18, 120, 130},
    {"quartz.chi", "xylib:chiplot", {10}, 26.0, 26.18, 120, 130},
};

// Where a sample file is: the test data, else the real data kept outside the repository ("" when
// neither holds it, or when it needs xylib and the build has none).
std::string PathOf(const Expected& e) {
    if (std::string_view(e.Format).starts_with("xylib") && !XylibAvailable()) return "";
    for (const std::string dir : {TREVASC_TEST_DATA_DIR, TREVASC_REALDATA_DIR})
        if (fs::exists(dir + "/" + e.File)) return dir + "/" + e.File;
    // With the real data folder present, every file must be found.
    EXPECT_FALSE(fs::is_directory(TREVASC_REALDATA_DIR)) << e.File << " not found";
    return "";
}

}  // namespace

TEST(RealFiles, EveryFileOpensWithTheRightScans) {
    int opened = 0;
    for (const Expected& e : kFiles) {
        const std::string path = PathOf(e);
        if (path.empty()) continue;
        SCOPED_TRACE(e.File);
        ScanRegistry registry;
        ReaderPrompts prompts;
        const ReadResult r = ReadScanFile(path, true, registry, prompts);
        ++opened;
        EXPECT_EQ(r.FormatName, e.Format);
        EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
        ASSERT_EQ(static_cast<size_t>(registry.AdditionalCount()) + 1, e.PointsPerScan.size());
        for (size_t k = 0; k < e.PointsPerScan.size(); ++k) {
            const TDataSet& s = registry.ScanAt(static_cast<int>(k));
            ASSERT_EQ(s.Count(), e.PointsPerScan[k]);
            ASSERT_EQ(s.RawPoints.size(), static_cast<size_t>(s.Count()));
            // Scans as long as the first cover its range (the maps); the quartz files' shorter
            // second ranges lie elsewhere.
            if (e.PointsPerScan[k] != e.PointsPerScan[0]) continue;
            EXPECT_NEAR(s.RawPoints.front().Position, e.First, 1e-9);
            EXPECT_NEAR(s.RawPoints.back().Position, e.Last, 1e-9);
        }
        const TDataSet& main = registry.MainScan();
        const int first = main.RawPoints.front().Intensity, last = main.RawPoints.back().Intensity;
        EXPECT_TRUE(e.FirstIntensity < 0 || first == e.FirstIntensity) << first;
        EXPECT_TRUE(e.LastIntensity < 0 || last == e.LastIntensity) << last;
        EXPECT_EQ(prompts.Infos.size(), std::string(e.Format) == "columns" ? 1u : 0u);
    }
    EXPECT_GE(opened, 8);
}

TEST(RealFiles, AttenuatedCountsAndMapAxis) {
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
    const auto counts = IntensitiesOf(registry.MainScan());
    EXPECT_EQ(*std::max_element(counts.begin(), counts.end()), 58908588);

    // The map: its lines named by their Omega, which steps by 0.04 from 18.0666.
    const ReadResult r = ReadScanFile(dir + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml", true,
                                      registry, prompts);
    EXPECT_EQ(r.PlotName + " " + registry.MainScan().Name, "B11091 Omega=18.067\xC2\xB0");
    ASSERT_EQ(registry.AdditionalCount(), 75);
    EXPECT_NEAR(registry.Additional(74).SecondAxisPosition, 18.0666 + 75 * 0.04, 1e-9);
}

// Cut-off and garbled copies of every sample file: an error is a message, and a failed read
// changes nothing. Cuts are dense near the start (headers), then spread over the whole file; the
// garbled copy has one byte changed where the cut falls. Each is read as main and as additional.
TEST(RealFiles, TruncatedCopiesFailCleanly) {
    const int cuts = 200;
    for (const Expected& e : kFiles) {
        const std::string path = PathOf(e);
        if (path.empty()) continue;
        SCOPED_TRACE(e.File);
        const std::string content = ReadFileBytes(path);
        ASSERT_FALSE(content.empty());
        for (int i = 0; i < cuts; ++i) {
            const size_t cut = i < cuts / 4 ? static_cast<size_t>(i) * 7
                                            : content.size() * static_cast<size_t>(i) / cuts;
            std::string garbled = content;
            if (cut < garbled.size()) garbled[cut] = static_cast<char>(garbled[cut] ^ (0x55 + i));
            for (int variant = 0; variant < 4; ++variant) {
                const std::string_view text = variant < 2 ? std::string_view(content).substr(0, cut)
                                                          : std::string_view(garbled);
                ScanRegistry registry;
                FillMainScan(registry);
                ReaderPrompts prompts;
                try {
                    ReadScanText(text, e.File, variant % 2 == 0, registry, prompts);
                } catch (const TrevascError&) {
                    ExpectMainUntouched(registry);
                }
                EXPECT_EQ(registry.MainScan().Peaks.Count(), 1);
                // Readers leave the processed points to the processing.
                for (int k = 0; k <= registry.AdditionalCount(); ++k) {
                    const TDataSet& s = registry.ScanAt(k);
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
