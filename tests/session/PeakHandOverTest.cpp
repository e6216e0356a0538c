#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

using namespace trevasc;

namespace {

// Records what the lattice and thickness windows hear.
class ToolWindowObserver : public SessionObserver {
  public:
    std::vector<std::string> Events;
    std::vector<std::string> Rows;
    std::string Source;
    void CheckedPeaksSent(PeakHandOverTarget target, const std::vector<std::string>& rows,
                          const std::string& source) override {
        Events.push_back(target == PeakHandOverTarget::Lattice ? "lattice" : "thickness");
        Rows = rows;
        Source = source;
    }
    void PeakDataOutdated() override { Events.push_back("old"); }
    void AdditionalLatticeSpacingChanged(double a) override {
        Events.push_back("spacing:" + std::to_string(a));
    }
    void PlotRefresh() override { Events.push_back("plot"); }
};

struct HandOverFixture : ::testing::Test {
    test::TempDir dir;
    test::ScriptedPrompts prompts;
    ToolWindowObserver observer;
    WorkbenchSession session{prompts};
    HandOverFixture() {
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += std::to_string(20.0 + 0.5 * i) + "\t" + std::to_string(100 + i % 7) + "\n";
        session.OpenMainFile(dir.Write("film.txt", text));
        session.AddObserver(&observer);
    }
};

}  // namespace

TEST_F(HandOverFixture, CheckedPeaksGoOutInListOrderWithThreeDecimals) {
    session.AddPeak(46.4724, "", true);
    session.AddPeak(22.7541, "", true);
    session.AddPeak(30.0, "", false);
    observer.Events.clear();
    session.SendCheckedPeaks(PeakHandOverTarget::Thickness);
    EXPECT_EQ(observer.Events, std::vector<std::string>{"thickness"});
    EXPECT_EQ(observer.Rows, (std::vector<std::string>{"22.754", "46.472"}));
    EXPECT_EQ(observer.Source, session.MainScan().Name);
    session.SetDecimalSeparator(',');
    session.SendCheckedPeaks(PeakHandOverTarget::Lattice);
    EXPECT_EQ(observer.Events.back(), "lattice");
    EXPECT_EQ(observer.Rows.front(), "22,754");
}

TEST_F(HandOverFixture, SearchDeleteAndManualAddMarkTheWindowsOld) {
    auto olds = [&] {
        return std::count(observer.Events.begin(), observer.Events.end(), std::string("old"));
    };
    session.AddPeak(40.0);
    EXPECT_EQ(olds(), 1);
    session.SetHighlightedRow(0);
    session.DeleteHighlightedPeak();
    EXPECT_EQ(olds(), 2);
    session.FindPeaks(analysis::TPeakMethod::Slope);
    EXPECT_EQ(olds(), 3);
    // Check marks and descriptions are no change of the peak data.
    session.AddPeak(41.0);
    observer.Events.clear();
    session.SetPeakChecked(0, false);
    session.SetPeakDescriptionsByPosition({41.005}, {"(0,0,2)"});
    EXPECT_EQ(olds(), 0);
}

TEST_F(HandOverFixture, ResultsComeBackAsDescriptionsTitleSuffixAndSpacing) {
    session.AddPeak(41.0);
    session.AddPeak(41.009);
    session.AddPeak(41.02);
    session.SetPeakDescriptionsByPosition({41.0}, {"(1,0,0)"});
    const auto& peaks = session.MainScan().Peaks.Items;
    EXPECT_EQ(peaks[0].Description, "(1,0,0)");
    EXPECT_EQ(peaks[1].Description, "(1,0,0)");
    EXPECT_EQ(peaks[2].Description, "");

    const std::string title = session.Registry().PlotTitle;
    session.SetPlotTitleSuffix(" (d=3.905Å)");
    session.SetPlotTitleSuffix(" (d=20.00±0.10nm)");
    EXPECT_EQ(session.Registry().PlotTitle, title + " (d=20.00±0.10nm)");
    EXPECT_EQ(observer.Events.back(), "plot");

    session.SetAdditionalLatticeSpacing(200.5);
    EXPECT_EQ(session.AdditionalLatticeSpacing(), 200.5);
    EXPECT_EQ(observer.Events.back(), "spacing:" + std::to_string(200.5));
}

TEST_F(HandOverFixture, AdjustPeaksMovesOnlyWithASlope) {
    session.AddPeak(46.472);
    session.AdjustPeakPositions(3.905, 0.0);
    EXPECT_DOUBLE_EQ(session.MainScan().Peaks.Items[0].Position, 46.472);
    session.AdjustPeakPositions(3.905, 0.01);
    EXPECT_NE(session.MainScan().Peaks.Items[0].Position, 46.472);
}

TEST_F(HandOverFixture, ProgressOfWindowLoopsAsksForCancel) {
    std::vector<ProgressEvent> events;
    EXPECT_TRUE(session.ReportProgress("Auto scan", 1, 10));  // no callback: go on
    session.SetProgressCallback([&](const ProgressEvent& e) {
        events.push_back(e);
        return e.Done < 5;
    });
    session.BeginProgress("Auto scan", 10);
    EXPECT_TRUE(session.ReportProgress("Auto scan", 4, 10));
    EXPECT_FALSE(session.ReportProgress("Auto scan", 5, 10));
    session.EndProgress("Auto scan");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Stage, ProgressEvent::Phase::Begin);
    EXPECT_EQ(events[2].Total, 10);
    EXPECT_EQ(events[3].Stage, ProgressEvent::Phase::End);
}
