#pragma once
// Runs a batch-tool command in the test process and keeps what it printed.
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace trevasc::test {

struct CliRun {
    int Code;
    std::string Out, Err;
};

inline CliRun Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = cli::RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace trevasc::test
