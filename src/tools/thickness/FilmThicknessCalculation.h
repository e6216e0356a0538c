#pragma once
// Film thickness from the interference fringes of a reflectivity scan (or the thickness fringes
// beside a Bragg peak): each fringe gets an order number, order x Bragg spacing estimates the
// thickness, and the mean and sample standard deviation summarise them. Numeric fields are held
// as their texts, because a calculation reads the displayed, rounded value.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/FloatEditValue.h"

namespace trevasc::tools {

// What "Calculate thickness data" sends to the other windows.
struct TThicknessEffects {
    bool Calculated = false;
    std::vector<double> IdPositions;  // "Add peak IDs"
    std::vector<std::string> IdTexts;
    std::string TitleSuffix;      // " (d=20.00±0.00nm)"
    double LatticeSpacing = 0.0;  // mean x 10, Angstrom, for "Additional reflections"
};

// Fringes above the critical angle follow Bragg's law corrected for refraction in the film,
// sin²θ = sin²θc + (m λ / 2t)² (Kiessig's relation, e.g. Als-Nielsen & McMorrow, Elements of
// Modern X-ray Physics, ch. 3): the least-squares line of sin²θᵢ against mᵢ² has the slope
// (λ / 2t)² and the intercept sin²θc. Order × spacing ignores θc, which matters most for the
// first fringes and for dense films.
struct TRefractionFit {
    double Thickness = 0.0;         // nm
    double TwoThetaCritical = 0.0;  // degrees; 0 when the intercept is not above 0
    double FirstOrder = 0.0;        // order of the first listed fringe
    double Residual = 0.0;          // sum of the squared residuals of sin²θ
};

inline constexpr int kMinRefractionFringes = 3;
inline constexpr const char* kFitOrdersMessage =
    "Fitting the orders needs at least three fringes whose angles rise with the order.";

// The line for the fringes (2Theta rows, degrees) at the orders firstOrder, firstOrder + 1, ...
// at the wavelength in Angstrom. Nothing below three fringes, for a wavelength that is not above
// 0, or when sin²θ does not rise with the order.
std::optional<TRefractionFit> FitRefraction(const std::vector<std::string>& peakRows,
                                            double firstOrder, double wavelength);
// The first order of 0.5, 1, 1.5 ... 100 whose line leaves the smallest residual sum (the first
// of equal ones), with that line. Wrong orders bend the line: (m + k)² is not linear in m².
std::optional<TRefractionFit> FitFringeOrders(const std::vector<std::string>& peakRows,
                                              double wavelength);

class FilmThicknessCalculation {
  public:
    static constexpr int kMinIndex = 1;
    static constexpr int kMaxIndex = 1000;

    explicit FilmThicknessCalculation(char decimalSeparator = '.') : separator_(decimalSeparator) {}

    static TFloatEditValue ThicknessField() { return TFloatEditValue(0.0, 10000.0, 10); }
    static TFloatEditValue MeanField() { return TFloatEditValue(0.0, 10000.0, 5); }
    static TFloatEditValue DeviationField() { return TFloatEditValue(0.0, 1000.0, 5); }
    static TFloatEditValue RefractionField() { return TFloatEditValue(0.0, 10000.0, 5); }
    static TFloatEditValue CriticalAngleField() { return TFloatEditValue(0.0, 180.0, 5); }
    // What the two refraction fields show below three fringes.
    static constexpr const char* kNoRefractionText = "-";

    // "Thickness calculation" of the peak list: new peak rows, old-data mark off. The result
    // lists stay until the next calculation.
    void ReceivePeaks(std::vector<std::string> peakRows);
    void MarkOld() { oldData_ = true; }
    bool OldData() const { return oldData_; }

    // The estimate from the outer fringes (on opening and after "Delete selected"); sets the
    // thickness field and the first index. Throws TrevascError when the estimate is undefined
    // (equal outer fringes, a wavelength of 0); the fields then stay as they were.
    void Estimate(double wavelength);
    // "Delete selected": removes the row from each list that has it, then estimates again.
    void DeleteRow(int row, double wavelength);  // the row's spacing goes too
    // The user edited the thickness field: the first index follows (with at least one peak).
    void ThicknessEdited(const std::string& text, double wavelength);
    // The first index changed: stored (clamped to 1..1000, or 0..1000 with "+½" for order ½),
    // orders and thicknesses rebuilt from the spacings of the last calculation.
    void SetFirstIndex(int index);
    // "+½"; switching it off moves a first index of 0 to 1.
    void SetHalfOrders(bool on);
    int MinFirstIndex() const { return half_ ? 0 : kMinIndex; }
    // "Fit orders": the first index and "+½" of FitFringeOrders. Throws TrevascError below three
    // fringes (kFitOrdersMessage) or for a wavelength of 0; nothing changes then.
    void FitOrders(double wavelength);
    bool HalfOrders() const { return half_; }
    bool AddPeakIds = false;

    // "Calculate thickness data" at the wavelength in Angstrom; nothing without peaks. Throws
    // TrevascError for a peak at 0° or a wavelength of 0 (lists and results unchanged).
    TThicknessEffects Calculate(double wavelength);

    const std::string& ThicknessText() const { return thicknessText_; }
    double ThicknessValue() const { return ThicknessField().ValueOf(thicknessText_); }
    int FirstIndex() const { return firstIndex_; }
    const std::vector<std::string>& PeakRows() const { return peakRows_; }
    const std::vector<std::string>& SpacingRows() const { return spacingRows_; }
    const std::vector<std::string>& OrderRows() const { return orderRows_; }
    const std::vector<std::string>& ThicknessRows() const { return thicknessRows_; }
    const std::vector<double>& Spacings() const { return spacings_; }
    const std::vector<double>& Orders() const { return orders_; }
    const std::vector<double>& Thicknesses() const { return thicknesses_; }
    const std::string& MeanText() const { return meanText_; }
    const std::string& DeviationText() const { return deviationText_; }
    double Mean() const { return mean_; }
    double StandardDeviation() const { return deviation_; }
    // The refraction line of the last calculation (its listed orders); none below three fringes.
    const std::optional<TRefractionFit>& Refraction() const { return refraction_; }
    const std::string& RefractionText() const { return refractionText_; }
    const std::string& CriticalAngleText() const { return criticalText_; }

  private:
    void RebuildOrders();
    int IndexFor(double thicknessNm, double wavelength) const;

    char separator_;
    std::vector<std::string> peakRows_, spacingRows_, orderRows_, thicknessRows_;
    std::vector<double> spacings_, orders_, thicknesses_;
    std::string thicknessText_ = "4";
    int firstIndex_ = 1;
    bool half_ = false;
    bool oldData_ = false;
    std::string meanText_ = "0", deviationText_ = "0";
    double mean_ = 0.0, deviation_ = 0.0;
    std::optional<TRefractionFit> refraction_;
    std::string refractionText_ = kNoRefractionText, criticalText_ = kNoRefractionText;
};

}  // namespace trevasc::tools
