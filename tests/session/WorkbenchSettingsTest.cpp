// The settings, and what a change of them does to the plot and the open scans: Kα2 stripping
// of the main scan is done first, then the smoothing; additional scans stay untouched. The tab
// fields kept in the main INI file between runs: written, read back, and read with the fields'
// defaults and ranges when a key is missing or was edited by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/IniFile.h"
#include "session/TabSettings.h"
#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"
#include "tools/profile/Kalpha2Stripping.h"

using namespace trevasc;
using trevasc::test::TwoColumn;

namespace {

struct WorkbenchSettingsTest : test::SessionFixture {};

template <class... T>
std::vector<double> Row(T... values) {
    return {static_cast<double>(values)...};
}

// Every kept field and the noise switch, in one row.
std::vector<double> Fields(const TabSettings& s) {
    const auto& p = s.Processing;
    const auto& f = s.PeakSearch;
    const auto& t = s.Structure;
    return Row(p.SmoothWidth, p.BackgroundWidth, p.SlopeCount, p.NoiseSuppression, s.Kalpha2Ratio,
               f.MinPeakHeight, f.MinPeakSlope, f.MinPeakCurvature, f.BisectorPercentage,
               f.MinDoublePeakDistance, t.System, t.Lattice.A, t.Lattice.B, t.Lattice.C,
               t.Lattice.Alpha, t.Lattice.Beta, t.Lattice.Gamma, t.H.Min, t.H.Max, t.K.Min, t.K.Max,
               t.L.Min, t.L.Max);
}

}  // namespace

TEST_F(WorkbenchSettingsTest, AdditionalFieldsAndWavelengthNotifyOnlyOnChange) {
    observer.Events.clear();
    EXPECT_DOUBLE_EQ(session.Settings().AdditionalLatticeSpacing(), 4.0);
    EXPECT_EQ(session.Settings().PermittedReflexes(), "1,2,3,4,5,6,7,8");
    session.Settings().SetAdditionalLatticeSpacing(5.43102);
    session.Settings().SetAdditionalLatticeSpacing(5.43102);
    session.Settings().SetPermittedReflexes("4,8");
    session.Settings().SetPermittedReflexes("4,8");
    session.Settings().SetCurrentWavelength(WorkbenchSettings::kDefaultWavelength);
    session.Settings().SetCurrentWavelength(1.54439);
    EXPECT_EQ(observer.Events,
              (std::vector<std::string>{"spacing:5.431020", "allowed:4,8", "wavelength:1.544390"}));
}

TEST_F(WorkbenchSettingsTest, DisplaySwitchesRedrawPlotAndLegendAndSpanShowsTheFullRange) {
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    plot::TPlotDataset dataset;
    ASSERT_TRUE(session.View().BuildPlotDataset(dataset));
    session.View().ApplyRange(12.0, 14.0);
    observer.Events.clear();

    plot::XrdPlotSettings display = session.Settings().Display();
    display.LogScaling = !display.LogScaling;
    session.Settings().SetDisplay(display);
    EXPECT_EQ(observer.Events, (std::vector<std::string>{"plot", "legend"}));
    EXPECT_EQ(session.View().ViewXMin(), 12.0);  // another switch keeps the zoom

    observer.Events.clear();
    display.SpanAllFiles = true;
    session.Settings().SetDisplay(display);
    EXPECT_EQ(observer.Events, (std::vector<std::string>{"plot", "legend"}));
    ASSERT_TRUE(session.View().BuildPlotDataset(dataset));
    // 10 .. 30 degrees: the whole scan again.
    EXPECT_EQ(std::pair(session.View().ViewXMin(), session.View().ViewXMax()),
              std::pair(10.0, 30.0));

    observer.Events.clear();
    session.Settings().Colors().MainPlot = 0x00FF00;
    session.Settings().ColorsChanged();
    EXPECT_EQ(observer.Events, (std::vector<std::string>{"plot", "legend"}));
}

TEST_F(WorkbenchSettingsTest, OnlyChangedCurveSettingsRebuildTheProcessedPoints) {
    analysis::ProcessingSettings smooth = session.Settings().Processing();
    smooth.NoiseSuppression = true;
    smooth.SmoothWidth = 5;
    observer.Events.clear();
    session.Settings().SetProcessing(smooth);  // no scan open: nothing to rebuild
    EXPECT_TRUE(observer.Events.empty());
    session.Settings().SetProcessing({});

    // 21 points of 100 counts with one spike of 400 in the middle.
    std::string text;
    for (int i = 0; i < 21; ++i)
        text += std::to_string(10.0 + 0.5 * i) + "\t" + (i == 10 ? "400" : "100") + "\n";
    session.OpenMainFile(dir.Write("spike.txt", text));
    ASSERT_EQ(session.Scans().MainScan().Points[10].Intensity, 400);
    observer.Events.clear();

    analysis::ProcessingSettings slope = session.Settings().Processing();
    slope.SlopeCount = 7;  // the slope window is used by the next search, not by the curves
    session.Settings().SetProcessing(slope);
    EXPECT_TRUE(observer.Events.empty());

    smooth.SlopeCount = 7;
    session.Settings().SetProcessing(smooth);
    EXPECT_EQ(observer.Events, (std::vector<std::string>{"plot"}));
    // An average over five samples spreads the spike: 100 < peak < 400.
    const double peak = session.Scans().MainScan().Points[10].Intensity;
    EXPECT_TRUE(peak > 100.0 && peak < 400.0) << peak;
}

TEST_F(WorkbenchSettingsTest, MainScanIsKalpha2StrippedBeforeSmoothingAndAdditionalScansAreNot) {
    // A flat 300-count background from 20° to 80° in 0.01° steps with a line of 3000 counts at 30°.
    std::string flat;
    for (int i = 0; i <= 6000; ++i)
        flat += std::to_string(20.0 + 0.01 * i) + "\t" + (i == 1000 ? "3000" : "300") + "\n";
    session.OpenMainFile(dir.Write("flat.txt", flat));
    session.LoadScanFile(dir.Write("second.txt", flat), false);
    ASSERT_EQ(session.Scans().Registry().AdditionalCount(), 1);
    const tools::KalphaDoublet cu{1.540562, 1.544390};
    analysis::ProcessingSettings processing = session.Settings().Processing();
    processing.NoiseSuppression = true;
    processing.SmoothWidth = 5;
    session.Settings().SetProcessing(processing);
    const TDataPointArray smoothedOnly = session.Scans().MainScan().Points;

    // Enabled without a doublet (a line with no Kα2 partner): nothing changes.
    session.Settings().SetKalpha2Stripping({true, 0.5, std::nullopt});
    EXPECT_EQ(session.Scans().MainScan().Points[5000].Intensity, smoothedOnly[5000].Intensity);

    session.Settings().SetKalpha2Stripping({true, 0.5, cu});
    const TDataPointArray& pts = session.Scans().MainScan().Points;
    ASSERT_EQ(pts.size(), 6001u);
    // Far from the start the flat 300 has become 2/3 of itself; the raw points keep the
    // measurement, and the additional scan is not stripped.
    EXPECT_EQ(pts[5990].Intensity, 200);
    EXPECT_EQ(session.Scans().MainScan().RawPoints[5990].Intensity, 300);
    EXPECT_EQ(session.Scans().Registry().Additional(0).Points[5990].Intensity, 300);
    // The same as smoothing the stripped counts.
    TDataSet expected;
    expected.RawPoints = tools::StripKalpha2(session.Scans().MainScan().RawPoints, cu, 0.5);
    analysis::RebuildProcessedCurve(expected, processing);
    for (size_t i = 0; i < pts.size(); ++i)
        ASSERT_EQ(pts[i].Intensity, expected.Points[i].Intensity) << i;

    session.Settings().SetKalpha2Stripping({false, 0.5, cu});
    for (size_t i = 0; i < pts.size(); ++i)
        ASSERT_EQ(session.Scans().MainScan().Points[i].Intensity, smoothedOnly[i].Intensity) << i;
}

TEST(TabSettings, WrittenValuesComeBackAndOtherKeysStay) {
    test::TempDir dir;
    const std::string ini = dir.Write("trevasc.INI", "[MAINWINDOW]\nLeft=7\n");
    TabSettings s;
    s.Processing = {true, 9, false, 250, 31};  // noise suppression is a switch: not kept
    s.Kalpha2Ratio = 0.514;
    s.PeakSearch.MinPeakHeight = 1200;
    s.PeakSearch.MinPeakSlope = 900000000;
    s.PeakSearch.MinPeakCurvature = 77;
    s.PeakSearch.BisectorPercentage = 55;
    s.PeakSearch.MinDoublePeakDistance = 0.035;
    s.Structure = {analysis::TCrystalSystem::Hexagonal,
                   {3.189, 3.189, 5.185, 90, 90, 120},
                   {-3, 4},
                   {0, 2},
                   {1, 6}};
    WriteTabSettings(ini, s);
    // The double peak distance exactly, not rounded.
    EXPECT_EQ(Fields(ReadTabSettings(ini)), Row(9, 250, 31, 0, 0.514, 1200, 900000000, 77, 55,
                                                0.035, analysis::TCrystalSystem::Hexagonal, 3.189,
                                                3.189, 5.185, 90, 90, 120, -3, 4, 0, 2, 1, 6));
    const IniFile file(ini);
    EXPECT_EQ(file.ReadInteger("MAINWINDOW", "Left", 0), 7);
    EXPECT_EQ(file.ReadString("PEAKSEARCH", "DOUBLEPEAKDISTANCE", ""), "0.035");
}

TEST(TabSettings, MissingOrHandEditedKeysGiveTheFieldDefaults) {
    test::TempDir dir;
    const auto none = analysis::TCrystalSystem::None;
    // No file at all: the documented defaults of every field.
    EXPECT_EQ(
        Fields(ReadTabSettings(dir.File("missing.INI"))),
        Row(5, 40, 15, 0, 0.5, 30, 40, 40, 30, 0.1, none, 4, 4, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0));
    // Text where a number belongs, a fraction in a spin box, hexadecimal: the default. Numbers
    // outside a field's range: its nearest limit. A system past the list: none selected. A
    // decimal comma reads as well.
    const std::string ini =
        dir.Write("trevasc.INI",
                  "[PROCESSING]\nSMOOTHWIDTH=wide\nBACKGROUNDWIDTH=5000\nSLOPESAMPLES=12.5\n"
                  "KALPHA2RATIO=1.5\n"
                  "[PEAKSEARCH]\nMINPEAKHEIGHT=$20\nMINPEAKSLOPE=1\nBISECTORPERCENTAGE=\n"
                  "DOUBLEPEAKDISTANCE=0,2\n"
                  "[STRUCTURE]\nSYSTEM=7\nA=abc\nB=-1\nC=nan\nALPHA=200\nHMIN=-500\nHMAX=21\n");
    EXPECT_EQ(Fields(ReadTabSettings(ini)), Row(5, 1000, 15, 0, 1.0, 30, 3, 40, 30, 0.2, none, 4, 0,
                                                4, 180, 4, 4, -100, 20, 0, 0, 0, 0));
}
