#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/DrawProgram.h"

int main(int argc, char** argv) {
    if (const int code = trevasc::cli::HandOverDrawing(argc, argv); code >= 0) return code;
    std::vector<std::string> args(argv + 1, argv + argc);
    return trevasc::cli::RunCli(args, std::cout, std::cerr);
}
