#pragma once
// The batch tool's commands, callable from tests without starting a process.
#include <ostream>
#include <string>
#include <vector>

namespace trevasc::cli {

// Runs `trevasc-cli` with the arguments after the program name; returns the exit code
// (0 success, 1 a file failed, 2 usage error).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace trevasc::cli
