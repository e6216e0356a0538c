#pragma once
// Rules of the numeric edit field used on every window: the field's value is its text read as a
// number, and setting a value writes it rounded to the field's significant digits. Whatever a
// calculation reads from a field is therefore the displayed, rounded value.
#include <string>
#include <string_view>

namespace trevasc {

class TFloatEditValue {
  public:
    TFloatEditValue(double minValue, double maxValue, int digits)
        : min_(minValue), max_(maxValue), digits_(digits) {}

    double Min() const { return min_; }
    double Max() const { return max_; }
    int Digits() const { return digits_; }

    // The text read as a number ("." or "," as decimal mark), clamped to the range; an empty or
    // unreadable text reads as the minimum.
    double ValueOf(std::string_view text) const;
    // The value clamped to the range (NaN reads as the minimum).
    double Clamp(double value) const;
    // The text the field shows for a value: clamped, general notation with at most Digits()
    // significant digits (1.549973 with 6 digits -> "1.54997").
    std::string TextOf(double value, char decimalSeparator = '.') const;

  private:
    double min_;
    double max_;
    int digits_;
};

}  // namespace trevasc
