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

// For a text without a single reflection line (a plain list of d and I values, say): the card
// layout the parser reads, so that the user sees what to copy.
extern const std::string kNoReflectionLinesMessage;

// What to say when the table yields no reflection at all (the shown reflections then stay as
// they are): kNoReflectionLinesMessage, or the conversion message that stopped the parsing
// followed by the layout. Empty when the table yields a reflection. `source` names where the
// text came from ("the clipboard", "the file").
std::string NoReflectionsMessage(const TReflectionTable& table,
                                 std::string_view source = "the clipboard");

// Parses the table. A d field of 0 is skipped; a field that does not convert (a blank one too)
// ends the parsing with the conversion message. "." or the user's separator is the decimal mark.
TReflectionTable ParseReflectionTable(std::string_view text);

}  // namespace trevasc::formats
