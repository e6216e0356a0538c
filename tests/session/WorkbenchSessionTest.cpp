// The session's file flow in the hand-over order, its progress reports and the maps of the open
// scans; the open scans' questions before unsaved peak lists are lost, the file history and the
// Plot-menu entries.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/PeakList.h"
#include "base/Error.h"
#include "formats/XylibReader.h"
#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"
#include "support/TextChecks.h"

using namespace trevasc;
using trevasc::test::TwoColumn;
using Strings = std::vector<std::string>;

namespace {

struct SessionFlow : test::SessionFixture {
    // Every progress report, and "+caption" / "-caption" for the beginnings and ends.
    std::vector<ProgressEvent> events;
    Strings steps;
    bool goOn = true;
    void RecordSteps() {
        session.Progress().SetCallback([this](const ProgressEvent& e) {
            events.push_back(e);
            if (e.Stage != ProgressEvent::Phase::Step)
                steps.push_back((e.Stage == ProgressEvent::Phase::Begin ? "+" : "-") + e.Caption);
            return goOn;
        });
    }
};

struct OpenScansTest : test::SessionFixture {};

}  // namespace

TEST_F(SessionFlow, OpenRunsTheHandOverInOrderAndSetsCaptionTitleHistory) {
    session.Settings().Maps().RsmOmegaOffset = 0.5;
    session.Settings().Maps().RsmTwoThetaOffset = -0.25;
    std::string f = dir.Write("a.txt", TwoColumn(10, 5));
    observer.Events.clear();
    session.OpenMainFile(f);
    const ScanRegistry& reg = session.Scans().Registry();
    EXPECT_EQ((Strings{reg.PlotTitle, session.Scans().Caption(), reg.LoadedFileName,
                       reg.LoadedFileFolder, session.Scans().GetFileHistory()[0]}),
              (Strings{"XRD Plot: a.txt", "a.txt: Trevasc v1.0 (Build 1)", "a.txt",
                       dir.Path() + "/", f}));
    EXPECT_EQ(session.Scans().MainScan().Points.size(), 5u);  // the processed copy
    EXPECT_TRUE(session.Peaks().FindEnabled());
    // Reading a file resets the map offsets.
    EXPECT_EQ(std::pair(session.Settings().Maps().RsmOmegaOffset,
                        session.Settings().Maps().RsmTwoThetaOffset),
              std::pair(0.0, 0.0));
    // The peak list is emptied first; the view range notification is not part of the order.
    std::erase(observer.Events, "view");
    ASSERT_GE(observer.Events.size(), 5u);
    EXPECT_EQ(observer.Events.front(), "peaks");
    EXPECT_EQ(Strings(observer.Events.end() - 5, observer.Events.end()),
              (Strings{"plot", "plotwindow", "twoaxis", "legend", "menu"}));
}

TEST_F(SessionFlow, SelectMainScanTakesThePeaksAlongAndTellsTheViews) {
    session.OpenMainFile(dir.Write("M.txt", TwoColumn(10, 5)));
    Strings files;
    for (const char* n : {"A.txt", "B.txt", "C.txt", "D.txt"})
        files.push_back(dir.Write(n, TwoColumn(10, 4)));
    session.InsertFiles(files);
    AddPeak(session.Scans().Registry().Additional(2), 10.5, "c-peak", false);
    observer.Events.clear();
    session.SelectMainScan(3);
    EXPECT_EQ(session.Scans().MainScan().Name, "C.txt");
    EXPECT_EQ(session.Scans().MainScan().Peaks.Items[0].Description, "c-peak");
    EXPECT_EQ(observer.Events.front(), "peaks");
    observer.Events.clear();
    session.SelectMainScan(0);
    session.SelectMainScan(9);
    EXPECT_TRUE(observer.Events.empty());
}

TEST_F(SessionFlow, PeakListFileBesideTheScanOpensWithIt) {
    std::string f = dir.Write("scan.dat", TwoColumn(10, 9));
    dir.Write("scan_Peaks.txt", "TITLE My film\r\n11.0000   Si (004)\r\n\r\n12.5000   \r\n");
    session.OpenMainFile(f);
    // (How the lines read is the peak list file's tests' matter.)
    const TPeakSet& peaks = session.Scans().MainScan().Peaks;
    EXPECT_TRUE(peaks.Count() == 2 && !peaks.Unsaved);
    EXPECT_EQ(session.Scans().Registry().PlotTitle, "My film");
}

TEST_F(SessionFlow, FailedOpensAndInsertsKeepWhatWasThereAndThrowTheReaderMessage) {
    session.OpenMainFile(dir.Write("good.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("extra.txt", TwoColumn(10, 5))});
    const std::string caption = session.Scans().Caption();
    std::string bad = dir.Write("bad.txt", "just words\nand more words\n");
    EXPECT_THROW(session.OpenMainFile(bad), TrevascError);
    EXPECT_EQ(session.Scans().Caption(), caption);
    EXPECT_EQ(session.Scans().GetFileHistory()[0], dir.File("extra.txt"));
    EXPECT_EQ(session.Scans().Registry().AdditionalCount(), 0);  // released before the reader ran
    EXPECT_FALSE(session.RunAction([&] { session.OpenMainFile(bad); }));
    EXPECT_EQ(prompts.Errors, Strings{"Unknown data format."});

    // Insert stops at the first bad file and keeps the ones before.
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    EXPECT_THROW(session.InsertFiles({dir.Write("ok.txt", TwoColumn(10, 5)), bad,
                                      dir.Write("after.txt", TwoColumn(10, 5))}),
                 TrevascError);
    ASSERT_EQ(session.Scans().Registry().AdditionalCount(), 1);
    EXPECT_EQ(session.Scans().Registry().Additional(0).Name, "ok.txt");

    // A history item of a missing file fails with a file error; an empty slot does nothing.
    session.Scans().AddToFileHistory(dir.File("gone.txt"));
    EXPECT_THROW(session.OpenHistoryItem(0), TrevascError);
    session.OpenHistoryItem(9);
}

TEST_F(SessionFlow, LongStepsReportBeginAndEndEvenWhenTheyFail) {
    RecordSteps();
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    session.Peaks().Find(analysis::TPeakMethod::Slope);
    EXPECT_EQ(steps, (Strings{"+Reading a.txt", "+Processing", "-Processing", "-Reading a.txt",
                              "+Peak search", "-Peak search"}));
    steps.clear();
    EXPECT_THROW(session.OpenMainFile(dir.Write("bad.txt", "no scan\n")), TrevascError);
    EXPECT_EQ(steps, (Strings{"+Reading bad.txt", "-Reading bad.txt"}));
}

TEST_F(SessionFlow, AWaitForXylibIsShownAsStepsAndCancelStopsIt) {
    if (!formats::XylibAvailable()) GTEST_SKIP() << "built without xylib";
    const std::string chi = std::string(TREVASC_TEST_DATA_DIR) + "/quartz.chi";
    RecordSteps();
    session.OpenMainFile(chi);
    EXPECT_EQ(session.Scans().MainScan().Count(), 10);
    // The steps count tenths of a second against xylib's 60 seconds.
    const auto step = std::find_if(events.begin(), events.end(), [](const ProgressEvent& e) {
        return e.Stage == ProgressEvent::Phase::Step;
    });
    ASSERT_NE(step, events.end());
    EXPECT_EQ(std::pair(step->Caption, step->Total),
              std::pair(std::string("Reading quartz.chi"), 600));

    // Cancel: the read fails and the scan read before stays.
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    goOn = false;
    try {
        session.OpenMainFile(chi);
        ADD_FAILURE() << "not cancelled";
    } catch (const TrevascError& e) {
        EXPECT_STREQ(e.what(), "Reading was cancelled.");
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

TEST_F(SessionFlow, ProgressReportsPassCancelBack) {
    EXPECT_TRUE(session.Progress().Report("Auto scan", 1, 10));  // no callback: go on
    std::vector<ProgressEvent> events;
    session.Progress().SetCallback([&](const ProgressEvent& e) {
        events.push_back(e);
        return e.Done < 5;
    });
    session.Progress().Begin("Auto scan", 10);
    EXPECT_TRUE(session.Progress().Report("Auto scan", 4, 10));
    EXPECT_FALSE(session.Progress().Report("Auto scan", 5, 10));
    EXPECT_FALSE(session.Progress().Report({ProgressEvent::Phase::Step, "x", 6, 10}));
    session.Progress().End("Auto scan");
    ASSERT_EQ(events.size(), 5u);
    EXPECT_TRUE(events[0].Stage == ProgressEvent::Phase::Begin && events[2].Total == 10 &&
                events[4].Stage == ProgressEvent::Phase::End);
}

TEST_F(SessionFlow, ReciprocalMapUsesTheSessionsWavelengthOffsetsAndFlip) {
    // The map's arithmetic is the tools tests'; here the session's settings must reach it.
    session.OpenMainFile(std::string(TREVASC_TEST_DATA_DIR) +
                         "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml");
    const ScanRegistry& scans = session.Scans().Registry();
    ASSERT_GT(scans.AdditionalCount(), 1);
    session.Settings().SetCurrentWavelength(1.2);
    session.Settings().Maps().RsmOmegaOffset = 0.3;
    session.Settings().Maps().RsmTwoThetaOffset = -0.1;
    session.Settings().Maps().FlipKParallel = true;
    const tools::MapBuild build = session.BuildMapDataset(tools::MapMode::Reciprocal);
    ASSERT_TRUE(build.Built);
    EXPECT_TRUE(prompts.Errors.empty());
    const tools::MapBuild direct =
        tools::BuildMapDataset(scans, {tools::MapMode::Reciprocal, 0.3, -0.1, true, 1.2});
    EXPECT_EQ(build.Dataset.Info, "Using Omega Offset=0.300° 2Theta Offset=-0.100°");
    EXPECT_EQ(tools::MapAsText(build.Dataset), tools::MapAsText(direct.Dataset));
}

TEST_F(SessionFlow, AMapThatCannotBeBuiltIsExplainedOnce) {
    session.OpenMainFile(dir.Write("line.txt", "10\t100\n10.5\t120\n11\t90\n"));
    // A single 2Theta scan without a second axis: a measured map of no points, said nothing.
    const tools::MapBuild build = session.BuildMapDataset(tools::MapMode::TwoAxis);
    EXPECT_TRUE(build.Built && build.Dataset.Count() == 0);
    EXPECT_TRUE(prompts.Errors.empty());
    EXPECT_FALSE(session.BuildMapDataset(tools::MapMode::Reciprocal).Built);
    EXPECT_EQ(prompts.Errors, Strings{tools::kNotOmegaSeriesMessage});
}

TEST_F(OpenScansTest, UnsavedPeaksAskForMainThenEachAdditionalScan) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles(
        {dir.Write("a1.txt", TwoColumn(10, 5)), dir.Write("a2.txt", TwoColumn(10, 5))});
    AddPeak(session.Scans().MainScan(), 11.0, "", true);
    AddPeak(session.Scans().Registry().Additional(1), 11.0, "", true);

    EXPECT_TRUE(session.Scans().ConfirmDiscardPeaks());
    EXPECT_EQ(prompts.Questions,
              (std::vector<std::string>{
                  "The collected peak data of the main plot has not been saved so far. Are you "
                  "sure you want to open a new XRD file?",
                  "The collected peak data of the additional plot \"a2.txt\" has not been saved "
                  "so far. Are you sure you want to open a new XRD file?"}));
    prompts.Questions.clear();
    prompts.ConfirmAnswers = {false};
    EXPECT_FALSE(session.Scans().ConfirmDiscardPeaks());
    EXPECT_EQ(prompts.Questions.size(), 1u);  // No to the first question asks nothing more
    prompts.Questions.clear();
    prompts.ConfirmAnswers = {true, false};
    EXPECT_FALSE(session.Scans().ConfirmClose());
    ASSERT_EQ(prompts.Questions.size(), 2u);
    EXPECT_TRUE(prompts.Questions[1].ends_with(
        "\"a2.txt\" has not been saved so far. Are you sure you want to exit?"));
}

TEST_F(OpenScansTest, NothingIsAskedWhenNoPeaksCanBeLost) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("a1.txt", TwoColumn(10, 5))});
    // A search that found nothing and a list emptied by hand: both flagged, nothing to lose.
    analysis::PeakSearchSettings none;
    none.MinPeakHeight = analysis::kMaxPeakHeightLimit;
    session.Settings().SetPeakSearch(none);
    session.Peaks().Find(analysis::TPeakMethod::Slope);
    ASSERT_TRUE(session.Scans().MainScan().Peaks.Unsaved);
    ASSERT_EQ(session.Scans().MainScan().Peaks.Count(), 0);
    TDataSet& additional = session.Scans().Registry().Additional(0);
    AddPeak(additional, 11.0, "", true);
    additional.Peaks.Clear();
    ASSERT_TRUE(additional.Peaks.Unsaved);
    prompts.ConfirmAnswers = {false, false};
    EXPECT_TRUE(session.Scans().ConfirmDiscardPeaks());
    EXPECT_TRUE(session.Scans().ConfirmClose());
    EXPECT_TRUE(prompts.Questions.empty());

    // Peaks that were saved ask nothing either; a changed list asks again.
    session.Peaks().Add(12.0);
    session.Scans().MainScan().Peaks.Unsaved = false;
    EXPECT_TRUE(session.Scans().ConfirmClose());
    EXPECT_TRUE(prompts.Questions.empty());
    session.Peaks().SetHighlightedRow(0);
    session.Peaks().DeleteHighlighted();
    session.Peaks().Add(12.5);
    EXPECT_FALSE(session.Scans().ConfirmClose());
    EXPECT_EQ(prompts.Questions.size(), 1u);
}

TEST_F(OpenScansTest, FileHistoryIgnoresCaseAndDropsTheOldest) {
    session.Scans().AddToFileHistory("/data/A.txt");
    session.Scans().AddToFileHistory("/data/b.txt");
    session.Scans().AddToFileHistory("/DATA/a.TXT");  // already there: nothing moves
    const auto& history = session.Scans().GetFileHistory();
    EXPECT_TRUE(history[0] == "/data/b.txt" && history[1] == "/data/A.txt");
    for (int i = 0; i < 9; ++i) session.Scans().AddToFileHistory("/data/f" + std::to_string(i));
    session.Scans().AddToFileHistory("");
    EXPECT_EQ(history[0], "/data/f8");
    EXPECT_EQ(history[9], "/data/b.txt");  // A.txt was pushed out
}

TEST_F(OpenScansTest, ScanMenuSwitchesToTheDialogAtTwentyAdditionalScans) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    std::vector<std::string> files;
    for (int i = 0; i < 19; ++i)
        files.push_back(dir.Write("s" + std::to_string(i) + ".txt", TwoColumn(10, 3)));
    session.InsertFiles(files);
    const auto& menu = session.Scans().GetScanMenu();
    ASSERT_EQ(menu.MenuItems.size(), 20u);
    EXPECT_TRUE(menu.DialogItems.empty());
    EXPECT_EQ(menu.MenuItems[0].Number, 0);
    EXPECT_EQ(menu.MenuItems[19].Caption, "s18.txt");
    // A single-point scan is not offered.
    session.Scans().Registry().Additional(0).SetRawPoints({{10, 1, 0, 0}});
    session.Scans().RebuildScanMenu();
    EXPECT_EQ(session.Scans().GetScanMenu().MenuItems.size(), 19u);

    // The twentieth additional scan: all 21 scans but the single-point one in the dialog.
    session.InsertFiles({dir.Write("last.txt", TwoColumn(10, 3))});
    EXPECT_TRUE(session.Scans().GetScanMenu().MenuItems.empty());
    EXPECT_EQ(session.Scans().GetScanMenu().DialogItems.size(), 20u);
}
