#include "tools/gnuplot/GnuplotExport.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/InputFile.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/PathText.h"

namespace trevasc::tools {

namespace {

constexpr std::string_view kDataFilePlaceholder = "#DATAFILE#";
constexpr std::string_view kOutputFilePlaceholder = "#OUTPUTFILE#";

bool IsScreenKind(GnuplotKind kind) {
    return kind == GnuplotKind::ScreenBW || kind == GnuplotKind::ScreenColor;
}
bool IsColorKind(GnuplotKind kind) {
    return kind == GnuplotKind::ScreenColor || kind == GnuplotKind::PngColor;
}

// Replaces the first occurrence only: a template line names each file once.
void ReplaceFirst(std::string& line, std::string_view placeholder, const std::string& value) {
    const size_t at = line.find(placeholder);
    if (at != std::string::npos) line.replace(at, placeholder.size(), value);
}

// Removes the first occurrence of the marker; false when the line is not for this export.
bool KeepMarkedLine(std::string& line, std::string_view marker, bool wanted) {
    const size_t at = line.find(marker);
    if (at == std::string::npos) return true;
    line.erase(at, marker.size());
    return wanted;
}

// gnuplot reads the paths inside quotes in its own command language, where a quote ends the
// string, a backquote runs a shell command and a backslash starts an escape inside double
// quotes: such a file name is refused rather than escaped, since the user's template decides
// the quoting. Refusing the backslash also means that every path is handed over exactly as it
// was written; on this platform it is part of a file name, not a folder delimiter.
bool IsSafeForScript(const std::string& path) {
    return std::none_of(path.begin(), path.end(), [](char c) {
        return c == '\'' || c == '"' || c == '`' || c == '\\' || static_cast<unsigned char>(c) < 32;
    });
}

}  // namespace

GnuplotFiles GnuplotFileNames(const std::string& folder, const std::string& fileName,
                              GnuplotKind kind) {
    std::string base = folder;
    if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
    base += RemoveExtension(FileNameWithoutFolder(fileName));
    static constexpr const char* kScriptSuffix[] = {"_GnuPlotBW.plt", "_GnuPlotCOLOR.plt",
                                                    "_GnuPlotBW2PNG.plt", "_GnuPlotCOLOR2PNG.plt"};
    GnuplotFiles files;
    files.DataFile = base + "_GnuPlotData.dat";
    files.ScriptFile = base + kScriptSuffix[static_cast<int>(kind)];
    files.PictureFile = files.DataFile + (IsColorKind(kind) ? "_Color.png" : "_BW.png");
    return files;
}

std::string GnuplotDataText(const plot::T2dPlotDataset& dataset) {
    std::string text;
    text.reserve(dataset.Points.size() * 32);
    int32_t previousScan = 0;
    for (const plot::T2dPlotPoint& p : dataset.Points) {
        // gnuplot's pm3d joins the points of one block into a scan line: one block per scan.
        if (p.ScanIndex != previousScan) text += "\r\n";
        previousScan = p.ScanIndex;
        // Counts of -1 and below (background removed) would put "-inf" or "nan" into the
        // file, which ends gnuplot's plot: they are written as 0, the map window's bottom level.
        const double level = p.Z + 1.0 > 0.0 ? std::log10(p.Z + 1.0) : 0.0;
        text += FormatFixed(p.X, 5);
        text += '\t';
        text += FormatFixed(p.Y, 5);
        text += '\t';
        text += FormatFixed(level, 5);
        text += "\r\n";
    }
    return text;
}

std::string ProcessGnuplotTemplate(const std::string& templateText, GnuplotKind kind,
                                   bool contourLines, const std::string& dataFile,
                                   const std::string& pictureFile) {
    const std::string& data = dataFile;
    const std::string& picture = pictureFile;
    std::string script;
    size_t start = 0;
    while (start < templateText.size()) {
        size_t end = templateText.find('\n', start);
        if (end == std::string::npos) end = templateText.size();
        std::string line = templateText.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a template saved with CR LF

        ReplaceFirst(line, kDataFilePlaceholder, data);
        ReplaceFirst(line, kOutputFilePlaceholder, picture);
        bool keep = KeepMarkedLine(line, "#COLORONLY#", IsColorKind(kind));
        keep = KeepMarkedLine(line, "#BWONLY#", !IsColorKind(kind)) && keep;
        keep = KeepMarkedLine(line, "#SCREENONLY#", IsScreenKind(kind)) && keep;
        keep = KeepMarkedLine(line, "#PNGONLY#", !IsScreenKind(kind)) && keep;
        keep = KeepMarkedLine(line, "#NOCONTOURONLY#", !contourLines) && keep;
        if (keep && !line.empty()) {
            script += line;
            script += '\n';
        }
    }
    return script;
}

std::vector<std::string> GnuplotArguments(const std::string& scriptFile, GnuplotKind kind) {
    std::vector<std::string> arguments{scriptFile};
    if (IsScreenKind(kind)) arguments.push_back("-");
    return arguments;
}

GnuplotExportResult WriteGnuplotFiles(const plot::T2dPlotDataset& dataset, GnuplotKind kind,
                                      bool contourLines, const std::string& folder,
                                      const std::string& fileName,
                                      const std::string& templateFile) {
    GnuplotExportResult result;
    result.Files = GnuplotFileNames(folder, fileName, kind);
    try {
        // Everything that can be checked is checked before the first file is written, so that a
        // failed export leaves no data file without a script, nor an empty script.
        if (dataset.Points.empty()) throw TrevascError(kEmptyMapMessage);
        for (const std::string& path :
             {result.Files.DataFile, result.Files.PictureFile, result.Files.ScriptFile})
            if (!IsSafeForScript(path))
                throw TrevascError("The file name " + QuoteForMessage(path, kWholeText) +
                                   " holds a quote, a backslash or a control character, which "
                                   "gnuplot would read as part of its commands. Rename the scan "
                                   "file.");
        std::string templateText;
        {
            InputFile in(templateFile);
            if (in.Size() > kMaxTemplateSize)
                throw TrevascError("The gnuplot template " +
                                   QuoteForMessage(templateFile, kWholeText) +
                                   " is larger than 1 MiB: that is not a script template.");
            templateText = in.ReadRest();
        }
        if (templateText.find(kDataFilePlaceholder) == std::string::npos)
            throw TrevascError("The gnuplot template " + QuoteForMessage(templateFile, kWholeText) +
                               " has no #DATAFILE# placeholder, so its script would not plot the "
                               "map.");
        const std::string script = ProcessGnuplotTemplate(
            templateText, kind, contourLines, result.Files.DataFile, result.Files.PictureFile);
        // A picture left from an earlier export would pass for this one's when gnuplot writes
        // nothing (a template without a png terminal, a failed plot): it goes first.
        if (!IsScreenKind(kind)) {
            std::error_code ec;
            std::filesystem::remove(result.Files.PictureFile, ec);
            if (ec)
                throw TrevascError("The picture of an earlier export " +
                                   QuoteForMessage(result.Files.PictureFile, kWholeText) +
                                   " cannot be removed: " + ec.message());
        }
        WriteFileAtomic(result.Files.DataFile, GnuplotDataText(dataset));
        WriteFileAtomic(result.Files.ScriptFile, script);
    } catch (const TrevascError& e) {
        result.Message = e.what();
        return result;
    }
    result.Arguments = GnuplotArguments(result.Files.ScriptFile, kind);
    result.Ok = true;
    return result;
}

void RemoveGnuplotFiles(const GnuplotFiles& files) {
    std::error_code ec;
    std::filesystem::remove(files.DataFile, ec);
    std::filesystem::remove(files.ScriptFile, ec);
}

}  // namespace trevasc::tools
