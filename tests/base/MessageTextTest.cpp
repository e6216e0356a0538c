// Quoting text from files and users inside messages.
#include <gtest/gtest.h>

#include <string>

#include "base/MessageText.h"
#include "base/NumberText.h"
#include "support/TextChecks.h"

using namespace trevasc;

using trevasc::test::IsPrintableUtf8;

TEST(MessageText, Utf8CharLengthFollowsRfc3629) {
    const struct {
        std::string Text;
        size_t Length;
    } cases[] = {
        {"", 0},
        {"a", 1},
        {"\xC2\xB0", 2},          // degree sign
        {"\xE2\x80\xA6", 3},      // ellipsis
        {"\xF0\x9F\x98\x80", 4},  // U+1F600
        {"\xC2", 0},              // cut short
        {"\x80", 0},              // lone continuation byte
        {"\xC0\xAF", 0},          // overlong "/"
        {"\xE0\x80\xAF", 0},      // overlong, three bytes
        {"\xED\xA0\x80", 0},      // UTF-16 surrogate
        {"\xF4\x90\x80\x80", 0},  // above U+10FFFF
        {"\xFF", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8CharLength(c.Text), c.Length) << c.Text;
}

TEST(MessageText, QuoteEscapesWhatCouldGarbleAMessage) {
    const struct {
        std::string Text, Quoted;
    } cases[] = {
        {"12.5x", "12.5x"},
        {"20\xC2\xB0 \xC3\xA4", "20\xC2\xB0 \xC3\xA4"},  // valid UTF-8 stays
        {std::string("a\0b", 3), "a\\x00b"},             // NUL would end the message
        {"\x1B[2J\x07", "\\x1b[2J\\x07"},                // terminal escape and bell
        {"tab\there\r\n", "tab\\x09here\\x0d\\x0a"},
        {"\x7F", "\\x7f"},
        {"\xC2\x9B"
         "31m",
         "\\xc2\\x9b31m"},  // C1 control sequence introducer
        {"abc\xE2\x80\xAE"
         "fdp.exe",
         "abc\\xe2\\x80\\xaefdp.exe"},  // right-to-left override
        {"\x89PNG", "\\x89PNG"},        // invalid UTF-8, byte by byte
        {"\xC3", "\\xc3"},
        {"back\\slash", "back\\slash"},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteForMessage(c.Text), c.Quoted) << c.Quoted;
}

TEST(MessageText, QuoteCutsLongTextAtWholeCharacters) {
    const std::string ellipsis = "\xE2\x80\xA6";
    EXPECT_EQ(QuoteForMessage(std::string(60, 'x')), std::string(60, 'x'));
    EXPECT_EQ(QuoteForMessage(std::string(61, 'x')), std::string(60, 'x') + ellipsis);
    // An escape counts with its four characters and is never split.
    EXPECT_EQ(QuoteForMessage(std::string(58, 'x') + "\x01zz"), std::string(58, 'x') + ellipsis);
    std::string degrees;
    for (int i = 0; i < 70; ++i) degrees += "\xC2\xB0";
    const std::string quoted = QuoteForMessage(degrees, 10);
    EXPECT_EQ(quoted.size(), 10 * 2 + ellipsis.size());
    EXPECT_TRUE(IsPrintableUtf8(quoted));
    EXPECT_EQ(QuoteForMessage(std::string(500, 'y'), kWholeText), std::string(500, 'y'));
}

TEST(MessageText, ConversionMessagesQuoteTheirText) {
    // The documented wording stays around the quoted text.
    EXPECT_EQ(FloatConversionMessage("1,5x"), "'1,5x' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(IntegerConversionMessage("7\x1B"), "'7\\x1b' ist kein gültiger Integerwert");
    std::string binary;
    for (int i = 0; i < 4000; ++i) binary += static_cast<char>((i * 37) & 0xFF);
    const std::string message = FloatConversionMessage(binary);
    EXPECT_LT(message.size(), 140u);
    EXPECT_TRUE(IsPrintableUtf8(message)) << message;
    try {
        ParseFloat(
            std::string("1\0"
                        "2",
                        3));
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "'1\\x002' ist kein gültiger Gleitkommawert");
    }
}
