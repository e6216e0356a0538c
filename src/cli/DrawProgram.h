#pragma once
// Hand-over of the drawing command to the batch tool's drawing program.
//
// Drawing needs Qt, and loading Qt's forty-odd shared libraries takes longer than reading a
// large scan. trevasc-cli is therefore built without Qt, and the commands that draw (`plot`,
// `fit`, `lattice` with their pictures) and `check-update` (Qt's network access) run in
// trevasc-cli-draw:
// the same commands with drawing, started in place of the running process, so that its
// output, messages and exit code are those of trevasc-cli itself.
#include <string>

namespace trevasc::cli {

// In trevasc-cli built without Qt (TREVASC_DRAW_PROGRAM defined): for those commands, replaces the
// running process by the drawing program with the same arguments, and returns only when that
// cannot be started (exit code 1, after a message). Returns -1 for every other command, and
// always where the commands draw themselves.
int HandOverDrawing(int argc, char** argv);

// Where the drawing program is: beside the running executable (the build tree, or an
// installation that keeps them together), else in `installedFolder`.
std::string DrawProgramPath(const std::string& programName, const std::string& installedFolder);

#ifdef TREVASC_HAVE_QT
// The application object that drawing text needs (a font database), on the offscreen platform
// unless QT_QPA_PLATFORM names another: the batch tool never opens a window.
void EnsureGuiApplication();
#endif

}  // namespace trevasc::cli
