#pragma once
// Text of the batch tool's reports: names and texts from the command line or a file made safe to
// print.
#include <optional>
#include <string>
#include <utility>

namespace trevasc::cli {

// Text from the command line or a file as it may stand in a message or report line (control
// characters and invalid UTF-8 written as \xNN).
std::string Shown(const std::string& text);
// Several lines of such text: each line as Shown, the line breaks kept.
std::string ShownLines(const std::string& text);
// An image size "WxH" (or "WXH") with both from 10 to 32767; nothing for any other text.
std::optional<std::pair<int, int>> ParseImageSize(const std::string& text);

}  // namespace trevasc::cli
