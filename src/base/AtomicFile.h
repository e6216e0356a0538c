#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trevasc {

// Writes `content` to `fileName` so that a crash, a full disk or an interrupt never leaves a
// half-written file and the file keeps what makes it the user's:
// - A symbolic link is followed; its target is written and the link stays a link.
// - A regular file is written to a temporary file in its folder, synced and renamed over it. An
//   existing file keeps its mode and owner; a new one is created with the umask honoured.
// - An existing file that has several hard links, or whose owner this process cannot give the
//   new file, is written to a temporary file all the same; once that is complete and synced it
//   is copied over the file itself (a rename would split the links or hand the file to another
//   owner). Should that copy fail, the old content is written back.
// - Devices and FIFOs are written directly; a rename would replace them with a plain file.
// - An existing file without write permission is refused, as when it is opened for writing.
// Throws TrevascError with a message naming the file when anything fails; the temporary file is
// then removed and the target is untouched.
void WriteFileAtomic(const std::string& fileName, std::string_view content);

// Hands a content over in pieces, for one too large to be held at once.
using ContentWriter = std::function<void(std::string_view)>;
using ContentProducer = std::function<void(const ContentWriter& write)>;
// As above, for a content that `produce` writes piece by piece (a device or FIFO gets each piece
// at once). An exception from `produce` leaves the target untouched, as a failed write does
// (except for a device or FIFO, which has received the pieces before it).
void WriteFileAtomic(const std::string& fileName, const ContentProducer& produce);

// The outputs of one command, written as WriteFileAtomic writes one file, and put in place only
// together: Add writes each file's content to its temporary file, Commit puts them all in place.
// A set destroyed uncommitted (the command failed on the way) removes its temporary files and
// leaves every target as it was.
class OutputSet {
  public:
    OutputSet();
    ~OutputSet();
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Throws TrevascError naming the file when it cannot be written.
    void Add(const std::string& fileName, std::string_view content);
    // Devices and FIFOs are written first, then files copied over, then the renames, so that a
    // write that fails comes before any file is replaced. Throws TrevascError.
    void Commit();

    // One file's content in its temporary file (for a device or FIFO, held), not yet in place.
    struct Prepared;

  private:
    std::vector<std::unique_ptr<Prepared>> files_;
};

// Registers a temporary file for removal should a signal end the program while the guard lives
// (every terminating signal that can be caught: SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE,
// SIGXFSZ, SIGALRM, SIGUSR1, ...); the handler then ends the program as the signal would have.
// Signals the program handles or ignores itself are left alone, and a child made by fork does
// not remove its parent's files. WriteFileAtomic holds one for its temporary file. A relative
// name is made absolute at construction.
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
