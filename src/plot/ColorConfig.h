#pragma once
// The colours of the XRD Plot window's curves and markers, kept in colors.ini.
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "plot/PlotTypes.h"

namespace trevasc::plot {

struct TColorConfig {
    TColor Peak = 0xFF0000;                // unchecked main-scan peaks (blue)
    TColor HiLitPeak = 0x0000FF;           // checked main-scan peaks (red)
    TColor SubstratePeak = 0x00FFFF;       // substrate reflections (yellow)
    TColor AdditionalPeak = 0x00FF00;      // additional reflections (lime)
    TColor StrucSimPeak = 0xFFFF00;        // structure simulation (aqua)
    TColor MainPlot = 0x000000;            // main curve and left axis (black)
    TColor SlopePlot = 0x008000;           // slope curve and right axis (green)
    std::vector<TColor> AdditionalColors;  // one per overlay scan, in list order

    int32_t AdditionalColorCount() const { return static_cast<int32_t>(AdditionalColors.size()); }
};

// Colour of an AdditionalColorN key that the file lacks (blue).
inline constexpr TColor kDefaultAdditionalColor = 0xFF0000;
// More overlay colours than this in colors.ini are not taken (a damaged count must not make
// the program allocate gigabytes).
inline constexpr int32_t kMaxAdditionalColors = 65536;

// Reads colors.ini; a missing file, key or unreadable value gives the default. Values may be
// decimal or "$"/"0x" hexadecimal.
TColorConfig ReadColorConfig(const std::string& path);
// Writes the keys in the order MainPlot, SlopePlot, Peak, HiLitPeak, SubstratePeak,
// AdditionalPeak, StrucSimPeak, AdditionalColorCount, AdditionalColor0 ... (decimal values),
// atomically. Throws TrevascError when the file cannot be written.
void WriteColorConfig(const std::string& path, const TColorConfig& config);

// Source of random colour values r, uniform with 0 <= r < 0xFFFFFF (never pure white).
using TRandomColorSource = std::function<TColor()>;
TRandomColorSource MakeRandomColorSource(std::mt19937& engine);

// Lengthens the overlay colour list to at least `needed` entries with random colours, which
// stay in the configuration.
void EnsureAdditionalColors(TColorConfig& config, int needed, const TRandomColorSource& random);

// The colour of overlay scan i (0-based): its configured colour, or `missing` without one.
TColor AdditionalColorOf(const TColorConfig& config, int i, TColor missing);

}  // namespace trevasc::plot
