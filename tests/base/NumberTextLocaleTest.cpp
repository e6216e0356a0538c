#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/NumberText.h"
#include "support/CommaLocale.h"

using namespace trevasc;

using test::CommaLocale;

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
