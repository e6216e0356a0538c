// The XY chart's curves (the profile fit's data, model and difference): exact x range, y range
// over every curve, no straight line when switched off, and the mapping for clicks.
#include <gtest/gtest.h>

#include <algorithm>

#include "plot/PlotMapping.h"
#include "plot/RecordingCanvas.h"
#include "plot/XYPlotRenderer.h"

using namespace trevasc::plot;

TEST(XYCurves, TightRangeOverAllCurvesWithoutTheLine) {
    TPlotXYDataset ds;
    ds.TightX = true;
    ds.DecadeY = true;
    ds.ShowLine = false;
    ds.Curves.push_back({{43.1, 43.5, 44.9}, {100.0, 900.0, 120.0}, 0x000000});
    ds.Curves.push_back({{43.1, 44.9}, {-50.0, 30.0}, 0x008000});  // a difference below zero
    RecordingCanvas canvas;
    TPlotArea area;
    DrawXYPlot(canvas, 0, 0, 640, 400, ds, area);
    // The x axis is the data's range itself, not rounded out to 30 ... 50.
    EXPECT_DOUBLE_EQ(area.XMin, 43.1);
    EXPECT_DOUBLE_EQ(area.XMax, 44.9);
    // Counts: rounded out to one step of their decade, -50 to -60 and 900 to 1000.
    EXPECT_DOUBLE_EQ(area.YMin, -60.0);
    EXPECT_DOUBLE_EQ(area.YMax, 1000.0);
    EXPECT_DOUBLE_EQ(PixelToWorld(area.Right, area.Top, area).X, 44.9);
    // Each curve is a polyline of its points; the green one runs from the left to the right edge.
    int greenFrom = 1 << 30, greenTo = -1;
    int lines = 0;
    for (const TCanvasOp& op : canvas.Ops()) {
        if (op.Kind != TCanvasOpKind::Line) continue;
        ++lines;
        if (op.PenColor == 0x008000) {
            greenFrom = std::min(greenFrom, op.X1);
            greenTo = std::max(greenTo, op.X2);
        }
    }
    EXPECT_EQ(greenFrom, area.Left);
    EXPECT_EQ(greenTo, area.Right);
    // Switched on, the straight line is the one line more.
    TPlotXYDataset withLine = ds;
    withLine.ShowLine = true;
    RecordingCanvas second;
    DrawXYPlot(second, 0, 0, 640, 400, withLine, area);
    int secondLines = 0;
    for (const TCanvasOp& op : second.Ops()) secondLines += op.Kind == TCanvasOpKind::Line;
    EXPECT_EQ(secondLines, lines + 1);
}

TEST(XYCurves, DecadeAxisKeepsTheLineInsideTheFrame) {
    // Williamson-Hall: beta cos(theta) of a few thousandths, a line rising above the last point.
    TPlotXYDataset ds;
    ds.DecadeY = true;
    ds.X = {0.86, 1.2, 1.67};
    ds.Y = {0.0047, 0.0058, 0.0059};
    ds.Slope = 0.0014;
    ds.Intercept = 0.0036;
    RecordingCanvas canvas;
    TPlotArea area;
    DrawXYPlot(canvas, 0, 0, 640, 400, ds, area);
    // x rounded out to 0.7 ... 2; the line reaches 0.0064 there, so the axis ends at 0.007, and
    // starts one thousandth below the lowest value.
    EXPECT_NEAR(area.XMin, 0.7, 1e-12);
    EXPECT_NEAR(area.XMax, 2.0, 1e-12);
    EXPECT_NEAR(area.YMax, 0.007, 1e-12);
    EXPECT_NEAR(area.YMin, 0.003, 1e-12);
}
