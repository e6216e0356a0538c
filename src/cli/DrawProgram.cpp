#include "cli/DrawProgram.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string_view>
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

int HandOverDrawing(int argc, char** argv) {
#ifdef TREVASC_DRAW_PROGRAM
    // The commands that draw (or, for the update check, use Qt's network access, and for
    // gnuplot Qt's process start).
    constexpr std::string_view kQtCommands[] = {"plot",         "fit", "lattice",
                                                "check-update", "map", "gnuplot"};
    if (argc < 2) return -1;
    bool needsQt = false;
    for (std::string_view command : kQtCommands) needsQt = needsQt || argv[1] == command;
    if (!needsQt) return -1;
    const std::string path = DrawProgramPath(TREVASC_DRAW_PROGRAM, TREVASC_DRAW_PROGRAM_FOLDER);
    ::execv(path.c_str(), argv);
    const int error = errno;
    std::cerr << "trevasc-cli: cannot start " << path << ": "
              << std::generic_category().message(error) << "\n";
    return 1;
#else
    (void)argc;
    (void)argv;
    return -1;
#endif
}

}  // namespace trevasc::cli
