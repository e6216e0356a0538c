#include "cli/ExternalProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

extern char** environ;

namespace trevasc::cli {

namespace {

// Spawns the program with standard input from /dev/null and, when `errorPipe` is given, its
// standard error into that pipe's write end; posix_spawnp reports a program that cannot be
// executed as its result.
ProgramRun Spawn(const std::string& program, const std::vector<std::string>& arguments,
                 const int* errorPipe, pid_t& pid) {
    ProgramRun run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (errorPipe) {
        posix_spawn_file_actions_adddup2(&actions, errorPipe[1], 2);
        posix_spawn_file_actions_addclose(&actions, errorPipe[0]);
        posix_spawn_file_actions_addclose(&actions, errorPipe[1]);
    }
    // The child must not inherit the batch tool's choice to ignore SIGPIPE.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int error =
        posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    run.Started = error == 0;
    if (!run.Started) run.StartError = std::generic_category().message(error);
    return run;
}

}  // namespace

ProgramRun StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    pid_t pid = 0;
    return Spawn(program, arguments, nullptr, pid);
}

ProgramRun RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                             int timeoutMs, size_t maxErrorBytes) {
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        ProgramRun run;
        run.StartError = std::generic_category().message(errno);
        return run;
    }
    pid_t pid = 0;
    ProgramRun run = Spawn(program, arguments, errorPipe, pid);
    ::close(errorPipe[1]);
    if (!run.Started) {
        ::close(errorPipe[0]);
        return run;
    }
    // Read standard error until the program closes it (it ends), or the time is up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            run.TimedOut = true;
            break;
        }
        pollfd p{errorPipe[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;  // the deadline check above ends the wait
        const ssize_t n = ::read(errorPipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (run.Errors.size() < maxErrorBytes)
            run.Errors.append(buffer,
                              std::min(static_cast<size_t>(n), maxErrorBytes - run.Errors.size()));
    }
    ::close(errorPipe[0]);
    // A program may close its standard error and go on: the deadline holds for its end too.
    int status = 0;
    while (!run.TimedOut) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) break;
        if (std::chrono::steady_clock::now() >= deadline)
            run.TimedOut = true;
        else
            ::usleep(10'000);
    }
    if (run.TimedOut) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    run.Finished = !run.TimedOut;
    run.NormalExit = WIFEXITED(status);
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    return run;
}

}  // namespace trevasc::cli
