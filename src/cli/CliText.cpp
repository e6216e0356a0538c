#include "cli/CliText.h"

#include "base/MessageText.h"
#include "base/NumberText.h"

namespace trevasc::cli {

std::string Shown(const std::string& text) {
    return QuoteForMessage(text, kWholeText);
}

std::string ShownLines(const std::string& text) {
    std::string shown;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        shown += Shown(text.substr(start, end - start)) + "\n";
        start = end + 1;
    }
    return shown + Shown(text.substr(start));
}

std::optional<std::pair<int, int>> ParseImageSize(const std::string& text) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return std::nullopt;
    const auto w = TryParseInt(text.substr(0, x)), h = TryParseInt(text.substr(x + 1));
    if (!w || !h || *w < 10 || *h < 10 || *w > 32767 || *h > 32767) return std::nullopt;
    return std::pair{*w, *h};
}

}  // namespace trevasc::cli
