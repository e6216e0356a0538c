#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "base/NumberText.h"
#include "support/CommaLocale.h"

using namespace trevasc;
using test::CommaLocale;

TEST(NumberText, PlainDecimalsReadExactlyAsFromChars) {
    // The readers' fast path for plain decimals must give the very value of the general one.
    std::mt19937 random(12345);
    for (int n = 0; n < 200000; ++n) {
        const int digits = 1 + static_cast<int>(random() % 18);
        std::string text = random() % 4 == 0 ? "-" : "";
        const int point = static_cast<int>(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) text += random() % 2 ? "." : ",";
            text += static_cast<char>('0' + random() % 10);
        }
        std::string dotted = text;
        std::replace(dotted.begin(), dotted.end(), ',', '.');
        double expected = 0;
        auto [ptr, ec] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), expected);
        ASSERT_EQ(ec, std::errc()) << text;
        const std::optional<double> value = TryParseFloat(text);
        ASSERT_TRUE(value.has_value()) << text;
        ASSERT_EQ(std::memcmp(&*value, &expected, sizeof expected), 0) << text;
        // The whole-count shortcut, where it applies, gives the same value.
        if (int32_t whole; TryWholeCount(text, whole)) {
            ASSERT_EQ(whole, *value) << text;
        }
    }
    int32_t whole = 0;
    for (const char* notWhole : {"", "-5", "+5", "1e3", "1.0", "1234567890", "12 3"})
        EXPECT_FALSE(TryWholeCount(notWhole, whole)) << notWhole;
    // Only finite numbers in decimal or exponent notation, the whole field.
    for (const char* notNumber :
         {"-", "+", "1..2", "1.2.", "1,5,3", "nan", "-NaN", "nan(1)", "inf", "+Infinity", "0x1p3",
          "0x10", "1e999", "1e-999", "1.5e", "1 2", "12a", "--5"})
        EXPECT_FALSE(TryParseFloat(notNumber).has_value()) << notNumber;
    EXPECT_DOUBLE_EQ(*TryParseFloat("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(*TryParseFloat(" -1,5E+3\t"), -1500.0);
    EXPECT_DOUBLE_EQ(*TryParseFloat("2.5e-3"), 0.0025);
}

TEST(NumberText, Sci23IsAlways23CharactersWithFourExponentDigits) {
    const std::pair<double, const char*> cases[] = {{20.5, " 2.05000000000000E+0001"},
                                                    {-20.5, "-2.05000000000000E+0001"},
                                                    {0.0, " 0.00000000000000E+0000"},
                                                    {1.5e-300, " 1.50000000000000E-0300"},
                                                    {9.999999999999999, " 1.00000000000000E+0001"}};
    for (const auto& [v, text] : cases) EXPECT_EQ(FormatSci23(v), text);
    for (double v : {1e-5, -123456.789, 359.99999, 1e300}) EXPECT_EQ(FormatSci23(v).size(), 23u);
}

TEST(NumberTextLocale, NumbersAreWrittenWithAPointInACommaLocale) {
    CommaLocale comma;
    ASSERT_TRUE(comma.Active());
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.2f", 1.5);
    ASSERT_STREQ(printed, "1,50");  // what the C library itself now writes

    EXPECT_EQ(FormatFixed(30.123456, 5), "30.12346");
    EXPECT_EQ(FormatFixed(-0.000001, 3), "0.000");
    EXPECT_EQ(FormatFixed(2.5, 1, ','), "2,5");
    EXPECT_EQ(FormatGeneral(1234.5678, 6), "1234.57");
    EXPECT_EQ(FormatGeneral(2.5e-7, 5), "2.5E-7");
    EXPECT_EQ(FormatGeneralFloat(0.125, 5), "0.125");
    EXPECT_EQ(FormatSci23(-1.5), "-1.50000000000000E+0000");
}
