// xylib behind the reader interface. xylib reads from a stream; the stream here reads the file's
// content where it already lies in memory, so nothing is copied and xylib never opens a file.
//
// xylib is not written for damaged input: a UXD file with a range marker garbled frees a block
// twice, and binary headers are trusted as they stand. So xylib loads in a child process (fork,
// no exec, so it reads the parent's copy of the content) and hands back the blocks as plain
// numbers through a pipe. A crash or a hang of xylib then ends in a
// message, and the workbench checks every number it gets back as it checks its own files.
#include "formats/XylibReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <streambuf>
#include <vector>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "base/TextLine.h"
#include "formats/ColumnFileReader.h"

#ifdef TREVASC_HAVE_XYLIB
#include <fcntl.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xylib/xylib.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <istream>
#endif

namespace trevasc::formats {

#ifdef TREVASC_HAVE_XYLIB

namespace {

// A read-only, seekable stream buffer over memory (binary formats seek to their blocks).
class MemoryBuffer : public std::streambuf {
  public:
    explicit MemoryBuffer(std::string_view text) {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }

  protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        off_type base = 0;
        if (dir == std::ios_base::cur) base = gptr() - eback();
        if (dir == std::ios_base::end) base = egptr() - eback();
        return seekpos(pos_type(base + off), std::ios_base::in);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode) override {
        const off_type at = off_type(pos);
        if (at < 0 || at > egptr() - eback()) return pos_type(off_type(-1));
        setg(eback(), eback() + at, egptr());
        return pos;
    }
};

// xylib converts numbers with the C library, which follows the C locale; Qt sets that from the
// environment (a German locale reads "1.5" as 1). The thread that runs xylib switches to the C
// locale for its numbers, whatever the program's locale (the object is made before a fork).
class ClassicNumbers {
  public:
    ClassicNumbers() : locale_(newlocale(LC_NUMERIC_MASK, "C", nullptr)) {}
    ~ClassicNumbers() {
        if (locale_) freelocale(locale_);
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;
    // This thread uses it from now on; returns the locale it used before.
    locale_t Use() const { return locale_ ? uselocale(locale_) : uselocale(nullptr); }

  private:
    locale_t locale_;
};

// Longest time xylib may take over one file before it is stopped.
constexpr int kChildSeconds = 60;

// The address space xylib may take on top of what the child inherits: a damaged header can
// announce millions of columns or points, and xylib allocates them before it reads a value.
// Every point costs a few doubles in xylib's columns and the answer, so a file may need a small
// multiple of its size; the fixed part covers the library's own needs and small files.
constexpr uint64_t kMemoryPerFileByte = 32;
constexpr uint64_t kMemoryAllowance = uint64_t{512} << 20;

// AddressSanitizer reserves terabytes of shadow memory up front, so a limit on the address space
// would stop every child: builds with it run xylib without the limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCanLimitMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCanLimitMemory = false;
#else
constexpr bool kCanLimitMemory = true;
#endif
#else
constexpr bool kCanLimitMemory = true;
#endif

uint64_t MemoryAllowanceFor(size_t fileBytes) {
    return kMemoryAllowance + kMemoryPerFileByte * static_cast<uint64_t>(fileBytes);
}

// The child's address space as it starts (the parent's copy), from /proc/self/statm; 0 when
// unknown. Only system calls: the parent may have had other threads at the fork.
uint64_t InheritedAddressSpace() {
    const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[64] = {};
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    uint64_t pages = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        pages = pages * 10 + static_cast<uint64_t>(text[i] - '0');
    return pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// What became of the child.
enum class ChildEnd { Answered, Failed, TimedOut, Cancelled };

struct ChildRun {
    ChildEnd End = ChildEnd::Failed;
    std::string Answer;
};

// Runs `work` in a child process with at most `memory` bytes more address space than it
// inherits (0: no limit) and returns what it produced. The child dies with the program. About
// ten times a second `keepWaiting` is asked whether to go on; false stops the child.
ChildRun RunInChild(const std::function<std::string()>& work, uint64_t memory,
                    const std::function<bool(double, double)>& keepWaiting) {
    ChildRun run;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return run;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return run;
    }
    if (pid == 0) {
        // Killed with the program that waits for it (a batch run stopped by the user, a crash
        // of the window). The parent may have ended before this took effect: then the child
        // has a new parent already and goes at once.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(5);
        if (memory > 0) {
            const uint64_t base = InheritedAddressSpace();
            if (base > 0) {
                const rlimit limit{base + memory, base + memory};
                setrlimit(RLIMIT_AS, &limit);
            }
        }
        close(fds[0]);
        std::string out;
        try {
            out = work();
        } catch (...) {
            _exit(3);
        }
        const char* p = out.data();
        size_t left = out.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(4);
            p += n;
            left -= static_cast<size_t>(n);
        }
        // _exit: no destructors and no exit handlers of the parent's copy run here.
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    std::optional<ChildEnd> stopped;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::seconds(kChildSeconds);
    char buffer[1 << 16];
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (keepWaiting &&
            !keepWaiting(std::chrono::duration<double>(now - start).count(), kChildSeconds)) {
            stopped = ChildEnd::Cancelled;
        } else {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            pollfd pfd{fds[0], POLLIN, 0};
            const int ready =
                left > 0 ? poll(&pfd, 1, static_cast<int>(std::min<long long>(left, 100))) : 0;
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0 && left > 100) continue;
            if (ready <= 0) stopped = ChildEnd::TimedOut;
        }
        if (stopped) {
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (stopped) {
        run.End = *stopped;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        run.End = ChildEnd::Answered;
        run.Answer = std::move(out);
    }
    return run;
}

thread_local const XylibWaitWatch* gWaitWatch = nullptr;

// The child's answer: 'E' and xylib's message, 'M' when it ran out of memory, or 'B' and per
// block its name (u32 length, bytes), its point count (u64) and the points as x, y doubles.
template <typename T>
void Put(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

class AnswerReader {
  public:
    explicit AnswerReader(std::string_view answer) : rest_(answer) {}
    bool AtEnd() const { return rest_.empty(); }
    template <typename T>
    bool Get(T& value) {
        if (rest_.size() < sizeof value) return false;
        std::memcpy(&value, rest_.data(), sizeof value);
        rest_.remove_prefix(sizeof value);
        return true;
    }
    bool Get(std::string& text, size_t size) {
        if (rest_.size() < size) return false;
        text.assign(rest_.substr(0, size));
        rest_.remove_prefix(size);
        return true;
    }
    size_t Remaining() const { return rest_.size(); }

  private:
    std::string_view rest_;
};

// Formats never asked: those whose files the workbench's own readers own (plain text, CSV,
// XRDML), and the ESR spectra of "bruker_spc", whose check accepts any file and whose reader
// looks for a parameter file beside the data by its path.
bool IsExcluded(std::string_view name) {
    return name == "text" || name == "csv" || name == "xrdml" || name == "bruker_spc";
}

// Formats that xylib recognises without any mark in the file: its WinSpec SPE check takes
// every file of more than 4100 bytes whose bytes 108 and 109 hold a number up to 3, as most
// binary files with a zeroed header do. Such a check says nothing about a file; these formats are
// tried only for files that carry their extension, so that a file of another kind is reported
// as of unknown format and not as a damaged file of theirs.
bool HasNoSignature(std::string_view name) {
    return name == "spe";
}

bool HasExtension(const xylibFormat& format, std::string_view extension) {
    if (extension.empty() || !format.exts) return false;
    std::string_view exts = format.exts;
    while (!exts.empty()) {
        const size_t blank = exts.find(' ');
        if (EqualsIgnoringAsciiCase(exts.substr(0, blank), extension)) return true;
        if (blank == std::string_view::npos) break;
        exts.remove_prefix(blank + 1);
    }
    return false;
}

std::string ExtensionOf(const std::string& fileName) {
    const std::string name = FileNameWithoutFolder(fileName);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool Accepts(const xylibFormat& format, std::string_view content) {
    MemoryBuffer buffer(content);
    std::istream in(&buffer);
    try {
        return xylib::check_format(static_cast<const xylib::FormatInfo*>(&format), in, nullptr);
    } catch (const std::exception&) {
        return false;
    }
}

std::string Description(const std::string& format) {
    const xylibFormat* info = xylib_get_format_by_name(format.c_str());
    return info && info->desc ? info->desc : format;
}

}  // namespace

bool XylibAvailable() {
    return true;
}

std::vector<std::string> XylibExtensions() {
    std::vector<std::string> extensions;
    for (int n = 0;; ++n) {
        const xylibFormat* format = xylib_get_format(n);
        if (!format) break;
        if (!format->name || IsExcluded(format->name) || !format->exts) continue;
        std::string_view exts = format->exts;
        while (!exts.empty()) {
            const size_t blank = exts.find(' ');
            const std::string ext = ToLowerAscii(exts.substr(0, blank));
            if (!ext.empty() &&
                std::find(extensions.begin(), extensions.end(), ext) == extensions.end())
                extensions.push_back(ext);
            if (blank == std::string_view::npos) break;
            exts.remove_prefix(blank + 1);
        }
    }
    return extensions;
}

std::optional<std::string> XylibFormatOf(std::string_view content, const std::string& fileName,
                                         bool extensionOnly) {
    // The checks only look at a file's first bytes or lines and build nothing, so they run
    // here; loading, where xylib trusts what it reads, runs in a child process.
    const ClassicNumbers numbers;
    const locale_t previous = numbers.Use();
    const std::string extension = ExtensionOf(fileName);
    std::optional<std::string> found;
    for (bool byExtension : {true, false}) {
        if (found || (!byExtension && extensionOnly)) break;
        for (int n = 0;; ++n) {
            const xylibFormat* format = xylib_get_format(n);
            if (!format) break;
            if (!format->name || IsExcluded(format->name)) continue;
            if (HasExtension(*format, extension) != byExtension) continue;
            if (!byExtension && HasNoSignature(format->name)) continue;
            if (Accepts(*format, content)) {
                found = format->name;
                break;
            }
        }
    }
    uselocale(previous);
    return found;
}

namespace {

// In the child: loads the content as `format` and writes the answer.
std::string LoadBlocks(std::string_view content, const std::string& format) {
    std::string out;
    try {
        MemoryBuffer buffer(content);
        std::istream in(&buffer);
        const std::unique_ptr<xylib::DataSet> data(xylib::load_stream(in, format));
        out = "B";
        const int blocks = data ? data->get_block_count() : 0;
        // Every format needs at least a byte per point: more points than bytes are a damaged
        // header's invention.
        size_t budget = content.size();
        for (int b = 0; b < blocks; ++b) {
            const xylib::Block* block = data->get_block(b);
            const int columns = block->get_column_count();
            if (columns < 1) continue;
            // One column: its values over the point index (column 0).
            const xylib::Column& x = block->get_column(columns >= 2 ? 1 : 0);
            const xylib::Column& y = block->get_column(columns >= 2 ? 2 : 1);
            // A column of equal steps may claim any length: the points are those that both
            // columns hold.
            size_t count = budget;
            for (const xylib::Column* column : {&x, &y})
                if (column->get_point_count() >= 0)
                    count = std::min(count, static_cast<size_t>(column->get_point_count()));
            budget -= count;
            const std::string& name = block->get_name();
            Put(out, static_cast<uint32_t>(name.size()));
            out += name;
            Put(out, static_cast<uint64_t>(count));
            for (size_t i = 0; i < count; ++i) {
                Put(out, x.get_value(static_cast<int>(i)));
                Put(out, y.get_value(static_cast<int>(i)));
            }
        }
    } catch (const std::bad_alloc&) {
        out = "M";
    } catch (const std::exception& e) {
        out = std::string("E") + e.what();
    }
    return out;
}

// xylib's Sietronics CPI and ChiPLOT readers take the number at the start of a value and drop
// the rest of it, so a damaged count "4x0" would load as 4. Their data lines are checked here
// first: each value, separated by blanks, tabs or commas, is a number as a whole.
struct BadValue {
    size_t Line = 0;  // 0: every value is a number
    std::string_view Text;
};

BadValue FirstBadDataValue(std::string_view content, const std::string& format) {
    // CPI: the counts after the line "SCANDATA". ChiPLOT: the number of points in line 4,
    // then as many data lines (text may follow them).
    size_t first = 0, last = SIZE_MAX;
    NumberedLineReader lines(content);
    std::string_view line;
    while (lines.Next(line)) {
        const size_t number = lines.Number();
        if (first == 0) {
            if (format == "cpi" && line.substr(0, 8) == "SCANDATA") first = number + 1;
            if (format == "chiplot" && number == 4) {
                first = number + 1;
                const std::string_view counts = Trim(line);
                int32_t points = 0;
                if (TryWholeCount(counts.substr(0, counts.find_first_of(" \t,")), points) &&
                    points > 0)
                    last = number + static_cast<size_t>(points);
            }
            continue;
        }
        if (number > last) break;
        std::string_view rest = line;
        while (!rest.empty()) {
            const size_t end = rest.find_first_of(" \t,");
            const std::string_view value = rest.substr(0, end);
            if (!Trim(value).empty() && !TryParseFloat(value)) return {number, value};
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    }
    return {};
}

}  // namespace

ReadResult ReadXylibText(std::string_view content, const std::string& fileName,
                         const std::string& format, bool main, ScanRegistry& registry,
                         Prompts& prompts) {
    CheckAdditionalKind(registry, main, TScanKind::TwoTheta);
    const std::string description = Description(format);
    const auto failure = [&](const std::string& why) {
        return TrevascError("The file could not be read as " + description + ": " + why);
    };
    if (format == "cpi" || format == "chiplot") {
        const BadValue bad = FirstBadDataValue(content, format);
        if (bad.Line > 0)
            throw failure("line " + std::to_string(bad.Line) + ": \"" + QuoteForMessage(bad.Text) +
                          "\" is not a number.");
    }
    const ClassicNumbers numbers;
    const uint64_t memory = kCanLimitMemory ? MemoryAllowanceFor(content.size()) : 0;
    const ChildRun run = RunInChild(
        [&] {
            numbers.Use();
            return LoadBlocks(content, format);
        },
        memory, gWaitWatch ? gWaitWatch->Callback() : XylibWaitWatch::KeepWaiting());
    if (run.End == ChildEnd::Cancelled) throw TrevascError("Reading was cancelled.");
    if (run.End == ChildEnd::TimedOut)
        throw failure("xylib took longer than " + std::to_string(kChildSeconds) +
                      " seconds over it and was stopped.");
    if (run.End == ChildEnd::Failed)
        throw failure("xylib stopped on it (the file is damaged or of another format).");
    const std::string* answer = &run.Answer;
    if (answer->empty()) throw failure("xylib gave no answer.");
    if ((*answer)[0] == 'M') {
        if (memory == 0) throw failure("it asks for more memory than there is.");
        throw failure("reading it would take more than the " + std::to_string(memory >> 20) +
                      " MB of memory allowed for a file of this size (its header announces "
                      "more data than the file holds).");
    }
    if ((*answer)[0] == 'E')
        throw TrevascError("The file could not be read as " + description + " (xylib: " +
                           QuoteForMessage(std::string_view(*answer).substr(1)) + ").");

    std::vector<TParsedScan> scans;
    AnswerReader reader(std::string_view(*answer).substr(1));
    std::vector<std::string> names;
    while (!reader.AtEnd()) {
        uint32_t nameSize = 0;
        uint64_t count = 0;
        std::string name;
        if (!reader.Get(nameSize) || !reader.Get(name, nameSize) || !reader.Get(count) ||
            count > reader.Remaining() / (2 * sizeof(double)))
            throw failure("xylib's answer is incomplete.");
        if (count == 0) continue;
        if (count > static_cast<uint64_t>(INT32_MAX))
            throw failure("it holds more points than a scan can hold.");
        const size_t block = scans.size() + 1;
        TParsedScan& scan = scans.emplace_back();
        scan.Points.resize(static_cast<size_t>(count));
        scan.Values.resize(static_cast<size_t>(count));  // the intensities, until ScaleToCounts
        for (size_t i = 0; i < count; ++i) {
            TRawPoint& point = scan.Points[i];
            reader.Get(point.Position);
            reader.Get(scan.Values[i]);
            if (!std::isfinite(point.Position) || !std::isfinite(scan.Values[i]))
                throw failure("point " + std::to_string(i + 1) + " of block " +
                              std::to_string(block) + " is not a finite number.");
        }
        names.push_back(name);
    }
    const size_t blocks = scans.size();
    for (size_t b = 0; b < blocks; ++b) {
        scans[b].Name = FileNameWithoutFolder(fileName);
        if (blocks > 1)
            scans[b].Name += " " + (names[b].empty() ? "block " + std::to_string(b + 1)
                                                     : QuoteForMessage(names[b]));
    }
    if (scans.empty()) throw failure("it holds no data points.");
    const std::string scaled = ScaleToCounts(scans);
    CommitScans(registry, main, TScanKind::TwoTheta, std::move(scans));
    if (!scaled.empty()) prompts.ShowInfo(scaled);
    ReadResult result;
    if (blocks > 1) result.PlotName = FileNameWithoutFolder(fileName);
    result.FormatName = "xylib:" + format;
    return result;
}

XylibWaitWatch::XylibWaitWatch(KeepWaiting keepWaiting)
    : keepWaiting_(std::move(keepWaiting)), previous_(gWaitWatch) {
    gWaitWatch = this;
}

XylibWaitWatch::~XylibWaitWatch() {
    gWaitWatch = previous_;
}

#else  // built without xylib

XylibWaitWatch::XylibWaitWatch(KeepWaiting keepWaiting) : keepWaiting_(std::move(keepWaiting)) {}
XylibWaitWatch::~XylibWaitWatch() = default;

bool XylibAvailable() {
    return false;
}

std::vector<std::string> XylibExtensions() {
    return {};
}

std::optional<std::string> XylibFormatOf(std::string_view, const std::string&, bool) {
    return std::nullopt;
}

ReadResult ReadXylibText(std::string_view, const std::string&, const std::string&, bool,
                         ScanRegistry&, Prompts&) {
    throw TrevascError("This program was built without xylib: it cannot read this file.");
}

#endif

ReadResult ReadXylibText(std::string_view content, const std::string& fileName, bool main,
                         ScanRegistry& registry, Prompts& prompts) {
    const std::optional<std::string> format = XylibFormatOf(content, fileName);
    if (!format) throw TrevascError("The format of this file is not one that xylib knows.");
    return ReadXylibText(content, fileName, *format, main, registry, prompts);
}

}  // namespace trevasc::formats
