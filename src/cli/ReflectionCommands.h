#pragma once
// Batch twins of the tabs "Substrate", "Additional reflections" and "Structure" and of the JCPDS
// import: simulate, lines, jcpds, substrates, identify.
#include <vector>

#include "cli/CliFrame.h"

namespace trevasc::cli {

std::vector<Command> ReflectionCommandList();

}  // namespace trevasc::cli
