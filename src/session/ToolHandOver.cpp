#include "session/ToolHandOver.h"

namespace trevasc {

void ApplyLatticeEffects(WorkbenchSession& session, const tools::TLatticeEffects& effects) {
    if (effects.Cancelled) return;
    session.SetPeakDescriptionsByPosition(effects.IdPositions, effects.IdTexts);
    if (effects.HasTitleSuffix) session.SetPlotTitleSuffix(effects.TitleSuffix);
}

void ApplyThicknessEffects(WorkbenchSession& session, const tools::TThicknessEffects& effects) {
    if (!effects.Calculated) return;
    session.SetPeakDescriptionsByPosition(effects.IdPositions, effects.IdTexts);
    session.SetPlotTitleSuffix(effects.TitleSuffix);
    session.SetAdditionalLatticeSpacing(effects.LatticeSpacing);
}

}  // namespace trevasc
