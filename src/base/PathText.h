#pragma once
// File-name helpers on plain strings ("/" and "\\" both count as folder delimiters).
#include <string>
#include <string_view>

namespace trevasc {

// "dir/scan.xrdml" -> "scan.xrdml"
std::string FileNameWithoutFolder(std::string_view path);
// "dir/scan.xrdml" -> "dir/" (empty when there is no folder)
std::string FolderWithDelimiter(std::string_view path);
// Removes the text from the last "." of the file name on: "dir/a.b.txt" -> "dir/a.b"
std::string RemoveExtension(std::string_view path);
// Peak list file beside a scan: extension removed, "_Peaks.txt" appended.
std::string PeakListFileFor(std::string_view scanPath);

}  // namespace trevasc
