#include "base/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/Error.h"

namespace trevasc {

FileLock::FileLock(const std::string& fileName) {
    const std::string lockName = fileName + ".lock";
    do {
        fd_ = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    int result = fd_ < 0 ? -1 : 0;
    if (fd_ >= 0) {
        do {
            result = ::flock(fd_, LOCK_EX);
        } while (result != 0 && errno == EINTR);
    }
    if (result != 0) {
        const std::string reason = std::strerror(errno);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        throw TrevascError("Cannot lock " + lockName + ": " + reason);
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace trevasc
