#pragma once
// Peak list files ("_Peaks.txt"): writing both layouts and reading them back.
#include <string>
#include <string_view>

#include "core/ScanData.h"

namespace trevasc::formats {

// Plain layout: the checked peaks (position, 4 decimals, always "."), an empty line, the
// unchecked peaks. Lines end with CR LF.
std::string PeakListFileText(const TDataSet& scan);
// With descriptions: "TITLE " + plot title, then the checked peaks, an empty line and the
// unchecked peaks, each as the position padded to 9 characters, a blank and the description.
std::string PeakListIdentFileText(const TDataSet& scan, const std::string& plotTitle);

// Reads a peak list into `target`, replacing its peaks. An empty line makes the following peaks
// unchecked; a "TITLE" line sets `plotTitle` when `main` is set. Lines may end with CR, LF or
// CR LF. A position that is not a number throws TrevascError with the conversion message; the
// peaks read before it stay. On success the list is marked saved. With `fileName` the message
// names the file and the line first: Peak list "NAME", line 3: 'x' ist kein gültiger ...
void ReadPeakListText(std::string_view content, TDataSet& target, bool main, std::string& plotTitle,
                      char decimalSeparator = '.', const std::string& fileName = {});
// ReadPeakListText on a file's content (its messages name the file and line). A file that cannot
// be read (see ReadWholeFile) throws TrevascError and leaves the target untouched.
void ReadPeakListFile(const std::string& fileName, TDataSet& target, bool main,
                      std::string& plotTitle);

// Writes one of the two layouts atomically and marks the scan's peak list saved. A write error
// throws TrevascError; the list then stays unsaved and an existing file is untouched.
void WritePeakListFile(const std::string& fileName, TDataSet& scan, bool withIdent,
                       const std::string& plotTitle);

}  // namespace trevasc::formats
