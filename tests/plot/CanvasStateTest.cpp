#include <gtest/gtest.h>

#include <tuple>

#include "plot/RecordingCanvas.h"

using namespace trevasc::plot;

// The state lives in the base class: setters clamp, every call reaches the implementation (the
// recording canvas records also a value set twice), and drawing sees the state of its moment.
TEST(CanvasState, SettersClampRecordAndTravelWithTheDrawing) {
    RecordingCanvas c(2.0);
    c.SetPenWidth(0);
    c.SetFontSize(-3);
    c.SetFontBold(false);  // already not bold: still recorded
    // Text height round(1.2 * 1 pt * 2).
    EXPECT_EQ(std::tuple(c.PenWidth(), c.FontSize(), c.TextHeight("")), std::tuple(1, 1, 2));
    ASSERT_EQ(c.Ops().size(), 3u);
    EXPECT_TRUE(c.Ops()[0].Value == 1 && c.Ops()[1].Value == 1 &&
                c.Ops()[2].Kind == TCanvasOpKind::FontBold);

    // The opaque vertical text paints its cell in the background colour and gives the pen and
    // brush back as they were.
    c.SetPenColor(0x0000FF);
    c.SetBrushColor(0x00FF00);
    c.SetBrushClear(true);
    c.TextOutVerticalOpaque(10, 50, "ab", 0xFFFFFF);
    const std::vector<TCanvasOp> cell = c.OpsOf(TCanvasOpKind::Rectangle);
    ASSERT_EQ(cell.size(), 1u);
    EXPECT_TRUE(cell[0].PenColor == 0xFFFFFFu && !cell[0].BrushClear);
    const TCanvasOp text = c.OpsOf(TCanvasOpKind::VerticalText).at(0);
    EXPECT_EQ(std::tuple(text.PenColor, text.BrushColor, text.BrushClear),
              std::tuple(0x0000FFu, 0x00FF00u, true));
    EXPECT_EQ(c.State().FontName, "Arial");
}
