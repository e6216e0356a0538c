// The lock that serialises writers of a configuration file, seen from a second open of the lock
// file (flock locks belong to the open file, so this conflicts as another process would).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "base/Error.h"
#include "base/FileLock.h"
#include "support/TempDir.h"

namespace {

// Whether another open of `lockFile` can take the exclusive lock without waiting.
bool FreeToLock(const std::string& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const int error = errno;
    ::close(fd);
    EXPECT_TRUE(free || error == EWOULDBLOCK);
    return free;
}

}  // namespace

TEST(FileLock, HeldBesideTheFileWhileItLives) {
    const trevasc::test::TempDir dir;
    const std::string file = dir.File("substrates.ini");
    {
        const trevasc::FileLock lock(file);
        ASSERT_TRUE(std::filesystem::exists(file + ".lock"));
        EXPECT_FALSE(FreeToLock(file + ".lock"));
        // The file itself is not created by taking the lock.
        EXPECT_FALSE(std::filesystem::exists(file));
    }
    EXPECT_TRUE(FreeToLock(file + ".lock"));
    // A folder that cannot take the lock file is said, naming the lock file.
    try {
        const trevasc::FileLock lock(dir.File("no/such/folder/x.ini"));
        ADD_FAILURE() << "locked in a missing folder";
    } catch (const trevasc::TrevascError& e) {
        EXPECT_NE(std::string(e.what()).find("x.ini.lock"), std::string::npos) << e.what();
    }
}
