#pragma once
// Starting another program from the batch tool: without a shell (so no quoting or injection
// issues), the program found on PATH unless the name holds a '/', standard input empty.
#include <string>
#include <vector>

namespace trevasc::cli {

struct ProgramRun {
    bool Started = false;
    std::string StartError;  // why it could not be started
    bool Finished = false;   // false: still running (not waited for) or timed out
    bool TimedOut = false;
    bool NormalExit = false;  // ended by itself, not by a signal
    int ExitCode = 0;
    std::string Errors;  // the start of what it wrote on standard error (when waited for)
};

// Starts `program` with `arguments` and returns at once: the program goes on after the batch
// tool ends (a gnuplot window stays open).
ProgramRun StartProgram(const std::string& program, const std::vector<std::string>& arguments);

// Starts `program` and waits up to `timeoutMs` for it to end; a program still running then is
// killed. Keeps up to `maxErrorBytes` of its standard error.
ProgramRun RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                             int timeoutMs, size_t maxErrorBytes);

}  // namespace trevasc::cli
