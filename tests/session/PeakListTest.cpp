// The peak list: its operations as the tabs and the plot window call them, its files, the
// hand-over of checked peaks to the lattice and thickness windows and back, and the updates of
// the fits ("Fit actual display area" and the automatic fits). What the plot shows: the displayed
// range, the fit range taken from it, the plot title and the redraws.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "session/AutoFitSequence.h"
#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"

using namespace trevasc;
using trevasc::test::TwoColumn;

namespace {

struct PeakListTest : test::SessionFixture {};

// A scan of 200 points from 20 to 119.5 degrees, as the lattice and thickness windows get it.
struct PeakHandOver : test::SessionFixture {
    PeakHandOver() {
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += std::to_string(20.0 + 0.5 * i) + "\t" + std::to_string(100 + i % 7) + "\n";
        session.OpenMainFile(dir.Write("film.txt", text));
        observer.Events.clear();
    }
};

struct PeakListFit : test::SessionFixture {
    // 41 points from 10 to 20 degrees, intensity 100 + 10 * index.
    void Open() {
        std::string text;
        for (int i = 0; i < 41; ++i)
            text += std::to_string(10.0 + 0.25 * i) + "\t" + std::to_string(100 + 10 * i) + "\n";
        session.OpenMainFile(dir.Write("scan.txt", text));
    }
    const TPeak& Peak(int row) { return session.Scans().MainScan().Peaks.Items.at(row); }
    std::vector<double> Positions() {
        std::vector<double> x;
        for (const TPeak& p : session.Scans().MainScan().Peaks.Items) x.push_back(p.Position);
        return x;
    }
};

struct PlotViewTest : PeakListFit {};

}  // namespace

// The peak list operations as the tabs and the plot window call them: the list view is told
// about every change, and the highlighted row follows the rules the user sees.
TEST_F(PeakListTest, PeakListOperationsKeepViewAndHighlightInStep) {
    session.OpenMainFile(dir.Write("p.txt", TwoColumn(10, 41)));
    EXPECT_EQ(session.Peaks().Add(20.0, "b"), 0);
    session.Peaks().SetHighlightedRow(0);
    observer.Events.clear();
    // Adding a peak before the highlighted one keeps that peak highlighted (now one row down).
    EXPECT_EQ(session.Peaks().Add(15.0), 0);
    EXPECT_EQ(session.Peaks().HighlightedRow(), 1);
    EXPECT_EQ(session.Scans().MainScan().Peaks.Items[1].Description, "b");
    EXPECT_GE(observer.Count("peaks"), 1);
    session.Peaks().Add(25.0);  // after it: the row stays
    EXPECT_EQ(session.Peaks().HighlightedRow(), 1);

    // Deleting leaves no row highlighted, so a second press deletes nothing.
    session.Peaks().DeleteHighlighted();
    EXPECT_EQ(session.Peaks().HighlightedRow(), -1);
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 2);
    session.Peaks().DeleteHighlighted();
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 2);

    // Marker clicks: the first highlights, the second (on the highlighted peak) toggles the check
    // mark. (Which clicks change the marks, and "Check all", are the analysis tests' matter.)
    session.Peaks().SelectNearPosition(24.9);
    EXPECT_EQ(session.Peaks().HighlightedRow(), 1);
    session.Peaks().SelectNearPosition(25.1);
    EXPECT_FALSE(session.Scans().MainScan().Peaks.Items[1].Checked);

    // "Add manually" by angle: "," is a decimal mark; a text that is no number adds nothing.
    prompts.InputAnswers = {std::string("12,5"), std::string("abc"), std::nullopt};
    session.Peaks().AddByAngle();
    EXPECT_EQ(session.Scans().MainScan().Peaks.Items[0].Position, 12.5);
    EXPECT_THROW(session.Peaks().AddByAngle(), TrevascError);
    session.Peaks().AddByAngle();
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 3);
    EXPECT_EQ(prompts.Questions.back(), "Add peak by two theta value");
}

TEST_F(PeakListTest, APeakListWithABadLineIsShownAsFarAsItWasRead) {
    const std::string scan = dir.Write("s.txt", TwoColumn(10, 41));
    dir.Write("s_Peaks.txt", "12.5\r\n13.5\r\nbad\r\n14.5\r\n");
    observer.Events.clear();
    EXPECT_THROW(session.OpenMainFile(scan), TrevascError);
    // The two peaks before the bad line are in the model, and the view was told to show them.
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 2);
    ASSERT_FALSE(observer.Events.empty());
    EXPECT_EQ(observer.Events.back(), "peaks");

    const std::string list = dir.Write("other.txt", "20.0\r\nx\r\n");
    observer.Events.clear();
    EXPECT_THROW(session.Peaks().Import(list), TrevascError);
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 1);
    EXPECT_GE(observer.Count("peaks"), 1);
}

TEST_F(PeakHandOver, AutoIdentifyTellsChangedRowsThenRedraws) {
    session.Peaks().Add(28.4);
    session.Peaks().Add(47.3);
    observer.Events.clear();
    session.Peaks().IdentifyByPositions({28.441, 69.127}, {"Si (111)", "Si (004)"}, 0.5);
    EXPECT_EQ(observer.Events, (std::vector<std::string>{"row:0", "plot"}));
    EXPECT_EQ(session.Scans().MainScan().Peaks.Items[0].Description, "Si (111)");
}

TEST_F(PeakHandOver, CheckedPeaksGoOutInListOrderWithThreeDecimals) {
    session.Peaks().Add(46.4724, "", true);
    session.Peaks().Add(22.7541, "", true);
    session.Peaks().Add(30.0, "", false);
    observer.Events.clear();
    session.Peaks().SendChecked(PeakHandOverTarget::Thickness);
    EXPECT_EQ(observer.Events, std::vector<std::string>{"thickness"});
    EXPECT_EQ(observer.Rows, (std::vector<std::string>{"22.754", "46.472"}));
    EXPECT_EQ(observer.Source, session.Scans().MainScan().Name);
    session.Settings().SetDecimalSeparator(',');
    session.Peaks().SendChecked(PeakHandOverTarget::Lattice);
    EXPECT_EQ(observer.Events.back(), "lattice");
    EXPECT_EQ(observer.Rows.front(), "22,754");
}

TEST_F(PeakHandOver, SearchDeleteAndManualAddMarkTheWindowsOld) {
    auto olds = [&] { return observer.Count("old"); };
    session.Peaks().Add(40.0);
    EXPECT_EQ(olds(), 1);
    session.Peaks().SetHighlightedRow(0);
    session.Peaks().DeleteHighlighted();
    EXPECT_EQ(olds(), 2);
    session.Peaks().Find(analysis::TPeakMethod::Slope);
    EXPECT_EQ(olds(), 3);
    // Check marks and descriptions are no change of the peak data.
    session.Peaks().Add(41.0);
    observer.Events.clear();
    session.Peaks().SetChecked(0, false);
    session.Peaks().SetDescriptionsByPosition({41.005}, {"(0,0,2)"});
    EXPECT_EQ(olds(), 0);
}

TEST_F(PeakHandOver, ResultsComeBackAsDescriptionsAndTitleSuffix) {
    // (Which peaks a position reaches is the analysis tests' matter.)
    session.Peaks().Add(41.0);
    session.Peaks().SetDescriptionsByPosition({41.0}, {"(1,0,0)"});
    EXPECT_EQ(session.Scans().MainScan().Peaks.Items[0].Description, "(1,0,0)");

    const std::string title = session.Scans().Registry().PlotTitle;
    session.View().SetPlotTitleSuffix(" (d=3.905Å)");
    session.View().SetPlotTitleSuffix(" (d=20.00±0.10nm)");
    EXPECT_EQ(session.Scans().Registry().PlotTitle, title + " (d=20.00±0.10nm)");
    EXPECT_EQ(observer.Events.back(), "plot");
}

TEST_F(PeakListFit, AcceptedDisplayFitMovesTheClosestPeakInsideTheRangeOrAddsOne) {
    Open();
    session.Peaks().Add(11.0);
    session.Peaks().Add(12.2);
    session.Peaks().Add(12.9);
    session.Peaks().SetAllChecks(false);
    session.Scans().MainScan().Peaks.Unsaved = false;
    // 12.2 and 12.9 lie in the range; 12.2 is the closer one to 12.4.
    EXPECT_EQ(session.Peaks().AcceptDisplayFit(12.4, 12.0, 13.0), 1);
    // At point index 9.6, with the counts of point 10; the check mark is kept.
    EXPECT_DOUBLE_EQ(Peak(1).Position, 12.4);
    EXPECT_DOUBLE_EQ(Peak(1).PointIndex, 9.6);
    EXPECT_TRUE(Peak(1).Intensity == 200 && !Peak(1).Checked);
    EXPECT_DOUBLE_EQ(Peak(0).Position, 11.0);
    EXPECT_TRUE(session.Scans().MainScan().Peaks.Unsaved);
    // No peak inside the range: a new checked one.
    EXPECT_EQ(session.Peaks().AcceptDisplayFit(18.0, 17.0, 19.0), 3);
    EXPECT_TRUE(session.Scans().MainScan().Peaks.Count() == 4 && Peak(3).Checked);
}

TEST_F(PeakListFit, FittedPeakThatCrossesANeighbourKeepsTheListSorted) {
    Open();
    for (double x : {11.0, 12.0, 13.0, 14.0}) session.Peaks().Add(x);
    session.Peaks().SetHighlightedRow(2);  // 13.0
    EXPECT_EQ(session.Peaks().UpdateFitted(0, 13.5, true), 2);
    EXPECT_EQ(Positions(), (std::vector<double>{12.0, 13.0, 13.5, 14.0}));
    EXPECT_FALSE(Peak(2).Checked);
    EXPECT_EQ(session.Peaks().HighlightedRow(), 1);  // still the peak at 13.0
    EXPECT_EQ(session.Peaks().UpdateFitted(9, 1.0, true), -1);
}

TEST_F(PeakListFit, AutomaticFitsUpdateAcceptedPeaksSkipCancelledOnesAndTheSecondRunSkipsBoth) {
    Open();
    for (double x : {11.0, 13.0, 15.0, 17.0}) session.Peaks().Add(x);
    session.Peaks().SetChecked(3, false);
    session.Scans().MainScan().Peaks.Unsaved = false;

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
    // The cancelled 13.0 is unchanged and still checked.
    EXPECT_EQ(Positions(), (std::vector<double>{11.1, 13.0, 15.2, 17.0}));
    EXPECT_TRUE(!Peak(0).Checked && Peak(1).Checked && !Peak(2).Checked && !Peak(3).Checked);
    EXPECT_TRUE(session.Scans().MainScan().Peaks.Unsaved);

    AutoFitSequence second(session);
    ASSERT_EQ(second.Total(), 1);
    EXPECT_EQ(second.Next()->Row, 1);
}

TEST_F(PeakListFit, AutomaticFitFollowsPeaksThatMoveAcrossPendingOnes) {
    Open();
    for (double x : {11.0, 12.0, 13.0}) session.Peaks().Add(x);
    AutoFitSequence seq(session);
    std::vector<double> fitted;
    for (double result : {12.5, -1.0, -1.0}) {  // 11.0 moves behind 12.0
        auto job = seq.Next();
        ASSERT_TRUE(job);
        fitted.push_back(job->Position);
        seq.Finish(result);
    }
    EXPECT_EQ(fitted, (std::vector<double>{11.0, 12.0, 13.0}));
    EXPECT_FALSE(seq.Next());
}

TEST_F(PeakListFit, AutomaticFitJobsConfineTheCentreHalfwayToTheListedNeighbours) {
    Open();  // rising counts: every walk to the left reaches the first point (10 degrees)
    for (double x : {11.0, 13.0, 15.0, 17.0}) session.Peaks().Add(x);
    session.Peaks().SetChecked(3, false);
    AutoFitSequence seq(session);
    // 11.0 heads the list: its left side ends at its boundary. Accepted at 11.6, the next
    // interval starts halfway to the new position. For 15.0 the unchecked peak at 17.0 is a
    // neighbour all the same.
    const double low[] = {10.0, 12.3, 14.0}, high[] = {12.0, 14.0, 16.0};
    const double results[] = {11.6, -1.0, -1.0};
    for (int i = 0; i < 3; ++i) {
        auto job = seq.Next();
        ASSERT_TRUE(job);
        EXPECT_TRUE(i > 0 || job->Edges.LeftBoundary == 10.0);
        EXPECT_DOUBLE_EQ(job->Centre.Low, low[i]) << i;
        EXPECT_DOUBLE_EQ(job->Centre.High, high[i]) << i;
        seq.Finish(results[i]);
    }
    EXPECT_FALSE(seq.Next());
}

TEST_F(PlotViewTest, ViewRangeFollowsZoomApplyAndReset) {
    session.OpenMainFile(dir.Write("v.txt", TwoColumn(10, 41)));
    plot::TPlotDataset dataset;
    const auto range = [&] {
        return std::pair(session.View().ViewXMin(), session.View().ViewXMax());
    };
    ASSERT_TRUE(session.View().BuildPlotDataset(dataset));
    EXPECT_EQ(range(), std::pair(10.0, 30.0));
    session.View().ApplyRange(20.0, 15.0);  // either order
    EXPECT_EQ(range(), std::pair(15.0, 20.0));
    session.View().ApplyRange(18.0, 18.0);  // equal ends: one degree
    EXPECT_EQ(range(), std::pair(18.0, 19.0));
    ASSERT_TRUE(session.View().BuildPlotDataset(dataset));
    EXPECT_EQ(dataset.ViewXMin, 18.0);  // the record keeps the zoom
    session.View().ResetRange();
    EXPECT_EQ(range(), std::pair(10.0, 30.0));
    // The peak search in range-only mode searches the displayed range.
    analysis::PeakSearchSettings search = session.Settings().PeakSearch();
    search.RangeOnly = true;
    session.Settings().SetPeakSearch(search);
    session.View().ApplyRange(12.0, 14.0);
    session.Peaks().Find(analysis::TPeakMethod::Slope);
    EXPECT_EQ(session.View().ViewXMin(), 12.0);  // range-only keeps the zoom
    // "Add manually" needs a scan; a click adds the peak and ends the mode.
    session.Peaks().SetAddMode(true);
    EXPECT_TRUE(session.Peaks().AddMode());
    session.Peaks().Add(13.0);
    EXPECT_FALSE(session.Peaks().AddMode());
}

TEST_F(PlotViewTest, DisplayFitRangeShowsTheTwoMessages) {
    session.Scans().MainScan().SetRawPoints({TDataPoint{10.0, 5}});
    EXPECT_FALSE(session.View().DisplayFitRange());
    Open();
    session.View().SetRange(0.0, 0.0);  // no plot record yet: the whole scan is displayed
    ASSERT_TRUE(session.View().DisplayFitRange());
    EXPECT_EQ(session.View().DisplayFitRange()->Last, 40);
    session.View().SetRange(12.0, 12.2);  // two samples (indices 8 and 9)
    EXPECT_FALSE(session.View().DisplayFitRange());
    EXPECT_EQ(prompts.Errors, (std::vector<std::string>{tools::kNotEnoughFileDataMessage,
                                                        tools::kNotEnoughZoomDataMessage}));
}

TEST_F(PlotViewTest, TitleAndMarkerChangesRedrawThePlot) {
    Open();
    observer.Events.clear();
    prompts.InputAnswers = {session.Scans().Registry().PlotTitle, std::string("Film A"),
                            std::nullopt};
    session.View().ChangePlotTitle();  // the same title: nothing to redraw
    EXPECT_TRUE(observer.Events.empty());
    session.View().ChangePlotTitle();
    EXPECT_EQ(session.Scans().Registry().PlotTitle, "Film A");
    EXPECT_EQ(observer.Events, std::vector<std::string>{"plot"});
    session.View().ChangePlotTitle();  // cancelled
    EXPECT_EQ(session.Scans().Registry().PlotTitle, "Film A");

    observer.Events.clear();
    session.View().Markers().Substrate = {{15.0, 0x008080, "Si (400)", false}};
    session.View().MarkersChanged();
    EXPECT_EQ(observer.Events, std::vector<std::string>{"plot"});
    plot::TPlotDataset dataset;
    ASSERT_TRUE(session.View().BuildPlotDataset(dataset));
    EXPECT_TRUE(std::any_of(dataset.Highlights.begin(), dataset.Highlights.end(),
                            [](const plot::THighlightPoint& m) { return m.Text == "Si (400)"; }));
}

// An observer that leaves while it is told, as a window closing on a redraw does.
class LeavingObserver : public PlotViewObserver {
  public:
    explicit LeavingObserver(PlotView& view) : view_(view) {}
    int Told = 0;
    void PlotRefresh() override {
        ++Told;
        view_.RemoveObserver(this);
    }

  private:
    PlotView& view_;
};

TEST_F(PlotViewTest, ObserversAreToldOnceInOrderAndMayLeaveWhileTold) {
    LeavingObserver leaving(session.View());
    session.View().AddObserver(&leaving);
    session.View().AddObserver(&leaving);  // twice: still told once
    session.View().RemoveObserver(&observer);
    session.View().AddObserver(&observer);  // now after the leaving one
    observer.Events.clear();
    session.View().Redraw();
    EXPECT_EQ(leaving.Told, 1);
    EXPECT_EQ(observer.Events, std::vector<std::string>{"plot"});  // the next one is still told
    session.View().Redraw();
    EXPECT_EQ(leaving.Told, 1);
    EXPECT_EQ(observer.Count("plot"), 2);
}
