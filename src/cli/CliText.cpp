#include "cli/CliText.h"

#include "base/MessageText.h"
#include "base/NumberText.h"

namespace trevasc::cli {

std::string Shown(const std::string& text) {
    return QuoteForMessage(text, kWholeText);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : Shown(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::optional<std::pair<int, int>> ParseImageSize(const std::string& text) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return std::nullopt;
    const auto w = TryParseInt(text.substr(0, x)), h = TryParseInt(text.substr(x + 1));
    if (!w || !h || *w < 10 || *h < 10 || *w > 32767 || *h > 32767) return std::nullopt;
    return std::pair{*w, *h};
}

}  // namespace trevasc::cli
