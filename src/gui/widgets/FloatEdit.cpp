#include "gui/widgets/FloatEdit.h"

#include "qtcanvas/PlotImageExport.h"

namespace trevasc {

FloatEdit::FloatEdit(QWidget* parent, double minValue, double maxValue, double initialValue,
                     int digits)
    : QLineEdit(parent), rules_(minValue, maxValue, digits) {
    SetValue(initialValue);
}

double FloatEdit::Value() const {
    return rules_.ValueOf(text().toStdString());
}

void FloatEdit::SetValue(double value) {
    setText(QString::fromStdString(rules_.TextOf(value, UserDecimalSeparator())));
}

void FloatEdit::SetRange(double minValue, double maxValue) {
    rules_ = TFloatEditValue(minValue, maxValue, rules_.Digits());
}

void FloatEdit::SetDigits(int digits) {
    rules_ = TFloatEditValue(rules_.Min(), rules_.Max(), digits);
}

}  // namespace trevasc
