#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/DrawProgram.h"

int main(int argc, char** argv) {
#ifdef TREVASC_DRAW_PROGRAM
    if (argc > 1 && std::string_view(argv[1]) == "plot")
        return trevasc::cli::RunDrawProgram(
            trevasc::cli::DrawProgramPath(TREVASC_DRAW_PROGRAM, TREVASC_DRAW_PROGRAM_FOLDER), argv);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return trevasc::cli::RunCli(args, std::cout, std::cerr);
}
