#include "session/PeakList.h"

#include <cmath>
#include <filesystem>
#include <optional>
#include <utility>

#include "analysis/PeakList.h"
#include "analysis/SubstrateDatabase.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "formats/PeakListFile.h"

namespace trevasc {

PeakList::PeakList(ScanRegistry& registry, const WorkbenchSettings& settings, const PlotView& view,
                   Prompts& prompts, const SessionProgress& progress)
    : registry_(registry),
      settings_(settings),
      view_(view),
      prompts_(prompts),
      progress_(progress) {}

void PeakList::Redraw() {
    if (links_.Redraw) links_.Redraw();
}

void PeakList::ListChanged() {
    if (highlightedRow_ >= MainScan().Peaks.Count()) highlightedRow_ = -1;
    observers_.Notify([](PeakListObserver& o) { o.PeakListReset(); });
    observers_.Notify([this](PeakListObserver& o) { o.HighlightChanged(highlightedRow_); });
    Redraw();
}

void PeakList::RowChanged(int row) {
    observers_.Notify([row](PeakListObserver& o) { o.PeakRowChanged(row); });
    Redraw();
}

void PeakList::SetHighlightedRow(int row) {
    if (row < 0 || row >= MainScan().Peaks.Count()) row = -1;
    if (row == highlightedRow_) return;
    highlightedRow_ = row;
    observers_.Notify([row](PeakListObserver& o) { o.HighlightChanged(row); });
}

void PeakList::SetChecked(int row, bool checked) {
    auto& items = MainScan().Peaks.Items;
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    TPeak& peak = items[static_cast<size_t>(row)];
    if (peak.Checked == checked) return;
    peak.Checked = checked;
    MainScan().Peaks.Unsaved = true;
    RowChanged(row);
}

void PeakList::SetAllChecks(bool checked) {
    if (!analysis::SetAllChecks(MainScan(), checked)) return;
    observers_.Notify([](PeakListObserver& o) { o.PeakListReset(); });
    observers_.Notify([this](PeakListObserver& o) { o.HighlightChanged(highlightedRow_); });
    Redraw();
}

void PeakList::SelectNearPosition(double position) {
    const analysis::TPeakSelection selection =
        analysis::SelectPeakNearPosition(MainScan(), position, highlightedRow_);
    if (selection.Toggled)
        RowChanged(selection.HighlightedRow);
    else
        SetHighlightedRow(selection.HighlightedRow);
}

void PeakList::SetAddMode(bool on) {
    on = on && HasMainScan();
    if (on == addMode_) return;
    addMode_ = on;
    observers_.Notify([on](PeakListObserver& o) { o.AddModeChanged(on); });
}

int PeakList::Add(double position, const std::string& description, bool checked) {
    const int row = analysis::AddPeakToMainScan(MainScan(), position, description, checked);
    // The highlighted peak stays the highlighted one, wherever the new row went.
    if (highlightedRow_ >= row) ++highlightedRow_;
    SetAddMode(false);
    ListChanged();
    observers_.Notify([](PeakListObserver& o) { o.PeakDataOutdated(); });
    return row;
}

void PeakList::AddByAngle() {
    if (!HasMainScan()) return;
    const std::optional<std::string> text =
        prompts_.InputQuery(analysis::kAddPeakCaption, analysis::kAddPeakPrompt, "");
    if (!text) return;
    Add(ParseFloat(*text));
}

void PeakList::DeleteHighlighted() {
    if (!analysis::DeleteHighlightedPeak(MainScan(), highlightedRow_)) return;
    // Nothing stays highlighted: a second press must not delete a peak the user never chose.
    highlightedRow_ = -1;
    ListChanged();
    observers_.Notify([](PeakListObserver& o) { o.PeakDataOutdated(); });
}

void PeakList::IdentifyHighlighted() {
    const int row = highlightedRow_;
    if (!analysis::IdentifyHighlightedPeak(MainScan(), row, prompts_, settings_.DecimalSeparator()))
        return;
    RowChanged(row);
}

void PeakList::IdentifyByPositions(const std::vector<double>& positions,
                                   const std::vector<std::string>& names, double maxDeviation) {
    for (int row : analysis::AutoIdentifyPeaks(MainScan(), positions, names, maxDeviation))
        observers_.Notify([row](PeakListObserver& o) { o.PeakRowChanged(row); });
    Redraw();
}

void PeakList::SetDescriptionsByPosition(const std::vector<double>& positions,
                                         const std::vector<std::string>& texts) {
    if (positions.empty()) return;
    analysis::SetPeakDescriptionsByPosition(MainScan(), positions, texts);
    ListChanged();
}

void PeakList::SetFindEnabled(bool enabled) {
    findEnabled_ = enabled;
    observers_.Notify([enabled](PeakListObserver& o) { o.FindPeaksEnabledChanged(enabled); });
}

void PeakList::Find(analysis::TPeakMethod method) {
    if (!HasMainScan()) return;
    const analysis::PeakSearchSettings& search = settings_.PeakSearch();
    {
        ProgressScope scope(progress_, "Peak search");
        analysis::RunPeakSearch(MainScan(), method, search, settings_.Processing().SlopeCount,
                                view_.ViewXMin(), view_.ViewXMax());
    }
    highlightedRow_ = -1;
    ListChanged();
    if (!search.RangeOnly && links_.ShowFullRange) links_.ShowFullRange();
    observers_.Notify([](PeakListObserver& o) { o.PeakDataOutdated(); });
}

void PeakList::AdjustPositions(double a0, double k) {
    if (k == 0.0) return;
    analysis::AdjustPeakPositions(MainScan(), a0, k);
    ListChanged();
}

void PeakList::SendChecked(PeakHandOverTarget target) {
    const std::vector<std::string> rows =
        analysis::CheckedPeakLines(MainScan(), settings_.DecimalSeparator());
    const std::string source = MainScan().Name;
    observers_.Notify([&](PeakListObserver& o) { o.CheckedPeaksSent(target, rows, source); });
}

int PeakList::AcceptDisplayFit(double position, double from, double to) {
    if (from > to) std::swap(from, to);
    const auto& items = MainScan().Peaks.Items;
    int closest = -1;
    double distance = 1e100;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const double x = items[static_cast<size_t>(i)].Position;
        if (x < from || x > to) continue;
        if (std::fabs(x - position) < distance) {  // strictly closer wins
            distance = std::fabs(x - position);
            closest = i;
        }
    }
    if (closest < 0) return Add(position);
    return UpdateFitted(closest, position, false);
}

int PeakList::UpdateFitted(int row, double position, bool uncheck) {
    TDataSet& scan = MainScan();
    auto& items = scan.Peaks.Items;
    if (row < 0 || row >= static_cast<int>(items.size())) return -1;
    TPeak peak = items[static_cast<size_t>(row)];
    peak.Position = position;
    peak.PointIndex = PeakPointIndex(scan, position);
    peak.Intensity = PeakIntensity(scan, peak.PointIndex);
    if (uncheck) peak.Checked = false;
    scan.Peaks.Unsaved = true;
    // The list stays sorted: the fitted peak moves past neighbours it has crossed (after equal
    // positions when moving right, before them when moving left, as a stable sort would).
    items.erase(items.begin() + row);
    int target = row;
    while (target > 0 && items[static_cast<size_t>(target) - 1].Position > position) --target;
    while (target < static_cast<int>(items.size()) &&
           items[static_cast<size_t>(target)].Position < position)
        ++target;
    items.insert(items.begin() + target, peak);
    if (target == row) {
        RowChanged(row);
        return row;
    }
    if (highlightedRow_ == row) {
        highlightedRow_ = target;
    } else if (highlightedRow_ > row && highlightedRow_ <= target) {
        --highlightedRow_;
    } else if (highlightedRow_ >= target && highlightedRow_ < row) {
        ++highlightedRow_;
    }
    ListChanged();
    return target;
}

void PeakList::FinishFits() {
    MainScan().Peaks.Unsaved = true;
    Redraw();
}

void PeakList::Import(const std::string& fileName) {
    if (!HasMainScan()) return;
    // The list view follows the model whatever happens: a conversion error keeps the peaks read
    // before the bad line, and they must be visible.
    struct Refresh {
        PeakList& peaks;
        ~Refresh() { peaks.ListChanged(); }
    } refresh{*this};
    formats::ReadPeakListFile(fileName, MainScan(), true, registry_.PlotTitle);
}

void PeakList::Export(const std::string& fileName, bool withIdent) {
    formats::WritePeakListFile(fileName, MainScan(), withIdent, registry_.PlotTitle);
}

void PeakList::ReadListBeside(const std::string& scanFile, bool main, int additionalBefore) {
    const std::string peakFile = PeakListFileFor(scanFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(peakFile, ec)) return;
    if (main) {
        // Shown also when a bad line stops the read: the peaks before it are in the list.
        struct Reset {
            PeakList& peaks;
            ~Reset() {
                peaks.observers_.Notify([](PeakListObserver& o) { o.PeakListReset(); });
            }
        } reset{*this};
        formats::ReadPeakListFile(peakFile, MainScan(), true, registry_.PlotTitle);
    } else if (registry_.AdditionalCount() > additionalBefore) {
        std::string ignoredTitle;
        formats::ReadPeakListFile(peakFile, registry_.Additional(registry_.AdditionalCount() - 1),
                                  false, ignoredTitle);
    }
}

void PeakList::MainScanReplaced() {
    highlightedRow_ = -1;
    SetAddMode(false);
    observers_.Notify([](PeakListObserver& o) { o.PeakListReset(); });
    observers_.Notify([](PeakListObserver& o) { o.HighlightChanged(-1); });
}

}  // namespace trevasc
