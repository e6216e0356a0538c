#include "analysis/SubstrateDatabase.h"

#include <cmath>

#include "base/Error.h"
#include "base/FileLock.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "core/XrayLines.h"

namespace trevasc::analysis {

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

TSubstrateMaterial ReadSection(const IniFile& ini, const std::string& section) {
    TSubstrateMaterial m;
    m.Name = section;
    for (const std::string& key : ini.Keys(section)) {
        const std::string value = ini.ReadString(section, key, "0");
        if (EqualsNoCase(key, "ALLOWED")) {
            m.Allowed = value;
            continue;
        }
        const std::optional<double> number = TryParseFloat(value);
        if (!number) {
            m.Problems.push_back(key + ": " + FloatConversionMessage(Trim(value)));
            continue;
        }
        if (EqualsNoCase(key, "LATTICE"))
            m.Lattice = *number;
        else
            m.Reflections.push_back({*number, key, value});
    }
    return m;
}

// A key that a hand-edited file holds twice is listed twice, each time with the value of its
// first occurrence, as the Windows profile functions read such a file.
constexpr auto kRepeatedKeys = IniFile::RepeatedKeys::KeepEach;

}  // namespace

std::vector<std::string> LoadMaterialList(const std::string& iniPath) {
    return IniFile(iniPath, kRepeatedKeys).Sections();
}

TSubstrateMaterial ReadMaterial(const std::string& iniPath, const std::string& section) {
    return ReadSection(IniFile(iniPath, kRepeatedKeys), section);
}

std::vector<TSubstrateMaterial> ReadAllMaterials(const std::string& iniPath) {
    const IniFile ini(iniPath, kRepeatedKeys);
    std::vector<TSubstrateMaterial> all;
    for (const std::string& section : ini.Sections()) all.push_back(ReadSection(ini, section));
    return all;
}

std::string ExpectedRowText(const TExpectedReflection& reflection) {
    return reflection.Name + ": " + reflection.ValueText;
}

std::vector<int> AutoIdentifyPeaks(TDataSet& mainScan, const std::vector<double>& positions,
                                   const std::vector<std::string>& names, double maxDeviation) {
    std::vector<int> changed;
    std::vector<TPeak>& peaks = mainScan.Peaks.Items;
    for (size_t j = 0; j < positions.size() && j < names.size(); ++j) {
        double best = maxDeviation + 1.0;
        int found = -1;
        for (size_t i = 0; i < peaks.size(); ++i) {
            const double distance = std::fabs(positions[j] - peaks[i].Position);
            if (distance < best) {
                best = distance;
                found = static_cast<int>(i);
            }
        }
        if (found < 0 || best > maxDeviation) continue;
        TPeak& p = peaks[static_cast<size_t>(found)];
        p.Description = names[j];
        p.Checked = false;
        mainScan.Peaks.Unsaved = true;
        changed.push_back(found);
    }
    return changed;
}

std::optional<double> SubstrateScore(const TSubstrateMaterial& material,
                                     const std::vector<double>& peakPositions, double first,
                                     double last) {
    double score = 0.0;
    bool inRange = false;
    for (const TExpectedReflection& r : material.Reflections) {
        if (!(first <= r.Position && r.Position <= last)) continue;
        inRange = true;
        double d = 1000.0;
        for (double p : peakPositions) d = std::min(d, std::fabs(r.Position - p));
        score += d * d;
    }
    // Without a reflection in range the sum would be 0, the best possible score, and a material
    // the scan says nothing about would win.
    if (!inRange) return std::nullopt;
    return score;
}

TAutoSelectResult AutoSelectSubstrate(const std::vector<TSubstrateMaterial>& materials,
                                      const std::vector<double>& peakPositions, double first,
                                      double last, const std::function<bool(int, int)>& step) {
    TAutoSelectResult result;
    double bestScore = 1e300;
    const int total = static_cast<int>(materials.size());
    for (int i = 0; i < total; ++i) {
        if (step && !step(i, total)) {
            result.Cancelled = true;
            result.Best = -1;
            return result;
        }
        const TSubstrateMaterial& m = materials[static_cast<size_t>(i)];
        if (m.Allowed) result.LastAllowed = m.Allowed;
        if (m.Lattice) result.LastLattice = m.Lattice;
        const std::optional<double> score = SubstrateScore(m, peakPositions, first, last);
        result.Scores.push_back(score);
        if (score && *score < bestScore) {
            bestScore = *score;
            result.Best = i;
        }
    }
    if (step) step(total, total);
    return result;
}

std::vector<std::string> JcpdsImportRows(const formats::TReflectionTable& table, double wavelength,
                                         char decimalSeparator) {
    std::vector<std::string> rows;
    for (const formats::TTableReflection& r : table.Reflections)
        if (const std::optional<double> t = BraggTwoTheta(r.D, wavelength))
            rows.push_back(r.Label + "=" + FormatFixed(*t, 3, decimalSeparator));
    return rows;
}

std::string MaterialNameProblem(const std::string& name) {
    // "[" and "]" would close the section early or open another, "=" would split a key, ";"
    // would turn the reflections into comments, a line break would start lines of its own.
    for (const char c : name)
        if (c == '[' || c == ']' || c == '=' || c == ';' || static_cast<unsigned char>(c) < 0x20 ||
            c == 0x7F)
            return "The material name must not hold \"[\", \"]\", \"=\", \";\", a line break or "
                   "another control character: the substrate database could not keep it.";
    return "";
}

void AddJcpdsMaterial(const std::string& iniPath, const std::string& name,
                      const std::vector<std::string>& rows) {
    const std::string trimmed(Trim(name));
    if (trimmed.empty()) throw TrevascError("Please enter a name for the material.");
    if (const std::string why = MaterialNameProblem(trimmed); !why.empty()) throw TrevascError(why);
    // Another import running at the same time must not write back the file as it read it
    // before this one's material was added.
    const FileLock lock(iniPath);
    // Repeated keys of other materials are written back as they stand.
    IniFile ini(iniPath, kRepeatedKeys);
    // A database that cannot be read whole would lose what was not read.
    if (!ini.Problem().empty()) throw TrevascError(ini.Problem());
    const std::string section = trimmed + " poly";
    for (const std::string& row : rows) {
        const size_t eq = row.find('=');
        if (eq == std::string::npos) continue;
        ini.WriteString(section, trimmed + row.substr(0, eq), row.substr(eq + 1));
    }
    ini.Save();
}

std::vector<TExpectedReflection> ClipboardMaterialReflections(
    const formats::TReflectionTable& table, double wavelength, char decimalSeparator) {
    std::vector<TExpectedReflection> list;
    for (const formats::TTableReflection& r : table.Reflections)
        if (const std::optional<double> t = BraggTwoTheta(r.D, wavelength))
            list.push_back({*t, table.Material + r.Label, FormatFixed(*t, 3, decimalSeparator)});
    return list;
}

}  // namespace trevasc::analysis
