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
    EXPECT_EQ(std::pair(img.width, img.height), std::pair(3u, 2u));
    // The file has colour and (through tRNS) alpha.
    EXPECT_TRUE((img.format & PNG_FORMAT_FLAG_COLOR) && (img.format & PNG_FORMAT_FLAG_ALPHA));
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

TEST(PngWriter, KeepsEveryPixelOfALargeNoisyPicture) {
    // A map-like picture: colour levels that change from pixel to pixel (as measured counts do)
    // beside flat areas, wide enough for many compressed blocks.
    const int w = 700, h = 300;
    std::vector<uint32_t> words(static_cast<size_t>(w) * h);
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            words[static_cast<size_t>(y) * w + x] =
                x < w / 2 ? 0xFF000000u | (state >> 8) : (y % 7 == 0 ? 0xFF000000u : 0xFFFFFFFFu);
        }
    const std::string png =
        EncodePng(w, h, words.data(), static_cast<size_t>(w) * 4, TPixelLayout::Xrgb32);
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&img, png.data(), png.size()));
    // RGBA, so that white (transparent through tRNS) keeps its colour rather than being laid
    // over a background.
    img.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> out(PNG_IMAGE_SIZE(img));
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, out.data(), 0, nullptr));
    size_t wrong = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        const uint32_t v = words[i];
        wrong += out[4 * i] != ((v >> 16) & 0xFF) || out[4 * i + 1] != ((v >> 8) & 0xFF) ||
                 out[4 * i + 2] != (v & 0xFF);
    }
    EXPECT_EQ(wrong, 0u);
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
