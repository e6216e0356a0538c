// The batch tool on what it should refuse: paths that are no files, output that cannot be
// written, names and contents that would garble a message or a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "support/CliRun.h"
#include "support/TempDir.h"
#include "support/TextChecks.h"

using trevasc::cli::RunCli;
using trevasc::test::IsPrintableUtf8;
using trevasc::test::TempDir;

namespace {

struct CliResult {
    int Code;
    std::string Out, Err;
};

CliResult Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunCli(args, out, err, trevasc::test::CliFacilities());
    return {code, out.str(), err.str()};
}

// Runs the built trevasc-cli with standard output going to `stdoutPath`.
CliResult Spawn(const std::vector<std::string>& args, const std::string& stdoutPath,
                const TempDir& dir) {
    const std::string program = std::string(TREVASC_BIN_DIR) + "/trevasc-cli";
    const std::string errPath = dir.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0) << program;
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), "",
            dir.Read("stderr.txt")};
}

const std::string kScan =
    std::string(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml";

}  // namespace

TEST(CliBadInput, PathsThatAreNoFilesFailWithAMessage) {
    TempDir dir;
    const std::string folder = dir.File("folder");
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const struct {
        std::vector<std::string> Args;
        std::string Kind;
    } cases[] = {
        {{"info", folder}, "a directory"},
        {{"convert", folder, "-o", dir.File("x.txt")}, "a directory"},
        {{"peaks", folder}, "a directory"},
        {{"plot", folder, "-o", dir.File("x.png")}, "a directory"},
        {{"info", fifo}, "a FIFO (named pipe)"},  // would wait for a writer forever
        {{"convert", fifo, "-o", "-"}, "a FIFO (named pipe)"},
    };
    for (const auto& c : cases) {
        const CliResult r = Cli(c.Args);
        EXPECT_EQ(r.Code, 1) << c.Args[0];
        const std::string path = c.Args[1];
        EXPECT_EQ(r.Err, "trevasc-cli: " + path + ": Cannot open file \"" + path + "\". It is " +
                             c.Kind + ", not a file.\n")
            << c.Args[0];
    }
}

TEST(CliBadInput, OutputThatIsNotWrittenIsAnError) {
    TempDir dir;
    // A full device of our own: every write fails with "No space left on device".
    std::string full = dir.File("full");
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) full = "/dev/full";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"info", kScan},
                                               {"info", "--json", kScan},
                                               {"convert", kScan, "-o", "-"},
                                               {"peaks", kScan}}) {
        const CliResult r = Spawn(args, full, dir);
        EXPECT_EQ(r.Code, 1) << args[0] << " " << args[1];
        EXPECT_EQ(r.Err, "trevasc-cli: cannot write standard output: No space left on device\n")
            << args[0] << " " << args[1];
    }
    // Files that cannot be written.
    EXPECT_EQ(Cli({"convert", kScan, "-o", dir.File("missing/x.txt")}).Code, 1);
    EXPECT_EQ(Cli({"peaks", kScan, "-o", dir.Path()}).Code, 1);
    const CliResult devices = Cli({"convert", kScan, "-o", full});
    EXPECT_EQ(devices.Code, 1);
    EXPECT_NE(devices.Err.find("No space left on device"), std::string::npos) << devices.Err;
}

TEST(CliBadInput, NamesAndContentsAreEscapedInMessagesAndJson) {
    TempDir dir;
    // A name with a terminal escape and a byte that is not UTF-8, and binary content with a NUL.
    std::string binary = "\x89PNG\r\n\x1A\n";
    binary += std::string("1 \x1B]0;owned\x07\0", 13) + std::string(3000, '\x9B') + "\n2 3\n";
    const std::string file = dir.Write("scan\x1B[2J\xFF.txt", binary);
    const CliResult text = Cli({"info", file});
    EXPECT_EQ(text.Code, 1);
    EXPECT_TRUE(IsPrintableUtf8(text.Err)) << text.Err;
    EXPECT_LT(text.Err.size(), file.size() + 200) << "the quoted content is cut";
    EXPECT_NE(text.Err.find("scan\\x1b[2J\\xff.txt"), std::string::npos) << text.Err;
    // The value column begins after the escape character, which ends the position.
    EXPECT_NE(text.Err.find("']0;owned\\x07\\x00\\x9b"), std::string::npos) << text.Err;

    const CliResult json = Cli({"info", "--json", file, kScan});
    EXPECT_TRUE(IsPrintableUtf8(json.Out)) << json.Out;
    EXPECT_NE(json.Out.find("\"file\": \"" + dir.Path() + "/scan\\\\x1b[2J\\\\xff.txt\""),
              std::string::npos)
        << json.Out;

    // Text from inside a file (the sample name of an XML scan) reaches the report escaped.
    const std::string named =
        dir.Write("named.xrdml",
                  "<?xml version=\"1.0\"?><xrdMeasurements><sample><id>&#x9B;31mred</id></sample>"
                  "<xrdMeasurement measurementType=\"Scan\"><scan><dataPoints>"
                  "<positions axis=\"Omega\" unit=\"deg\"><startPosition>1</startPosition>"
                  "<endPosition>2</endPosition></positions><intensities>1 2</intensities>"
                  "</dataPoints></scan></xrdMeasurement></xrdMeasurements>");
    const CliResult report = Cli({"info", named});
    EXPECT_EQ(report.Code, 0) << report.Err;
    EXPECT_NE(report.Out.find("title: XRD Plot: \\xc2\\x9b31mred\n"), std::string::npos)
        << report.Out;
}

TEST(CliBadInput, AnErrorInThePeakListBesideAScanNamesThePeakList) {
    TempDir dir;
    const std::string scan = dir.Write("scan.txt", "10 1\n11 2\n12 3\n");
    dir.Write("scan_Peaks.txt", "10.5 a\n\nnone b\n");
    const CliResult r = Cli({"info", scan});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "trevasc-cli: " + scan + ": Peak list \"" + dir.File("scan_Peaks.txt") +
                         "\", line 3: 'none' ist kein gültiger Gleitkommawert\n");
}
