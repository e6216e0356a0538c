// The three line-oriented scan formats. Each reader works on the whole file in memory and builds
// its scan locally; the registry is written only after the file has been read without error.
#include "formats/TextScanReaders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/Parallel.h"
#include "base/PathText.h"
#include "base/TextLine.h"
#include "formats/ScanFileReader.h"

namespace trevasc::formats {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A float as the readers convert it: "." and "," both decimal marks; the message shows the
// text as the conversion saw it, after the decimal marks became the local one.
double ConvertFloat(std::string_view text) {
    if (auto v = TryParseFloat(text)) return *v;
    throw TrevascError(FloatConversionMessage(Trim(ToLocalDecimal(Trim(text)))));
}

// Upper bound for a point count taken from a file: never reserve more points than the rest of
// the text could hold (one point needs at least two characters), whatever the header claims.
size_t ReserveBound(long long claimed, size_t remainingChars) {
    if (claimed <= 0) return 0;
    return std::min(static_cast<size_t>(claimed), remainingChars / 2 + 1);
}

TParsedScan NamedScan(const std::string& fileName, TRawPointArray&& points) {
    TParsedScan scan;
    scan.Points = std::move(points);
    scan.Name = FileNameWithoutFolder(fileName);
    return scan;
}

void Commit(ScanRegistry& registry, bool main, TScanKind kind, TParsedScan&& scan) {
    std::vector<TParsedScan> scans;
    scans.push_back(std::move(scan));
    CommitScans(registry, main, kind, std::move(scans));
}

// ---- scan-list format ----

// "H       K       L       D     TIM    CTS      TTH": the letters stand at the character
// positions 1, 9, 17, 25, 31-33, 38-40 and 47-49.
constexpr std::string_view kColumnHeader = "H       K       L       D     TIM    CTS      TTH";
static_assert(kColumnHeader.size() == 49 && kColumnHeader[8] == 'K' && kColumnHeader[16] == 'L' &&
              kColumnHeader[24] == 'D' && kColumnHeader.substr(30, 3) == "TIM" &&
              kColumnHeader.substr(37, 3) == "CTS" && kColumnHeader.substr(46, 3) == "TTH");

bool IsDatasetHeader(std::string_view line) {
    return StartsWith(ToUpperAscii(Trim(line)), "> MSCAN");
}

bool IsColumnHeader(std::string_view line) {
    return StartsWith(ToUpperAscii(Trim(line)), kColumnHeader);
}

// The point count of a dataset header: the w-th word after "mscan". Starting at the "m", the
// position moves w times to the next blank (so two blanks make an empty word); the text after
// that blank, trimmed and cut at its first blank, is the count.
std::optional<long long> PointCountWord(std::string_view header, int w) {
    size_t p = FindIgnoringAsciiCase(header, "mscan");
    if (p == std::string_view::npos) return std::nullopt;
    for (int i = 0; i < w; ++i) {
        p = header.find(' ', p + 1);
        if (p == std::string_view::npos) return std::nullopt;
    }
    std::string_view word = Trim(header.substr(p + 1));
    word = word.substr(0, word.find(' '));
    if (auto n = TryParseInt(word)) return *n;
    return std::nullopt;
}

// Takes the last blank-separated field of `rest` (trimmed first) and shortens `rest` before it.
std::string_view TakeLastField(std::string_view& rest) {
    rest = Trim(rest);
    const size_t blank = rest.rfind(' ');
    if (blank == std::string_view::npos) {
        std::string_view field = rest;
        rest = {};
        return field;
    }
    std::string_view field = rest.substr(blank + 1);
    rest = rest.substr(0, blank);
    return field;
}

struct ScanListPoint {
    double Phi = 0.0;
    double TwoTheta = 0.0;
    int32_t Counts = 0;
};

// Fields counted from the end of a data line: 1, 2 and 4 must be numbers, 3 is phi, 5 is 2Theta,
// 6 the integer counts.
std::optional<ScanListPoint> ParseScanListLine(std::string_view line) {
    const std::string text = ToLocalDecimal(line);
    std::string_view rest = Trim(text);
    ScanListPoint point;
    std::optional<double> v;
    if (!TryParseFloat(TakeLastField(rest))) return std::nullopt;
    if (!TryParseFloat(TakeLastField(rest))) return std::nullopt;
    if (!(v = TryParseFloat(TakeLastField(rest)))) return std::nullopt;
    point.Phi = *v;
    if (!TryParseFloat(TakeLastField(rest))) return std::nullopt;
    if (!(v = TryParseFloat(TakeLastField(rest)))) return std::nullopt;
    point.TwoTheta = *v;
    auto counts = TryParseInt(TakeLastField(rest));
    if (!counts) return std::nullopt;
    point.Counts = *counts;
    return point;
}

// ---- two-column format ----

// Characters that can be part of a number in column 1; the first other character separates
// the columns.
constexpr std::array<bool, 256> MakeNumberCharTable() {
    std::array<bool, 256> table{};
    for (char c : std::string_view("+-.,0123456789Ee")) table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kNumberChar = MakeNumberCharTable();

bool IsTwoColumnDataLine(std::string_view trimmed) {
    return !trimmed.empty() && trimmed[0] >= '0' && trimmed[0] <= '9';
}

// What the reading loop finds in a run of whole lines. While reading, each point holds its
// written position, and its written value where that is a whole 32-bit count; the other values
// (fractions, values beyond 32 bits) wait in Unusual, by point index, until the last pass turns
// them into the final position and intensity. Nearly every file has whole counts only, so the
// points take their final 16-byte form at once.
struct TwoColumnLines {
    TRawPointArray Points;
    std::vector<std::pair<size_t, double>> Unusual;
    size_t Count = 0;                          // data lines, those after an error included
    std::optional<std::string> LineError;      // first line without two columns or bad value
    std::optional<std::string> PositionError;  // first bad position
    double Maximum = 0.0;
};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The line as nearly every data line is written: a plain decimal position at its very start, one
// separator, blanks, a whole count and nothing but blanks after it. Reads those in one pass, to
// the same values as the general reading below; false for any other line.
bool ReadPlainDataLine(std::string_view line, TwoColumnLines& out) {
    const char* p = line.data();
    const char* const end = p + line.size();
    if (*p < '0' || *p > '9') return false;
    double x;
    const char* const sep = ParsePlainDecimal(p, end, x);
    // The separator is the first character that cannot belong to a number.
    if (!sep || sep == end || kNumberChar[static_cast<unsigned char>(*sep)]) return false;
    const char* q = sep + 1;
    while (q != end && IsBlank(*q)) ++q;
    int32_t y;
    q = ParseWholeCount(q, end, y);
    if (!q) return false;
    while (q != end && IsBlank(*q)) ++q;
    if (q != end) return false;
    ++out.Count;
    out.Maximum = std::max(out.Maximum, static_cast<double>(y));
    out.Points.push_back({x, y});
    return true;
}

void ReadTwoColumnLines(std::string_view text, TwoColumnLines& out) {
    TextLineReader lines(text);
    for (std::string_view line = lines.ReadTextLine(); !line.empty(); line = lines.ReadTextLine()) {
        if (!out.LineError && ReadPlainDataLine(line, out)) continue;
        const std::string_view trimmed = Trim(line);
        if (!IsTwoColumnDataLine(trimmed)) continue;
        ++out.Count;
        if (out.LineError) continue;  // an earlier error stands; only count on
        size_t sep = 0;
        while (sep < trimmed.size() && kNumberChar[static_cast<unsigned char>(trimmed[sep])]) ++sep;
        const std::string_view column1 = Trim(trimmed.substr(0, sep));
        const std::string_view column2 =
            sep < trimmed.size() ? Trim(trimmed.substr(sep + 1)) : std::string_view();
        if (column1.empty() || column2.empty()) {
            out.LineError = kUnknownDataFormatMessage;
            continue;
        }
        int32_t wholeY;
        const std::optional<double> y =
            TryWholeCount(column2, wholeY) ? std::optional<double>(wholeY) : TryParseFloat(column2);
        if (!y) {
            out.LineError = FloatConversionMessage(ToLocalDecimal(column2));
            continue;
        }
        const std::optional<double> x = TryParseFloat(column1);
        if (!x && !out.PositionError)
            out.PositionError = FloatConversionMessage(ToLocalDecimal(column1));
        out.Maximum = std::max(out.Maximum, *y);
        int32_t count = 0;
        if (*y == std::floor(*y) && *y >= -2147483648.0 && *y <= 2147483647.0)
            count = static_cast<int32_t>(*y);
        else
            out.Unusual.emplace_back(out.Points.size(), *y);
        out.Points.push_back({x ? *x : 0.0, count});
    }
}

// Where a text splits into two halves of whole lines: the first line end from the middle on
// (the second half starts with it, and line ends before a line are skipped), or the end.
size_t HalfAtLineEnd(std::string_view text) {
    const size_t at = text.find_first_of("\r\n", text.size() / 2);
    return at == std::string_view::npos ? text.size() : at;
}

}  // namespace

bool TwoColumnRejectsFirstDataLine(std::string_view content) {
    // The first data line alone, read as the reader reads every line.
    TextLineReader lines(content);
    for (std::string_view line = lines.ReadTextLine(); !line.empty(); line = lines.ReadTextLine()) {
        if (!IsTwoColumnDataLine(Trim(line))) continue;
        TwoColumnLines first;
        ReadTwoColumnLines(line, first);
        return first.LineError.has_value();
    }
    return false;
}

std::string FormatScaleFactor(double factor) {
    if (factor < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", factor);
        return buf;
    }
    return FormatGeneral(factor, 15);
}

std::string ScaledMessage(double factor) {
    return "The scan data were scaled by a factor of " + FormatScaleFactor(factor) +
           " to keep the maximum counts in the range of a 32-bit integer";
}

std::string NoSuchDatasetMessage(long long number, int datasets) {
    return "There is no dataset number " + std::to_string(number) + " in this file (it holds " +
           std::to_string(datasets) + " datasets).";
}

// Header lines carry FIRSTANGLE, STEPWIDTH and NROFDATA; after the line "SCANDATA" comes one
// intensity per line. Positions are a running sum: the first angle, then the step added point
// by point.
ReadResult ReadHeaderCountsText(std::string_view content, const std::string& fileName, bool main,
                                ScanRegistry& registry, Prompts& /*prompts*/) {
    TextLineReader lines(content);
    double firstAngle = -1000.0;
    double stepWidth = -1000.0;
    long long count = -1;
    bool atEnd = false;
    for (;;) {
        const std::string line = ToUpperAscii(Trim(lines.ReadTextLine()));
        if (StartsWith(line, "FIRSTANGLE,")) firstAngle = ConvertFloat(line.substr(11));
        if (StartsWith(line, "STEPWIDTH,")) stepWidth = ConvertFloat(line.substr(10));
        if (StartsWith(line, "NROFDATA,")) count = ParseInt(line.substr(9));
        // The end of the file counts even right after "SCANDATA": then there is no data.
        if (lines.AtEnd()) {
            atEnd = true;
            break;
        }
        if (StartsWith(line, "SCANDATA")) break;
    }
    if (atEnd) throw TrevascError(kUnexpectedEndMessage);
    if (count < 0 || firstAngle < -999.0 || stepWidth < -999.0)
        throw TrevascError(kUnknownDataFormatMessage);
    CheckAdditionalKind(registry, main, TScanKind::TwoTheta);

    TRawPointArray points;
    points.reserve(ReserveBound(count, lines.Remaining()));
    double position = firstAngle;
    for (long long i = 0; i < count; ++i) {
        const std::string_view line = lines.ReadTextLine();
        // A file that ends before the announced number of points: say so rather than report
        // a conversion error on an empty text.
        if (line.empty()) throw TrevascError(kUnexpectedEndMessage);
        if (i > 0) position += stepWidth;
        points.push_back({position, RoundToInt32(ConvertFloat(line))});
    }
    Commit(registry, main, TScanKind::TwoTheta, NamedScan(fileName, std::move(points)));
    return {};
}

// One file may hold several datasets, each a "> mscan" header line, later a column header line
// and then one line per point.
ReadResult ReadScanListText(std::string_view content, const std::string& fileName, bool main,
                            ScanRegistry& registry, Prompts& prompts) {
    TextLineReader lines(content);
    int datasets = 0;
    for (std::string_view line = lines.ReadTextLine(); !line.empty(); line = lines.ReadTextLine())
        if (IsDatasetHeader(line)) ++datasets;

    long long wanted = -1;  // every dataset header qualifies when there is only one
    if (datasets > 1) {
        const std::optional<std::string> answer =
            prompts.InputQuery(kDatasetCaption,
                               "The file contains " + std::to_string(datasets) +
                                   " datasets. Which one shall be loaded?",
                               "1");
        if (!answer) {
            ReadResult cancelled;
            cancelled.Cancelled = true;
            return cancelled;
        }
        wanted = ParseInt(*answer);
        if (wanted < 1 || wanted > datasets)
            throw TrevascError(NoSuchDatasetMessage(wanted, datasets));
    }

    lines.Restart();
    int seen = 0;
    bool phi = false;
    std::optional<long long> count;
    for (;;) {
        const std::string_view line = lines.ReadTextLine();
        if (line.empty()) break;
        if (IsDatasetHeader(line)) {
            ++seen;
            if (seen >= wanted) {
                // Once a chosen header names phi, the dataset stays a phi scan.
                if (FindIgnoringAsciiCase(line, "phi") != std::string_view::npos) phi = true;
                count = PointCountWord(line, phi ? 5 : 8);
                if (!count) throw TrevascError(kUnknownFileFormatMessage);
            }
        } else if (seen >= wanted && IsColumnHeader(line)) {
            break;
        }
    }
    // As for the header-plus-counts format, a column header that is the last line of the
    // file leaves nothing to read: that is the end of the file too.
    if (lines.AtEnd()) throw TrevascError(kUnexpectedEndMessage);
    if (!count) throw TrevascError(kUnknownFileFormatMessage);
    const TScanKind kind = phi ? TScanKind::Phi : TScanKind::TwoTheta;
    CheckAdditionalKind(registry, main, kind);

    TRawPointArray points;
    points.reserve(ReserveBound(*count, lines.Remaining()));
    bool cut = false;
    double previousPhi = 0.0;  // raw phi of the previous point, never the corrected one
    for (long long i = 0; i < *count; ++i) {
        const std::string_view line = lines.ReadTextLine();
        const std::optional<ScanListPoint> parsed =
            line.empty() ? std::nullopt : ParseScanListLine(line);
        if (!parsed) {
            cut = true;
            break;
        }
        TRawPoint point;
        point.Intensity = parsed->Counts;
        if (phi) {
            // A phi value below its predecessor has passed 360 degrees.
            point.Position = parsed->Phi < previousPhi ? parsed->Phi + 360.0 : parsed->Phi;
            previousPhi = parsed->Phi;
        } else {
            point.Position = parsed->TwoTheta;
        }
        points.push_back(point);
    }
    if (cut && points.empty()) throw TrevascError(kNoValidDataMessage);
    Commit(registry, main, kind, NamedScan(fileName, std::move(points)));
    if (cut) prompts.ShowInfo(kDatasetCutMessage);
    return {};
}

// Every line whose trimmed text begins with a digit is a data line: position, a separator (the
// first character that cannot belong to a number) and the intensity.
//
// The documented reading takes three passes (count the data lines, find the largest intensity,
// convert); here one pass parses every line and the checks run in the same order afterwards, so
// the error reported is the one the three passes would report first: the kind check, fewer than
// two data lines, an unsplittable line or a bad intensity (second pass) before a bad position
// (third pass), then a spacing or range error at the first line that has one. A large file is
// read in two halves of whole lines on two threads; the first half's errors come first.
//
// The step is taken over the whole file, (last - first) / (n - 1), and point k sits at
// first + k * step: a step from the first two rounded positions drifts over a long scan and
// rejects files whose positions were rounded to a few decimals.
ReadResult ReadTwoColumnText(std::string_view content, const std::string& fileName, bool main,
                             ScanRegistry& registry, Prompts& prompts, size_t parallelFrom) {
    CheckAdditionalKind(registry, main, TScanKind::TwoTheta);
    TwoColumnLines head, tail;
    // A typical data line has 8 to 20 characters; reserving only costs address space. The first
    // half's array takes the second half's points at the end, so it is reserved for both.
    head.Points.reserve(content.size() / 8 + 1);
    const size_t split =
        content.size() >= parallelFrom && HasSecondCore() ? HalfAtLineEnd(content) : content.size();
    if (split < content.size()) {
        tail.Points.reserve((content.size() - split) / 8 + 1);
        RunSideBySide([&] { ReadTwoColumnLines(content.substr(0, split), head); },
                      [&] { ReadTwoColumnLines(content.substr(split), tail); });
    } else {
        ReadTwoColumnLines(content, head);
    }
    const size_t count = head.Count + tail.Count;
    if (count < 2) throw TrevascError(kUnknownDataFormatMessage);
    if (head.LineError || tail.LineError)
        throw TrevascError(head.LineError ? *head.LineError : *tail.LineError);
    if (head.PositionError || tail.PositionError)
        throw TrevascError(head.PositionError ? *head.PositionError : *tail.PositionError);

    // Scale the intensities down by powers of ten until the largest fits a 32-bit integer.
    const double maximum = std::max(head.Maximum, tail.Maximum);
    double factor = 1.0;
    while (maximum / factor > 2000000000.0) factor *= 10.0;

    TRawPointArray& points = head.Points;
    const double first = (points.empty() ? tail.Points : points).front().Position;
    const double last = (tail.Points.empty() ? points : tail.Points).back().Position;
    const double step = (last - first) / static_cast<double>(count - 1);
    const size_t headCount = points.size();
    std::vector<std::pair<size_t, double>>& unusual = head.Unusual;
    for (const auto& [i, value] : tail.Unusual) unusual.emplace_back(headCount + i, value);
    size_t nextUnusual = 0;  // the points are finished in order, and so are their values
    const auto finish = [&](TRawPoint& point, size_t i) {
        const double onGrid = first + static_cast<double>(i) * step;
        // Written so that a NaN deviation (an infinite step) fails as well.
        if (!(std::fabs(point.Position - onGrid) <= kTwoColumnSpacingTolerance))
            throw TrevascError(kSpacingMessage);
        point.Position = onGrid;
        // A whole count read as such needs no rounding unless it is scaled.
        if (nextUnusual < unusual.size() && unusual[nextUnusual].first == i)
            point.Intensity = RoundToInt32(unusual[nextUnusual++].second / factor);
        else if (factor != 1.0)
            point.Intensity = RoundToInt32(point.Intensity / factor);
    };
    for (size_t i = 0; i < headCount; ++i) finish(points[i], i);
    for (size_t i = 0; i < tail.Points.size(); ++i) {
        TRawPoint point = tail.Points[i];
        finish(point, headCount + i);
        points.push_back(point);
    }
    tail.Points = TRawPointArray();
    Commit(registry, main, TScanKind::TwoTheta, NamedScan(fileName, std::move(points)));
    if (factor > 1.0) prompts.ShowInfo(ScaledMessage(factor));
    return {};
}

ReadResult ReadTwoColumnText(std::string_view content, const std::string& fileName, bool main,
                             ScanRegistry& registry, Prompts& prompts) {
    return ReadTwoColumnText(content, fileName, main, registry, prompts, kParallelReadFrom);
}

}  // namespace trevasc::formats
