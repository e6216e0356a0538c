#pragma once
// Number reading and writing shared by every reader and export.
// Numbers in files may use "." or "," as decimal mark; nothing here depends on the C locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trevasc {

// Runtime conversion messages, as the user sees them in error boxes. The text is quoted with
// QuoteForMessage (escaped, cut after 60 characters).
std::string FloatConversionMessage(
    std::string_view text);  // "'x' ist kein gültiger Gleitkommawert"
std::string IntegerConversionMessage(std::string_view text);  // "'x' ist kein gültiger Integerwert"
std::string RangeErrorMessage();                              // 32-bit range exceeded

// Every "." and "," becomes the given decimal separator.
std::string ToLocalDecimal(std::string_view text, char decimalSeparator = '.');
// Every occurrence of the given decimal separator becomes ".".
std::string ToFileDecimal(std::string_view text, char decimalSeparator);

// Trims blanks, tabs, CR and LF (and any other control character) at both ends.
inline std::string_view Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    return text.substr(b, e - b);
}

// Reads the whole trimmed text as a finite number with "." or "," as decimal mark.
std::optional<double> TryParseFloat(std::string_view text);
// Counts are nearly always written as plain whole numbers (1 to 9 digits, no sign): reading
// those directly gives the same value as TryParseFloat at a fraction of the cost. False for
// anything else, which then takes the general conversion.
inline bool TryWholeCount(std::string_view token, int32_t& value) {
    if (token.empty() || token.size() > 9) return false;
    int32_t v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

// As TryParseFloat, but throws TrevascError with the float conversion message.
double ParseFloat(std::string_view text);
// Reads the whole trimmed text as a 32-bit integer (optional sign, digits only).
std::optional<int32_t> TryParseInt(std::string_view text);
int32_t ParseInt(std::string_view text);

// Rounds to the nearest integer, halves to even; throws TrevascError when outside 32 bits.
int32_t RoundToInt32(double value);
// Rounds a count read as text: ParseFloat then RoundToInt32.
int32_t ParseCount(std::string_view text);

// fixed notation with the given number of decimals
std::string FormatFixed(double value, int decimals, char decimalSeparator = '.');
// shortest general notation with at most `digits` significant digits (trailing zeros removed)
std::string FormatGeneral(double value, int digits, char decimalSeparator = '.');
// The general float format of the axis labels: fixed notation with at most `precision`
// significant digits and no trailing zeros while the integer part has at most `precision` digits
// and the value is at least 1E-5; otherwise exponent notation with the shortest exponent ("1E5",
// "2.5E-7").
std::string FormatGeneralFloat(double value, int precision, char decimalSeparator = '.');
// 23 characters: sign or blank, d.dddddddddddddd, "E", exponent sign, 4 exponent digits
std::string FormatSci23(double value);

}  // namespace trevasc
