#pragma once
// The main window's state without the window: the open scans, the file history, the caption,
// the Plot-menu entries and the file flow of opening, inserting and selecting scans.
//
// The GUI observes the session (SessionObserver) and answers its questions (Prompts); the batch
// tool and the tests do the same with scripted answers.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "analysis/Processing.h"
#include "core/Prompts.h"
#include "core/ScanData.h"

namespace trevasc {

// Notifications, in the order the file flow fires them. Every method has an empty default.
class SessionObserver {
  public:
    virtual ~SessionObserver() = default;
    virtual void CaptionChanged(const std::string& /*caption*/) {}
    virtual void FileHistoryChanged() {}
    // The peak list of the main scan was replaced (emptied, read from a file, or another scan
    // became the main scan): rebuild the list view from MainScan().Peaks.
    virtual void PeakListReset() {}
    virtual void FindPeaksEnabledChanged(bool /*enabled*/) {}
    // "Span over all opened files" was switched on by the file flow.
    virtual void SpanAllFilesChecked() {}
    // Hand-over, in this order after every change of the open scans:
    virtual void PlotRefresh() {}       // rebuild the plot record from the processed points
    virtual void PlotWindowUpdate() {}  // the plot window returns to the full range and repaints
    virtual void TwoAxisRefresh() {}
    virtual void LegendRefresh() {}
    virtual void ScanMenuChanged() {}
};

struct ScanMenuEntry {
    std::string Caption;
    int Number = 0;  // 0 = main scan, k = additional scan k
};

// Entries of the "&Plot" menu, or of the "Select Main Plot" dialog when there are 20 or more
// additional scans (then MenuItems is empty).
struct ScanMenu {
    std::vector<ScanMenuEntry> MenuItems;
    std::vector<ScanMenuEntry> DialogItems;
};

class WorkbenchSession {
  public:
    static constexpr int kHistorySize = 10;
    using FileHistory = std::array<std::string, kHistorySize>;

    // With buildProcessedCurves false (a report of the points as read) the processed curves and
    // slopes are never built.
    explicit WorkbenchSession(Prompts& prompts, bool buildProcessedCurves = true);

    void SetObserver(SessionObserver* observer) { observer_ = observer; }
    Prompts& GetPrompts() { return prompts_; }

    ScanRegistry& Registry() { return registry_; }
    const ScanRegistry& Registry() const { return registry_; }
    TDataSet& MainScan() { return registry_.MainScan(); }
    const TDataSet& MainScan() const { return registry_.MainScan(); }

    // Noise suppression, background removal and the slope window of every open scan.
    const analysis::ProcessingSettings& Processing() const { return processing_; }
    // Stores the settings; with a main scan open, rebuilds the processed curves when they differ.
    void SetProcessing(const analysis::ProcessingSettings& settings);

    // Program title shown after the file name in the caption ("Trevasc v1.0 (Build 1)").
    void SetProgramTitle(const std::string& title);
    const std::string& Caption() const { return caption_; }

    // Asks about unsaved peak lists; false when the user did not answer Yes to every question.
    bool ConfirmDiscardPeaks();
    // The close questions: true when the program may close.
    bool ConfirmClose();

    // Reads one file into the registry (main or additional) and runs the steps that follow the
    // reader. Throws TrevascError with the reader's message.
    void LoadScanFile(const std::string& fileName, bool main);
    // Opens a main file (peak list emptied first). Throws TrevascError.
    void OpenMainFile(const std::string& fileName);
    // Inserts files as additional scans, stopping at the first error (which is thrown).
    // With no main scan open, callers open instead (see InsertOpensMainFile).
    void InsertFiles(const std::vector<std::string>& fileNames);
    bool InsertOpensMainFile() const { return registry_.MainScan().Count() == 0; }
    // Makes additional scan k (1-based) the main scan; any other k does nothing.
    void SelectMainScan(int k);

    // Runs an action; a TrevascError (or any other exception) is shown as an error box.
    // Returns false when the action failed.
    bool RunAction(const std::function<void()>& action);

    // File history, slot 0 most recent.
    const FileHistory& GetFileHistory() const { return history_; }
    void SetFileHistory(const FileHistory& history);
    void AddToFileHistory(const std::string& fileName);
    // Reopens history slot i as main file (after the unsaved-peaks questions). Throws TrevascError.
    void OpenHistoryItem(int slot);

    void RebuildScanMenu();
    const ScanMenu& GetScanMenu() const { return scanMenu_; }

    // Rebuilds the processed points of all scans and refreshes the plot.
    void RebuildAllProcessedCurves();
    // Slope and curvature of the main scan.
    void ComputeMainSlope();
    // The hand-over after every change of the open scans.
    void HandOver();

    bool FindPeaksEnabled() const { return findPeaksEnabled_; }
    // Format of the last file read ("xml", "header-counts", "scan-list", "two-column").
    const std::string& LastFormatName() const { return lastFormatName_; }

    // Angle offsets of the reciprocal space maps; every file read resets them.
    double RsmOmegaOffset = 0.0;
    double RsmTwoThetaOffset = 0.0;

  private:
    void SetFindPeaksEnabled(bool enabled);
    void ComputeSlope(TDataSet& scan);
    bool ConfirmPeaks(const std::string& mainQuestion, const std::string& additionalTail);

    Prompts& prompts_;
    bool buildProcessedCurves_ = true;
    analysis::ProcessingSettings processing_;
    SessionObserver nullObserver_;
    SessionObserver* observer_ = &nullObserver_;
    ScanRegistry registry_;
    FileHistory history_;
    ScanMenu scanMenu_;
    std::string programTitle_;
    std::string caption_ = "Trevasc";
    std::string lastFormatName_;
    bool findPeaksEnabled_ = false;
};

}  // namespace trevasc
