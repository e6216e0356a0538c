#pragma once
// What the lattice and film thickness calculations send back to the workbench: peak
// descriptions, the plot-title suffix and the lattice spacing of "Additional reflections". The
// windows and the batch tool apply the results through these, so both take the same path.
#include "session/WorkbenchSession.h"
#include "tools/lattice/LatticeCalculation.h"
#include "tools/thickness/FilmThicknessCalculation.h"

namespace trevasc {

void ApplyLatticeEffects(WorkbenchSession& session, const tools::TLatticeEffects& effects);
void ApplyThicknessEffects(WorkbenchSession& session, const tools::TThicknessEffects& effects);

}  // namespace trevasc
