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

// Every line of a text in order, empty ones included, with its number (1 for the first line) for
// messages that point the user at the line. CR, LF and CR LF each end one line.
class NumberedLineReader {
  public:
    explicit NumberedLineReader(std::string_view text) : text_(text) {}

    // False at the end of the text; otherwise `line` is the next line without its line end.
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const size_t begin = pos_;
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        line = text_.substr(begin, pos_ - begin);
        if (pos_ < text_.size() && text_[pos_++] == '\r' && pos_ < text_.size() &&
            text_[pos_] == '\n')
            ++pos_;
        ++number_;
        return true;
    }
    // Number of the line Next returned last.
    size_t Number() const { return number_; }

  private:
    std::string_view text_;
    size_t pos_ = 0;
    size_t number_ = 0;
};

// The first non-empty line of a text (empty when there is none).
std::string_view FirstNonEmptyLine(std::string_view text);

}  // namespace trevasc
