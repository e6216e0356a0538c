#include "core/Configuration.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "Version.h"
#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/FileLock.h"
#include "base/IniFile.h"
#include "base/InputFile.h"
#include "base/PathText.h"

namespace trevasc {

namespace fs = std::filesystem;

namespace {

std::string WithDelimiter(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    return out;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Copies through a temporary file and a rename, so that a crash during the copy never leaves a
// truncated xray.ini or substrates.ini behind (it would then never be seeded again).
void CopyDefinitionFile(const std::string& source, const std::string& target) {
    try {
        WriteFileAtomic(target, ReadWholeFile(source));
    } catch (...) {
        // A failed copy is not reported: the table just stays empty.
    }
}

void SeedOne(const ConfigPaths& paths, const std::string& definitionFile,
             const std::string& iniFile) {
    std::error_code ec;
    if (fs::exists(iniFile, ec) || ec) return;
    fs::create_directories(paths.ConfigFolder, ec);
    CopyDefinitionFile(definitionFile, iniFile);
}

// The windows of the main INI file in the order in which their sections are written.
struct WindowSection {
    const char* Section;
    WindowPosition MainSettings::*Member;
    bool HasSize;
};
constexpr WindowSection kWindowSections[] = {
    {"MAINWINDOW", &MainSettings::MainWindow, false},
    {"PLOTWINDOW", &MainSettings::PlotWindow, true},
    {"LATTICEWINDOW", &MainSettings::LatticeWindow, false},
    {"XRRWINDOW", &MainSettings::ThicknessWindow, false},
    {"NELSONRILEYWINDOW", &MainSettings::NelsonRileyWindow, true},
    {"TWOAXISWINDOW", &MainSettings::TwoAxisWindow, true},
    {"LEGENDWINDOW", &MainSettings::LegendWindow, true},
};

int ReadInt(const IniFile& ini, const char* section, const char* key, int def) {
    const long long v = ini.ReadInteger(section, key, def);
    // A value outside the int range cannot be a window coordinate: keep the default.
    return (v < INT_MIN || v > INT_MAX) ? def : static_cast<int>(v);
}

std::string HistoryKey(size_t i) {
    return "FILE" + std::to_string(i);
}

int Clamp(long long pos, long long size, long long desktopPos, long long desktopSize) {
    // 64-bit arithmetic: stored positions come from a file and may be anything.
    if (pos + size > desktopPos + desktopSize) pos = desktopPos + desktopSize - size;
    if (pos < desktopPos) pos = desktopPos;
    return static_cast<int>(std::clamp<long long>(pos, INT_MIN, INT_MAX));
}

}  // namespace

void UpdateMainIni(const std::string& mainIniPath, const std::function<void(IniFile&)>& change) {
    try {
        const FileLock lock(mainIniPath);
        IniFile ini(mainIniPath);
        change(ini);
        ini.TrySave();
    } catch (const TrevascError&) {
        // No lock: the folder cannot take the file either.
    }
}

std::string ChooseConfigFolder(std::string_view userConfigLocation,
                               std::string_view programFolder) {
    if (userConfigLocation.empty()) return WithDelimiter(programFolder);
    return WithDelimiter(userConfigLocation) + "trevasc/";
}

std::string MainIniFileName(std::string_view programName) {
    return RemoveExtension(FileNameWithoutFolder(programName)) + ".INI";
}

ConfigPaths MakeConfigPaths(std::string_view configFolder, std::string_view programName) {
    ConfigPaths p;
    p.ConfigFolder = WithDelimiter(configFolder);
    p.MainIniPath = p.ConfigFolder + MainIniFileName(programName);
    p.ColorsIniPath = p.ConfigFolder + "colors.ini";
    p.XrayIniPath = p.ConfigFolder + "xray.ini";
    p.SubstratesIniPath = p.ConfigFolder + "substrates.ini";
    return p;
}

void SeedDefinitionFiles(const ConfigPaths& paths, std::string_view definitionFolder) {
    const std::string folder = WithDelimiter(definitionFolder);
    SeedOne(paths, folder + "Substrates.DEF", paths.SubstratesIniPath);
    SeedOne(paths, folder + "XRAY.DEF", paths.XrayIniPath);
}

std::string FindDefinitionFolder(std::string_view executableFolder,
                                 std::string_view dataFromExecutable) {
    // An installed program finds its data relative to itself first (<prefix>/bin ->
    // <prefix>/share/trevasc), so that a package installed under another prefix than the
    // build's still finds it; then the prefix the program was built for.
    const std::string candidates[] = {
        WithDelimiter(executableFolder),
        WithDelimiter(WithDelimiter(executableFolder) + std::string(dataFromExecutable)),
        WithDelimiter(TREVASC_DATA_INSTALL_DIR)};
    for (const std::string& folder : candidates)
        if (IsFile(folder + "XRAY.DEF") || IsFile(folder + "Substrates.DEF")) return folder;
    return candidates[0];
}

ConfigPaths WorkbenchConfigPaths(std::string_view programFolder,
                                 std::string_view definitionFolder) {
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    const ConfigPaths paths = MakeConfigPaths(ChooseConfigFolder(base, programFolder), "trevasc");
    SeedDefinitionFiles(paths, definitionFolder);
    return paths;
}

MainSettings ReadMainSettings(const std::string& mainIniPath) {
    const IniFile ini(mainIniPath);
    MainSettings s;
    for (const WindowSection& w : kWindowSections) {
        WindowPosition& pos = s.*(w.Member);
        if (w.HasSize) {
            pos.Width = ReadInt(ini, w.Section, "Width", pos.Width);
            pos.Height = ReadInt(ini, w.Section, "Height", pos.Height);
        }
        pos.Left = ReadInt(ini, w.Section, "Left", pos.Left);
        pos.Top = ReadInt(ini, w.Section, "Top", pos.Top);
    }
    for (size_t i = 0; i < s.FileHistory.size(); ++i)
        s.FileHistory[i] = ini.ReadString("FILEHISTORY", HistoryKey(i), "");
    s.GnuplotExeFile = ini.ReadString("GNUPLOT", "EXEFILE", s.GnuplotExeFile);
    s.ContourLines = ini.ReadBool("GNUPLOT", "CONTOURLINES", s.ContourLines);
    s.AutoUpdates = ini.ReadBool("AUTOUPDATES", "ENABLED", s.AutoUpdates);
    s.UpdateHost = ini.ReadString("AUTOUPDATES", "HOST", s.UpdateHost);
    return s;
}

void WriteMainSettings(const std::string& mainIniPath, const MainSettings& settings) {
    // History entries and the gnuplot path are stored encoded where they hold a line break or
    // the like (IniFile), so that they read back as they were and add no keys of their own.
    UpdateMainIni(mainIniPath, [&](IniFile& ini) {
        for (size_t i = 0; i < settings.FileHistory.size(); ++i)
            ini.WriteString("FILEHISTORY", HistoryKey(i), settings.FileHistory[i]);
        ini.WriteString("GNUPLOT", "EXEFILE", settings.GnuplotExeFile);
        ini.WriteBool("GNUPLOT", "CONTOURLINES", settings.ContourLines);
        ini.WriteBool("AUTOUPDATES", "ENABLED", settings.AutoUpdates);
    });
}

void SaveWindowPositions(const std::string& mainIniPath, const MainSettings& settings) {
    UpdateMainIni(mainIniPath, [&](IniFile& ini) {
        for (const WindowSection& w : kWindowSections) {
            const WindowPosition& pos = settings.*(w.Member);
            ini.WriteInteger(w.Section, "Left", pos.Left);
            ini.WriteInteger(w.Section, "Top", pos.Top);
            if (w.HasSize) {
                ini.WriteInteger(w.Section, "Width", pos.Width);
                ini.WriteInteger(w.Section, "Height", pos.Height);
            }
        }
    });
}

std::vector<std::string> ConfigFileProblems(const ConfigPaths& paths) {
    std::vector<std::string> problems;
    for (const std::string* path :
         {&paths.MainIniPath, &paths.ColorsIniPath, &paths.XrayIniPath, &paths.SubstratesIniPath}) {
        const IniFile ini(*path);
        if (!ini.Problem().empty()) problems.push_back(ini.Problem());
    }
    return problems;
}

int ClampLeft(int left, int width, int desktopLeft, int desktopWidth) {
    return Clamp(left, width, desktopLeft, desktopWidth);
}

int ClampExtent(int extent, int desktopExtent) {
    constexpr int kMinimum = 50;
    return std::max(kMinimum, std::min(extent, std::max(desktopExtent, kMinimum)));
}

int ClampTop(int top, int height, int desktopTop, int desktopHeight) {
    return Clamp(top, height, desktopTop, desktopHeight);
}

std::string ProgramTitle(int major, int minor, int build) {
    return "Trevasc v" + std::to_string(major) + "." + std::to_string(minor) + " (Build " +
           std::to_string(build) + ")";
}

std::string ProgramTitle() {
    return "Trevasc";
}

std::string CurrentProgramTitle() {
    return ProgramTitle(kVersionMajor, kVersionMinor, kVersionBuild);
}

}  // namespace trevasc
