#pragma once
// Film thickness from the interference fringes of a reflectivity scan (or the thickness fringes
// beside a Bragg peak): each fringe gets an order number, order x Bragg spacing estimates the
// thickness, and the mean and sample standard deviation summarise them. Numeric fields are held
// as their texts, because a calculation reads the displayed, rounded value.
#include <cstdint>
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

class FilmThicknessCalculation {
  public:
    static constexpr int kMinIndex = 1;
    static constexpr int kMaxIndex = 1000;

    explicit FilmThicknessCalculation(char decimalSeparator = '.') : separator_(decimalSeparator) {}

    static TFloatEditValue ThicknessField() { return TFloatEditValue(0.0, 10000.0, 10); }
    static TFloatEditValue MeanField() { return TFloatEditValue(0.0, 10000.0, 5); }
    static TFloatEditValue DeviationField() { return TFloatEditValue(0.0, 1000.0, 5); }

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
    // The first index changed: stored (clamped to 1..1000), orders and thicknesses rebuilt from
    // the spacings of the last calculation.
    void SetFirstIndex(int index);
    void SetHalfOrders(bool on) { half_ = on; }
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
};

}  // namespace trevasc::tools
