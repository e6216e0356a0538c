#pragma once
// Line broadening: the instrument function FWHM² = U·tan²θ + V·tanθ + W, the sample's
// broadening β, Scherrer sizes and the Williamson-Hall size and strain, and the single-peak fits
// that feed them.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/profile/ProfileFit.h"

namespace trevasc::tools {

// Caglioti, Paoletti & Ricci, Nucl. Instrum. 3 (1958) 223: FWHM in degrees of 2θ.
struct InstrumentFunction {
    double U = 0.0, V = 0.0, W = 0.0;
    // U·tan²θ + V·tanθ + W at a peak position in degrees.
    double FwhmSquared(double twoTheta) const;
    // The square root of FwhmSquared, 0 where that is negative.
    double Fwhm(double twoTheta) const;
};

// Least squares in U, V, W over fitted FWHMs (degrees); none for fewer than 3 peaks or when
// the positions do not determine the three values.
std::optional<InstrumentFunction> FitInstrumentFunction(std::span<const double> twoTheta,
                                                        std::span<const double> fwhm);

// Section and keys of the main INI file that keep the instrument function.
inline constexpr const char* kInstrumentSection = "PROFILE";
// The stored values, none when a key is missing or not a number.
std::optional<InstrumentFunction> ReadInstrumentFunction(const std::string& mainIniPath);
void WriteInstrumentFunction(const std::string& mainIniPath, const InstrumentFunction& f);

enum class BroadeningCorrection { Quadratic, Linear };
std::optional<BroadeningCorrection> ParseBroadeningCorrection(std::string_view name);

inline constexpr double kDefaultScherrerK = 0.9;

// β in radians of 2θ: sqrt(FWHM² - FWHMinstr²) (quadratic) or FWHM - FWHMinstr (linear), both in
// degrees; none when β <= 0 (not broadened).
std::optional<double> SampleBroadening(double fwhm, double fwhmInstrument,
                                       BroadeningCorrection correction);
// Scherrer size K·λ/(β·cosθ) in nm (λ in Å).
double ScherrerSize(double beta, double twoTheta, double wavelength, double k);

struct WilliamsonHallResult {
    double Size = 0.0, SizeError = 0.0;  // nm
    double Strain = 0.0, StrainError = 0.0;
};
// The least-squares line of β·cosθ against 4·sinθ: size K·λ/intercept, strain the slope. None
// for fewer than three peaks, equal positions or an intercept <= 0.
std::optional<WilliamsonHallResult> WilliamsonHall(std::span<const double> twoTheta,
                                                   std::span<const double> beta, double wavelength,
                                                   double k);

// One peak fitted alone over the automatic edges of the peak fit around its position.
struct SinglePeakFit {
    double Position = 0.0;  // as listed
    ProfileFitResult Fit;
};
// Fits every listed peak alone; the points' positions ascend. A centre that ends beyond halfway
// to a neighbouring listed peak fails (the automatic fits' rule). A cancelled fit stops the list.
std::vector<SinglePeakFit> FitSinglePeaks(std::span<const double> position,
                                          std::span<const double> intensity,
                                          const std::vector<double>& peakPositions,
                                          const ProfileFitOptions& options,
                                          const ProfileProgressCallback& progress = {});

// One row of the size analysis.
struct SizePeak {
    double Center = 0.0, Fwhm = 0.0, FwhmInstrument = 0.0;
    std::optional<double> Beta;  // radians; none: not broadened
    std::optional<double> Size;  // nm
};
struct SizeAnalysis {
    std::vector<SizePeak> Peaks;
    std::optional<WilliamsonHallResult> WilliamsonHall;
};
// Scherrer per peak and Williamson-Hall over the broadened ones, from fitted centres and FWHMs.
SizeAnalysis AnalyseSize(std::span<const double> center, std::span<const double> fwhm,
                         const InstrumentFunction& instrument, BroadeningCorrection correction,
                         double wavelength, double k);

}  // namespace trevasc::tools
