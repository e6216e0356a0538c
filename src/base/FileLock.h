#pragma once
#include <string>

namespace trevasc {

// Serialises the read-modify-write of a file among processes: an exclusive advisory lock
// (flock) on a lock file beside it, `fileName` + ".lock", held while the object lives. Every
// writer of a configuration file takes it before reading the file it changes, so that two
// programs writing at once do not each write back what they read and lose the other's change.
// Waits for the lock; throws TrevascError naming the lock file when it cannot be created or
// locked. The lock file stays behind (removing it would let a third process lock a new file
// while the second still holds the old one).
class FileLock {
  public:
    explicit FileLock(const std::string& fileName);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace trevasc
