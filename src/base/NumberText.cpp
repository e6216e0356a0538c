#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/MessageText.h"

namespace trevasc {

// The text comes from a file or a field: quoted so that binary junk or a very long line cannot
// flood the error box.
std::string FloatConversionMessage(std::string_view text) {
    std::string message = "'";
    message += QuoteForMessage(text);
    return message += "' ist kein gültiger Gleitkommawert";
}

std::string IntegerConversionMessage(std::string_view text) {
    std::string message = "'";
    message += QuoteForMessage(text);
    return message += "' ist kein gültiger Integerwert";
}

std::string RangeErrorMessage() {
    return "Bereichsüberprüfungsfehler";
}

std::string ToLocalDecimal(std::string_view text, char decimalSeparator) {
    std::string out(text);
    for (char& c : out)
        if (c == '.' || c == ',') c = decimalSeparator;
    return out;
}

std::string ToFileDecimal(std::string_view text, char decimalSeparator) {
    std::string out(text);
    for (char& c : out)
        if (c == decimalSeparator) c = '.';
    return out;
}

namespace {

// The whole of [first, last) as a finite number in decimal or exponent notation.
// chars_format::general reads no hex floats; "nan" and "inf" it reads, but they are not finite,
// and a value out of range (underflow too) is no number either.
std::optional<double> FromChars(const char* first, const char* last) {
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

// Everything the fast path does not take, through the library conversion. Kept out of line so
// that the fast path needs no buffer.
[[gnu::noinline]] std::optional<double> ParseGeneralFloat(std::string_view t) {
    if (t[0] == '+') t.remove_prefix(1);  // from_chars takes no leading plus
    if (t.empty()) return std::nullopt;
    if (auto value = FromChars(t.data(), t.data() + t.size())) return value;
    // A decimal comma stops from_chars: only then is the text copied with a point instead.
    if (!std::memchr(t.data(), ',', t.size())) return std::nullopt;
    char buf[400];
    std::replace_copy(t.begin(), t.end(), buf, ',', '.');
    return FromChars(buf, buf + t.size());
}

}  // namespace

std::optional<double> TryParseFloat(std::string_view text) {
    std::string_view t = Trim(text);
    if (t.empty() || t.size() > 400) return std::nullopt;
    const char* const end = t.data() + t.size();
    if (double plain; ParsePlainDecimal(t.data(), end, plain) == end) return plain;
    return ParseGeneralFloat(t);
}

double ParseFloat(std::string_view text) {
    if (auto v = TryParseFloat(text)) return *v;
    throw TrevascError(FloatConversionMessage(Trim(text)));
}

std::optional<int32_t> TryParseInt(std::string_view text) {
    std::string_view t = Trim(text);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty()) return std::nullopt;
    int32_t value = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return value;
}

int32_t ParseInt(std::string_view text) {
    if (auto v = TryParseInt(text)) return *v;
    throw TrevascError(IntegerConversionMessage(Trim(text)));
}

int32_t RoundToInt32(double value) {
    const double r = std::nearbyint(value);  // default rounding mode: halves to even
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw TrevascError(RangeErrorMessage());
    return static_cast<int32_t>(r);
}

int32_t ParseCount(std::string_view text) {
    return RoundToInt32(ParseFloat(text));
}

namespace {
std::string WithSeparator(std::string s, char decimalSeparator) {
    if (decimalSeparator != '.')
        for (char& c : s)
            if (c == '.') c = decimalSeparator;
    return s;
}

// printf's "%.*f", "%.*E" and "%.*G" as in the C locale, whatever locale the process runs in:
// Qt sets the C library's locale from the environment, and printf would then write "," in a
// German session. to_chars gives the same correctly rounded digits, always with ".".
std::optional<std::string> PrintNumber(double value, std::chars_format format, int precision) {
    char buf[400];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, format, precision);
    if (r.ec != std::errc()) return std::nullopt;
    std::string s(buf, r.ptr);
    if (format != std::chars_format::fixed)
        for (char& c : s) c = UpperAscii(c);  // "E", "INF", "NAN" as %E and %G write them
    return s;
}
}  // namespace

std::string FormatFixed(double value, int decimals, char decimalSeparator) {
    std::optional<std::string> printed =
        PrintNumber(value, std::chars_format::fixed, decimals < 0 ? 6 : decimals);
    if (!printed) return FormatGeneral(value, 15, decimalSeparator);
    std::string s = std::move(*printed);
    if (s == "-0" ||
        (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos))
        s.erase(0, 1);  // no "-0.0000"
    return WithSeparator(std::move(s), decimalSeparator);
}

std::string FormatGeneral(double value, int digits, char decimalSeparator) {
    if (value == 0.0) return "0";
    std::string s = PrintNumber(value, std::chars_format::general, digits < 0 ? 6 : digits).value();
    // %G already drops trailing zeros; tidy the exponent to the short form "E+20"/"E-7".
    auto e = s.find('E');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        char sign = s[e + 1];
        std::string exp = s.substr(e + 2);
        while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
        s = mant + "E" + (sign == '-' ? "-" : "+") + exp;
    }
    return WithSeparator(std::move(s), decimalSeparator);
}

std::string FormatShortest(double value) {
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string FormatGeneralFloat(double value, int precision, char decimalSeparator) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    if (value == 0.0) return "0";
    precision = std::clamp(precision, 1, 18);
    // Round to `precision` significant digits first; the decimal exponent of the rounded value
    // decides between the two notations.
    const std::string printed =
        PrintNumber(std::fabs(value), std::chars_format::scientific, precision - 1).value();
    std::string digits;
    const char* p = printed.c_str();
    for (; *p && *p != 'E'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    if (exponent >= -5 && exponent < precision) {
        if (exponent < 0) {
            out += '0';
            out += decimalSeparator;
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out.append(digits, 0, intDigits);
                out += decimalSeparator;
                out.append(digits, intDigits);
            }
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return out;
}

std::string FormatSci23(double value) {
    // d.ddddddddddddddE+xx
    const std::string s = PrintNumber(std::fabs(value), std::chars_format::scientific, 14).value();
    auto e = s.find('E');
    std::string mant = s.substr(0, e);
    char sign = s[e + 1];
    int exp = std::abs(std::atoi(s.c_str() + e + 2));
    char expBuf[16];
    std::snprintf(expBuf, sizeof expBuf, "%04d", exp);
    return std::string(value < 0 ? "-" : " ") + mant + "E" + (sign == '-' ? '-' : '+') + expBuf;
}

}  // namespace trevasc
