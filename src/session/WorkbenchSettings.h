#pragma once
// The workbench's settings: processing, peak search, display switches, plot colours, the
// decimal separator, the one wavelength (CurrentWavelength), the map settings and the fields
// of the "Additional reflections" tab that other windows change.
#include <functional>
#include <optional>
#include <string>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "plot/ColorConfig.h"
#include "plot/XrdPlotRefresh.h"
#include "session/ObserverList.h"
#include "tools/maps/MapBuilder.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc {

// Notifications of the settings. Every method has an empty default.
class SettingsObserver {
  public:
    virtual ~SettingsObserver() = default;
    // A display setting changed without the user touching its control ("Span over all opened
    // files" switched on by the file flow).
    virtual void DisplaySettingsChanged() {}
    // The lattice spacing of the "Additional reflections" tab changed (the substrate's
    // "LATTICE", the lattice or film thickness window, or the tab itself).
    virtual void AdditionalLatticeSpacingChanged(double /*angstrom*/) {}
    // The permitted orders of the "Additional reflections" tab changed (the substrate's
    // "ALLOWED" or the tab itself).
    virtual void PermittedReflexesChanged(const std::string& /*text*/) {}
    // CurrentWavelength changed (the lattice window's X-ray tube selector).
    virtual void CurrentWavelengthChanged(double /*angstrom*/) {}
};

// Settings of the two-axis and reciprocal space maps.
struct MapSettings {
    tools::MapMode Mode = tools::MapMode::TwoAxis;  // the map menu entry used last
    double RsmOmegaOffset = 0.0;                    // angle offsets; every file read resets them
    double RsmTwoThetaOffset = 0.0;
    bool FlipKParallel = false;  // "Flip &X axis": k_parallel with the opposite sign
    bool ContourLines = true;    // gnuplot export: contour lines wanted
};

// Kα2 stripping of the main scan, done before smoothing and background removal. Without a
// doublet (a line with no Kα2 partner) nothing is stripped.
struct Kalpha2Settings {
    bool Enabled = false;
    double Ratio = tools::kDefaultKalpha2Ratio;  // "Kα2/Kα1 ratio"
    std::optional<tools::KalphaDoublet> Doublet;
    bool Active() const { return Enabled && Doublet.has_value(); }
};

class WorkbenchSettings {
  public:
    // Cu K-alpha1 (8048.88018 eV) in Angstrom: the wavelength until an X-ray line is chosen.
    static constexpr double kDefaultWavelength = 1.54056;

    // What a change of the settings does to the other parts of the session; the session sets
    // them when it wires its parts.
    struct Links {
        std::function<void()> CurvesChanged;  // smoothing or background removal changed
        std::function<void(bool spanChanged)> DisplayChanged;
        std::function<void()> ColorsChanged;
    };
    void Link(Links links) { links_ = std::move(links); }

    void AddObserver(SettingsObserver* observer) { observers_.Add(observer); }
    void RemoveObserver(SettingsObserver* observer) { observers_.Remove(observer); }

    // The user's decimal separator for row texts, prompts and clipboard tables ('.' by default).
    void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }
    char DecimalSeparator() const { return decimalSeparator_; }

    // Noise suppression, background removal and the slope window of every open scan.
    const analysis::ProcessingSettings& Processing() const { return processing_; }
    // Stores the settings; changed curve settings rebuild the processed curves of the open scans.
    void SetProcessing(const analysis::ProcessingSettings& settings);
    const Kalpha2Settings& Kalpha2Stripping() const { return kalpha2_; }
    // Stores the settings; a change of the stripped curve rebuilds the processed curves.
    void SetKalpha2Stripping(const Kalpha2Settings& settings);
    const analysis::PeakSearchSettings& PeakSearch() const { return peakSearch_; }
    void SetPeakSearch(const analysis::PeakSearchSettings& settings) { peakSearch_ = settings; }
    // The display switches (the view range fields of the record are not used: the plot view
    // holds the range).
    const plot::XrdPlotSettings& Display() const { return display_; }
    // Stores the switches and redraws the plot and the legend. Switching "Span over all opened
    // files" shows the new full range.
    void SetDisplay(const plot::XrdPlotSettings& settings);
    // The file flow switches "Span over all opened files" on (an omega series of 2Theta scans).
    void SpanAllFiles();

    plot::TColorConfig& Colors() { return colors_; }
    const plot::TColorConfig& Colors() const { return colors_; }
    // After the colours were edited: redraws the plot and the legend.
    void ColorsChanged();

    // The one wavelength of the lattice calculation, the reflections and the maps (Angstrom).
    double CurrentWavelength() const { return currentWavelength_; }
    // A changed wavelength notifies CurrentWavelengthChanged.
    void SetCurrentWavelength(double angstrom);
    MapSettings& Maps() { return maps_; }
    const MapSettings& Maps() const { return maps_; }
    // Every file read starts the reciprocal space map offsets afresh.
    void ResetMapOffsets();

    // The lattice constant (Angstrom) and the permitted-orders text of the "Additional
    // reflections" tab. A changed value notifies the observers; an equal one does nothing.
    double AdditionalLatticeSpacing() const { return additionalLattice_; }
    void SetAdditionalLatticeSpacing(double angstrom);
    const std::string& PermittedReflexes() const { return permittedReflexes_; }
    void SetPermittedReflexes(const std::string& text);

  private:
    ObserverList<SettingsObserver> observers_;
    Links links_;
    char decimalSeparator_ = '.';
    analysis::ProcessingSettings processing_;
    Kalpha2Settings kalpha2_;
    analysis::PeakSearchSettings peakSearch_;
    plot::XrdPlotSettings display_;
    plot::TColorConfig colors_;
    MapSettings maps_;
    double currentWavelength_ = kDefaultWavelength;
    double additionalLattice_ = 4.0;
    std::string permittedReflexes_ = "1,2,3,4,5,6,7,8";
};

}  // namespace trevasc
