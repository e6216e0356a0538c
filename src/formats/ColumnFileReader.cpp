// Column files: XY and XYE exports of diffractometer software and of data reduction programs.
// The two-column reader stays the reader of every file it accepts; this one reads what it
// refuses: three columns, unevenly spaced positions, negative positions, real-valued (for example
// normalised) intensities, comma-separated values.
#include "formats/ColumnFileReader.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "base/TextLine.h"
#include "formats/ScanFileReader.h"
#include "formats/TextScanReaders.h"

namespace trevasc::formats {

namespace {

// How the columns of a line are separated: by runs of blanks, tabs and semicolons (then a
// comma is a decimal mark, as in the two-column format), or by commas (CSV: "." is the mark).
enum class Separators { Blank, Comma };

bool IsSeparator(char c, Separators mode) {
    return mode == Separators::Comma ? c == ',' : c == ' ' || c == '\t' || c == ';';
}

bool IsComment(std::string_view trimmed) {
    return trimmed.empty() || trimmed.front() == '#' || trimmed.front() == ';';
}

// Splits a trimmed line into at most `max` fields and returns how many there are (fields past
// `max` are counted, not stored). In CSV mode blanks around a comma belong to the separator, and
// an empty field between two commas counts as a field.
size_t SplitFields(std::string_view line, Separators mode, std::string_view* fields, size_t max) {
    size_t count = 0;
    size_t p = 0;
    for (;;) {
        size_t end = p;
        while (end < line.size() && !IsSeparator(line[end], mode)) ++end;
        if (count < max) fields[count] = Trim(line.substr(p, end - p));
        ++count;
        if (end == line.size()) break;
        p = end + 1;
        if (mode == Separators::Blank)
            while (p < line.size() && IsSeparator(line[p], mode)) ++p;
    }
    return count;
}

// The value of one field: plain decimals where they stand, anything else through the general
// conversion (exponents, a leading "+"); NaN and infinities are refused there.
std::optional<double> FieldValue(std::string_view field) {
    double value;
    const char* end = field.data() + field.size();
    if (!field.empty() && ParsePlainDecimal(field.data(), end, value) == end) return value;
    return TryParseFloat(field);
}

bool AllNumbers(const std::string_view* fields, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!FieldValue(fields[i])) return false;
    return true;
}

constexpr size_t kMaxFields = 3;

// Nearly every line of a blank-separated file is two or three plain decimals: read them where
// they stand, to the values the general splitting and conversion give. False for any other line,
// which then takes the general way (and its messages).
bool ReadPlainLine(std::string_view trimmed, double* values, size_t& count) {
    const char* p = trimmed.data();
    const char* const end = p + trimmed.size();
    count = 0;
    for (;;) {
        if (count == kMaxFields) return false;
        const char* q = ParsePlainDecimal(p, end, values[count]);
        if (!q) return false;
        ++count;
        if (q == end) return count >= 2;
        if (!IsSeparator(*q, Separators::Blank)) return false;
        while (q != end && IsSeparator(*q, Separators::Blank)) ++q;
        // A trimmed line ends in a separator only with a ";": an empty last field.
        if (q == end) return false;
        p = q;
    }
}

// The separators of a file, from its first data line: blanks unless only commas make two or
// three numeric columns of it.
std::optional<Separators> SeparatorsOf(std::string_view trimmed) {
    std::string_view fields[kMaxFields];
    const size_t blank = SplitFields(trimmed, Separators::Blank, fields, kMaxFields);
    const bool blankNumbers = blank <= kMaxFields && AllNumbers(fields, blank);
    if (blankNumbers && blank >= 2) return Separators::Blank;
    const size_t comma = SplitFields(trimmed, Separators::Comma, fields, kMaxFields);
    if (comma >= 2 && comma <= kMaxFields && AllNumbers(fields, comma)) return Separators::Comma;
    if (blankNumbers) return Separators::Blank;
    return std::nullopt;
}

// The first data line: the first line that is not blank or a comment, or the one right after it
// when that one is a line of column titles.
struct FirstData {
    Separators Mode = Separators::Blank;
    size_t TitleLine = 0;  // number of the skipped title line, 0 for none
};

std::optional<FirstData> FindFirstData(std::string_view content) {
    NumberedLineReader lines(content);
    std::string_view line;
    size_t title = 0;
    while (lines.Next(line)) {
        const std::string_view trimmed = Trim(line);
        if (IsComment(trimmed)) continue;
        if (const std::optional<Separators> mode = SeparatorsOf(trimmed)) {
            if (title) {
                // Titles name two or three columns; numbers after them must make as many.
                std::string_view fields[kMaxFields];
                const size_t n = SplitFields(trimmed, *mode, fields, kMaxFields);
                if (n < 2 || n > kMaxFields) return std::nullopt;
            }
            return FirstData{*mode, title};
        }
        if (title) return std::nullopt;
        title = lines.Number();
    }
    return std::nullopt;
}

std::string LinePrefix(size_t line) {
    return "Line " + std::to_string(line) + ": ";
}

}  // namespace

bool IsColumnText(std::string_view content) {
    return FindFirstData(content).has_value();
}

std::string NormalisedScaleMessage(double factor) {
    return "The intensities are fractional (normalised data); they were multiplied by " +
           FormatScaleFactor(factor) + " to keep 4 significant digits in whole counts.";
}

std::string ScaleToCounts(std::vector<TParsedScan>& scans) {
    double largest = 0.0;
    bool fractional = false;
    for (const TParsedScan& scan : scans)
        for (double v : scan.Values) {
            largest = std::max(largest, std::fabs(v));
            fractional = fractional || v != std::floor(v);
        }
    double up = 1.0, down = 1.0;
    if (largest < 1000.0 && fractional) {
        // The largest value times 10^(3 - its decimal exponent) has 4 digits before the point.
        const double factor = std::pow(10.0, 3.0 - std::floor(std::log10(largest)));
        if (std::isfinite(factor)) up = factor;
    }
    while (largest / down > 2000000000.0) down *= 10.0;
    for (TParsedScan& scan : scans) {
        for (size_t i = 0; i < scan.Values.size(); ++i) {
            const double v = scan.Values[i];
            scan.Points[i].Intensity = RoundToInt32(up != 1.0 ? v * up : v / down);
        }
        scan.Values = {};
    }
    if (up != 1.0) return NormalisedScaleMessage(up);
    if (down != 1.0) return ScaledMessage(down);
    return {};
}

// Every line is blank, a comment ("#" or ";"), or two or three numbers; one line of column titles
// may stand before the first numbers. Any other line stops the reading with its number, so that
// a damaged file is never read in part.
ReadResult ReadColumnText(std::string_view content, const std::string& fileName, bool main,
                          ScanRegistry& registry, Prompts& prompts) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    const std::optional<FirstData> first = FindFirstData(content);
    if (!first)
        throw TrevascError(
            "This is no column file: its first line that is not a comment holds no numbers.");
    CheckAdditionalKind(registry, main, TScanKind::TwoTheta);

    // Positions and intensities as read; ScaleToCounts makes the counts of the intensities.
    TRawPointArray points;
    std::vector<double, HugePageAllocator<double>> intensities;
    const size_t lineCount =
        static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) + 1;
    points.reserve(lineCount);
    intensities.reserve(lineCount);
    NumberedLineReader lines(content);
    std::string_view line;
    std::string_view fields[kMaxFields];
    while (lines.Next(line)) {
        const std::string_view trimmed = Trim(line);
        if (IsComment(trimmed) || lines.Number() == first->TitleLine) continue;
        double values[kMaxFields];
        size_t n = 0;
        if (first->Mode == Separators::Blank && ReadPlainLine(trimmed, values, n)) {
            points.push_back({values[0], 0});
            intensities.push_back(values[1]);
            continue;
        }
        n = SplitFields(trimmed, first->Mode, fields, kMaxFields);
        if (n == 1 && !FieldValue(fields[0]))
            throw TrevascError(LinePrefix(lines.Number()) + "\"" + QuoteForMessage(trimmed) +
                               "\" is neither numbers nor a comment (\"#\" or \";\").");
        if (n < 2)
            throw TrevascError(LinePrefix(lines.Number()) +
                               "only one column; a column file holds the position and the "
                               "intensity (and optionally its uncertainty).");
        if (n > kMaxFields)
            throw TrevascError(LinePrefix(lines.Number()) + std::to_string(n) +
                               " columns; a column file holds two or three (position, "
                               "intensity, uncertainty).");
        for (size_t i = 0; i < n; ++i) {
            const std::optional<double> v = FieldValue(fields[i]);
            if (!v)
                throw TrevascError(LinePrefix(lines.Number()) + "\"" + QuoteForMessage(fields[i]) +
                                   "\" is not a number.");
            values[i] = *v;
        }
        points.push_back({values[0], 0});
        intensities.push_back(values[1]);
    }
    if (points.size() < 2)
        throw TrevascError("The file holds " + std::to_string(points.size()) +
                           " data line(s); a scan needs at least two points.");
    if (points.size() > static_cast<size_t>(INT32_MAX))
        throw TrevascError("The file holds more points than a scan can hold.");
    std::vector<TParsedScan> scans(1);
    scans[0].Points = std::move(points);
    scans[0].Values = std::move(intensities);
    scans[0].Name = FileNameWithoutFolder(fileName);
    const std::string scaled = ScaleToCounts(scans);
    CommitScans(registry, main, TScanKind::TwoTheta, std::move(scans));
    if (!scaled.empty()) prompts.ShowInfo(scaled);
    return {};
}

}  // namespace trevasc::formats
