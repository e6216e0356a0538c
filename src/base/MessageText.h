#pragma once
// Text from a file or from the user, made safe to stand inside a message: in an error box, on a
// terminal, in a JSON string.
#include <cstddef>
#include <string>
#include <string_view>

namespace trevasc {

// Characters of quoted text in a message: enough to recognise a number or a word, short enough
// that a binary file cannot fill an error box.
inline constexpr size_t kQuotedTextLength = 60;
// For QuoteForMessage: never cut (file names the user gave, names shown in a report).
inline constexpr size_t kWholeText = std::string_view::npos;

// Bytes of the well-formed UTF-8 character at the start of `text` (1 for ASCII); 0 when the
// text is empty or starts with a malformed, overlong or surrogate sequence.
size_t Utf8CharLength(std::string_view text);

// `text` with every byte that could garble a message or steer a terminal written as \xNN:
// control characters (C0, DEL and the C1 range), the bidirectional overrides, invalid UTF-8
// and NUL (which would otherwise end the message early). Valid UTF-8 such as "°" stays.
// Text longer than `maxChars` output characters is cut there and ends in "…".
std::string QuoteForMessage(std::string_view text, size_t maxChars = kQuotedTextLength);

}  // namespace trevasc
