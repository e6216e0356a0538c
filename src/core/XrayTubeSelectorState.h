#pragma once
// The "X-Ray tube" group of the lattice and film thickness windows without its widgets: the
// transition list, the selected index, the energy field "Energy [eV]" and the wavelength field.
// The fields are held as their texts, because a field's value is its displayed text.
//
// The widget forwards user edits (edits by the user only, not its own updates of the fields)
// and selections, then shows EnergyText(), WavelengthText() and SelectedIndex() again.
#include <optional>
#include <string>
#include <vector>

#include "core/FloatEditValue.h"
#include "core/Prompts.h"
#include "core/XrayLines.h"

namespace trevasc {

class XrayTubeSelectorState {
  public:
    // The message of a failed conversion goes to prompts.ShowError.
    XrayTubeSelectorState(std::string xrayIniPath, Prompts& prompts, char decimalSeparator = '.');

    // Field rules: energy 0 .. 1e10 eV with 10 significant digits, wavelength 0 .. 1000 A with 6.
    static TFloatEditValue EnergyField() { return TFloatEditValue(0.0, 1e10, 10); }
    static TFloatEditValue WavelengthField() { return TFloatEditValue(0.0, 1000.0, 6); }

    // The energy field's value before anything is selected or typed.
    static constexpr double kInitialEnergy = 8000.0;

    // Window creation: loads the names, selects CONFIG/DEFAULTENERGY (nothing when it is outside
    // the list) and fills the fields from that transition. Without a selection, the value typed
    // before the last exit (CONFIG/TYPEDENERGY or TYPEDWAVELENGTH) is typed in again.
    void Create();
    // The user picked list entry `index` (-1: none).
    void OnSelectionChanged(int index);
    // The user typed into the energy field: the wavelength follows, the selection is cleared.
    void OnEnergyTextEdited(const std::string& text);
    // The user typed into the wavelength field: the energy follows, the typed text stays, the
    // selection is cleared.
    void OnWavelengthTextEdited(const std::string& text);
    // Program end of the lattice window: stores the selected index (-1 for none) as
    // CONFIG/DEFAULTENERGY and, without a selection, the typed value beside it. The film
    // thickness window never calls it.
    void SaveDefaultEnergy() const;
    // The value the user typed last while no line is selected (none after a selection, or when
    // the typed field does not hold a number above 0).
    std::optional<TypedXrayValue> TypedValue() const;

    const std::vector<std::string>& Names() const { return names_; }
    int SelectedIndex() const { return selected_; }
    const std::string& EnergyText() const { return energyText_; }
    const std::string& WavelengthText() const { return wavelengthText_; }
    // The fields' values, as every calculation reads them (the displayed, rounded numbers).
    double Energy() const { return EnergyField().ValueOf(energyText_); }
    double Wavelength() const { return WavelengthField().ValueOf(wavelengthText_); }
    bool Updating() const { return updating_; }

  private:
    void SelectionStep();
    void Report(const std::string& message) const;

    XrayLineTable table_;
    Prompts* prompts_;
    char decimalSeparator_;
    std::vector<std::string> names_;
    int selected_ = -1;
    std::string energyText_;
    std::string wavelengthText_;
    std::optional<TypedXrayValue::Field> typedField_;  // the field typed into last
    bool updating_ = false;
};

}  // namespace trevasc
