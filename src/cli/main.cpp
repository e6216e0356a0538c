#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/DrawProgram.h"

int main(int argc, char** argv) {
    // A reader that closes the pipe early (`| head`) makes a write to standard output fail with
    // EPIPE, which the commands report as any failed write, instead of ending the program
    // unreported. The drawing program inherits this over exec.
    ::signal(SIGPIPE, SIG_IGN);
    if (const int code = trevasc::cli::HandOverDrawing(argc, argv); code >= 0) return code;
    std::vector<std::string> args(argv + 1, argv + argc);
    int code = trevasc::cli::RunCli(args, std::cout, std::cerr);
    // RunCli flushed standard output; closing it can still fail (a file system that reports
    // errors only then). Output that may be incomplete must not end with success.
    errno = 0;
    if (std::fclose(stdout) != 0 && code == 0) {
        const int error = errno;
        std::cerr << "trevasc-cli: cannot write standard output";
        if (error != 0) std::cerr << ": " << std::generic_category().message(error);
        std::cerr << "\n";
        code = 1;
    }
    return code;
}
