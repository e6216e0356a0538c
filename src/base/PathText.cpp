#include "base/PathText.h"

namespace trevasc {

namespace {
size_t LastDelimiter(std::string_view path) {
    return path.find_last_of("/\\");
}
}  // namespace

std::string FileNameWithoutFolder(std::string_view path) {
    size_t d = LastDelimiter(path);
    return std::string(d == std::string_view::npos ? path : path.substr(d + 1));
}

std::string FolderWithDelimiter(std::string_view path) {
    size_t d = LastDelimiter(path);
    return d == std::string_view::npos ? std::string() : std::string(path.substr(0, d + 1));
}

std::string RemoveExtension(std::string_view path) {
    size_t d = LastDelimiter(path);
    size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (d != std::string_view::npos && dot < d))
        return std::string(path);
    return std::string(path.substr(0, dot));
}

std::string PeakListFileFor(std::string_view scanPath) {
    return RemoveExtension(scanPath) + "_Peaks.txt";
}

}  // namespace trevasc
