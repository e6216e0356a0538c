#pragma once
// "Profile Fit": several overlapping peaks of the plot's current range fitted at once
// (tools::FitLineProfiles) with Gauss, Lorentz, pseudo-Voigt or Pearson VII profiles, optionally as
// Kα1/Kα2 doublets. The chart shows data, model, components and difference; a left click adds a
// start peak, a right click removes the nearest one. "Accept" writes the centres into the peak
// list, "Copy" puts the result table on the clipboard.
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "plot/PlotTypes.h"
#include "session/ProfileAnalysis.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/ProfileFit.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPainter;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace trevasc {

inline constexpr const char* kProfileFitCaption = "Profile Fit";

class ProfileFitWindow : public QWidget {
    Q_OBJECT
  public:
    // `doublet` says which Kα1/Kα2 pair the selected X-ray tube line gives (or why none),
    // `ratio` the "Kα2/Kα1 ratio" of the processing controls.
    ProfileFitWindow(WorkbenchSession& session, std::function<tools::KalphaDoubletLookup()> doublet,
                     std::function<double()> ratio, QWidget* parent = nullptr);
    ~ProfileFitWindow() override;

    // "Profile fit of checked peaks in view": the plot's current range, its checked peaks as
    // start peaks, no fit yet; shows the window.
    void OpenForView();
    // "&Window": brings the window up as it is; the first time (no range yet) like OpenForView.
    void ShowWindow();
    // The shape and doublet switches as the controls show them.
    tools::ProfileFitOptions Options() const;
    // "Fit": runs the fit, the window repainting and Cancel working meanwhile.
    void RunFit();
    void CancelFit() { cancel_ = true; }
    // "Accept": the fitted centres into the peak list (nothing without a fit).
    void Accept();
    // "Copy": the result table in the user's decimal format.
    void CopyToClipboard() const;

    double From() const { return from_; }
    double To() const { return to_; }
    const std::vector<double>& StartPeaks() const { return starts_; }
    const std::optional<tools::ProfileFitResult>& Result() const { return result_; }
    const plot::TPlotXYDataset& Chart() const { return chart_; }
    const plot::TPlotArea& Area() const { return area_; }
    bool Fitting() const { return fitting_; }
    QWidget* PaintBox() const;

    // A click into the chart at pixel (px, py): left adds a start peak, right removes one.
    void ChartClick(Qt::MouseButton button, int px, int py);
    void PaintChart(QPainter& painter, int width, int height);

  signals:
    // A fit finished with a result (the size window follows it).
    void fitFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void DiscardFit();
    void UpdateChart();
    void ShowTable();
    void ShowMessage(const QString& text);
    void UpdateDoubletBox();
    void SetControlsEnabled(bool enabled);

    WorkbenchSession& session_;
    std::function<tools::KalphaDoubletLookup()> doublet_;
    std::function<double()> ratio_;
    ScanColumns scan_;
    double from_ = 0.0, to_ = 0.0;
    std::vector<double> starts_;
    std::vector<double> listed_;  // the checked list peaks the window started with
    std::vector<double> fitStarts_;
    std::optional<tools::ProfileFitResult> result_;
    plot::TPlotXYDataset chart_;
    plot::TPlotArea area_;
    bool fitting_ = false;
    bool cancel_ = false;

    QWidget* paintBox_ = nullptr;
    QComboBox* shape_ = nullptr;
    QCheckBox* doublets_ = nullptr;
    QPushButton* fit_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* range_ = nullptr;
    QLabel* message_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* accept_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace trevasc
