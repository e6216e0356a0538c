#include "session/TabSettings.h"

#include <algorithm>
#include <cmath>

#include "base/IniFile.h"
#include "base/NumberText.h"
#include "core/Configuration.h"

namespace trevasc {

namespace {

constexpr const char* kProcessing = "PROCESSING";
constexpr const char* kPeakSearch = "PEAKSEARCH";
constexpr const char* kStructure = "STRUCTURE";

// The field's default for a missing or unreadable value, the nearest limit for one outside.
int ReadInt(const IniFile& ini, const char* section, const char* key, int def, int min, int max) {
    const std::optional<int32_t> v = TryParseInt(ini.ReadString(section, key, ""));
    return v ? std::clamp<int>(*v, min, max) : def;
}

double ReadFloat(const IniFile& ini, const char* section, const char* key, double def, double min,
                 double max) {
    const std::optional<double> v = TryParseFloat(ini.ReadString(section, key, ""));
    return v ? std::clamp(*v, min, max) : def;
}

// The shortest text that reads back as the same number.
void WriteFloat(IniFile& ini, const char* section, const char* key, double value) {
    ini.WriteString(section, key, FormatShortest(value));
}

struct StructureKeys {
    const char* Length[3] = {"A", "B", "C"};
    const char* Angle[3] = {"ALPHA", "BETA", "GAMMA"};
    const char* Min[3] = {"HMIN", "KMIN", "LMIN"};
    const char* Max[3] = {"HMAX", "KMAX", "LMAX"};
};

double* Lengths(analysis::TLatticeParameters& l, int i) {
    return i == 0 ? &l.A : i == 1 ? &l.B : &l.C;
}
double* Angles(analysis::TLatticeParameters& l, int i) {
    return i == 0 ? &l.Alpha : i == 1 ? &l.Beta : &l.Gamma;
}
analysis::TIndexRange* Range(analysis::StructureDefinition& s, int i) {
    return i == 0 ? &s.H : i == 1 ? &s.K : &s.L;
}

void WriteTabKeys(IniFile& ini, const TabSettings& settings) {
    const auto& p = settings.Processing;
    ini.WriteInteger(kProcessing, "SMOOTHWIDTH", p.SmoothWidth);
    ini.WriteInteger(kProcessing, "BACKGROUNDWIDTH", p.BackgroundWidth);
    ini.WriteInteger(kProcessing, "SLOPESAMPLES", p.SlopeCount);
    WriteFloat(ini, kProcessing, "KALPHA2RATIO", settings.Kalpha2Ratio);
    const auto& q = settings.PeakSearch;
    ini.WriteInteger(kPeakSearch, "MINPEAKHEIGHT", q.MinPeakHeight);
    ini.WriteInteger(kPeakSearch, "MINPEAKSLOPE", q.MinPeakSlope);
    ini.WriteInteger(kPeakSearch, "MINPEAKCURVATURE", q.MinPeakCurvature);
    ini.WriteInteger(kPeakSearch, "BISECTORPERCENTAGE", q.BisectorPercentage);
    WriteFloat(ini, kPeakSearch, "DOUBLEPEAKDISTANCE", q.MinDoublePeakDistance);
    analysis::StructureDefinition t = settings.Structure;
    ini.WriteInteger(kStructure, "SYSTEM", static_cast<int>(t.System));
    const StructureKeys keys;
    for (int i = 0; i < 3; ++i) {
        WriteFloat(ini, kStructure, keys.Length[i], *Lengths(t.Lattice, i));
        WriteFloat(ini, kStructure, keys.Angle[i], *Angles(t.Lattice, i));
        ini.WriteInteger(kStructure, keys.Min[i], Range(t, i)->Min);
        ini.WriteInteger(kStructure, keys.Max[i], Range(t, i)->Max);
    }
}

}  // namespace

TabSettings ReadTabSettings(const std::string& mainIniPath) {
    const IniFile ini(mainIniPath);
    TabSettings s;
    auto& p = s.Processing;
    p.SmoothWidth = ReadInt(ini, kProcessing, "SMOOTHWIDTH", p.SmoothWidth,
                            analysis::kMinSmoothWidth, analysis::kMaxSmoothWidth);
    p.BackgroundWidth = ReadInt(ini, kProcessing, "BACKGROUNDWIDTH", p.BackgroundWidth,
                                analysis::kMinBackgroundWidth, analysis::kMaxBackgroundWidth);
    p.SlopeCount = ReadInt(ini, kProcessing, "SLOPESAMPLES", p.SlopeCount, analysis::kMinSlopeCount,
                           analysis::kMaxSlopeCount);
    s.Kalpha2Ratio = ReadFloat(ini, kProcessing, "KALPHA2RATIO", s.Kalpha2Ratio,
                               tools::kMinKalpha2Ratio, tools::kMaxKalpha2Ratio);

    auto& q = s.PeakSearch;
    q.MinPeakHeight = ReadInt(ini, kPeakSearch, "MINPEAKHEIGHT", q.MinPeakHeight,
                              analysis::kMinPeakHeightLimit, analysis::kMaxPeakHeightLimit);
    q.MinPeakSlope = ReadInt(ini, kPeakSearch, "MINPEAKSLOPE", q.MinPeakSlope,
                             analysis::kMinPeakSlopeLimit, analysis::kMaxPeakSlopeLimit);
    q.MinPeakCurvature = ReadInt(ini, kPeakSearch, "MINPEAKCURVATURE", q.MinPeakCurvature,
                                 analysis::kMinPeakSlopeLimit, analysis::kMaxPeakSlopeLimit);
    q.BisectorPercentage =
        ReadInt(ini, kPeakSearch, "BISECTORPERCENTAGE", q.BisectorPercentage,
                analysis::kMinBisectorPercentage, analysis::kMaxBisectorPercentage);
    q.MinDoublePeakDistance =
        ReadFloat(ini, kPeakSearch, "DOUBLEPEAKDISTANCE", q.MinDoublePeakDistance, 0.0,
                  analysis::kMaxDoublePeakDistance);

    auto& t = s.Structure;
    // The list has no entry past the last system; such a value selects nothing, as at the start.
    const int systems = static_cast<int>(analysis::CrystalSystemNames().size());
    const int system = ReadInt(ini, kStructure, "SYSTEM", -1, -1, systems);
    t.System = static_cast<analysis::TCrystalSystem>(system < systems ? system : -1);
    const StructureKeys keys;
    for (int i = 0; i < 3; ++i) {
        double* length = Lengths(t.Lattice, i);
        *length =
            ReadFloat(ini, kStructure, keys.Length[i], *length, 0.0, analysis::kMaxLatticeLength);
        double* angle = Angles(t.Lattice, i);
        *angle = ReadFloat(ini, kStructure, keys.Angle[i], *angle, 0.0, analysis::kMaxLatticeAngle);
        analysis::TIndexRange* range = Range(t, i);
        range->Min = ReadInt(ini, kStructure, keys.Min[i], range->Min, analysis::kMinIndexLimit,
                             analysis::kMaxMinIndexLimit);
        range->Max = ReadInt(ini, kStructure, keys.Max[i], range->Max, analysis::kMinMaxIndexLimit,
                             analysis::kMaxIndexLimit);
    }
    return s;
}

// Under the main INI file's lock, as every other write of that file.
void WriteTabSettings(const std::string& mainIniPath, const TabSettings& settings) {
    UpdateMainIni(mainIniPath, [&](IniFile& ini) { WriteTabKeys(ini, settings); });
}

}  // namespace trevasc
