#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/NumberText.h"
#include "support/TempDir.h"

using namespace trevasc;

namespace {

// The desktop program runs with the C library's locale taken from the environment (Qt sets it),
// where the decimal mark may be ",". This builds such a locale with nothing but LC_NUMERIC, so
// that the test needs no installed locales, and puts it in force for its lifetime.
class CommaLocale {
  public:
    CommaLocale() {
        const std::string source = dir_.Write("comma.src",
                                              "LC_NUMERIC\n"
                                              "decimal_point \"<U002C>\"\n"
                                              "thousands_sep \"<U002E>\"\n"
                                              "grouping 3;3\n"
                                              "END LC_NUMERIC\n");
        // -c: the other categories are missing on purpose (localedef then answers 1).
        std::system(
            ("localedef -c -i '" + source + "' '" + dir_.File("xx_XX") + "' 2>/dev/null").c_str());
        ::setenv("LOCPATH", dir_.Path().c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "xx_XX") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("LOCPATH");
    }
    bool Active() const { return active_; }

  private:
    test::TempDir dir_;
    bool active_ = false;
};

}  // namespace

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
