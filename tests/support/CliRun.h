#pragma once
// Runs a batch-tool command in the test process and keeps what it printed; the same for the
// built program run by a shell.
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
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

// The words of a command line, split at its spaces (for arguments without spaces).
inline std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// `args` with more arguments at the end (those with spaces, say).
template <typename... More>
std::vector<std::string> Plus(std::vector<std::string> args, const More&... more) {
    (args.push_back(more), ...);
    return args;
}

inline CliRun CliLine(const std::string& line) {
    return Cli(Words(line));
}

// The built trevasc-cli, quoted for a shell.
inline std::string BuiltCli() {
    return "'" + std::string(TREVASC_BIN_DIR) + "/trevasc-cli'";
}

// Runs a shell command line; the exit code (-1 after a signal) and its standard output in Out.
inline CliRun Shell(const std::string& command) {
    CliRun run{-1, "", ""};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) run.Out.append(buf, n);
    const int status = ::pclose(pipe);
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline std::string Data(const std::string& name) {
    return std::string(TREVASC_TEST_DATA_DIR) + "/" + name;
}

inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

// Width and height from a PNG file's IHDR chunk; 0 x 0 for anything else.
inline std::pair<int, int> PngSize(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(in), {}};
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
    const auto be = [&](size_t at) {
        int v = 0;
        for (size_t i = at; i < at + 4; ++i) v = (v << 8) | static_cast<unsigned char>(png[i]);
        return v;
    };
    return {be(16), be(20)};
}

// The number after `"key": ` (the first one from `from` on) in a command's JSON; NaN when the
// key is missing.
inline double JsonNumber(const std::string& json, const std::string& key, size_t from = 0) {
    const size_t p = json.find("\"" + key + "\": ", from);
    if (p == std::string::npos) return NAN;
    return std::stod(json.substr(p + key.size() + 4));
}

}  // namespace trevasc::test
