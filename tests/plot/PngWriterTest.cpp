#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/Error.h"
#include "plot/PngWriter.h"

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
    EXPECT_EQ(out[3], 0);  // white is transparent
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 4, out.begin() + 8),
              (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 12, out.begin() + 16),
              (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(out[16 + 3], 255);  // black stays opaque
    EXPECT_EQ(out[20 + 3], 0);

    // 32-bit words 0xAARRGGBB give the same file.
    const uint32_t words[6] = {0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00,
                               0xFF0000FF, 0xFF000000, 0xFFFFFFFF};
    EXPECT_EQ(EncodePng(3, 2, words, 12, TPixelLayout::Xrgb32), png);
    EXPECT_THROW(EncodePng(0, 2, rgb, 12, TPixelLayout::Rgb24), TrevascError);
}

TEST(PngWriter, WritesAtomicallyAndReportsFailures) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("trevasc_png_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "a.png").string();
    const uint8_t rgb[3] = {1, 2, 3};
    WritePng(file, 1, 1, rgb, 3, TPixelLayout::Rgb24);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, EncodePng(1, 1, rgb, 3, TPixelLayout::Rgb24));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_THROW(WritePng((dir / "missing" / "b.png").string(), 1, 1, rgb, 3, TPixelLayout::Rgb24),
                 TrevascError);
    std::filesystem::remove_all(dir);
}
