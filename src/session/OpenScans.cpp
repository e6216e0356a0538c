#include "session/OpenScans.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "base/MessageText.h"
#include "base/PathText.h"
#include "base/SameFile.h"
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

// Only a list that holds peaks can lose something: an emptied list, or a search that found
// nothing, leaves nothing to save however the flag stands.
bool HasPeaksToSave(const TPeakSet& peaks) {
    return peaks.Unsaved && peaks.Count() > 0;
}
}  // namespace

OpenScans::OpenScans(Prompts& prompts, const SessionProgress& progress, bool buildProcessedCurves)
    : prompts_(prompts), progress_(progress), buildProcessedCurves_(buildProcessedCurves) {}

std::string OpenScans::ReadingCaption(const std::string& fileName) {
    return "Reading " + FileNameWithoutFolder(fileName);
}

void OpenScans::Read(const std::string& fileName, bool main) {
    const std::string caption = ReadingCaption(fileName);
    // xylib reads in a child process; while the window waits for it, the progress dialog keeps
    // it painted and its Cancel stops the child. The steps count tenths of a second against the
    // child's time limit.
    const formats::XylibWaitWatch watch([&](double seconds, double limit) {
        return progress_.Report(caption, static_cast<int>(seconds * 10),
                                static_cast<int>(limit * 10));
    });
    if (main) registry_.ClearAdditionalScans();

    // The format is known once the first line was read, also when the reader fails later.
    constexpr auto kUnknown = static_cast<formats::TScanFormat>(-1);
    formats::TScanFormat format = kUnknown;
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
        observers_.Notify([this](OpenScansObserver& o) { o.CaptionChanged(caption_); });
    }
    AddToFileHistory(fileName);
}

void OpenScans::RebuildProcessedCurves(const analysis::ProcessingSettings& processing,
                                       const Kalpha2Settings& kalpha2) {
    if (!buildProcessedCurves_) return;
    ProgressScope scope(progress_, "Processing");
    if (!kalpha2.Active()) {
        analysis::RebuildAllProcessedCurves(registry_, processing);
        return;
    }
    TDataSet& main = registry_.MainScan();
    const TRawPointArray stripped =
        tools::StripKalpha2(main.RawPoints, *kalpha2.Doublet, kalpha2.Ratio);
    analysis::RebuildProcessedCurve(main, processing, analysis::kParallelPointsFrom, &stripped);
    for (int k = 0; k < registry_.AdditionalCount(); ++k)
        analysis::RebuildProcessedCurve(registry_.Additional(k), processing);
}

void OpenScans::ComputeSlope(TDataSet& scan, int slopeCount) {
    if (buildProcessedCurves_) analysis::ComputeSlope(scan, slopeCount);
}

void OpenScans::SetProgramTitle(const std::string& title) {
    programTitle_ = title;
    caption_ = title;
    observers_.Notify([this](OpenScansObserver& o) { o.CaptionChanged(caption_); });
}

void OpenScans::SetFileHistory(const FileHistory& history) {
    history_ = history;
    observers_.Notify([](OpenScansObserver& o) { o.FileHistoryChanged(); });
}

void OpenScans::AddToFileHistory(const std::string& fileName) {
    if (!fileName.empty()) {
        for (const std::string& entry : history_)
            if (EqualsIgnoringAsciiCase(entry, fileName)) return;
        std::move_backward(history_.begin(), history_.end() - 1, history_.end());
        history_[0] = fileName;
    }
    observers_.Notify([](OpenScansObserver& o) { o.FileHistoryChanged(); });
}

void OpenScans::RebuildScanMenu() {
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
    observers_.Notify([](OpenScansObserver& o) { o.ScanMenuChanged(); });
}

bool OpenScans::ConfirmPeaks(const std::string& mainQuestion, const std::string& additionalTail) {
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

bool OpenScans::ConfirmDiscardPeaks() {
    return ConfirmPeaks(std::string(kMainPeaksPrefix) + kOpenQuestionTail, kOpenQuestionTail);
}

bool OpenScans::ConfirmClose() {
    return ConfirmPeaks(std::string(kMainPeaksPrefix) + kExitQuestionTail, kExitQuestionTail);
}

bool OpenScans::MayWriteExport(const std::string& fileName) {
    if (registry_.LoadedFileName.empty()) return true;
    const std::string scanFile = registry_.LoadedFileFolder + registry_.LoadedFileName;
    if (!IsSameFile(fileName, scanFile)) return true;
    return prompts_.Confirm(QuoteForMessage(fileName, kWholeText) +
                            " is the open scan file. Replace the measurement with the export?");
}

}  // namespace trevasc
