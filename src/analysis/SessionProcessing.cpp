#include "analysis/SessionProcessing.h"

namespace trevasc::analysis {

void AttachProcessing(WorkbenchSession& session, std::function<ProcessingSettings()> settings) {
    session.RebuildProcessedCurvesHook = [settings](ScanRegistry& registry) {
        RebuildAllProcessedCurves(registry, settings());
    };
    session.ComputeSlopeHook = [settings](TDataSet& scan) {
        ComputeSlopeAndCurvature(scan, settings().SlopeCount);
    };
}

}  // namespace trevasc::analysis
