#include "session/WorkbenchSettings.h"

namespace trevasc {

void WorkbenchSettings::SetProcessing(const analysis::ProcessingSettings& settings) {
    const analysis::ProcessingSettings old = processing_;
    processing_ = settings;
    const bool curvesChanged = old.NoiseSuppression != settings.NoiseSuppression ||
                               old.SmoothWidth != settings.SmoothWidth ||
                               old.RemoveBackground != settings.RemoveBackground ||
                               old.BackgroundWidth != settings.BackgroundWidth;
    if (curvesChanged && links_.CurvesChanged) links_.CurvesChanged();
}

void WorkbenchSettings::SetKalpha2Stripping(const Kalpha2Settings& settings) {
    const bool changed =
        settings.Active() != kalpha2_.Active() ||
        (settings.Active() && (settings.Ratio != kalpha2_.Ratio ||
                               settings.Doublet->Alpha1 != kalpha2_.Doublet->Alpha1 ||
                               settings.Doublet->Alpha2 != kalpha2_.Doublet->Alpha2));
    kalpha2_ = settings;
    if (changed && links_.CurvesChanged) links_.CurvesChanged();
}

void WorkbenchSettings::SetDisplay(const plot::XrdPlotSettings& settings) {
    const bool spanChanged = settings.SpanAllFiles != display_.SpanAllFiles;
    display_ = settings;
    display_.ViewXMin = display_.ViewXMax = 0.0;
    if (links_.DisplayChanged) links_.DisplayChanged(spanChanged);
}

void WorkbenchSettings::SpanAllFiles() {
    display_.SpanAllFiles = true;
    observers_.Notify([](SettingsObserver& o) { o.DisplaySettingsChanged(); });
}

void WorkbenchSettings::ColorsChanged() {
    if (links_.ColorsChanged) links_.ColorsChanged();
}

void WorkbenchSettings::SetCurrentWavelength(double angstrom) {
    if (angstrom == currentWavelength_) return;
    currentWavelength_ = angstrom;
    observers_.Notify([angstrom](SettingsObserver& o) { o.CurrentWavelengthChanged(angstrom); });
}

void WorkbenchSettings::ResetMapOffsets() {
    maps_.RsmOmegaOffset = 0.0;
    maps_.RsmTwoThetaOffset = 0.0;
}

void WorkbenchSettings::SetAdditionalLatticeSpacing(double angstrom) {
    if (angstrom == additionalLattice_) return;
    additionalLattice_ = angstrom;
    observers_.Notify(
        [angstrom](SettingsObserver& o) { o.AdditionalLatticeSpacingChanged(angstrom); });
}

void WorkbenchSettings::SetPermittedReflexes(const std::string& text) {
    if (text == permittedReflexes_) return;
    permittedReflexes_ = text;
    observers_.Notify([&text](SettingsObserver& o) { o.PermittedReflexesChanged(text); });
}

}  // namespace trevasc
