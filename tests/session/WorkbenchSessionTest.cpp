#include <gtest/gtest.h>

#include <algorithm>

#include "base/Error.h"
#include "formats/XylibReader.h"
#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"
#include "support/TextChecks.h"

using namespace trevasc;
using trevasc::test::ScriptedPrompts;
using trevasc::test::TempDir;

namespace {

// Records the order of the notifications.
class RecordingObserver : public SessionObserver {
  public:
    std::vector<std::string> Events;
    void CaptionChanged(const std::string& c) override { Events.push_back("caption:" + c); }
    void PeakListReset() override { Events.push_back("peaks"); }
    void DisplaySettingsChanged() override { Events.push_back("display"); }
    void HighlightChanged(int row) override {
        Events.push_back("highlight:" + std::to_string(row));
    }
    void ViewRangeChanged(double, double) override { Events.push_back("view"); }
    void PlotRefresh() override { Events.push_back("plot"); }
    void PlotWindowUpdate() override { Events.push_back("plotwindow"); }
    void TwoAxisRefresh() override { Events.push_back("twoaxis"); }
    void LegendRefresh() override { Events.push_back("legend"); }
    void ScanMenuChanged() override { Events.push_back("menu"); }
};

std::string TwoColumn(double start, int n, int base = 100) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::to_string(start + 0.5 * i) + "\t" + std::to_string(base + i) + "\n";
    return s;
}

struct SessionFixture : ::testing::Test {
    TempDir dir;
    ScriptedPrompts prompts;
    RecordingObserver observer;
    WorkbenchSession session{prompts};
    SessionFixture() {
        session.AddObserver(&observer);
        session.SetProgramTitle("Trevasc v1.0 (Build 1)");
    }
};

}  // namespace

TEST_F(SessionFixture, OpenRunsTheHandOverInOrderAndSetsCaptionTitleHistory) {
    std::string f = dir.Write("a.txt", TwoColumn(10, 5));
    observer.Events.clear();
    session.OpenMainFile(f);
    EXPECT_EQ(session.MainScan().Count(), 5);
    EXPECT_EQ(session.Registry().PlotTitle, "XRD Plot: a.txt");
    EXPECT_EQ(session.Caption(), "a.txt: Trevasc v1.0 (Build 1)");
    EXPECT_EQ(session.Registry().LoadedFileName, "a.txt");
    EXPECT_EQ(session.Registry().LoadedFileFolder, dir.Path() + "/");
    EXPECT_EQ(session.GetFileHistory()[0], f);
    EXPECT_TRUE(session.FindPeaksEnabled());
    const std::vector<std::string> tail = {"plot", "plotwindow", "twoaxis", "legend", "menu"};
    // The view range notification is not part of the hand-over order.
    std::erase(observer.Events, "view");
    ASSERT_GE(observer.Events.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(observer.Events.end() - 5, observer.Events.end()), tail);
    EXPECT_EQ(observer.Events.front(), "peaks");  // the peak list is emptied first
    // The processed copy exists for every scan.
    EXPECT_EQ(session.MainScan().Points.size(), 5u);
}

TEST_F(SessionFixture, UnsavedPeaksAskForMainThenEachAdditionalScan) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles(
        {dir.Write("a1.txt", TwoColumn(10, 5)), dir.Write("a2.txt", TwoColumn(10, 5))});
    AddPeak(session.MainScan(), 11.0, "", true);
    AddPeak(session.Registry().Additional(1), 11.0, "", true);

    prompts.ConfirmAnswers = {true, true};
    EXPECT_TRUE(session.ConfirmDiscardPeaks());
    ASSERT_EQ(prompts.Questions.size(), 2u);
    EXPECT_EQ(prompts.Questions[0],
              "The collected peak data of the main plot has not been saved so far. Are you sure "
              "you want to open a new XRD file?");
    EXPECT_EQ(prompts.Questions[1],
              "The collected peak data of the additional plot \"a2.txt\" has not been saved so "
              "far. Are you sure you want to open a new XRD file?");

    prompts.Questions.clear();
    prompts.ConfirmAnswers = {false};
    EXPECT_FALSE(session.ConfirmDiscardPeaks());
    EXPECT_EQ(prompts.Questions.size(), 1u);  // No to the first question asks nothing more

    prompts.Questions.clear();
    prompts.ConfirmAnswers = {true, false};
    EXPECT_FALSE(session.ConfirmClose());
    ASSERT_EQ(prompts.Questions.size(), 2u);
    EXPECT_NE(prompts.Questions[1].find("\"a2.txt\" has not been saved so far. Are you sure you "
                                        "want to exit?"),
              std::string::npos);
}

TEST_F(SessionFixture, NothingIsAskedWhenNoPeaksCanBeLost) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("a1.txt", TwoColumn(10, 5))});
    // A search that found nothing and a list emptied by hand: both flagged, nothing to lose.
    analysis::PeakSearchSettings none;
    none.MinPeakHeight = analysis::kMaxPeakHeightLimit;
    session.SetPeakSearch(none);
    session.FindPeaks(analysis::TPeakMethod::Slope);
    ASSERT_TRUE(session.MainScan().Peaks.Unsaved);
    ASSERT_EQ(session.MainScan().Peaks.Count(), 0);
    TDataSet& additional = session.Registry().Additional(0);
    AddPeak(additional, 11.0, "", true);
    additional.Peaks.Clear();
    ASSERT_TRUE(additional.Peaks.Unsaved);
    prompts.ConfirmAnswers = {false, false};
    EXPECT_TRUE(session.ConfirmDiscardPeaks());
    EXPECT_TRUE(session.ConfirmClose());
    EXPECT_TRUE(prompts.Questions.empty());

    // Peaks that were saved ask nothing either; a changed list asks again.
    session.AddPeak(12.0);
    session.MainScan().Peaks.Unsaved = false;
    EXPECT_TRUE(session.ConfirmClose());
    EXPECT_TRUE(prompts.Questions.empty());
    session.SetHighlightedRow(0);
    session.DeleteHighlightedPeak();
    session.AddPeak(12.5);
    EXPECT_FALSE(session.ConfirmClose());
    EXPECT_EQ(prompts.Questions.size(), 1u);
}

TEST_F(SessionFixture, FileHistoryIgnoresCaseAndDropsTheOldest) {
    session.AddToFileHistory("/data/A.txt");
    session.AddToFileHistory("/data/b.txt");
    session.AddToFileHistory("/DATA/a.TXT");  // already there: nothing moves
    EXPECT_EQ(session.GetFileHistory()[0], "/data/b.txt");
    EXPECT_EQ(session.GetFileHistory()[1], "/data/A.txt");
    for (int i = 0; i < 9; ++i) session.AddToFileHistory("/data/f" + std::to_string(i));
    EXPECT_EQ(session.GetFileHistory()[0], "/data/f8");
    EXPECT_EQ(session.GetFileHistory()[9], "/data/b.txt");  // A.txt was pushed out
    session.AddToFileHistory("");
    EXPECT_EQ(session.GetFileHistory()[0], "/data/f8");
}

TEST_F(SessionFixture, ScanMenuSwitchesToTheDialogAtTwentyAdditionalScans) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    std::vector<std::string> files;
    for (int i = 0; i < 19; ++i)
        files.push_back(dir.Write("s" + std::to_string(i) + ".txt", TwoColumn(10, 3)));
    session.InsertFiles(files);
    EXPECT_EQ(session.GetScanMenu().MenuItems.size(), 20u);
    EXPECT_TRUE(session.GetScanMenu().DialogItems.empty());
    EXPECT_EQ(session.GetScanMenu().MenuItems[0].Number, 0);
    EXPECT_EQ(session.GetScanMenu().MenuItems[19].Caption, "s18.txt");

    session.InsertFiles({dir.Write("last.txt", TwoColumn(10, 3))});
    EXPECT_TRUE(session.GetScanMenu().MenuItems.empty());
    EXPECT_EQ(session.GetScanMenu().DialogItems.size(), 21u);
}

TEST_F(SessionFixture, SelectMainScanExchangesAndKeepsOrder) {
    session.OpenMainFile(dir.Write("M.txt", TwoColumn(10, 5)));
    std::vector<std::string> files;
    for (const char* n : {"A.txt", "B.txt", "C.txt", "D.txt"})
        files.push_back(dir.Write(n, TwoColumn(10, 4)));
    session.InsertFiles(files);
    AddPeak(session.Registry().Additional(2), 10.5, "c-peak", false);
    observer.Events.clear();
    session.SelectMainScan(3);
    EXPECT_EQ(session.MainScan().Name, "C.txt");
    std::string order;
    for (int k = 1; k <= session.Registry().AdditionalCount(); ++k)
        order += session.Registry().ScanAt(k).Name.substr(0, 1);
    EXPECT_EQ(order, "MABD");
    EXPECT_EQ(observer.Events.front(), "peaks");
    EXPECT_EQ(session.MainScan().Peaks.Items[0].Description, "c-peak");
    observer.Events.clear();
    session.SelectMainScan(0);
    session.SelectMainScan(9);
    EXPECT_TRUE(observer.Events.empty());
}

TEST_F(SessionFixture, SinglePointScansAreNotOffered) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("a.txt", TwoColumn(10, 3))});
    session.Registry().Additional(0).SetRawPoints({{10, 1, 0, 0}});
    session.RebuildScanMenu();
    EXPECT_EQ(session.GetScanMenu().MenuItems.size(), 1u);
}

TEST_F(SessionFixture, PeakListFileBesideTheScanOpensWithIt) {
    std::string f = dir.Write("scan.dat", TwoColumn(10, 9));
    dir.Write("scan_Peaks.txt", "TITLE My film\r\n11.0000   Si (004)\r\n\r\n12.5000   \r\n");
    session.OpenMainFile(f);
    const TPeakSet& peaks = session.MainScan().Peaks;
    ASSERT_EQ(peaks.Count(), 2);
    EXPECT_FALSE(peaks.Unsaved);
    EXPECT_EQ(peaks.Items[0].Description, "Si (004)");
    EXPECT_TRUE(peaks.Items[0].Checked);
    EXPECT_FALSE(peaks.Items[1].Checked);
    EXPECT_EQ(session.Registry().PlotTitle, "My film");
}

TEST_F(SessionFixture, AFailedOpenKeepsCaptionAndHistoryAndThrowsTheReaderMessage) {
    session.OpenMainFile(dir.Write("good.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("extra.txt", TwoColumn(10, 5))});
    const std::string caption = session.Caption();
    std::string bad = dir.Write("bad.txt", "just words\nand more words\n");
    EXPECT_THROW(session.OpenMainFile(bad), TrevascError);
    EXPECT_EQ(session.Caption(), caption);
    EXPECT_EQ(session.GetFileHistory()[0], dir.File("extra.txt"));
    EXPECT_EQ(session.Registry().AdditionalCount(), 0);  // released before the reader ran
    EXPECT_FALSE(session.RunAction([&] { session.OpenMainFile(bad); }));
    ASSERT_EQ(prompts.Errors.size(), 1u);
    EXPECT_EQ(prompts.Errors[0], "Unknown data format.");
}

TEST_F(SessionFixture, InsertStopsAtTheFirstBadFileAndKeepsTheOnesBefore) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    std::string ok = dir.Write("ok.txt", TwoColumn(10, 5));
    std::string bad = dir.Write("bad.txt", "nothing here\n");
    std::string after = dir.Write("after.txt", TwoColumn(10, 5));
    EXPECT_THROW(session.InsertFiles({ok, bad, after}), TrevascError);
    ASSERT_EQ(session.Registry().AdditionalCount(), 1);
    EXPECT_EQ(session.Registry().Additional(0).Name, "ok.txt");
}

TEST_F(SessionFixture, HistoryItemOfAMissingFileFailsWithAFileError) {
    session.AddToFileHistory(dir.File("gone.txt"));
    EXPECT_THROW(session.OpenHistoryItem(0), TrevascError);
    session.OpenHistoryItem(5);  // empty slot: nothing happens
}

TEST_F(SessionFixture, ReadingAFileResetsTheMapOffsets) {
    session.Maps().RsmOmegaOffset = 0.5;
    session.Maps().RsmTwoThetaOffset = -0.25;
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    EXPECT_EQ(session.Maps().RsmOmegaOffset, 0.0);
    EXPECT_EQ(session.Maps().RsmTwoThetaOffset, 0.0);
}

// The peak list operations as the tabs and the plot window call them: the list view is told
// about every change, and the highlighted row follows the rules the user sees.
TEST_F(SessionFixture, PeakListOperationsKeepViewAndHighlightInStep) {
    session.OpenMainFile(dir.Write("p.txt", TwoColumn(10, 41)));
    EXPECT_EQ(session.AddPeak(20.0, "b"), 0);
    session.SetHighlightedRow(0);
    observer.Events.clear();
    // Adding a peak before the highlighted one keeps that peak highlighted (now one row down).
    EXPECT_EQ(session.AddPeak(15.0), 0);
    EXPECT_EQ(session.HighlightedRow(), 1);
    EXPECT_EQ(session.MainScan().Peaks.Items[1].Description, "b");
    EXPECT_NE(std::find(observer.Events.begin(), observer.Events.end(), "peaks"),
              observer.Events.end());
    session.AddPeak(25.0);  // after it: the row stays
    EXPECT_EQ(session.HighlightedRow(), 1);

    // Deleting leaves no row highlighted, so a second press deletes nothing.
    session.DeleteHighlightedPeak();
    EXPECT_EQ(session.HighlightedRow(), -1);
    EXPECT_EQ(session.MainScan().Peaks.Count(), 2);
    session.DeleteHighlightedPeak();
    EXPECT_EQ(session.MainScan().Peaks.Count(), 2);

    // "Check all" on a list whose marks are all set changes nothing and stays saved.
    session.MainScan().Peaks.Unsaved = false;
    session.SetAllChecks(true);
    EXPECT_FALSE(session.MainScan().Peaks.Unsaved);
    session.SetAllChecks(false);
    EXPECT_TRUE(session.MainScan().Peaks.Unsaved);

    // Marker clicks: the first highlights, the second toggles the check mark.
    session.SelectPeakNearPosition(24.9);
    EXPECT_EQ(session.HighlightedRow(), 1);
    session.SelectPeakNearPosition(25.1);
    EXPECT_TRUE(session.MainScan().Peaks.Items[1].Checked);

    // "Add manually" by angle: "," is a decimal mark; a text that is no number adds nothing.
    prompts.InputAnswers = {std::string("12,5"), std::string("abc"), std::nullopt};
    session.AddPeakByAngle();
    EXPECT_EQ(session.MainScan().Peaks.Items[0].Position, 12.5);
    EXPECT_THROW(session.AddPeakByAngle(), TrevascError);
    session.AddPeakByAngle();
    EXPECT_EQ(session.MainScan().Peaks.Count(), 3);
    EXPECT_EQ(prompts.Questions.back(), "Add peak by two theta value");
}

TEST_F(SessionFixture, APeakListWithABadLineIsShownAsFarAsItWasRead) {
    const std::string scan = dir.Write("s.txt", TwoColumn(10, 41));
    dir.Write("s_Peaks.txt", "12.5\r\n13.5\r\nbad\r\n14.5\r\n");
    observer.Events.clear();
    EXPECT_THROW(session.OpenMainFile(scan), TrevascError);
    // The two peaks before the bad line are in the model, and the view was told to show them.
    EXPECT_EQ(session.MainScan().Peaks.Count(), 2);
    ASSERT_FALSE(observer.Events.empty());
    EXPECT_EQ(observer.Events.back(), "peaks");

    const std::string list = dir.Write("other.txt", "20.0\r\nx\r\n");
    observer.Events.clear();
    EXPECT_THROW(session.ImportPeakList(list), TrevascError);
    EXPECT_EQ(session.MainScan().Peaks.Count(), 1);
    EXPECT_NE(std::find(observer.Events.begin(), observer.Events.end(), "peaks"),
              observer.Events.end());
}

TEST_F(SessionFixture, ViewRangeFollowsZoomApplyAndReset) {
    session.OpenMainFile(dir.Write("v.txt", TwoColumn(10, 41)));
    plot::TPlotDataset dataset;
    ASSERT_TRUE(session.BuildPlotDataset(dataset));
    EXPECT_EQ(session.ViewXMin(), 10.0);
    EXPECT_EQ(session.ViewXMax(), 30.0);
    session.ApplyViewRange(20.0, 15.0);  // either order
    EXPECT_EQ(session.ViewXMin(), 15.0);
    EXPECT_EQ(session.ViewXMax(), 20.0);
    session.ApplyViewRange(18.0, 18.0);  // equal ends: one degree
    EXPECT_EQ(session.ViewXMax(), 19.0);
    ASSERT_TRUE(session.BuildPlotDataset(dataset));
    EXPECT_EQ(dataset.ViewXMin, 18.0);  // the record keeps the zoom
    session.ResetView();
    EXPECT_EQ(session.ViewXMin(), 10.0);
    EXPECT_EQ(session.ViewXMax(), 30.0);
    // The peak search in range-only mode searches the displayed range.
    analysis::PeakSearchSettings search = session.PeakSearch();
    search.RangeOnly = true;
    session.SetPeakSearch(search);
    session.ApplyViewRange(12.0, 14.0);
    session.FindPeaks(analysis::TPeakMethod::Slope);
    EXPECT_EQ(session.ViewXMin(), 12.0);  // range-only keeps the zoom
    // "Add manually" needs a scan; a click adds the peak and ends the mode.
    session.SetAddMode(true);
    EXPECT_TRUE(session.AddMode());
    session.AddPeak(13.0);
    EXPECT_FALSE(session.AddMode());
}

TEST_F(SessionFixture, LongStepsReportBeginAndEndEvenWhenTheyFail) {
    std::vector<std::string> steps;
    session.SetProgressCallback([&](const ProgressEvent& e) {
        steps.push_back((e.Stage == ProgressEvent::Phase::Begin ? "+" : "-") + e.Caption);
        return true;
    });
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    session.FindPeaks(analysis::TPeakMethod::Slope);
    EXPECT_EQ(steps, (std::vector<std::string>{"+Reading a.txt", "+Processing", "-Processing",
                                               "-Reading a.txt", "+Peak search", "-Peak search"}));
    steps.clear();
    EXPECT_THROW(session.OpenMainFile(dir.Write("bad.txt", "no scan\n")), TrevascError);
    EXPECT_EQ(steps, (std::vector<std::string>{"+Reading bad.txt", "-Reading bad.txt"}));
}

TEST_F(SessionFixture, AWaitForXylibIsShownAsStepsAndCancelStopsIt) {
    if (!formats::XylibAvailable()) GTEST_SKIP() << "built without xylib";
    const std::string chi = std::string(TREVASC_TEST_DATA_DIR) + "/quartz.chi";
    // The steps count tenths of a second against xylib's 60 seconds.
    std::vector<ProgressEvent> steps;
    bool cancel = false;
    session.SetProgressCallback([&](const ProgressEvent& e) {
        if (e.Stage == ProgressEvent::Phase::Step) steps.push_back(e);
        return !cancel;
    });
    session.OpenMainFile(chi);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps[0].Caption, "Reading quartz.chi");
    EXPECT_EQ(steps[0].Total, 600);
    EXPECT_LE(steps[0].Done, steps.back().Done);
    EXPECT_EQ(session.MainScan().Count(), 10);

    // Cancel: the read fails and the scan read before stays.
    session.OpenMainFile(dir.Write("a.txt", TwoColumn(10, 41)));
    cancel = true;
    try {
        session.OpenMainFile(chi);
        ADD_FAILURE() << "not cancelled";
    } catch (const TrevascError& e) {
        EXPECT_EQ(std::string(e.what()), "Reading was cancelled.");
    }
    EXPECT_EQ(session.MainScan().Count(), 41);
}

TEST_F(SessionFixture, ABinaryFileGivesAShortPrintableMessage) {
    // A real PNG: its bytes once filled the error box, cut at the first NUL.
    const std::string png = std::string(TREVASC_SOURCE_DIR) + "/docs/cli-plot.png";
    EXPECT_FALSE(session.RunAction([&] { session.OpenMainFile(png); }));
    ASSERT_EQ(prompts.Errors.size(), 1u);
    const std::string& message = prompts.Errors[0];
    EXPECT_TRUE(trevasc::test::IsPrintableUtf8(message)) << message;
    EXPECT_LE(message.size(), 120u) << message;
    EXPECT_NE(message.find("ist kein gültiger Gleitkommawert"), std::string::npos) << message;
}
