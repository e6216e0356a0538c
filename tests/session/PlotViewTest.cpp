// What the plot shows: the displayed range, the fit range taken from it, the plot title and the
// redraws.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "session/WorkbenchSession.h"
#include "support/SessionRecorder.h"

using namespace trevasc;
using trevasc::test::TwoColumn;

namespace {

struct PlotViewTest : test::SessionFixture {
    // 41 points from 10 to 20 degrees, intensity 100 + 10 * index.
    void OpenRising() {
        std::string text;
        for (int i = 0; i < 41; ++i)
            text += std::to_string(10.0 + 0.25 * i) + "\t" + std::to_string(100 + 10 * i) + "\n";
        session.OpenMainFile(dir.Write("scan.txt", text));
    }
};

}  // namespace

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
    OpenRising();
    session.View().SetRange(0.0, 0.0);  // no plot record yet: the whole scan is displayed
    ASSERT_TRUE(session.View().DisplayFitRange());
    EXPECT_EQ(session.View().DisplayFitRange()->Last, 40);
    session.View().SetRange(12.0, 12.2);  // two samples (indices 8 and 9)
    EXPECT_FALSE(session.View().DisplayFitRange());
    EXPECT_EQ(prompts.Errors, (std::vector<std::string>{tools::kNotEnoughFileDataMessage,
                                                        tools::kNotEnoughZoomDataMessage}));
}

TEST_F(PlotViewTest, TitleAndMarkerChangesRedrawThePlot) {
    OpenRising();
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
