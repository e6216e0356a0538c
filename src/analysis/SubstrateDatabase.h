#pragma once
// The substrate database (substrates.ini): one section per material, one key per expected
// reflection (name = 2Theta in degrees), and the special keys "ALLOWED" and "LATTICE" that fill
// the fields of the "Additional reflections" tab. Also the identification of peaks by expected
// positions and the least-squares choice of the best-fitting material.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ScanData.h"
#include "formats/ReflectionTable.h"

namespace trevasc::analysis {

struct TExpectedReflection {
    double Position = 0.0;  // 2Theta, degrees
    std::string Name;
    std::string ValueText;  // the value as stored, shown in the list row
};

struct TSubstrateMaterial {
    std::string Name;
    std::vector<TExpectedReflection> Reflections;  // in key order
    std::optional<std::string> Allowed;            // "ALLOWED", as text
    std::optional<double> Lattice;                 // "LATTICE"
    // Values that are no number (blank ones included): "key: message". Their keys are skipped.
    std::vector<std::string> Problems;
};

// Section names of the database in file order (empty for a missing file).
std::vector<std::string> LoadMaterialList(const std::string& iniPath);
// Reads one section; a missing section gives a material without reflections.
TSubstrateMaterial ReadMaterial(const std::string& iniPath, const std::string& section);
// Every section in file order (one read of the file).
std::vector<TSubstrateMaterial> ReadAllMaterials(const std::string& iniPath);

// Row of the "Expected peaks" list: name + ": " + value as stored.
std::string ExpectedRowText(const TExpectedReflection& reflection);

// For each (position, name) in order: the closest peak (strictly closer wins, first of equals)
// within maxDeviation (inclusive) gets the name as description and is unchecked; the list is then
// marked unsaved. A later position may rename a peak named by an earlier one. Returns the rows
// that changed, in the order they were named.
std::vector<int> AutoIdentifyPeaks(TDataSet& mainScan, const std::vector<double>& positions,
                                   const std::vector<std::string>& names, double maxDeviation);

// Least-squares score of a material: for every expected reflection inside [first, last] the
// squared distance to the closest peak (1000 when there is no peak). No score (nullopt) when no
// reflection lies in range: such a material cannot be told from the scan.
std::optional<double> SubstrateScore(const TSubstrateMaterial& material,
                                     const std::vector<double>& peakPositions, double first,
                                     double last);

struct TAutoSelectResult {
    // Index of the chosen material; -1 when no material has a reflection in range (or the list
    // is empty, or the search was cancelled).
    int Best = -1;
    std::vector<std::optional<double>> Scores;  // per material; nullopt: no reflection in range
    bool Cancelled = false;
    // "ALLOWED" / "LATTICE" of the last material read that had them: the fields end with these
    // values unless the chosen material has its own.
    std::optional<std::string> LastAllowed;
    std::optional<double> LastLattice;
};

// Scores every material in order; the smallest score wins, the first of equal scores. A material
// without a reflection in range takes no part. `step(done, total)` is called once per material and
// may return false to cancel.
TAutoSelectResult AutoSelectSubstrate(const std::vector<TSubstrateMaterial>& materials,
                                      const std::vector<double>& peakPositions, double first,
                                      double last,
                                      const std::function<bool(int, int)>& step = nullptr);

// Rows of the JCPDS import list: label + "=" + 2Theta with 3 decimals ("(1 1 1)=28.443");
// reflections without a 2Theta for this wavelength are left out.
std::vector<std::string> JcpdsImportRows(const formats::TReflectionTable& table, double wavelength,
                                         char decimalSeparator = '.');
// Why a material name cannot go into the database ("[", "]", "=", ";" or a control character);
// empty when it can.
std::string MaterialNameProblem(const std::string& name);
// Writes the import rows into section name + " poly" of the database: key = name + the text
// before the first "=", value = the text after it; existing keys are overwritten. The name is
// taken without spaces at its ends. The file is read and replaced atomically under a FileLock.
// Throws TrevascError when the name is empty or refused (MaterialNameProblem), when the database
// exists but cannot be read whole (nothing is written then), or when it cannot be written.
void AddJcpdsMaterial(const std::string& iniPath, const std::string& name,
                      const std::vector<std::string>& rows);

// "Show material from clipboard in spectrum": one expected reflection per table reflection,
// named material + label ("Si(1 1 1)").
std::vector<TExpectedReflection> ClipboardMaterialReflections(
    const formats::TReflectionTable& table, double wavelength, char decimalSeparator = '.');

}  // namespace trevasc::analysis
