#include "cli/CliText.h"

#include "base/MessageText.h"

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

}  // namespace trevasc::cli
