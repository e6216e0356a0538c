// The XRD Plot window driven offscreen: zoom clicks, marker clicks, add mode, cursors, status
// bar, menus, and the PNG, print and clipboard output.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <numbers>

#include "core/Error.h"
#include "core/ScriptedPrompts.h"
#include "core/TempDir.h"
#include "formats/ScanFileReader.h"
#include "gui/PlotWindow.h"
#include "gui/PngSizeDialog.h"
#include "plot/PlotMapping.h"
#include "plot/XrdPlotRefresh.h"

namespace trevasc {
namespace {

constexpr plot::TColor kMainColor = 0x0000FF;       // red curve, easy to find in images
constexpr plot::TColor kPeakColor = 0xFF0000;       // blue main-peak markers
constexpr plot::TColor kSubstrateColor = 0x008080;  // olive substrate marker

// A synthetic 2Theta scan from 20 to 80 degrees with two peaks, markers on both peaks (main
// scan) and a substrate marker at 65 degrees.
void FillSyntheticScan(plot::TPlotDataset& d) {
    d = plot::TPlotDataset{};
    const int n = 1001;
    for (int i = 0; i < n; ++i) {
        const double x = 20.0 + 60.0 * i / (n - 1);
        const double y = 100.0 + 1e4 * std::exp(-std::pow((x - 35.0) / 0.3, 2)) +
                         3e3 * std::exp(-std::pow((x - 50.0) / 0.3, 2));
        d.Points.push_back({x, y});
        d.SecondaryPoints.push_back({x, 0.0});
    }
    d.Count = n;
    d.Highlights = {{35.0, kPeakColor, "", true},
                    {50.0, kPeakColor, "", true},
                    {65.0, kSubstrateColor, "Si (400)", false}};
    d.HighlightCount = 3;
    d.YTitle = "Counts";
    d.XTitle = "TwoTheta";
    d.MainColor = kMainColor;
    d.LogY = true;
    d.Title = "XRD Plot: synthetic";
    d.FullXMin = d.ViewXMin = 20.0;
    d.FullXMax = d.ViewXMax = 80.0;
}

class PlotWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.resize(800, 600);
        FillSyntheticScan(window_.Dataset());
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
        QTest::mousePress(window_.PaintBox(), button, Qt::NoModifier, QPoint(px, MidRow()));
        QTest::mouseRelease(window_.PaintBox(), button, Qt::NoModifier, QPoint(px, MidRow()));
    }
    void Move(int px) {
        const QPointF local(px, MidRow());
        QMouseEvent event(QEvent::MouseMove, local, window_.PaintBox()->mapToGlobal(local),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window_.PaintBox(), &event);
    }
    Qt::CursorShape Cursor() { return window_.PaintBox()->cursor().shape(); }

    QAction* Action(const QString& text) {
        for (QAction* a : window_.findChildren<QAction*>())
            if (a->text() == text) return a;
        return nullptr;
    }

    PlotWindow window_;
};

TEST_F(PlotWindowTest, WindowLayoutAndPaint) {
    EXPECT_EQ(window_.objectName(), "PlotWindow");
    EXPECT_EQ(window_.windowTitle(), "XRD Plot");
    QWidget* box = window_.findChild<QWidget*>("PaintBox1");
    ASSERT_EQ(box, window_.PaintBox());
    EXPECT_EQ(box->toolTip(), "XRD data plot. Left click twice to zoom. Right click to unzoom.");
    // The mapping of the paint: the displayed range inside the paint box, 3 pixels kept free on
    // the right.
    const plot::TPlotArea& a = window_.Area();
    EXPECT_DOUBLE_EQ(a.XMin, 20.0);
    EXPECT_DOUBLE_EQ(a.XMax, 80.0);
    EXPECT_GT(a.Left, 0);
    EXPECT_LT(a.Right, box->width() - 3);
    EXPECT_GT(a.Top, 0);
    EXPECT_LT(a.Bottom, box->height());
    EXPECT_LT(a.YMax, 6.0);  // log10 units: the axis ends at 10^5 at most for 10^4 counts
    // The red main curve is on the screen.
    const QImage shot = box->grab().toImage();
    const int peakColumn = PixelOf(35.0);
    bool red = false;
    for (int y = a.Top; y <= a.Bottom && !red; ++y)
        for (int x = peakColumn - 3; x <= peakColumn + 3 && !red; ++x)
            red = shot.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(red);
}

TEST_F(PlotWindowTest, ClickOnMainPeakMarkerSelectsItInsteadOfZooming) {
    QSignalSpy selected(&window_, &PlotWindow::peakMarkerClicked);
    QSignalSpy ranges(&window_, &PlotWindow::viewRangeChanged);
    const int px = PixelOf(35.0);
    for (int offset : {-1, 0, 1}) {
        Press(px + offset);
        ASSERT_EQ(selected.count(), 1) << offset;
        EXPECT_DOUBLE_EQ(selected.takeFirst().at(0).toDouble(), 35.0);
        EXPECT_FALSE(window_.ZoomPending());
    }
    // A substrate marker is no peak of the list: the click starts a zoom.
    Press(PixelOf(65.0));
    EXPECT_EQ(selected.count(), 0);
    EXPECT_TRUE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ZoomAnchor(), XOf(PixelOf(65.0)));
    // Further than two pixels from the marker: the second zoom click, not a selection.
    Press(px + 4);
    EXPECT_EQ(selected.count(), 0);
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_EQ(ranges.count(), 1);
}

TEST_F(PlotWindowTest, TwoClicksZoomTheSameRangeInEitherOrder) {
    QSignalSpy ranges(&window_, &PlotWindow::viewRangeChanged);
    const int p1 = PixelOf(25.0), p2 = PixelOf(30.0);
    const double x1 = XOf(p1), x2 = XOf(p2);
    Press(p1);
    EXPECT_TRUE(window_.ZoomPending());
    EXPECT_EQ(ranges.count(), 0);
    Press(p2);
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), x1);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), x2);
    ASSERT_EQ(ranges.count(), 1);
    EXPECT_DOUBLE_EQ(ranges.at(0).at(0).toDouble(), x1);
    EXPECT_DOUBLE_EQ(ranges.at(0).at(1).toDouble(), x2);
    Paint();
    EXPECT_DOUBLE_EQ(window_.Area().XMin, x1);
    EXPECT_DOUBLE_EQ(window_.Area().XMax, x2);

    // Back to the full range, then the same two points right to left.
    Press(10, Qt::RightButton);
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), 20.0);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 80.0);
    Paint();
    Press(p2);
    Press(p1);
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), x1);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), x2);
}

TEST_F(PlotWindowTest, TwoClicksOnOnePixelGiveOnePixelWideRange) {
    const int p = PixelOf(27.0);
    Press(p);
    Press(p);
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), XOf(p));
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), XOf(p + 1));
    EXPECT_LT(window_.ViewXMin(), window_.ViewXMax());

    // At the right end of the area the next pixel maps to the same x: the one to the left.
    Press(10, Qt::RightButton);
    Paint();
    const int right = window_.Area().Right;
    Press(right);
    Press(right);
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), XOf(right - 1));
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 80.0);
}

TEST_F(PlotWindowTest, ClicksOnAMappingWithoutWidthGiveOneDegree) {
    // A scan of one point: every pixel maps to the same x.
    plot::TPlotDataset& d = window_.Dataset();
    d.Count = 1;
    d.Points = {{40.0, 500.0}};
    d.SecondaryPoints = {{40.0, 0.0}};
    d.HighlightCount = 0;
    d.Highlights.clear();
    d.FullXMin = d.FullXMax = 40.0;
    window_.ResetZoom();
    Paint();
    Press(200);
    Press(300);
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), 40.0);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 41.0);
}

TEST_F(PlotWindowTest, AppliedRangeIsOrderedAndDropsPendingClick) {
    Press(PixelOf(30.0));
    window_.SetViewRange(50.0, 30.0);
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), 30.0);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 50.0);
    window_.SetViewRange(40.0, 40.0);
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), 40.0);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 41.0);
    Paint();
    EXPECT_DOUBLE_EQ(window_.Area().XMin, 40.0);
    EXPECT_DOUBLE_EQ(window_.Area().XMax, 41.0);
}

TEST_F(PlotWindowTest, RightClickCancelsPendingClickAndShowsFullRange) {
    Press(PixelOf(25.0));
    Press(PixelOf(45.0));
    Paint();
    ASSERT_NEAR(window_.ViewXMin(), 25.0, 0.1);
    Press(PixelOf(30.0));
    ASSERT_TRUE(window_.ZoomPending());
    QSignalSpy ranges(&window_, &PlotWindow::viewRangeChanged);
    Press(PixelOf(30.0), Qt::RightButton);
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ViewXMin(), 20.0);
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 80.0);
    ASSERT_EQ(ranges.count(), 1);
    EXPECT_DOUBLE_EQ(ranges.at(0).at(1).toDouble(), 80.0);
    // Other buttons do nothing.
    Press(PixelOf(30.0), Qt::MiddleButton);
    EXPECT_FALSE(window_.ZoomPending());
    // A plot refresh drops a pending click but keeps the range.
    Press(PixelOf(30.0));
    window_.RepaintPlot();
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_DOUBLE_EQ(window_.ViewXMax(), 80.0);
}

TEST_F(PlotWindowTest, AddModeClickRequestsPeakAndLeavesAddMode) {
    QSignalSpy added(&window_, &PlotWindow::addPeakRequested);
    QSignalSpy selected(&window_, &PlotWindow::peakMarkerClicked);
    window_.SetAddMode(true);
    EXPECT_EQ(Cursor(), Qt::CrossCursor);
    // On a marker: still an added peak, at the clicked x rather than the marker's.
    const int px = PixelOf(35.0) + 1;
    Press(px);
    ASSERT_EQ(added.count(), 1);
    EXPECT_DOUBLE_EQ(added.at(0).at(0).toDouble(), XOf(px));
    EXPECT_EQ(selected.count(), 0);
    EXPECT_FALSE(window_.AddMode());
    EXPECT_FALSE(window_.ZoomPending());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    // The next click is an ordinary one again.
    Press(px);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(selected.count(), 1);
    // A reset leaves add mode too.
    window_.SetAddMode(true);
    window_.ResetZoom();
    EXPECT_FALSE(window_.AddMode());
}

TEST_F(PlotWindowTest, HandCursorOnlyOverMainPeakMarkers) {
    Move(PixelOf(35.0) + 1);
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor);
    Move(PixelOf(35.0) + 4);
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    Move(PixelOf(65.0));  // substrate marker
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    Move(PixelOf(50.0));
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor);
    Move(PixelOf(42.0));
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    // While a zoom click is pending or in add mode the cursor stays as it is.
    Press(PixelOf(42.0));
    Move(PixelOf(35.0));
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    window_.RepaintPlot();
    window_.SetAddMode(true);
    Move(PixelOf(35.0));
    EXPECT_EQ(Cursor(), Qt::CrossCursor);
}

TEST_F(PlotWindowTest, NothingHappensWithoutPoints) {
    window_.Dataset().Count = 0;
    window_.RepaintPlot();
    QSignalSpy selected(&window_, &PlotWindow::peakMarkerClicked);
    QSignalSpy ranges(&window_, &PlotWindow::viewRangeChanged);
    Press(PixelOf(35.0));
    Press(PixelOf(40.0));
    Press(PixelOf(40.0), Qt::RightButton);
    EXPECT_EQ(selected.count(), 0);
    EXPECT_EQ(ranges.count(), 0);
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

    window_.Dataset().Count = 1001;
    window_.RepaintPlot();
    EXPECT_TRUE(Action("&Print plot as displayed")->isEnabled());
    EXPECT_TRUE(Action("&Copy to clipboard")->isEnabled());
}

TEST_F(PlotWindowTest, StatusBarShowsPositionCountsAndSpacing) {
    window_.SetWavelength(1.54056);
    const int px = PixelOf(44.0);
    Move(px);
    const plot::TWorldPoint w = plot::PixelToWorld(px, MidRow(), window_.Area());
    const QString text = window_.statusBar()->currentMessage();
    EXPECT_TRUE(text.startsWith("TwoTheta = " + QString::number(w.X, 'f', 4)))
        << text.toStdString();
    // Log axis: the counts are 10^y.
    EXPECT_TRUE(text.contains("Counts = " + QString::number(std::llround(std::pow(10.0, w.Y)))))
        << text.toStdString();
    const double d = 1.54056 / (2.0 * std::sin(w.X / 2.0 * std::numbers::pi / 180.0));
    EXPECT_TRUE(text.contains("d = " + QString::number(d, 'f', 5))) << text.toStdString();
    EXPECT_NEAR(d, 2.0569, 0.01);  // 44 degrees with Cu K-alpha1

    // Other scan axes have no d-spacing; a linear axis shows y itself.
    window_.Dataset().XTitle = "Omega";
    window_.Dataset().LogY = false;
    Paint();
    Move(px);
    const plot::TWorldPoint lin = plot::PixelToWorld(px, MidRow(), window_.Area());
    const QString omega = window_.statusBar()->currentMessage();
    EXPECT_TRUE(omega.startsWith("Omega = ")) << omega.toStdString();
    EXPECT_TRUE(omega.contains("Counts = " + QString::number(std::llround(lin.Y))));
    EXPECT_FALSE(omega.contains("d = "));
}

TEST_F(PlotWindowTest, WindowMenuAndClosing) {
    QSignalSpy requests(&window_, &PlotWindow::showWindowRequested);
    Action("Plot &Color Legend")->trigger();
    Action("&Trevasc")->trigger();
    ASSERT_EQ(requests.count(), 2);
    EXPECT_EQ(requests.at(0).at(0).toString(), "Plot &Color Legend");
    EXPECT_EQ(requests.at(1).at(0).toString(), "&Trevasc");
    for (const char* item : {"&Lattice Data Calculation", "&Nelson-Riley Plot", "&2-Axis Plot",
                             "&Reciprocal Space Map", "Film &Thickness Calculation"}) {
        ASSERT_NE(Action(item), nullptr) << item;
        EXPECT_FALSE(Action(item)->isEnabled()) << item;
    }
    window_.SetWindowItemEnabled("&Nelson-Riley Plot", true);
    EXPECT_TRUE(Action("&Nelson-Riley Plot")->isEnabled());

    QSignalSpy closing(&window_, &PlotWindow::windowClosing);
    EXPECT_TRUE(window_.close());
    EXPECT_EQ(closing.count(), 1);
    EXPECT_FALSE(window_.isVisible());
    Action("XRD &Plot")->trigger();
    EXPECT_TRUE(window_.isVisible());
}

TEST_F(PlotWindowTest, DroppedFilesAreHandedOn) {
    QSignalSpy dropped(&window_, &PlotWindow::filesDropped);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a.xrdml"), QUrl("https://example.org/b.xrdml"),
                  QUrl::fromLocalFile("/tmp/c.txt")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_, &drop);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), QStringList({"/tmp/a.xrdml", "/tmp/c.txt"}));

    QMimeData text;
    text.setText("no files");
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(&window_, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

// The colour of a PNG pixel read back, white being transparent.
QColor PixelRgb(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return QColor(c.red(), c.green(), c.blue());
}

TEST_F(PlotWindowTest, SaveAsPngWritesTheChosenSize) {
    test::TempDir dir;
    const QString file = QString::fromStdString(dir.File("plot.png"));
    std::vector<std::string> order;
    window_.PngSizeHook = [&](PngSizeDialog& dialog) {
        order.push_back("size");
        EXPECT_EQ(dialog.ImageWidth(), 1000);  // defaults
        EXPECT_EQ(dialog.ImageHeight(), 750);
        dialog.SetImageSize(640, 480);
        return true;
    };
    window_.SaveFileNameHook = [&] {
        order.push_back("file");
        return file;
    };
    window_.ErrorHook = [](const QString& e) { ADD_FAILURE() << e.toStdString(); };
    window_.SaveAsPngClick();
    EXPECT_EQ(order, (std::vector<std::string>{"size", "file"}));

    QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(640, 480));
    // White is declared transparent; the chart itself is opaque.
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(PixelRgb(image, 0, 0), QColor(Qt::white));
    int red = 0, black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() != 255) continue;
            if (PixelRgb(image, x, y) == QColor(255, 0, 0)) ++red;
            if (PixelRgb(image, x, y) == QColor(0, 0, 0)) ++black;
        }
    EXPECT_GT(red, 300);     // the main curve across the width
    EXPECT_GT(black, 1000);  // frame, ticks and texts
    // The same pixels as the export function draws for that size.
    const QImage direct = window_.RenderPlotImage(640, 480);
    EXPECT_EQ(PixelRgb(image, 320, 240),
              PixelRgb(direct.convertToFormat(QImage::Format_ARGB32), 320, 240));

    // The dialog remembers the size; Cancel in the size dialog asks for no file.
    order.clear();
    window_.PngSizeHook = [&](PngSizeDialog& dialog) {
        order.push_back("size");
        EXPECT_EQ(dialog.ImageWidth(), 640);
        EXPECT_EQ(dialog.ImageHeight(), 480);
        return false;
    };
    window_.SaveAsPngClick();
    EXPECT_EQ(order, (std::vector<std::string>{"size"}));
    // Cancel in the file dialog writes nothing.
    QFile::remove(file);
    window_.PngSizeHook = [](PngSizeDialog&) { return true; };
    window_.SaveFileNameHook = [] { return QString(); };
    window_.SaveAsPngClick();
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(PlotWindowTest, UnwritablePngIsReportedNotCrashed) {
    QStringList errors;
    window_.ErrorHook = [&](const QString& e) { errors << e; };
    window_.PngSizeHook = [](PngSizeDialog&) { return true; };
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
    window_.PrintDialogHook = [&](QPrinter& p) {
        ++dialogs;
        EXPECT_EQ(&p, &printer);
        return false;
    };
    window_.PrintClick();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(QFile::exists(pdf));  // cancelled: nothing printed

    window_.PrintDialogHook = [](QPrinter&) { return true; };
    window_.ErrorHook = [](const QString& e) { ADD_FAILURE() << e.toStdString(); };
    const plot::TPlotArea screen = window_.Area();
    window_.PrintClick();
    EXPECT_EQ(printer.docName(), "XRD plot of file scan.xrdml");
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
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
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasFormat("image/svg+xml"));
    ASSERT_TRUE(data->hasFormat("image/png"));
    const QByteArray svg = data->data("image/svg+xml");
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("<title>XRD Plot</title>"));
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
    {
        QPainter painter(&drawn);
        renderer.render(&painter);
    }
    int red = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) red += drawn.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_GT(red, 300);
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    EXPECT_EQ(png.size(), screen);
    EXPECT_EQ(png.pixelColor(0, 0), QColor(Qt::white));
}

// The real scan through the reader and the plot refresh; set TREVASC_SCREENSHOT_DIR to keep a
// picture of the window.
TEST(PlotWindowRealScan, PaintsAMeasuredScan) {
    ScanRegistry registry;
    test::ScriptedPrompts prompts;
    formats::ReadScanFile(
        std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", true,
        registry, prompts);
    ASSERT_GT(registry.MainScan().Count, 10);
    registry.PlotTitle = "XRD Plot: " + registry.MainScan().Name;
    registry.MainScan().Points = registry.MainScan().RawPoints;  // processing switched off
    const auto& points = registry.MainScan().Points;
    AddPeak(registry.MainScan(), points[points.size() / 2].Position, "", true);

    PlotWindow window;
    window.resize(800, 600);
    plot::TColorConfig colors;
    std::mt19937 engine(1);
    const plot::XrdPlotSettings settings;
    ASSERT_TRUE(plot::RefreshXrdPlot(
        window.Dataset(), registry, settings, colors,
        {{points.front().Position + 0.3, colors.SubstratePeak, "Substrate", false}},
        plot::MakeRandomColorSource(engine)));
    window.show();
    window.ResetZoom();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    const QImage box = window.PaintBox()->grab().toImage();
    const plot::TPlotArea& a = window.Area();
    EXPECT_DOUBLE_EQ(a.XMin, points.front().Position);
    EXPECT_DOUBLE_EQ(a.XMax, points.back().Position);
    EXPECT_GT(a.Right - a.Left, 500);
    // The black main curve inside the frame, and the red marker of the checked peak.
    int curve = 0, marker = 0;
    for (int y = a.Top + 2; y < a.Bottom - 2; ++y)
        for (int x = a.Left + 2; x < a.Right - 2; ++x) {
            const QColor c = box.pixelColor(x, y);
            if (c == QColor(Qt::black)) ++curve;
            if (c == QColor(255, 0, 0)) ++marker;
        }
    EXPECT_GT(curve, a.Right - a.Left);
    EXPECT_GT(marker, (a.Bottom - a.Top) / 2);
    const QByteArray dir = qgetenv("TREVASC_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        const QString folder = QString::fromLocal8Bit(dir);
        shot.save(folder + "/plotwindow.png");
        PlotWindow::WritePlotPng(window.RenderPlotImage(1000, 750), folder + "/plotexport.png");
        QFile svg(folder + "/plotcopy.svg");
        const QByteArray svgData = window.CreatePlotMimeData()->data("image/svg+xml");
        if (svg.open(QIODevice::WriteOnly)) svg.write(svgData);
        QSvgRenderer renderer(svgData);
        QImage drawn(renderer.defaultSize(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();
        drawn.save(folder + "/plotcopy-svg.png");
        window.Printer().setOutputFormat(QPrinter::PdfFormat);
        window.Printer().setOutputFileName(folder + "/plotprint.pdf");
        window.PrintPlot(window.Printer());
    }
}

}  // namespace
}  // namespace trevasc
