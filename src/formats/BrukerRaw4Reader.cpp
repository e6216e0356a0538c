#include "formats/BrukerRaw4Reader.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "formats/ColumnFileReader.h"
#include "formats/ScanFileReader.h"

namespace trevasc::formats {

namespace {

constexpr std::string_view kMark = "RAW4.00";
constexpr size_t kFileHeaderSize = 61;
constexpr size_t kRangeHeaderSize = 160;
constexpr size_t kSegmentHeaderSize = 8;  // type and length

TrevascError Damaged(const std::string& why) {
    return TrevascError("The file could not be read as Bruker RAW version 4: " + why);
}

// Little-endian numbers at a position the caller has checked to lie inside the content.
uint32_t U32At(std::string_view data, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
    return value;
}

double F64At(std::string_view data, size_t at) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i)
        bits |= static_cast<uint64_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
    return std::bit_cast<double>(bits);
}

float F32At(std::string_view data, size_t at) {
    return std::bit_cast<float>(U32At(data, at));
}

// A text field of fixed width: up to its first NUL, without surrounding blanks.
std::string TextAt(std::string_view data, size_t at, size_t width) {
    std::string_view field = data.substr(at, width);
    field = field.substr(0, field.find('\0'));
    return std::string(Trim(field));
}

bool IsRangeStart(uint32_t type) {
    return type == 0 || type == kRangeHeaderSize;
}

// Skips one segment at `at` (its type and length are there); returns the position after it.
size_t SkipSegment(std::string_view data, size_t at) {
    if (data.size() - at < kSegmentHeaderSize)
        throw Damaged("it ends inside the segment at byte " + std::to_string(at) + ".");
    const uint32_t length = U32At(data, at + 4);
    if (length < kSegmentHeaderSize)
        throw Damaged("the segment at byte " + std::to_string(at) + " claims a length of " +
                      std::to_string(length) + " bytes, less than its own 8.");
    if (length > data.size() - at)
        throw Damaged("it ends inside the segment at byte " + std::to_string(at) + ".");
    return at + length;
}

}  // namespace

bool IsBrukerRaw4(std::string_view content) {
    return content.substr(0, kMark.size()) == kMark;
}

bool IsTwoThetaRaw4Scan(std::string_view scanType) {
    return EqualsIgnoringAsciiCase(scanType, "locked coupled") ||
           EqualsIgnoringAsciiCase(scanType, "unlocked coupled") ||
           EqualsIgnoringAsciiCase(scanType, "detector scan");
}

std::vector<TRaw4Range> ParseBrukerRaw4(std::string_view data) {
    if (!IsBrukerRaw4(data)) throw Damaged("it does not start with \"RAW4.00\".");
    if (data.size() < kFileHeaderSize) throw Damaged("it ends inside its file header.");
    std::vector<TRaw4Range> ranges;
    size_t at = kFileHeaderSize;
    // Header segments, then ranges with whatever segments stand between them, to the end.
    while (at < data.size()) {
        if (data.size() - at < 4)
            throw Damaged("it ends inside the segment at byte " + std::to_string(at) + ".");
        if (!IsRangeStart(U32At(data, at))) {
            at = SkipSegment(data, at);
            continue;
        }
        const std::string number = std::to_string(ranges.size() + 1);
        if (data.size() - at < kRangeHeaderSize)
            throw Damaged("it ends inside the header of range " + number + ".");
        TRaw4Range& range = ranges.emplace_back();
        range.ScanType = TextAt(data, at + 32, 24);
        range.Start = F64At(data, at + 72);
        range.Step = F64At(data, at + 80);
        const uint32_t steps = U32At(data, at + 88);
        const uint32_t valueSize = U32At(data, at + 136);
        const uint32_t driveBytes = U32At(data, at + 140);
        at += kRangeHeaderSize;
        if (driveBytes > data.size() - at)
            throw Damaged("it ends inside the drive segments of range " + number + ".");
        at += driveBytes;
        if (steps == 0) continue;
        if (valueSize != 4)
            throw Damaged("range " + number + " stores " + std::to_string(valueSize) +
                          "-byte values; only 4-byte values are known.");
        if (steps > static_cast<uint32_t>(INT32_MAX))
            throw Damaged("range " + number + " claims more steps than a scan can hold.");
        const size_t bytes = size_t{steps} * valueSize;
        if (bytes > data.size() - at)
            throw Damaged("it ends inside the values of range " + number + " (" +
                          std::to_string((data.size() - at) / valueSize) + " of " +
                          std::to_string(steps) + ").");
        if (!std::isfinite(range.Start) || !std::isfinite(range.Step))
            throw Damaged("range " + number + " has no valid start angle and step.");
        range.Values.resize(steps);
        for (size_t i = 0; i < steps; ++i) range.Values[i] = F32At(data, at + 4 * i);
        at += bytes;
    }
    if (ranges.empty()) throw Damaged("it holds no range of measured values.");
    return ranges;
}

ReadResult ReadBrukerRaw4Text(std::string_view content, const std::string& fileName, bool main,
                              ScanRegistry& registry, Prompts& prompts) {
    CheckAdditionalKind(registry, main, TScanKind::TwoTheta);
    const std::vector<TRaw4Range> ranges = ParseBrukerRaw4(content);
    const std::string file = FileNameWithoutFolder(fileName);

    // Ranges whose angle is not 2Theta (rocking curves, sample drives) cannot stand in a 2Theta
    // scan: they are left out and named.
    std::vector<TParsedScan> scans;
    std::vector<size_t> numbers;
    std::string leftOut;
    for (size_t r = 0; r < ranges.size(); ++r) {
        const TRaw4Range& range = ranges[r];
        if (range.Values.empty()) continue;
        if (!IsTwoThetaRaw4Scan(range.ScanType)) {
            leftOut += "\nrange " + std::to_string(r + 1) + ": \"" +
                       QuoteForMessage(range.ScanType) + "\"";
            continue;
        }
        TParsedScan& scan = scans.emplace_back();
        numbers.push_back(r + 1);
        scan.Points.resize(range.Values.size());
        scan.Values.assign(range.Values.begin(), range.Values.end());  // until ScaleToCounts
        for (size_t i = 0; i < range.Values.size(); ++i) {
            const double value = range.Values[i];
            if (!std::isfinite(value))
                throw Damaged("value " + std::to_string(i + 1) + " of range " +
                              std::to_string(r + 1) + " is not a finite number.");
            scan.Points[i].Position = range.Start + static_cast<double>(i) * range.Step;
        }
    }
    if (scans.empty()) {
        if (leftOut.empty()) throw Damaged("its ranges hold no measured values.");
        throw Damaged("none of its ranges is a 2Theta scan (coupled or detector scan):" + leftOut);
    }
    for (size_t k = 0; k < scans.size(); ++k)
        scans[k].Name = scans.size() > 1 ? file + " range " + std::to_string(numbers[k]) : file;
    const size_t count = scans.size();
    const std::string scaled = ScaleToCounts(scans);
    CommitScans(registry, main, TScanKind::TwoTheta, std::move(scans));
    if (!leftOut.empty())
        prompts.ShowInfo("Ranges that are no 2Theta scans were left out:" + leftOut);
    if (!scaled.empty()) prompts.ShowInfo(scaled);
    ReadResult result;
    if (count > 1) result.PlotName = file;
    return result;
}

}  // namespace trevasc::formats
