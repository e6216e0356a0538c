#pragma once
#include <string>
#include <string_view>

namespace trevasc {

// Writes `content` to `fileName` so that a crash, a full disk or an interrupt never leaves a
// half-written file and the file keeps what makes it the user's:
// - A symbolic link is followed; its target is written and the link stays a link.
// - A regular file is written to a temporary file in its folder, synced and renamed over it. An
//   existing file keeps its mode and owner; a new one is created with the umask honoured.
// - An existing file that has several hard links, or whose owner this process cannot give the
//   new file, is overwritten in place: a rename would split the links or hand the file to
//   another owner. That write is not atomic.
// - Devices and FIFOs are written directly; a rename would replace them with a plain file.
// - An existing file without write permission is refused, as when it is opened for writing.
// Throws TrevascError with a message naming the file when anything fails; the temporary file is
// then removed and the target is untouched (but for the in-place cases).
void WriteFileAtomic(const std::string& fileName, std::string_view content);

// Registers a temporary file for removal should SIGINT, SIGTERM or SIGHUP end the program while
// the guard lives; the handler then ends the program as the signal would have. Signals the
// program handles or ignores itself are left alone. WriteFileAtomic holds one for its temporary
// file. A relative name is made absolute at construction.
class PendingTemporaryFile {
  public:
    explicit PendingTemporaryFile(const std::string& fileName);
    ~PendingTemporaryFile();
    PendingTemporaryFile(const PendingTemporaryFile&) = delete;
    PendingTemporaryFile& operator=(const PendingTemporaryFile&) = delete;

  private:
    int slot_ = -1;
};

}  // namespace trevasc
