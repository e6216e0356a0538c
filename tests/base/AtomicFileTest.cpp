// Atomic writes in a scratch folder: what the write keeps of the file it replaces, what it does
// to links, devices and FIFOs, and that no temporary file survives an error or a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "support/TempDir.h"

using namespace trevasc;
using trevasc::test::TempDir;

namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct stat Lstat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::string WriteError(const std::string& fileName, const std::string& content) {
    try {
        WriteFileAtomic(fileName, content);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

// A reader of everything written into a FIFO, on a thread of its own (join it).
std::thread ReadFifo(const std::string& fifo, std::string& received) {
    return std::thread([fifo, &received] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<size_t>(n));
        ::close(fd);
    });
}

// Runs `body` in a child process and returns its wait status; the child's own limits and signal
// settings do not reach the test.
template <typename Body>
int InChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        struct rlimit noCore {};
        ::setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT and SIGXFSZ would dump core
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

void LimitFileSize(rlim_t bytes) {
    struct rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace

TEST(AtomicFile, NewFilesHonourTheUmaskAndExistingOnesKeepModeAndOwner) {
    TempDir dir;
    const mode_t saved = ::umask(027);
    WriteFileAtomic(dir.File("new.txt"), "one");
    ::umask(077);
    WriteFileAtomic(dir.File("private.txt"), "two");
    ::umask(saved);
    EXPECT_EQ(std::pair(Lstat(dir.File("new.txt")).st_mode & 07777,
                        Lstat(dir.File("private.txt")).st_mode & 07777),
              std::pair(0640u, 0600u));

    // An existing file: a restrictive or unusual mode and (as root) another owner survive.
    const std::string file = dir.Write("theirs.txt", "old");
    ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::chown(file.c_str(), 4321, 4322) == 0);
    const ino_t before = Lstat(file).st_ino;
    WriteFileAtomic(file, "new content");
    const struct stat after = Lstat(file);
    EXPECT_EQ(dir.Read("theirs.txt"), "new content");
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_TRUE(!root || (after.st_uid == 4321u && after.st_gid == 4322u));
    EXPECT_NE(after.st_ino, before) << "replaced by a rename";
    EXPECT_EQ(Entries(dir.Path()),
              (std::vector<std::string>{"new.txt", "private.txt", "theirs.txt"}));
}

TEST(AtomicFile, LinksAreFollowedAndHardLinksStayJoined) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    dir.Write("real.txt", "old");
    const struct {
        std::string Link, Target;
    } links[] = {
        {"abs", dir.File("real.txt")},
        {"sub/rel", "../real.txt"},  // relative to the link's own folder
        {"chain", "sub/rel"},
        {"dangling", "created.txt"},  // the target is created
    };
    for (const auto& l : links)
        ASSERT_EQ(::symlink(l.Target.c_str(), dir.File(l.Link).c_str()), 0) << l.Link;
    for (const auto& l : links) {
        WriteFileAtomic(dir.File(l.Link), "via " + l.Link);
        EXPECT_TRUE(S_ISLNK(Lstat(dir.File(l.Link)).st_mode)) << l.Link;
        EXPECT_EQ(std::filesystem::read_symlink(dir.File(l.Link)).string(), l.Target);
    }
    EXPECT_EQ(dir.Read("real.txt"), "via chain");
    EXPECT_EQ(dir.Read("created.txt"), "via dangling");

    // A rename would give one of two hard links a new file; both names keep seeing one file.
    ASSERT_EQ(::link(dir.File("real.txt").c_str(), dir.File("twin.txt").c_str()), 0);
    const ino_t inode = Lstat(dir.File("real.txt")).st_ino;
    WriteFileAtomic(dir.File("twin.txt"), "both");
    EXPECT_EQ(dir.Read("real.txt"), "both");
    EXPECT_EQ(std::pair(Lstat(dir.File("twin.txt")).st_ino, Lstat(dir.File("real.txt")).st_nlink),
              std::pair(inode, nlink_t{2}));
    WriteFileAtomic(dir.File("twin.txt"), "x");  // shorter: the old tail is cut
    EXPECT_EQ(dir.Read("real.txt"), "x");
}

TEST(AtomicFile, DevicesAndFifosAreWrittenNotReplaced) {
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader = ReadFifo(fifo, received);
    const std::string content(100000, 'f');
    EXPECT_EQ(WriteError(fifo, content), "");
    reader.join();
    EXPECT_EQ(received, content);
    EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));

    // A null device of our own, so that no system path is touched.
    const std::string null = dir.File("null");
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod not permitted";
    EXPECT_EQ(WriteError(null, "discarded"), "");
    EXPECT_TRUE(S_ISCHR(Lstat(null).st_mode));
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"fifo", "null"}));
}

TEST(AtomicFile, NamesUpToTheLongestAllowedWork) {
    TempDir dir;
    std::string umlauts;  // 254 bytes: the temporary name must not cut inside a character
    for (int i = 0; i < 127; ++i) umlauts += "\xC3\xA4";
    for (const std::string& name : {std::string(250, 'n'), std::string(255, 'm'), umlauts}) {
        EXPECT_EQ(WriteError(dir.File(name), "first"), "") << name.size();
        EXPECT_EQ(WriteError(dir.File(name), "second"), "") << name.size();
        EXPECT_EQ(dir.Read(name), "second");
    }
    EXPECT_EQ(Entries(dir.Path()).size(), 3u);
}

TEST(AtomicFile, ContentWrittenInPiecesReplacesTheFileOnlyWhenComplete) {
    TempDir dir;
    const std::string target = dir.Write("table.txt", "old");
    std::string expected;
    for (int i = 0; i < 1000; ++i) expected += std::to_string(i) + "\n";
    const auto pieces = [&](const ContentWriter& write) {
        for (size_t at = 0; at < expected.size(); at += 7) write(expected.substr(at, 7));
    };
    WriteFileAtomic(target, pieces);
    EXPECT_EQ(dir.Read("table.txt"), expected);

    // A producer that fails half-way leaves the old file and no temporary file behind.
    const auto failing = [](const ContentWriter& write) {
        write("half");
        throw TrevascError("out of rows");
    };
    EXPECT_THROW(WriteFileAtomic(target, failing), TrevascError);
    EXPECT_EQ(dir.Read("table.txt"), expected);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"table.txt"}));

    // A FIFO receives the pieces as they are made.
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader = ReadFifo(fifo, received);
    WriteFileAtomic(fifo, pieces);
    reader.join();
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));
}

TEST(AtomicFile, FailuresLeaveTheTargetAndNoTemporaryFile) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
    EXPECT_EQ(WriteError(dir.File("folder"), "x"),
              "Cannot write file \"" + dir.File("folder") + "\". Is a directory");
    EXPECT_EQ(
        WriteError(dir.File("missing/a.txt"), "x"),
        "Cannot create file \"" + dir.File("missing/a.txt") + "\". No such file or directory");

    const std::string target = dir.Write("kept.txt", "old");
    if (::geteuid() != 0) {  // root may write anything
        ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
        EXPECT_EQ(WriteError(target, "new"),
                  "Cannot write file \"" + target + "\". Permission denied");
        EXPECT_EQ(dir.Read("kept.txt"), "old");
    }
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"folder", "kept.txt"}));
}

TEST(AtomicFile, AFullDiskLeavesBothHardLinksWithTheOldContent) {
    TempDir dir;
    const std::string target = dir.Write("export.txt", "old content");
    ASSERT_EQ(::link(target.c_str(), dir.File("twin.txt").c_str()), 0);
    // The new content stops at 1000 bytes, as on a disk that fills up.
    const int status = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        LimitFileSize(1000);
        const std::string error = WriteError(target, std::string(5000, 'z'));
        return error == "Cannot write file \"" + target + "\". File too large" ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(dir.Read("export.txt") + "|" + dir.Read("twin.txt"), "old content|old content");
    EXPECT_EQ(Lstat(target).st_nlink, 2u);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"export.txt", "twin.txt"}));
}

TEST(AtomicFile, EveryCatchableEndingSignalRemovesTheTemporaryFile) {
    TempDir dir;
    const std::string file = dir.File("pending.tmp");
    for (const int signal :
         {SIGTERM, SIGQUIT, SIGALRM, SIGXFSZ, SIGUSR1, SIGUSR2, SIGPIPE, SIGHUP}) {
        dir.Write("pending.tmp", "partial");
        const int status = InChild([&] {
            PendingTemporaryFile guard(file);
            ::raise(signal);
            return 3;
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << " " << status;
        EXPECT_FALSE(std::filesystem::exists(file)) << signal;
    }
    // A released guard leaves the file (by then the program's own) to a later signal.
    dir.Write("pending.tmp", "done");
    const int released = InChild([&] {
        { PendingTemporaryFile guard(file); }
        ::raise(SIGTERM);
        return 3;
    });
    EXPECT_TRUE(WIFSIGNALED(released)) << released;
    EXPECT_TRUE(std::filesystem::remove(file));

    // A large write that passes the file size limit: SIGXFSZ ends the program in the middle of
    // it, and neither the temporary file nor a change to the target stays.
    const std::string target = dir.Write("data.txt", "old");
    const int status = InChild([&] {
        LimitFileSize(100000);
        WriteFileAtomic(target, std::string(1 << 20, 'x'));
        return 3;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(dir.Read("data.txt"), "old");
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"data.txt"}));

    // A child made by fork that a signal ends leaves its parent's temporary file alone.
    const std::string parents = dir.Write("parents.tmp", "partial");
    const int parentStatus = InChild([&] {
        PendingTemporaryFile guard(parents);
        const int childStatus = InChild([] {
            ::raise(SIGTERM);
            return 3;
        });
        return WIFSIGNALED(childStatus) && std::filesystem::exists(parents) ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(parentStatus) && WEXITSTATUS(parentStatus) == 0) << parentStatus;
}

TEST(AtomicFile, AnOutputSetWritesAllOfItsFilesOrNone) {
    TempDir dir;
    dir.Write("a.txt", "old a");
    {
        // The second file cannot be written: the first stays as it was.
        OutputSet set;
        set.Add(dir.File("a.txt"), "new a");
        set.Add(dir.File("b.txt"), "new b");
        EXPECT_THROW(set.Add(dir.File("missing/c.txt"), "c"), TrevascError);
    }
    EXPECT_EQ(dir.Read("a.txt"), "old a");
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.txt"}));

    {
        OutputSet set;
        set.Add(dir.File("a.txt"), "new a");
        set.Add(dir.File("b.txt"), "new b");
        // Nothing is in place before the commit.
        EXPECT_EQ(dir.Read("a.txt"), "old a");
        EXPECT_FALSE(std::filesystem::exists(dir.File("b.txt")));
        set.Commit();
    }
    EXPECT_EQ(dir.Read("a.txt") + "|" + dir.Read("b.txt"), "new a|new b");
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"a.txt", "b.txt"}));

    // A device that refuses the content (a full device of our own) is written first, so the
    // files added before it are not replaced.
    const std::string full = dir.File("full");
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod not permitted";
    OutputSet set;
    set.Add(dir.File("a.txt"), "newer a");
    set.Add(full, "text");
    try {
        set.Commit();
        ADD_FAILURE() << "a full device took the text";
    } catch (const TrevascError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot write file \"" + full + "\". No space left on device");
    }
    EXPECT_EQ(dir.Read("a.txt"), "new a");
}
