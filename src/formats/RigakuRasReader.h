#pragma once
// Rigaku RAS text files: "*RAS_DATA_START", then per scan a header of `*KEY "value"` lines
// between "*RAS_HEADER_START" and "*RAS_HEADER_END" and the data between "*RAS_INT_START" and
// "*RAS_INT_END", one "angle intensity attenuator" line per point. The reader is declared in
// ScanFileReader.h (ReadRigakuRasText).
#include <optional>
#include <string_view>

#include "core/ScanData.h"

namespace trevasc::formats {

// True when the first non-empty line is "*RAS_DATA_START" (blanks around it allowed).
bool IsRigakuRasText(std::string_view content);

// The scan kind of a scan axis as the header names it (*MEAS_SCAN_AXIS_X, for example
// "2-Theta", "2-Theta/Omega", "TwoThetaOmega", "Omega", "Phi", "Chi"); nothing for an axis the
// workbench has no kind for (Z, slits, ...).
std::optional<TScanKind> RasScanKind(std::string_view axis);

}  // namespace trevasc::formats
