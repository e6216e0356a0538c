// Titles wider than their room: a smaller font first, then an ellipsis, never cut by the edge of
// the picture. Widths below are worked out from the recording canvas's metrics: a text is
// Round(0.6 * size * characters) pixels wide.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "plot/ChartDrawing.h"
#include "plot/RecordingCanvas.h"
#include "plot/TwoDPlot.h"
#include "plot/XYPlotRenderer.h"

using namespace trevasc::plot;

namespace {

const std::string kEllipsis = "…";

int Characters(const std::string& text) {
    int n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

int RecordedWidth(const TCanvasOp& op) {
    return static_cast<int>(std::lround(0.6 * op.FontSize * Characters(op.Text)));
}

// Whether `shown` is `title` itself or its start and end around an ellipsis.
bool ShowsTitle(const std::string& shown, const std::string& title) {
    if (shown == title) return true;
    const size_t mark = shown.find(kEllipsis);
    if (mark == std::string::npos) return false;
    const std::string head = shown.substr(0, mark), tail = shown.substr(mark + kEllipsis.size());
    return head.size() + tail.size() >= 3 && title.starts_with(head) && title.ends_with(tail);
}

// The recorded text (horizontal or vertical) that shows `title`; nullptr when none does.
const TCanvasOp* TitleOp(const RecordingCanvas& c, const std::string& title, TCanvasOpKind kind) {
    for (const TCanvasOp& op : c.Ops())
        if (op.Kind == kind && ShowsTitle(op.Text, title)) return &op;
    return nullptr;
}

// Whether the horizontal text lies within 0 ... width.
bool Inside(const TCanvasOp& op, int width) {
    return op.X1 >= 0 && op.X1 + RecordedWidth(op) <= width;
}

}  // namespace

TEST(FitTextToWidth, ShrinksThenEllipsizesOnWholeCharacters) {
    RecordingCanvas c;
    // Fits at the wanted size: unchanged.
    EXPECT_EQ(FitTextToWidth(c, "Peak Fit", 400, 16, 10), "Peak Fit");
    EXPECT_EQ(c.FontSize(), 16);

    // 50 characters: 480 px at 16 pt, 450 at 15, 420 at 14, 390 at 13.
    const std::string fifty(50, 'x');
    EXPECT_EQ(FitTextToWidth(c, fifty, 400, 16, 10), fifty);
    EXPECT_EQ(c.FontSize(), 13);

    // 80 characters are 480 px even at 10 pt (6 px each): 65 characters and the ellipsis
    // (66 x 6 = 396 px) are the most that fit into 400, 33 of the start and 32 of the end.
    const std::string eighty = std::string(40, 'y') + std::string(40, 'z');
    EXPECT_EQ(FitTextToWidth(c, eighty, 400, 16, 10),
              std::string(33, 'y') + kEllipsis + std::string(32, 'z'));
    EXPECT_EQ(c.FontSize(), 10);

    // Blanks beside the ellipsis go; multi-byte characters are never split.
    const std::string words =
        std::string(32, 'a') + " " + std::string(20, 'c') + " " + std::string(32, 'b');
    EXPECT_EQ(FitTextToWidth(c, words, 400, 10, 10),
              std::string(32, 'a') + kEllipsis + std::string(32, 'b'));
    std::string angstroms, degrees;
    for (int i = 0; i < 40; ++i) angstroms += "Å", degrees += "°";
    EXPECT_EQ(FitTextToWidth(c, angstroms + degrees, 400, 10, 10),
              angstroms.substr(0, 33 * 2) + kEllipsis + degrees.substr(0, 32 * 2));

    // No room even for the ellipsis (6 px at 10 pt): nothing.
    EXPECT_EQ(FitTextToWidth(c, eighty, 5, 10, 10), "");
    EXPECT_EQ(FitTextToWidth(c, eighty, 6, 10, 10), kEllipsis);
}

TEST(DrawXYPlot, TitlesOfTheNelsonRileyPlotStayInsideTheDefaultWindow) {
    TPlotXYDataset ds;
    ds.X = {0.5, 1.0, 1.5};
    ds.Y = {5.43, 5.431, 5.432};
    ds.Slope = 0.001;
    ds.Intercept = 5.43;
    ds.XTitle = "Nelson-Riley cos²(theta)/sin(theta)+cos²(theta)/theta";
    ds.YTitle = "Lattice constant [Å]";
    ds.Title = "Nelson-Riley plot of xrdtools_test_scan_2ThetaOmega_v1.0.xrdml (d=5.431Å)";
    RecordingCanvas c;
    c.SetFontSize(12);
    DrawXYPlot(c, 0, 0, 400, 300, ds);

    // The title (73 characters, 701 px at 16 pt bold, 438 px at 10 pt) loses some of its
    // middle at the smallest size and keeps its result, inside the 400 pixels.
    const TCanvasOp* title = TitleOp(c, ds.Title, TCanvasOpKind::Text);
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->FontBold);
    EXPECT_EQ(title->FontSize, 10);
    EXPECT_NE(title->Text.find(kEllipsis), std::string::npos) << title->Text;
    EXPECT_TRUE(title->Text.ends_with(" (d=5.431Å)")) << title->Text;
    EXPECT_TRUE(Inside(*title, 400));
    EXPECT_GT(RecordedWidth(*title), 400 - 6);  // nothing given away: one more would not fit

    // The x title (53 characters, 382 px at 12 pt) is wider than the plotting area but fits
    // the window: whole, at 12 pt, moved inside.
    const TCanvasOp* x = TitleOp(c, ds.XTitle, TCanvasOpKind::Text);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(std::pair(x->Text, x->FontSize), std::pair(ds.XTitle, 12));
    EXPECT_TRUE(Inside(*x, 400));

    // A short title keeps its size and stays centred: "NR" at 16 pt is 19 px.
    ds.Title = "NR";
    c.Clear();
    c.SetFontSize(12);
    DrawXYPlot(c, 0, 0, 400, 300, ds);
    const TCanvasOp* shortTitle = TitleOp(c, "NR", TCanvasOpKind::Text);
    ASSERT_NE(shortTitle, nullptr);
    EXPECT_EQ(std::tuple(shortTitle->Text, shortTitle->FontSize, shortTitle->X1),
              std::tuple(std::string("NR"), 16, (400 - 19) / 2));
    EXPECT_TRUE(c.FontSize() == 12 && !c.FontBold());  // the canvas's font is given back
}

TEST(DrawTwoDPlot, InfoLineAndAxisTitlesFitTheDefaultMapWindow) {
    T2dPlotDataset ds;
    ds.Points = {{-0.01, 5.0, 10}, {0.01, 5.2, 1000}, {0.0, 5.1, 100}};
    ds.XTitle = "k_parallel [1/Å]";
    ds.YTitle = "k_perpendicular [1/Å]";
    ds.ZTitle = "Counts [a.u.]";
    ds.Info = "Using Omega Offset=-0.123° 2Theta Offset=0.456°";
    RecordingCanvas c;
    c.SetFontSize(12);
    const TwoDPlotResult r = DrawTwoDPlot(c, 0, 0, ds, TMapScale::Color, 400, 250);
    ASSERT_TRUE(r.Drawn);

    // The Info line: 47 characters, 395 px at 14 pt, so whole and inside the 400 pixels.
    const TCanvasOp* info = TitleOp(c, ds.Info, TCanvasOpKind::Text);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::pair(info->Text, info->FontSize), std::pair(ds.Info, 14));
    EXPECT_TRUE(Inside(*info, 400));

    // The y title runs along the map's height; a longer one than the map shrinks first.
    const int mapHeight = r.Area.Bottom - r.Area.Top;
    for (const std::string& title : {ds.YTitle, ds.ZTitle}) {
        const TCanvasOp* op = TitleOp(c, title, TCanvasOpKind::VerticalText);
        ASSERT_NE(op, nullptr) << title;
        EXPECT_LE(RecordedWidth(*op), mapHeight) << op->Text;
        EXPECT_GE(op->Y1 - RecordedWidth(*op), 0);
    }

    // A longer line than the picture: smaller, then ellipsized, still inside.
    ds.Info += " and a remark that is far too long for this window";
    c.Clear();
    c.SetFontSize(12);
    ASSERT_TRUE(DrawTwoDPlot(c, 0, 0, ds, TMapScale::Color, 400, 250).Drawn);
    const TCanvasOp* longInfo = TitleOp(c, ds.Info, TCanvasOpKind::Text);
    ASSERT_NE(longInfo, nullptr);
    EXPECT_EQ(longInfo->FontSize, 10);
    EXPECT_NE(longInfo->Text.find(kEllipsis), std::string::npos);
    EXPECT_TRUE(Inside(*longInfo, 400));
}
