#pragma once
// Least-squares fit of several overlapping peaks on a straight background over one range of a
// scan: Gauss, Lorentz, pseudo-Voigt or Pearson VII profiles, optionally as Kα1/Kα2 doublets,
// with the standard errors of every reported value. No window: the profile window and the batch
// tool run this code.
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plot/PlotTypes.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc::tools {

enum class ProfileShape { Gauss, Lorentz, PseudoVoigt, PearsonVII };

// "gauss", "lorentz", "pseudo-voigt", "pearson7" (the batch tool's spellings) and back.
std::optional<ProfileShape> ParseProfileShape(std::string_view name);
const char* ProfileShapeName(ProfileShape shape);
// True for the shapes with a third parameter (η of pseudo-Voigt, m of Pearson VII).
bool HasShapeParameter(ProfileShape shape);

// Bounds of the shape parameters.
inline constexpr double kMinPearsonM = 0.6;
inline constexpr double kMaxPearsonM = 50.0;

// One profile above the background at x: height H, centre c and FWHM w in degrees, u = (x-c)/w;
// Gauss H·exp(-4 ln2 u²), Lorentz H/(1+4u²), pseudo-Voigt H·[η/(1+4u²) + (1-η)·exp(-4 ln2 u²)],
// Pearson VII H/(1 + 4(2^(1/m)-1)u²)^m. shapeParameter is η or m (ignored otherwise).
double LineProfileValue(ProfileShape shape, double height, double center, double fwhm,
                        double shapeParameter, double x);

// The integral of LineProfileValue over all x (closed forms).
double ProfileArea(ProfileShape shape, double height, double fwhm, double shapeParameter);

struct ProfileFitOptions {
    ProfileShape Shape = ProfileShape::PseudoVoigt;
    // Each peak also contributes Kalpha2Ratio × its profile at the Kα2 angle of its centre.
    bool Doublets = false;
    KalphaDoublet Doublet;  // needed with Doublets
    double Kalpha2Ratio = kDefaultKalpha2Ratio;
    // Evaluations of the model before the fit gives up.
    int MaxEvaluations = 4000;
};

// A fitted peak. With doublets, every value belongs to the Kα1 component.
struct ProfilePeak {
    double Center = 0.0, CenterError = 0.0;
    double Fwhm = 0.0, FwhmError = 0.0;
    double Height = 0.0, HeightError = 0.0;
    double Area = 0.0, AreaError = 0.0;
    double ShapeParameter = 0.0, ShapeParameterError = 0.0;  // η or m; 0 for Gauss and Lorentz
};

// The parameters of a model: background b0 + b1·(x - MeanPosition) and the peaks.
struct ProfileModel {
    ProfileShape Shape = ProfileShape::PseudoVoigt;
    bool Doublets = false;
    KalphaDoublet Doublet;
    double Kalpha2Ratio = kDefaultKalpha2Ratio;
    double MeanPosition = 0.0;
    double Background0 = 0.0, Background1 = 0.0;
    std::vector<ProfilePeak> Peaks;  // Center, Fwhm, Height, ShapeParameter used

    // The model's value at x (background plus every peak and its Kα2 partner).
    double Value(double x) const;
};

struct ProfileFitResult {
    bool Fitted = false;
    bool Cancelled = false;
    std::string Error;  // why no fit was possible
    ProfileModel Model;
    double Background0Error = 0.0, Background1Error = 0.0;
    double Chi2Red = 0.0;  // S / (N - P), S the weighted sum of squares
    double Rwp = 0.0;      // sqrt(S / Σ w y²)
    int Points = 0;        // N, the points inside [from, to]
    int Evaluations = 0;
};

// Called after each evaluation of the model with their count; false cancels the fit.
using ProfileProgressCallback = std::function<bool(int evaluations)>;

// Fits the points with from <= x <= to (positions ascending) with one peak started at each of
// peakPositions. Weights 1/max(y, 1); Levenberg-Marquardt (MINPACK lmder) with an analytic
// Jacobian; errors sqrt(diag((JᵀWJ)⁻¹)·χ²red). A peak whose centre leaves [from, to] or whose
// FWHM grows beyond the range's width fails the fit.
ProfileFitResult FitLineProfiles(std::span<const double> position,
                                 std::span<const double> intensity, double from, double to,
                                 const std::vector<double>& peakPositions,
                                 const ProfileFitOptions& options,
                                 const ProfileProgressCallback& progress = {});

// The profile chart: the points of [from, to] as main curve (titles "Counts", "TwoTheta",
// "Profile Fit"), and when fitted the model (red), its background (blue) and each peak above the
// background (green, with its Kα2 partner) as overlays on the same points.
plot::TPlotDataset BuildProfilePlotDataset(std::span<const double> position,
                                           std::span<const double> intensity, double from,
                                           double to, const ProfileFitResult& fit, bool logY);

}  // namespace trevasc::tools
