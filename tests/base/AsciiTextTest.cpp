#include <gtest/gtest.h>

#include "base/AsciiText.h"

using namespace trevasc;

// Keywords of scan files and XML names are compared this way; bytes beyond ASCII (UTF-8 of "°",
// Latin-1 "Ä") must never change, whatever the C locale says.
TEST(AsciiText, CaseOfAsciiLettersOnly) {
    EXPECT_EQ(ToLowerAscii("2Theta MSCAN \xC3\x84\xB0"), "2theta mscan \xC3\x84\xB0");
    EXPECT_EQ(ToUpperAscii("> mScan \xE4"), "> MSCAN \xE4");
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Area Measurement", "area measurement"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("omega", "omega "));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));  // Latin-1 Ä and ä are not ASCII
    EXPECT_EQ(FindIgnoringAsciiCase("Scan axis PHI (deg)", "phi"), 10u);
    EXPECT_EQ(FindIgnoringAsciiCase("Phi", "phis"), std::string::npos);
    EXPECT_EQ(FindIgnoringAsciiCase("", ""), 0u);
}
