#pragma once
// Hand-over of the drawing command to the batch tool's drawing program.
//
// Drawing needs Qt, and loading Qt's forty-odd shared libraries takes longer than reading a
// large scan. trevasc-cli is therefore built without Qt, and `plot` runs in trevasc-cli-draw:
// the same commands with drawing, started in place of the running process, so that its
// output, messages and exit code are those of trevasc-cli itself.
#include <string>

namespace trevasc::cli {

// Where the drawing program is: beside the running executable (the build tree, or an
// installation that keeps them together), else in `installedFolder`.
std::string DrawProgramPath(const std::string& programName, const std::string& installedFolder);

// Replaces the running process by the drawing program with the same arguments. Returns only
// when it cannot be started, with exit code 1 after a message on standard error.
int RunDrawProgram(const std::string& path, char** argv);

}  // namespace trevasc::cli
