#pragma once
// Format detection and the scan readers.
//
// The first non-empty line chooses among the XML, header-plus-counts, scan-list and two-column
// readers. A file that the two-column reader (the fallback for every file without a marker)
// rejects is offered to the further readers in this order: Bruker RAW version 4 (mark
// "RAW4.00"), Rigaku RAS (first line "*RAS_DATA_START"), column files (XY/XYE), then the formats
// of xylib. So a file that opened before opens exactly as before.
//
// Every reader parses the whole file first and only then writes the registry, so a file that
// fails leaves the registry as it was (the main scan keeps its old points, no additional scan is
// created). With `main` set the first scan replaces the main scan's points and name (its peak
// list is left alone) and sets OpenScanKind; otherwise the kind must equal OpenScanKind and
// new additional scans are appended.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompts.h"
#include "core/ScanData.h"

namespace trevasc::formats {

enum class TScanFormat {
    Xml,
    HeaderCounts,
    ScanList,
    TwoColumn,
    RigakuRas,
    Columns,
    Xylib,
    BrukerRaw4
};

// "xml", "header-counts", "scan-list", "two-column", "rigaku-ras", "columns", "xylib",
// "bruker-raw4"
const char* ScanFormatName(TScanFormat format);

// Chooses the reader from the first non-empty line (upper-cased; a marker may stand anywhere).
TScanFormat DetectScanFormatFromLine(std::string_view firstLine);
TScanFormat DetectScanFormatFromText(std::string_view content);
// Reads the first non-empty line of the file; throws TrevascError when the file cannot be read
// (see InputFile: only regular files within the size limit).
TScanFormat DetectScanFormat(const std::string& fileName);

// What a successful read reports back.
struct ReadResult {
    std::string PlotName;    // XML reader only: sample id + name for area measurements
    bool Cancelled = false;  // scan-list dataset question cancelled: nothing changed
    // The format as reports name it: ScanFormatName, or "xylib:<its format name>". Set by
    // ReadScanText.
    std::string FormatName;
};

// Each reader takes the file's content (already in memory) and the file name (for the scan
// name). Errors are thrown as TrevascError with the documented message.
ReadResult ReadXmlMeasurementText(std::string_view content, const std::string& fileName, bool main,
                                  ScanRegistry& registry, Prompts& prompts);
ReadResult ReadHeaderCountsText(std::string_view content, const std::string& fileName, bool main,
                                ScanRegistry& registry, Prompts& prompts);
ReadResult ReadScanListText(std::string_view content, const std::string& fileName, bool main,
                            ScanRegistry& registry, Prompts& prompts);
ReadResult ReadTwoColumnText(std::string_view content, const std::string& fileName, bool main,
                             ScanRegistry& registry, Prompts& prompts);
// Bruker RAW version 4 (BrukerRaw4Reader.cpp), Rigaku RAS (RigakuRasReader.cpp), XY/XYE column
// files (ColumnFileReader.cpp) and the formats of xylib (XylibReader.cpp; the format it
// recognises in the content, see XylibFormatOf).
ReadResult ReadBrukerRaw4Text(std::string_view content, const std::string& fileName, bool main,
                              ScanRegistry& registry, Prompts& prompts);
ReadResult ReadRigakuRasText(std::string_view content, const std::string& fileName, bool main,
                             ScanRegistry& registry, Prompts& prompts);
ReadResult ReadColumnText(std::string_view content, const std::string& fileName, bool main,
                          ScanRegistry& registry, Prompts& prompts);
ReadResult ReadXylibText(std::string_view content, const std::string& fileName, bool main,
                         ScanRegistry& registry, Prompts& prompts);

// Files of this size and more have their numbers converted on two threads: two halves of the
// lines, or two halves of the scans of an area measurement.
inline constexpr size_t kParallelReadFrom = size_t{1} << 20;
// The readers above with another size from which on they use two threads (tests force both
// ways: the points are the same).
ReadResult ReadXmlMeasurementText(std::string_view content, const std::string& fileName, bool main,
                                  ScanRegistry& registry, Prompts& prompts, size_t parallelFrom);
ReadResult ReadTwoColumnText(std::string_view content, const std::string& fileName, bool main,
                             ScanRegistry& registry, Prompts& prompts, size_t parallelFrom);

// Detects the format of `content` and runs its reader.
ReadResult ReadScanText(std::string_view content, const std::string& fileName, bool main,
                        ScanRegistry& registry, Prompts& prompts, TScanFormat* detected = nullptr);
// Reads the file (ReadWholeFile: only regular files within the size limit) and runs
// ReadScanText.
ReadResult ReadScanFile(const std::string& fileName, bool main, ScanRegistry& registry,
                        Prompts& prompts, TScanFormat* detected = nullptr);

// The message for an additional file whose kind differs from the open scans.
inline constexpr const char* kKindMismatchMessage =
    "The type of this scan is different to the main scan file. Cannot open these two scans at the "
    "same time";

// ---- shared by the readers ----

// One scan as parsed, before it is written to the registry.
struct TParsedScan {
    TRawPointArray Points;
    // The intensities as read, one per point, where they still need ScaleToCounts (fractional
    // or too large for a count); empty when Points already hold the counts.
    std::vector<double, HugePageAllocator<double>> Values;
    std::string Name;
    double SecondAxisPosition = 0.0;
    std::string SecondAxisName;
};

// Throws kKindMismatchMessage when an additional file's kind differs from OpenScanKind.
void CheckAdditionalKind(const ScanRegistry& registry, bool main, TScanKind kind);
// Writes parsed scans to the registry. Main: the first scan replaces the main scan's points,
// name and second axis (its peaks stay) and OpenScanKind becomes `kind`; the others are
// appended. Additional: every scan is appended. Nothing here can fail half-way but for lack of
// memory.
void CommitScans(ScanRegistry& registry, bool main, TScanKind kind,
                 std::vector<TParsedScan>&& scans);

}  // namespace trevasc::formats
