// What the batch tool leaves behind when a command fails: none of its outputs, and a failed
// write to standard output is an error, not a silent death. Options given twice are refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace trevasc::test;

namespace {

const std::string kArea =
    std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml";

// A Lorentz peak at 30 degrees on a background, as two columns.
std::string PeakScan() {
    std::string text;
    for (int i = 0; i <= 400; ++i) {
        const double x = 28.0 + 0.01 * i, u = (x - 30.0) * 10.0;
        text +=
            std::to_string(x) + "\t" + std::to_string(std::lround(100 + 2000 / (u * u + 1))) + "\n";
    }
    return text;
}

// A full device of our own in the scratch folder (writes fail with "No space left on device").
std::string FullDevice(const TempDir& dir) {
    const std::string full = dir.File("full");
    return ::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 ? full : std::string();
}

// Runs the installed program with standard output into a pipe that nobody reads any more;
// returns the wait status and what it printed on standard error.
std::pair<int, std::string> RunIntoClosedPipe(const std::vector<std::string>& args,
                                              const TempDir& dir) {
    int fds[2];
    if (::pipe(fds) != 0) return {-1, ""};
    ::close(fds[0]);
    const std::string errFile = dir.File("stderr.txt");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], 1);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(err, 2);
        // As a shell starts it: SIGPIPE at its default action.
        ::signal(SIGPIPE, SIG_DFL);
        std::vector<char*> argv;
        const std::string program = std::string(TREVASC_BIN_DIR) + "/trevasc-cli";
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {status, dir.Read("stderr.txt")};
}

}  // namespace

#ifdef TREVASC_HAVE_QT
TEST(CliOutputs, AFailedCommandWritesNoneOfItsFiles) {
    TempDir dir;
    const std::string full = FullDevice(dir);
    if (full.empty()) GTEST_SKIP() << "mknod not permitted";
    const std::string png = dir.File("ok.png"), text = dir.File("ok.txt");

    // The picture is complete before the text fails.
    CliRun r = Cli({"map", kArea, "-o", png, "--text", full});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("No space left on device"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(png));
    r = Cli({"map", kArea, "-o", full, "--text", text});
    EXPECT_EQ(r.Code, 1);
    EXPECT_FALSE(std::filesystem::exists(text));

    // An existing picture keeps its content when the text fails.
    dir.Write("ok.png", "earlier picture");
    const std::string scan = dir.Write("peak.txt", PeakScan());
    r = Cli({"fit", scan, "--profile", "lorentz", "--from", "29", "--to", "31", "--plot", png, "-o",
             full});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(dir.Read("ok.png"), "earlier picture");

    // Both succeed together, and no temporary file stays.
    r = Cli({"map", kArea, "-o", png, "--text", text});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(dir.Read("ok.png").substr(1, 3), "PNG");
    EXPECT_GT(std::filesystem::file_size(text), 76u * 75u * 10u);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"full", "ok.png", "ok.txt", "peak.txt"}));
}
#endif

TEST(CliOutputs, AClosedPipeOnStandardOutputIsAFailedWrite) {
    TempDir dir;
    const auto [status, err] =
        RunIntoClosedPipe({"info", std::string(TREVASC_TEST_DATA_DIR) + "/quartz.chi"}, dir);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(err, "trevasc-cli: cannot write standard output: Broken pipe\n");
}

TEST(CliOutputs, AnOptionGivenTwiceIsRefused) {
    TempDir dir;
    const std::string scan = dir.Write("peak.txt", PeakScan());
    const std::string a = dir.File("a.txt"), b = dir.File("b.txt");
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{"convert", scan, "-o", a, "-o", b}, "trevasc-cli convert: option -o is given twice\n"},
        {{"peaks", scan, "--dataset", "1", "--dataset", "1"},
         "trevasc-cli peaks: option --dataset is given twice\n"},
        {{"lattice", "--peaks", "22.754,46.472", "--peaks", "30,40"},
         "trevasc-cli lattice: option --peaks is given twice\n"},
        {{"simulate", "--system", "cubic", "--system", "hexagonal"},
         "trevasc-cli simulate: option --system is given twice\n"},
        {{"simulate", "--system", "cubic", "--h", "0", "1", "--h", "1", "2"},
         "trevasc-cli simulate: option --h is given twice\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.Args);
        EXPECT_EQ(r.Code, 2) << c.Args[0] << " " << r.Err;
        EXPECT_EQ(r.Err.substr(0, c.Message.size()), c.Message) << r.Err;
        // The usage text follows the message.
        EXPECT_GT(std::count(r.Err.begin(), r.Err.end(), '\n'), 2) << r.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_FALSE(std::filesystem::exists(b));
    // Flags may repeat: they ask for the same thing twice.
    EXPECT_EQ(Cli({"convert", scan, "-o", a, "--all", "--all"}).Code, 0);
}

#ifdef TREVASC_HAVE_QT
TEST(CliOutputs, DrawingWithoutASessionPrintsNothing) {
    TempDir dir;
    const std::string png = dir.File("plot.png");
    const std::string command = "env -u XDG_RUNTIME_DIR '" + std::string(TREVASC_BIN_DIR) +
                                "/trevasc-cli' plot '" + std::string(TREVASC_TEST_DATA_DIR) +
                                "/quartz.chi' -o '" + png + "' --size 200x150 2>&1";
    std::string printed;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) printed.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << printed;
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(std::filesystem::exists(png));
}
#endif
