#include "core/XrayTubeSelectorState.h"

#include "base/Error.h"

namespace trevasc {

XrayTubeSelectorState::XrayTubeSelectorState(std::string xrayIniPath, Prompts& prompts,
                                             char decimalSeparator)
    : table_(std::move(xrayIniPath)),
      prompts_(&prompts),
      decimalSeparator_(decimalSeparator),
      energyText_(EnergyField().TextOf(8000.0, decimalSeparator)),
      wavelengthText_(WavelengthField().TextOf(4.0, decimalSeparator)) {}

void XrayTubeSelectorState::Report(const std::string& message) const {
    prompts_->ShowError(message);
}

void XrayTubeSelectorState::Create() {
    names_ = table_.Names();
    const int index = table_.DefaultEnergyIndex();
    selected_ = (index >= 0 && index < static_cast<int>(names_.size())) ? index : -1;
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
    updating_ = false;
}

void XrayTubeSelectorState::SaveDefaultEnergy() const {
    table_.WriteDefaultEnergyIndex(selected_);
}

}  // namespace trevasc
