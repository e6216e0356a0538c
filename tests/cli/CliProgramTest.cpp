// The installed shape of the batch tool: trevasc-cli itself carries no Qt and runs every text
// and JSON command line; only a command line that asks for a picture is carried out by the
// drawing program, with the same result as in process.
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

// A trevasc-cli without a drawing program beside it (nor installed): every command line without
// a picture still runs, and only those with one try the hand-over, which then fails.
TEST(CliProgram, OnlyPictureCommandLinesNeedTheDrawingProgram) {
    const auto folder = std::filesystem::temp_directory_path() / "trevasc-cli-alone";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto alone = folder / "trevasc-cli";
    std::filesystem::copy_file(Bin("trevasc-cli"), alone);
    const std::string scan =
        std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml";
    const std::string run = "'" + alone.string() + "' ";
    const std::string png = "'" + (folder / "x.png").string() + "'";
    const std::pair<std::string, int> withoutPictures[] = {
        {"info '" + scan + "'", 0},
        {"fit '" + scan + "' --profile gauss --from 22 --to 23 --json", 0},
        {"lattice --peaks 22.754,46.472 --direction 0,0,1 --json", 0},
        {"thickness --peaks 1.324,1.765,2.208", 0},
        {"plot --help", 0},
        // A usage error is found while parsing, before any hand-over.
        {"fit '" + scan + "' --plot", 2},
    };
    for (const auto& [args, expected] : withoutPictures) {
        const auto [code, out] = RunShell(run + args + " 2>&1");
        EXPECT_EQ(code, expected) << args << "\n" << out;
        EXPECT_EQ(out.find("cannot start"), std::string::npos) << args << "\n" << out;
    }
    for (const std::string& args :
         {"plot '" + scan + "' -o " + png, "fit '" + scan + "' --profile gauss --plot " + png,
          "lattice --peaks 22.754,46.472 --direction 0,0,1 --nelson-riley-plot " + png,
          "map '" + scan + "' -o " + png}) {
        const auto [code, out] = RunShell(run + args + " 2>&1");
        EXPECT_EQ(code, 1) << args;
        EXPECT_NE(out.find("trevasc-cli: cannot start "), std::string::npos) << args << "\n" << out;
    }
    std::filesystem::remove_all(folder);
}
#endif
