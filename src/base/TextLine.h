#pragma once
// Line reading over a text held in memory: CR, LF and CR LF all end a line, and empty lines are
// skipped, so a reader never sees a blank line (a line of blanks is not empty and is returned).
#include <cstddef>
#include <string_view>

namespace trevasc {

class TextLineReader {
  public:
    explicit TextLineReader(std::string_view text) : text_(text) {}

    // The next non-empty line without its line end; an empty view only at the end of the text.
    std::string_view ReadTextLine() {
        const char* data = text_.data();
        const size_t size = text_.size();
        while (pos_ < size && IsLineEnd(data[pos_])) ++pos_;
        const size_t begin = pos_;
        while (pos_ < size && !IsLineEnd(data[pos_])) ++pos_;
        return text_.substr(begin, pos_ - begin);
    }
    // True when no non-empty line is left (only line ends remain).
    bool AtEnd() {
        while (pos_ < text_.size() && IsLineEnd(text_[pos_])) ++pos_;
        return pos_ >= text_.size();
    }
    // Back to the first line.
    void Restart() { pos_ = 0; }
    // Number of characters not read yet.
    size_t Remaining() const { return text_.size() - pos_; }

  private:
    static bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

    std::string_view text_;
    size_t pos_ = 0;
};

// The first non-empty line of a text (empty when there is none).
std::string_view FirstNonEmptyLine(std::string_view text);

}  // namespace trevasc
