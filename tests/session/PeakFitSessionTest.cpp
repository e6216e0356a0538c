// The peak list updates of the fits: "Fit actual display area" and the automatic fits.
#include <gtest/gtest.h>

#include "session/AutoFitSequence.h"
#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

using namespace trevasc;
using trevasc::test::ScriptedPrompts;
using trevasc::test::TempDir;

namespace {

struct FitSession : ::testing::Test {
    TempDir dir;
    ScriptedPrompts prompts;
    WorkbenchSession session{prompts};
    // 41 points from 10 to 20 degrees, intensity 100 + 10 * index.
    void Open(int n = 41) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += std::to_string(10.0 + 0.25 * i) + "\t" + std::to_string(100 + 10 * i) + "\n";
        session.OpenMainFile(dir.Write("scan.txt", text));
    }
    const TPeak& Peak(int row) { return session.MainScan().Peaks.Items.at(row); }
};

}  // namespace

TEST_F(FitSession, DisplayFitRangeShowsTheTwoMessages) {
    session.MainScan().SetRawPoints({TDataPoint{10.0, 5}});
    EXPECT_FALSE(session.DisplayFitRange());
    Open(41);
    session.SetViewRange(0.0, 0.0);  // no plot record yet: the whole scan is displayed
    ASSERT_TRUE(session.DisplayFitRange());
    EXPECT_EQ(session.DisplayFitRange()->Last, 40);
    session.SetViewRange(12.0, 12.2);  // two samples (indices 8 and 9)
    EXPECT_FALSE(session.DisplayFitRange());
    ASSERT_EQ(prompts.Errors.size(), 2u);
    EXPECT_EQ(prompts.Errors[0], tools::kNotEnoughFileDataMessage);
    EXPECT_EQ(prompts.Errors[1], tools::kNotEnoughZoomDataMessage);
    session.SetViewRange(12.0, 13.0);
    const auto range = session.DisplayFitRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(range->First, 8);
    EXPECT_EQ(range->Last, 12);
}

TEST_F(FitSession, AcceptedDisplayFitMovesTheClosestPeakInsideTheRangeOrAddsOne) {
    Open();
    session.AddPeak(11.0);
    session.AddPeak(12.2);
    session.AddPeak(12.9);
    session.SetAllChecks(false);
    session.MainScan().Peaks.Unsaved = false;
    // 12.2 and 12.9 lie in the range; 12.2 is the closer one to 12.4.
    EXPECT_EQ(session.AcceptDisplayFit(12.4, 12.0, 13.0), 1);
    EXPECT_DOUBLE_EQ(Peak(1).Position, 12.4);
    EXPECT_DOUBLE_EQ(Peak(1).PointIndex, 9.6);
    EXPECT_EQ(Peak(1).Intensity, 200);  // point 10
    EXPECT_FALSE(Peak(1).Checked);      // the check mark is kept
    EXPECT_DOUBLE_EQ(Peak(0).Position, 11.0);
    EXPECT_TRUE(session.MainScan().Peaks.Unsaved);
    // No peak inside the range: a new checked one.
    EXPECT_EQ(session.AcceptDisplayFit(18.0, 17.0, 19.0), 3);
    EXPECT_EQ(session.MainScan().Peaks.Count(), 4);
    EXPECT_TRUE(Peak(3).Checked);
}

TEST_F(FitSession, FittedPeakThatCrossesANeighbourKeepsTheListSorted) {
    Open();
    for (double x : {11.0, 12.0, 13.0, 14.0}) session.AddPeak(x);
    session.SetHighlightedRow(2);  // 13.0
    EXPECT_EQ(session.UpdateFittedPeak(0, 13.5, true), 2);
    const auto& items = session.MainScan().Peaks.Items;
    std::vector<double> positions;
    for (const TPeak& p : items) positions.push_back(p.Position);
    EXPECT_EQ(positions, (std::vector<double>{12.0, 13.0, 13.5, 14.0}));
    EXPECT_FALSE(Peak(2).Checked);
    EXPECT_EQ(session.HighlightedRow(), 1);  // still the peak at 13.0
    EXPECT_EQ(session.UpdateFittedPeak(9, 1.0, true), -1);
}

TEST_F(FitSession, AutomaticFitsUpdateAcceptedPeaksSkipCancelledOnesAndTheSecondRunSkipsBoth) {
    Open();
    for (double x : {11.0, 13.0, 15.0, 17.0}) session.AddPeak(x);
    session.SetPeakChecked(3, false);
    session.MainScan().Peaks.Unsaved = false;

    AutoFitSequence first(session);
    EXPECT_EQ(first.Total(), 3);
    std::vector<int> rows;
    const double results[] = {11.1, -1.0, 15.2};  // accept, cancel, accept
    int i = 0;
    while (auto job = first.Next()) {
        rows.push_back(job->Row);
        EXPECT_GE(job->Edges.Last, job->Edges.First);
        first.Finish(results[i++]);
    }
    first.Complete();
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2}));
    EXPECT_DOUBLE_EQ(Peak(0).Position, 11.1);
    EXPECT_FALSE(Peak(0).Checked);
    EXPECT_DOUBLE_EQ(Peak(1).Position, 13.0);  // cancelled: unchanged, still checked
    EXPECT_TRUE(Peak(1).Checked);
    EXPECT_DOUBLE_EQ(Peak(2).Position, 15.2);
    EXPECT_FALSE(Peak(3).Checked);
    EXPECT_TRUE(session.MainScan().Peaks.Unsaved);

    AutoFitSequence second(session);
    ASSERT_EQ(second.Total(), 1);
    EXPECT_EQ(second.Next()->Row, 1);
}

TEST_F(FitSession, AutomaticFitFollowsPeaksThatMoveAcrossPendingOnes) {
    Open();
    for (double x : {11.0, 12.0, 13.0}) session.AddPeak(x);
    AutoFitSequence seq(session);
    auto job = seq.Next();
    ASSERT_EQ(job->Row, 0);
    seq.Finish(12.5);  // 11.0 moves behind 12.0
    job = seq.Next();
    ASSERT_TRUE(job);
    EXPECT_DOUBLE_EQ(job->Position, 12.0);
    seq.Finish(-1.0);
    job = seq.Next();
    ASSERT_TRUE(job);
    EXPECT_DOUBLE_EQ(job->Position, 13.0);
    seq.Finish(-1.0);
    EXPECT_FALSE(seq.Next());
}

TEST_F(FitSession, AutomaticFitJobsConfineTheCentreHalfwayToTheListedNeighbours) {
    Open();  // rising counts: every walk to the left reaches the first point (10 degrees)
    for (double x : {11.0, 13.0, 15.0, 17.0}) session.AddPeak(x);
    session.SetPeakChecked(3, false);
    AutoFitSequence seq(session);
    auto job = seq.Next();  // 11.0 heads the list: its left side ends at its boundary
    ASSERT_TRUE(job);
    EXPECT_DOUBLE_EQ(job->Edges.LeftBoundary, 10.0);
    EXPECT_DOUBLE_EQ(job->Centre.Low, 10.0);
    EXPECT_DOUBLE_EQ(job->Centre.High, 12.0);
    seq.Finish(11.6);  // accepted: the next interval starts halfway to the new position
    job = seq.Next();  // 13.0
    ASSERT_TRUE(job);
    EXPECT_DOUBLE_EQ(job->Centre.Low, 12.3);
    EXPECT_DOUBLE_EQ(job->Centre.High, 14.0);
    seq.Finish(-1.0);
    job = seq.Next();  // 15.0: the unchecked peak at 17.0 is a neighbour all the same
    ASSERT_TRUE(job);
    EXPECT_DOUBLE_EQ(job->Centre.Low, 14.0);
    EXPECT_DOUBLE_EQ(job->Centre.High, 16.0);
    seq.Finish(-1.0);
    EXPECT_FALSE(seq.Next());
}
