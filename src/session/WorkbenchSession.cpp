#include "session/WorkbenchSession.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>

#include "base/Error.h"
#include "base/PathText.h"
#include "formats/PeakListFile.h"
#include "formats/ScanFileReader.h"

namespace trevasc {

namespace {
constexpr const char* kOpenQuestionTail =
    "has not been saved so far. Are you sure you want to open a new XRD file?";
constexpr const char* kExitQuestionTail =
    "has not been saved so far. Are you sure you want to exit?";
constexpr const char* kMainPeaksPrefix = "The collected peak data of the main plot ";
constexpr const char* kAdditionalPeaksPrefix = "The collected peak data of the additional plot";

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}
}  // namespace

WorkbenchSession::WorkbenchSession(Prompts& prompts, bool buildProcessedCurves)
    : prompts_(prompts), buildProcessedCurves_(buildProcessedCurves) {}

void WorkbenchSession::SetProcessing(const analysis::ProcessingSettings& settings) {
    const analysis::ProcessingSettings old = processing_;
    processing_ = settings;
    const bool curvesChanged = old.NoiseSuppression != settings.NoiseSuppression ||
                               old.SmoothWidth != settings.SmoothWidth ||
                               old.RemoveBackground != settings.RemoveBackground ||
                               old.BackgroundWidth != settings.BackgroundWidth;
    if (curvesChanged && registry_.MainScan().Count() > 0) RebuildAllProcessedCurves();
}

void WorkbenchSession::SetProgramTitle(const std::string& title) {
    programTitle_ = title;
    caption_ = title;
    observer_->CaptionChanged(caption_);
}

bool WorkbenchSession::ConfirmPeaks(const std::string& mainQuestion,
                                    const std::string& additionalTail) {
    if (registry_.MainScan().Peaks.Unsaved && !prompts_.Confirm(mainQuestion)) return false;
    for (int k = 1; k <= registry_.AdditionalCount(); ++k) {
        const TDataSet& scan = registry_.ScanAt(k);
        if (!scan.Peaks.Unsaved) continue;
        std::string text =
            std::string(kAdditionalPeaksPrefix) + " \"" + scan.Name + "\" " + additionalTail;
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
    if (main) registry_.ClearAdditionalScans();
    // Every file read starts the reciprocal space map offsets afresh.
    RsmOmegaOffset = 0.0;
    RsmTwoThetaOffset = 0.0;

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
    lastFormatName_ = formats::ScanFormatName(format);

    if (main) {
        registry_.PlotTitle =
            "XRD Plot: " + (result.PlotName.empty() ? registry_.MainScan().Name : result.PlotName);
    }
    registry_.LoadedFileName = FileNameWithoutFolder(fileName);
    registry_.LoadedFileFolder = FolderWithDelimiter(fileName);
    if (main) {
        caption_ = registry_.LoadedFileName + ": " +
                   (programTitle_.empty() ? std::string("Trevasc") : programTitle_);
        observer_->CaptionChanged(caption_);
    }
    AddToFileHistory(fileName);
    RebuildAllProcessedCurves();

    const std::string peakFile = PeakListFileFor(fileName);
    std::error_code ec;
    if (std::filesystem::is_regular_file(peakFile, ec)) {
        if (main) {
            formats::ReadPeakListFile(peakFile, registry_.MainScan(), true, registry_.PlotTitle);
            observer_->PeakListReset();
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
    observer_->PeakListReset();
    LoadScanFile(fileName, true);
    if (registry_.OpenScanKind == TScanKind::TwoThetaCommonOmega) observer_->SpanAllFilesChecked();
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
    if (registry_.OpenScanKind == TScanKind::TwoThetaCommonOmega) observer_->SpanAllFilesChecked();
    SetFindPeaksEnabled(registry_.MainScan().Count() >= 1);
    HandOver();
}

void WorkbenchSession::SelectMainScan(int k) {
    if (k < 1 || k > registry_.AdditionalCount()) return;
    registry_.SelectMain(k);
    observer_->PeakListReset();
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
    observer_->FileHistoryChanged();
}

void WorkbenchSession::AddToFileHistory(const std::string& fileName) {
    if (!fileName.empty()) {
        for (const std::string& entry : history_)
            if (EqualIgnoringCase(entry, fileName)) return;
        std::move_backward(history_.begin(), history_.end() - 1, history_.end());
        history_[0] = fileName;
    }
    observer_->FileHistoryChanged();
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
    observer_->ScanMenuChanged();
}

void WorkbenchSession::RebuildAllProcessedCurves() {
    if (buildProcessedCurves_) analysis::RebuildAllProcessedCurves(registry_, processing_);
    observer_->PlotRefresh();
}

void WorkbenchSession::ComputeSlope(TDataSet& scan) {
    if (buildProcessedCurves_) analysis::ComputeSlopeAndCurvature(scan, processing_.SlopeCount);
}

void WorkbenchSession::ComputeMainSlope() {
    ComputeSlope(registry_.MainScan());
}

void WorkbenchSession::HandOver() {
    observer_->PlotRefresh();
    observer_->PlotWindowUpdate();
    observer_->TwoAxisRefresh();
    observer_->LegendRefresh();
    RebuildScanMenu();
}

void WorkbenchSession::SetFindPeaksEnabled(bool enabled) {
    findPeaksEnabled_ = enabled;
    observer_->FindPeaksEnabledChanged(enabled);
}

}  // namespace trevasc
