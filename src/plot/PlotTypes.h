#pragma once
// Records handed to the plot engine, and the mapping it hands back.
#include <cstdint>
#include <string>
#include <vector>

namespace trevasc::plot {

// 0x00BBGGRR: low byte red.
using TColor = uint32_t;

inline constexpr TColor RGBColor(int r, int g, int b) {
    return static_cast<TColor>(r & 0xFF) | (static_cast<TColor>(g & 0xFF) << 8) |
           (static_cast<TColor>(b & 0xFF) << 16);
}
inline constexpr int RedOf(TColor c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int GreenOf(TColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int BlueOf(TColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

struct TPlotPoint {
    double X = 0.0;
    double Y = 0.0;
};

struct THighlightPoint {
    double X = 0.0;
    TColor Color = 0;
    std::string Text;         // empty: no label, full-height line
    bool IsMainPeak = false;  // only these react to clicks in the plot window
};

struct TAdditionalDataset {
    std::vector<TPlotPoint> Points;
    TColor Color = 0;

    int32_t Count() const { return static_cast<int32_t>(Points.size()); }
};

struct TPlotDataset {
    std::vector<TPlotPoint> Points;
    std::vector<TPlotPoint> SecondaryPoints;  // empty, or one per point
    std::vector<THighlightPoint> Highlights;
    std::string YTitle;
    std::string SecondaryTitle;
    std::string XTitle;
    TColor MainColor = 0;
    TColor SecondaryColor = 0;
    bool LogY = false;
    bool LogSecondaryY = false;
    std::string Title;
    double ViewXMin = 0.0;
    double ViewXMax = 0.0;
    double FullXMin = 0.0;
    double FullXMax = 0.0;
    std::vector<TAdditionalDataset> Overlays;
    bool ScaleOnOverlays = false;
    // The x axis runs from ViewXMax on the left to ViewXMin on the right (lattice spacing d,
    // which falls as 2Theta grows). ViewXMin < ViewXMax holds either way.
    bool XDescending = false;

    int32_t Count() const { return static_cast<int32_t>(Points.size()); }
    int32_t HighlightCount() const { return static_cast<int32_t>(Highlights.size()); }
    int32_t OverlayCount() const { return static_cast<int32_t>(Overlays.size()); }
};

// A curve of the XY chart, drawn as a line through its points in order.
struct TXYCurve {
    std::vector<double> X;
    std::vector<double> Y;
    TColor Color = 0;
};

struct TPlotXYDataset {
    std::vector<double> X;
    std::vector<double> Y;
    // Further curves (the profile fit's data, model, components and difference); they count for
    // the axis ranges like the points.
    std::vector<TXYCurve> Curves;
    bool ShowLine = true;  // the straight line Slope * x + Intercept
    // The x axis spans exactly the data with 1-2-5 ticks (a zoomed scan range) instead of
    // rounded bounds.
    bool TightX = false;
    // The y bounds of the XRD plot's intensity axis (one step of the value's own decade) instead
    // of tenths: counts, or values far below 1.
    bool DecadeY = false;
    std::string YTitle;
    std::string XTitle;
    TColor Color = 0;
    bool LogY = false;
    std::string Title;
    double Slope = 0.0;
    double Intercept = 0.0;

    // Points with both coordinates.
    int32_t Count() const {
        return static_cast<int32_t>(X.size() < Y.size() ? X.size() : Y.size());
    }
};

struct TFitOverlay {
    uint8_t ProfileKind = 0;  // 0 none, 1 Lorentz, 2 Gauss
    double Center = 0.0;
    double WidthFactor = 0.0;
    double Amplitude = 0.0;
    double BackgroundSlope = 0.0;
    double BackgroundOffset = 0.0;
    TColor FitColor = 0x0000FF;
    TColor BackgroundColor = 0xFF0000;
    TColor CenterColor = 0x008000;
    TColor HalfWidthColor = 0x008000;
    double LeftBoundary = 0.0;
    double RightBoundary = 0.0;
    TColor BoundaryColor = 0xFF00FF;
};

struct TPlotArea {
    int32_t Left = 0, Right = 0, Top = 0, Bottom = 0;
    double XMin = 0.0, XMax = 0.0;
    double YMin = 0.0, YMax = 0.0;  // log10 units when the main axis was logarithmic
    bool XDescending = false;       // XMax at Left, XMin at Right
    // The main axis was drawn logarithmic (asked for, and every value in its range positive).
    bool LogY = false;
};

}  // namespace trevasc::plot
