#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "base/Error.h"
#include "plot/PngWriter.h"
#include "support/TempDir.h"

using namespace trevasc;
using namespace trevasc::plot;

TEST(PngWriter, EncodesTruecolourWithTransparentWhite) {
    // 3 x 2: white, red, green / blue, black, white; rows padded to 12 bytes.
    const uint8_t rgb[24] = {255, 255, 255, 255, 0, 0, 0,   255, 0,   0, 0, 0,
                             0,   0,   255, 0,   0, 0, 255, 255, 255, 0, 0, 0};
    const std::string png = EncodePng(3, 2, rgb, 12, TPixelLayout::Rgb24);
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&img, png.data(), png.size()));
    EXPECT_EQ(img.width, 3u);
    EXPECT_EQ(img.height, 2u);
    // The file has colour and (through tRNS) alpha.
    EXPECT_TRUE(img.format & PNG_FORMAT_FLAG_COLOR);
    EXPECT_TRUE(img.format & PNG_FORMAT_FLAG_ALPHA);
    img.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> out(PNG_IMAGE_SIZE(img));
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, out.data(), 0, nullptr));
    // White is transparent; every other colour (black too) is kept and opaque.
    EXPECT_EQ(out, (std::vector<uint8_t>{255, 255, 255, 0,   255, 0, 0, 255, 0,   255, 0,   255,
                                         0,   0,   255, 255, 0,   0, 0, 255, 255, 255, 255, 0}));
    // 32-bit words 0xAARRGGBB give the same file.
    const uint32_t words[6] = {0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00,
                               0xFF0000FF, 0xFF000000, 0xFFFFFFFF};
    EXPECT_EQ(EncodePng(3, 2, words, 12, TPixelLayout::Xrgb32), png);
    EXPECT_THROW(EncodePng(0, 2, rgb, 12, TPixelLayout::Rgb24), TrevascError);
}

TEST(PngWriter, WritesAtomicallyAndReportsFailures) {
    test::TempDir dir;
    const uint8_t rgb[3] = {1, 2, 3};
    WritePng(dir.File("a.png"), 1, 1, rgb, 3, TPixelLayout::Rgb24);
    EXPECT_EQ(dir.Read("a.png"), EncodePng(1, 1, rgb, 3, TPixelLayout::Rgb24));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_THROW(WritePng(dir.File("missing/b.png"), 1, 1, rgb, 3, TPixelLayout::Rgb24),
                 TrevascError);
}
