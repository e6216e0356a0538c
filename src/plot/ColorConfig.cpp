#include "plot/ColorConfig.h"

#include <algorithm>

#include "base/FileLock.h"
#include "base/IniFile.h"

namespace trevasc::plot {

namespace {

constexpr const char* kPlotColors = "PlotColors";
constexpr const char* kPeakColors = "PeakColors";

// Colours are 32-bit values; anything outside the 32-bit range is unreadable.
TColor ReadColor(const IniFile& ini, const char* section, const char* key, TColor def) {
    const long long v = ini.ReadInteger(section, key, static_cast<long long>(def));
    if (v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) return def;
    return static_cast<TColor>(static_cast<uint32_t>(v));
}

}  // namespace

TColorConfig ReadColorConfig(const std::string& path) {
    IniFile ini(path);
    TColorConfig c;
    c.MainPlot = ReadColor(ini, kPlotColors, "MainPlot", c.MainPlot);
    c.SlopePlot = ReadColor(ini, kPlotColors, "SlopePlot", c.SlopePlot);
    c.Peak = ReadColor(ini, kPeakColors, "Peak", c.Peak);
    c.HiLitPeak = ReadColor(ini, kPeakColors, "HiLitPeak", c.HiLitPeak);
    c.SubstratePeak = ReadColor(ini, kPeakColors, "SubstratePeak", c.SubstratePeak);
    c.AdditionalPeak = ReadColor(ini, kPeakColors, "AdditionalPeak", c.AdditionalPeak);
    c.StrucSimPeak = ReadColor(ini, kPeakColors, "StrucSimPeak", c.StrucSimPeak);
    long long count = ini.ReadInteger(kPlotColors, "AdditionalColorCount", 0);
    count = std::clamp<long long>(count, 0, kMaxAdditionalColors);
    c.AdditionalColors.resize(static_cast<size_t>(count));
    for (int i = 0; i < c.AdditionalColorCount(); ++i) {
        const std::string key = "AdditionalColor" + std::to_string(i);
        c.AdditionalColors[i] = ReadColor(ini, kPlotColors, key.c_str(), kDefaultAdditionalColor);
    }
    return c;
}

void WriteColorConfig(const std::string& path, const TColorConfig& c) {
    const FileLock lock(path);
    IniFile ini(path);
    // Rewritten from scratch so that the keys stand in the documented order and no stale
    // AdditionalColorN of a longer list survives.
    ini.EraseSection(kPlotColors);
    ini.EraseSection(kPeakColors);
    ini.WriteInteger(kPlotColors, "MainPlot", c.MainPlot);
    ini.WriteInteger(kPlotColors, "SlopePlot", c.SlopePlot);
    ini.WriteInteger(kPeakColors, "Peak", c.Peak);
    ini.WriteInteger(kPeakColors, "HiLitPeak", c.HiLitPeak);
    ini.WriteInteger(kPeakColors, "SubstratePeak", c.SubstratePeak);
    ini.WriteInteger(kPeakColors, "AdditionalPeak", c.AdditionalPeak);
    ini.WriteInteger(kPeakColors, "StrucSimPeak", c.StrucSimPeak);
    const int count =
        std::clamp<int>(c.AdditionalColorCount(), 0, static_cast<int>(c.AdditionalColors.size()));
    ini.WriteInteger(kPlotColors, "AdditionalColorCount", count);
    for (int i = 0; i < count; ++i)
        ini.WriteInteger(kPlotColors, "AdditionalColor" + std::to_string(i), c.AdditionalColors[i]);
    ini.Save();
}

TRandomColorSource MakeRandomColorSource(std::mt19937& engine) {
    return [&engine]() {
        std::uniform_int_distribution<uint32_t> dist(0, 0xFFFFFE);
        return static_cast<TColor>(dist(engine));
    };
}

void EnsureAdditionalColors(TColorConfig& c, int needed, const TRandomColorSource& random) {
    while (c.AdditionalColorCount() < needed) c.AdditionalColors.push_back(random() % 0xFFFFFF);
}

TColor AdditionalColorOf(const TColorConfig& c, int i, TColor missing) {
    if (i < 0 || i >= c.AdditionalColorCount() || i >= static_cast<int>(c.AdditionalColors.size()))
        return missing;
    return c.AdditionalColors[static_cast<size_t>(i)];
}

}  // namespace trevasc::plot
