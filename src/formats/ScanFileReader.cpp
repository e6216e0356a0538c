#include "formats/ScanFileReader.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include "base/Error.h"
#include "base/HugePageAllocator.h"
#include "base/InputFile.h"
#include "base/TextLine.h"
#include "formats/BrukerRaw4Reader.h"
#include "formats/ColumnFileReader.h"
#include "formats/RigakuRasReader.h"
#include "formats/TextScanReaders.h"
#include "formats/XylibReader.h"

namespace trevasc::formats {

const char* ScanFormatName(TScanFormat format) {
    switch (format) {
        case TScanFormat::Xml:
            return "xml";
        case TScanFormat::HeaderCounts:
            return "header-counts";
        case TScanFormat::ScanList:
            return "scan-list";
        case TScanFormat::RigakuRas:
            return "rigaku-ras";
        case TScanFormat::Columns:
            return "columns";
        case TScanFormat::Xylib:
            return "xylib";
        case TScanFormat::BrukerRaw4:
            return "bruker-raw4";
        case TScanFormat::TwoColumn:
            break;
    }
    return "two-column";
}

namespace {

// Case-insensitive (ASCII) search of an upper-case marker.
bool ContainsUpper(std::string_view text, std::string_view upperMarker) {
    if (upperMarker.size() > text.size()) return false;
    for (size_t i = 0; i + upperMarker.size() <= text.size(); ++i) {
        size_t j = 0;
        for (; j < upperMarker.size(); ++j) {
            char c = text[i + j];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != upperMarker[j]) break;
        }
        if (j == upperMarker.size()) return true;
    }
    return false;
}

}  // namespace

TScanFormat DetectScanFormatFromLine(std::string_view firstLine) {
    // The first marker in this order decides.
    if (ContainsUpper(firstLine, "XML VERSION")) return TScanFormat::Xml;
    if (ContainsUpper(firstLine, "<XRDMEASUREMENTS")) return TScanFormat::Xml;
    if (ContainsUpper(firstLine, "HR-XRDSCAN")) return TScanFormat::HeaderCounts;
    if (ContainsUpper(firstLine, "SUPERDATA")) return TScanFormat::ScanList;
    return TScanFormat::TwoColumn;
}

TScanFormat DetectScanFormatFromText(std::string_view content) {
    return DetectScanFormatFromLine(FirstNonEmptyLine(content));
}

TScanFormat DetectScanFormat(const std::string& fileName) {
    // Only the first non-empty line matters: read until it is complete.
    InputFile file(fileName);
    std::string head;
    char chunk[1 << 14];
    for (;;) {
        const size_t got = file.Read(chunk, sizeof chunk);
        head.append(chunk, got);
        const size_t start = head.find_first_not_of("\r\n");
        if (start != std::string::npos && head.find_first_of("\r\n", start) != std::string::npos)
            break;
        if (got == 0) break;
    }
    return DetectScanFormatFromText(head);
}

namespace {

ReadResult Named(ReadResult result, TScanFormat format) {
    if (result.FormatName.empty()) result.FormatName = ScanFormatName(format);
    return result;
}

// The readers for files that the two-column reader rejects (twoColumnError, or null when it was
// not run because its first data line already fails). Its message stands unless one of
// them recognises the file: a Bruker RAW 4 file by its mark, a RAS file by its first line, a
// column file by its first data line, an xylib format by xylib's own check. A column file that
// fails goes on to xylib only when its name carries the extension of an xylib format, so that a
// mistake in a plain XY file is reported with its line and not as some other format's complaint.
ReadResult ReadRejectedText(std::string_view content, const std::string& fileName, bool main,
                            ScanRegistry& registry, Prompts& prompts, TScanFormat* detected,
                            std::exception_ptr twoColumnError) {
    const auto report = [detected](TScanFormat format) {
        if (detected) *detected = format;
    };
    // Bruker RAW version 4 is newer than the xylib of the distribution: read here, by its mark.
    if (IsBrukerRaw4(content)) {
        report(TScanFormat::BrukerRaw4);
        return Named(ReadBrukerRaw4Text(content, fileName, main, registry, prompts),
                     TScanFormat::BrukerRaw4);
    }
    if (IsRigakuRasText(content)) {
        report(TScanFormat::RigakuRas);
        return Named(ReadRigakuRasText(content, fileName, main, registry, prompts),
                     TScanFormat::RigakuRas);
    }
    std::exception_ptr columnError;
    if (IsColumnText(content)) {
        report(TScanFormat::Columns);
        try {
            return Named(ReadColumnText(content, fileName, main, registry, prompts),
                         TScanFormat::Columns);
        } catch (const TrevascError&) {
            columnError = std::current_exception();
        }
    }
    if (const std::optional<std::string> format =
            XylibFormatOf(content, fileName, columnError != nullptr)) {
        report(TScanFormat::Xylib);
        return ReadXylibText(content, fileName, *format, main, registry, prompts);
    }
    if (columnError) std::rethrow_exception(columnError);
    report(TScanFormat::TwoColumn);
    if (twoColumnError) std::rethrow_exception(twoColumnError);
    // Not read yet: it fails, with the message it gives for this file.
    return Named(ReadTwoColumnText(content, fileName, main, registry, prompts),
                 TScanFormat::TwoColumn);
}

}  // namespace

ReadResult ReadScanText(std::string_view content, const std::string& fileName, bool main,
                        ScanRegistry& registry, Prompts& prompts, TScanFormat* detected) {
    const TScanFormat format = DetectScanFormatFromText(content);
    if (detected) *detected = format;
    if (format == TScanFormat::Xml)
        return Named(ReadXmlMeasurementText(content, fileName, main, registry, prompts), format);
    // Text written by some Windows editors starts with a UTF-8 byte order mark; it is no part of
    // the first line (which would otherwise not count as a data line). libxml2 reads it itself.
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    if (format == TScanFormat::HeaderCounts)
        return Named(ReadHeaderCountsText(content, fileName, main, registry, prompts), format);
    if (format == TScanFormat::ScanList)
        return Named(ReadScanListText(content, fileName, main, registry, prompts), format);
    // A file whose first data line already fails (three columns, for example) is not read in
    // full by the two-column reader unless its message is wanted in the end. Nor is a binary
    // file that carries the mark of its format, whose bytes might now and then form lines of
    // two numbers.
    std::exception_ptr twoColumnError;
    if (!IsBrukerRaw4(content) && !TwoColumnRejectsFirstDataLine(content)) {
        try {
            return Named(ReadTwoColumnText(content, fileName, main, registry, prompts), format);
        } catch (const TrevascError&) {
            twoColumnError = std::current_exception();
        }
    }
    return ReadRejectedText(content, fileName, main, registry, prompts, detected, twoColumnError);
}

ReadResult ReadScanFile(const std::string& fileName, bool main, ScanRegistry& registry,
                        Prompts& prompts, TScanFormat* detected) {
    // Runs last, when the file's text and the reader's working copies of it are gone: a 40 MB
    // area measurement otherwise keeps some 60 MB of freed heap resident beside its points.
    struct ReleaseOnExit {
        ~ReleaseOnExit() { ReleaseFreeHeapPages(); }
    } release;
    const LargeText content = ReadWholeLargeFile(fileName);
    return ReadScanText(content, fileName, main, registry, prompts, detected);
}

void CheckAdditionalKind(const ScanRegistry& registry, bool main, TScanKind kind) {
    if (!main && kind != registry.OpenScanKind) throw TrevascError(kKindMismatchMessage);
}

namespace {
void FillScan(TDataSet& target, TParsedScan&& parsed) {
    target.ReplaceRawPoints(std::move(parsed.Points));
    target.Name = std::move(parsed.Name);
    target.SecondAxisPosition = parsed.SecondAxisPosition;
    target.SecondAxisName = std::move(parsed.SecondAxisName);
}
}  // namespace

void CommitScans(ScanRegistry& registry, bool main, TScanKind kind,
                 std::vector<TParsedScan>&& scans) {
    std::vector<TDataSet*> targets;
    targets.reserve(scans.size());
    if (main) {
        registry.OpenScanKind = kind;
        if (!scans.empty()) targets.push_back(&registry.MainScan());
    }
    while (targets.size() < scans.size()) targets.push_back(&registry.AppendAdditionalScan());
    // The readers build the raw form itself: the arrays are moved, never converted.
    for (size_t i = 0; i < scans.size(); ++i) FillScan(*targets[i], std::move(scans[i]));
}

}  // namespace trevasc::formats
