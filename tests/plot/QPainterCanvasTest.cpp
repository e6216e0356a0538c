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
#include <fstream>
#include <iterator>
#include <random>

#include "QtTestApp.h"
#include "core/Error.h"
#include "plot/CurveDrawing.h"
#include "plot/PngWriter.h"
#include "plot/XrdPlotRenderer.h"
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
    for (int i = 0; i <= 6000; ++i) {
        const double x = 20 + i * 0.01;
        const double peak = 50000 * std::exp(-std::pow((x - 45) / 0.2, 2));
        ds.Points.push_back({x, 50 + peak + (i % 7)});
    }
    ds.Count = static_cast<int32_t>(ds.Points.size());
    ds.SecondaryPoints = ds.Points;
    ds.Title = "XRD Plot: sample";
    ds.XTitle = "TwoTheta";
    ds.YTitle = "Counts";
    ds.MainColor = 0x000000;
    ds.LogY = true;
    ds.ViewXMin = ds.FullXMin = 20;
    ds.ViewXMax = ds.FullXMax = 80;
    ds.Highlights = {{45.0, 0x0000FF, "Si (004)", true}};
    ds.HighlightCount = 1;
    return ds;
}

std::string ReadAll(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t BigEndian(const std::string& s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
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
        std::vector<TPlotPoint> pts;
        TAxisMapping m;
    };
    std::vector<Case> cases;
    {
        Case c{"sine", {}, Mapping(0, 100, -1.2, 1.2, false)};
        for (int i = 0; i < 200000; ++i) c.pts.push_back({i * 100.0 / 199999, std::sin(i * 1e-3)});
        cases.push_back(std::move(c));
    }
    {
        Case c{"noisy log counts with zeros", {}, Mapping(10, 90, 0, 5, true)};
        for (int i = 0; i < 300000; ++i) {
            double y = std::exp(4 + 1.5 * noise(rng));
            if (i % 1013 == 0) y = 0;
            if (i % 4999 == 0) y = 0.01;  // below the axis
            c.pts.push_back({5 + i * 90.0 / 299999, y});
        }
        cases.push_back(std::move(c));
    }
    {
        Case c{"descending, sparse, with gaps", {}, Mapping(0, 10, -50, 50, false)};
        for (int i = 0; i < 3000; ++i) {
            const double y = (i / 100) % 2 ? 40 + noise(rng) : -40 + 30 * noise(rng);
            c.pts.push_back({12 - i * 14.0 / 2999, y});
        }
        c.pts[1500].Y = NAN;
        cases.push_back(std::move(c));
    }
    {
        Case c{"spikes far outside the range", {}, Mapping(0, 1, 0, 10, false)};
        for (int i = 0; i < 50000; ++i)
            c.pts.push_back(
                {i / 49999.0, i % 5000 == 0 ? 1e30 * (i % 2 ? 1 : -1) : 5 + noise(rng)});
        cases.push_back(std::move(c));
    }
    for (const auto& c : cases) {
        for (int width : {1, 3}) {
            const QImage naive = DrawCurveImage(c.pts, c.m, width, TCurveMode::JoinEveryPoint);
            const QImage fast = DrawCurveImage(c.pts, c.m, width, TCurveMode::Decimated);
            EXPECT_GT(CountNonWhite(naive), 1000) << c.name;
            EXPECT_TRUE(naive == fast) << c.name << ", pen width " << width;
        }
    }
}

TEST_F(QtCanvas, FontsLinesTextAndPixels) {
    QImage image = WhiteImage(300, 300);
    QPainter painter(&image);
    QPainterCanvas canvas(painter, ',');
    EXPECT_EQ(canvas.DecimalSeparator(), ',');
    canvas.SetFontName("Arial");
    canvas.SetFontSize(12);
    EXPECT_EQ(QFontInfo(painter.font()).family(), "Liberation Sans");
    EXPECT_EQ(painter.font().pixelSize(), 16);  // 12 pt at 96 dpi

    // Chart lines are not antialiased: only pure black and white pixels.
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

    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 220; ++x) {
            const QRgb p = image.pixel(x, y);
            EXPECT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << x << "," << y;
        }
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(200, 77), qRgb(0, 0, 0));
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 240; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    EXPECT_GE(minX, 150);
    EXPECT_LE(maxX, 150 + h);
    EXPECT_GE(minY, 280 - w);
    EXPECT_LE(maxY, 280);
    EXPECT_GT(maxY - minY, w / 2);  // the text runs along y
    EXPECT_EQ(image.pixel(250, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(251, 10), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(250, 11), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(251, 11), qRgb(0x56, 0x34, 0x12));
}

TEST_F(QtCanvas, TextMeasurementFollowsTheDeviceResolution) {
    QImage low = WhiteImage(10, 10, 3780), high = WhiteImage(10, 10, 3780 * 12);  // 96 / 1152 dpi
    QPainter pl(&low), ph(&high);
    QPainterCanvas cl(pl), ch(ph);
    for (QPainterCanvas* c : {&cl, &ch}) {
        c->SetFontName("Arial");
        c->SetFontSize(14);
    }
    const double ratio = double(ch.TextWidth("0.000000")) / cl.TextWidth("0.000000");
    EXPECT_NEAR(ratio, 12.0, 0.8);
    EXPECT_NEAR(double(ch.TextHeight("Äg")) / cl.TextHeight("Äg"), 12.0, 1.0);
}

TEST_F(QtCanvas, PlotImageHasFrameCurveAndMarker) {
    QImage image = WhiteImage(800, 600);
    QPainter painter(&image);
    QPainterCanvas canvas(painter);
    canvas.SetFontName("Arial");
    canvas.SetFontSize(14);
    TPlotArea area;
    TPlotDataset ds = SampleDataset();
    DrawXrdPlot(canvas, 10, 10, 780, 580, ds, area);
    painter.end();
    ASSERT_GT(area.Right - area.Left, 500);
    ASSERT_GT(area.Bottom - area.Top, 350);
    // The frame: every pixel of the top and bottom edges is black.
    int black = 0;
    for (int x = area.Left; x <= area.Right; ++x) {
        black += image.pixel(x, area.Top) == qRgb(0, 0, 0);
        black += image.pixel(x, area.Bottom) == qRgb(0, 0, 0);
    }
    EXPECT_GE(black, 2 * (area.Right - area.Left + 1) - 2);
    // The marker line in red below its label, at its true column.
    const int px =
        area.Left + static_cast<int>(std::nearbyint(25.0 * (area.Right - area.Left) / 60));
    int red = 0;
    for (int y = (area.Top + area.Bottom) / 2; y < area.Bottom; ++y)
        red += image.pixel(px, y) == qRgb(255, 0, 0) || image.pixel(px, y) == qRgb(0, 0, 0);
    EXPECT_GE(red, (area.Bottom - area.Top) / 2 - 3);
    // The curve's baseline at about 50 counts on a log axis of 0 ... 5 decades.
    ASSERT_EQ(area.YMin, 0);
    ASSERT_EQ(area.YMax, 5);
    const int row =
        area.Bottom -
        static_cast<int>(std::nearbyint(std::log10(53.0) / 5 * (area.Bottom - area.Top)));
    int dark = 0;
    for (int y = row - 3; y <= row + 3; ++y)
        dark += image.pixel(area.Left + 100, y) == qRgb(0, 0, 0);
    EXPECT_GE(dark, 1);
}

TEST_F(QtCanvas, PngOfThePlotReadsBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.filePath("plot.png").toStdString();
    RenderXrdPlotToPng(SampleDataset(), 1000, 750, file);
    const std::string bytes = ReadAll(file);
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(BigEndian(bytes, 16), 1000u);
    EXPECT_EQ(BigEndian(bytes, 20), 750u);
    EXPECT_EQ(uint8_t(bytes[24]), 8);  // bit depth
    EXPECT_EQ(uint8_t(bytes[25]), 2);  // truecolour
    EXPECT_EQ(uint8_t(bytes[28]), 0);  // not interlaced
    const size_t trns = bytes.find("tRNS");
    ASSERT_NE(trns, std::string::npos);
    EXPECT_EQ(BigEndian(bytes, trns - 4), 6u);
    EXPECT_EQ(bytes.substr(trns + 4, 6), std::string("\0\xff\0\xff\0\xff", 6));

    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, file.c_str()));
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr));
    // The background is white and transparent; the title is black and opaque somewhere.
    EXPECT_EQ(rgba[3], 0);
    bool opaqueBlack = false;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4)
        if (rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 0 && rgba[i + 3] == 255)
            opaqueBlack = true;
    EXPECT_TRUE(opaqueBlack);
    // No temporary file left beside the image.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(QtCanvas, DrawsIntoAnSvgPicture) {
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
    const QByteArray text = buffer.data();
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("TwoTheta"));
    EXPECT_TRUE(text.contains("Si (004)"));
    EXPECT_GT(area.Right - area.Left, 700);
}

TEST_F(QtCanvas, ImpossibleImageSizesAreErrors) {
    EXPECT_THROW(RenderXrdPlotImage(SampleDataset(), 100000, 100000), TrevascError);
    EXPECT_THROW(RenderXrdPlotImage(SampleDataset(), 0, 10), TrevascError);
    // The smallest size the dialog allows draws (almost) nothing and does not fail.
    const QImage tiny = RenderXrdPlotImage(SampleDataset(), 10, 10);
    EXPECT_EQ(CountNonWhite(tiny), 0);
}

#endif
