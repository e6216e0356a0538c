#pragma once
// Two-axis maps and reciprocal space maps from the open scans, the mouse readout of the map
// window, the click that starts the offsets calculation, the offsets calculator and the map as
// text. No window: the map window, the offsets dialog and the batch tool run the same code.
#include <cstdint>
#include <optional>
#include <string>

#include "core/DiffractionGeometry.h"
#include "core/ScanData.h"
#include "plot/PlotTypes.h"
#include "plot/TwoDPlot.h"

namespace trevasc::tools {

inline constexpr const char* kNotOmegaSeriesMessage =
    "Reciprocal Space Mapping is only possible with a series of 2Theta-Omega scans with varying "
    "Omega";
inline constexpr const char* kNoOffsetsWarning =
    "Warning: No Delta Omega and Delta Theta set! Precision of Reciprocal Space Map will be "
    "questionable without Omega offset set! Continue anyway?";
inline constexpr const char* kNoReciprocalPlotMessage =
    "No reciprocal space mapping plot displayed!";
inline constexpr const char* kZeroLatticeMessage = "Lattice parameters a,b,c must not be zero!";
inline constexpr const char* kZeroHklMessage = "hkl must not be 000!";
// The runtime's text for an arcsine outside its domain (a reflex beyond the limiting sphere).
inline constexpr const char* kInvalidFloatOperationMessage = "Ungültige Gleitkommaoperation";
// A map of scans that name no second axis has no points: the map window and the batch tool
// give this reason instead of an empty picture.
inline constexpr const char* kNoSecondAxisMessage =
    "The scans have no second axis (such as Omega): there is no map to draw.";
// Maps are built from 2Theta scans only; the map window hides itself for any other kind.
inline constexpr const char* kNotMapScanKindMessage =
    "Two-axis maps and reciprocal space maps need a series of 2Theta scans.";

enum class MapMode : int { TwoAxis = 0, Reciprocal = 1 };

struct MapRequest {
    MapMode Mode = MapMode::TwoAxis;
    double OmegaOffset = 0.0;     // degrees, added to every Omega of the reciprocal map
    double TwoThetaOffset = 0.0;  // degrees, added to every 2Theta of the reciprocal map
    bool FlipKParallel = false;
    double Wavelength = 1.54056;  // Angstrom
};

struct MapBuild {
    bool Built = false;
    std::string Message;  // why not, when a message is due (empty: silently nothing)
    plot::T2dPlotDataset Dataset;
    bool ClickOpensOffsets = false;  // the measured map: a click opens the offsets dialog
    bool ReciprocalReadout = false;  // the readout adds the reciprocal parts
};

// True for the scan kinds that form a map (TwoTheta, TwoThetaCommonOmega).
bool IsMapScanKind(TScanKind kind);
// The map of the open scans in the requested mode. Not built (no message) when the main scan has
// fewer than two points; not built with a message for another scan kind or, in reciprocal mode,
// a main scan whose second axis is not Omega.
MapBuild BuildMapDataset(const ScanRegistry& scans, const MapRequest& request);
// As BuildMapDataset, but every scan's points (raw and processed) are released as soon as they
// are in the map, so that the map of an area measurement does not hold every point twice: for a
// caller that needs nothing but the map afterwards (the batch tool). Nothing is released when no
// map is built.
MapBuild TakeMapDataset(ScanRegistry& scans, const MapRequest& request);

// Data coordinates of a pixel of the stored plot area.
struct MapPoint {
    double X = 0.0;
    double Y = 0.0;
};
bool InsideMapArea(const plot::TPlotArea& area, int px, int py);
MapPoint MapPointAt(const plot::TPlotArea& area, int px, int py);
// Status-bar text for the pointer at (px, py); empty outside the plot area. The numbers carry
// `decimalSeparator` (the window passes the user's).
std::string MapReadoutText(const plot::TPlotArea& area, int px, int py, bool reciprocal,
                           char decimalSeparator = '.');

// What a click into the measured map hands to the offsets dialog: the Omega at the click is the
// one the reciprocal map uses for that point.
struct OffsetsDialogInput {
    double TwoTheta = 0.0;  // the clicked 2Theta
    double Omega = 0.0;     // TwoTheta / 2 + DeltaOmega
    // Coupled scans: second-axis position - centre / 2 of the nearest scan. Scans at a fixed
    // Omega (TwoThetaCommonOmega): that Omega - TwoTheta / 2.
    double DeltaOmega = 0.0;
};
OffsetsDialogInput OffsetsForClick(const ScanRegistry& scans, double twoTheta, double secondAxis);

// The offsets the dialog shows for its two expected values.
struct RsmOffsets {
    double TwoThetaOffset = 0.0;  // expected 2Theta - clicked 2Theta
    double OmegaOffset = 0.0;     // expected Omega - Omega at the click
};
RsmOffsets ComputeRsmOffsets(const OffsetsDialogInput& input, double expectedTwoTheta,
                             double expectedOmega);

// "Calculate 2Theta/Offset": expected 2Theta and Omega of a reflex in a given orientation.
struct RsmReflexInput {
    double A = 4.0, B = 4.0, C = 4.0;  // Angstrom
    int H = 0, K = 0, L = 0;           // the reflex
    int OrientationH = 0, OrientationK = 0, OrientationL = 0;
    bool RotatePhi = false;  // "Rotate by 180° (phi)"
    double Wavelength = 1.54056;
};
struct RsmReflexResult {
    bool Ok = false;
    std::string Message;  // the lattice or hkl message, or why the arcsine is undefined
    double ExpectedTwoTheta = 0.0;
    double ExpectedOmega = 0.0;  // theta + psi (theta - psi when rotated), 5 decimals
};
RsmReflexResult CalculateExpectedAngles(const RsmReflexInput& input);

// "Copy as Text": a title line, then X, Y, Z per point (5 decimals, TAB, CR LF). The clipboard
// gets the user's decimal separator like every clipboard table; files keep ".".
std::string MapAsText(const plot::T2dPlotDataset& dataset, char decimalSeparator = '.');

struct Vector3 {
    double X = 0.0, Y = 0.0, Z = 0.0;
    double Dot(const Vector3& other) const;
    double Length() const;
    double AngleTo(const Vector3& other) const;  // radians
    bool IsZero() const;                         // every component below 1e-10 in magnitude
};

}  // namespace trevasc::tools
