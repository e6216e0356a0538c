// The peak list: its operations as the tabs and the plot window call them, its files, and the
// hand-over of checked peaks to the lattice and thickness windows and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Error.h"
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
    EXPECT_NE(std::find(observer.Events.begin(), observer.Events.end(), "peaks"),
              observer.Events.end());
    session.Peaks().Add(25.0);  // after it: the row stays
    EXPECT_EQ(session.Peaks().HighlightedRow(), 1);

    // Deleting leaves no row highlighted, so a second press deletes nothing.
    session.Peaks().DeleteHighlighted();
    EXPECT_EQ(session.Peaks().HighlightedRow(), -1);
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 2);
    session.Peaks().DeleteHighlighted();
    EXPECT_EQ(session.Scans().MainScan().Peaks.Count(), 2);

    // "Check all" on a list whose marks are all set changes nothing and stays saved.
    session.Scans().MainScan().Peaks.Unsaved = false;
    session.Peaks().SetAllChecks(true);
    EXPECT_FALSE(session.Scans().MainScan().Peaks.Unsaved);
    session.Peaks().SetAllChecks(false);
    EXPECT_TRUE(session.Scans().MainScan().Peaks.Unsaved);

    // Marker clicks: the first highlights, the second toggles the check mark.
    session.Peaks().SelectNearPosition(24.9);
    EXPECT_EQ(session.Peaks().HighlightedRow(), 1);
    session.Peaks().SelectNearPosition(25.1);
    EXPECT_TRUE(session.Scans().MainScan().Peaks.Items[1].Checked);

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
    EXPECT_NE(std::find(observer.Events.begin(), observer.Events.end(), "peaks"),
              observer.Events.end());
}

TEST_F(PeakListTest, AutoIdentifyTellsChangedRowsThenRedraws) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += std::to_string(20 + 0.25 * i) + "\t100\n";
    session.OpenMainFile(dir.Write("scan.txt", text));
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
    auto olds = [&] {
        return std::count(observer.Events.begin(), observer.Events.end(), std::string("old"));
    };
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

TEST_F(PeakHandOver, ResultsComeBackAsDescriptionsTitleSuffixAndSpacing) {
    session.Peaks().Add(41.0);
    session.Peaks().Add(41.009);
    session.Peaks().Add(41.02);
    session.Peaks().SetDescriptionsByPosition({41.0}, {"(1,0,0)"});
    const auto& peaks = session.Scans().MainScan().Peaks.Items;
    EXPECT_EQ(peaks[0].Description, "(1,0,0)");
    EXPECT_EQ(peaks[1].Description, "(1,0,0)");
    EXPECT_EQ(peaks[2].Description, "");

    const std::string title = session.Scans().Registry().PlotTitle;
    session.View().SetPlotTitleSuffix(" (d=3.905Å)");
    session.View().SetPlotTitleSuffix(" (d=20.00±0.10nm)");
    EXPECT_EQ(session.Scans().Registry().PlotTitle, title + " (d=20.00±0.10nm)");
    EXPECT_EQ(observer.Events.back(), "plot");

    session.Settings().SetAdditionalLatticeSpacing(200.5);
    EXPECT_EQ(session.Settings().AdditionalLatticeSpacing(), 200.5);
    EXPECT_EQ(observer.Events.back(), "spacing:" + std::to_string(200.5));
}

TEST_F(PeakHandOver, AdjustPeaksMovesOnlyWithASlope) {
    session.Peaks().Add(46.472);
    session.Peaks().AdjustPositions(3.905, 0.0);
    EXPECT_DOUBLE_EQ(session.Scans().MainScan().Peaks.Items[0].Position, 46.472);
    session.Peaks().AdjustPositions(3.905, 0.01);
    EXPECT_NE(session.Scans().MainScan().Peaks.Items[0].Position, 46.472);
}
