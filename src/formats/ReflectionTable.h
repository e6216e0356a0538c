#pragma once
// The fixed-column reflection table that users copy from a powder diffraction card to the
// clipboard: the material on the line ending in "7", up to three reflections (d, h, k, l) on each
// line ending in "I".
#include <string>
#include <string_view>
#include <vector>

namespace trevasc::formats {

struct TTableReflection {
    double D = 0.0;  // lattice plane spacing, Angstrom
    int H = 0, K = 0, L = 0;
    std::string Label;  // "(1 1 1)"
};

struct TReflectionTable {
    std::string Material;  // first 40 characters of the "7" line, trimmed, blanks removed
    std::vector<TTableReflection> Reflections;
    // The conversion message of the field that stopped the parsing (empty: read to the end).
    // The reflections read before it are kept.
    std::string Error;
};

// Parses the table. A d field of 0 is skipped; a field that does not convert (a blank one too)
// ends the parsing with the conversion message. "." or the user's separator is the decimal mark.
TReflectionTable ParseReflectionTable(std::string_view text);

}  // namespace trevasc::formats
