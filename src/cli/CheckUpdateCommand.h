#pragma once
// `trevasc-cli check-update`: the update check of the desktop program, without a window.
#include "cli/CliFrame.h"

namespace trevasc::cli {

// check-update [--url URL] [--json]: asks the server for the version document and prints the
// reminder's text and changes, or the "most recent version" message. Exit code 0 when the check
// ran, 1 when the server could not be asked (with the reason), 2 on a usage error. The
// network access is Qt's: the command runs in the program with Qt.
Command CheckUpdateCommand();

}  // namespace trevasc::cli
