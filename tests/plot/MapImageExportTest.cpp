#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "qtcanvas/MapImageExport.h"

using namespace trevasc;
using namespace trevasc::plot;

namespace {

T2dPlotDataset TwoPointMap() {
    T2dPlotDataset ds;
    ds.Points = {{0, 0, 1}, {1, 1, 1000}};
    ds.XTitle = "TwoTheta [°]";
    ds.YTitle = "Omega [°]";
    ds.ZTitle = "Counts [a.u.]";
    return ds;
}

QRgb Rgb(TColor c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

}  // namespace

TEST(MapImageExportTest, MapCellsOnTheBackgroundWithLargerYHigher) {
    EnsureGuiApplication();
    MapImageStyle style;
    style.Background = QColor(240, 240, 240);
    style.FontSize = 10;
    TwoDPlotResult r;
    const QImage image = RenderMapImage(TwoPointMap(), TMapScale::Color, 600, 400, style, &r);
    ASSERT_TRUE(r.Drawn);
    EXPECT_EQ(image.size(), QSize(600, 400));
    EXPECT_EQ(image.pixel(0, 0), style.Background.rgb());
    // The top-right cell holds 1000 counts (level 1148), the bottom-left cell 1 count.
    EXPECT_EQ(image.pixel(r.Area.Right - 1, r.Area.Top), Rgb(MapColor(1148, TMapScale::Color)));
    EXPECT_EQ(image.pixel(r.Area.Left, r.Area.Bottom - 1), Rgb(MapColor(0, TMapScale::Color)));
    EXPECT_LT(r.Area.Right, 600);
    EXPECT_LT(r.Area.Bottom, 400);
}

TEST(MapImageExportTest, BitmapSizeAndTinyPictures) {
    EnsureGuiApplication();
    EXPECT_EQ(MapBitmapSize(400, 300), QSize(2400, 1800));
    EXPECT_EQ(MapBitmapSize(1000, 250), QSize(2400, 600));
    EXPECT_EQ(MapBitmapSize(0, 300), QSize(2400, 1800));
    EXPECT_EQ(MapBitmapSize(1, 5000).height(), 24000);  // bounded
    TwoDPlotResult r;
    const QImage tiny = RenderMapImage(TwoPointMap(), TMapScale::Color, 1, 1, {}, &r);
    EXPECT_FALSE(r.Drawn);
    EXPECT_EQ(tiny.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_ANY_THROW(RenderMapImage(TwoPointMap(), TMapScale::Color, 0, 10, {}, &r));
}
