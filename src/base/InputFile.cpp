#include "base/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "base/Error.h"
#include "base/MessageText.h"

namespace trevasc {

namespace {

std::string Quoted(const std::string& fileName) {
    return "\"" + QuoteForMessage(fileName, kWholeText) + "\"";
}

[[noreturn]] void ThrowOpenError(const std::string& fileName, const std::string& reason) {
    throw TrevascError("Cannot open file " + Quoted(fileName) + ". " + reason);
}

[[noreturn]] void ThrowTooLarge(const std::string& fileName) {
    ThrowOpenError(fileName, "It is larger than 2 GiB, the most this program reads.");
}

// What a path names when it is not a regular file.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

void CheckKindAndSize(const std::string& fileName, const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        ThrowOpenError(fileName, std::string("It is ") + KindOf(st.st_mode) + ", not a file.");
    if (static_cast<uint64_t>(st.st_size) > kMaxInputFileSize) ThrowTooLarge(fileName);
}

}  // namespace

InputFile::InputFile(const std::string& fileName) : fileName_(fileName) {
    // Look before opening: opening a FIFO for reading waits for a writer, and opening some
    // devices has effects of its own.
    struct stat st;
    if (::stat(fileName.c_str(), &st) != 0)
        ThrowOpenError(fileName, std::generic_category().message(errno));
    CheckKindAndSize(fileName, st);
    // O_NONBLOCK keeps the open from hanging should the path have been replaced by a FIFO since;
    // the check on the opened file then refuses it.
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) ThrowOpenError(fileName, std::generic_category().message(errno));
    if (::fstat(fd_, &st) != 0) {
        const int error = errno;
        ::close(fd_);
        ThrowOpenError(fileName, std::generic_category().message(error));
    }
    try {
        CheckKindAndSize(fileName, st);
    } catch (...) {
        ::close(fd_);
        throw;
    }
    size_ = static_cast<uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    ::close(fd_);
}

size_t InputFile::Read(char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, size);
        if (got >= 0) {
            read_ += static_cast<uint64_t>(got);
            return static_cast<size_t>(got);
        }
        if (errno != EINTR)
            throw TrevascError("Cannot read file " + Quoted(fileName_) + ". " +
                               std::generic_category().message(errno));
    }
}

template <class Text>
Text InputFile::ReadRestAs() {
    Text content;
    // Straight into one buffer of the size known at the open; a file that grew meanwhile (or a
    // file whose size the system does not report, as in /proc) continues in chunks.
    if (size_ > read_) {
        size_t have = 0;
        content.resize(static_cast<size_t>(size_ - read_));
        while (have < content.size()) {
            const size_t got = Read(content.data() + have, content.size() - have);
            if (got == 0) break;
            have += got;
        }
        content.resize(have);
        if (read_ < size_) return content;  // the file shrank: its end came early
    }
    char chunk[1 << 16];
    for (size_t got; (got = Read(chunk, sizeof chunk)) > 0;) {
        if (read_ > kMaxInputFileSize) ThrowTooLarge(fileName_);
        content.append(chunk, got);
    }
    return content;
}

std::string InputFile::ReadRest() {
    return ReadRestAs<std::string>();
}

LargeText InputFile::ReadRestLarge() {
    return ReadRestAs<LargeText>();
}

std::string ReadWholeFile(const std::string& fileName) {
    return InputFile(fileName).ReadRest();
}

LargeText ReadWholeLargeFile(const std::string& fileName) {
    return InputFile(fileName).ReadRestLarge();
}

}  // namespace trevasc
