#pragma once
#include <string>

namespace trevasc {

// The message of the exception being handled (call it inside a catch block): what a reader, a
// writer or a calculation threw, "Out of memory" for a failed allocation. The batch tool and the
// Python module report a file's failure with it.
std::string CurrentFailureText();

}  // namespace trevasc
