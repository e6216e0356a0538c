#pragma once
// Configuration folder and files, seeding from the definition files, the main INI file
// (window positions, file history, gnuplot and update settings), window clamping and the
// program title.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trevasc {

// The four configuration files, fixed after start-up.
struct ConfigPaths {
    std::string ConfigFolder;  // with a trailing "/"
    std::string MainIniPath;   // program file name with ".INI" as extension
    std::string ColorsIniPath;
    std::string XrayIniPath;
    std::string SubstratesIniPath;
};

// The configuration folder: the per-user configuration location + "trevasc/", or the program
// folder when that location is unknown (empty).
std::string ChooseConfigFolder(std::string_view userConfigLocation, std::string_view programFolder);
// "trevasc" -> "trevasc.INI", "/usr/bin/trevasc.bin" -> "trevasc.INI".
std::string MainIniFileName(std::string_view programName);
// Paths of the configuration files in `configFolder` (a trailing delimiter is added if missing).
ConfigPaths MakeConfigPaths(std::string_view configFolder, std::string_view programName);

// Copies "Substrates.DEF" to substrates.ini and "XRAY.DEF" to xray.ini when the target is
// missing, creating the configuration folder with its parents. Failures are ignored: a missing
// definition file simply leaves its table empty. Existing files are never touched.
void SeedDefinitionFiles(const ConfigPaths& paths, std::string_view definitionFolder);
// Folder of the definition files: beside the executable, else `dataFromExecutable` seen from it
// ("../share/trevasc" for <prefix>/bin), else the data folder of the installation prefix; the
// executable's folder when none holds one. Always with a trailing "/".
std::string FindDefinitionFolder(std::string_view executableFolder,
                                 std::string_view dataFromExecutable = "../share/trevasc");
// The configuration files as the workbench, the batch tool and the Python module find them: the
// per-user configuration folder ($XDG_CONFIG_HOME, else $HOME/.config, + "trevasc/"; the
// program's folder when neither is set), seeded from the definition files in definitionFolder
// when missing.
ConfigPaths WorkbenchConfigPaths(std::string_view programFolder, std::string_view definitionFolder);

// Stored position of a window. Width and Height are kept only for the plot, Nelson-Riley,
// 2-axis and legend windows; the others have a designed size.
struct WindowPosition {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Every key of the main INI file, with its default.
struct MainSettings {
    WindowPosition MainWindow{100, 100, 0, 0};
    WindowPosition PlotWindow{120, 120, 800, 600};
    WindowPosition LatticeWindow{140, 140, 0, 0};
    WindowPosition ThicknessWindow{140, 140, 0, 0};
    WindowPosition NelsonRileyWindow{160, 160, 400, 300};
    WindowPosition TwoAxisWindow{180, 180, 400, 300};
    WindowPosition LegendWindow{200, 200, 300, 400};
    std::array<std::string, 10> FileHistory;  // FILE0 (most recent) .. FILE9
    std::string GnuplotExeFile = "gnuplot";   // found on PATH
    bool ContourLines = true;
    bool AutoUpdates = true;
    // Host (with an optional ":port") that publishes the version document; empty: the
    // project's own. Read from AUTOUPDATES HOST, never written by the program.
    std::string UpdateHost;
};

// Reads the main INI file; a missing file or key gives the default.
MainSettings ReadMainSettings(const std::string& mainIniPath);
// Writes the keys stored at exit: FILEHISTORY FILE0..FILE9 (empty slots as empty strings),
// GNUPLOT EXEFILE and CONTOURLINES, AUTOUPDATES ENABLED. Other keys and sections of the file
// are kept as they were. Write errors are not reported; a file that could not be read whole is
// not written.
void WriteMainSettings(const std::string& mainIniPath, const MainSettings& settings);

class IniFile;
// Reads the main INI file, lets `change` set its keys and writes it back, all under the file's
// lock so that a second instance of the program exiting at the same time keeps its keys too.
// Keys and sections the program does not know stay as they were; a file that could not be read
// whole is not written (IniFile::Save refuses). Errors are not reported.
void UpdateMainIni(const std::string& mainIniPath, const std::function<void(IniFile&)>& change);
// Writes the positions of the seven windows (Left, Top, then Width, Height where kept).
// Write errors are not reported.
void SaveWindowPositions(const std::string& mainIniPath, const MainSettings& settings);
// The messages of the configuration files that exist but cannot be read whole (IniFile::Problem):
// the program reports them at start and never writes those files.
std::vector<std::string> ConfigFileProblems(const ConfigPaths& paths);

// Keeps a window inside the virtual desktop: its right edge is moved in to the desktop's right
// edge, then its left edge out to the desktop's left edge.
int ClampLeft(int left, int width, int desktopLeft, int desktopWidth);
int ClampTop(int top, int height, int desktopTop, int desktopHeight);
// A stored width or height as applied: at least 50 pixels, at most the desktop's extent.
int ClampExtent(int extent, int desktopExtent);

// "Trevasc v1.0 (Build 1)".
std::string ProgramTitle(int major, int minor, int build);
// The title without version information: "Trevasc".
std::string ProgramTitle();
// ProgramTitle with the version compiled into this program.
std::string CurrentProgramTitle();

}  // namespace trevasc
