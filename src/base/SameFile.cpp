#include "base/SameFile.h"

#include <sys/stat.h>

#include "base/Error.h"

namespace trevasc {

bool IsSameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty() || a == "-" || b == "-") return false;
    // stat() follows links, so a link and its target compare equal; a name compare would not
    // see "./s.xrdml" or a hard link.
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string OutputIsInputMessage(const std::string& output) {
    return output + " is the input file; choose another name.";
}

void RefuseOutputOntoInput(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (IsSameFile(output, input)) throw TrevascError(OutputIsInputMessage(output));
}

}  // namespace trevasc
