// Rigaku RAS text files. The whole file is parsed before the registry is written, like every
// other reader, so a file that fails anywhere changes nothing.
#include "formats/RigakuRasReader.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "base/TextLine.h"
#include "formats/ScanFileReader.h"

namespace trevasc::formats {

namespace {

constexpr std::string_view kDataStart = "*RAS_DATA_START";
constexpr std::string_view kDataEnd = "*RAS_DATA_END";
constexpr std::string_view kHeaderStart = "*RAS_HEADER_START";
constexpr std::string_view kIntStart = "*RAS_INT_START";
constexpr std::string_view kIntEnd = "*RAS_INT_END";
constexpr const char* kDegree = "\xC2\xB0";

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::string LinePrefix(size_t line) {
    return "Line " + std::to_string(line) + ": ";
}

// Letters and digits of an axis name, lower case: "2-Theta/Omega" -> "2thetaomega".
std::string AxisKey(std::string_view axis) {
    std::string key;
    for (char c : axis) {
        const char l = LowerAscii(c);
        if ((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9')) key += l;
    }
    return key;
}

// A coupled scan moves Omega with half the 2Theta step ("2-Theta/Omega", "Theta/2-Theta").
bool IsCoupledAxis(std::string_view axis) {
    const std::string key = AxisKey(axis);
    return key != "2theta" && key != "twotheta";
}

struct RasScan {
    std::map<std::string, std::string, std::less<>> Header;
    TRawPointArray Points;
    size_t DataLine = 0;  // line of "*RAS_INT_START"
};

std::string_view HeaderValue(const RasScan& scan, std::string_view key) {
    const auto it = scan.Header.find(key);
    return it == scan.Header.end() ? std::string_view() : std::string_view(it->second);
}

// `*KEY "value"`: the key up to the first blank, the value with its quotes removed.
void ReadHeaderLine(std::string_view line, RasScan& scan) {
    line.remove_prefix(1);
    size_t end = 0;
    while (end < line.size() && !IsBlankOrTab(line[end])) ++end;
    std::string_view value = Trim(line.substr(end));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    scan.Header[std::string(line.substr(0, end))] = std::string(value);
}

// "angle intensity [attenuator]": the intensity is the counts times the attenuator factor,
// rounded as the XML reader rounds attenuated counts.
TRawPoint ReadDataLine(std::string_view line, size_t number) {
    std::string_view fields[4];
    size_t count = 0;
    size_t p = 0;
    while (p < line.size()) {
        while (p < line.size() && IsBlankOrTab(line[p])) ++p;
        if (p == line.size()) break;
        const size_t begin = p;
        while (p < line.size() && !IsBlankOrTab(line[p])) ++p;
        if (count == 4) break;
        fields[count++] = line.substr(begin, p - begin);
    }
    if (count < 2 || count > 3)
        throw TrevascError(LinePrefix(number) + "\"" + QuoteForMessage(line) +
                           "\" is not a data line of angle, intensity and attenuator factor.");
    double values[3] = {0.0, 0.0, 1.0};
    for (size_t i = 0; i < count; ++i) {
        const std::optional<double> v = TryParseFloat(fields[i]);
        if (!v)
            throw TrevascError(LinePrefix(number) + "\"" + QuoteForMessage(fields[i]) +
                               "\" is not a number.");
        values[i] = *v;
    }
    TRawPoint point;
    point.Position = values[0];
    const double intensity = values[1] * values[2];
    if (!std::isfinite(intensity) || std::fabs(intensity) >= 2147483647.5)
        throw TrevascError(LinePrefix(number) + "the intensity " + FormatGeneral(values[1], 15) +
                           " x " + FormatGeneral(values[2], 15) + " does not fit a 32-bit count.");
    point.Intensity = RoundToInt32(intensity);
    return point;
}

std::vector<RasScan> ParseRas(std::string_view content) {
    NumberedLineReader lines(content);
    std::vector<RasScan> scans;
    RasScan current;
    bool inData = false;
    std::string_view line;
    while (lines.Next(line)) {
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty()) continue;
        if (inData) {
            if (trimmed == kIntEnd) {
                if (current.Points.empty())
                    throw TrevascError(LinePrefix(lines.Number()) + "scan " +
                                       std::to_string(scans.size() + 1) + " holds no data points.");
                // The header stays for a data block that follows without one of its own.
                RasScan done = std::move(current);
                current.Header = done.Header;
                current.Points = TRawPointArray();
                scans.push_back(std::move(done));
                inData = false;
            } else if (trimmed.front() == '*') {
                throw TrevascError(LinePrefix(lines.Number()) + "\"" + QuoteForMessage(trimmed) +
                                   "\" stands inside the data of scan " +
                                   std::to_string(scans.size() + 1) + ", before its \"" +
                                   std::string(kIntEnd) + "\".");
            } else {
                current.Points.push_back(ReadDataLine(trimmed, lines.Number()));
            }
            continue;
        }
        if (trimmed == kDataEnd) break;
        if (trimmed == kHeaderStart) {
            current.Header.clear();
        } else if (trimmed == kIntStart) {
            inData = true;
            current.DataLine = lines.Number();
        } else if (trimmed.front() == '*') {
            ReadHeaderLine(trimmed, current);
        }
        // Anything else between the blocks carries nothing the workbench uses.
    }
    if (inData)
        throw TrevascError(LinePrefix(lines.Number()) + "the file ends inside the data of scan " +
                           std::to_string(scans.size() + 1) + " (\"" + std::string(kIntEnd) +
                           "\" is missing).");
    if (scans.empty())
        throw TrevascError("The file holds no scan data (\"" + std::string(kIntStart) +
                           "\" not found).");
    return scans;
}

// Position of a goniometer axis in a scan's header (*MEAS_COND_AXIS_POSITION-i of the axis
// whose name, or internal name, is one of `names`); nothing when absent or not a number ("-").
std::optional<double> AxisPosition(const RasScan& scan, std::initializer_list<const char*> names) {
    for (int i = 0;; ++i) {
        const std::string index = std::to_string(i);
        const std::string_view name = HeaderValue(scan, "MEAS_COND_AXIS_NAME-" + index);
        const std::string_view internal =
            HeaderValue(scan, "MEAS_COND_AXIS_NAME_INTERNAL-" + index);
        if (name.empty() && internal.empty() && !scan.Header.count("MEAS_COND_AXIS_NAME-" + index))
            return std::nullopt;
        for (const char* wanted : names) {
            if (EqualsIgnoringAsciiCase(name, wanted) || EqualsIgnoringAsciiCase(internal, wanted))
                return TryParseFloat(HeaderValue(scan, "MEAS_COND_AXIS_POSITION-" + index));
        }
    }
}

// A sample name in another encoding than UTF-8 (the instrument may write Shift-JIS) would show
// as garbage: the file name stands in for it.
bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const size_t n = Utf8CharLength(text);
        if (n == 0) return false;
        text.remove_prefix(n);
    }
    return true;
}

struct SecondAxis {
    const char* Name;  // as the workbench names it
    std::initializer_list<const char*> Names;
    TScanKind Kind;  // a scan of this kind has no second axis of this name
};

}  // namespace

bool IsRigakuRasText(std::string_view content) {
    return Trim(FirstNonEmptyLine(content)) == kDataStart;
}

std::optional<TScanKind> RasScanKind(std::string_view axis) {
    const std::string key = AxisKey(axis);
    if (key.find("2theta") != std::string::npos || key.find("twotheta") != std::string::npos)
        return TScanKind::TwoTheta;
    if (key == "omega") return TScanKind::Omega;
    if (key == "phi") return TScanKind::Phi;
    // The tilt axis that the XML format calls Psi is Chi on these instruments.
    if (key == "chi" || key == "psi") return TScanKind::Psi;
    return std::nullopt;
}

// Several scans in one file are read as an area measurement is: the first becomes the main scan
// and the others additional scans. Their second axis is the one of Omega, Phi and Chi whose
// position changes from scan to scan; 2Theta scans (not coupled) at fixed Omega positions form a
// "common Omega" series.
ReadResult ReadRigakuRasText(std::string_view content, const std::string& fileName, bool main,
                             ScanRegistry& registry, Prompts& /*prompts*/) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    if (!IsRigakuRasText(content))
        throw TrevascError("This is no Rigaku RAS file (its first line is not \"" +
                           std::string(kDataStart) + "\").");
    std::vector<RasScan> scans = ParseRas(content);

    const std::string axis(HeaderValue(scans[0], "MEAS_SCAN_AXIS_X"));
    const std::optional<TScanKind> axisKind = RasScanKind(axis);
    if (!axisKind)
        throw TrevascError("The scan axis \"" + QuoteForMessage(axis) +
                           "\" (*MEAS_SCAN_AXIS_X) is not one the workbench can show (2-Theta, "
                           "2-Theta/Omega, Omega, Phi or Chi).");
    for (size_t k = 1; k < scans.size(); ++k) {
        const std::string_view other = HeaderValue(scans[k], "MEAS_SCAN_AXIS_X");
        if (AxisKey(other) != AxisKey(axis))
            throw TrevascError(LinePrefix(scans[k].DataLine) + "scan " + std::to_string(k + 1) +
                               " has the scan axis \"" + QuoteForMessage(other) +
                               "\", the first scan \"" + QuoteForMessage(axis) + "\".");
    }
    TScanKind kind = *axisKind;

    std::string sample(Trim(HeaderValue(scans[0], "FILE_SAMPLE")));
    if (sample.empty() || !IsUtf8(sample)) sample = FileNameWithoutFolder(fileName);

    const SecondAxis axes[] = {{"Omega", {"Omega"}, TScanKind::Omega},
                               {"Phi", {"Phi"}, TScanKind::Phi},
                               {"Psi", {"Chi", "Psi"}, TScanKind::Psi}};
    const SecondAxis* second = nullptr;
    std::vector<double> secondPositions(scans.size(), 0.0);
    bool common = false;
    if (scans.size() > 1) {
        for (const SecondAxis& candidate : axes) {
            if (candidate.Kind == kind) continue;
            std::vector<double> positions;
            for (const RasScan& scan : scans) {
                const std::optional<double> p = AxisPosition(scan, candidate.Names);
                if (!p) break;
                positions.push_back(*p);
            }
            if (positions.size() != scans.size()) continue;
            bool moves = false;
            for (double p : positions) moves = moves || p != positions[0];
            if (!moves && !(candidate.Kind == TScanKind::Omega && kind == TScanKind::TwoTheta))
                continue;
            second = &candidate;
            secondPositions = positions;
            if (moves) break;
        }
        if (second && second->Kind == TScanKind::Omega && kind == TScanKind::TwoTheta) {
            if (IsCoupledAxis(axis)) {
                // The header holds Omega at the start; a coupled scan moves it by half the
                // 2Theta range, and the map takes the middle of the scan (as for XML files).
                for (size_t k = 0; k < scans.size(); ++k)
                    secondPositions[k] +=
                        (scans[k].Points.back().Position - scans[k].Points.front().Position) / 4.0;
            } else {
                common = true;
            }
        }
    }
    if (common) kind = TScanKind::TwoThetaCommonOmega;
    CheckAdditionalKind(registry, main, kind);

    std::vector<TParsedScan> parsed(scans.size());
    for (size_t k = 0; k < scans.size(); ++k) {
        TParsedScan& scan = parsed[k];
        scan.Points = std::move(scans[k].Points);
        if (scans.size() == 1) {
            scan.Name = sample;
            continue;
        }
        std::string label = "Scan " + std::to_string(k + 1);
        if (second) {
            scan.SecondAxisName = second->Name;
            scan.SecondAxisPosition = secondPositions[k];
            label = scan.SecondAxisName + "=" + FormatFixed(scan.SecondAxisPosition, 3) + kDegree;
        }
        scan.Name = main ? label : sample + " " + label;
    }
    CommitScans(registry, main, kind, std::move(parsed));
    ReadResult result;
    result.PlotName = sample;
    return result;
}

}  // namespace trevasc::formats
