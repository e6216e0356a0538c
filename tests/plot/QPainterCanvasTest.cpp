// Tests that need Qt Gui; compiled only where the plot tests are linked with the Qt canvas.
#if __has_include(<QtGui/QImage>)
#include <gtest/gtest.h>
#include <png.h>

#include <QBuffer>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <random>

#include "QtTestApp.h"
#include "base/Error.h"
#include "plot/CurveDrawing.h"
#include "plot/PngWriter.h"
#include "plot/XrdPlotRenderer.h"
#include "qtcanvas/MapImageExport.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"

using namespace trevasc;
using namespace trevasc::plot;

namespace {

QImage WhiteImage(int w, int h, int dotsPerMeter = 3780) {
    QImage image(w, h, QImage::Format_RGB32);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    return image;
}

QImage DrawCurveImage(const std::vector<TPlotPoint>& pts, const TAxisMapping& m, int penWidth,
                      TCurveMode mode) {
    QImage image = WhiteImage(800, 500);
    QPainter painter(&image);
    QPainterCanvas canvas(painter);
    canvas.SetPenWidth(penWidth);
    canvas.SetPenColor(0x000000);
    DrawCurve(canvas, m, pts.data(), pts.size(), mode);
    painter.end();
    return image;
}

long CountNonWhite(const QImage& image) {
    long n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) ++n;
    return n;
}

TAxisMapping Mapping(double xMin, double xMax, double yMin, double yMax, bool log) {
    TAxisMapping m;
    m.Left = 20, m.Right = 780, m.Top = 20, m.Bottom = 480;
    m.XMin = xMin, m.XMax = xMax, m.YMin = yMin, m.YMax = yMax, m.LogY = log;
    return m;
}

TPlotDataset SampleDataset() {
    TPlotDataset ds;
    for (int i = 0; i <= 6000; ++i)
        ds.Points.push_back(
            {20 + i * 0.01, 50 + 50000 * std::exp(-std::pow((i - 2500) / 20.0, 2))});
    ds.Title = "XRD Plot: sample";
    ds.XTitle = "TwoTheta";
    ds.LogY = true;
    ds.ViewXMin = ds.FullXMin = 20;
    ds.ViewXMax = ds.FullXMax = 80;
    ds.Highlights = {{45.0, 0x0000FF, "Si (004)", true}};
    return ds;
}

}  // namespace

class QtCanvas : public ::testing::Test {
  protected:
    void SetUp() override { EnsureGuiApplication(); }
};

TEST_F(QtCanvas, DecimatedCurveHasTheSamePixelsAsJoiningEveryPoint) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    struct Case {
        const char* name;
        TAxisMapping m;
        int n;
        std::function<TPlotPoint(int)> point;
    };
    const Case cases[] = {
        {"noisy log counts, zeros and values below the axis", Mapping(10, 90, 0, 5, true), 300000,
         [&](int i) {
             const double y = i % 1013 == 0   ? 0
                              : i % 4999 == 0 ? 0.01
                                              : std::exp(4 + 1.5 * noise(rng));
             return TPlotPoint{5 + i * 90.0 / 299999, y};
         }},
        {"descending, sparse, with a gap", Mapping(0, 10, -50, 50, false), 3000,
         [&](int i) {
             const double y = i == 1500       ? NAN
                              : (i / 100) % 2 ? 40 + noise(rng)
                                              : -40 + 30 * noise(rng);
             return TPlotPoint{12 - i * 14.0 / 2999, y};
         }},
        {"spikes far outside the range", Mapping(0, 1, 0, 10, false), 50000, [&](int i) {
             return TPlotPoint{i / 49999.0,
                               i % 5000 == 0 ? 1e30 * (i % 2 ? 1 : -1) : 5 + noise(rng)};
         }}};
    for (const auto& c : cases) {
        std::vector<TPlotPoint> pts;
        for (int i = 0; i < c.n; ++i) pts.push_back(c.point(i));
        for (int width : {1, 3}) {
            const QImage naive = DrawCurveImage(pts, c.m, width, TCurveMode::JoinEveryPoint);
            EXPECT_GT(CountNonWhite(naive), 1000) << c.name;
            EXPECT_TRUE(naive == DrawCurveImage(pts, c.m, width, TCurveMode::Decimated))
                << c.name << ", pen width " << width;
        }
    }
}

TEST_F(QtCanvas, FontsLinesTextPixelsAndResolution) {
    QImage image = WhiteImage(300, 300);
    QPainter painter(&image);
    QPainterCanvas canvas(painter, ',');
    EXPECT_EQ(canvas.DecimalSeparator(), ',');
    canvas.SetFontName("Arial");
    canvas.SetFontSize(12);
    EXPECT_EQ(QFontInfo(painter.font()).family(), "Liberation Sans");
    EXPECT_EQ(painter.font().pixelSize(), 16);  // 12 pt at 96 dpi
    canvas.SetPenColor(0x000000);
    canvas.MoveTo(10, 10);
    canvas.LineTo(200, 77);
    // Vertical text runs upwards from (x, y) inside x ... x + h, y - w ... y.
    canvas.SetFontColor(0x0000FF);
    const int w = canvas.TextWidth("Counts"), h = canvas.TextHeight("Counts");
    canvas.TextOutVertical(150, 280, "Counts");
    const TColor block[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456};
    canvas.DrawPixels(250, 10, 2, 2, block);
    painter.end();

    // Chart lines are not antialiased: only pure black and white pixels.
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 220; ++x) {
            const QRgb p = image.pixel(x, y);
            ASSERT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << x << "," << y;
        }
    EXPECT_TRUE(image.pixel(10, 10) == qRgb(0, 0, 0) && image.pixel(200, 77) == qRgb(0, 0, 0));
    QRect text;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 240; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) text |= QRect(x, y, 1, 1);
    EXPECT_TRUE(QRect(150, 280 - w, h + 1, w + 1).contains(text));
    EXPECT_GT(text.height() - 1, w / 2);  // the text runs along y
    // Pixel blocks are 0xBBGGRR words, row by row.
    EXPECT_EQ((std::vector<QRgb>{image.pixel(250, 10), image.pixel(251, 10), image.pixel(250, 11),
                                 image.pixel(251, 11)}),
              (std::vector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                 qRgb(0x56, 0x34, 0x12)}));

    // Text measures follow the device resolution (96 / 1152 dpi), as a printer needs.
    QImage low = WhiteImage(10, 10, 3780), high = WhiteImage(10, 10, 3780 * 12);
    QPainter pl(&low), ph(&high);
    QPainterCanvas cl(pl), ch(ph);
    for (QPainterCanvas* c : {&cl, &ch}) c->SetFontName("Arial"), c->SetFontSize(14);
    EXPECT_NEAR(double(ch.TextWidth("0.000000")) / cl.TextWidth("0.000000"), 12.0, 0.8);
    EXPECT_NEAR(double(ch.TextHeight("Äg")) / cl.TextHeight("Äg"), 12.0, 1.0);
}

TEST_F(QtCanvas, PngAndSvgExportsAndImpossibleSizes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.filePath("plot.png").toStdString();
    RenderXrdPlotToPng(SampleDataset(), 1000, 750, file);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, file.c_str()));
    EXPECT_EQ(std::pair(png.width, png.height), std::pair(1000u, 750u));
    EXPECT_TRUE(png.format & PNG_FORMAT_FLAG_ALPHA);  // from the tRNS chunk
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr));
    // The background is white and transparent; the title is black and opaque somewhere.
    EXPECT_EQ(rgba[3], 0);
    bool opaqueBlack = false;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4)
        opaqueBlack |= rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 0 && rgba[i + 3] == 255;
    EXPECT_TRUE(opaqueBlack);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary file left

    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(1000, 700));  // both size and view box, or the picture comes out empty
    svg.setViewBox(QRect(0, 0, 1000, 700));
    QPainter painter(&svg);
    QPainterCanvas canvas(painter);
    canvas.SetFontName("Arial");
    canvas.SetFontSize(14);
    TPlotArea area;
    DrawXrdPlot(canvas, 10, 10, 980, 680, SampleDataset(), area);
    painter.end();
    EXPECT_TRUE(buffer.data().contains("TwoTheta") && buffer.data().contains("Si (004)"));
    EXPECT_GT(area.Right - area.Left, 700);

    EXPECT_THROW(RenderXrdPlotImage(SampleDataset(), 100000, 100000), TrevascError);
    EXPECT_THROW(RenderXrdPlotImage(SampleDataset(), 0, 10), TrevascError);
    // The smallest size the dialog allows draws nothing and does not fail.
    EXPECT_EQ(CountNonWhite(RenderXrdPlotImage(SampleDataset(), 10, 10)), 0);
}

TEST_F(QtCanvas, MapImageHasItsCellsOnTheBackgroundAndABoundedSize) {
    T2dPlotDataset map;
    map.Points = {{0, 0, 1}, {1, 1, 1000}};
    map.ZTitle = "Counts [a.u.]";
    MapImageStyle style;
    style.Background = QColor(240, 240, 240);
    style.FontSize = 10;
    TwoDPlotResult r;
    const QImage image = RenderMapImage(map, TMapScale::Color, 600, 400, style, &r);
    ASSERT_TRUE(r.Drawn);
    EXPECT_EQ(image.size(), QSize(600, 400));
    EXPECT_EQ(image.pixel(0, 0), style.Background.rgb());
    // The top-right cell holds 1000 counts (level 1148, orange), the bottom-left cell 1 (black).
    EXPECT_EQ(image.pixel(r.Area.Right - 1, r.Area.Top), qRgb(255, 127, 0));
    EXPECT_EQ(image.pixel(r.Area.Left, r.Area.Bottom - 1), qRgb(0, 0, 0));
    EXPECT_TRUE(r.Area.Right < 600 && r.Area.Bottom < 400);

    EXPECT_EQ(MapBitmapSize(400, 300), QSize(2400, 1800));
    EXPECT_EQ(MapBitmapSize(1000, 250), QSize(2400, 600));
    EXPECT_EQ(MapBitmapSize(0, 300), QSize(2400, 1800));
    EXPECT_EQ(MapBitmapSize(1, 5000).height(), 24000);  // bounded
    const QImage tiny = RenderMapImage(map, TMapScale::Color, 1, 1, {}, &r);
    EXPECT_FALSE(r.Drawn);
    EXPECT_EQ(tiny.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_ANY_THROW(RenderMapImage(map, TMapScale::Color, 0, 10, {}, &r));
}

#endif
