#include "cli/DrawProgram.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <system_error>

namespace trevasc::cli {

std::string DrawProgramPath(const std::string& programName, const std::string& installedFolder) {
    std::string self(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
    if (n > 0 && static_cast<size_t>(n) < self.size()) {
        self.resize(static_cast<size_t>(n));
        const std::string beside = self.substr(0, self.rfind('/') + 1) + programName;
        if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
    return installedFolder + "/" + programName;
}

int ExecDrawProgram(char** argv, const std::string& path) {
    // Nothing has been written yet: the options were only parsed.
    ::execv(path.c_str(), argv);
    const int error = errno;
    std::cerr << "trevasc-cli: cannot start " << path << ": "
              << std::generic_category().message(error) << "\n";
    return 1;
}

}  // namespace trevasc::cli
