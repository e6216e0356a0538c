#pragma once
// The open scans and the file history: the scan registry, reading a file into it, the format of
// the last file read, the processed curves of the open scans, the caption, the Plot-menu entries
// and the questions before open scans are closed or replaced.
#include <array>
#include <string>
#include <vector>

#include "analysis/Processing.h"
#include "core/Prompts.h"
#include "core/ScanData.h"
#include "session/ObserverList.h"
#include "session/SessionProgress.h"
#include "session/WorkbenchSettings.h"

namespace trevasc {

// Notifications of the open scans. Every method has an empty default.
class OpenScansObserver {
  public:
    virtual ~OpenScansObserver() = default;
    virtual void CaptionChanged(const std::string& /*caption*/) {}
    virtual void FileHistoryChanged() {}
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

class OpenScans {
  public:
    static constexpr int kHistorySize = 10;
    using FileHistory = std::array<std::string, kHistorySize>;

    // With buildProcessedCurves false (a report of the points as read) the processed curves and
    // slopes are never built.
    OpenScans(Prompts& prompts, const SessionProgress& progress, bool buildProcessedCurves);

    void AddObserver(OpenScansObserver* observer) { observers_.Add(observer); }
    void RemoveObserver(OpenScansObserver* observer) { observers_.Remove(observer); }

    ScanRegistry& Registry() { return registry_; }
    const ScanRegistry& Registry() const { return registry_; }
    TDataSet& MainScan() { return registry_.MainScan(); }
    const TDataSet& MainScan() const { return registry_.MainScan(); }
    bool HasMainScan() const { return registry_.MainScan().Count() > 0; }

    // The caption of the progress steps while fileName is read.
    static std::string ReadingCaption(const std::string& fileName);
    // Reads one file into the registry (as main scan, the additional scans closed first, or as
    // additional scan): the format, the plot title of a main file, the loaded file name, the
    // caption and the file history follow. Throws TrevascError with the reader's message.
    void Read(const std::string& fileName, bool main);
    // Format of the last file read ("xml", "header-counts", "scan-list", "two-column").
    const std::string& LastFormatName() const { return lastFormatName_; }

    // Rebuilds the processed points of all scans.
    // With active Kα2 stripping the main scan's measured counts are stripped first; smoothing and
    // background removal then work on the stripped curve.
    void RebuildProcessedCurves(const analysis::ProcessingSettings& processing,
                                const Kalpha2Settings& kalpha2);
    // Slope and curvature of one scan over slopeCount points.
    void ComputeSlope(TDataSet& scan, int slopeCount);

    // Program title shown after the file name in the caption ("Trevasc v1.0 (Build 1)").
    void SetProgramTitle(const std::string& title);
    const std::string& Caption() const { return caption_; }

    // File history, slot 0 most recent.
    const FileHistory& GetFileHistory() const { return history_; }
    void SetFileHistory(const FileHistory& history);
    void AddToFileHistory(const std::string& fileName);

    void RebuildScanMenu();
    const ScanMenu& GetScanMenu() const { return scanMenu_; }

    // Asks about unsaved peak lists (a list with peaks whose Unsaved flag is set; an empty list
    // loses nothing); false when the user did not answer Yes to every question.
    bool ConfirmDiscardPeaks();
    // The close questions: true when the program may close.
    bool ConfirmClose();
    // Before an export is written to `fileName`: true unless it is the open scan file (the same
    // file after following links) and the user does not confirm replacing the measurement.
    bool MayWriteExport(const std::string& fileName);

  private:
    bool ConfirmPeaks(const std::string& mainQuestion, const std::string& additionalTail);

    Prompts& prompts_;
    const SessionProgress& progress_;
    bool buildProcessedCurves_ = true;
    ObserverList<OpenScansObserver> observers_;
    ScanRegistry registry_;
    FileHistory history_;
    ScanMenu scanMenu_;
    std::string programTitle_;
    std::string caption_ = "Trevasc";
    std::string lastFormatName_;
};

}  // namespace trevasc
