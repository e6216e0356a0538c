// Starting another program without a shell: its exit, its standard error, and the deadline.
#include <gtest/gtest.h>

#include <chrono>

#include "cli/ExternalProgram.h"

using trevasc::cli::ProgramRun;
using trevasc::cli::RunProgramAndWait;
using trevasc::cli::StartProgram;

TEST(ExternalProgram, ExitCodeAndTheStartOfStandardError) {
    // The arguments reach the program as they are: no shell splits or expands them.
    ProgramRun run = RunProgramAndWait(
        "sh", {"-c", "printf '%s' \"$1\" >&2; exit 3", "sh", "two words; $HOME *"}, 10000, 1000);
    ASSERT_TRUE(run.Started) << run.StartError;
    EXPECT_TRUE(run.Finished);
    EXPECT_TRUE(run.NormalExit);
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_EQ(run.Errors, "two words; $HOME *");
    // Only the first bytes are kept; the rest is read and dropped, so the program never blocks.
    run = RunProgramAndWait("sh", {"-c", "head -c 200000 /dev/zero | tr '\\0' x >&2"}, 10000, 5);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Errors, "xxxxx");
    // Found on PATH; standard input is empty.
    run = RunProgramAndWait("sh", {"-c", "read line && exit 1; exit 0"}, 10000, 100);
    EXPECT_EQ(run.ExitCode, 0);
}

TEST(ExternalProgram, MissingProgramAndTheDeadline) {
    ProgramRun run = RunProgramAndWait("/no/such/program", {}, 1000, 100);
    EXPECT_FALSE(run.Started);
    EXPECT_EQ(run.StartError, "No such file or directory");
    EXPECT_FALSE(StartProgram("/no/such/program", {}).Started);

    for (const char* script : {"sleep 5", "exec 2>&-; sleep 5"}) {
        const auto start = std::chrono::steady_clock::now();
        run = RunProgramAndWait("sh", {"-c", script}, 200, 100);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(run.Started);
        EXPECT_TRUE(run.TimedOut) << script;
        EXPECT_FALSE(run.Finished) << script;
        EXPECT_LT(waited, std::chrono::seconds(3)) << script;
    }
}
