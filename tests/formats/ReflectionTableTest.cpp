#include <gtest/gtest.h>

#include <sstream>

#include "formats/ReflectionTable.h"

using namespace trevasc;
using namespace trevasc::formats;

namespace {

// One reflection line: up to three (d, h, k, l) in their fixed columns, "I" in column 80.
std::string Line(const std::vector<std::array<std::string, 4>>& fields) {
    std::string s(80, ' ');
    s[79] = 'I';
    const size_t starts[3][4] = {{1, 12, 15, 18}, {24, 35, 38, 41}, {47, 58, 61, 64}};
    for (size_t i = 0; i < fields.size(); ++i)
        for (size_t j = 0; j < 4; ++j) {
            const std::string& f = fields[i][j];
            const size_t width = j == 0 ? 7 : 3;
            // right-aligned like the card (d left-aligned: the line is trimmed anyway)
            const size_t at = starts[i][j] - 1 + (j == 0 ? 0 : width - f.size());
            s.replace(at, f.size(), f);
        }
    return s;
}

const std::string kSiHeader =
    "    Si                                         Silicon      27-1402   7";

}  // namespace

TEST(ReflectionTable, ReadsMaterialAndReflectionsInColumnOrder) {
    const std::string text =
        "header line\r\n" + kSiHeader + "\r\n" +
        Line({{"3.1355", "1", "1", "1"}, {"1.9201", "2", "2", "0"}, {"1.6375", "3", "1", "1"}}) +
        "\r\n" +
        Line({{"1.3577", "4", "0", "0"}, {"0.0", "0", "0", "0"}, {"1,2459", "3", "3", "-1"}}) +
        "\n  trailing text without marker\n";
    const TReflectionTable t = ParseReflectionTable(text);
    // The material from the first 40 characters (Silicon starts later), blanks removed.
    EXPECT_EQ(t.Material + "|" + t.Error, "Si|");
    std::ostringstream rows;  // d = 0 skipped without a message
    for (const auto& r : t.Reflections) rows << r.Label << r.D << r.H << r.K << r.L << " ";
    EXPECT_EQ(rows.str(),
              "(1 1 1)3.1355111 (2 2 0)1.9201220 (3 1 1)1.6375311 (4 0 0)1.3577400 "
              "(3 3 -1)1.245933-1 ");
}

// A plain list of d and I values (the way most tables print them) holds no reflection line; a
// heading that happens to end in "I" is one and stops the parsing. Either way nothing is read,
// and the message says which layout is expected.
TEST(ReflectionTable, PlainListsYieldNoReflectionAndNameTheLayout) {
    for (const std::string& text : {std::string("d (A)  Int\n3.1355 100\n1.9201 55\n2.1 7\n"),
                                    std::string("3.1355\t100\r\n"), std::string()}) {
        const TReflectionTable t = ParseReflectionTable(text);
        EXPECT_TRUE(t.Reflections.empty()) << text;
        EXPECT_EQ(t.Error, "");
        EXPECT_EQ(NoReflectionsMessage(t), kNoReflectionLinesMessage);
    }
    const std::string layout =
        kNoReflectionLinesMessage.substr(kNoReflectionLinesMessage.find("Expected"));
    const TReflectionTable heading = ParseReflectionTable("d I\n3.1355 100\n");
    EXPECT_EQ(NoReflectionsMessage(heading),
              std::string("'d I' ist kein gültiger Gleitkommawert\n") + layout);
    // Zero d values only: lines, but no reflection.
    const std::array<std::string, 4> zero{"0.0", "0", "0", "0"};
    EXPECT_EQ(NoReflectionsMessage(ParseReflectionTable(Line({zero, zero, zero}))),
              kNoReflectionLinesMessage);
    // One reflection read before a field that fails: the documented partial result.
    const TReflectionTable partial = ParseReflectionTable(Line({{"3.1355", "1", "1", "1"}}) + "\n" +
                                                          Line({{"x", "1", "1", "1"}}));
    EXPECT_EQ(partial.Reflections.size(), 1u);
    EXPECT_EQ(NoReflectionsMessage(partial), "");
}

TEST(ReflectionTable, ConversionErrorKeepsTheReflectionsBeforeIt) {
    struct Case {
        const char* Name;
        std::string Text;
        size_t Kept;
        std::string Error;
    };
    const std::array<std::string, 4> a{"3.1355", "1", "1", "1"}, b{"1.9201", "2", "2", "0"};
    // A blank second reflection, letters in an index, a line shorter than the columns.
    const Case cases[] = {
        {"blank", Line({a, b}) + "\n" + Line({{"1.3577", "4", "0", "0"}}), 2,
         "'' ist kein gültiger Gleitkommawert"},
        {"letters", Line({a, {"1.9201", "2", "x", "0"}, b}), 1,
         "'  x' ist kein gültiger Integerwert"},
        {"short", Line({a}).substr(0, 20) + "  I", 1, "'' ist kein gültiger Gleitkommawert"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TReflectionTable t = ParseReflectionTable(c.Text);
        EXPECT_EQ(std::pair(t.Reflections.size(), t.Error), std::pair(c.Kept, c.Error));
    }
}

TEST(ReflectionTable, BinaryAndHugeInputEndWithoutCrash) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) & 0xff);
    binary += "\nI";
    const TReflectionTable b = ParseReflectionTable(binary);
    EXPECT_FALSE(b.Error.empty());  // the "I" line holds no number

    std::string big;
    const std::string line =
        Line({{"2.0000", "1", "0", "0"}, {"1.0000", "2", "0", "0"}, {"0.5000", "4", "0", "0"}}) +
        "\n";
    while (big.size() < 50u * 1024 * 1024) big += line;
    const TReflectionTable t = ParseReflectionTable(big);
    EXPECT_EQ(std::pair(t.Error, t.Reflections.size()),
              std::pair(std::string(), 3 * (big.size() / line.size())));
}
