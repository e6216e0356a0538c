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
#include <memory>
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
// A child made by fork inherits the slots and the handler; only the process that registered a
// file removes it, so that a child ended by a signal leaves its parent's writes alone.
struct PendingSlot {
    std::atomic<bool> Claimed{false};
    std::atomic<bool> Active{false};
    pid_t Owner = 0;
    char Name[PATH_MAX] = {};
};
static_assert(std::atomic<bool>::is_always_lock_free);
PendingSlot gPending[kPendingSlots];

// Every signal whose default action ends the program and that can be caught. SIGPIPE ends a
// program that writes into a closed pipe, SIGXFSZ one that passes the file size limit in the
// middle of a write: just when a temporary file is half-written.
constexpr int kCleanupSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGALRM, SIGUSR1, SIGUSR2,
                                   SIGPIPE, SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGABRT};

void RemovePendingFilesAndReraise(int signal) {
    const int savedErrno = errno;
    const pid_t self = ::getpid();
    for (PendingSlot& slot : gPending)
        if (slot.Active.load(std::memory_order_acquire) && slot.Owner == self) ::unlink(slot.Name);
    // The default action back (SA_RESETHAND did so on entry, but a program that saved and
    // restored this handler with signal() lost that flag), so the signal, still blocked here,
    // ends the program with the status its sender expects as soon as the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    errno = savedErrno;
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
            fd_ =
                ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
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

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    // Closes now and reports the error that close may be the first to see.
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd);
    }

  private:
    int fd_;
};

// Writes into a device or FIFO; a rename would replace it with a plain file.
void WriteDevice(const std::string& fileName, const std::string& target,
                 const ContentProducer& produce) {
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0) ThrowWriteError(fileName, errno);
    produce([&](std::string_view piece) { WriteAll(fd.Get(), piece, fileName); });
    if (fd.Close() != 0) ThrowWriteError(fileName, errno);
}

void PwriteAll(int fd, const char* data, size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::system_error(n < 0 ? errno : EIO, std::generic_category());
        data += n;
        size -= static_cast<size_t>(n);
        at += n;
    }
}

std::string ReadAll(int fd, off_t size) {
    std::string text(static_cast<size_t>(size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::pread(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::system_error(errno, std::generic_category());
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    text.resize(done);
    return text;
}

// Copies the complete, synced content of `from` (`size` bytes) over the existing file itself,
// for a file that a rename would harm (see the header). The room is reserved first where the
// file system can; should the copy fail all the same, the old content is written back, so the
// file ends as it was or as it should be.
void CopyOverInPlace(const std::string& fileName, const std::string& target, int from, off_t size) {
    // A file that may be written but not read cannot keep its old content for the way back.
    bool readable = true;
    int opened = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (opened < 0 && errno == EACCES) {
        readable = false;
        opened = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    }
    FileDescriptor fd(opened);
    if (fd.Get() < 0) ThrowWriteError(fileName, errno);
    std::string old;
    try {
        struct stat st;
        if (::fstat(fd.Get(), &st) != 0) ThrowWriteError(fileName, errno);
        if (readable) old = ReadAll(fd.Get(), st.st_size);
    } catch (const std::system_error& e) {
        ThrowWriteError(fileName, e.code().value());
    }
    if (size > static_cast<off_t>(old.size()) &&
        ::fallocate(fd.Get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        ThrowWriteError(fileName, errno);
    try {
        char buffer[1 << 16];
        for (off_t at = 0; at < size;) {
            const ssize_t n = ::pread(from, buffer, sizeof buffer, at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::system_error(n < 0 ? errno : EIO, std::generic_category());
            PwriteAll(fd.Get(), buffer, static_cast<size_t>(n), at);
            at += n;
        }
        if (::ftruncate(fd.Get(), size) != 0 || ::fsync(fd.Get()) != 0)
            throw std::system_error(errno, std::generic_category());
    } catch (const std::system_error& e) {
        if (readable) {
            try {
                PwriteAll(fd.Get(), old.data(), old.size(), 0);
                if (::ftruncate(fd.Get(), static_cast<off_t>(old.size())) == 0) ::fsync(fd.Get());
            } catch (const std::system_error&) {
            }
        }
        ThrowWriteError(fileName, e.code().value());
    }
    if (fd.Close() != 0) ThrowWriteError(fileName, errno);
}

}  // namespace

// One file of a set: its new content complete in a temporary file beside it (for a device or
// FIFO the content itself), not yet in its place.
struct OutputSet::Prepared {
    enum class Way { Device, CopyOver, Rename };
    std::string FileName, Target;
    Way How = Way::Rename;
    std::unique_ptr<TemporaryFile> Temp;
    off_t Size = 0;
    std::string DeviceContent;
    bool Written = false;  // a device already written

    // `deviceNow`: a device or FIFO is written at once, so that its content need not be held
    // until Commit.
    Prepared(const std::string& fileName, const ContentProducer& produce, bool deviceNow)
        : FileName(fileName), Target(FollowLinks(fileName)) {
        struct stat st;
        const bool exists = ::stat(Target.c_str(), &st) == 0;
        if (!exists && errno != ENOENT) ThrowWriteError(fileName, errno);
        if (exists && S_ISDIR(st.st_mode)) ThrowWriteError(fileName, EISDIR);
        if (exists && !S_ISREG(st.st_mode)) {
            How = Way::Device;
            if (deviceNow) {
                WriteDevice(FileName, Target, produce);
                Written = true;
            } else {
                produce([this](std::string_view piece) { DeviceContent += piece; });
            }
            return;
        }
        // The file's write protection holds as it would for opening it; a rename could
        // otherwise replace a file the user may not write.
        if (exists && ::faccessat(AT_FDCWD, Target.c_str(), W_OK, AT_EACCESS) != 0)
            ThrowWriteError(fileName, errno);
        // A new file: 0666 less the umask, as any program creates one. An existing file's
        // content stays private until its own mode is set.
        Temp = std::make_unique<TemporaryFile>(fileName, Target, exists ? 0600 : 0666);
        if (exists && st.st_nlink > 1) How = Way::CopyOver;
        if (exists && How == Way::Rename) {
            struct stat mine;
            if (::fstat(Temp->Fd(), &mine) != 0) ThrowWriteError(fileName, errno);
            if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
                ::fchown(Temp->Fd(), st.st_uid, st.st_gid) != 0)
                How = Way::CopyOver;  // the file would change hands
            // After fchown, which clears the set-user-ID and set-group-ID bits.
            else if (::fchmod(Temp->Fd(), st.st_mode & 07777) != 0)
                ThrowWriteError(fileName, errno);
        }
        produce([&](std::string_view piece) {
            WriteAll(Temp->Fd(), piece, fileName);
            Size += static_cast<off_t>(piece.size());
        });
        if (::fsync(Temp->Fd()) != 0) ThrowWriteError(fileName, errno);
    }

    void Commit() {
        switch (How) {
            case Way::Device:
                if (!Written)
                    WriteDevice(FileName, Target,
                                [this](const ContentWriter& write) { write(DeviceContent); });
                return;
            case Way::CopyOver:
                CopyOverInPlace(FileName, Target, Temp->Fd(), Size);
                return;
            case Way::Rename:
                Temp->Close();
                if (::rename(Temp->Name().c_str(), Target.c_str()) != 0)
                    ThrowWriteError(FileName, errno);
                Temp->Commit();
                SyncFolder(Target);
                return;
        }
    }
};

OutputSet::OutputSet() = default;
OutputSet::~OutputSet() = default;

void OutputSet::Add(const std::string& fileName, std::string_view content) {
    files_.push_back(std::make_unique<Prepared>(
        fileName, [content](const ContentWriter& write) { write(content); }, false));
}

void OutputSet::Commit() {
    // The writes that can still fail come before any rename, which does not fail but for a
    // fault of the file system: a device that refuses its content leaves every file as it was.
    std::stable_sort(files_.begin(), files_.end(),
                     [](const auto& a, const auto& b) { return a->How < b->How; });
    for (auto& file : files_) file->Commit();
    files_.clear();
}

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
        gPending[i].Owner = ::getpid();
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
    OutputSet set;
    set.Add(fileName, content);
    set.Commit();
}

void WriteFileAtomic(const std::string& fileName, const ContentProducer& produce) {
    // Alone in its set, a device has no other file to wait for.
    OutputSet::Prepared file(fileName, produce, true);
    file.Commit();
}

}  // namespace trevasc
