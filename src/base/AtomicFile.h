#pragma once
#include <string>
#include <string_view>

namespace trevasc {

// Writes `content` to a temporary file in the target's folder and renames it over the target,
// so that a crash or a full disk never leaves a half-written file. Throws TrevascError with a
// message naming the file when anything fails (the target is then untouched).
void WriteFileAtomic(const std::string& fileName, std::string_view content);

}  // namespace trevasc
