#pragma once
// The batch tool's commands, callable from tests without starting a process.
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliFrame.h"

namespace trevasc::cli {

// Every command in the order of the usage text and the manual page.
const std::vector<Command>& AllCommands();

// Runs `trevasc-cli` with the arguments after the program name; returns the exit code
// (0 done, 1 the work failed, 2 usage error). `use` offers the pictures; without them a
// command line that asks for one is handed over (or refused when there is nothing to hand
// over to).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const Facilities& use = {});

// The whole program: RunCli on the process's arguments and standard streams, and the check
// that standard output was written completely.
int RunProgram(int argc, char** argv, const Facilities& use);

}  // namespace trevasc::cli
