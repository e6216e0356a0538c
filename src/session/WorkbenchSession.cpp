#include "session/WorkbenchSession.h"

#include <new>

#include "base/Error.h"

namespace trevasc {

WorkbenchSession::WorkbenchSession(Prompts& prompts, bool buildProcessedCurves)
    : prompts_(prompts),
      scans_(prompts, progress_, buildProcessedCurves),
      view_(scans_.Registry(), settings_, prompts),
      peaks_(scans_.Registry(), settings_, view_, prompts, progress_) {
    // What a change of one part does to the others.
    settings_.Link({
        .CurvesChanged =
            [this] {
                if (scans_.HasMainScan()) RebuildAllProcessedCurves();
            },
        .DisplayChanged =
            [this](bool spanChanged) {
                if (spanChanged) view_.ForgetRange();  // the new full range is shown
                view_.Redraw();
                view_.RedrawLegend();
            },
        .ColorsChanged =
            [this] {
                view_.Redraw();
                view_.RedrawLegend();
            },
    });
    peaks_.Link({
        .Redraw = [this] { view_.Redraw(); },
        .ShowFullRange = [this] { view_.ResetRange(); },
    });
}

bool WorkbenchSession::RunAction(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const TrevascError& e) {
        prompts_.ShowError(e.what());
    } catch (const std::bad_alloc&) {
        prompts_.ShowError("Out of memory: the action was stopped.");
    } catch (const std::exception& e) {
        prompts_.ShowError(e.what());
    }
    return false;
}

void WorkbenchSession::LoadScanFile(const std::string& fileName, bool main) {
    ProgressScope scope(progress_, OpenScans::ReadingCaption(fileName));
    settings_.ResetMapOffsets();  // every file read starts the map offsets afresh
    const int additionalBefore = main ? 0 : scans_.Registry().AdditionalCount();
    scans_.Read(fileName, main);
    RebuildAllProcessedCurves();
    peaks_.ReadListBeside(fileName, main, additionalBefore);
}

void WorkbenchSession::OpenMainFile(const std::string& fileName) {
    scans_.MainScan().Peaks.Clear();
    peaks_.MainScanReplaced();
    view_.ForgetRange();
    LoadScanFile(fileName, true);
    if (scans_.Registry().OpenScanKind == TScanKind::TwoThetaCommonOmega) SpanAllFiles();
    ComputeMainSlope();
    peaks_.SetFindEnabled(scans_.HasMainScan());
    HandOver();
}

void WorkbenchSession::InsertFiles(const std::vector<std::string>& fileNames) {
    ScanRegistry& registry = scans_.Registry();
    for (const std::string& name : fileNames) {
        const int before = registry.AdditionalCount();
        LoadScanFile(name, false);
        // Slope of each scan this file added (an area measurement adds several).
        for (int k = before; k < registry.AdditionalCount(); ++k)
            scans_.ComputeSlope(registry.Additional(k), settings_.Processing().SlopeCount);
    }
    if (registry.OpenScanKind == TScanKind::TwoThetaCommonOmega) SpanAllFiles();
    peaks_.SetFindEnabled(scans_.HasMainScan());
    HandOver();
}

void WorkbenchSession::SelectMainScan(int k) {
    if (k < 1 || k > scans_.Registry().AdditionalCount()) return;
    ProgressScope scope(progress_, "Selecting the main scan");
    scans_.Registry().SelectMain(k);
    peaks_.MainScanReplaced();
    peaks_.SetFindEnabled(scans_.HasMainScan());
    HandOver();
}

void WorkbenchSession::OpenHistoryItem(int slot) {
    if (slot < 0 || slot >= OpenScans::kHistorySize) return;
    // Copy: opening the file changes the history.
    const std::string fileName = scans_.GetFileHistory()[static_cast<size_t>(slot)];
    if (fileName.empty() || !scans_.ConfirmDiscardPeaks()) return;
    OpenMainFile(fileName);
}

void WorkbenchSession::RebuildAllProcessedCurves() {
    scans_.RebuildProcessedCurves(settings_.Processing(), settings_.Kalpha2Stripping());
    view_.Redraw();
}

void WorkbenchSession::ComputeMainSlope() {
    scans_.ComputeSlope(scans_.MainScan(), settings_.Processing().SlopeCount);
}

void WorkbenchSession::HandOver() {
    view_.Redraw();
    view_.ResetRange();
    view_.ShowPlotWindow();
    view_.RedrawTwoAxisMap();
    view_.RedrawLegend();
    scans_.RebuildScanMenu();
}

void WorkbenchSession::SpanAllFiles() {
    // The hand-over that follows shows the full range of every file.
    view_.ForgetRange();
    settings_.SpanAllFiles();
}

tools::MapRequest WorkbenchSession::MapRequestFor(tools::MapMode mode) const {
    const MapSettings& maps = settings_.Maps();
    tools::MapRequest request;
    request.Mode = mode;
    request.OmegaOffset = maps.RsmOmegaOffset;
    request.TwoThetaOffset = maps.RsmTwoThetaOffset;
    request.FlipKParallel = maps.FlipKParallel;
    request.Wavelength = settings_.CurrentWavelength();
    return request;
}

tools::MapBuild WorkbenchSession::BuildMapDataset(tools::MapMode mode, bool report) {
    tools::MapBuild build = tools::BuildMapDataset(scans_.Registry(), MapRequestFor(mode));
    if (report && !build.Message.empty()) prompts_.ShowError(build.Message);
    return build;
}

tools::MapBuild WorkbenchSession::TakeMapDataset(tools::MapMode mode) {
    return tools::TakeMapDataset(scans_.Registry(), MapRequestFor(mode));
}

}  // namespace trevasc
