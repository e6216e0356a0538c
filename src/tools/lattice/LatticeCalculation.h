#pragma once
// The lattice constant of a single-domain epitaxial film from its peaks: Bragg spacings, integer
// multiples of a base direction, the mean with its standard error, the Nelson-Riley extrapolation
// and the automatic search of the expected lattice constant. The window shows the lists and the
// field texts held here; every numeric field is held as its text, because a calculation reads the
// displayed, rounded value.
//
// A command works on a copy and takes it over only when it ran through, so a failed command
// (bad direction, a peak at 0°, a wavelength of 0) leaves the lists and results as they were.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/FloatEditValue.h"
#include "plot/PlotTypes.h"

namespace trevasc::tools {

inline constexpr const char* kDirectionSyntaxMessage =
    "Syntax of selected direction (h,k,l) is incorrect.";
inline constexpr const char* kDirectionZeroMessage = "Error: hkl=000 is not possible.";
inline constexpr const char* kAutoScanNoCandidateMessage =
    "No trial lattice constant gives every peak a multiple of at least 1.";
// Lattice constant row of a peak whose spacing exceeds twice the expected value (multiple 0).
inline constexpr const char* kNoLatticeConstantRow = "-";
inline constexpr const char* kNelsonRileyXTitle =
    "Nelson-Riley cos²(theta)/sin(theta)+cos²(theta)/theta";
inline constexpr const char* kNelsonRileyYTitle = "Lattice constant [Å]";
// The auto scan refuses ranges that would take longer than a few seconds.
inline constexpr int64_t kMaxAutoScanCandidates = 10'000'000;

struct THklDirection {
    int32_t H = 1, K = 0, L = 0;
};

// Parses "h,k,l" (blanks around the numbers allowed). Throws TrevascError with the syntax
// message, the integer conversion message or the hkl=000 message.
THklDirection ParseDirection(const std::string& text);
// "h,k,l" without blanks.
std::string DirectionText(const THklDirection& direction);

struct TLinearFit {
    double Slope = 0.0;
    double Intercept = 0.0;
    double Error = 0.0;  // statistical error of the intercept; 0 for fewer than three points
};
// Least-squares line through the points with the error of the intercept from error propagation
// of the regression. Throws TrevascError when the line is undefined (fewer than two points or
// all x equal).
TLinearFit LinearFit(const std::vector<double>& x, const std::vector<double>& y);

// Cuts a plot title at the last " (d=" (if any) and appends the suffix.
std::string ReplaceTitleSuffix(const std::string& title, const std::string& suffix);

// What a command sends to the other windows. The caller applies it to the session.
struct TLatticeEffects {
    enum class NelsonRiley { Unchanged, Hide, HideAndMarkOld, Show };
    NelsonRiley NelsonRileyWindow = NelsonRiley::Unchanged;
    plot::TPlotXYDataset NelsonRileyData;  // with Show
    // Peak identifiers for SetPeakDescriptionsByPosition ("Add peak IDs").
    std::vector<double> IdPositions;
    std::vector<std::string> IdTexts;
    bool HasTitleSuffix = false;
    std::string TitleSuffix;  // " (d=3.905Å)"
    int64_t AutoScanCandidates = 0;
    bool Cancelled = false;  // an auto scan was cancelled; nothing changed
};

// Reports a long loop's progress (done of total); false asks to cancel.
using LoopProgress = std::function<bool(int64_t done, int64_t total)>;

class LatticeCalculation {
  public:
    explicit LatticeCalculation(char decimalSeparator = '.') : separator_(decimalSeparator) {}

    static TFloatEditValue ExpectedField() { return TFloatEditValue(0.0, 10000.0, 10); }
    static TFloatEditValue MeanField() { return TFloatEditValue(0.0, 10000.0, 5); }
    static TFloatEditValue ErrorField() { return TFloatEditValue(0.0, 1000.0, 5); }
    static TFloatEditValue NelsonRileyField() { return TFloatEditValue(0.0, 1000.0, 5); }
    static TFloatEditValue AutoStartField() { return TFloatEditValue(0.0, 10000.0, 10); }
    static TFloatEditValue AutoStepField() { return TFloatEditValue(0.0, 100.0, 10); }

    // "Lattice data calculation" of the peak list: new peak rows (fixed, 3 decimals), every manual
    // multiplier back to automatic, the old-data mark off. The result lists stay.
    void ReceivePeaks(std::vector<std::string> peakRows, std::string sourceName);
    void MarkOld() { oldData_ = true; }
    bool OldData() const { return oldData_; }
    const std::string& SourceName() const { return sourceName_; }

    // "Delete selected": removes the row from each of the four lists that has it.
    void DeleteRow(int row);

    // Field texts as the window shows them; the window writes the user's edits here.
    std::string ExpectedText = "4";
    std::string DirectionFieldText = "1,0,0";
    bool AddPeakIds = false;
    double ExpectedValue() const { return ExpectedField().ValueOf(ExpectedText); }

    // "Calculate lattice data" and "Nelson-Riley plot" at the wavelength in Angstrom.
    TLatticeEffects CalculateLatticeData(double wavelength);
    TLatticeEffects NelsonRileyPlot(double wavelength);
    // "Auto": tries start, start + step, ... (accumulated) while below end and takes the expected
    // value with the smallest standard error (the first of equal errors). A trial value that
    // gives any peak the multiple 0 is no candidate. Throws TrevascError for a step <= 0, a range
    // of more than kMaxAutoScanCandidates candidates, or kAutoScanNoCandidateMessage when no trial
    // value qualifies; then, as after a cancel (progress returning false), nothing changes.
    TLatticeEffects AutoScanLattice(double wavelength, double start, double end, double step,
                                    const LoopProgress& progress = {});
    // "Assign manually": multiplier of a row (0 = automatic), then "Calculate lattice data".
    TLatticeEffects AssignManualMultiplier(int row, int32_t multiplier, double wavelength);
    int32_t ManualMultiplier(int row) const;
    // Rows with a multiplier set by hand are shown in italics.
    bool IsManualRow(int row) const { return ManualMultiplier(row) != 0; }
    // "Adjust peaks": the stored fit, then cleared (a second use does nothing).
    std::pair<double, double> TakeStoredFit();  // (intercept, slope)
    double FitSlope() const { return fitSlope_; }
    double FitIntercept() const { return fitIntercept_; }

    // The four lists.
    const std::vector<std::string>& PeakRows() const { return peakRows_; }
    const std::vector<std::string>& SpacingRows() const { return spacingRows_; }
    const std::vector<std::string>& HklRows() const { return hklRows_; }
    const std::vector<std::string>& LatticeRows() const { return latticeRows_; }
    // The arrays of the last calculation (unrounded).
    const std::vector<double>& Spacings() const { return spacings_; }
    const std::vector<double>& LatticeConstants() const { return latticeConstants_; }
    const std::vector<int32_t>& Multipliers() const { return multipliers_; }
    const THklDirection& Direction() const { return direction_; }
    // Result fields: texts as shown, and the unrounded values behind them.
    const std::string& MeanText() const { return meanText_; }
    const std::string& ErrorText() const { return errorText_; }
    const std::string& NelsonRileyText() const { return nelsonRileyText_; }
    const std::string& NelsonRileyErrorText() const { return nelsonRileyErrorText_; }
    double Mean() const { return mean_; }
    double Error() const { return error_; }
    double NelsonRiley() const { return nelsonRiley_; }
    double NelsonRileyError() const { return nelsonRileyError_; }

  private:
    void ComputeSpacings(double wavelength);
    void AssignMultipliers();
    void MeanAndError();
    void NelsonRileyFit(bool showPlot, TLatticeEffects& effects);
    void PeakIdentifiers(TLatticeEffects& effects);
    // Rows with a multiple other than 0: the ones that enter the mean and the fit.
    int UsedCount() const;
    std::string TitleSuffix(double value) const;
    void Prepare(double wavelength);

    char separator_;
    std::vector<std::string> peakRows_, spacingRows_, hklRows_, latticeRows_;
    std::string sourceName_;
    THklDirection direction_;
    int count_ = 0;
    std::vector<double> spacings_, latticeConstants_;
    std::vector<int32_t> multipliers_;
    std::vector<int32_t> manualMultipliers_;
    double fitSlope_ = 0.0, fitIntercept_ = 0.0;
    bool oldData_ = false;
    std::string meanText_ = "0", errorText_ = "0", nelsonRileyText_ = "0",
                nelsonRileyErrorText_ = "0";
    double mean_ = 0.0, error_ = 0.0, nelsonRiley_ = 0.0, nelsonRileyError_ = 0.0;
};

}  // namespace trevasc::tools
