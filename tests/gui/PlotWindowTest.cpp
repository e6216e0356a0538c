// The XRD Plot window driven offscreen: zoom clicks, marker clicks, add mode, cursors, status
// bar, the signals to the main window, and the PNG, print and clipboard output.
#include <gtest/gtest.h>

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSvgRenderer>
#include <cmath>
#include <numbers>

#include "GuiTestSupport.h"
#include "base/Error.h"
#include "gui/plot/PlotWindow.h"
#include "gui/plot/PngSizeDialog.h"
#include "plot/PlotMapping.h"

namespace trevasc {
namespace {

using test::CountPixels;
const QColor kRed(255, 0, 0);

class PlotWindowTest : public ::testing::Test {
  protected:
    // A 2Theta scan from 20 to 80 degrees with two peaks, red curve, main-peak markers on both
    // peaks and a substrate marker at 65 degrees.
    void SetUp() override {
        plot::TPlotDataset& d = window_.Dataset();
        for (int i = 0; i < 1001; ++i) {
            const double x = 20.0 + 0.06 * i;
            d.Points.push_back({x, 100.0 + 1e4 * std::exp(-std::pow((x - 35.0) / 0.3, 2)) +
                                       3e3 * std::exp(-std::pow((x - 50.0) / 0.3, 2))});
            d.SecondaryPoints.push_back({x, 0.0});
        }
        d.Highlights = {{35.0, 0xFF0000, "", true},
                        {50.0, 0xFF0000, "", true},
                        {65.0, 0x008080, "Si (400)", false}};
        d.YTitle = "Counts";
        d.XTitle = "TwoTheta";
        d.MainColor = 0x0000FF;
        d.LogY = true;
        d.Title = "XRD Plot: synthetic";
        d.FullXMin = d.ViewXMin = 20.0;
        d.FullXMax = d.ViewXMax = 80.0;
        window_.resize(800, 600);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        Paint();
    }

    // Paints now, so that Area() is the mapping of the current range.
    void Paint() { window_.PaintBox()->repaint(); }

    int PixelOf(double x) const {
        const plot::TPlotArea& a = window_.Area();
        return a.Left +
               static_cast<int>(std::lround((x - a.XMin) * (a.Right - a.Left) / (a.XMax - a.XMin)));
    }
    int MidRow() const { return (window_.Area().Top + window_.Area().Bottom) / 2; }
    double XOf(int px) const { return plot::PixelToWorld(px, MidRow(), window_.Area()).X; }

    void Press(int px, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(window_.PaintBox(), button, Qt::NoModifier, QPoint(px, MidRow()));
    }
    void Move(int px) {
        const QPointF local(px, MidRow());
        QMouseEvent event(QEvent::MouseMove, local, window_.PaintBox()->mapToGlobal(local),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window_.PaintBox(), &event);
    }
    Qt::CursorShape Cursor() { return window_.PaintBox()->cursor().shape(); }
    void ExpectView(double from, double to) {
        EXPECT_DOUBLE_EQ(window_.ViewXMin(), from);
        EXPECT_DOUBLE_EQ(window_.ViewXMax(), to);
    }

    QAction* Action(const QString& text) { return test::FindAction(window_, text); }

    PlotWindow window_;
};

TEST_F(PlotWindowTest, ZoomClicksInEitherOrderOnePixelAndRightClick) {
    ASSERT_EQ(window_.findChild<QWidget*>("PaintBox1"), window_.PaintBox());
    EXPECT_DOUBLE_EQ(window_.Area().XMax, 80.0);  // the paint maps the view range
    QSignalSpy ranges(&window_, &PlotWindow::viewRangeChanged);
    const int p1 = PixelOf(25.0), p2 = PixelOf(30.0);
    const double x1 = XOf(p1), x2 = XOf(p2);
    // The same range from left-to-right and right-to-left clicks; a right click shows it all.
    for (auto [first, second] : {std::pair{p1, p2}, std::pair{p2, p1}}) {
        Press(first);
        EXPECT_TRUE(window_.ZoomPending());
        Press(second);
        EXPECT_FALSE(window_.ZoomPending());
        ExpectView(x1, x2);
        Paint();
        EXPECT_DOUBLE_EQ(window_.Area().XMin, x1);
        Press(10, Qt::RightButton);
        ExpectView(20.0, 80.0);
        Paint();
    }
    ASSERT_EQ(ranges.count(), 4);  // zoom, full, zoom, full
    EXPECT_DOUBLE_EQ(ranges.at(0).at(0).toDouble(), x1);
    EXPECT_DOUBLE_EQ(ranges.at(0).at(1).toDouble(), x2);

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
    Press(window_.Area().Left + 5);
    ASSERT_TRUE(window_.ZoomPending());
    Press(window_.Area().Left + 5, Qt::RightButton);
    EXPECT_FALSE(window_.ZoomPending());
    ExpectView(20.0, 80.0);
    Paint();
    Press(PixelOf(30.0), Qt::MiddleButton);
    EXPECT_FALSE(window_.ZoomPending());
    Press(PixelOf(30.0));
    window_.RepaintPlot();
    EXPECT_FALSE(window_.ZoomPending());
    ExpectView(20.0, 80.0);
}

TEST_F(PlotWindowTest, AppliedAndDegenerateRangesAreOrderedAndNeverEmpty) {
    Press(PixelOf(30.0));
    window_.SetViewRange(50.0, 30.0);
    EXPECT_FALSE(window_.ZoomPending());
    ExpectView(30.0, 50.0);
    window_.SetViewRange(40.0, 40.0);
    ExpectView(40.0, 41.0);
    // A scan of one point: every pixel maps to the same x, two clicks give one degree.
    plot::TPlotDataset& d = window_.Dataset();
    d.Points = {{40.0, 500.0}};
    d.SecondaryPoints = {{40.0, 0.0}};
    d.Highlights.clear();
    d.FullXMin = d.FullXMax = 40.0;
    window_.ResetZoom();
    Paint();
    Press(200);
    Press(300);
    ExpectView(40.0, 41.0);
}

TEST_F(PlotWindowTest, MainPeakMarkersSelectShowTheHandAndAddModeTakesTheClick) {
    QSignalSpy selected(&window_, &PlotWindow::peakMarkerClicked);
    QSignalSpy added(&window_, &PlotWindow::addPeakRequested);
    const int px = PixelOf(35.0);
    for (int offset : {-1, 0, 1}) {
        Press(px + offset);
        ASSERT_EQ(selected.count(), 1) << offset;
        EXPECT_DOUBLE_EQ(selected.takeFirst().at(0).toDouble(), 35.0);
        EXPECT_FALSE(window_.ZoomPending());
    }
    // The substrate marker is no peak of the list: its click starts a zoom, and a click more
    // than two pixels from a marker is the second zoom click.
    Press(PixelOf(65.0));
    EXPECT_TRUE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ZoomAnchor(), XOf(PixelOf(65.0)));
    Press(px + 4);
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_EQ(selected.count(), 0);

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

    // Add mode: a click, even on a marker, asks for a peak at the clicked x and ends the mode.
    window_.SetAddMode(true);
    Move(px);
    EXPECT_EQ(Cursor(), Qt::CrossCursor);
    Press(px + 1);
    ASSERT_EQ(added.count(), 1);
    EXPECT_DOUBLE_EQ(added.at(0).at(0).toDouble(), XOf(px + 1));
    EXPECT_EQ(selected.count(), 0);
    EXPECT_FALSE(window_.AddMode());
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    window_.SetAddMode(true);
    window_.ResetZoom();
    EXPECT_FALSE(window_.AddMode());
}

TEST_F(PlotWindowTest, WithoutPointsClicksAndOutputsDoNothing) {
    window_.Dataset().Points.clear();
    window_.RepaintPlot();
    QSignalSpy selected(&window_, &PlotWindow::peakMarkerClicked);
    QSignalSpy ranges(&window_, &PlotWindow::viewRangeChanged);
    for (auto button : {Qt::LeftButton, Qt::LeftButton, Qt::RightButton})
        Press(PixelOf(35.0), button);
    EXPECT_EQ(selected.count() + ranges.count(), 0);
    EXPECT_FALSE(window_.ZoomPending());
    // The commands that need a plot are disabled, and do nothing when called anyway.
    EXPECT_FALSE(Action("&Print plot as displayed")->isEnabled());
    EXPECT_FALSE(Action("&Copy to clipboard")->isEnabled());
    int asked = 0;
    window_.PngSizeHook = [&](PngSizeDialog&) { return ++asked, false; };
    window_.PrintDialogHook = [&](QPrinter&) { return ++asked, false; };
    window_.SaveAsPngClick();
    window_.PrintClick();
    EXPECT_EQ(asked, 0);
}

TEST_F(PlotWindowTest, StatusBarShowsPositionCountsAndSpacing) {
    window_.SetWavelength(1.54056);
    const int px = PixelOf(44.0);
    Move(px);
    plot::TWorldPoint w = plot::PixelToWorld(px, MidRow(), window_.Area());
    const double d = 1.54056 / (2.0 * std::sin(w.X / 2.0 * std::numbers::pi / 180.0));
    EXPECT_NEAR(d, 2.0569, 0.01);  // Bragg: 44 degrees with Cu K-alpha1
    // Log axis: the counts are 10^y.
    EXPECT_EQ(window_.statusBar()->currentMessage(),
              QString("TwoTheta = %1°    Counts = %2    d = %3 Å")
                  .arg(w.X, 0, 'f', 4)
                  .arg(std::llround(std::pow(10.0, w.Y)))
                  .arg(d, 0, 'f', 5));
    // Other scan axes have no d-spacing; a linear axis shows y itself.
    window_.Dataset().XTitle = "Omega";
    window_.Dataset().LogY = false;
    Paint();
    Move(px);
    w = plot::PixelToWorld(px, MidRow(), window_.Area());
    EXPECT_EQ(window_.statusBar()->currentMessage(),
              QString("Omega = %1°    Counts = %2").arg(w.X, 0, 'f', 4).arg(std::llround(w.Y)));
}

TEST_F(PlotWindowTest, WindowMenuClosingAndDroppedFilesReachTheMainWindow) {
    QSignalSpy requests(&window_, &PlotWindow::showWindowRequested);
    Action("Plot &Color Legend")->trigger();
    ASSERT_EQ(requests.count(), 1);
    EXPECT_EQ(requests.at(0).at(0).toString(), "Plot &Color Legend");
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
    QString sizeAsked;  // the file name is only known once the size dialog was answered
    window_.PngSizeHook = [&](PngSizeDialog& dialog) {
        sizeAsked = file;
        dialog.SetImageSize(640, 480);
        return true;
    };
    window_.SaveFileNameHook = [&] { return sizeAsked; };
    window_.ErrorHook = [](const QString& e) { ADD_FAILURE() << e.toStdString(); };
    window_.SaveAsPngClick();
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(640, 480));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255, 0));
    EXPECT_GT(CountPixels(image, kRed), 300);        // the opaque main curve across the width
    EXPECT_GT(CountPixels(image, Qt::black), 1000);  // frame, ticks and texts

    // The size is remembered; Cancel in the size dialog asks for no file, Cancel in the file
    // dialog writes nothing.
    QFile::remove(file);
    window_.PngSizeHook = [](PngSizeDialog& dialog) {
        EXPECT_EQ(dialog.ImageWidth(), 640);
        return false;
    };
    window_.SaveFileNameHook = [] { return ADD_FAILURE() << "asked for a file", QString(); };
    window_.SaveAsPngClick();
    window_.PngSizeHook = [](PngSizeDialog&) { return true; };
    window_.SaveFileNameHook = [] { return QString(); };
    window_.SaveAsPngClick();
    EXPECT_FALSE(QFile::exists(file));

    // An unwritable file and an impossible size are reported, not crashed on.
    QStringList errors;
    window_.ErrorHook = [&](const QString& e) { errors << e; };
    window_.SaveFileNameHook = [] { return QStringLiteral("/nonexistent-folder/x/plot.png"); };
    window_.SaveAsPngClick();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_THROW(window_.RenderPlotImage(0, 100), TrevascError);
}

TEST_F(PlotWindowTest, PrintingHonoursTheDialog) {
    test::TempDir dir;
    const QString pdf = QString::fromStdString(dir.File("plot.pdf"));
    window_.SetLoadedFileName("scan.xrdml");
    QPrinter& printer = window_.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    int dialogs = 0;
    window_.PrintDialogHook = [&](QPrinter&) { return ++dialogs, false; };
    window_.PrintClick();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(QFile::exists(pdf));  // cancelled: nothing printed

    window_.PrintDialogHook = [](QPrinter&) { return true; };
    window_.ErrorHook = [](const QString& e) { ADD_FAILURE() << e.toStdString(); };
    const plot::TPlotArea screen = window_.Area();
    window_.PrintClick();
    EXPECT_EQ(printer.docName(), "XRD plot of file scan.xrdml");
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.read(5) == "%PDF-");
    EXPECT_GT(out.size(), 1000);
    // The mouse mapping stays that of the screen.
    EXPECT_EQ(window_.Area().Right, screen.Right);
    EXPECT_EQ(window_.Area().Bottom, screen.Bottom);
}

TEST_F(PlotWindowTest, CopyPutsSvgAndPngOnTheClipboard) {
    const QSize screen = QGuiApplication::primaryScreen()->size();
    window_.CopyToClipboardClick();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat("image/svg+xml") && data->hasFormat("image/png"));
    const QByteArray svg = data->data("image/svg+xml");
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                 .arg(screen.width())
                                 .arg(screen.height())
                                 .toLatin1()));
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
