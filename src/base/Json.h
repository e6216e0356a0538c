#pragma once
// JSON values and their text: the results the batch tool prints with --json and the Python
// module returns are built as such values, so that both carry the same keys and digits.
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace trevasc::json {

// A JSON string literal for any text: line breaks and tabs as \r, \n and \t, other control
// characters and invalid UTF-8 as the text "\xNN" (as in the program's messages), quotes and
// backslashes escaped.
std::string Quote(const std::string& text);

// How an array is laid out: by default on one line ("[1, 2]"); with an element indent each
// element on a line of its own, and the closing bracket on a line with `CloseIndent` spaces, or
// right after the last element when CloseIndent is negative.
struct Lines {
    int ElementIndent = -1;
    int CloseIndent = -1;
};

// One JSON value: null, a truth value, a whole number, a number, a string, an array, or an
// object whose members keep the order in which they were set.
class Value {
  public:
    enum class Kind { Null, Bool, Integer, Number, String, Array, Object };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : kind_(Kind::Bool), bool_(b) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) Value(T n)
        : kind_(Kind::Integer), integer_(static_cast<long long>(n)) {}
    Value(double x) : kind_(Kind::Number), number_(x) {}
    Value(std::string s) : kind_(Kind::String), text_(std::move(s)) {}
    Value(const char* s) : Value(std::string(s)) {}

    static Value Array(Lines lines = {});
    static Value Object();
    // A number, or null when there is none.
    static Value OrNull(const std::optional<double>& x) { return x ? Value(*x) : Value(); }
    static Value OrNull(const std::optional<std::string>& s) { return s ? Value(*s) : Value(); }
    // An array of the items, each made a value by `each`.
    template <typename Items, typename F>
    static Value ArrayOf(const Items& items, F&& each, Lines lines = {}) {
        Value a = Array(lines);
        for (const auto& item : items) a.Add(each(item));
        return a;
    }
    template <typename Items>
    static Value ArrayOf(const Items& items) {
        Value a = Array();
        for (const auto& item : items) a.Add(Value(item));
        return a;
    }

    Kind GetKind() const { return kind_; }
    // Appends to an array.
    Value& Add(Value v);
    // Sets an object's member: a new key goes last, a known key keeps its place.
    Value& Set(const std::string& key, Value v);
    // An object's member, or nullptr.
    const Value* Find(const std::string& key) const;
    const std::vector<Value>& Elements() const { return elements_; }
    const std::vector<std::pair<std::string, Value>>& Members() const { return members_; }
    bool AsBool() const { return bool_; }
    long long AsInteger() const { return integer_; }
    double AsNumber() const {
        return kind_ == Kind::Integer ? static_cast<double>(integer_) : number_;
    }
    const std::string& AsString() const { return text_; }

    // The JSON text: ", " between elements and members, ": " after keys; a number in the
    // shortest digits that read back as the same double, null for NaN and the infinities
    // (which JSON cannot hold).
    std::string Text() const;

  private:
    void Write(std::string& out) const;

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    long long integer_ = 0;
    double number_ = 0;
    std::string text_;
    Lines lines_;
    std::vector<Value> elements_;
    std::vector<std::pair<std::string, Value>> members_;
};

}  // namespace trevasc::json
