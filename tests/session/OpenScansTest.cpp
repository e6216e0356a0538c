// The open scans: the questions before unsaved peak lists are lost, the file history and the
// Plot-menu entries.
#include <gtest/gtest.h>

#include "analysis/PeakList.h"
#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"

using namespace trevasc;
using trevasc::test::TwoColumn;

namespace {

struct OpenScansTest : test::SessionFixture {};

}  // namespace

TEST_F(OpenScansTest, UnsavedPeaksAskForMainThenEachAdditionalScan) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles(
        {dir.Write("a1.txt", TwoColumn(10, 5)), dir.Write("a2.txt", TwoColumn(10, 5))});
    AddPeak(session.Scans().MainScan(), 11.0, "", true);
    AddPeak(session.Scans().Registry().Additional(1), 11.0, "", true);

    prompts.ConfirmAnswers = {true, true};
    EXPECT_TRUE(session.Scans().ConfirmDiscardPeaks());
    ASSERT_EQ(prompts.Questions.size(), 2u);
    EXPECT_EQ(prompts.Questions[0],
              "The collected peak data of the main plot has not been saved so far. Are you sure "
              "you want to open a new XRD file?");
    EXPECT_EQ(prompts.Questions[1],
              "The collected peak data of the additional plot \"a2.txt\" has not been saved so "
              "far. Are you sure you want to open a new XRD file?");

    prompts.Questions.clear();
    prompts.ConfirmAnswers = {false};
    EXPECT_FALSE(session.Scans().ConfirmDiscardPeaks());
    EXPECT_EQ(prompts.Questions.size(), 1u);  // No to the first question asks nothing more

    prompts.Questions.clear();
    prompts.ConfirmAnswers = {true, false};
    EXPECT_FALSE(session.Scans().ConfirmClose());
    ASSERT_EQ(prompts.Questions.size(), 2u);
    EXPECT_NE(prompts.Questions[1].find("\"a2.txt\" has not been saved so far. Are you sure you "
                                        "want to exit?"),
              std::string::npos);
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
    EXPECT_EQ(session.Scans().GetFileHistory()[0], "/data/b.txt");
    EXPECT_EQ(session.Scans().GetFileHistory()[1], "/data/A.txt");
    for (int i = 0; i < 9; ++i) session.Scans().AddToFileHistory("/data/f" + std::to_string(i));
    EXPECT_EQ(session.Scans().GetFileHistory()[0], "/data/f8");
    EXPECT_EQ(session.Scans().GetFileHistory()[9], "/data/b.txt");  // A.txt was pushed out
    session.Scans().AddToFileHistory("");
    EXPECT_EQ(session.Scans().GetFileHistory()[0], "/data/f8");
}

TEST_F(OpenScansTest, ScanMenuSwitchesToTheDialogAtTwentyAdditionalScans) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    std::vector<std::string> files;
    for (int i = 0; i < 19; ++i)
        files.push_back(dir.Write("s" + std::to_string(i) + ".txt", TwoColumn(10, 3)));
    session.InsertFiles(files);
    EXPECT_EQ(session.Scans().GetScanMenu().MenuItems.size(), 20u);
    EXPECT_TRUE(session.Scans().GetScanMenu().DialogItems.empty());
    EXPECT_EQ(session.Scans().GetScanMenu().MenuItems[0].Number, 0);
    EXPECT_EQ(session.Scans().GetScanMenu().MenuItems[19].Caption, "s18.txt");

    session.InsertFiles({dir.Write("last.txt", TwoColumn(10, 3))});
    EXPECT_TRUE(session.Scans().GetScanMenu().MenuItems.empty());
    EXPECT_EQ(session.Scans().GetScanMenu().DialogItems.size(), 21u);
}

TEST_F(OpenScansTest, SinglePointScansAreNotOffered) {
    session.OpenMainFile(dir.Write("m.txt", TwoColumn(10, 5)));
    session.InsertFiles({dir.Write("a.txt", TwoColumn(10, 3))});
    session.Scans().Registry().Additional(0).SetRawPoints({{10, 1, 0, 0}});
    session.Scans().RebuildScanMenu();
    EXPECT_EQ(session.Scans().GetScanMenu().MenuItems.size(), 1u);
}
