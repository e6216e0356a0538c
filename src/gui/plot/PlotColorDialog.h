#pragma once
// "Plot Color Configuration": edits the colours of the plot's curves and markers in place.
#include <QColor>
#include <QDialog>
#include <functional>
#include <optional>

#include "plot/ColorConfig.h"

class QComboBox;
class QFrame;
class QPushButton;

namespace trevasc {

class Dialogs;

class PlotColorDialog : public QDialog {
    Q_OBJECT
  public:
    // Every change goes straight into `config`, which must outlive the dialog; colours are
    // chosen through `dialogs`.
    PlotColorDialog(plot::TColorConfig& config, Dialogs& dialogs, QWidget* parent = nullptr);

    // Refills the element list from the configuration and selects the first entry.
    void FillElementList();
    // Colour of element `index` of the list (0..6 the fixed roles, 7 + i overlay colour i).
    static plot::TColor* ElementColor(plot::TColorConfig& config, int index);

    QComboBox* ElementList() const { return elementList_; }
    QFrame* Swatch() const { return swatch_; }
    QColor SwatchColor() const;
    QPushButton* ChangeColorButton() const { return changeColorButton_; }
    QPushButton* DoneButton() const { return doneButton_; }

    void ElementListChange(int index);
    void ChangeColorClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetSwatchColor(const QColor& color);

    plot::TColorConfig& config_;
    Dialogs& dialogs_;
    QComboBox* elementList_ = nullptr;
    QFrame* swatch_ = nullptr;
    QPushButton* changeColorButton_ = nullptr;
    QPushButton* doneButton_ = nullptr;
};

// Shows the dialog modally and changes `config` in place ("&Options" -> "&Colors...").
void EditColors(QWidget* parent, plot::TColorConfig& config, Dialogs& dialogs);

}  // namespace trevasc
