#include "core/FloatEditValue.h"

#include <cmath>

#include "base/NumberText.h"

namespace trevasc {

double TFloatEditValue::Clamp(double value) const {
    if (std::isnan(value) || value < min_) return min_;
    if (value > max_) return max_;
    return value;
}

double TFloatEditValue::ValueOf(std::string_view text) const {
    const auto v = TryParseFloat(text);
    return v ? Clamp(*v) : min_;
}

std::string TFloatEditValue::TextOf(double value, char decimalSeparator) const {
    return FormatGeneral(Clamp(value), digits_, decimalSeparator);
}

}  // namespace trevasc
