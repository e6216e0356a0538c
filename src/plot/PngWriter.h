#pragma once
// PNG files of plots: truecolour, 8 bits per channel, non-interlaced, pure white declared
// transparent (tRNS), written atomically.
#include <cstddef>
#include <cstdint>
#include <string>

namespace trevasc::plot {

// Pixel layouts the writer takes.
enum class TPixelLayout {
    Rgb24,   // three bytes per pixel: red, green, blue
    Xrgb32,  // one native 32-bit word per pixel, 0xAARRGGBB, alpha ignored (QImage RGB32)
};

// Encodes the pixels (rows `stride` bytes apart) as a PNG file in memory.
// Throws TrevascError when the size is not positive or encoding fails.
std::string EncodePng(int width, int height, const void* pixels, size_t stride,
                      TPixelLayout layout);

// EncodePng, then written to a temporary file beside the target and renamed over it.
void WritePng(const std::string& fileName, int width, int height, const void* pixels, size_t stride,
              TPixelLayout layout);

}  // namespace trevasc::plot
