// Reading whole files: only regular files within the size limit, refused before reading.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>

#include "base/Error.h"
#include "base/InputFile.h"
#include "support/TempDir.h"

using namespace trevasc;
using trevasc::test::TempDir;

namespace {

std::string ReadError(const std::string& fileName) {
    try {
        ReadWholeFile(fileName);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(InputFile, RefusesWhatIsNotARegularFileWithoutReadingIt) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
    // A FIFO without a writer would block a reader forever; it must be refused at once.
    const struct {
        std::string Name, Message;
    } cases[] = {
        {"folder", "It is a directory, not a file."},
        {"fifo", "It is a FIFO (named pipe), not a file."},
        {"missing", "No such file or directory"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadError(dir.File(c.Name)),
                  "Cannot open file \"" + dir.File(c.Name) + "\". " + c.Message);

    // A character device like /dev/zero never ends; one made in the scratch folder stands for it.
    if (::mknod(dir.File("zero").c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0)
        EXPECT_EQ(ReadError(dir.File("zero")),
                  "Cannot open file \"" + dir.File("zero") + "\". It is a device, not a file.");
    else
        GTEST_LOG_(INFO) << "mknod not permitted: device case skipped";
}

TEST(InputFile, RefusesFilesBeyondTheLimitBeforeReading) {
    TempDir dir;
    // Sparse files: the size is set without writing (or reading) two gigabytes.
    const std::string name = dir.Write("huge.dat", "");
    ASSERT_EQ(::truncate(name.c_str(), static_cast<off_t>(kMaxInputFileSize + 1)), 0);
    EXPECT_EQ(ReadError(name), "Cannot open file \"" + name +
                                   "\". It is larger than 2 GiB, the most this program reads.");
}

TEST(InputFile, LargeTextHoldsTheSameBytesAsAString) {
    TempDir dir;
    // Sizes from each of the allocator's classes: empty, heap, chunk and a mapping of its own,
    // with every byte value and no end of line at the end.
    for (const size_t size : {size_t{0}, size_t{1}, size_t{70000}, size_t{3} << 20}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
        const std::string name = dir.Write("f" + std::to_string(size), bytes);
        const LargeText large = ReadWholeLargeFile(name);
        EXPECT_EQ(ReadWholeFile(name), bytes);
        EXPECT_TRUE(std::string_view(large) == bytes) << size << " bytes";
    }
    // A file whose size the system does not report is read in chunks all the same.
    const std::string commandLine = ReadWholeFile("/proc/self/cmdline");
    const LargeText large = ReadWholeLargeFile("/proc/self/cmdline");
    EXPECT_GT(commandLine.size(), 0u);
    EXPECT_TRUE(std::string_view(large) == commandLine);
}
