#include "formats/PeakListFile.h"

#include <optional>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/InputFile.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "formats/TextExchange.h"

namespace trevasc::formats {

namespace {

// A line break inside a description or title would split its line and turn the rest into a
// position that cannot be read back; such characters are written as blanks.
std::string OnOneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

// Peak files always use "." whatever the user's locale, so they read back anywhere.
std::string FilePosition(double position) {
    return FormatFixed(position, 4, '.');
}

template <typename AppendPeak>
void AppendCheckedThenUnchecked(std::string& out, const TDataSet& scan, AppendPeak appendPeak) {
    for (const TPeak& p : scan.Peaks.Items)
        if (p.Checked) appendPeak(p);
    out += kLineEnd;
    for (const TPeak& p : scan.Peaks.Items)
        if (!p.Checked) appendPeak(p);
}

}  // namespace

std::string PeakListFileText(const TDataSet& scan) {
    std::string out;
    AppendCheckedThenUnchecked(out, scan, [&out](const TPeak& p) {
        out += FilePosition(p.Position);
        out += kLineEnd;
    });
    return out;
}

std::string PeakListIdentFileText(const TDataSet& scan, const std::string& plotTitle) {
    std::string out = "TITLE " + OnOneLine(plotTitle);
    out += kLineEnd;
    AppendCheckedThenUnchecked(out, scan, [&out](const TPeak& p) {
        std::string position = FilePosition(p.Position);
        if (position.size() < 9) position.resize(9, ' ');
        out += position;
        out += ' ';
        out += OnOneLine(p.Description);
        out += kLineEnd;
    });
    return out;
}

void ReadPeakListText(std::string_view content, TDataSet& target, bool main, std::string& plotTitle,
                      char decimalSeparator, const std::string& fileName) {
    target.Peaks.Clear();
    // A byte order mark from an editor would otherwise spoil the first position.
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);

    bool checked = true;
    size_t pos = 0;
    int lineNumber = 0;
    while (pos < content.size()) {
        ++lineNumber;
        size_t end = content.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = content.size();
        const std::string_view line = Trim(content.substr(pos, end - pos));
        pos = end;
        if (pos < content.size()) {
            // CR LF is one line end; a lone CR or LF is one too.
            if (content[pos] == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n')
                pos += 2;
            else
                pos += 1;
        }

        std::string_view token = line;
        std::string_view text;
        if (const size_t blank = line.find(' '); blank != std::string_view::npos) {
            token = line.substr(0, blank);
            text = Trim(line.substr(blank + 1));
        }

        if (token.empty()) {
            checked = false;  // the empty line separates checked from unchecked peaks
        } else if (token == "TITLE") {
            if (main) plotTitle = std::string(text);
        } else {
            const std::string local = ToLocalDecimal(token, decimalSeparator);
            const std::optional<double> position = TryParseFloat(local);
            if (!position) {
                // Read beside a scan, the list's error would otherwise be taken for the scan's.
                std::string where;
                if (!fileName.empty())
                    where = "Peak list \"" + QuoteForMessage(fileName, kWholeText) + "\", line " +
                            std::to_string(lineNumber) + ": ";
                throw TrevascError(where + FloatConversionMessage(Trim(local)));
            }
            AddPeak(target, *position, std::string(text), checked);
        }
    }
    target.Peaks.Unsaved = false;
}

void ReadPeakListFile(const std::string& fileName, TDataSet& target, bool main,
                      std::string& plotTitle) {
    const std::string content = ReadWholeFile(fileName);
    ReadPeakListText(content, target, main, plotTitle, '.', fileName);
}

void WritePeakListFile(const std::string& fileName, TDataSet& scan, bool withIdent,
                       const std::string& plotTitle) {
    const std::string text =
        withIdent ? PeakListIdentFileText(scan, plotTitle) : PeakListFileText(scan);
    WriteFileAtomic(fileName, text);
    scan.Peaks.Unsaved = false;
}

}  // namespace trevasc::formats
