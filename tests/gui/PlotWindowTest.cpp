// The XRD Plot window driven offscreen on a workbench session: zoom clicks, marker clicks, add
// mode, cursors, status bar, dropped files, and the PNG, print and clipboard output.
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSvgRenderer>

#include "GuiTestSupport.h"
#include "base/Error.h"
#include "gui/plot/PlotWindow.h"
#include "plot/PlotMapping.h"
#include "support/ScriptedPrompts.h"
#include "support/SyntheticScan.h"

namespace trevasc {
namespace {

using test::CountPixels;
const QColor kRed(255, 0, 0);

// Counts the view range notifications of the session.
class ViewRecorder : public PlotViewObserver {
  public:
    std::vector<std::pair<double, double>> Ranges;
    void ViewRangeChanged(double from, double to) override { Ranges.push_back({from, to}); }
};

class PlotWindowTest : public ::testing::Test {
  protected:
    // A 2Theta scan from 20 to 80 degrees with two peaks, red curve, main-peak markers on both
    // peaks and a substrate marker at 65 degrees.
    void SetUp() override {
        session_.Settings().Colors().MainPlot = 0x0000FF;
        session_.View().Markers().Substrate = {{65.0, 0x008080, "Si (400)", false}};
        session_.OpenMainFile(dir_.Write(
            "synthetic.txt", test::ScanText(20, 0.06, 1001, [](double x) {
                return 100.0 + 1e4 * test::Gauss(x, 35.0, 0.5) + 3e3 * test::Gauss(x, 50.0, 0.5);
            })));
        session_.Peaks().Add(35.0);
        session_.Peaks().Add(50.0);
        window_.resize(800, 600);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        Paint();
        session_.View().AddObserver(&views_);
    }
    void TearDown() override { session_.View().RemoveObserver(&views_); }

    // Paints now, so that Area() is the mapping of the current range.
    void Paint() { window_.PaintBox()->repaint(); }
    int Left() const { return window_.Area().Left; }

    int PixelOf(double x) const { return test::PixelColumn(window_.Area(), x); }
    int MidRow() const { return (window_.Area().Top + window_.Area().Bottom) / 2; }
    double XOf(int px) const { return plot::PixelToWorld(px, MidRow(), window_.Area()).X; }

    void Press(int px, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(window_.PaintBox(), button, Qt::NoModifier, QPoint(px, MidRow()));
    }
    void Move(int px, int py) { test::MoveMouse(window_.PaintBox(), QPoint(px, py)); }
    void Move(int px) { Move(px, MidRow()); }
    Qt::CursorShape Cursor() { return window_.PaintBox()->cursor().shape(); }
    void ExpectView(double from, double to) {
        EXPECT_EQ(std::pair(window_.ViewXMin(), window_.ViewXMax()), std::pair(from, to));
    }

    test::TempDir dir_;
    test::ScriptedPrompts prompts_;
    test::ScriptedDialogs dialogs_;
    WorkbenchSession session_{prompts_};
    PlotWindow window_{session_, dialogs_};
    ViewRecorder views_;
};

TEST_F(PlotWindowTest, ZoomClicksInEitherOrderOnePixelAndRightClick) {
    ASSERT_EQ(window_.findChild<QWidget*>("PaintBox1"), window_.PaintBox());
    const int p1 = PixelOf(25.0), p2 = PixelOf(30.0);
    const std::pair zoom(XOf(p1), XOf(p2));
    // The same range from left-to-right and right-to-left clicks; a right click shows it all.
    for (auto [first, second] : {std::pair{p1, p2}, std::pair{p2, p1}}) {
        Press(first);
        EXPECT_TRUE(window_.ZoomPending());
        Press(second);
        ExpectView(zoom.first, zoom.second);
        Paint();
        EXPECT_DOUBLE_EQ(window_.Area().XMin, zoom.first);  // the paint maps the view range
        Press(10, Qt::RightButton);
        ExpectView(20.0, 80.0);
        Paint();
    }
    ASSERT_EQ(views_.Ranges.size(), 4u);  // zoom, full, zoom, full
    EXPECT_EQ(views_.Ranges[0], zoom);

    // Both clicks on one pixel: one pixel wide; at the right end, the pixel to the left.
    const int p = PixelOf(27.0);
    Press(p);
    Press(p);
    ExpectView(XOf(p), XOf(p + 1));
    Press(10, Qt::RightButton);
    Paint();
    const int right = window_.Area().Right;
    Press(right);
    Press(right);
    ExpectView(XOf(right - 1), 80.0);

    // A right click while a click is pending drops it; other buttons do nothing; a refresh
    // drops a pending click but keeps the range.
    Paint();
    Press(Left() + 5);
    Press(Left() + 5, Qt::RightButton);
    EXPECT_FALSE(window_.ZoomPending());
    Paint();
    Press(PixelOf(30.0), Qt::MiddleButton);
    EXPECT_FALSE(window_.ZoomPending());
    Press(PixelOf(30.0));
    window_.RepaintPlot();
    EXPECT_FALSE(window_.ZoomPending());
    ExpectView(20.0, 80.0);
    // So does a range applied from the main window.
    Press(PixelOf(30.0));
    session_.View().ApplyRange(50.0, 30.0);
    EXPECT_FALSE(window_.ZoomPending());
    ExpectView(30.0, 50.0);
}

TEST_F(PlotWindowTest, MainPeakMarkersSelectShowTheHandAndAddModeTakesTheClick) {
    const int px = PixelOf(35.0);
    // A click within two pixels of a main-peak marker highlights its peak; the next toggles it.
    Press(px - 1);
    EXPECT_EQ(session_.Peaks().HighlightedRow(), 0);
    EXPECT_FALSE(window_.ZoomPending());
    Press(px + 1);
    EXPECT_FALSE(session_.Scans().MainScan().Peaks.Items[0].Checked);
    Press(px);
    EXPECT_TRUE(session_.Scans().MainScan().Peaks.Items[0].Checked);
    session_.Peaks().SetHighlightedRow(-1);
    // The substrate marker is no peak of the list: its click starts a zoom, and a click more
    // than two pixels from a marker is the second zoom click.
    Press(PixelOf(65.0));
    EXPECT_TRUE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ZoomAnchor(), XOf(PixelOf(65.0)));
    Press(px + 4);
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_EQ(session_.Peaks().HighlightedRow(), -1);

    window_.ResetZoom();
    Paint();
    const std::pair<int, Qt::CursorShape> hover[] = {{px + 1, Qt::PointingHandCursor},
                                                     {px + 4, Qt::ArrowCursor},
                                                     {PixelOf(65.0), Qt::ArrowCursor},
                                                     {PixelOf(50.0), Qt::PointingHandCursor},
                                                     {PixelOf(42.0), Qt::ArrowCursor}};
    for (auto [x, shape] : hover) {
        Move(x);
        EXPECT_EQ(Cursor(), shape) << x;
    }
    // While a zoom click is pending the cursor stays as it is.
    Press(PixelOf(42.0));
    Move(px);
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    window_.RepaintPlot();

    // Add mode: the cross over the plot and a status bar hint until a click, even on a marker,
    // adds a peak at the clicked x and ends the mode.
    session_.Peaks().SetAddMode(true);
    Move(px);
    EXPECT_EQ(Cursor(), Qt::CrossCursor);
    EXPECT_TRUE(window_.statusBar()->currentMessage().startsWith(PlotWindow::kAddModeMessage));
    Press(px + 1);
    ASSERT_EQ(session_.Scans().MainScan().Peaks.Count(), 3);
    EXPECT_DOUBLE_EQ(session_.Scans().MainScan().Peaks.Items[1].Position, XOf(px + 1));
    EXPECT_EQ(session_.Peaks().HighlightedRow(), -1);
    EXPECT_FALSE(session_.Peaks().AddMode() || window_.ZoomPending());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    EXPECT_TRUE(window_.statusBar()->currentMessage().isEmpty());
    session_.Peaks().SetAddMode(true);
    window_.ResetZoom();
    EXPECT_FALSE(session_.Peaks().AddMode());
}

TEST_F(PlotWindowTest, WithoutPointsClicksAndOutputsDoNothing) {
    window_.Dataset().Points.clear();
    window_.RepaintPlot();
    for (auto button : {Qt::LeftButton, Qt::LeftButton, Qt::RightButton})
        Press(PixelOf(35.0), button);
    EXPECT_TRUE(views_.Ranges.empty());
    EXPECT_EQ(session_.Peaks().HighlightedRow(), -1);
    EXPECT_FALSE(window_.ZoomPending());
    // The commands that need a plot are disabled, and do nothing when called anyway.
    EXPECT_FALSE(test::FindAction(window_, "&Print plot as displayed")->isEnabled());
    EXPECT_FALSE(test::FindAction(window_, "&Copy to clipboard")->isEnabled());
    window_.SaveAsPngClick();
    window_.PrintClick();
    EXPECT_EQ(dialogs_.PngSizeCalls + dialogs_.PrintCalls, 0);
}

// The pointer on the top left corner of the plot area shows the view's first 2Theta and the
// axis' upper bound. From 44° to 50° the counts run from 100 to 3100 (the peak at 50°).
TEST_F(PlotWindowTest, StatusBarShowsPositionCountsAndSpacing) {
    session_.Settings().SetCurrentWavelength(1.54056);
    session_.View().ApplyRange(44.0, 50.0);
    Paint();
    Move(window_.Area().Left, window_.Area().Top);
    // Log axis: log10(3100) = 3.49 rounds up to 4, 10^4 counts; Bragg with Cu K-alpha1:
    // d = 1.54056 / (2 sin 22°) = 1.54056 / 0.749213 = 2.05624 Å.
    EXPECT_EQ(window_.statusBar()->currentMessage(),
              "TwoTheta = 44.0000°    Counts = 10000    d = 2.05624 Å");
    // Another scan axis has no spacing; on a linear axis 3100 rounds up to 4000.
    plot::XrdPlotSettings display = session_.Settings().Display();
    display.LogScaling = false;
    session_.Settings().SetDisplay(display);
    window_.Dataset().XTitle = "Omega";
    Paint();
    Move(window_.Area().Left, window_.Area().Top);
    EXPECT_EQ(window_.statusBar()->currentMessage(), "Omega = 44.0000°    Counts = 4000");
}

TEST_F(PlotWindowTest, ClosingAndDroppedFilesReachTheMainWindow) {
    QSignalSpy closing(&window_, &PlotWindow::windowClosing);
    EXPECT_TRUE(window_.close());
    EXPECT_EQ(closing.count(), 1);
    // Only local files are handed on; a drag without any is refused.
    QSignalSpy dropped(&window_, &PlotWindow::filesDropped);
    EXPECT_TRUE(test::DropUrls(
        &window_, {QUrl::fromLocalFile("/tmp/a.xrdml"), QUrl("https://example.org/b.xrdml"),
                   QUrl::fromLocalFile("/tmp/c.txt")}));
    EXPECT_FALSE(test::DropUrls(&window_, {QUrl("https://example.org/b.xrdml")}));
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), QStringList({"/tmp/a.xrdml", "/tmp/c.txt"}));
}

TEST_F(PlotWindowTest, SaveAsPngWritesTheChosenSizeWithWhiteTransparent) {
    test::TempDir dir;
    const QString file = QString::fromStdString(dir.File("plot.png"));
    dialogs_.PngSizeAnswer = true;
    dialogs_.PngWidth = 640;
    dialogs_.PngHeight = 480;
    dialogs_.PngAnswers = {file};
    window_.SaveAsPngClick();
    const QImage image(file);
    EXPECT_EQ(image.size(), QSize(640, 480));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255, 0));
    EXPECT_GT(CountPixels(image, kRed), 300);        // the opaque main curve across the width
    EXPECT_GT(CountPixels(image, Qt::black), 1000);  // frame, ticks and texts

    // The size is remembered; Cancel in the size dialog asks for no file, Cancel in the file
    // dialog writes nothing.
    QFile::remove(file);
    dialogs_.PngWidth = dialogs_.PngHeight = 0;
    dialogs_.PngSizeAnswer = false;
    dialogs_.PngAnswers = {file};
    window_.SaveAsPngClick();
    EXPECT_EQ(dialogs_.PngAnswers.size(), 1u);  // no file was asked for
    dialogs_.PngSizeAnswer = true;
    dialogs_.PngAnswers = {QString()};
    window_.SaveAsPngClick();
    EXPECT_FALSE(QFile::exists(file));

    // An unwritable file and an impossible size are reported, not crashed on.
    dialogs_.PngAnswers = {QStringLiteral("/nonexistent-folder/x/plot.png")};
    window_.SaveAsPngClick();
    EXPECT_EQ(prompts_.Errors.size(), 1u);
    EXPECT_THROW(window_.RenderPlotImage(0, 100), TrevascError);
}

TEST_F(PlotWindowTest, PrintingHonoursTheDialog) {
    test::TempDir dir;
    const QString pdf = QString::fromStdString(dir.File("plot.pdf"));
    QPrinter& printer = window_.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    window_.PrintClick();
    EXPECT_EQ(dialogs_.PrintCalls, 1);
    EXPECT_FALSE(QFile::exists(pdf));  // cancelled: nothing printed

    dialogs_.PrintAnswer = true;
    const plot::TPlotArea screen = window_.Area();
    window_.PrintClick();
    EXPECT_TRUE(prompts_.Errors.empty());
    EXPECT_EQ(printer.docName(), "XRD plot of file synthetic.txt");
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.read(5) == "%PDF-");
    // The mouse mapping stays that of the screen.
    EXPECT_EQ(QPoint(window_.Area().Right, window_.Area().Bottom),
              QPoint(screen.Right, screen.Bottom));
}

TEST_F(PlotWindowTest, CopyPutsSvgAndPngOnTheClipboard) {
    const QSize screen = QGuiApplication::primaryScreen()->size();
    window_.CopyToClipboardClick();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat("image/svg+xml") && data->hasFormat("image/png"));
    const QByteArray svg = data->data("image/svg+xml");
    EXPECT_TRUE(svg.contains("XRD Plot: synthetic"));  // the title as text, not as pixels
    // The vector picture holds the chart: drawn, it shows the red main curve.
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    QImage drawn(screen, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    EXPECT_GT(CountPixels(drawn, kRed), 300);
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    EXPECT_EQ(png.size(), screen);
    EXPECT_GT(CountPixels(png, kRed), 300);
}

}  // namespace
}  // namespace trevasc
