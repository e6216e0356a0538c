#pragma once
// The batch twins of the lattice and film thickness windows, and of the "2 Axis Plot" window's
// bitmap and text copies and its gnuplot export: lattice, thickness, map, gnuplot.
#include <vector>

#include "cli/CliFrame.h"

namespace trevasc::cli {

std::vector<Command> ToolCommandList();

}  // namespace trevasc::cli
