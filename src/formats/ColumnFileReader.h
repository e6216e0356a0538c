#pragma once
// Column files (XY, XYE, CSV): two or three numeric columns, position, intensity and an
// uncertainty that is not used. The reader is declared in ScanFileReader.h (ReadColumnText).
#include <string>
#include <string_view>
#include <vector>

#include "core/ScanData.h"
#include "formats/ScanFileReader.h"

namespace trevasc::formats {

// True when the first line that is neither blank nor a comment ("#" or ";"), or the one after a
// single line of column titles, holds only numbers: such a file is read, or refused with the
// line at fault, by the column reader.
bool IsColumnText(std::string_view content);

// Intensities of a file that writes them as real numbers, for the whole-number counts of the
// model, with one factor for all scans of the file. Each scan holds its values as read in Values,
// one per point; afterwards Intensity is the value times the factor, rounded, and Values is
// released. Normalised data
// (every value below 1000 and some fractional) are scaled up by a power of ten so that the largest
// keeps 4 significant digits; values beyond the 32-bit range are scaled down by powers of ten as
// the two-column reader does. Returns the message that names the factor, empty when the factor
// is 1.
std::string ScaleToCounts(std::vector<TParsedScan>& scans);

// "The intensities are fractional (normalised data); they were multiplied by <f> to keep 4
// significant digits in whole counts."
std::string NormalisedScaleMessage(double factor);

}  // namespace trevasc::formats
