#pragma once
// Letter case of ASCII text, independent of the C locale (which Qt sets from the environment):
// file keywords, XML names and INI values are compared without regard to case this way.
#include <cstddef>
#include <string>
#include <string_view>

namespace trevasc {

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// Equal but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// Position of `word` in `text` regardless of the case of ASCII letters; npos when absent.
size_t FindIgnoringAsciiCase(std::string_view text, std::string_view word);

}  // namespace trevasc
