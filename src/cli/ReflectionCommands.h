#pragma once
// Batch twins of the tabs "Substrate", "Additional reflections" and "Structure" and of the JCPDS
// import: simulate, lines, jcpds, substrates, identify.
#include <ostream>
#include <string>
#include <vector>

namespace trevasc::cli {

// Usage lines of the five commands (part of the tool's usage text).
extern const char* const kReflectionUsage;

int SimulateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int LinesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int JcpdsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int SubstratesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int IdentifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace trevasc::cli
