#pragma once
// TFloatEdit: the numeric edit field of every window. Its value is its text read as a number
// ("." and "," both accepted; empty or unreadable text reads as the minimum), clamped to the
// field's range; setting a value writes it with the field's significant digits, so whatever a
// calculation reads is the displayed, rounded value.
#include <QLineEdit>

#include "core/FloatEditValue.h"

namespace trevasc {

class FloatEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit FloatEdit(QWidget* parent = nullptr, double minValue = 0.0, double maxValue = 1e10,
                       double initialValue = 0.0, int digits = 10);

    double Value() const;
    // Writes the value (clamped) with the field's significant digits.
    void SetValue(double value);
    void SetRange(double minValue, double maxValue);
    void SetDigits(int digits);
    const TFloatEditValue& Rules() const { return rules_; }
    double Min() const { return rules_.Min(); }
    double Max() const { return rules_.Max(); }
    int Digits() const { return rules_.Digits(); }

  private:
    TFloatEditValue rules_;
};

}  // namespace trevasc
