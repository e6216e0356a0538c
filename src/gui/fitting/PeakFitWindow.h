#pragma once
// The "Peak Fitting Module" window: the points of one range with the fit overlay, the background
// boundaries set with the left and right mouse buttons, the Lorentz and Gauss fits (PeakFit),
// and Accept or Cancel. "Fit actual display area" opens it modally; the automatic fits show it
// for each checked peak and wait, in a local event loop, for Accept or Cancel.
#include <QEventLoop>
#include <QWidget>
#include <optional>
#include <string>

#include "core/Prompts.h"
#include "core/ScanData.h"
#include "plot/PlotTypes.h"
#include "tools/fitting/PeakFit.h"

class QCheckBox;
class QLabel;
class QPainter;
class QPushButton;

namespace trevasc {

class FitPaintBox;

class PeakFitWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PeakFitWindow(Prompts& prompts, QWidget* parent = nullptr);
    ~PeakFitWindow() override;

    // "Fit actual display area": shows the points first..last without a fit, the boundaries at
    // the range's ends, every control enabled, modal to the application. "Accept and update
    // peak list" after a fit emits fitAccepted.
    void OpenFitWindow(int first, int last, const TDataPointArray& points);
    // The automatic fit of one peak: shows the window with the given boundaries, runs the fit
    // with its centre confined to the interval at once and waits for Accept or Cancel while the
    // windows keep repainting. A fit that failed (on the interval's edge, say) shows why and
    // makes Cancel the default button. Returns the fitted centre when accepted after a fit,
    // otherwise -1.
    double AutoFit(int first, int last, tools::FitProfile profile, const TDataPointArray& points,
                   double xL, double xR, const tools::CentreInterval& centre);
    // True when the user closed the window during the automatic fits: the remaining peaks are
    // skipped.
    bool AutoFitsStopped() const { return stopAutoFits_; }
    bool WaitingForDecision() const { return waiting_; }
    bool Fitting() const { return fitting_; }

    // "Lorentz Fit" / "Gauss Fit".
    void RunFit(tools::FitProfile profile);
    // A left (or right) click at x in degrees: sets that boundary, pushes the other one along
    // and discards the fit.
    void SetBoundary(bool left, double x);
    void Accept();  // "Accept and update peak list"
    void Reject();  // "Cancel"

    const plot::TFitOverlay& Overlay() const { return overlay_; }
    const plot::TPlotDataset& Dataset() const { return dataset_; }
    const plot::TPlotArea& Area() const { return area_; }
    QWidget* PaintBox() const;

    // Draws the chart into the paint box (screen font).
    void PaintChart(QPainter& painter, int width, int height);
    void PlotMouse(Qt::MouseButtons buttons, int px, int py);

  signals:
    void fitAccepted(double position);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Initialise(int first, int last, const TDataPointArray& points, double xL, double xR);
    void DiscardFit();
    void ShowValues();
    void ShowMessage(const std::string& message);
    void SetControlsEnabled(bool enabled);
    void Finish(int state);

    Prompts& prompts_;
    TDataPointArray points_;
    int first_ = 0, last_ = 0;
    plot::TPlotDataset dataset_;
    plot::TFitOverlay overlay_;
    plot::TPlotArea area_;
    double fwhm_ = 0.0;
    bool autoMode_ = false;
    std::optional<tools::CentreInterval> centre_;  // automatic mode only
    bool waiting_ = false;
    bool fitting_ = false;
    bool cancelFit_ = false;
    bool stopAutoFits_ = false;
    int acceptState_ = -1;  // -1 waiting, 1 accepted, 0 cancelled
    QEventLoop* waitLoop_ = nullptr;

    FitPaintBox* paintBox_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* fwhmValue_ = nullptr;
    QLabel* message_ = nullptr;  // why the last fit failed
    QPushButton* lorentz_ = nullptr;
    QPushButton* gauss_ = nullptr;
    QCheckBox* logScaling_ = nullptr;
    QCheckBox* animated_ = nullptr;
    QPushButton* accept_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace trevasc
