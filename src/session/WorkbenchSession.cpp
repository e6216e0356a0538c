#include "session/WorkbenchSession.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <new>

#include "analysis/PeakList.h"
#include "analysis/SubstrateDatabase.h"
#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "base/SameFile.h"
#include "formats/PeakListFile.h"
#include "formats/ScanFileReader.h"
#include "formats/XylibReader.h"

namespace trevasc {

namespace {
constexpr const char* kOpenQuestionTail =
    "has not been saved so far. Are you sure you want to open a new XRD file?";
constexpr const char* kExitQuestionTail =
    "has not been saved so far. Are you sure you want to exit?";
constexpr const char* kMainPeaksPrefix = "The collected peak data of the main plot ";
constexpr const char* kAdditionalPeaksPrefix = "The collected peak data of the additional plot";

}  // namespace

WorkbenchSession::WorkbenchSession(Prompts& prompts, bool buildProcessedCurves)
    : prompts_(prompts),
      buildProcessedCurves_(buildProcessedCurves),
      randomEngine_(std::random_device{}()),
      randomColor_(plot::MakeRandomColorSource(randomEngine_)) {}

void WorkbenchSession::AddObserver(SessionObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void WorkbenchSession::RemoveObserver(SessionObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

namespace {
// Begin and End around a long step, End also when it throws.
class ProgressScope {
  public:
    ProgressScope(const ProgressCallback& callback, std::string caption)
        : callback_(callback), caption_(std::move(caption)) {
        if (callback_) callback_(ProgressEvent{ProgressEvent::Phase::Begin, caption_, 0, 0});
    }
    ~ProgressScope() {
        if (callback_) callback_(ProgressEvent{ProgressEvent::Phase::End, caption_, 0, 0});
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    const ProgressCallback& callback_;
    std::string caption_;
};
}  // namespace

void WorkbenchSession::SetDisplay(const plot::XrdPlotSettings& settings) {
    const bool spanChanged = settings.SpanAllFiles != display_.SpanAllFiles;
    display_ = settings;
    display_.ViewXMin = display_.ViewXMax = 0.0;
    if (spanChanged) viewXMin_ = viewXMax_ = 0.0;  // the new full range is shown
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
    Notify([](SessionObserver& o) { o.LegendRefresh(); });
}

void WorkbenchSession::ColorsChanged() {
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
    Notify([](SessionObserver& o) { o.LegendRefresh(); });
}

void WorkbenchSession::MarkersChanged() {
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::SetCurrentWavelength(double angstrom) {
    if (angstrom == currentWavelength_) return;
    currentWavelength_ = angstrom;
    Notify([angstrom](SessionObserver& o) { o.CurrentWavelengthChanged(angstrom); });
}

maps::MapBuild WorkbenchSession::BuildMapDataset(maps::MapMode mode, bool report) {
    maps::MapRequest request;
    request.Mode = mode;
    request.OmegaOffset = maps_.RsmOmegaOffset;
    request.TwoThetaOffset = maps_.RsmTwoThetaOffset;
    request.FlipKParallel = maps_.FlipKParallel;
    request.Wavelength = currentWavelength_;
    maps::MapBuild build = maps::BuildMapDataset(registry_, request);
    if (report && !build.Message.empty()) prompts_.ShowError(build.Message);
    return build;
}

void WorkbenchSession::SetAdditionalLatticeSpacing(double angstrom) {
    if (angstrom == additionalLattice_) return;
    additionalLattice_ = angstrom;
    Notify([angstrom](SessionObserver& o) { o.AdditionalLatticeSpacingChanged(angstrom); });
}

void WorkbenchSession::SetPermittedReflexes(const std::string& text) {
    if (text == permittedReflexes_) return;
    permittedReflexes_ = text;
    Notify([&text](SessionObserver& o) { o.PermittedReflexesChanged(text); });
}

void WorkbenchSession::IdentifyPeaksByPositions(const std::vector<double>& positions,
                                                const std::vector<std::string>& names,
                                                double maxDeviation) {
    for (int row : analysis::AutoIdentifyPeaks(MainScan(), positions, names, maxDeviation))
        Notify([row](SessionObserver& o) { o.PeakRowChanged(row); });
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::ChangePlotTitle() {
    const std::optional<std::string> title = prompts_.InputQuery(
        "Change title of XRD plot", "Enter a title for the plotted data", registry_.PlotTitle);
    if (!title || *title == registry_.PlotTitle) return;
    registry_.PlotTitle = *title;
    if (HasMainScan()) Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

bool WorkbenchSession::BuildPlotDataset(plot::TPlotDataset& dataset) {
    if (!HasMainScan()) return false;
    plot::XrdPlotSettings settings = display_;
    settings.ViewXMin = viewXMin_;
    settings.ViewXMax = viewXMax_;
    std::vector<plot::THighlightPoint> extra = markers_.Substrate;
    extra.insert(extra.end(), markers_.AdditionalReflections.begin(),
                 markers_.AdditionalReflections.end());
    extra.insert(extra.end(), markers_.Structure.begin(), markers_.Structure.end());
    if (!plot::RefreshXrdPlot(dataset, registry_, settings, colors_, extra, randomColor_))
        return false;
    fullXMin_ = dataset.FullXMin;
    fullXMax_ = dataset.FullXMax;
    if (dataset.ViewXMin != viewXMin_ || dataset.ViewXMax != viewXMax_) {
        viewXMin_ = dataset.ViewXMin;
        viewXMax_ = dataset.ViewXMax;
        Notify([this](SessionObserver& o) { o.ViewRangeChanged(viewXMin_, viewXMax_); });
    }
    return true;
}

void WorkbenchSession::SetViewRange(double from, double to) {
    viewXMin_ = from;
    viewXMax_ = to;
    Notify([this](SessionObserver& o) { o.ViewRangeChanged(viewXMin_, viewXMax_); });
}

void WorkbenchSession::ApplyViewRange(double from, double to) {
    const plot::TViewRange range = plot::OrderedViewRange(from, to);
    SetViewRange(range.From, range.To);
}

void WorkbenchSession::ResetView() {
    SetViewRange(fullXMin_, fullXMax_);
}

void WorkbenchSession::SetAddMode(bool on) {
    on = on && HasMainScan();
    if (on == addMode_) return;
    addMode_ = on;
    Notify([on](SessionObserver& o) { o.AddModeChanged(on); });
}

void WorkbenchSession::PeakListChanged() {
    if (highlightedRow_ >= MainScan().Peaks.Count()) highlightedRow_ = -1;
    Notify([](SessionObserver& o) { o.PeakListReset(); });
    Notify([this](SessionObserver& o) { o.HighlightChanged(highlightedRow_); });
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::SetHighlightedRow(int row) {
    if (row < 0 || row >= MainScan().Peaks.Count()) row = -1;
    if (row == highlightedRow_) return;
    highlightedRow_ = row;
    Notify([row](SessionObserver& o) { o.HighlightChanged(row); });
}

void WorkbenchSession::SetPeakChecked(int row, bool checked) {
    auto& items = MainScan().Peaks.Items;
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    TPeak& peak = items[static_cast<size_t>(row)];
    if (peak.Checked == checked) return;
    peak.Checked = checked;
    MainScan().Peaks.Unsaved = true;
    Notify([row](SessionObserver& o) { o.PeakRowChanged(row); });
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

int WorkbenchSession::AddPeak(double position, const std::string& description, bool checked) {
    const int row = analysis::AddPeakToMainScan(MainScan(), position, description, checked);
    // The highlighted peak stays the highlighted one, wherever the new row went.
    if (highlightedRow_ >= row) ++highlightedRow_;
    SetAddMode(false);
    PeakListChanged();
    Notify([](SessionObserver& o) { o.PeakDataOutdated(); });
    return row;
}

std::optional<fitting::DisplayFitRange> WorkbenchSession::DisplayFitRange() {
    const TDataPointArray& points = MainScan().Points;
    double from = viewXMin_, to = viewXMax_;
    if (from == 0.0 && to == 0.0 && !points.empty()) {
        // No plot record yet: the whole scan is displayed.
        from = points.front().Position;
        to = points.back().Position;
    }
    fitting::DisplayFitRange range = fitting::MapDisplayRange(points, from, to);
    if (!range.Error.empty()) {
        prompts_.ShowError(range.Error);
        return std::nullopt;
    }
    return range;
}

int WorkbenchSession::AcceptDisplayFit(double position, double from, double to) {
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
    if (closest < 0) return AddPeak(position);
    return UpdateFittedPeak(closest, position, false);
}

int WorkbenchSession::UpdateFittedPeak(int row, double position, bool uncheck) {
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
        Notify([row](SessionObserver& o) { o.PeakRowChanged(row); });
        Notify([](SessionObserver& o) { o.PlotRefresh(); });
        return row;
    }
    if (highlightedRow_ == row) {
        highlightedRow_ = target;
    } else if (highlightedRow_ > row && highlightedRow_ <= target) {
        --highlightedRow_;
    } else if (highlightedRow_ >= target && highlightedRow_ < row) {
        ++highlightedRow_;
    }
    PeakListChanged();
    return target;
}

void WorkbenchSession::FinishPeakFits() {
    MainScan().Peaks.Unsaved = true;
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::AddPeakByAngle() {
    if (!HasMainScan()) return;
    const std::optional<std::string> text =
        prompts_.InputQuery(analysis::kAddPeakCaption, analysis::kAddPeakPrompt, "");
    if (!text) return;
    AddPeak(ParseFloat(*text));
}

void WorkbenchSession::DeleteHighlightedPeak() {
    if (!analysis::DeleteHighlightedPeak(MainScan(), highlightedRow_)) return;
    // Nothing stays highlighted: a second press must not delete a peak the user never chose.
    highlightedRow_ = -1;
    PeakListChanged();
    Notify([](SessionObserver& o) { o.PeakDataOutdated(); });
}

void WorkbenchSession::IdentifyHighlightedPeak() {
    const int row = highlightedRow_;
    if (!analysis::IdentifyHighlightedPeak(MainScan(), row, prompts_, decimalSeparator_)) return;
    Notify([row](SessionObserver& o) { o.PeakRowChanged(row); });
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::SetAllChecks(bool checked) {
    if (!analysis::SetAllChecks(MainScan(), checked)) return;
    Notify([](SessionObserver& o) { o.PeakListReset(); });
    Notify([this](SessionObserver& o) { o.HighlightChanged(highlightedRow_); });
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::SelectPeakNearPosition(double position) {
    const analysis::TPeakSelection selection =
        analysis::SelectPeakNearPosition(MainScan(), position, highlightedRow_);
    if (selection.Toggled) {
        const int row = selection.HighlightedRow;
        Notify([row](SessionObserver& o) { o.PeakRowChanged(row); });
        Notify([](SessionObserver& o) { o.PlotRefresh(); });
    } else {
        SetHighlightedRow(selection.HighlightedRow);
    }
}

void WorkbenchSession::FindPeaks(analysis::TPeakMethod method) {
    if (!HasMainScan()) return;
    {
        ProgressScope scope(progress_, "Peak search");
        analysis::RunPeakSearch(MainScan(), method, peakSearch_, processing_.SlopeCount, viewXMin_,
                                viewXMax_);
    }
    highlightedRow_ = -1;
    PeakListChanged();
    if (!peakSearch_.RangeOnly) ResetView();
    Notify([](SessionObserver& o) { o.PeakDataOutdated(); });
}

void WorkbenchSession::SendCheckedPeaks(PeakHandOverTarget target) {
    const std::vector<std::string> rows = analysis::CheckedPeakLines(MainScan(), decimalSeparator_);
    const std::string source = MainScan().Name;
    Notify([&](SessionObserver& o) { o.CheckedPeaksSent(target, rows, source); });
}

void WorkbenchSession::SetPeakDescriptionsByPosition(const std::vector<double>& positions,
                                                     const std::vector<std::string>& texts) {
    if (positions.empty()) return;
    analysis::SetPeakDescriptionsByPosition(MainScan(), positions, texts);
    PeakListChanged();
}

void WorkbenchSession::AdjustPeakPositions(double a0, double k) {
    if (k == 0.0) return;
    analysis::AdjustPeakPositions(MainScan(), a0, k);
    PeakListChanged();
}

void WorkbenchSession::SetPlotTitleSuffix(const std::string& suffix) {
    const size_t cut = registry_.PlotTitle.rfind(" (d=");
    if (cut != std::string::npos) registry_.PlotTitle.erase(cut);
    registry_.PlotTitle += suffix;
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::BeginProgress(const std::string& caption, int total) {
    if (progress_) progress_({ProgressEvent::Phase::Begin, caption, 0, total});
}

bool WorkbenchSession::ReportProgress(const std::string& caption, int done, int total) {
    return !progress_ || progress_({ProgressEvent::Phase::Step, caption, done, total});
}

void WorkbenchSession::EndProgress(const std::string& caption) {
    if (progress_) progress_({ProgressEvent::Phase::End, caption, 0, 0});
}

void WorkbenchSession::ImportPeakList(const std::string& fileName) {
    if (!HasMainScan()) return;
    // The list view follows the model whatever happens: a conversion error keeps the peaks read
    // before the bad line, and they must be visible.
    struct Refresh {
        WorkbenchSession& session;
        ~Refresh() { session.PeakListChanged(); }
    } refresh{*this};
    formats::ReadPeakListFile(fileName, MainScan(), true, registry_.PlotTitle);
}

void WorkbenchSession::ExportPeakList(const std::string& fileName, bool withIdent) {
    formats::WritePeakListFile(fileName, MainScan(), withIdent, registry_.PlotTitle);
}

bool WorkbenchSession::MayWriteExport(const std::string& fileName) {
    if (registry_.LoadedFileName.empty()) return true;
    const std::string scanFile = registry_.LoadedFileFolder + registry_.LoadedFileName;
    if (!IsSameFile(fileName, scanFile)) return true;
    return prompts_.Confirm(QuoteForMessage(fileName, kWholeText) +
                            " is the open scan file. Replace the measurement with the export?");
}

void WorkbenchSession::SetProcessing(const analysis::ProcessingSettings& settings) {
    const analysis::ProcessingSettings old = processing_;
    processing_ = settings;
    const bool curvesChanged = old.NoiseSuppression != settings.NoiseSuppression ||
                               old.SmoothWidth != settings.SmoothWidth ||
                               old.RemoveBackground != settings.RemoveBackground ||
                               old.BackgroundWidth != settings.BackgroundWidth;
    if (curvesChanged && registry_.MainScan().Count() > 0) RebuildAllProcessedCurves();
}

void WorkbenchSession::SetKalpha2Stripping(const Kalpha2Settings& settings) {
    const auto active = [](const Kalpha2Settings& k) { return k.Enabled && k.Doublet.has_value(); };
    const bool changed =
        active(settings) != active(kalpha2_) ||
        (active(settings) && (settings.Ratio != kalpha2_.Ratio ||
                              settings.Doublet->Alpha1 != kalpha2_.Doublet->Alpha1 ||
                              settings.Doublet->Alpha2 != kalpha2_.Doublet->Alpha2));
    kalpha2_ = settings;
    if (changed && registry_.MainScan().Count() > 0) RebuildAllProcessedCurves();
}

void WorkbenchSession::SetProgramTitle(const std::string& title) {
    programTitle_ = title;
    caption_ = title;
    Notify([this](SessionObserver& o) { o.CaptionChanged(caption_); });
}

namespace {
// Only a list that holds peaks can lose something: an emptied list, or a search that found
// nothing, leaves nothing to save however the flag stands.
bool HasPeaksToSave(const TPeakSet& peaks) {
    return peaks.Unsaved && peaks.Count() > 0;
}
}  // namespace

bool WorkbenchSession::ConfirmPeaks(const std::string& mainQuestion,
                                    const std::string& additionalTail) {
    if (HasPeaksToSave(registry_.MainScan().Peaks) && !prompts_.Confirm(mainQuestion)) return false;
    for (int k = 1; k <= registry_.AdditionalCount(); ++k) {
        const TDataSet& scan = registry_.ScanAt(k);
        if (!HasPeaksToSave(scan.Peaks)) continue;
        std::string text = std::string(kAdditionalPeaksPrefix) + " \"" +
                           QuoteForMessage(scan.Name, kWholeText) + "\" " + additionalTail;
        if (!prompts_.Confirm(text)) return false;
    }
    return true;
}

bool WorkbenchSession::ConfirmDiscardPeaks() {
    return ConfirmPeaks(std::string(kMainPeaksPrefix) + kOpenQuestionTail, kOpenQuestionTail);
}

bool WorkbenchSession::ConfirmClose() {
    return ConfirmPeaks(std::string(kMainPeaksPrefix) + kExitQuestionTail, kExitQuestionTail);
}

void WorkbenchSession::LoadScanFile(const std::string& fileName, bool main) {
    const std::string caption = "Reading " + FileNameWithoutFolder(fileName);
    ProgressScope scope(progress_, caption);
    // xylib reads in a child process; while the window waits for it, the progress dialog keeps
    // it painted and its Cancel stops the child. The steps count tenths of a second against the
    // child's time limit.
    const formats::XylibWaitWatch watch([&](double seconds, double limit) {
        return ReportProgress(ProgressEvent{ProgressEvent::Phase::Step, caption,
                                            static_cast<int>(seconds * 10),
                                            static_cast<int>(limit * 10)});
    });
    if (main) registry_.ClearAdditionalScans();
    // Every file read starts the reciprocal space map offsets afresh.
    maps_.RsmOmegaOffset = 0.0;
    maps_.RsmTwoThetaOffset = 0.0;

    // The format is known once the first line was read, also when the reader fails later.
    constexpr auto kUnknown = static_cast<formats::TScanFormat>(-1);
    formats::TScanFormat format = kUnknown;
    const int additionalBefore = registry_.AdditionalCount();
    lastFormatName_.clear();
    formats::ReadResult result;
    try {
        result = formats::ReadScanFile(fileName, main, registry_, prompts_, &format);
    } catch (...) {
        if (format != kUnknown) lastFormatName_ = formats::ScanFormatName(format);
        throw;
    }
    lastFormatName_ = result.FormatName;

    if (main) {
        registry_.PlotTitle =
            "XRD Plot: " + (result.PlotName.empty() ? registry_.MainScan().Name : result.PlotName);
    }
    registry_.LoadedFileName = FileNameWithoutFolder(fileName);
    registry_.LoadedFileFolder = FolderWithDelimiter(fileName);
    if (main) {
        caption_ = registry_.LoadedFileName + ": " +
                   (programTitle_.empty() ? std::string("Trevasc") : programTitle_);
        Notify([this](SessionObserver& o) { o.CaptionChanged(caption_); });
    }
    AddToFileHistory(fileName);
    RebuildAllProcessedCurves();

    const std::string peakFile = PeakListFileFor(fileName);
    std::error_code ec;
    if (std::filesystem::is_regular_file(peakFile, ec)) {
        if (main) {
            // Shown also when a bad line stops the read: the peaks before it are in the list.
            struct Reset {
                WorkbenchSession& session;
                ~Reset() {
                    session.Notify([](SessionObserver& o) { o.PeakListReset(); });
                }
            } reset{*this};
            formats::ReadPeakListFile(peakFile, registry_.MainScan(), true, registry_.PlotTitle);
        } else if (registry_.AdditionalCount() > additionalBefore) {
            std::string ignoredTitle;
            formats::ReadPeakListFile(peakFile,
                                      registry_.Additional(registry_.AdditionalCount() - 1), false,
                                      ignoredTitle);
        }
    }
}

void WorkbenchSession::OpenMainFile(const std::string& fileName) {
    registry_.MainScan().Peaks.Clear();
    highlightedRow_ = -1;
    SetAddMode(false);
    Notify([](SessionObserver& o) { o.PeakListReset(); });
    Notify([](SessionObserver& o) { o.HighlightChanged(-1); });
    viewXMin_ = viewXMax_ = 0.0;
    LoadScanFile(fileName, true);
    if (registry_.OpenScanKind == TScanKind::TwoThetaCommonOmega) SpanAllFiles();
    ComputeMainSlope();
    SetFindPeaksEnabled(registry_.MainScan().Count() >= 1);
    HandOver();
}

void WorkbenchSession::InsertFiles(const std::vector<std::string>& fileNames) {
    for (const std::string& name : fileNames) {
        const int before = registry_.AdditionalCount();
        LoadScanFile(name, false);
        // Slope of each scan this file added (an area measurement adds several).
        for (int k = before; k < registry_.AdditionalCount(); ++k)
            ComputeSlope(registry_.Additional(k));
    }
    if (registry_.OpenScanKind == TScanKind::TwoThetaCommonOmega) SpanAllFiles();
    SetFindPeaksEnabled(registry_.MainScan().Count() >= 1);
    HandOver();
}

void WorkbenchSession::SelectMainScan(int k) {
    if (k < 1 || k > registry_.AdditionalCount()) return;
    ProgressScope scope(progress_, "Selecting the main scan");
    registry_.SelectMain(k);
    highlightedRow_ = -1;
    SetAddMode(false);
    Notify([](SessionObserver& o) { o.PeakListReset(); });
    Notify([](SessionObserver& o) { o.HighlightChanged(-1); });
    SetFindPeaksEnabled(registry_.MainScan().Count() >= 1);
    HandOver();
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

void WorkbenchSession::SetFileHistory(const FileHistory& history) {
    history_ = history;
    Notify([](SessionObserver& o) { o.FileHistoryChanged(); });
}

void WorkbenchSession::AddToFileHistory(const std::string& fileName) {
    if (!fileName.empty()) {
        for (const std::string& entry : history_)
            if (EqualsIgnoringAsciiCase(entry, fileName)) return;
        std::move_backward(history_.begin(), history_.end() - 1, history_.end());
        history_[0] = fileName;
    }
    Notify([](SessionObserver& o) { o.FileHistoryChanged(); });
}

void WorkbenchSession::OpenHistoryItem(int slot) {
    if (slot < 0 || slot >= kHistorySize || history_[static_cast<size_t>(slot)].empty()) return;
    if (!ConfirmDiscardPeaks()) return;
    // Copy: opening the file changes the history.
    const std::string fileName = history_[static_cast<size_t>(slot)];
    OpenMainFile(fileName);
}

void WorkbenchSession::RebuildScanMenu() {
    scanMenu_ = ScanMenu{};
    const TDataSet& main = registry_.MainScan();
    if (main.Count() >= 2) {
        std::vector<ScanMenuEntry> entries;
        entries.push_back({main.Name, 0});
        for (int k = 1; k <= registry_.AdditionalCount(); ++k) {
            const TDataSet& scan = registry_.ScanAt(k);
            if (scan.Count() > 1) entries.push_back({scan.Name, k});
        }
        if (registry_.AdditionalCount() < 20)
            scanMenu_.MenuItems = std::move(entries);
        else
            scanMenu_.DialogItems = std::move(entries);
    }
    Notify([](SessionObserver& o) { o.ScanMenuChanged(); });
}

void WorkbenchSession::RebuildAllProcessedCurves() {
    if (buildProcessedCurves_) {
        ProgressScope scope(progress_, "Processing");
        if (kalpha2_.Enabled && kalpha2_.Doublet) {
            // The stripping works on the measured counts; smoothing and background removal
            // then run on the stripped curve.
            TDataSet& main = registry_.MainScan();
            const TRawPointArray stripped =
                tools::StripKalpha2(main.RawPoints, *kalpha2_.Doublet, kalpha2_.Ratio);
            analysis::RebuildProcessedCurve(main, processing_, analysis::kParallelPointsFrom,
                                            &stripped);
            for (int k = 0; k < registry_.AdditionalCount(); ++k)
                analysis::RebuildProcessedCurve(registry_.Additional(k), processing_);
        } else {
            analysis::RebuildAllProcessedCurves(registry_, processing_);
        }
    }
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
}

void WorkbenchSession::ComputeSlope(TDataSet& scan) {
    if (buildProcessedCurves_) analysis::ComputeSlopeAndCurvature(scan, processing_.SlopeCount);
}

void WorkbenchSession::ComputeMainSlope() {
    ComputeSlope(registry_.MainScan());
}

void WorkbenchSession::HandOver() {
    Notify([](SessionObserver& o) { o.PlotRefresh(); });
    ResetView();
    Notify([](SessionObserver& o) { o.PlotWindowUpdate(); });
    Notify([](SessionObserver& o) { o.TwoAxisRefresh(); });
    Notify([](SessionObserver& o) { o.LegendRefresh(); });
    RebuildScanMenu();
}

void WorkbenchSession::SetFindPeaksEnabled(bool enabled) {
    findPeaksEnabled_ = enabled;
    Notify([enabled](SessionObserver& o) { o.FindPeaksEnabledChanged(enabled); });
}

void WorkbenchSession::SpanAllFiles() {
    // The hand-over that follows shows the full range of every file.
    display_.SpanAllFiles = true;
    viewXMin_ = viewXMax_ = 0.0;
    Notify([](SessionObserver& o) { o.DisplaySettingsChanged(); });
}

}  // namespace trevasc
