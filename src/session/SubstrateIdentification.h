#pragma once
// "Auto identify" of the substrate tab without the window, as the batch tool's identify and the
// Python module's identify() run it: the peaks of the main scan (given, its peak list file or a
// slope search), the material of the substrate database (by name or the best candidate) and
// the peaks named after its expected reflections.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/ResultJson.h"

namespace trevasc {

class WorkbenchSession;

// The largest deviation of a peak from an expected reflection that may be asked for, degrees.
inline constexpr double kMaxIdentifyDeviation = 10.0;

struct IdentifyRequest {
    // The 2Theta positions to identify; none: the peaks of the scan file's peak list file, or
    // a Method 1 (slope) search when the file has none.
    std::optional<std::vector<double>> Peaks;
    std::optional<std::string> Material;  // none: the material AutoSelectSubstrate chooses
    double MaxDeviation = 0.5;            // degrees, 0 to kMaxIdentifyDeviation
    std::string Database;                 // the substrate database
    // A database the user named must exist; the workbench's own may be missing (no materials).
    bool DatabaseGiven = false;
    // The file the main scan was read from, whose peak list file counts (empty: none).
    std::string ScanFile;
};

// What the identification has to say besides its result, in the order it arises.
struct IdentifyWarning {
    enum class Kind {
        DamagedDatabase,  // the database cannot be read whole; what could be read is used
        NothingInRange,   // no material has an expected reflection inside the scan range
        MaterialProblem,  // a line of the chosen material that could not be read
    };
    Kind What = Kind::DamagedDatabase;
    std::string Text;  // the problem; for a material's problem with "[NAME] " in front
};

// The problem of a substrate database that cannot be read whole (empty: none); what could be
// read of it is still used, as the workbench lists it. Throws TrevascError when a database the
// user named (`given`) does not exist.
std::string SubstrateDatabaseProblem(const std::string& database, bool given);

// Checks the database, opens the main scan with `open`, then takes the peaks, chooses the
// material and identifies the peaks on the session's main scan. Warnings are appended to
// `warnings` as they arise, so that they are at hand when a later step fails. Throws
// TrevascError when the database named does not exist, the scan holds fewer than two points or
// the database has no material of the name; `open` throws what the reader throws.
IdentifyReport IdentifySubstratePeaks(WorkbenchSession& session, const std::function<void()>& open,
                                      const IdentifyRequest& request,
                                      std::vector<IdentifyWarning>& warnings);

}  // namespace trevasc
