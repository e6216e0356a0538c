#pragma once
// Files read into memory: only regular files, and only up to a size limit, both checked before
// the first byte is read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/HugePageAllocator.h"

namespace trevasc {

// The text of a large file: on huge pages where the system has them, so that a file of tens of
// megabytes costs a few page faults instead of thousands.
using LargeText = std::basic_string<char, std::char_traits<char>, HugePageAllocator<char>>;

// The largest file the program reads: 2 GiB. A scan of a million points takes about 20 MB and a
// map of a thousand scans about 30 MB, so a real file stays far below this; anything larger is
// refused with a message before it could exhaust the memory.
inline constexpr uint64_t kMaxInputFileSize = uint64_t{2} << 30;

// A regular file opened for reading. Directories, devices, FIFOs and sockets are refused
// without being opened for long (a FIFO would block, a device like /dev/zero never ends), and so
// is a file larger than kMaxInputFileSize. Every failure throws TrevascError naming the file.
class InputFile {
  public:
    explicit InputFile(const std::string& fileName);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Size when the file was opened.
    uint64_t Size() const { return size_; }
    // Reads up to `size` bytes; 0 at the end of the file.
    size_t Read(char* buffer, size_t size);
    // Everything not read yet. A file that grows beyond the limit meanwhile is refused.
    std::string ReadRest();
    LargeText ReadRestLarge();

  private:
    template <class Text>
    Text ReadRestAs();

    std::string fileName_;
    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t read_ = 0;
};

// The whole content of a regular file (InputFile's checks and messages).
std::string ReadWholeFile(const std::string& fileName);
LargeText ReadWholeLargeFile(const std::string& fileName);

}  // namespace trevasc
