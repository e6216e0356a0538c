#include <gtest/gtest.h>

#include "plot/RecordingCanvas.h"

using namespace trevasc::plot;

// The state lives in the base class: setters clamp, every call reaches the implementation (the
// recording canvas records also a value set twice), and drawing sees the state of its moment.
TEST(CanvasState, SettersClampRecordAndTravelWithTheDrawing) {
    RecordingCanvas c(2.0);
    c.SetPenWidth(0);
    c.SetFontSize(-3);
    c.SetFontBold(false);  // already not bold: still recorded
    EXPECT_EQ(c.PenWidth(), 1);
    EXPECT_EQ(c.FontSize(), 1);
    EXPECT_EQ(c.TextHeight(""), 2);  // round(1.2 * 1 pt * 2)
    ASSERT_EQ(c.Ops().size(), 3u);
    EXPECT_EQ(c.Ops()[0].Value, 1);
    EXPECT_EQ(c.Ops()[1].Value, 1);
    EXPECT_EQ(c.Ops()[2].Kind, TCanvasOpKind::FontBold);

    // The opaque vertical text paints its cell in the background colour and gives the pen and
    // brush back as they were.
    c.SetPenColor(0x0000FF);
    c.SetBrushColor(0x00FF00);
    c.SetBrushClear(true);
    c.TextOutVerticalOpaque(10, 50, "ab", 0xFFFFFF);
    const std::vector<TCanvasOp> cell = c.OpsOf(TCanvasOpKind::Rectangle);
    ASSERT_EQ(cell.size(), 1u);
    EXPECT_EQ(cell[0].PenColor, 0xFFFFFFu);
    EXPECT_FALSE(cell[0].BrushClear);
    const TCanvasOp text = c.OpsOf(TCanvasOpKind::VerticalText).at(0);
    EXPECT_EQ(text.PenColor, 0x0000FFu);
    EXPECT_EQ(text.BrushColor, 0x00FF00u);
    EXPECT_TRUE(text.BrushClear);
    EXPECT_EQ(c.State().FontName, "Arial");
}
