#pragma once
// "Error calculation info": how the two errors of the lattice window are computed, with the
// formulas set as rich text (radicals drawn with an overline, real sub- and superscripts).
#include <QDialog>

namespace trevasc {

class ErrorInfoWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ErrorInfoWindow(QWidget* parent = nullptr);
    // The text shown, as rich text.
    static QString InfoHtml();
};

}  // namespace trevasc
