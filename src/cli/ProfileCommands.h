#pragma once
// The batch twins of the profile window: multi-peak profile fits (profile), the instrument
// function (instrument), and crystallite size and strain (size).
#include <vector>

#include "cli/CliFrame.h"

namespace trevasc::cli {

std::vector<Command> ProfileCommandList();

}  // namespace trevasc::cli
