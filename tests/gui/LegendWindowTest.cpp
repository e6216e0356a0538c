// The legend window: the rows it draws and the picture it copies.
#include <QFont>
#include <QFontMetrics>

#include "GuiTestSupport.h"
#include "gui/plot/LegendWindow.h"

namespace trevasc {
namespace {

// Font line height of "Arial" at `points` on a device of `dpi`, as the canvas measures it.
int LineHeight(int points, int dpi) {
    QFont font("Arial");
    font.setPixelSize(static_cast<int>(std::lround(points * dpi / 72.0)));
    return QFontMetrics(font).height();
}

class LegendWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto fill = [](TDataSet& scan, const char* name) {
            scan.SetRawPoints({{10.0, 5}, {11.0, 7}});
            scan.Name = name;
        };
        fill(registry_.MainScan(), "Main scan");
        fill(registry_.AppendAdditionalScan(), "Overlay one");
        fill(registry_.AppendAdditionalScan(), "Overlay two");
        colors_.MainPlot = 0x0000FF;            // red
        colors_.SlopePlot = 0x008000;           // green
        colors_.AdditionalColors = {0xFF0000};  // blue; the second overlay has none
    }

    ScanRegistry registry_;
    plot::TColorConfig colors_;
    LegendWindow window_;
};

// Which rows there are is the legend logic's; the window adds the background colour for an
// overlay without one, and hides without a main scan.
TEST_F(LegendWindowTest, OverlayWithoutColourTakesTheFaceAndNoMainScanHidesTheWindow) {
    window_.SetContent(registry_, colors_, false);
    window_.show();
    ASSERT_EQ(window_.Rows().size(), 3u);
    const QColor face = window_.palette().color(QPalette::Button);
    EXPECT_EQ(window_.Rows()[2].Color, plot::RGBColor(face.red(), face.green(), face.blue()));
    registry_.MainScan().ClearPoints();
    window_.SetContent(registry_, colors_, true);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_EQ(window_.CreateLegendMimeData(), nullptr);
}

TEST_F(LegendWindowTest, CopyGivesSvgAndBitmapOfTheRows) {
    window_.SetContent(registry_, colors_, true);
    test::FindAction(window_, "&Copy")->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray svg = data->data("image/svg+xml");
    for (const char* text : {"Main scan", "Slope of Main scan", "Overlay one", "Overlay two"})
        EXPECT_TRUE(svg.contains(text)) << text;
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    // Four rows of the 10 pt font at 96 dpi: the red main row, then the green slope row.
    const int h = LineHeight(10, 96);
    EXPECT_EQ(png.height(), 4 * h);
    EXPECT_GT(test::CountPixels(png, QColor(255, 0, 0), QRect(0, 0, png.width() / 2, h)), 0);
    EXPECT_GT(test::CountPixels(png, QColor(0, 128, 0), QRect(0, h, png.width() / 2, h)), 0);
}

}  // namespace
}  // namespace trevasc
