#pragma once
// The workbench's state without a window: the open scans, the processing, display and peak-search
// settings, the peak list with its highlighted row, the displayed range, the plot colours, the
// markers of every tab, the wavelength, the file history, the caption, the Plot-menu entries and
// the file flow of opening, inserting and selecting scans.
//
// The GUI observes the session (SessionObserver) and answers its questions (Prompts); the batch
// tool and the tests do the same with scripted answers. Every window reads the state from here
// and changes it through here, so no window reads another window's widgets.
#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "core/Prompts.h"
#include "core/ScanData.h"
#include "plot/ColorConfig.h"
#include "plot/PlotTypes.h"
#include "plot/XrdPlotRefresh.h"
#include "tools/fitting/PeakFit.h"
#include "tools/maps/MapBuilder.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc {

// The windows that receive the checked peaks of the peak list.
enum class PeakHandOverTarget { Lattice, Thickness };

// Notifications. Every method has an empty default. The hand-over after every change of the open
// scans fires, in this order: PlotRefresh, PlotWindowUpdate, TwoAxisRefresh, LegendRefresh,
// ScanMenuChanged.
class SessionObserver {
  public:
    virtual ~SessionObserver() = default;
    virtual void CaptionChanged(const std::string& /*caption*/) {}
    virtual void FileHistoryChanged() {}
    // The main scan's peak list changed as a whole (emptied, read, searched, rows added or
    // removed, or another scan became the main scan): rebuild the list view from
    // MainScan().Peaks.
    virtual void PeakListReset() {}
    // The text or the check mark of one row changed.
    virtual void PeakRowChanged(int /*row*/) {}
    // The highlighted row changed (-1: none).
    virtual void HighlightChanged(int /*row*/) {}
    virtual void FindPeaksEnabledChanged(bool /*enabled*/) {}
    // A display setting changed without the user touching its control ("Span over all opened
    // files" switched on by the file flow).
    virtual void DisplaySettingsChanged() {}
    // The displayed range of the plot changed.
    virtual void ViewRangeChanged(double /*from*/, double /*to*/) {}
    // "Add manually" armed or disarmed: the next click into the plot adds a peak.
    virtual void AddModeChanged(bool /*on*/) {}
    virtual void PlotRefresh() {}       // rebuild the plot record (BuildPlotDataset) and repaint
    virtual void PlotWindowUpdate() {}  // show the plot window; the view is back to full range
    virtual void TwoAxisRefresh() {}
    virtual void LegendRefresh() {}
    virtual void ScanMenuChanged() {}
    // "Lattice data calculation" / "Thickness calculation" of the peak list: the checked peaks'
    // rows (fixed, 3 decimals, list order) and the main scan's file name.
    virtual void CheckedPeaksSent(PeakHandOverTarget /*target*/,
                                  const std::vector<std::string>& /*rows*/,
                                  const std::string& /*sourceName*/) {}
    // A peak search, a deleted or a manually added peak: the peaks handed over are old now.
    virtual void PeakDataOutdated() {}
    // The lattice spacing of the "Additional reflections" tab changed (the substrate's
    // "LATTICE", the lattice or film thickness window, or the tab itself).
    virtual void AdditionalLatticeSpacingChanged(double /*angstrom*/) {}
    // The permitted orders of the "Additional reflections" tab changed (the substrate's
    // "ALLOWED" or the tab itself).
    virtual void PermittedReflexesChanged(const std::string& /*text*/) {}
    // CurrentWavelength changed (the lattice window's X-ray tube selector).
    virtual void CurrentWavelengthChanged(double /*angstrom*/) {}
};

// A long operation's steps: Begin (Total steps, 0 when unknown), Step (Done of Total), End.
struct ProgressEvent {
    enum class Phase { Begin, Step, End };
    Phase Stage = Phase::Begin;
    std::string Caption;
    int Done = 0;
    int Total = 0;
};
// Receives the progress of long operations; returning false from a Step asks to cancel.
using ProgressCallback = std::function<bool(const ProgressEvent&)>;

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

// The markers that the substrate, additional-reflection and structure tabs put into the plot.
struct MarkerSources {
    std::vector<plot::THighlightPoint> Substrate;
    std::vector<plot::THighlightPoint> AdditionalReflections;
    std::vector<plot::THighlightPoint> Structure;
};

// Settings of the two-axis and reciprocal space maps.
struct MapSettings {
    maps::MapMode Mode = maps::MapMode::TwoAxis;  // the map menu entry used last
    double RsmOmegaOffset = 0.0;                  // angle offsets; every file read resets them
    double RsmTwoThetaOffset = 0.0;
    bool FlipKParallel = false;  // "Flip &X axis": k_parallel with the opposite sign
    bool ContourLines = true;    // gnuplot export: contour lines wanted
};

class WorkbenchSession {
  public:
    static constexpr int kHistorySize = 10;
    using FileHistory = std::array<std::string, kHistorySize>;
    // Cu K-alpha1 (8048.88018 eV) in Angstrom: the wavelength until an X-ray line is chosen.
    static constexpr double kDefaultWavelength = 1.54056;

    // With buildProcessedCurves false (a report of the points as read) the processed curves and
    // slopes are never built.
    explicit WorkbenchSession(Prompts& prompts, bool buildProcessedCurves = true);
    WorkbenchSession(const WorkbenchSession&) = delete;
    WorkbenchSession& operator=(const WorkbenchSession&) = delete;

    // Observers are told in the order they were added.
    void AddObserver(SessionObserver* observer);
    void RemoveObserver(SessionObserver* observer);
    Prompts& GetPrompts() { return prompts_; }
    void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }
    // Passes one event of a long operation run outside the session (auto select) to the
    // progress callback; false when a Step asked to cancel.
    bool ReportProgress(const ProgressEvent& event) { return !progress_ || progress_(event); }

    ScanRegistry& Registry() { return registry_; }
    const ScanRegistry& Registry() const { return registry_; }
    TDataSet& MainScan() { return registry_.MainScan(); }
    const TDataSet& MainScan() const { return registry_.MainScan(); }
    bool HasMainScan() const { return registry_.MainScan().Count() > 0; }

    // The user's decimal separator for row texts, prompts and clipboard tables ('.' by default).
    void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }
    char DecimalSeparator() const { return decimalSeparator_; }

    // --- Settings ------------------------------------------------------------------------------
    // Noise suppression, background removal and the slope window of every open scan.
    const analysis::ProcessingSettings& Processing() const { return processing_; }
    // Stores the settings; with a main scan open, rebuilds the processed curves when they differ.
    void SetProcessing(const analysis::ProcessingSettings& settings);
    // Kα2 stripping of the main scan, done before smoothing and background removal. Without a
    // doublet (a line with no Kα2 partner) nothing is stripped.
    struct Kalpha2Settings {
        bool Enabled = false;
        double Ratio = tools::kDefaultKalpha2Ratio;  // "Kα2/Kα1 ratio"
        std::optional<tools::KalphaDoublet> Doublet;
    };
    const Kalpha2Settings& Kalpha2Stripping() const { return kalpha2_; }
    // Stores the settings; with a main scan open, rebuilds the processed curves when the stripped
    // curve changes.
    void SetKalpha2Stripping(const Kalpha2Settings& settings);
    const analysis::PeakSearchSettings& PeakSearch() const { return peakSearch_; }
    void SetPeakSearch(const analysis::PeakSearchSettings& settings) { peakSearch_ = settings; }
    // The display switches (the view range fields of the record are not used: see ViewXMin).
    const plot::XrdPlotSettings& Display() const { return display_; }
    // Stores the switches and redraws the plot and the legend. Switching "Span over all opened
    // files" shows the new full range.
    void SetDisplay(const plot::XrdPlotSettings& settings);

    plot::TColorConfig& Colors() { return colors_; }
    // After the colours were edited: redraws the plot and the legend.
    void ColorsChanged();

    MarkerSources& Markers() { return markers_; }
    // After a tab changed its markers: redraws the plot.
    void MarkersChanged();

    // The one wavelength of the lattice calculation, the reflections and the maps (Angstrom).
    double CurrentWavelength() const { return currentWavelength_; }
    // A changed wavelength notifies CurrentWavelengthChanged.
    void SetCurrentWavelength(double angstrom);
    MapSettings& Maps() { return maps_; }
    // The map of the open scans in the given mode with the map settings and CurrentWavelength;
    // a reason why it was not built is shown as an error box unless `report` is false (the
    // redraw after a change of the open scans, which nobody asked for).
    maps::MapBuild BuildMapDataset(maps::MapMode mode, bool report = true);

    // The lattice constant (Angstrom) and the permitted-orders text of the "Additional
    // reflections" tab. A changed value notifies the observers; an equal one does nothing.
    double AdditionalLatticeSpacing() const { return additionalLattice_; }
    void SetAdditionalLatticeSpacing(double angstrom);
    const std::string& PermittedReflexes() const { return permittedReflexes_; }
    void SetPermittedReflexes(const std::string& text);
    // "Auto identify" of the substrate and additional-reflection tabs: names the closest peak of
    // each position within maxDeviation (analysis::AutoIdentifyPeaks), then tells the observers
    // the changed rows and redraws the plot.
    void IdentifyPeaksByPositions(const std::vector<double>& positions,
                                  const std::vector<std::string>& names, double maxDeviation);

    // Program title shown after the file name in the caption ("Trevasc v1.0 (Build 1)").
    void SetProgramTitle(const std::string& title);
    const std::string& Caption() const { return caption_; }
    // "Change plot &title...": asks for the title; a changed title redraws the plot.
    void ChangePlotTitle();

    // --- Plot view -----------------------------------------------------------------------------
    // Fills the XRD Plot window's record from the open scans, the settings, the colours and the
    // markers; false (record unchanged) without a main scan. Keeps the displayed range.
    bool BuildPlotDataset(plot::TPlotDataset& dataset);
    double ViewXMin() const { return viewXMin_; }
    double ViewXMax() const { return viewXMax_; }
    // Shows [from, to] (a zoom of the plot window).
    void SetViewRange(double from, double to);
    // "Apply" of the plot range fields: the ends in either order, equal ends one degree wide.
    void ApplyViewRange(double from, double to);
    // Back to the full range of the last plot record.
    void ResetView();
    bool AddMode() const { return addMode_; }
    // Arms "Add manually" (only with a main scan) or disarms it.
    void SetAddMode(bool on);

    // --- Peak list -----------------------------------------------------------------------------
    int HighlightedRow() const { return highlightedRow_; }
    // Highlights a row (-1 or an invalid row: none).
    void SetHighlightedRow(int row);
    // Sets one row's check mark (the list view's check box).
    void SetPeakChecked(int row, bool checked);
    // Adds a peak at its sorted place; the highlighted peak stays highlighted. Returns its row.
    int AddPeak(double position, const std::string& description = {}, bool checked = true);
    // "Add manually" with the right button: asks for the angle. Throws TrevascError for a text
    // that is no number (nothing added).
    void AddPeakByAngle();
    // Removes the highlighted peak; afterwards no row is highlighted.
    void DeleteHighlightedPeak();
    // "Identify": asks for a description of the highlighted peak.
    void IdentifyHighlightedPeak();
    // "Check all" / "Uncheck all"; the list is marked unsaved only when a mark changed.
    void SetAllChecks(bool checked);
    // A click on a peak marker: highlights the nearest peak, or toggles its check mark when it is
    // highlighted already.
    void SelectPeakNearPosition(double position);
    // "Find peaks (Method 1/2)" on the main scan with the current settings and displayed range.
    void FindPeaks(analysis::TPeakMethod method);
    // Hands the checked peaks of the main scan to the lattice or thickness window.
    void SendCheckedPeaks(PeakHandOverTarget target);
    // Descriptions sent back by the lattice and thickness windows: every peak within 0.01° of a
    // position gets the text of that position.
    void SetPeakDescriptionsByPosition(const std::vector<double>& positions,
                                       const std::vector<std::string>& texts);
    // Moves every peak onto the Nelson-Riley line a = k * NR + a0; nothing for k = 0.
    void AdjustPeakPositions(double a0, double k);
    // Replaces the plot title from its last " (d=" on by the suffix and redraws the plot.
    void SetPlotTitleSuffix(const std::string& suffix);
    // Progress of a long loop of a window through the progress callback: Begin, Step (false when
    // the user asked to cancel) and End. Without a callback every Step answers true.
    void BeginProgress(const std::string& caption, int total);
    bool ReportProgress(const std::string& caption, int done, int total);
    void EndProgress(const std::string& caption);

    // "Peak list from textfile". A conversion error keeps (and shows) the peaks read before it,
    // then throws TrevascError.
    void ImportPeakList(const std::string& fileName);
    // Peak list export; clears the unsaved flag. Throws TrevascError.
    void ExportPeakList(const std::string& fileName, bool withIdent);
    // Before an export is written to `fileName`: true unless it is the open scan file (the same
    // file after following links) and the user does not confirm replacing the measurement.
    bool MayWriteExport(const std::string& fileName);

    // --- Peak fitting --------------------------------------------------------------------------
    // The displayed range (the full range before the first plot) as a point range of the main
    // scan's processed points. Shows the message and returns nothing when it has too few points.
    std::optional<fitting::DisplayFitRange> DisplayFitRange();
    // A fit of the displayed range [from, to] was accepted: the peak inside the range (ends
    // included) closest to the position takes it, or a new checked peak is added there. Marks
    // the list unsaved, redraws the plot and returns the peak's row.
    int AcceptDisplayFit(double position, double from, double to);
    // Gives one peak a fitted position: PointIndex, intensity and row text follow, the check
    // mark is cleared when asked. A peak moved past a neighbour goes to its sorted place (the
    // highlighted peak stays highlighted). Marks the list unsaved; returns the peak's new row.
    int UpdateFittedPeak(int row, double position, bool uncheck);
    // Marks the peak list unsaved and redraws the plot (the end of the automatic fits).
    void FinishPeakFits();

    // --- File flow -----------------------------------------------------------------------------
    // Asks about unsaved peak lists (a list with peaks whose Unsaved flag is set; an empty list
    // loses nothing); false when the user did not answer Yes to every question.
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

  private:
    template <typename F>
    void Notify(F&& f) {
        // A copy: an observer may add or remove observers while it is told.
        const std::vector<SessionObserver*> observers = observers_;
        for (SessionObserver* o : observers) f(*o);
    }
    void SetFindPeaksEnabled(bool enabled);
    void SpanAllFiles();
    void ComputeSlope(TDataSet& scan);
    bool ConfirmPeaks(const std::string& mainQuestion, const std::string& additionalTail);
    // Tells the observers that the peak list changed as a whole, then redraws the plot.
    void PeakListChanged();

    Prompts& prompts_;
    bool buildProcessedCurves_ = true;
    std::vector<SessionObserver*> observers_;
    ProgressCallback progress_;
    char decimalSeparator_ = '.';

    ScanRegistry registry_;
    analysis::ProcessingSettings processing_;
    Kalpha2Settings kalpha2_;
    analysis::PeakSearchSettings peakSearch_;
    plot::XrdPlotSettings display_;
    plot::TColorConfig colors_;
    std::mt19937 randomEngine_;
    plot::TRandomColorSource randomColor_;
    MarkerSources markers_;
    MapSettings maps_;
    double currentWavelength_ = kDefaultWavelength;
    double additionalLattice_ = 4.0;
    std::string permittedReflexes_ = "1,2,3,4,5,6,7,8";

    double viewXMin_ = 0.0, viewXMax_ = 0.0;  // both 0: the full range at the next plot record
    double fullXMin_ = 0.0, fullXMax_ = 0.0;
    bool addMode_ = false;
    int highlightedRow_ = -1;

    FileHistory history_;
    ScanMenu scanMenu_;
    std::string programTitle_;
    std::string caption_ = "Trevasc";
    std::string lastFormatName_;
    bool findPeaksEnabled_ = false;
};

}  // namespace trevasc
