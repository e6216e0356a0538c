#pragma once
// Connects the processing to the workbench session's file flow.
#include <functional>

#include "analysis/Processing.h"
#include "core/WorkbenchSession.h"

namespace trevasc::analysis {

// From now on the session rebuilds processed curves and slopes with the settings that
// `settings` returns at that moment (the GUI reads its controls, the batch tool its options).
void AttachProcessing(WorkbenchSession& session, std::function<ProcessingSettings()> settings);

}  // namespace trevasc::analysis
