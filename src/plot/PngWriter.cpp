#include "plot/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Error.h"

namespace trevasc::plot {

namespace {

struct TWriteTarget {
    std::string* Out;
};

void WriteToString(png_structp png, png_bytep data, png_size_t length) {
    auto* target = static_cast<TWriteTarget*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        target->Out->append(reinterpret_cast<const char*>(data), length);
    } catch (...) {
        failed = true;  // no exception may cross libpng's C frames
    }
    if (failed) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

void ConvertRow(const uint8_t* src, int width, TPixelLayout layout, uint8_t* dst) {
    if (layout == TPixelLayout::Rgb24) {
        std::memcpy(dst, src, static_cast<size_t>(width) * 3);
        return;
    }
    const auto* words = reinterpret_cast<const uint32_t*>(src);
    for (int x = 0; x < width; ++x) {
        const uint32_t v = words[x];
        dst[3 * x] = static_cast<uint8_t>(v >> 16);
        dst[3 * x + 1] = static_cast<uint8_t>(v >> 8);
        dst[3 * x + 2] = static_cast<uint8_t>(v);
    }
}

// libpng reports errors by longjmp; this function owns no object with a destructor between
// setjmp and the jump, so jumping out of libpng is safe. Returns false on a libpng error.
bool EncodeRows(png_structp png, png_infop info, int width, int height, const uint8_t* pixels,
                size_t stride, TPixelLayout layout, uint8_t* row, TWriteTarget* target) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, target, WriteToString, FlushNothing);
    // Without row filters and at zlib level 3, a 1200 x 800 map of an area measurement (counts
    // that change from pixel to pixel) is encoded in half the time of libpng's default (adaptive
    // filters, level 6) and a quarter smaller; smooth maps and charts on white come out about
    // half as large again as with the default, which their size can afford.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color_16 white{};
    white.red = white.green = white.blue = 255;
    png_set_tRNS(png, info, nullptr, 0, &white);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        ConvertRow(pixels + static_cast<size_t>(y) * stride, width, layout, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

std::string EncodePng(int width, int height, const void* pixels, size_t stride,
                      TPixelLayout layout) {
    if (width <= 0 || height <= 0 || pixels == nullptr)
        throw TrevascError("Cannot write a PNG image of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels.");
    std::string out;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    TWriteTarget target{&out};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) throw TrevascError("Cannot create the PNG image.");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw TrevascError("Cannot create the PNG image.");
    }
    const bool ok = EncodeRows(png, info, width, height, static_cast<const uint8_t*>(pixels),
                               stride, layout, row.data(), &target);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw TrevascError("Cannot create the PNG image.");
    return out;
}

void WritePng(const std::string& fileName, int width, int height, const void* pixels, size_t stride,
              TPixelLayout layout) {
    WriteFileAtomic(fileName, EncodePng(width, height, pixels, stride, layout));
}

}  // namespace trevasc::plot
