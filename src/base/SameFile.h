#pragma once
// Guards against writing an output over a file the program is reading from.
#include <string>
#include <vector>

namespace trevasc {

// True when both names lead to one existing file (same device and inode after following
// symbolic links): "s.xrdml", "./s.xrdml", a link to it and a hard link all count. False when
// either does not exist or cannot be examined.
bool IsSameFile(const std::string& a, const std::string& b);

// The message that refuses `output`: "OUT is the input file; choose another name."
std::string OutputIsInputMessage(const std::string& output);

// Throws TrevascError(OutputIsInputMessage(output)) when `output` is the same file as one of
// `inputs`; called before anything is written. "-" (standard output/input) is never a file here.
void RefuseOutputOntoInput(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace trevasc
