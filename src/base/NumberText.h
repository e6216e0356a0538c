#pragma once
// Number reading and writing shared by every reader and export.
// Numbers in files may use "." or "," as decimal mark; nothing here depends on the C locale.
#include <cstddef>
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

// The fast paths of the readers. Scan files are filled with plain decimals ("523", "-12.3456",
// "0,25") and whole counts; these read them where they stand, one character at a time, and give
// the same values as TryParseFloat.

// Reads the plain decimal at the start of [p, end): an optional "-", digits, and optionally a
// "." or "," followed by more digits, 15 digits at most. Returns where it ends (the caller
// decides whether what follows may end a number), or nullptr when the text there is not of
// this form and only TryParseFloat can tell. With at most 15 digits the digits form an integer
// that a double holds exactly, and one division by an exact power of ten is correctly rounded,
// so the value is the one from_chars gives.
inline const char* ParsePlainDecimal(const char* p, const char* end, double& value) {
    constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = p != end && *p == '-';
    const char* q = p + (negative ? 1 : 0);
    const char* const integerStart = q;
    uint64_t mantissa = 0;  // wraps for more than 19 digits, which are refused below
    while (q != end && static_cast<unsigned>(*q - '0') <= 9)
        mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
    const ptrdiff_t integerDigits = q - integerStart;
    if (integerDigits == 0) return nullptr;
    ptrdiff_t fractionDigits = 0;
    if (q != end && (*q == '.' || *q == ',')) {
        const char* const fractionStart = ++q;
        while (q != end && static_cast<unsigned>(*q - '0') <= 9)
            mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
        fractionDigits = q - fractionStart;
        if (fractionDigits == 0) return nullptr;
    }
    if (integerDigits + fractionDigits > 15) return nullptr;
    value = static_cast<double>(mantissa);
    if (fractionDigits > 0) value /= kExactPowersOfTen[fractionDigits];
    if (negative) value = -value;
    return q;
}

// Reads the whole count at the start of [p, end): 1 to 9 digits, no sign. Returns where it ends,
// or nullptr for anything else (which then takes the general conversion).
inline const char* ParseWholeCount(const char* p, const char* end, int32_t& value) {
    int32_t v = 0;
    const char* q = p;
    while (q != end && static_cast<unsigned>(*q - '0') <= 9) {
        if (q - p == 9) return nullptr;
        v = v * 10 + (*q++ - '0');
    }
    if (q == p) return nullptr;
    value = v;
    return q;
}

// Counts are nearly always written as plain whole numbers: reading those directly gives the same
// value as TryParseFloat at a fraction of the cost. False for anything else.
inline bool TryWholeCount(std::string_view token, int32_t& value) {
    const char* end = token.data() + token.size();
    return !token.empty() && ParseWholeCount(token.data(), end, value) == end;
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
// The shortest text with "." that reads back as the same double ("0.1", "1e+300").
std::string FormatShortest(double value);
// 23 characters: sign or blank, d.dddddddddddddd, "E", exponent sign, 4 exponent digits
std::string FormatSci23(double value);

}  // namespace trevasc
