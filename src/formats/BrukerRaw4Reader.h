#pragma once
// Bruker RAW version 4 ("RAW4.00"), the binary scan file of current Bruker diffractometer
// software. The reader is declared in ScanFileReader.h (ReadBrukerRaw4Text).
//
// Layout, little-endian throughout (as described in xylib's development sources, bruker_raw.cpp,
// and read the same way by GSAS-II):
//   file header, 61 bytes: "RAW4.00", measurement status, date at byte 12, time at byte 24;
//   header segments, each: type (u32), length of the whole segment (u32, at least 8), contents;
//   ranges, one per measured scan, each: a 160-byte range header that starts with the value 160
//     (0 in some files) where a segment would start with its type, then drive segments of the
//     length the header gives, then one 4-byte float per step. Segments of other types may stand
//     between ranges.
//   Range header: scan type (text, 24 bytes) at +32, start angle (f64) at +72, step (f64) at
//   +80, number of steps (u32) at +88, bytes per value (u32) at +136, length of the drive
//   segments (u32) at +140.
#include <string>
#include <string_view>
#include <vector>

namespace trevasc::formats {

// True when the content starts with the mark "RAW4.00".
bool IsBrukerRaw4(std::string_view content);

struct TRaw4Range {
    std::string ScanType;  // as written, for example "Locked Coupled"
    double Start = 0.0;    // degrees
    double Step = 0.0;     // degrees
    std::vector<float> Values;
};

// The ranges of the file in file order. Throws TrevascError ("The file could not be read as
// Bruker RAW version 4: ...") when the file ends inside a header, a segment or the values of a
// range, or when a header holds a value no file can have. Nothing is read beyond the content.
std::vector<TRaw4Range> ParseBrukerRaw4(std::string_view content);

// True for the scan types whose angle is 2Theta: coupled scans (locked or unlocked) and
// detector scans.
bool IsTwoThetaRaw4Scan(std::string_view scanType);

}  // namespace trevasc::formats
