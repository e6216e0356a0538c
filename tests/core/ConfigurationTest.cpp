#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Configuration.h"
#include "support/TempDir.h"

using namespace trevasc;
namespace fs = std::filesystem;

TEST(Configuration, ClampKeepsWindowsOnTheVirtualDesktop) {
    // Right edge beyond a 1920-pixel desktop: moved in so that it meets the desktop's edge.
    EXPECT_EQ(ClampLeft(5000, 800, 0, 1920), 1120);
    EXPECT_EQ(ClampLeft(-40, 800, 0, 1920), 0);
    EXPECT_EQ(ClampLeft(300, 800, 0, 1920), 300);
    // A window wider than the desktop ends at the desktop's left edge.
    EXPECT_EQ(ClampLeft(100, 2500, 0, 1920), 0);
    // Second monitor left of the primary one: the desktop starts at -1280.
    EXPECT_EQ(ClampLeft(-1000, 400, -1280, 3200), -1000);
    EXPECT_EQ(ClampLeft(-3000, 400, -1280, 3200), -1280);
    EXPECT_EQ(ClampLeft(5000, 400, -1280, 3200), 1520);
    EXPECT_EQ(ClampTop(2000, 600, 0, 1080), 480);
    EXPECT_EQ(ClampTop(-5, 600, -200, 1280), -5);
    // Stored sizes: at most the desktop (a damaged 60000 would allocate gigabytes), at least 50.
    EXPECT_EQ(ClampExtent(60000, 1920), 1920);
    EXPECT_EQ(ClampExtent(800, 1920), 800);
    EXPECT_EQ(ClampExtent(-7, 1920), 50);
    EXPECT_EQ(ClampExtent(800, 0), 50);
    // Values from a damaged file do not overflow.
    EXPECT_EQ(ClampLeft(2147483647, 800, 0, 1920), 1120);
}

TEST(Configuration, PathsAndTitles) {
    const ConfigPaths p = MakeConfigPaths("/home/u/.config/trevasc", "/usr/bin/trevasc");
    const std::string f = "/home/u/.config/trevasc/";
    EXPECT_EQ((std::vector<std::string>{p.ConfigFolder, p.MainIniPath, p.ColorsIniPath,
                                        p.XrayIniPath, p.SubstratesIniPath}),
              (std::vector<std::string>{f, f + "trevasc.INI", f + "colors.ini", f + "xray.ini",
                                        f + "substrates.ini"}));
    EXPECT_EQ(MainIniFileName("trevasc.exe"), "trevasc.INI");
    EXPECT_EQ(ChooseConfigFolder("/home/u/.config", "/opt/t/"), "/home/u/.config/trevasc/");
    EXPECT_EQ(ChooseConfigFolder("", "/opt/t"), "/opt/t/");

    EXPECT_EQ(ProgramTitle(1, 0, 1), "Trevasc v1.0 (Build 1)");
    EXPECT_EQ(ProgramTitle(2, 13, 407), "Trevasc v2.13 (Build 407)");
    EXPECT_EQ(ProgramTitle(), "Trevasc");
    EXPECT_EQ(CurrentProgramTitle().rfind("Trevasc v", 0), 0u);
}

TEST(Configuration, MissingFileGivesDefaultsAndWritesReadBack) {
    test::TempDir dir;
    const std::string ini = dir.File("trevasc.INI");
    const MainSettings d = ReadMainSettings(ini);
    EXPECT_EQ(std::vector<int>({d.MainWindow.Left, d.PlotWindow.Width, d.PlotWindow.Height,
                                d.LegendWindow.Width, d.LegendWindow.Height, d.TwoAxisWindow.Top}),
              std::vector<int>({100, 800, 600, 300, 400, 180}));
    EXPECT_EQ(d.GnuplotExeFile, "gnuplot");
    EXPECT_TRUE(d.ContourLines && d.AutoUpdates);
    EXPECT_EQ(d.FileHistory[9], "");

    MainSettings s = d;
    s.MainWindow = {-20, 7, 0, 0};
    s.PlotWindow = {1, 2, 1024, 768};
    s.ThicknessWindow = {333, 444, 0, 0};
    s.NelsonRileyWindow = {5, 6, 7, 8};
    s.FileHistory[0] = "/data/scan a.xrdml";
    s.FileHistory[3] = "/data/b.txt";
    s.GnuplotExeFile = "/opt/gnuplot/bin/gnuplot";
    s.ContourLines = s.AutoUpdates = false;
    dir.Write(ini, "[OTHER]\nKEY=kept\n");
    SaveWindowPositions(ini, s);
    WriteMainSettings(ini, s);

    const MainSettings r = ReadMainSettings(ini);
    EXPECT_EQ(
        std::vector<int>({r.MainWindow.Left, r.MainWindow.Top, r.PlotWindow.Width,
                          r.PlotWindow.Height, r.ThicknessWindow.Top, r.NelsonRileyWindow.Height}),
        std::vector<int>({-20, 7, 1024, 768, 444, 8}));
    EXPECT_EQ(r.FileHistory, s.FileHistory);
    EXPECT_EQ(r.GnuplotExeFile, "/opt/gnuplot/bin/gnuplot");
    EXPECT_FALSE(r.ContourLines || r.AutoUpdates);

    const std::string text = dir.Read(ini);
    for (const char* part : {"KEY=kept", "[PLOTWINDOW]\nLeft=1\nTop=2\nWidth=1024\nHeight=768\n",
                             "FILE9=\n", "CONTOURLINES=0"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_LT(text.find("[MAINWINDOW]"), text.find("[LEGENDWINDOW]"));

    // Write errors are swallowed.
    SaveWindowPositions(dir.File("missing/x.INI"), s);
    WriteMainSettings(dir.File("missing/x.INI"), s);
    EXPECT_FALSE(fs::exists(dir.File("missing")));
}

TEST(Configuration, SeedingCopiesOnlyMissingFiles) {
    test::TempDir dir;
    const fs::path defs = dir.File("program");
    fs::create_directories(defs);
    dir.Write((defs / "XRAY.DEF").string(), "[ENERGY]\nCu K-Alpha1=8048.869731\n");
    dir.Write((defs / "Substrates.DEF").string(), "[Si]\nSi (004)=69.127\n");

    const ConfigPaths p = MakeConfigPaths(dir.File("a/b/trevasc"), "trevasc");
    SeedDefinitionFiles(p, defs.string());
    EXPECT_EQ(dir.Read(p.XrayIniPath) + dir.Read(p.SubstratesIniPath),
              "[ENERGY]\nCu K-Alpha1=8048.869731\n[Si]\nSi (004)=69.127\n");

    // User edits survive the next start.
    dir.Write(p.SubstratesIniPath, "[Mine]\n");
    fs::remove(p.XrayIniPath);
    SeedDefinitionFiles(p, defs.string());
    EXPECT_EQ(dir.Read(p.SubstratesIniPath), "[Mine]\n");
    EXPECT_TRUE(fs::exists(p.XrayIniPath));

    // Missing definition files leave the tables absent, without an error.
    const ConfigPaths q = MakeConfigPaths(dir.File("c"), "trevasc");
    SeedDefinitionFiles(q, dir.File("nowhere"));
    EXPECT_FALSE(fs::exists(q.XrayIniPath) || fs::exists(q.SubstratesIniPath));

    EXPECT_EQ(FindDefinitionFolder(defs.string()), defs.string() + "/");
    EXPECT_EQ(FindDefinitionFolder(TREVASC_BIN_DIR), std::string(TREVASC_BIN_DIR) + "/");

    // An installed tree: <prefix>/bin and <prefix>/share/trevasc.
    const fs::path prefix = dir.File("prefix");
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/trevasc");
    dir.Write((prefix / "share/trevasc/XRAY.DEF").string(), "[ENERGY]\n");
    EXPECT_EQ(FindDefinitionFolder((prefix / "bin").string()),
              (prefix / "bin").string() + "/../share/trevasc/");
}

TEST(Configuration, WorkbenchConfigurationFollowsXdgThenHome) {
    test::TempDir dir;
    // An installed Python module: <prefix>/lib/python3/dist-packages/trevasc, its data in
    // <prefix>/share/trevasc.
    const fs::path module = dir.File("prefix/lib/python3/dist-packages/trevasc");
    fs::create_directories(module);
    fs::create_directories(dir.File("prefix/share/trevasc"));
    dir.Write(dir.File("prefix/share/trevasc/Substrates.DEF"), "[Si]\nSi (004)=69.127\n");
    const std::string definitions =
        FindDefinitionFolder(module.string(), "../../../../share/trevasc");
    EXPECT_EQ(fs::canonical(definitions), fs::canonical(dir.File("prefix/share/trevasc")));

    const auto restore = [](const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedXdg = xdg ? xdg : "", savedHome = home ? home : "";
    setenv("XDG_CONFIG_HOME", dir.File("xdg").c_str(), 1);
    setenv("HOME", dir.File("home").c_str(), 1);
    const ConfigPaths byXdg = WorkbenchConfigPaths(module.string(), definitions);
    EXPECT_EQ(byXdg.SubstratesIniPath, dir.File("xdg") + "/trevasc/substrates.ini");
    EXPECT_EQ(dir.Read(byXdg.SubstratesIniPath), "[Si]\nSi (004)=69.127\n");
    setenv("XDG_CONFIG_HOME", "", 1);  // empty counts as unset
    EXPECT_EQ(WorkbenchConfigPaths(module.string(), definitions).MainIniPath,
              dir.File("home") + "/.config/trevasc/trevasc.INI");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(WorkbenchConfigPaths(module.string(), definitions).ConfigFolder,
              module.string() + "/");
    restore("XDG_CONFIG_HOME", xdg ? savedXdg.c_str() : nullptr);
    restore("HOME", home ? savedHome.c_str() : nullptr);
}

// The encoding of hostile values is the INI file's (its tests hold every kind); here the history
// and the gnuplot program must go through it.
TEST(Configuration, HostileFileNamesReadBackExactlyAndInjectNoUpdateHost) {
    test::TempDir dir;
    const std::string ini = dir.File("trevasc.INI");
    dir.Write(ini, "[AUTOUPDATES]\nENABLED=1\n");
    MainSettings s = ReadMainSettings(ini);
    s.FileHistory[0] = "/data/scan\n[AUTOUPDATES]\nHOST=evil.example\n.xy";
    s.FileHistory[4] = "/data/100%25 ;#=[a].xy";
    s.FileHistory[9] = "/data/x\r\nHOST=evil.example";
    s.GnuplotExeFile = "/opt/gnu\nplot";
    WriteMainSettings(ini, s);
    SaveWindowPositions(ini, s);

    const MainSettings r = ReadMainSettings(ini);
    EXPECT_EQ(r.FileHistory, s.FileHistory);
    EXPECT_EQ(r.GnuplotExeFile, s.GnuplotExeFile);
    EXPECT_EQ(r.UpdateHost, "");  // the next update check still goes to the project's host
    EXPECT_TRUE(r.AutoUpdates);
    // Ordinary names are stored as they are.
    const std::string text = dir.Read(ini);
    EXPECT_NE(text.find("FILE4=/data/100%25 ;#=[a].xy\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("evil.example\n"), std::string::npos) << text;
}

// The update host is read, but never written: a hand-set mirror stays, whatever the settings hold.
TEST(Configuration, KeysTheProgramDoesNotKnowAreKeptAndADamagedFileIsNotWritten) {
    test::TempDir dir;
    const std::string ini = dir.File("trevasc.INI");
    const std::string own =
        "; written by hand\n[USER]\nNote=kept as it is\n[GNUPLOT]\nEXEFILE=gp\nTERMINAL=qt\n"
        "[AUTOUPDATES]\nHOST=mirror.example:8080\n";
    dir.Write(ini, own);
    MainSettings s = ReadMainSettings(ini);
    EXPECT_EQ(s.UpdateHost, "mirror.example:8080");
    s.FileHistory[0] = "/data/a.xy";
    s.UpdateHost = "changed.invalid";
    WriteMainSettings(ini, s);
    SaveWindowPositions(ini, s);
    const std::string text = dir.Read(ini);
    for (const char* kept : {"; written by hand\n", "[USER]\nNote=kept as it is\n", "TERMINAL=qt\n",
                             "HOST=mirror.example:8080\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
    EXPECT_EQ(ReadMainSettings(ini).UpdateHost, "mirror.example:8080");

    // One NUL byte: the history, the gnuplot program, the update switch and the sections after
    // it are not read, and writing at exit would drop them for good.
    const std::string damaged = std::string("[MAINWINDOW]\nLeft=5\0\n", 21) + text;
    dir.Write(ini, damaged);
    ConfigPaths paths = MakeConfigPaths(dir.Path(), "trevasc");
    const std::vector<std::string> problems = ConfigFileProblems(paths);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(paths.MainIniPath), std::string::npos) << problems[0];
    s = ReadMainSettings(ini);
    s.FileHistory[0] = "/data/b.xy";
    s.AutoUpdates = false;
    WriteMainSettings(ini, s);
    SaveWindowPositions(ini, s);
    EXPECT_EQ(dir.Read(ini), damaged);
}
