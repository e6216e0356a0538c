#pragma once
// Messages and helpers of the three line-oriented scan formats (header-plus-counts "HR-XRDSCAN",
// scan list "SUPERDATA", two-column table). The readers themselves are declared in
// ScanFileReader.h.
#include <string>
#include <string_view>

namespace trevasc::formats {

inline constexpr const char* kUnexpectedEndMessage = "Unexpected end of file.";
inline constexpr const char* kUnknownDataFormatMessage = "Unknown data format.";
inline constexpr const char* kUnknownFileFormatMessage = "Unknown file format.";
inline constexpr const char* kSpacingMessage =
    "Unknown data format. Two Theta spacing not uniform.";
inline constexpr const char* kNoValidDataMessage = "The dataset does not contain any valid data.";
inline constexpr const char* kDatasetCutMessage =
    "The dataset has been cut or is not complete. The available data points have been loaded.";
inline constexpr const char* kDatasetCaption = "Several datasets found in file";

// Largest deviation of a two-column position from its place on the uniform grid, degrees.
inline constexpr double kTwoColumnSpacingTolerance = 0.001;

// True when the first data line of a two-column file has no second column that converts (three
// columns, for example): ReadTwoColumnText is then sure to fail, whatever follows. Lets a caller
// skip reading a large file that it would refuse.
bool TwoColumnRejectsFirstDataLine(std::string_view content);

// The scale factor of the two-column reader as the message shows it: plain digits ("10",
// "100000"), exponent notation only from 1E15 on.
std::string FormatScaleFactor(double factor);
// "The scan data were scaled by a factor of <f> to keep the maximum counts in the range of a
// 32-bit integer"
std::string ScaledMessage(double factor);
// "There is no dataset number <k> in this file (it holds <n> datasets)."
std::string NoSuchDatasetMessage(long long number, int datasets);

}  // namespace trevasc::formats
