// The installed shape of the batch tool: trevasc-cli itself carries no Qt and runs every text
// and JSON command line; only a command line that asks for a picture is carried out by the
// drawing program (started without a shell), with the same result as in process.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "cli/ExternalProgram.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

using namespace trevasc::test;
using trevasc::cli::ProgramRun;
using trevasc::cli::RunProgramAndWait;
using trevasc::cli::StartProgram;

// Starting another program without a shell: its exit, its standard error, and the deadline.
TEST(ExternalProgram, ExitCodeAndTheStartOfStandardError) {
    // The arguments reach the program as they are: no shell splits or expands them.
    ProgramRun run = RunProgramAndWait(
        "sh", {"-c", "printf '%s' \"$1\" >&2; exit 3", "sh", "two words; $HOME *"}, 10000, 1000);
    ASSERT_TRUE(run.Started) << run.StartError;
    EXPECT_TRUE(run.Finished && run.NormalExit);
    EXPECT_EQ(std::pair(run.ExitCode, run.Errors), std::pair(3, std::string("two words; $HOME *")));
    // Only the first bytes are kept; the rest is read and dropped, so the program never blocks.
    run = RunProgramAndWait("sh", {"-c", "head -c 200000 /dev/zero | tr '\\0' x >&2"}, 10000, 5);
    EXPECT_EQ(std::pair(run.ExitCode, run.Errors), std::pair(0, std::string("xxxxx")));
    // Found on PATH; standard input is empty.
    run = RunProgramAndWait("sh", {"-c", "read line && exit 1; exit 0"}, 10000, 100);
    EXPECT_EQ(run.ExitCode, 0);
}

TEST(ExternalProgram, MissingProgramAndTheDeadline) {
    ProgramRun run = RunProgramAndWait("/no/such/program", {}, 1000, 100);
    EXPECT_EQ(std::pair(run.Started, run.StartError),
              std::pair(false, std::string("No such file or directory")));
    EXPECT_FALSE(StartProgram("/no/such/program", {}).Started);

    for (const char* script : {"sleep 5", "exec 2>&-; sleep 5"}) {
        const auto start = std::chrono::steady_clock::now();
        run = RunProgramAndWait("sh", {"-c", script}, 200, 100);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(run.Started && run.TimedOut && !run.Finished) << script;
        EXPECT_LT(waited, std::chrono::seconds(3)) << script;
    }
}

#ifdef TREVASC_HAVE_QT
TEST(CliProgram, LoadsNoQtAndHandsPlotToTheDrawingProgram) {
    const CliRun ldd = Shell("ldd " + BuiltCli());
    ASSERT_EQ(ldd.Code, 0);
    EXPECT_FALSE(Has(ldd.Out, "libQt")) << ldd.Out;

    TempDir dir;
    const std::string plot = BuiltCli() + " plot '" + Data("nomad_m54313_om2th_10_v2.1.xrdml") +
                             "' -o '" + dir.File("p.png") + "' ";
    const CliRun r = Shell(plot + "--size 320x200 2>&1");
    ASSERT_EQ(r.Code, 0) << r.Out;
    EXPECT_EQ(PngSize(dir.File("p.png")), std::pair(320, 200));
    // Usage errors come from the drawing program as from trevasc-cli: code 2 and the usage.
    const CliRun usage = Shell(plot + "--size 5x5 2>&1");
    EXPECT_EQ(usage.Code, 2);
    EXPECT_TRUE(Has(usage.Out, "usage: trevasc-cli")) << usage.Out;
}

// A trevasc-cli without a drawing program beside it (nor installed): every command line without
// a picture still runs, and only those with one try the hand-over, which then fails.
TEST(CliProgram, OnlyPictureCommandLinesNeedTheDrawingProgram) {
    TempDir dir;
    std::filesystem::copy_file(std::string(TREVASC_BIN_DIR) + "/trevasc-cli",
                               dir.File("trevasc-cli"));
    const std::string run = "'" + dir.File("trevasc-cli") + "' ";
    const std::string scan = "'" + Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml") + "'";
    const std::string png = " '" + dir.File("x.png") + "'";
    const std::pair<std::string, int> withoutPictures[] = {
        {"info " + scan, 0},
        {"fit " + scan + " --profile gauss --from 22 --to 23 --json", 0},
        {"lattice --peaks 22.754,46.472 --direction 0,0,1 --json", 0},
        {"thickness --peaks 1.324,1.765,2.208", 0},
        {"plot --help", 0},
        {"fit " + scan + " --plot", 2},  // found while parsing, before any hand-over
    };
    for (const auto& [args, expected] : withoutPictures) {
        const CliRun r = Shell(run + args + " 2>&1");
        EXPECT_EQ(r.Code, expected) << args << "\n" << r.Out;
        EXPECT_FALSE(Has(r.Out, "cannot start")) << args << "\n" << r.Out;
    }
    for (const std::string& args :
         {"plot " + scan + " -o" + png, "fit " + scan + " --profile gauss --plot" + png,
          "lattice --peaks 22.754,46.472 --direction 0,0,1 --nelson-riley-plot" + png,
          "map " + scan + " -o" + png}) {
        const CliRun r = Shell(run + args + " 2>&1");
        EXPECT_EQ(r.Code, 1) << args;
        EXPECT_TRUE(Has(r.Out, "trevasc-cli: cannot start ")) << args << "\n" << r.Out;
    }
}
#endif
