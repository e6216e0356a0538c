#pragma once
// The "X-Ray tube" group: a transition list with an energy and a wavelength field that follow
// each other (XrayTubeSelectorState holds the rules; this widget shows its state).
#include <QGroupBox>
#include <string>

#include "core/XrayTubeSelectorState.h"

class QComboBox;

namespace trevasc {

class FloatEdit;

class XrayTubeSelector : public QGroupBox {
    Q_OBJECT
  public:
    // Reads the transition names of `xrayIniPath` and selects CONFIG/DEFAULTENERGY. Conversion
    // errors go to prompts.ShowError.
    XrayTubeSelector(const QString& xrayIniPath, Prompts& prompts, QWidget* parent = nullptr);

    // The wavelength field's value in Angstrom, as displayed (6 significant digits).
    double Wavelength() const { return state_.Wavelength(); }
    double Energy() const { return state_.Energy(); }
    int SelectedIndex() const { return state_.SelectedIndex(); }
    // Stores the selected index as CONFIG/DEFAULTENERGY (the lattice window at program end).
    void SaveDefaultEnergy() const { state_.SaveDefaultEnergy(); }

    QComboBox* TransitionList() const { return list_; }
    FloatEdit* EnergyEdit() const { return energyEdit_; }
    FloatEdit* WavelengthEdit() const { return wavelengthEdit_; }

  signals:
    // The wavelength changed (selection or typed energy or wavelength).
    void wavelengthChanged(double angstrom);

  private:
    void ShowState(bool energyTyped, bool wavelengthTyped);

    XrayTubeSelectorState state_;
    QComboBox* list_ = nullptr;
    FloatEdit* energyEdit_ = nullptr;
    FloatEdit* wavelengthEdit_ = nullptr;
};

}  // namespace trevasc
