#include "base/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <system_error>

#include "base/Error.h"
#include "base/MessageText.h"

namespace trevasc {

namespace {

// ---- temporary files to remove when a signal ends the program ----
//
// A signal handler reaches only global state, so this registry is the one global of the lower
// layers. It is fixed slots of plain characters guarded by lock-free flags: the handler reads
// them and calls nothing but unlink and raise, which are async-signal-safe. More writes at the
// same time than there are slots go unguarded (their temporary files then stay on a signal).
constexpr int kPendingSlots = 32;
struct PendingSlot {
    std::atomic<bool> Claimed{false};
    std::atomic<bool> Active{false};
    char Name[PATH_MAX] = {};
};
static_assert(std::atomic<bool>::is_always_lock_free);
PendingSlot gPending[kPendingSlots];

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemovePendingFilesAndReraise(int signal) {
    const int savedErrno = errno;
    for (PendingSlot& slot : gPending)
        if (slot.Active.load(std::memory_order_acquire)) ::unlink(slot.Name);
    errno = savedErrno;
    // SA_RESETHAND restored the default action on entry, so the signal now ends the program with
    // the status its sender expects.
    ::raise(signal);
}

void InstallCleanupHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : kCleanupSignals) {
            struct sigaction old {};
            if (::sigaction(signal, nullptr, &old) != 0) continue;
            // A program that handles or ignores the signal itself keeps its own way.
            if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
            struct sigaction action {};
            action.sa_handler = RemovePendingFilesAndReraise;
            sigfillset(&action.sa_mask);
            action.sa_flags = SA_RESETHAND;
            ::sigaction(signal, &action, nullptr);
        }
    });
}

// Holds the cleanup signals back while a temporary file is created and registered, so that no
// signal falls between the two.
class CleanupSignalsBlocked {
  public:
    CleanupSignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kCleanupSignals) sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~CleanupSignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
    CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;

  private:
    sigset_t old_;
};

// ---- writing ----

std::string Quoted(const std::string& fileName) {
    return "\"" + QuoteForMessage(fileName, kWholeText) + "\"";
}

[[noreturn]] void ThrowCreateError(const std::string& fileName, int error) {
    throw TrevascError("Cannot create file " + Quoted(fileName) + ". " +
                       std::generic_category().message(error));
}

[[noreturn]] void ThrowWriteError(const std::string& fileName, int error) {
    throw TrevascError("Cannot write file " + Quoted(fileName) + ". " +
                       std::generic_category().message(error));
}

// "dir/name" -> "dir/"; "name" -> "".
std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

// The file a chain of symbolic links ends at (the name itself when it is no link). The end may
// not exist yet: writing through a dangling link creates its target, as the shell does.
std::string FollowLinks(const std::string& fileName) {
    std::string path = fileName;
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (hops == 40) ThrowWriteError(fileName, ELOOP);  // the system's own limit
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link);
        if (n < 0) ThrowWriteError(fileName, errno);
        if (static_cast<size_t>(n) >= sizeof link) ThrowWriteError(fileName, ENAMETOOLONG);
        const std::string target(link, static_cast<size_t>(n));
        path = target[0] == '/' ? target : FolderOf(path) + target;
    }
}

void WriteAll(int fd, std::string_view content, const std::string& fileName) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowWriteError(fileName, errno);
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
}

// A rename is durable only once the folder is on disk too; a failure here loses nothing that a
// crash at this moment would not lose anyway, so it is not reported.
void SyncFolder(const std::string& path) {
    const std::string folder = FolderOf(path);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A new file beside the target, ".NAME.XXXXXX", removed again unless committed. The name is cut
// so that it stays within the folder's longest file name even for a target at that length.
class TemporaryFile {
  public:
    TemporaryFile(const std::string& fileName, const std::string& target, mode_t mode)
        : fileName_(fileName) {
        const std::string folder = FolderOf(target);
        const std::string name = target.substr(folder.size());
        const long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
        constexpr size_t kAdded = 8;  // "." before, "." and six random characters after
        const size_t limit = nameMax > static_cast<long>(kAdded) ? static_cast<size_t>(nameMax)
                                                                 : static_cast<size_t>(NAME_MAX);
        size_t keep = std::min(name.size(), limit - kAdded);
        // Cut at a character boundary so that the name stays readable UTF-8.
        while (keep > 0 && keep < name.size() &&
               (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        const std::string prefix = folder + "." + name.substr(0, keep) + ".";

        static constexpr char kLetters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device device;
        std::mt19937_64 engine((static_cast<uint64_t>(device()) << 32) ^ device());
        std::uniform_int_distribution<size_t> letter(0, sizeof kLetters - 2);
        InstallCleanupHandlers();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string candidate = prefix;
            for (int i = 0; i < 6; ++i) candidate += kLetters[letter(engine)];
            CleanupSignalsBlocked blocked;
            fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         mode);
            if (fd_ >= 0) {
                name_ = std::move(candidate);
                try {
                    pending_.emplace(name_);
                } catch (...) {
                    ::close(fd_);
                    ::unlink(name_.c_str());
                    throw;
                }
                return;
            }
            if (errno != EEXIST) ThrowCreateError(fileName, errno);
        }
        ThrowCreateError(fileName, EEXIST);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) ThrowWriteError(fileName_, errno);
    }
    void Commit() { committed_ = true; }

  private:
    std::string fileName_;
    std::string name_;
    int fd_ = -1;
    bool committed_ = false;
    std::optional<PendingTemporaryFile> pending_;
};

// Writes into the existing file itself: devices and FIFOs, and regular files that a rename
// would harm (see the header).
void WriteInPlace(const std::string& fileName, const std::string& target, std::string_view content,
                  bool regular) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) ThrowWriteError(fileName, errno);
    struct Closer {
        int Fd;
        ~Closer() {
            if (Fd >= 0) ::close(Fd);
        }
    } closer{fd};
    WriteAll(fd, content, fileName);
    if (regular) {
        // Cut the old tail only once the new content is complete, so the file never stands empty.
        if (::ftruncate(fd, static_cast<off_t>(content.size())) != 0 || ::fsync(fd) != 0)
            ThrowWriteError(fileName, errno);
    }
    closer.Fd = -1;
    if (::close(fd) != 0) ThrowWriteError(fileName, errno);
}

// Temporary file and rename. With `existing`, the new file gets its owner and mode first;
// false when the owner cannot be given (nothing was written then).
bool ReplaceRegularFile(const std::string& fileName, const std::string& target,
                        std::string_view content, const struct stat* existing) {
    // A new file: 0666 less the umask, as any program creates one. An existing file's
    // content stays private until its own mode is set.
    TemporaryFile temp(fileName, target, existing ? 0600 : 0666);
    if (existing) {
        struct stat mine;
        if (::fstat(temp.Fd(), &mine) != 0) ThrowWriteError(fileName, errno);
        if ((mine.st_uid != existing->st_uid || mine.st_gid != existing->st_gid) &&
            ::fchown(temp.Fd(), existing->st_uid, existing->st_gid) != 0)
            return false;
        // After fchown, which clears the set-user-ID and set-group-ID bits.
        if (::fchmod(temp.Fd(), existing->st_mode & 07777) != 0) ThrowWriteError(fileName, errno);
    }
    WriteAll(temp.Fd(), content, fileName);
    if (::fsync(temp.Fd()) != 0) ThrowWriteError(fileName, errno);
    temp.Close();
    if (::rename(temp.Name().c_str(), target.c_str()) != 0) ThrowWriteError(fileName, errno);
    temp.Commit();
    SyncFolder(target);
    return true;
}

}  // namespace

PendingTemporaryFile::PendingTemporaryFile(const std::string& fileName) {
    InstallCleanupHandlers();
    std::string absolute = fileName;
    if (absolute.empty() || absolute[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return;
        absolute = std::string(cwd) + "/" + fileName;
    }
    if (absolute.size() >= PATH_MAX) return;
    for (int i = 0; i < kPendingSlots; ++i) {
        bool expected = false;
        if (!gPending[i].Claimed.compare_exchange_strong(expected, true)) continue;
        std::memcpy(gPending[i].Name, absolute.c_str(), absolute.size() + 1);
        gPending[i].Active.store(true, std::memory_order_release);
        slot_ = i;
        return;
    }
}

PendingTemporaryFile::~PendingTemporaryFile() {
    if (slot_ < 0) return;
    gPending[slot_].Active.store(false, std::memory_order_release);
    gPending[slot_].Claimed.store(false, std::memory_order_release);
}

void WriteFileAtomic(const std::string& fileName, std::string_view content) {
    const std::string target = FollowLinks(fileName);
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) ThrowWriteError(fileName, errno);
        ReplaceRegularFile(fileName, target, content, nullptr);
        return;
    }
    if (S_ISDIR(st.st_mode)) ThrowWriteError(fileName, EISDIR);
    if (!S_ISREG(st.st_mode)) {
        WriteInPlace(fileName, target, content, false);
        return;
    }
    // The file's write protection holds as it would for opening it; a rename could otherwise
    // replace a file the user may not write.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        ThrowWriteError(fileName, errno);
    if (st.st_nlink > 1 || !ReplaceRegularFile(fileName, target, content, &st))
        WriteInPlace(fileName, target, content, true);
}

}  // namespace trevasc
