// What the batch tool leaves behind when a command fails: none of its outputs, and a failed
// write to standard output is an error, not a silent death.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace trevasc::test;

#ifdef TREVASC_HAVE_QT
namespace {

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

}  // namespace

TEST(CliOutputs, AFailedCommandWritesNoneOfItsFiles) {
    TempDir dir;
    // A full device of our own (writes fail with "No space left on device").
    const std::string full = dir.File("full");
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod not permitted";
    const std::string kArea = Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml");
    const std::string png = dir.File("ok.png"), text = dir.File("ok.txt");

    // The picture is complete before the text fails.
    CliRun r = CliLine("map " + kArea + " -o " + png + " --text " + full);
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "No space left on device")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(png));
    EXPECT_EQ(CliLine("map " + kArea + " -o " + full + " --text " + text).Code, 1);
    EXPECT_FALSE(std::filesystem::exists(text));

    // An existing picture keeps its content when the text fails.
    dir.Write("ok.png", "earlier picture");
    const std::string scan = dir.Write("peak.txt", PeakScan());
    r = CliLine("fit " + scan + " --profile lorentz --from 29 --to 31 --plot " + png + " -o " +
                full);
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(dir.Read("ok.png"), "earlier picture");

    // Both succeed together, and no temporary file stays.
    r = CliLine("map " + kArea + " -o " + png + " --text " + text);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_GT(PngSize(png).first, 0);
    EXPECT_GT(std::filesystem::file_size(text), 76u * 75u * 10u);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"full", "ok.png", "ok.txt", "peak.txt"}));
}

// Drawing in a session without XDG_RUNTIME_DIR prints no warnings of the drawing library.
TEST(CliOutputs, DrawingWithoutASessionPrintsNothing) {
    TempDir dir;
    const CliRun r = Shell("env -u XDG_RUNTIME_DIR " + BuiltCli() + " plot '" + Data("quartz.chi") +
                           "' -o '" + dir.File("plot.png") + "' --size 200x150 2>&1");
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(PngSize(dir.File("plot.png")), std::pair(200, 150));
}
#endif

TEST(CliOutputs, AClosedPipeOnStandardOutputIsAFailedWrite) {
    TempDir dir;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);  // nobody reads any more
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], 1);
        ::dup2(::open(dir.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
        const std::string program = std::string(TREVASC_BIN_DIR) + "/trevasc-cli";
        const std::string scan = Data("quartz.chi");
        ::execl(program.c_str(), program.c_str(), "info", scan.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(dir.Read("stderr.txt"), "trevasc-cli: cannot write standard output: Broken pipe\n");
}
