// The process that reads a file through xylib: its memory is bounded by the file's size, the
// window's Cancel stops it, and it never outlives the program that waits for it.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "formats/ReaderTestSupport.h"
#include "formats/XylibReader.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

std::string ReadError(const std::string& content, const std::string& name, ScanRegistry& registry) {
    ReaderPrompts prompts;
    try {
        ReadXylibText(content, name, "chiplot", true, registry, prompts);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

// A ChiPLOT file of `points` lines "x y".
std::string ChiPlot(int points) {
    std::string text = "scan\n2-Theta\nCounts\n" + std::to_string(points) + "\n";
    for (int i = 0; i < points; ++i)
        text += std::to_string(20 + i * 0.01) + " " + std::to_string(100 + i % 50) + "\n";
    return text;
}

// The state letter and the parent of a process from /proc/PID/stat; state 0 when it is gone.
std::pair<char, pid_t> StateAndParent(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    const size_t close = std::getline(in, line) ? line.rfind(')') : std::string::npos;
    if (close == std::string::npos || close + 4 >= line.size()) return {0, 0};
    return {line[close + 2], static_cast<pid_t>(std::atoi(line.c_str() + close + 4))};
}

std::string FdLink(const std::string& path) {
    char link[256];
    const ssize_t n = ::readlink(path.c_str(), link, sizeof link);
    return n > 0 ? std::string(link, static_cast<size_t>(n)) : std::string();
}

// The child process of `parent` (the first found), 0 when there is none.
pid_t ChildOf(pid_t parent) {
    DIR* proc = ::opendir("/proc");
    pid_t found = 0;
    while (dirent* entry = proc && !found ? ::readdir(proc) : nullptr) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid > 0 && StateAndParent(pid).second == parent) found = pid;
    }
    if (proc) ::closedir(proc);
    return found;
}

}  // namespace

TEST(XylibChild, HeadersAnnouncingMillionsOfColumnsEndInAMemoryMessage) {
    if (!XylibAvailable()) GTEST_SKIP() << "built without xylib";
    if (kSanitized) GTEST_SKIP() << "no memory limit under AddressSanitizer";
    // 25 bytes: one point of 30 million curves; and a 127-byte header of 120 million curves.
    const std::string small = "abc\nx\ny\n1 30000000\n1 2 3\n";
    const std::string title =
        "A fuzzed ChiPLOT header: three points of three curves, not 120 million.";
    const std::string fuzzed =
        title + "\n2-Theta\nCounts\n3, 120000000\n10 20 30\n11 21 31\n12 22 32\n";
    ASSERT_EQ(small.size(), 25u);
    ASSERT_EQ(fuzzed.size(), 127u);
    for (const std::string* content : {&small, &fuzzed}) {
        ScanRegistry registry;
        const auto start = std::chrono::steady_clock::now();
        const std::string error = ReadError(*content, "huge.chi", registry);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // 512 MB besides 32 bytes per byte of the file (800 bytes, not a whole MB more).
        EXPECT_EQ(error,
                  "The file could not be read as ChiPLOT data: reading it would take more than "
                  "the 512 MB of memory allowed for a file of this size (its header announces "
                  "more data than the file holds).")
            << content->size();
        EXPECT_LT(seconds, 20.0) << "the child ran into its time limit instead";
        EXPECT_EQ(registry.MainScan().Count(), 0);
    }
    // No child took more than the allowance on top of this process's own memory.
    struct rusage children {};
    struct rusage self {};
    ::getrusage(RUSAGE_CHILDREN, &children);
    ::getrusage(RUSAGE_SELF, &self);
    EXPECT_LT(children.ru_maxrss, self.ru_maxrss + 600 * 1024) << "kB";

    // A file of 10000 points fits its allowance.
    ScanRegistry registry;
    ReaderPrompts prompts;
    ReadXylibText(ChiPlot(10000), "fine.chi", "chiplot", true, registry, prompts);
    EXPECT_EQ(registry.MainScan().Count(), 10000);
}

TEST(XylibChild, TheWaitIsReportedAndCancelStopsTheRead) {
    if (!XylibAvailable()) GTEST_SKIP() << "built without xylib";
    const std::string content = ChiPlot(20);
    std::vector<double> limits;
    {
        ScanRegistry registry;
        ReaderPrompts prompts;
        XylibWaitWatch watch([&](double seconds, double limit) {
            EXPECT_GE(seconds, 0.0);
            limits.push_back(limit);
            return true;
        });
        ReadXylibText(content, "q.chi", "chiplot", true, registry, prompts);
        EXPECT_EQ(registry.MainScan().Count(), 20);
    }
    ASSERT_FALSE(limits.empty());
    EXPECT_EQ(limits.front(), 60.0);

    {
        ScanRegistry registry;
        XylibWaitWatch cancel([](double, double) { return false; });
        EXPECT_EQ(ReadError(content, "q.chi", registry), "Reading was cancelled.");
        EXPECT_EQ(registry.MainScan().Count(), 0);
    }
    // The watch ends with its scope: a later read is not cancelled.
    ScanRegistry registry;
    EXPECT_EQ(ReadError(content, "q.chi", registry), "");
}

TEST(XylibChild, TheChildDiesWithTheProgramThatWaitsForIt) {
    if (!XylibAvailable()) GTEST_SKIP() << "built without xylib";
    // The program reads a file whose answer (160 kB) is more than a pipe holds, and stops
    // listening while the xylib child is still there: the child stays blocked writing to the
    // pipe. The test holds the pipe's read end too, so that no broken pipe ends the child.
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const std::string content = ChiPlot(10000);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        ::close(report[0]);
        ScanRegistry registry;
        ReaderPrompts prompts;
        XylibWaitWatch watch([&](double, double) {
            const pid_t child = ChildOf(::getpid());
            // The read end of the answer: the one pipe this process reads from.
            int answerFd = -1;
            for (int fd = 0; fd < 1024; ++fd) {
                const int flags = ::fcntl(fd, F_GETFL);
                if (flags >= 0 && (flags & O_ACCMODE) == O_RDONLY &&
                    FdLink("/proc/self/fd/" + std::to_string(fd)).rfind("pipe:", 0) == 0)
                    answerFd = fd;
            }
            const int message[2] = {static_cast<int>(child), answerFd};
            if (::write(report[1], message, sizeof message) != sizeof message) ::_exit(2);
            ::pause();  // killed here
            return true;
        });
        ReadXylibText(content, "big.chi", "chiplot", true, registry, prompts);
        ::_exit(3);
    }
    ::close(report[1]);
    int message[2] = {0, -1};
    ASSERT_EQ(::read(report[0], message, sizeof message), static_cast<ssize_t>(sizeof message));
    ::close(report[0]);
    const pid_t child = message[0];
    ASSERT_GT(child, 0);
    ASSERT_GE(message[1], 0);
    const int held =
        ::open(("/proc/" + std::to_string(program) + "/fd/" + std::to_string(message[1])).c_str(),
               O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(held, 0);
    // The child is at work or blocked on its answer.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_NE(StateAndParent(child).first, 0);
    EXPECT_NE(StateAndParent(child).first, 'Z');

    ::kill(program, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    char state = StateAndParent(child).first;
    for (int i = 0; i < 100 && state != 0 && state != 'Z'; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state = StateAndParent(child).first;
    }
    EXPECT_TRUE(state == 0 || state == 'Z') << "the xylib child outlived its program: " << state;
    if (state != 0 && state != 'Z') ::kill(child, SIGKILL);
    ::close(held);
}
