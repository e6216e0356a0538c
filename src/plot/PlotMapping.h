#pragma once
// World <-> pixel mapping of the plot engine.
#include <cstdint>

#include "plot/PlotTypes.h"

namespace trevasc::plot {

struct TWorldPoint {
    double X = 0.0;
    double Y = 0.0;  // log10 units on a logarithmic axis
};

// Pixel to data coordinates: pixels outside the area give the range ends. An area without
// width or height gives XMin / YMin for that direction instead of dividing by zero.
TWorldPoint PixelToWorld(int32_t px, int32_t py, const TPlotArea& area);

// Coordinates further out than this are drawn at this distance (no coordinate overflow for
// values far outside the range, e.g. an overlay of 1E300 counts on a small axis).
inline constexpr int32_t kPixelLimit = 1 << 20;

// Round half to even of the current rounding mode, clamped to +-kPixelLimit (NaN: -limit).
inline int32_t RoundToPixel(double value) {
    if (!(value > -kPixelLimit)) return -kPixelLimit;
    if (!(value < kPixelLimit)) return kPixelLimit;
    // Adding and subtracting 1.5 * 2^52 rounds with the FPU's mode (halves to even) like
    // nearbyint, but inline: this runs once per point of a million-point curve.
    // Without -ffast-math the compiler keeps both operations (IEEE semantics).
    constexpr double kShift = 6755399441055744.0;
    return static_cast<int32_t>((value + kShift) - kShift);
}

// The mapping one drawing uses: pixel rectangle, data ranges and the log flag of the y axis.
struct TAxisMapping {
    int32_t Left = 0, Right = 0, Top = 0, Bottom = 0;
    double XMin = 0.0, XMax = 1.0;
    double YMin = 0.0, YMax = 1.0;  // log10 units when LogY
    bool LogY = false;
    bool XDescending = false;  // XMax at Left, XMin at Right

    // px = Left + Round((x - XMin) * (Right - Left) / (XMax - XMin)); on a descending axis the
    // same offset counts from Right leftwards.
    int32_t XToPixel(double x) const {
        const int32_t offset =
            RoundToPixel((x - XMin) * static_cast<double>(Right - Left) / (XMax - XMin));
        return XDescending ? Right - offset : Left + offset;
    }
    // The x value of pixel column px (the inverse of XToPixel before rounding).
    double PixelToX(int32_t px) const {
        const double f = static_cast<double>(px - Left) / static_cast<double>(Right - Left);
        return XDescending ? XMax - (XMax - XMin) * f : XMin + (XMax - XMin) * f;
    }
    // py = Bottom - Round((v - YMin) * (Bottom - Top) / (YMax - YMin)), v = y or log10(y);
    // on a log axis y <= 0 lies on the bottom edge.
    int32_t YToPixel(double y) const;
    // Row of a value already in axis units (ticks of a log axis are in decades).
    int32_t AxisValueToPixel(double v) const {
        return Bottom -
               RoundToPixel((v - YMin) * static_cast<double>(Bottom - Top) / (YMax - YMin));
    }
    // Both ranges have positive, finite width and the rectangle is not empty.
    bool Drawable() const;
};

}  // namespace trevasc::plot
