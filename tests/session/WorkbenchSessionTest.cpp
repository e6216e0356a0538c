// The session's file flow in the hand-over order, its progress reports and the maps of the open
// scans.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/Error.h"
#include "formats/XylibReader.h"
#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"
#include "support/TextChecks.h"

using namespace trevasc;
using trevasc::test::TwoColumn;

namespace {

struct SessionFlow : test::SessionFixture {};

const std::string kAreaMap =
    std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml";

}  // namespace

TEST_F(SessionFlow, OpenRunsTheHandOverInOrderAndSetsCaptionTitleHistory) {
    std::string f = dir.Write("a.txt", TwoColumn(10, 5));
    observer.Events.clear();
    session.OpenMainFile(f);
    EXPECT_EQ(session.Scans().MainScan().Count(), 5);
    EXPECT_EQ(session.Scans().Registry().PlotTitle, "XRD Plot: a.txt");
    EXPECT_EQ(session.Scans().Caption(), "a.txt: Trevasc v1.0 (Build 1)");
    EXPECT_EQ(session.Scans().Registry().LoadedFileName, "a.txt");
    EXPECT_EQ(session.Scans().Registry().LoadedFileFolder, dir.Path() + "/");
    EXPECT_EQ(session.Scans().GetFileHistory()[0], f);
    EXPECT_TRUE(session.Peaks().FindEnabled());
    const std::vector<std::string> tail = {"plot", "plotwindow", "twoaxis", "legend", "menu"};
    // The view range notification is not part of the hand-over order.
    std::erase(observer.Events, "view");
    ASSERT_GE(observer.Events.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(observer.Events.end() - 5, observer.Events.end()), tail);
    EXPECT_EQ(observer.Events.front(), "peaks");  // the peak list is emptied first
    // The processed copy exists for every scan.
    EXPECT_EQ(session.Scans().MainScan().Points.size(), 5u);
}

TEST_F(SessionFlow, SelectMainScanExchangesAndKeepsOrder) {
    session.OpenMainFile(dir.Write("M.txt", TwoColumn(10, 5)));
    std::vector<std::string> files;
    for (const char* n : {"A.txt", "B.txt", "C.txt", "D.txt"})
        files.push_back(dir.Write(n, TwoColumn(10, 4)));
    session.InsertFiles(files);
    AddPeak(session.Scans().Registry().Additional(2), 10.5, "c-peak", false);
    observer.Events.clear();
    session.SelectMainScan(3);
    EXPECT_EQ(session.Scans().MainScan().Name, "C.txt");
    std::string order;
    for (int k = 1; k <= session.Scans().Registry().AdditionalCount(); ++k)
        order += session.Scans().Registry().ScanAt(k).Name.substr(0, 1);
    EXPECT_EQ(order, "MABD");
    EXPECT_EQ(observer.Events.front(), "peaks");
    EXPECT_EQ(session.Scans().MainScan().Peaks.Items[0].Description, "c-peak");
    observer.Events.clear();
    session.SelectMainScan(0);
    session.SelectMainScan(9);
    EXPECT_TRUE(observer.Events.empty());
}

TEST_F(SessionFlow, PeakListFileBesideTheScanOpensWithIt) {
    std::string f = dir.Write("scan.dat", TwoColumn(10, 9));
    dir.Write("scan_Peaks.txt", "TITLE My film\r\n11.0000   Si (004)\r\n\r\n12.5000   \r\n");
    session.OpenMainFile(f);
    const TPeakSet& peaks = session.Scans().MainScan().Peaks;
    ASSERT_EQ(peaks.Count(), 2);
    EXPECT_FALSE(peaks.Unsaved);
    EXPECT_EQ(peaks.Items[0].Description, "Si (004)");
    EXPECT_TRUE(peaks.Items[0].Checked);
    EXPECT_FALSE(peaks.Items[1].Checked);
    EXPECT_EQ(session.Scans().Registry().PlotTitle, "My film");
}

TEST_F(SessionFlow, AFailedOpenKeepsCaptionAndHistoryAndThrowsTheReaderMessage) {
    session.OpenMainFile(dir.Write("good.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("extra.txt", TwoColumn(10, 5))});
    const std::string caption = session.Scans().Caption();
    std::string bad = dir.Write("bad.txt", "just words\nand more words\n");
    EXPECT_THROW(session.OpenMainFile(bad), TrevascError);
    EXPECT_EQ(session.Scans().Caption(), caption);
    EXPECT_EQ(session.Scans().GetFileHistory()[0], dir.File("extra.txt"));
    EXPECT_EQ(session.Scans().Registry().AdditionalCount(), 0);  // released before the reader ran
    EXPECT_FALSE(session.RunAction([&] { session.OpenMainFile(bad); }));
    ASSERT_EQ(prompts.Errors.size(), 1u);
    EXPECT_EQ(prompts.Errors[0], "Unknown data format.");
}

TEST_F(SessionFlow, InsertStopsAtTheFirstBadFileAndKeepsTheOnesBefore) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    std::string ok = dir.Write("ok.txt", TwoColumn(10, 5));
    std::string bad = dir.Write("bad.txt", "nothing here\n");
    std::string after = dir.Write("after.txt", TwoColumn(10, 5));
    EXPECT_THROW(session.InsertFiles({ok, bad, after}), TrevascError);
    ASSERT_EQ(session.Scans().Registry().AdditionalCount(), 1);
    EXPECT_EQ(session.Scans().Registry().Additional(0).Name, "ok.txt");
}

TEST_F(SessionFlow, HistoryItemOfAMissingFileFailsWithAFileError) {
    session.Scans().AddToFileHistory(dir.File("gone.txt"));
    EXPECT_THROW(session.OpenHistoryItem(0), TrevascError);
    session.OpenHistoryItem(5);  // empty slot: nothing happens
}

TEST_F(SessionFlow, ReadingAFileResetsTheMapOffsets) {
    session.Settings().Maps().RsmOmegaOffset = 0.5;
    session.Settings().Maps().RsmTwoThetaOffset = -0.25;
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    EXPECT_EQ(session.Settings().Maps().RsmOmegaOffset, 0.0);
    EXPECT_EQ(session.Settings().Maps().RsmTwoThetaOffset, 0.0);
}

TEST_F(SessionFlow, LongStepsReportBeginAndEndEvenWhenTheyFail) {
    std::vector<std::string> steps;
    session.Progress().SetCallback([&](const ProgressEvent& e) {
        steps.push_back((e.Stage == ProgressEvent::Phase::Begin ? "+" : "-") + e.Caption);
        return true;
    });
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    session.Peaks().Find(analysis::TPeakMethod::Slope);
    EXPECT_EQ(steps, (std::vector<std::string>{"+Reading a.txt", "+Processing", "-Processing",
                                               "-Reading a.txt", "+Peak search", "-Peak search"}));
    steps.clear();
    EXPECT_THROW(session.OpenMainFile(dir.Write("bad.txt", "no scan\n")), TrevascError);
    EXPECT_EQ(steps, (std::vector<std::string>{"+Reading bad.txt", "-Reading bad.txt"}));
}

TEST_F(SessionFlow, AWaitForXylibIsShownAsStepsAndCancelStopsIt) {
    if (!formats::XylibAvailable()) GTEST_SKIP() << "built without xylib";
    const std::string chi = std::string(TREVASC_TEST_DATA_DIR) + "/quartz.chi";
    // The steps count tenths of a second against xylib's 60 seconds.
    std::vector<ProgressEvent> steps;
    bool cancel = false;
    session.Progress().SetCallback([&](const ProgressEvent& e) {
        if (e.Stage == ProgressEvent::Phase::Step) steps.push_back(e);
        return !cancel;
    });
    session.OpenMainFile(chi);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps[0].Caption, "Reading quartz.chi");
    EXPECT_EQ(steps[0].Total, 600);
    EXPECT_LE(steps[0].Done, steps.back().Done);
    EXPECT_EQ(session.Scans().MainScan().Count(), 10);

    // Cancel: the read fails and the scan read before stays.
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    cancel = true;
    try {
        session.OpenMainFile(chi);
        ADD_FAILURE() << "not cancelled";
    } catch (const TrevascError& e) {
        EXPECT_EQ(std::string(e.what()), "Reading was cancelled.");
    }
    EXPECT_EQ(session.Scans().MainScan().Count(), 41);
}

TEST_F(SessionFlow, ABinaryFileGivesAShortPrintableMessage) {
    // A real PNG: its bytes once filled the error box, cut at the first NUL.
    const std::string png = std::string(TREVASC_SOURCE_DIR) + "/docs/cli-plot.png";
    EXPECT_FALSE(session.RunAction([&] { session.OpenMainFile(png); }));
    ASSERT_EQ(prompts.Errors.size(), 1u);
    const std::string& message = prompts.Errors[0];
    EXPECT_TRUE(trevasc::test::IsPrintableUtf8(message)) << message;
    EXPECT_LE(message.size(), 120u) << message;
    EXPECT_NE(message.find("ist kein gültiger Gleitkommawert"), std::string::npos) << message;
}

TEST(SessionProgress, ReportProgressPassesCancelBack) {
    test::ScriptedPrompts prompts;
    WorkbenchSession session(prompts);
    EXPECT_TRUE(session.Progress().Report({ProgressEvent::Phase::Step, "x", 1, 2}));
    std::vector<int> seen;
    session.Progress().SetCallback([&](const ProgressEvent& e) {
        seen.push_back(e.Done);
        return e.Done < 2;
    });
    EXPECT_TRUE(session.Progress().Report({ProgressEvent::Phase::Step, "x", 1, 3}));
    EXPECT_FALSE(session.Progress().Report({ProgressEvent::Phase::Step, "x", 2, 3}));
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(SessionProgress, ProgressOfWindowLoopsAsksForCancel) {
    test::ScriptedPrompts prompts;
    WorkbenchSession session(prompts);
    std::vector<ProgressEvent> events;
    EXPECT_TRUE(session.Progress().Report("Auto scan", 1, 10));  // no callback: go on
    session.Progress().SetCallback([&](const ProgressEvent& e) {
        events.push_back(e);
        return e.Done < 5;
    });
    session.Progress().Begin("Auto scan", 10);
    EXPECT_TRUE(session.Progress().Report("Auto scan", 4, 10));
    EXPECT_FALSE(session.Progress().Report("Auto scan", 5, 10));
    session.Progress().End("Auto scan");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Stage, ProgressEvent::Phase::Begin);
    EXPECT_EQ(events[2].Total, 10);
    EXPECT_EQ(events[3].Stage, ProgressEvent::Phase::End);
}

TEST_F(SessionFlow, ReciprocalMapUsesTheSessionsWavelengthOffsetsAndFlip) {
    session.OpenMainFile(kAreaMap);
    const ScanRegistry& scans = session.Scans().Registry();
    ASSERT_GT(scans.AdditionalCount(), 1);
    ASSERT_EQ(scans.OpenScanKind, TScanKind::TwoTheta);

    session.Settings().SetCurrentWavelength(1.2);
    session.Settings().Maps().RsmOmegaOffset = 0.3;
    session.Settings().Maps().RsmTwoThetaOffset = -0.1;
    session.Settings().Maps().FlipKParallel = true;
    const tools::MapBuild build = session.BuildMapDataset(tools::MapMode::Reciprocal);
    ASSERT_TRUE(build.Built);
    EXPECT_TRUE(prompts.Errors.empty());
    EXPECT_EQ(build.Dataset.Info, "Using Omega Offset=0.300° 2Theta Offset=-0.100°");

    // Every scan of the area contributes all of its processed points.
    size_t points = 0;
    for (int k = 0; k <= scans.AdditionalCount(); ++k) points += scans.ScanAt(k).Points.size();
    ASSERT_EQ(build.Dataset.Points.size(), points);
    // The last point of the last scan, worked by hand from the file: 2Theta 73.04..78.96 (centre
    // 76.00), Omega 19.5866..22.5466 (scan position 21.0666). Its last point: 2Theta = 78.96,
    // Omega = 21.0666 - 76.00 / 2 + 78.96 / 2 + 0.3 = 22.8466, theta = (78.96 - 0.1) / 2 = 39.43,
    // omega - theta = -16.5834. |k| = 2 / 1.2 = 1.666667; sin(39.43) = 0.635135029,
    // sin(-16.5834) = -0.285410706, cos(-16.5834) = 0.958405305:
    // k_perpendicular = 1.666667 * 0.635135029 * 0.958405305 = 1.014527968,
    // k_parallel = -(1.666667 * 0.635135029 * -0.285410706) = 0.302123895 (flipped).
    const TDataSet& last = scans.ScanAt(scans.AdditionalCount());
    ASSERT_DOUBLE_EQ(last.Points.back().Position, 78.96);
    const plot::T2dPlotPoint& got = build.Dataset.Points.back();
    EXPECT_NEAR(got.X, 0.302123895, 1e-8);
    EXPECT_NEAR(got.Y, 1.014527968, 1e-8);
    EXPECT_EQ(got.ScanIndex, scans.AdditionalCount());
    EXPECT_EQ(got.Z, last.Points.back().Intensity);

    session.Settings().Maps().FlipKParallel = false;
    const plot::T2dPlotPoint unflipped =
        session.BuildMapDataset(tools::MapMode::Reciprocal).Dataset.Points.back();
    EXPECT_NE(unflipped.X, 0.0);
    EXPECT_EQ(unflipped.X, -got.X);
    EXPECT_EQ(unflipped.Y, got.Y);
}

TEST_F(SessionFlow, AMapThatCannotBeBuiltIsExplainedOnce) {
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
