#pragma once
// The workbench's state without a window, in four parts: the open scans and the file history
// (OpenScans), the peak list (PeakList), what the plot shows (PlotView) and the settings
// (WorkbenchSettings). The session owns the parts, wires what a change of one part does to the
// others, and runs the file flow of opening, inserting and selecting scans in the hand-over
// order.
//
// The GUI observes the part it shows and answers the session's questions (Prompts); the batch
// tool and the tests do the same with scripted answers. Every window reads the state from the
// parts and changes it through them, so no window reads another window's widgets.
#include <functional>
#include <string>
#include <vector>

#include "core/Prompts.h"
#include "session/OpenScans.h"
#include "session/PeakList.h"
#include "session/PlotView.h"
#include "session/SessionProgress.h"
#include "session/WorkbenchSettings.h"
#include "tools/maps/MapBuilder.h"

namespace trevasc {

class WorkbenchSession {
  public:
    // With buildProcessedCurves false (a report of the points as read) the processed curves and
    // slopes are never built.
    explicit WorkbenchSession(Prompts& prompts, bool buildProcessedCurves = true);
    WorkbenchSession(const WorkbenchSession&) = delete;
    WorkbenchSession& operator=(const WorkbenchSession&) = delete;

    OpenScans& Scans() { return scans_; }
    const OpenScans& Scans() const { return scans_; }
    PeakList& Peaks() { return peaks_; }
    const PeakList& Peaks() const { return peaks_; }
    PlotView& View() { return view_; }
    const PlotView& View() const { return view_; }
    WorkbenchSettings& Settings() { return settings_; }
    const WorkbenchSettings& Settings() const { return settings_; }
    Prompts& GetPrompts() { return prompts_; }
    SessionProgress& Progress() { return progress_; }

    // Runs an action; a TrevascError (or any other exception) is shown as an error box.
    // Returns false when the action failed.
    bool RunAction(const std::function<void()>& action);

    // --- File flow -----------------------------------------------------------------------------
    // Reads one file into the registry (main or additional) and runs the steps that follow the
    // reader: the processed curves, the peak list file beside it. Throws TrevascError with the
    // reader's message.
    void LoadScanFile(const std::string& fileName, bool main);
    // Opens a main file (peak list emptied first). Throws TrevascError.
    void OpenMainFile(const std::string& fileName);
    // Inserts files as additional scans, stopping at the first error (which is thrown).
    // With no main scan open, callers open instead (see InsertOpensMainFile).
    void InsertFiles(const std::vector<std::string>& fileNames);
    bool InsertOpensMainFile() const { return !scans_.HasMainScan(); }
    // Makes additional scan k (1-based) the main scan; any other k does nothing.
    void SelectMainScan(int k);
    // Reopens history slot i as main file (after the unsaved-peaks questions). Throws TrevascError.
    void OpenHistoryItem(int slot);

    // Rebuilds the processed points of all scans and refreshes the plot.
    void RebuildAllProcessedCurves();
    // Slope and curvature of the main scan.
    void ComputeMainSlope();
    // The hand-over after every change of the open scans: PlotRefresh, the full range,
    // PlotWindowUpdate, TwoAxisRefresh, LegendRefresh, ScanMenuChanged.
    void HandOver();

    // The map of the open scans in the given mode with the map settings and CurrentWavelength;
    // a reason why it was not built is shown as an error box unless `report` is false (the
    // redraw after a change of the open scans, which nobody asked for).
    tools::MapBuild BuildMapDataset(tools::MapMode mode, bool report = true);
    // The same map for a caller that ends with it (the batch tool): the scans give up their
    // points as they are copied into the map, so a huge file is not held twice.
    tools::MapBuild TakeMapDataset(tools::MapMode mode);

  private:
    void SpanAllFiles();
    tools::MapRequest MapRequestFor(tools::MapMode mode) const;

    Prompts& prompts_;
    SessionProgress progress_;
    OpenScans scans_;
    WorkbenchSettings settings_;
    PlotView view_;
    PeakList peaks_;
};

}  // namespace trevasc
