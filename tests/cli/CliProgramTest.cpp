// The installed shape of the batch tool: trevasc-cli itself carries no Qt, and its `plot`
// command is carried out by the drawing program with the same result as in process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Bin(const std::string& name) {
    return std::string(TREVASC_BIN_DIR) + "/" + name;
}

// Runs a shell command line; returns the exit code and what it printed on standard output.
std::pair<int, std::string> RunShell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {-1, out};
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace

#ifdef TREVASC_HAVE_QT
TEST(CliProgram, LoadsNoQtAndHandsPlotToTheDrawingProgram) {
    const auto [lddCode, libraries] = RunShell("ldd '" + Bin("trevasc-cli") + "'");
    ASSERT_EQ(lddCode, 0);
    EXPECT_EQ(libraries.find("libQt"), std::string::npos) << libraries;

    const auto out = std::filesystem::temp_directory_path() / "trevasc-cli-program-plot.png";
    std::filesystem::remove(out);
    const std::string scan =
        std::string(TREVASC_TEST_DATA_DIR) + "/nomad_m54313_om2th_10_v2.1.xrdml";
    const auto [code, text] = RunShell("'" + Bin("trevasc-cli") + "' plot '" + scan + "' -o '" +
                                       out.string() + "' --size 320x200 2>&1");
    ASSERT_EQ(code, 0) << text;
    std::ifstream in(out, std::ios::binary);
    unsigned char head[24] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    EXPECT_EQ(head[1], 'P');
    EXPECT_EQ((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19], 320);
    std::filesystem::remove(out);

    // Usage errors come from the drawing program as from trevasc-cli: code 2 and the usage.
    const auto [usageCode, usage] =
        RunShell("'" + Bin("trevasc-cli") + "' plot '" + scan + "' --size 5x5 -o x.png 2>&1");
    EXPECT_EQ(usageCode, 2);
    EXPECT_NE(usage.find("usage: trevasc-cli"), std::string::npos) << usage;
}
#endif
