// JSON values and their text: quoting, numbers that read back exactly, order and layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/Json.h"

using trevasc::json::Lines;
using trevasc::json::Quote;
using trevasc::json::Value;

TEST(Json, StringsAreValidPrintableUtf8WithQuotesAndBackslashesEscaped) {
    EXPECT_EQ(Quote("plain"), "\"plain\"");
    EXPECT_EQ(Quote("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(Quote("C:\\data"), "\"C:\\\\data\"");
    // UTF-8 stays as it is.
    EXPECT_EQ(Quote("2θ [°]"), "\"2θ [°]\"");
    // A control character and a byte that is no UTF-8 read \xNN, the backslash then escaped
    // for JSON, so that a JSON reader returns the text "\x1b" of the program's messages.
    EXPECT_EQ(Quote(std::string("a\x1B"
                                "b\xFF")),
              "\"a\\\\x1bb\\\\xff\"");
    EXPECT_EQ(Quote(std::string("nul\0", 4)), "\"nul\\\\x00\"");
    // Multi-line text keeps its lines and tabs for a JSON reader.
    EXPECT_EQ(Quote("one\ntwo\tcell\r\n"), "\"one\\ntwo\\tcell\\r\\n\"");
    EXPECT_EQ(Quote("\x01\n"), "\"\\\\x01\\n\"");
}

TEST(Json, NumbersReadBackAsTheSameDoubleAndNonFiniteOnesAreNull) {
    for (const double x : {0.1, 1.0 / 3.0, 29.99 - 1e-14, 1.54056, -2.5e-7, 1e300, 6.02214076e23,
                           std::numeric_limits<double>::denorm_min()}) {
        const std::string text = Value(x).Text();
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
        EXPECT_TRUE(text.front() != '+' && text.front() != '.') << text;  // not in JSON
    }
    // The shortest digits, not a fixed count; whole numbers of any integer type as integers,
    // beyond the 2^53 of a double.
    const std::pair<Value, const char*> cases[] = {{Value(0.1), "0.1"},
                                                   {Value(4.0), "4"},
                                                   {Value(0.1 + 0.2), "0.30000000000000004"},
                                                   {Value(std::nan("")), "null"},
                                                   {Value(-HUGE_VAL), "null"},
                                                   {Value(9007199254740993LL), "9007199254740993"},
                                                   {Value(static_cast<size_t>(7)), "7"},
                                                   {Value(-3), "-3"},
                                                   {Value(true), "true"},
                                                   {Value(), "null"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(value.Text(), text);
}

TEST(Json, ObjectsKeepTheOrderOfTheirKeys) {
    Value o = Value::Object();
    o.Set("zeta", 1);
    o.Set("alpha", "a");
    o.Set("mid", Value::Array().Add(1.5).Add(nullptr).Add(false));
    // Setting a key again replaces its value in its place.
    o.Set("zeta", 2);
    EXPECT_EQ(o.Text(), "{\"zeta\": 2, \"alpha\": \"a\", \"mid\": [1.5, null, false]}");
    ASSERT_NE(o.Find("alpha"), nullptr);
    EXPECT_EQ(o.Find("alpha")->AsString(), "a");
    EXPECT_EQ(o.Find("nothing"), nullptr);
    EXPECT_EQ(Value::Object().Text(), "{}");
    EXPECT_EQ(Value::Array().Text(), "[]");
    EXPECT_EQ(Value::OrNull(std::optional<double>()).Text(), "null");
    EXPECT_EQ(Value::OrNull(std::optional<std::string>("x")).Text(), "\"x\"");
}

TEST(Json, ArraysCanPutEachElementOnALineOfItsOwn) {
    const auto two = [](Lines lines) {
        return Value::Array(lines).Add(Value::Object().Set("a", 1)).Add(2).Text();
    };
    EXPECT_EQ(two({4, 2}), "[\n    {\"a\": 1},\n    2\n  ]");
    // The closing bracket right after the last element.
    EXPECT_EQ(two({2, -1}), "[\n  {\"a\": 1},\n  2]");
    // An empty array stays on its line.
    EXPECT_EQ(Value::Array({4, 2}).Text(), "[]");
}
