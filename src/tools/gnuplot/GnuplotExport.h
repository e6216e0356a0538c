#pragma once
// Handing a map to gnuplot: the data file, the script made from the user's template, the file
// names beside the scan and the program's arguments. Starting the program is left to the caller
// (the map window and the batch tool), which never goes through a shell.
#include <cstdint>
#include <string>
#include <vector>

#include "plot/TwoDPlot.h"

namespace trevasc::tools {

// The four entries of the "&Gnuplot" menu.
enum class GnuplotKind : int { ScreenBW = 0, ScreenColor = 1, PngBW = 2, PngColor = 3 };

inline constexpr const char* kTemplateFileName = "trevasc_gnuplot_template.plt";
// A script template is a page of text; anything larger is refused before it is read.
inline constexpr uint64_t kMaxTemplateSize = uint64_t{1} << 20;
inline constexpr const char* kEmptyMapMessage = "The map has no points to hand to gnuplot.";

struct GnuplotFiles {
    std::string DataFile;     // base + "_GnuPlotData.dat"
    std::string ScriptFile;   // base + the kind's script suffix
    std::string PictureFile;  // data file + "_BW.png" or "_Color.png"
};
// base = folder + file name without its extension.
GnuplotFiles GnuplotFileNames(const std::string& folder, const std::string& fileName,
                              GnuplotKind kind);

// The data file's text: X, Y, log10(Z + 1) with 5 decimals and ".", TAB separated, CR LF, an
// empty line before every point that starts a new scan.
std::string GnuplotDataText(const plot::T2dPlotDataset& dataset);
// The script: each template line with the placeholders replaced and the marked lines kept or
// dropped for this kind; lines empty afterwards are left out.
std::string ProcessGnuplotTemplate(const std::string& templateText, GnuplotKind kind,
                                   bool contourLines, const std::string& dataFile,
                                   const std::string& pictureFile);
// Arguments for the program: the script path exactly as written, then "-" for the screen kinds
// (gnuplot stays open after the script).
std::vector<std::string> GnuplotArguments(const std::string& scriptFile, GnuplotKind kind);

struct GnuplotExportResult {
    bool Ok = false;
    std::string Message;  // what went wrong, for the user
    GnuplotFiles Files;
    std::vector<std::string> Arguments;
};
// Writes the data file and the script (atomically) for a built map; templateFile is read whole.
// Nothing is started here. A missing, oversized (kMaxTemplateSize) or placeholder-free
// template, an empty map or a file name gnuplot could not read safely (a quote, a backslash, a
// control character) is reported before anything is written; an unwritable folder gives a
// message naming the file. For the PNG kinds a picture of an earlier export is removed first,
// so that only gnuplot's own output can be taken for the picture.
GnuplotExportResult WriteGnuplotFiles(const plot::T2dPlotDataset& dataset, GnuplotKind kind,
                                      bool contourLines, const std::string& folder,
                                      const std::string& fileName, const std::string& templateFile);

// Removes the data file and the script of an export whose program could not be started.
void RemoveGnuplotFiles(const GnuplotFiles& files);

}  // namespace trevasc::tools
