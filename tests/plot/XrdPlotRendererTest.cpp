#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "plot/PlotMapping.h"
#include "plot/RecordingCanvas.h"
#include "plot/XYPlotRenderer.h"
#include "plot/XrdPlotRenderer.h"

using namespace trevasc::plot;

namespace {

constexpr TColor kMain = 0x0000AA;
constexpr TColor kSlope = 0x008000;
constexpr TColor kOverlay = 0x00AA00;
constexpr auto kText = TCanvasOpKind::Text;
constexpr auto kVertical = TCanvasOpKind::VerticalText;

// Recording metrics at S = 12: H = 14, TH = 19, W0 = 48, H0 = 12, W3 = 18, so L = 69,
// T = 54 with a title, PH = height - 87, PW = width - 87 (- 138 with a right axis), t = 3.
TPlotDataset LogDataset() {
    TPlotDataset ds;
    for (int i = 0; i <= 60; ++i) {
        const double x = 20 + i;
        ds.Points.push_back({x, std::pow(10.0, 1 + 4.0 * i / 60)});  // 10 ... 100000
        ds.SecondaryPoints.push_back({x, std::sin(i / 5.0) * 50});
    }
    ds.Title = "XRD Plot: test";
    ds.XTitle = "TwoTheta";
    ds.YTitle = "Counts";
    ds.MainColor = kMain;
    ds.SecondaryColor = kSlope;
    ds.LogY = true;
    ds.ViewXMin = ds.FullXMin = 20;
    ds.ViewXMax = ds.FullXMax = 80;
    return ds;
}

void Draw(RecordingCanvas& c, const TPlotDataset& ds, TPlotArea& area, int x = 0, int y = 0,
          int w = 600, int h = 477) {
    c.Clear();
    c.SetFontSize(12);
    DrawXrdPlot(c, x, y, w, h, ds, area);
}

// A recording canvas and the area of its last drawing.
struct XrdPlotDrawing : ::testing::Test {
    RecordingCanvas c;
    TPlotArea area;
};

// The pixel offset of an x offset on the 513 pixel wide, 60 degree wide default area.
int Px(double dx) {
    return static_cast<int>(std::nearbyint(dx * 513 / 60));
}

std::vector<TCanvasOp> LinesIn(const RecordingCanvas& c, TColor pen) {
    std::vector<TCanvasOp> out;
    for (const auto& op : c.OpsOf(TCanvasOpKind::Line))
        if (op.PenColor == pen) out.push_back(op);
    return out;
}

bool HasLine(const std::vector<TCanvasOp>& lines, int x1, int y1, int x2, int y2) {
    return std::any_of(lines.begin(), lines.end(), [&](const TCanvasOp& op) {
        return op.X1 == x1 && op.Y1 == y1 && op.X2 == x2 && op.Y2 == y2;
    });
}

const TCanvasOp* FindText(const RecordingCanvas& c, TCanvasOpKind kind, const std::string& text) {
    for (const auto& op : c.Ops())
        if (op.Kind == kind && op.Text == text) return &op;
    return nullptr;
}

// The first call that drew `text`; a test failure and an empty record when there is none.
const TCanvasOp& TextOp(const RecordingCanvas& c, TCanvasOpKind kind, const std::string& text) {
    static const TCanvasOp kNone;
    const TCanvasOp* op = FindText(c, kind, text);
    if (!op) ADD_FAILURE() << "no text " << text;
    return op ? *op : kNone;
}

}  // namespace

TEST_F(XrdPlotDrawing, LayoutFrameTitlesTicksAndSecondaryAxis) {
    Draw(c, LogDataset(), area, 10, 20);
    EXPECT_EQ(std::tie(area.Left, area.Right, area.Top, area.Bottom),
              std::make_tuple(79, 592, 74, 464));
    // Decades: log10(10) = 1 rounds down to 0, log10(1e5) = 5 up to 6.
    EXPECT_EQ(std::tie(area.XMin, area.XMax, area.YMin, area.YMax), std::make_tuple(20, 80, 0, 6));

    // Frame: top, right, bottom black, left edge and its ticks in the main colour; x ticks point
    // down from the bottom edge and end in the exact range limits.
    const auto black = LinesIn(c, 0), main = LinesIn(c, kMain);
    for (auto [x1, y1, x2, y2] : {std::tuple(79, 74, 592, 74), std::tuple(592, 74, 592, 464),
                                  std::tuple(592, 464, 79, 464), std::tuple(592, 464, 592, 467)})
        EXPECT_TRUE(HasLine(black, x1, y1, x2, y2)) << x1 << "," << y1 << " " << x2 << "," << y2;
    EXPECT_TRUE(HasLine(main, 79, 464, 79, 74) && HasLine(main, 76, 204, 82, 204));
    for (const char* text : {"XRD Plot: test", "TwoTheta", "20", "80"})
        EXPECT_NE(FindText(c, kText, text), nullptr) << text;
    // PH = 390 gives 13 rows: one-decade steps labelled 1 ... 1E6 in the main colour, and the
    // y title reading upwards.
    for (const char* label : {"1", "10", "100", "1000", "1E4", "1E5", "1E6"})
        EXPECT_EQ(TextOp(c, kText, label).FontColor, kMain) << label;
    EXPECT_EQ(TextOp(c, kVertical, "Counts").FontColor, kMain);
    // No right axis without a secondary title, though secondary points exist.
    EXPECT_TRUE(LinesIn(c, kSlope).empty());

    TPlotDataset ds = LogDataset();
    ds.SecondaryTitle = "Slope";
    Draw(c, ds, area);
    EXPECT_EQ(area.Right, 69 + 600 - 138);  // the left margin is repeated on the right
    // Curve, right frame edge and tick lines across it.
    const auto slope = LinesIn(c, kSlope);
    EXPECT_GT(slope.size(), 20u);
    EXPECT_TRUE(HasLine(slope, area.Right, area.Top, area.Right, area.Bottom));
    EXPECT_EQ(TextOp(c, kVertical, "Slope").FontColor, kSlope);
    EXPECT_GT(TextOp(c, kVertical, "Slope").X1, area.Right);
    // Slope range -49.8 ... 49.9 rounds to -50 ... 50 on a linear axis, labels in its colour.
    EXPECT_EQ(std::pair(TextOp(c, kText, "-50").FontColor, TextOp(c, kText, "-50").X1),
              std::pair(kSlope, area.Right + 3));
}

TEST_F(XrdPlotDrawing, MarkersWithAndWithoutLabelsAndCrowded) {
    TPlotDataset ds = LogDataset();
    ds.Highlights = {{50.0, 0x0000FF, "Si (004)", true},
                     {30.0, 0xFF0000, "", true},
                     {90.0, 0x00FFFF, "outside", false}};
    Draw(c, ds, area);
    const int px50 = area.Left + Px(30), px30 = area.Left + Px(10);
    // Label at size 8: width 38, height 10, two pixels (pen width 1 + 1) below the frame line;
    // the line starts where the label ends.
    EXPECT_EQ(LinesIn(c, 0x0000FF).size(), 1u);
    EXPECT_TRUE(HasLine(LinesIn(c, 0x0000FF), px50, area.Top + 40, px50, area.Bottom));
    const TCanvasOp& si = TextOp(c, kVertical, "Si (004)");
    EXPECT_EQ(std::pair(si.X1, si.Y1), std::pair(px50 - 5, area.Top + 40));
    // The label sits on a white box of its own cell, drawn just before it, so that the peak's
    // curve under it does not cross the text; the brush is restored afterwards.
    const auto& ops = c.Ops();
    const auto box =
        std::find_if(std::make_reverse_iterator(ops.begin() + (&si - ops.data())), ops.rend(),
                     [](const TCanvasOp& op) { return op.Kind == TCanvasOpKind::Rectangle; });
    ASSERT_NE(box, ops.rend());
    EXPECT_EQ(
        std::tuple(box->BrushColor, box->BrushClear, box->PenColor, box->X1, box->Y1, box->X2,
                   box->Y2),
        std::tuple(0xFFFFFFu, false, 0xFFFFFFu, px50 - 5, area.Top + 2, px50 + 5, area.Top + 40));
    EXPECT_EQ(LinesIn(c, 0xFF0000).size(), 1u);
    EXPECT_TRUE(HasLine(LinesIn(c, 0xFF0000), px30, area.Top, px30, area.Bottom));
    EXPECT_TRUE(LinesIn(c, 0x00FFFF).empty() && !FindText(c, kVertical, "outside"));

    // Crowded markers: labels shrink and spread within the area, lines stay at their column.
    ds.Highlights.clear();
    for (int i = 0; i < 400; ++i)
        ds.Highlights.push_back({50.0 + i * 1e-3, 0x0000FF, "(hkl)", false});
    Draw(c, ds, area);
    size_t labels = 0;
    for (const auto& op : c.OpsOf(kVertical)) {
        if (op.Text != "(hkl)") continue;
        ++labels;
        EXPECT_EQ(op.FontSize, 1);  // 400 labels of height >= 1 against 300 pixels
        EXPECT_TRUE(op.X1 + 1 >= area.Left - 1 && op.X1 <= area.Right) << op.X1;
    }
    EXPECT_EQ(labels, 400u);
    const auto lines = LinesIn(c, 0x0000FF);
    ASSERT_EQ(lines.size(), 400u);
    for (const auto& op : lines) EXPECT_TRUE(op.X1 >= area.Left + 256 && op.X1 <= area.Left + 260);
}

TEST(DrawXrdPlot, MarkerLabelsNearTheEdgesStayInsideTheFrame) {
    TPlotDataset ds = LogDataset();
    // Markers at both ends of the view, two crowding the right end, labels ending in "°" and
    // ")" (the characters that were cut off), one nearly as long as the area is high.
    ds.Highlights = {{80.0, 0x0000FF, "Si (004) 69.130°", false},
                     {79.95, 0x0000FF, "GaN (0 0 0 2)", false},
                     {20.0, 0xFF0000, "(1 1 1)", false},
                     {50.0, 0x00AA00, std::string(40, 'x') + "°", false}};
    for (const double scale : {1.0, 2.5}) {
        RecordingCanvas c(scale);
        TPlotArea area;
        Draw(c, ds, area, 0, 0, static_cast<int>(600 * scale), static_cast<int>(477 * scale));
        // The frame's pen, as drawn: the text must keep clear of half of it on each side.
        int framePen = 1;
        for (const auto& op : c.OpsOf(TCanvasOpKind::Line))
            if (op.Y1 == area.Top && op.Y2 == area.Top && op.X1 == area.Left)
                framePen = op.PenWidth;
        const int clear = framePen / 2 + 1;
        int labels = 0;
        for (const auto& op : c.OpsOf(kVertical)) {
            if (op.FontSize >= 12) continue;  // the axis title, not a marker label
            // The recording metrics, worked out here: height 1.2 S, width 0.6 S per character.
            int chars = 0;
            for (unsigned char ch : op.Text) chars += (ch & 0xC0) != 0x80;
            const int height = static_cast<int>(std::nearbyint(1.2 * op.FontSize * scale));
            const int width = static_cast<int>(std::nearbyint(0.6 * op.FontSize * chars * scale));
            EXPECT_TRUE(op.X1 >= area.Left + clear && op.X1 + height <= area.Right - clear &&
                        op.Y1 - width >= area.Top + clear && op.Y1 <= area.Bottom)
                << op.Text << " at scale " << scale;
            ++labels;
        }
        EXPECT_EQ(labels, 4);
        // The two at the right end do not overlap each other.
        const TCanvasOp& a = TextOp(c, kVertical, "Si (004) 69.130°");
        const TCanvasOp& b = TextOp(c, kVertical, "GaN (0 0 0 2)");
        EXPECT_GE(std::abs(a.X1 - b.X1),
                  static_cast<int>(std::nearbyint(1.2 * a.FontSize * scale)));
        // The marker line stays at its own column, below its label.
        const int below = TextOp(c, kVertical, "(1 1 1)").Y1;
        EXPECT_TRUE(HasLine(LinesIn(c, 0xFF0000), area.Left, below, area.Left, area.Bottom));
    }
}

TEST_F(XrdPlotDrawing, LogAxisZeroAtTheBottomAndNonPositiveMainCountsDrawnLinear) {
    TPlotDataset ds = LogDataset();
    TAdditionalDataset o;
    o.Points = {{30, 100}, {40, 0}, {50, 100}};
    o.Color = kOverlay;
    ds.Overlays = {o};
    ds.ScaleOnOverlays = false;
    Draw(c, ds, area);
    const auto lines = LinesIn(c, kOverlay);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const TCanvasOp& op) { return op.Y2 == area.Bottom; }));
    // Still logarithmic: the overlay does not take part in the range; the plot window reads
    // counts as 10^y from LogY.
    EXPECT_EQ(std::pair(area.YMax, area.LogY), std::pair(6.0, true));

    ds.Points[3].Y = 0;  // a zero count in the window: this drawing is linear
    Draw(c, ds, area);
    EXPECT_EQ(std::tuple(area.YMin, area.YMax, area.LogY), std::tuple(0.0, 200000.0, false));
    EXPECT_NE(FindText(c, kText, "2E5"), nullptr);
    // The overlay now counts (ScaleOnOverlays) and its zero keeps the axis linear as well.
    ds.Points[3].Y = 20;
    ds.ScaleOnOverlays = true;
    Draw(c, ds, area);
    EXPECT_EQ(std::pair(area.YMax, area.LogY), std::pair(200000.0, false));
}

TEST_F(XrdPlotDrawing, DegenerateHugeAndNonFiniteInputDrawsSafely) {
    Draw(c, LogDataset(), area, 0, 0, 10, 10);  // nothing fits, nothing is drawn
    EXPECT_EQ(c.DrawCount(), 0u);

    // Zero-width x range (a one-point scan): frame and titles, no curve, no ticks.
    TPlotDataset one = LogDataset();
    one.Points.resize(1);
    one.SecondaryPoints.resize(1);
    one.ViewXMin = one.ViewXMax = 20;
    Draw(c, one, area);
    EXPECT_EQ(LinesIn(c, kMain).size(), 1u);  // only the left frame edge
    EXPECT_NE(FindText(c, kText, "XRD Plot: test"), nullptr);

    // Empty record: an empty frame, log axis of one decade.
    one.Points.clear();
    one.SecondaryPoints.clear();
    one.ViewXMax = 80;
    Draw(c, one, area);
    EXPECT_EQ(std::pair(area.YMin, area.YMax), std::pair(0.0, 1.0));
    EXPECT_NE(FindText(c, kText, "10"), nullptr);

    TPlotDataset huge = LogDataset();
    huge.LogY = false;
    huge.Points[10].Y = 1e300;
    huge.Points[11].Y = NAN;
    huge.Points[12].Y = INFINITY;
    Draw(c, huge, area);
    EXPECT_EQ(area.YMax, 2e300);
    EXPECT_NE(FindText(c, kText, "2E300"), nullptr);
    const auto lines = LinesIn(c, kMain);
    ASSERT_FALSE(lines.empty());
    for (const auto& op : lines) EXPECT_TRUE(op.Y2 >= area.Top - 3 && op.Y2 <= area.Bottom);
}

TEST_F(XrdPlotDrawing, MillionPointsBecomeAtMostFourSegmentsPerColumn) {
    TPlotDataset ds = LogDataset();
    const int n = 1'000'000;
    ds.Points.resize(n);
    ds.SecondaryPoints.clear();
    for (int i = 0; i < n; ++i)
        ds.Points[i] = {20 + 60.0 * i / (n - 1), 100 + 50 * std::sin(i * 0.37) + (i % 97)};
    Draw(c, ds, area, 0, 0, 1600, 1000);
    const size_t columns = static_cast<size_t>(area.Right - area.Left + 1);
    const size_t curve = LinesIn(c, kMain).size();
    EXPECT_GT(curve, columns);
    EXPECT_LE(curve, 4 * columns + 100);
}

TEST(DrawFitPlot, OverlayLinesAndBoundaries) {
    TPlotDataset ds = LogDataset();
    ds.LogY = false;
    TFitOverlay fit;  // no profile yet: only the boundaries
    fit.LeftBoundary = 30;
    fit.RightBoundary = 70;
    RecordingCanvas c;
    c.SetFontSize(12);
    TPlotArea area;
    DrawFitPlot(c, 0, 0, 600, 477, fit, ds, area);
    EXPECT_TRUE(LinesIn(c, fit.FitColor).empty());
    const auto bounds = LinesIn(c, fit.BoundaryColor);
    EXPECT_EQ(bounds.size(), 2u);
    EXPECT_TRUE(HasLine(bounds, area.Left + Px(10), area.Top, area.Left + Px(10), area.Bottom));

    fit.ProfileKind = 2;  // Gauss
    fit.Center = 50;
    fit.WidthFactor = 0.5;
    fit.Amplitude = 40000;
    fit.BackgroundOffset = 1000;
    c.Clear();
    DrawFitPlot(c, 0, 0, 600, 477, fit, ds, area);
    EXPECT_EQ(LinesIn(c, fit.FitColor).size(), static_cast<size_t>(area.Right - area.Left));
    const auto green = LinesIn(c, fit.CenterColor);  // centre line and half-maximum line
    ASSERT_EQ(green.size(), 2u);
    EXPECT_TRUE(HasLine(green, area.Left + Px(30), area.Top, area.Left + Px(30), area.Bottom));
    const double d = std::sqrt(std::log(2.0)) / 0.5;  // half width at half maximum
    EXPECT_TRUE(
        HasLine(green, area.Left + Px(30 - d), green[1].Y1, area.Left + Px(30 + d), green[1].Y1));
}

TEST(DrawXYPlot, PointsLineAndDegenerateInput) {
    TPlotXYDataset ds;
    ds.X = {0.5, 1.0, 1.5, 2.0};
    ds.Y = {4.1, 4.2, 4.3, 4.4};
    ds.Color = 0xFF0000;
    ds.Slope = 0.2;
    ds.Intercept = 4.0;
    ds.YTitle = "a";
    RecordingCanvas c;
    c.SetFontSize(12);
    DrawXYPlot(c, 0, 0, 400, 300, ds);
    const auto dots = c.OpsOf(TCanvasOpKind::Ellipse);
    ASSERT_EQ(dots.size(), 4u);
    EXPECT_EQ(dots[0].BrushColor, 0xFF0000u);
    EXPECT_FALSE(LinesIn(c, 0xFF0000).empty());  // the fitted line
    // x range 0.5 ... 2 rounds to 0.4 ... 3; y range 4.1 ... 4.4 to 4.1 ... 4.5.
    EXPECT_TRUE(FindText(c, kText, "4.5") && FindText(c, kText, "3") &&
                FindText(c, kVertical, "a"));

    c.Clear();
    DrawXYPlot(c, 0, 0, 400, 300, TPlotXYDataset{});  // no pairs: no points, no axes, no crash
    EXPECT_TRUE(c.OpsOf(TCanvasOpKind::Ellipse).empty());
    c.Clear();
    DrawXYPlot(c, 0, 0, 10, 10, ds);  // no room
    EXPECT_EQ(c.DrawCount(), 0u);
}

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
    // The x axis is the data's range itself, not rounded out to 30 ... 50; counts are rounded
    // out to one step of their decade, -50 to -60 and 900 to 1000.
    EXPECT_EQ(std::tuple(area.XMin, area.XMax, area.YMin, area.YMax),
              std::tuple(43.1, 44.9, -60.0, 1000.0));
    EXPECT_DOUBLE_EQ(PixelToWorld(area.Right, area.Top, area).X, 44.9);
    // Each curve is a polyline of its points; the green one runs from the left to the right edge.
    int greenFrom = 1 << 30, greenTo = -1;
    for (const TCanvasOp& op : LinesIn(canvas, 0x008000))
        greenFrom = std::min(greenFrom, op.X1), greenTo = std::max(greenTo, op.X2);
    EXPECT_EQ(std::pair(greenFrom, greenTo), std::pair(area.Left, area.Right));
    // Switched on, the straight line is the one line more.
    const size_t lines = canvas.OpsOf(TCanvasOpKind::Line).size();
    ds.ShowLine = true;
    canvas.Clear();
    DrawXYPlot(canvas, 0, 0, 640, 400, ds, area);
    EXPECT_EQ(canvas.OpsOf(TCanvasOpKind::Line).size(), lines + 1);
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
    const double got[] = {area.XMin, area.XMax, area.YMin, area.YMax},
                 want[] = {0.7, 2, 0.003, 0.007};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << i;
}
