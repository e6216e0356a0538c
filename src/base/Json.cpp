#include "base/Json.h"

#include <cmath>

#include "base/MessageText.h"
#include "base/NumberText.h"

namespace trevasc::json {

std::string Quote(const std::string& text) {
    std::string out = "\"";
    // Line breaks (CR and LF) and tabs are JSON's own escapes, so that a reader gets multi-line
    // text (a peak list, the changes of a version) as it is. Each piece between them as the
    // program's messages show text: printable UTF-8, so that quotes and backslashes are all that
    // JSON still needs escaped.
    size_t start = 0;
    while (true) {
        const size_t end = text.find_first_of("\r\n\t", start);
        for (char c : QuoteForMessage(text.substr(start, end - start), kWholeText)) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        if (end == std::string::npos) break;
        out += text[end] == '\n' ? "\\n" : text[end] == '\r' ? "\\r" : "\\t";
        start = end + 1;
    }
    return out + "\"";
}

Value Value::Array(Lines lines) {
    Value v;
    v.kind_ = Kind::Array;
    v.lines_ = lines;
    return v;
}

Value Value::Object() {
    Value v;
    v.kind_ = Kind::Object;
    return v;
}

Value& Value::Add(Value v) {
    elements_.push_back(std::move(v));
    return *this;
}

Value& Value::Set(const std::string& key, Value v) {
    for (auto& member : members_)
        if (member.first == key) {
            member.second = std::move(v);
            return *this;
        }
    members_.emplace_back(key, std::move(v));
    return *this;
}

const Value* Value::Find(const std::string& key) const {
    for (const auto& member : members_)
        if (member.first == key) return &member.second;
    return nullptr;
}

std::string Value::Text() const {
    std::string out;
    Write(out);
    return out;
}

void Value::Write(std::string& out) const {
    switch (kind_) {
        case Kind::Null:
            out += "null";
            return;
        case Kind::Bool:
            out += bool_ ? "true" : "false";
            return;
        case Kind::Integer:
            out += std::to_string(integer_);
            return;
        case Kind::Number:
            out += std::isfinite(number_) ? FormatShortest(number_) : "null";
            return;
        case Kind::String:
            out += Quote(text_);
            return;
        case Kind::Array: {
            out += '[';
            const bool ownLines = lines_.ElementIndent >= 0 && !elements_.empty();
            for (size_t i = 0; i < elements_.size(); ++i) {
                if (i) out += ownLines ? "," : ", ";
                if (ownLines)
                    out += "\n" + std::string(static_cast<size_t>(lines_.ElementIndent), ' ');
                elements_[i].Write(out);
            }
            if (ownLines && lines_.CloseIndent >= 0)
                out += "\n" + std::string(static_cast<size_t>(lines_.CloseIndent), ' ');
            out += ']';
            return;
        }
        case Kind::Object:
            out += '{';
            for (size_t i = 0; i < members_.size(); ++i) {
                if (i) out += ", ";
                out += Quote(members_[i].first) + ": ";
                members_[i].second.Write(out);
            }
            out += '}';
            return;
    }
}

}  // namespace trevasc::json
