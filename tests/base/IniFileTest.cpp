// INI reading rules that the configuration relies on, on text that may come from anywhere.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/Error.h"
#include "base/IniFile.h"
#include "support/TempDir.h"

using trevasc::IniFile;

TEST(IniFile, IntegersOutsideTheRangeGiveTheDefault) {
    IniFile ini("");
    ini.LoadText(
        "[n]\nplain=-42\nhex=$1F\nhex0x=0x7fffffffffffffff\nbig=999999999999999999\n"
        "long=9999999999999999999\nwide=$FFFFFFFFFFFFFFFFFF\nmax=$FFFFFFFFFFFFFFF\nbad=12a\n");
    const struct {
        const char* Key;
        long long Value;
    } cases[] = {
        {"plain", -42},
        {"hex", 31},
        {"hex0x", -1},  // 16 hexadecimal digits: more than the reader takes
        {"big", 999999999999999999},
        {"long", -1},
        {"wide", -1},  // once overflowed a 64-bit integer
        {"max", 0xFFFFFFFFFFFFFFF},
        {"bad", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ini.ReadInteger("n", c.Key, -1), c.Value) << c.Key;
}

TEST(IniFile, ASectionLineWithoutItsBracketIsIgnoredAndKept) {
    IniFile ini("");
    ini.LoadText("[MAIN\nLeft=10\n[POS]\nTop=5\n");
    // The keys after the broken line stay outside any named section, as if it were absent.
    // Saving keeps the line (as a comment) and loads back the same document.
    IniFile again("");
    again.LoadText(ini.Text());
    EXPECT_NE(ini.Text().find(";[MAIN"), std::string::npos) << ini.Text();
    for (const IniFile* read : {&ini, &again}) {
        EXPECT_EQ(read->Sections(), (std::vector<std::string>{"", "POS"}));
        EXPECT_EQ(read->ReadInteger("", "Left", 0), 10);
        EXPECT_EQ(read->ReadInteger("POS", "Top", 0), 5);
    }
    // Also as the first line behind a byte order mark.
    again.LoadText("\xEF\xBB\xBF[MAIN\nLeft=10\n");
    EXPECT_EQ(again.Sections(), (std::vector<std::string>{""}));
}

TEST(IniFile, RepeatedKeysLastWinsOrEachKept) {
    const std::string text = "[S]\na=1\nb=2\nA=3\n[T]\nc=4\n";
    IniFile last("");
    last.LoadText(text);
    EXPECT_EQ(last.Keys("S"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(last.ReadString("S", "a", ""), "3");

    IniFile each("", IniFile::RepeatedKeys::KeepEach);
    each.LoadText(text);
    // Every occurrence in file order, each written its own way; the value is the first one's.
    EXPECT_EQ(each.Keys("S"), (std::vector<std::string>{"a", "b", "A"}));
    EXPECT_EQ(each.ReadString("S", "A", ""), "1");
    EXPECT_EQ(each.ReadInteger("S", "a", 0), 1);
    EXPECT_TRUE(each.Keys("missing").empty());
    // Saved with every value; the occurrences of a key stand together under its first spelling.
    IniFile again("", IniFile::RepeatedKeys::KeepEach);
    again.LoadText(each.Text());
    EXPECT_EQ(again.Keys("S"), (std::vector<std::string>{"a", "a", "b"}));
    EXPECT_EQ(again.ReadString("S", "a", ""), "1");
    EXPECT_NE(each.Text().find("a=1\na=3\nb=2\n"), std::string::npos) << each.Text();
    // Writing a repeated key leaves one key, at the place of the first occurrence.
    each.WriteString("S", "a", "9");
    EXPECT_EQ(each.Keys("S"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(each.ReadString("S", "a", ""), "9");
    each.WriteString("T", "d", "5");
    EXPECT_EQ(each.Keys("T"), (std::vector<std::string>{"c", "d"}));
}

TEST(IniFile, HostileValuesReadBackExactlyAndOrdinaryOnesAreStoredAsTheyAre) {
    const trevasc::test::TempDir dir;
    const std::string path = dir.File("x.ini");
    const std::vector<std::string> hostile = {
        "scan.xy\n[AUTOUPDATES]\nHOST=evil.example",  // would add a section and a key
        "a\r\nb",
        "tab\tinside",
        "  leading",
        "trailing  ",
        "\"quoted\"",
        "\"",
        "%0A stays",
        std::string("nul\0byte", 8),
        "\x7F",
        "",
    };
    {
        IniFile ini(path);
        for (size_t i = 0; i < hostile.size(); ++i)
            ini.WriteString("S", "K" + std::to_string(i), hostile[i]);
        ini.WriteString("S", "WinPath", "C:\\new\\table 100%.txt");
        ini.WriteString("S", "Path", "/home/a b/\"x\"/scan #1;2=3.xy");
        ini.Save();
    }
    const std::string text = dir.Read("x.ini");
    // Ordinary paths, also with backslashes, "%", "=", ";" and inner quotes, are written verbatim
    // (a file written before the encoding existed reads the same).
    EXPECT_NE(text.find("\nWinPath=C:\\new\\table 100%.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nPath=/home/a b/\"x\"/scan #1;2=3.xy\n"), std::string::npos) << text;
    // Every line is "[S]" or a key this test wrote: nothing was injected.
    size_t lines = 0;
    for (size_t p = 0; (p = text.find('\n', p)) != std::string::npos; ++p) ++lines;
    EXPECT_EQ(lines, 1 + hostile.size() + 2) << text;

    const IniFile again(path);
    EXPECT_EQ(again.Sections(), std::vector<std::string>{"S"});
    for (size_t i = 0; i < hostile.size(); ++i)
        EXPECT_EQ(again.ReadString("S", "K" + std::to_string(i), "?"), hostile[i]) << i;
    EXPECT_EQ(again.ReadString("S", "WinPath", ""), "C:\\new\\table 100%.txt");
    EXPECT_EQ(again.ReadString("S", "Path", ""), "/home/a b/\"x\"/scan #1;2=3.xy");
    EXPECT_FALSE(again.HasKey("AUTOUPDATES", "HOST"));
    // Escapes that are no escape stay as written.
    EXPECT_EQ(trevasc::DecodeIniValue("\"%4 %zz %\""), "%4 %zz %");
    EXPECT_EQ(trevasc::DecodeIniValue("\"%41%2522\""), "A%22");
}

TEST(IniFile, SectionAndKeyNamesThatWouldRewriteTheFileAreRefused) {
    IniFile ini("names.ini");
    ini.LoadText("[Si]\nLATTICE=5.431\n");
    const std::string before = ini.Text();
    for (const std::string section : {"Evil]\n[Si", "a]b", "line\nbreak", " padded"})
        EXPECT_THROW(ini.WriteString(section, "k", "1"), trevasc::TrevascError) << section;
    for (const std::string key : {"LATTICE=9", ";Si(111)", "[Si]", "#c", "a\nLATTICE", "k "})
        EXPECT_THROW(ini.WriteString("New", key, "1"), trevasc::TrevascError) << key;
    EXPECT_EQ(ini.Text(), before);
    // Inner brackets (but "]" in a section name), "=" in a section name, semicolons and spaces
    // are fine.
    ini.WriteString("Ga[2 O3=1;2 poly", "Ga2O3 (1;1) x[1]#", "30");
    IniFile again("");
    again.LoadText(ini.Text());
    EXPECT_EQ(again.Sections(), (std::vector<std::string>{"Si", "Ga[2 O3=1;2 poly"}));
    EXPECT_EQ(again.ReadString("Ga[2 O3=1;2 poly", "Ga2O3 (1;1) x[1]#", ""), "30");
}

TEST(IniFile, AFileThatCannotBeReadWholeIsReportedAndNeverWrittenBack) {
    const trevasc::test::TempDir dir;
    const std::string damaged = std::string("[A]\nx=1\ny=2\0\n[B]\nz=3\n", 21);
    const std::string path = dir.Write("d.ini", damaged);
    IniFile ini(path);
    EXPECT_NE(ini.Problem().find("line 3"), std::string::npos) << ini.Problem();
    EXPECT_NE(ini.Problem().find(path), std::string::npos) << ini.Problem();
    // What follows the NUL byte is still read.
    EXPECT_EQ(ini.ReadString("B", "z", ""), "3");
    ini.WriteString("A", "x", "5");
    EXPECT_THROW(ini.Save(), trevasc::TrevascError);
    EXPECT_FALSE(ini.TrySave());
    EXPECT_EQ(dir.Read("d.ini"), damaged);

    // A folder where the file should be: reported, and left.
    std::filesystem::create_directory(dir.File("folder.ini"));
    IniFile folder(dir.File("folder.ini"));
    EXPECT_FALSE(folder.Problem().empty());
    folder.WriteString("A", "x", "1");
    EXPECT_FALSE(folder.TrySave());
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));

    // A missing file is no problem: it is created.
    IniFile fresh(dir.File("new.ini"));
    EXPECT_TRUE(fresh.Problem().empty());
    fresh.WriteString("A", "x", "1");
    EXPECT_TRUE(fresh.TrySave());
    EXPECT_EQ(dir.Read("new.ini"), "[A]\nx=1\n");
}
