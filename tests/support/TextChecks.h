#pragma once
// Checks on text meant for people: messages, reports, JSON.
#include <string>
#include <string_view>

#include "base/MessageText.h"

namespace trevasc::test {

// Well-formed UTF-8 without control characters but line ends: safe in an error box, on a
// terminal and in JSON.
inline bool IsPrintableUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8CharLength(text.substr(i));
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 0 || (n == 1 && ((c < 0x20 && c != '\n') || c == 0x7F))) return false;
        i += n;
    }
    return true;
}

}  // namespace trevasc::test
