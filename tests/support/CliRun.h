#pragma once
// Runs a batch-tool command in the test process and keeps what it printed.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#ifdef TREVASC_HAVE_QT
#include "cli/draw/QtFacilities.h"
#endif

namespace trevasc::test {

struct CliRun {
    int Code;
    std::string Out, Err;
};

// What the commands may use in the test process: the Qt drawing and fetch where the build has
// them, as in trevasc-cli-draw.
inline cli::Facilities CliFacilities() {
#ifdef TREVASC_HAVE_QT
    return cli::QtFacilities();
#else
    return {};
#endif
}

inline CliRun Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = cli::RunCli(args, out, err, CliFacilities());
    return {code, out.str(), err.str()};
}

// The number after `"key": ` (the first one from `from` on) in a command's JSON; NaN when the
// key is missing.
inline double JsonNumber(const std::string& json, const std::string& key, size_t from = 0) {
    const size_t p = json.find("\"" + key + "\": ", from);
    if (p == std::string::npos) return NAN;
    return std::stod(json.substr(p + key.size() + 4));
}

}  // namespace trevasc::test
