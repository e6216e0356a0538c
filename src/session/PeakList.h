#pragma once
// The main scan's peak list and its operations: the highlighted row, check marks, "Add
// manually", find, identify, delete, the fitted positions, the Nelson-Riley adjustment, the peak
// list files and the hand-over of the checked peaks to the lattice and thickness windows.
#include <functional>
#include <string>
#include <vector>

#include "analysis/PeakSearch.h"
#include "core/Prompts.h"
#include "core/ScanData.h"
#include "session/ObserverList.h"
#include "session/PlotView.h"
#include "session/SessionProgress.h"
#include "session/WorkbenchSettings.h"

namespace trevasc {

// The windows that receive the checked peaks of the peak list.
enum class PeakHandOverTarget { Lattice, Thickness };

// Notifications of the peak list. Every method has an empty default.
class PeakListObserver {
  public:
    virtual ~PeakListObserver() = default;
    // The main scan's peak list changed as a whole (emptied, read, searched, rows added or
    // removed, or another scan became the main scan): rebuild the list view from
    // MainScan().Peaks.
    virtual void PeakListReset() {}
    // The text or the check mark of one row changed.
    virtual void PeakRowChanged(int /*row*/) {}
    // The highlighted row changed (-1: none).
    virtual void HighlightChanged(int /*row*/) {}
    virtual void FindPeaksEnabledChanged(bool /*enabled*/) {}
    // "Add manually" armed or disarmed: the next click into the plot adds a peak.
    virtual void AddModeChanged(bool /*on*/) {}
    // "Lattice data calculation" / "Thickness calculation" of the peak list: the checked peaks'
    // rows (fixed, 3 decimals, list order) and the main scan's file name.
    virtual void CheckedPeaksSent(PeakHandOverTarget /*target*/,
                                  const std::vector<std::string>& /*rows*/,
                                  const std::string& /*sourceName*/) {}
    // A peak search, a deleted or a manually added peak: the peaks handed over are old now.
    virtual void PeakDataOutdated() {}
};

class PeakList {
  public:
    // What a change of the peak list does to the other parts of the session; the session sets
    // them when it wires its parts.
    struct Links {
        std::function<void()> Redraw;         // the plot shows the peaks
        std::function<void()> ShowFullRange;  // after a search over the whole scan
    };

    // Works on the registry's main scan with the settings' peak search, slope window and
    // decimal separator, and the view's displayed range.
    PeakList(ScanRegistry& registry, const WorkbenchSettings& settings, const PlotView& view,
             Prompts& prompts, const SessionProgress& progress);
    void Link(Links links) { links_ = std::move(links); }

    void AddObserver(PeakListObserver* observer) { observers_.Add(observer); }
    void RemoveObserver(PeakListObserver* observer) { observers_.Remove(observer); }

    int HighlightedRow() const { return highlightedRow_; }
    // Highlights a row (-1 or an invalid row: none).
    void SetHighlightedRow(int row);
    // Sets one row's check mark (the list view's check box).
    void SetChecked(int row, bool checked);
    // "Check all" / "Uncheck all"; the list is marked unsaved only when a mark changed.
    void SetAllChecks(bool checked);
    // A click on a peak marker: highlights the nearest peak, or toggles its check mark when it is
    // highlighted already.
    void SelectNearPosition(double position);

    bool AddMode() const { return addMode_; }
    // Arms "Add manually" (only with a main scan) or disarms it.
    void SetAddMode(bool on);
    // Adds a peak at its sorted place; the highlighted peak stays highlighted. Returns its row.
    int Add(double position, const std::string& description = {}, bool checked = true);
    // "Add manually" with the right button: asks for the angle. Throws TrevascError for a text
    // that is no number (nothing added).
    void AddByAngle();
    // Removes the highlighted peak; afterwards no row is highlighted.
    void DeleteHighlighted();
    // "Identify": asks for a description of the highlighted peak.
    void IdentifyHighlighted();
    // "Auto identify" of the substrate and additional-reflection tabs: names the closest peak of
    // each position within maxDeviation (analysis::AutoIdentifyPeaks), then tells the observers
    // the changed rows and redraws the plot.
    void IdentifyByPositions(const std::vector<double>& positions,
                             const std::vector<std::string>& names, double maxDeviation);
    // Descriptions sent back by the lattice and thickness windows: every peak within 0.01° of a
    // position gets the text of that position.
    void SetDescriptionsByPosition(const std::vector<double>& positions,
                                   const std::vector<std::string>& texts);

    bool FindEnabled() const { return findEnabled_; }
    // The file flow enables "Find peaks" when the main scan has points.
    void SetFindEnabled(bool enabled);
    // "Find peaks (Method 1/2)" on the main scan with the current settings and displayed range.
    void Find(analysis::TPeakMethod method);
    // Moves every peak onto the Nelson-Riley line a = k * NR + a0; nothing for k = 0.
    void AdjustPositions(double a0, double k);
    // Hands the checked peaks of the main scan to the lattice or thickness window.
    void SendChecked(PeakHandOverTarget target);

    // A fit of the displayed range [from, to] was accepted: the peak inside the range (ends
    // included) closest to the position takes it, or a new checked peak is added there. Marks
    // the list unsaved, redraws the plot and returns the peak's row.
    int AcceptDisplayFit(double position, double from, double to);
    // Gives one peak a fitted position: PointIndex, intensity and row text follow, the check
    // mark is cleared when asked. A peak moved past a neighbour goes to its sorted place (the
    // highlighted peak stays highlighted). Marks the list unsaved; returns the peak's new row.
    int UpdateFitted(int row, double position, bool uncheck);
    // Marks the peak list unsaved and redraws the plot (the end of the automatic fits).
    void FinishFits();

    // "Peak list from textfile". A conversion error keeps (and shows) the peaks read before it,
    // then throws TrevascError.
    void Import(const std::string& fileName);
    // Peak list export; clears the unsaved flag. Throws TrevascError.
    void Export(const std::string& fileName, bool withIdent);
    // After scanFile was read: the peak list file beside it, if there is one, fills the main
    // scan's list (shown also when a bad line stops the read) or the list of the additional scan
    // that the read added after the first additionalBefore.
    void ReadListBeside(const std::string& scanFile, bool main, int additionalBefore);
    // Another main scan (or an emptied list): no row highlighted, "Add manually" disarmed, the
    // list view rebuilt.
    void MainScanReplaced();

  private:
    TDataSet& MainScan() { return registry_.MainScan(); }
    bool HasMainScan() const { return registry_.MainScan().Count() > 0; }
    void Redraw();
    // Tells the observers that the peak list changed as a whole, then redraws the plot.
    void ListChanged();
    void RowChanged(int row);

    ScanRegistry& registry_;
    const WorkbenchSettings& settings_;
    const PlotView& view_;
    Prompts& prompts_;
    const SessionProgress& progress_;
    Links links_;
    ObserverList<PeakListObserver> observers_;
    int highlightedRow_ = -1;
    bool addMode_ = false;
    bool findEnabled_ = false;
};

}  // namespace trevasc
