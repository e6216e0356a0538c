// trevasc-cli: the batch tool without Qt. A command line that asks for a picture (or the update
// check) is handed over to the drawing program, started in place of this process, so that its
// output, messages and exit code are those of trevasc-cli itself.
#include "cli/CliCommands.h"
#include "cli/DrawProgram.h"

int main(int argc, char** argv) {
    trevasc::cli::Facilities use;
#ifdef TREVASC_DRAW_PROGRAM
    use.HandOver = [argv] {
        return trevasc::cli::ExecDrawProgram(
            argv, trevasc::cli::DrawProgramPath(TREVASC_DRAW_PROGRAM, TREVASC_DRAW_PROGRAM_FOLDER));
    };
#endif
    return trevasc::cli::RunProgram(argc, argv, use);
}
