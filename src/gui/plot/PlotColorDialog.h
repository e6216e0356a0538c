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

class PlotColorDialog : public QDialog {
    Q_OBJECT
  public:
    // The colour chooser: the chosen colour, or nothing when cancelled.
    using ColorChooser =
        std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

    // Every change goes straight into `config`, which must outlive the dialog.
    explicit PlotColorDialog(plot::TColorConfig& config, QWidget* parent = nullptr);

    // Replaces the Qt colour dialog (tests answer with a fixed colour or a cancel).
    void SetColorChooser(ColorChooser chooser) { chooser_ = std::move(chooser); }

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
    ColorChooser chooser_;
    QComboBox* elementList_ = nullptr;
    QFrame* swatch_ = nullptr;
    QPushButton* changeColorButton_ = nullptr;
    QPushButton* doneButton_ = nullptr;
};

// Shows the dialog modally and changes `config` in place ("&Options" -> "&Colors...").
void EditColors(QWidget* parent, plot::TColorConfig& config,
                const PlotColorDialog::ColorChooser& chooser = {});

}  // namespace trevasc
