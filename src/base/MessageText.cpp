#include "base/MessageText.h"

#include <cstdint>

namespace trevasc {

size_t Utf8CharLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    size_t length;
    uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;  // a continuation byte, an overlong lead (C0, C1) or beyond U+10FFFF (F5..FF)
    }
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    // RFC 3629: the shortest form only, no UTF-16 surrogates, nothing above U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000)) return 0;
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return length;
}

namespace {

// Characters that are valid UTF-8 yet must not reach a terminal or an error box as they are.
bool IsHiddenControl(std::string_view character) {
    const unsigned char lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) return lead < 0x20 || lead == 0x7F;
    // U+0080..U+009F: C1 controls; some terminals take U+009B as the start of an escape sequence.
    if (character.size() == 2)
        return lead == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
    // U+202A..U+202E and U+2066..U+2069 reorder the text around them, so the message would not
    // read as it is written.
    if (character.size() == 3 && lead == 0xE2) {
        const unsigned char b1 = static_cast<unsigned char>(character[1]);
        const unsigned char b2 = static_cast<unsigned char>(character[2]);
        return (b1 == 0x80 && b2 >= 0xAA && b2 <= 0xAE) || (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9);
    }
    return false;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
    }
}

}  // namespace

std::string QuoteForMessage(std::string_view text, size_t maxChars) {
    constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
    std::string out;
    out.reserve(text.size() < 256 ? text.size() : 256);
    size_t chars = 0;
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = Utf8CharLength(text.substr(i));
        const std::string_view character = text.substr(i, length == 0 ? 1 : length);
        const bool escape = length == 0 || IsHiddenControl(character);
        const size_t width = escape ? 4 * character.size() : 1;
        if (maxChars != kWholeText && chars + width > maxChars) {
            out += kEllipsis;
            break;
        }
        if (escape)
            AppendEscaped(out, character);
        else
            out += character;
        chars += width;
        i += character.size();
    }
    return out;
}

}  // namespace trevasc
