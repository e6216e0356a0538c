// The legend window: the rows it draws and the picture it copies.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QMimeData>
#include <QTest>

#include "gui/LegendWindow.h"

namespace trevasc {
namespace {

void AddScan(TDataSet& scan, const std::string& name) {
    scan.SetRawPoints({{10.0, 5}, {11.0, 7}});
    scan.Name = name;
}

// Font line height of "Arial" at `points` on a device of `dpi`, as the canvas measures it.
int LineHeight(int points, int dpi) {
    QFont font("Arial");
    font.setPixelSize(static_cast<int>(std::lround(points * dpi / 72.0)));
    return QFontMetrics(font).height();
}

class LegendWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AddScan(registry_.MainScan(), "Main scan");
        AddScan(registry_.AppendAdditionalScan(), "Overlay one");
        AddScan(registry_.AppendAdditionalScan(), "Overlay two");
        colors_.MainPlot = 0x0000FF;            // red
        colors_.SlopePlot = 0x008000;           // green
        colors_.AdditionalColors = {0xFF0000};  // blue; the second overlay has none
        colors_.AdditionalColorCount = 1;
    }

    // The colours found on the middle line of each row, left of the text.
    std::vector<QColor> RowLineColors() {
        QApplication::processEvents();  // the paint box takes its height after a paint
        QApplication::processEvents();
        QWidget* box = window_.PaintBox();
        const QImage image = box->grab().toImage();
        const int rows = static_cast<int>(window_.Rows().size());
        const int h = box->height() / rows;
        std::vector<QColor> colors;
        for (int k = 0; k < rows; ++k) {
            const int y = k * h + h / 2;
            // The line runs from a to 5a; its middle, 3a, lies near 3 * (width of "A").
            QColor found;
            for (int x = 1; x <= 30 && !found.isValid(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c != box->palette().color(QPalette::Button) && image.pixelColor(x + 4, y) == c)
                    found = c;
            }
            colors.push_back(found);
        }
        return colors;
    }

    ScanRegistry registry_;
    plot::TColorConfig colors_;
    LegendWindow window_;
};

TEST_F(LegendWindowTest, OneRowPerScanAndTheSlopeBelowTheMainScan) {
    EXPECT_EQ(window_.objectName(), "LegendWindow");
    EXPECT_EQ(window_.windowTitle(), "Legende");
    window_.SetContent(registry_, colors_, false);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    ASSERT_EQ(window_.Rows().size(), 3u);
    EXPECT_EQ(window_.Rows()[0].Text, "Main scan");
    EXPECT_EQ(window_.Rows()[1].Text, "Overlay one");
    EXPECT_EQ(window_.Rows()[2].Text, "Overlay two");
    const QColor face = window_.palette().color(QPalette::Button);
    std::vector<QColor> lines = RowLineColors();
    EXPECT_EQ(window_.PaintBox()->height(), 3 * LineHeight(9, window_.PaintBox()->logicalDpiY()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], QColor(255, 0, 0));
    EXPECT_EQ(lines[1], QColor(0, 0, 255));
    // An overlay without a colour of its own is drawn in the background colour: no line.
    EXPECT_FALSE(lines[2].isValid());
    EXPECT_EQ(window_.Rows()[2].Color, plot::RGBColor(face.red(), face.green(), face.blue()));

    window_.SetContent(registry_, colors_, true);
    ASSERT_EQ(window_.Rows().size(), 4u);
    EXPECT_EQ(window_.Rows()[1].Text, "Slope of Main scan");
    lines = RowLineColors();
    EXPECT_EQ(window_.PaintBox()->height(), 4 * LineHeight(9, window_.PaintBox()->logicalDpiY()));
    EXPECT_EQ(lines[0], QColor(255, 0, 0));
    EXPECT_EQ(lines[1], QColor(0, 128, 0));
    EXPECT_EQ(lines[2], QColor(0, 0, 255));

    const QByteArray dir = qgetenv("TREVASC_SCREENSHOT_DIR");
    if (!dir.isEmpty()) window_.grab().save(QString::fromLocal8Bit(dir) + "/legendwindow.png");
}

TEST_F(LegendWindowTest, NoMainScanHidesTheWindowAndCopiesNothing) {
    window_.SetContent(registry_, colors_, false);
    window_.show();
    registry_.MainScan().ClearPoints();
    window_.SetContent(registry_, colors_, true);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_TRUE(window_.Rows().empty());
    EXPECT_EQ(window_.CreateLegendMimeData(), nullptr);
}

TEST_F(LegendWindowTest, CopyGivesSvgAndBitmapOfTheRows) {
    window_.SetContent(registry_, colors_, true);
    QAction* copy = nullptr;
    for (QAction* a : window_.findChildren<QAction*>())
        if (a->text() == "&Copy") copy = a;
    ASSERT_NE(copy, nullptr);
    copy->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray svg = data->data("image/svg+xml");
    for (const char* text : {"Main scan", "Slope of Main scan", "Overlay one", "Overlay two"})
        EXPECT_TRUE(svg.contains(text)) << text;
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    // Four rows of the 10 pt font at 96 dpi.
    EXPECT_EQ(png.height(), 4 * LineHeight(10, 96));
    const int h = LineHeight(10, 96);
    bool red = false, green = false;
    for (int x = 0; x < png.width() / 2; ++x) {
        red = red || png.pixelColor(x, h / 2) == QColor(255, 0, 0);
        green = green || png.pixelColor(x, h + h / 2) == QColor(0, 128, 0);
    }
    EXPECT_TRUE(red);
    EXPECT_TRUE(green);
}

}  // namespace
}  // namespace trevasc
