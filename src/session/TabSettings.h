#pragma once
// The fields of the main window's tabs that a user sets once and expects again at the next start
// (the processing widths, the peak finder's limits, the "Structure" tab), kept in the main INI
// file beside the window positions.
#include <string>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "analysis/StructureSimulation.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc {

struct TabSettings {
    // SmoothWidth, BackgroundWidth and SlopeCount are kept; the two switches start unchecked.
    analysis::ProcessingSettings Processing;
    // The numbers are kept; "Use area bisector" and "In current 2Theta plot range only" start
    // unchecked.
    analysis::PeakSearchSettings PeakSearch;
    analysis::StructureDefinition Structure;
    // "Kα2/Kα1 ratio" (the "Strip Kα2" switch starts unchecked like the others).
    double Kalpha2Ratio = tools::kDefaultKalpha2Ratio;
};

// Sections PROCESSING, PEAKSEARCH and STRUCTURE of the main INI file. An absent key, or one
// whose value is no number of the field's kind (a hand edit; whole numbers for the spin boxes),
// gives the field's default; a number outside the field's range is brought into it, as the
// field itself would.
TabSettings ReadTabSettings(const std::string& mainIniPath);
// Writes the kept fields; other keys of the file stay. Write errors are not reported.
void WriteTabSettings(const std::string& mainIniPath, const TabSettings& settings);

}  // namespace trevasc
