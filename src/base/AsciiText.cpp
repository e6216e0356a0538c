#include "base/AsciiText.h"

namespace trevasc {

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperAscii(c);
    return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

size_t FindIgnoringAsciiCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return std::string_view::npos;
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (EqualsIgnoringAsciiCase(text.substr(i, word.size()), word)) return i;
    return std::string_view::npos;
}

}  // namespace trevasc
