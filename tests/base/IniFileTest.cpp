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
