// INI reading rules that the configuration relies on, on text that may come from anywhere.
#include <gtest/gtest.h>

#include "base/IniFile.h"

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
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"", "POS"}));
    EXPECT_EQ(ini.ReadInteger("", "Left", 0), 10);
    EXPECT_EQ(ini.ReadInteger("POS", "Top", 0), 5);
    // Saving keeps the line (as a comment) and loads back the same document.
    const std::string saved = ini.Text();
    EXPECT_NE(saved.find(";[MAIN"), std::string::npos) << saved;
    IniFile again("");
    again.LoadText(saved);
    EXPECT_EQ(again.Sections(), ini.Sections());
    EXPECT_EQ(again.ReadInteger("", "Left", 0), 10);
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
    EXPECT_EQ(each.Keys("S").size(), 2u);
    EXPECT_EQ(each.ReadString("S", "a", ""), "9");
    EXPECT_EQ(each.Keys("S")[1], "b");
    each.WriteString("T", "d", "5");
    EXPECT_EQ(each.Keys("T"), (std::vector<std::string>{"c", "d"}));
}
