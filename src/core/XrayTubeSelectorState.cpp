#include "core/XrayTubeSelectorState.h"

#include "base/Error.h"
#include "base/NumberText.h"

namespace trevasc {

XrayTubeSelectorState::XrayTubeSelectorState(std::string xrayIniPath, Prompts& prompts,
                                             char decimalSeparator)
    : table_(std::move(xrayIniPath)),
      prompts_(&prompts),
      decimalSeparator_(decimalSeparator),
      energyText_(EnergyField().TextOf(kInitialEnergy, decimalSeparator)),
      // The wavelength of the initial energy, so that the two fields never disagree.
      wavelengthText_(
          WavelengthField().TextOf(EnergyToWavelength(kInitialEnergy), decimalSeparator)) {}

void XrayTubeSelectorState::Report(const std::string& message) const {
    prompts_->ShowError(message);
}

void XrayTubeSelectorState::Create() {
    names_ = table_.Names();
    const int index = table_.DefaultEnergyIndex();
    selected_ = (index >= 0 && index < static_cast<int>(names_.size())) ? index : -1;
    if (selected_ < 0) {
        // No line was selected at the last exit: the value typed then comes back, through the
        // same step as typing it, so both fields show what they showed then.
        if (const std::optional<TypedXrayValue> typed = table_.StoredTypedValue()) {
            const std::string text = ToLocalDecimal(typed->Text, decimalSeparator_);
            if (typed->Which == TypedXrayValue::Field::Energy)
                OnEnergyTextEdited(text);
            else
                OnWavelengthTextEdited(text);
        }
        return;
    }
    SelectionStep();
}

void XrayTubeSelectorState::OnSelectionChanged(int index) {
    selected_ = (index >= 0 && index < static_cast<int>(names_.size())) ? index : -1;
    SelectionStep();
}

void XrayTubeSelectorState::SelectionStep() {
    if (selected_ < 0) return;
    // The table is read again on every selection, so edits of xray.ini count at once.
    updating_ = true;
    try {
        const double energy =
            table_.Energy(names_[static_cast<size_t>(selected_)], decimalSeparator_);
        // Writing the energy field fills the wavelength from the energy as displayed (rounded
        // to 10 digits), not from the unrounded number.
        const std::string energyText = EnergyField().TextOf(energy, decimalSeparator_);
        const double wavelength = EnergyToWavelength(EnergyField().ValueOf(energyText));
        energyText_ = energyText;
        wavelengthText_ = WavelengthField().TextOf(wavelength, decimalSeparator_);
    } catch (const TrevascError& e) {
        // A stored value that is no number, or an energy of 0: both fields keep their values.
        Report(e.what());
    }
    updating_ = false;
}

void XrayTubeSelectorState::OnEnergyTextEdited(const std::string& text) {
    energyText_ = text;
    const bool typed = !updating_;
    updating_ = true;
    try {
        wavelengthText_ = WavelengthField().TextOf(EnergyToWavelength(Energy()), decimalSeparator_);
    } catch (const TrevascError& e) {
        Report(e.what());  // energy 0 (also an empty field): the wavelength keeps its value
    }
    if (typed) {
        updating_ = false;
        selected_ = -1;  // a typed energy belongs to no transition of the list
        typedField_ = TypedXrayValue::Field::Energy;
    }
}

void XrayTubeSelectorState::OnWavelengthTextEdited(const std::string& text) {
    wavelengthText_ = text;
    if (updating_) return;
    updating_ = true;
    try {
        energyText_ = EnergyField().TextOf(WavelengthToEnergy(Wavelength()), decimalSeparator_);
    } catch (const TrevascError& e) {
        Report(e.what());  // wavelength 0: the energy keeps its value
    }
    selected_ = -1;
    typedField_ = TypedXrayValue::Field::Wavelength;
    updating_ = false;
}

std::optional<TypedXrayValue> XrayTubeSelectorState::TypedValue() const {
    if (selected_ >= 0 || !typedField_) return std::nullopt;
    const bool energy = *typedField_ == TypedXrayValue::Field::Energy;
    const std::string text(Trim(energy ? energyText_ : wavelengthText_));
    // A field left empty or at 0 has no conversion: nothing worth bringing back.
    const std::optional<double> value = TryParseFloat(text);
    if (!value || !(*value > 0.0)) return std::nullopt;
    return TypedXrayValue{*typedField_, ToLocalDecimal(text, '.')};
}

void XrayTubeSelectorState::SaveDefaultEnergy() const {
    table_.WriteDefaultEnergyIndex(selected_, TypedValue());
}

}  // namespace trevasc
