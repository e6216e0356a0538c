#pragma once
// Where trevasc-cli finds its drawing program, and the hand-over to it.
#include <string>

namespace trevasc::cli {

// Where the drawing program is: beside the running executable (the build tree, or an
// installation that keeps them together), else in `installedFolder`.
std::string DrawProgramPath(const std::string& programName, const std::string& installedFolder);

// Replaces the running process by the program at `path` with the same arguments; returns only
// when that cannot be started (exit code 1, after a message).
int ExecDrawProgram(char** argv, const std::string& path);

}  // namespace trevasc::cli
