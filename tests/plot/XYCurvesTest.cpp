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
    ds.ShowLine = false;
    ds.Curves.push_back({{43.1, 43.5, 44.9}, {100.0, 900.0, 120.0}, 0x000000});
    ds.Curves.push_back({{43.1, 44.9}, {-50.0, 30.0}, 0x008000});  // a difference below zero
    RecordingCanvas canvas;
    TPlotArea area;
    DrawXYPlot(canvas, 0, 0, 640, 400, ds, area);
    // The x axis is the data's range itself, not rounded out to 30 ... 50.
    EXPECT_DOUBLE_EQ(area.XMin, 43.1);
    EXPECT_DOUBLE_EQ(area.XMax, 44.9);
    EXPECT_LE(area.YMin, -50.0);
    EXPECT_GE(area.YMax, 900.0);
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
