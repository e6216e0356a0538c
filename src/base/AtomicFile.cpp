#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/Error.h"

namespace trevasc {

void WriteFileAtomic(const std::string& fileName, std::string_view content) {
    std::string tmpl = fileName + ".XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0)
        throw TrevascError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    const char* p = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            throw TrevascError("Cannot write file \"" + fileName + "\". " + std::strerror(err));
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // mkstemp creates 0600; give the file the usual permissions.
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw TrevascError("Cannot write file \"" + fileName + "\". " + std::strerror(err));
    }
    if (std::rename(tmpl.c_str(), fileName.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw TrevascError("Cannot write file \"" + fileName + "\". " + std::strerror(err));
    }
}

}  // namespace trevasc
