#pragma once
// The formats of xylib (Siemens/Bruker RAW and UXD, Philips RD and UDF, Rigaku DAT, Sietronics
// CPI, powder CIF, DBWS, RIET7, XFIT XDD and more), behind the reader interface of the other
// formats. xylib only ever sees files that the workbench's own readers refused (see
// ReadScanText); its plain text and CSV readers and its XRDML reader are never used, since the
// column and XML readers own those files. ReadXylibText (ScanFileReader.h) recognises the format
// itself.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompts.h"
#include "core/ScanData.h"
#include "formats/ScanFileReader.h"

namespace trevasc::formats {

// While one lives, a read through xylib on this thread reports that it waits for its child
// process: about ten times a second it calls `keepWaiting` with the seconds waited and the
// longest wait allowed. False stops the child, and the read fails with "Reading was cancelled."
// For a progress dialog that keeps the windows painted and offers Cancel.
class XylibWaitWatch {
  public:
    using KeepWaiting = std::function<bool(double seconds, double limit)>;
    explicit XylibWaitWatch(KeepWaiting keepWaiting);
    ~XylibWaitWatch();
    XylibWaitWatch(const XylibWaitWatch&) = delete;
    XylibWaitWatch& operator=(const XylibWaitWatch&) = delete;
    const KeepWaiting& Callback() const { return keepWaiting_; }

  private:
    KeepWaiting keepWaiting_;
    const XylibWaitWatch* previous_ = nullptr;
};

// True when the program was built with xylib.
bool XylibAvailable();

// The file name extensions of the xylib formats the workbench offers, lower case, without dot,
// each once ("raw", "uxd", "rd", ...); empty without xylib. For the file dialogs' filters.
std::vector<std::string> XylibExtensions();

// xylib's name of the format of `content` ("bruker_raw", "uxd", "pdcif", ...), or nothing.
// Formats whose extensions include the file's are checked first. With `extensionOnly` only those
// are checked. A format that xylib recognises without a mark in the file (WinSpec SPE) is only
// taken for a file with its extension.
std::optional<std::string> XylibFormatOf(std::string_view content, const std::string& fileName,
                                         bool extensionOnly = false);

// Reads `content` as the named xylib format: every block becomes a scan (the first the main
// scan when `main`), the first column its positions and the second its intensities (scaled to
// counts as column files are). xylib's errors become TrevascError naming the format.
ReadResult ReadXylibText(std::string_view content, const std::string& fileName,
                         const std::string& format, bool main, ScanRegistry& registry,
                         Prompts& prompts);

}  // namespace trevasc::formats
