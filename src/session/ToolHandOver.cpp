#include "session/ToolHandOver.h"

namespace trevasc {

void ApplyLatticeEffects(WorkbenchSession& session, const tools::TLatticeEffects& effects) {
    if (effects.Cancelled) return;
    session.Peaks().SetDescriptionsByPosition(effects.IdPositions, effects.IdTexts);
    if (effects.HasTitleSuffix) session.View().SetPlotTitleSuffix(effects.TitleSuffix);
}

void ApplyThicknessEffects(WorkbenchSession& session, const tools::TThicknessEffects& effects) {
    if (!effects.Calculated) return;
    session.Peaks().SetDescriptionsByPosition(effects.IdPositions, effects.IdTexts);
    session.View().SetPlotTitleSuffix(effects.TitleSuffix);
    session.Settings().SetAdditionalLatticeSpacing(effects.LatticeSpacing);
}

}  // namespace trevasc
