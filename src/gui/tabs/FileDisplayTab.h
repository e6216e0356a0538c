#pragma once
// The tab "File/Display": opening and inserting scans, noise suppression and background
// removal, the display switches, the peak finder, the peak fitting buttons and the plot range.
// Every control writes its setting into the workbench session and shows what the session says.
#include <QWidget>
#include <functional>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "plot/XrdPlotRefresh.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/Kalpha2Stripping.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace trevasc {

class FloatEdit;

class FileDisplayTab : public QWidget,
                       private PeakListObserver,
                       private SettingsObserver,
                       private PlotViewObserver {
    Q_OBJECT
  public:
    FileDisplayTab(WorkbenchSession& session, QWidget* parent = nullptr);
    ~FileDisplayTab() override;

    // Where "Strip Kα2" takes its two wavelengths from (the lattice window's tube line); the box
    // is disabled, its hint saying why, while the line has no Kα2 partner.
    void SetKalphaDoubletSource(std::function<tools::KalphaDoubletLookup()> source);
    // "Kα2/Kα1 ratio" as shown.
    double Kalpha2Ratio() const;
    // Shows the kept ratio (start-up).
    void SetKalpha2Ratio(double ratio);
    // Rechecks the tube line (after it changed).
    void UpdateStripBox();

    // The settings as the controls show them.
    analysis::ProcessingSettings ProcessingFromControls() const;
    analysis::PeakSearchSettings PeakSearchFromControls() const;
    // Shows the widths and limits kept from the last run (the switches stay as they are); the
    // session takes them over.
    void ShowKeptSettings(const analysis::ProcessingSettings& processing,
                          const analysis::PeakSearchSettings& search);

  signals:
    void openClicked();               // "&Open data file"
    void insertClicked();             // "&Insert plot"
    void fitDisplayAreaClicked();     // "Fit actual display area"
    void autoFitClicked(bool gauss);  // "Auto Gauss checked" (true) / "Auto Lorentz checked"

  private:
    // PeakListObserver, SettingsObserver, PlotViewObserver
    void FindPeaksEnabledChanged(bool enabled) override;
    void DisplaySettingsChanged() override;
    void ViewRangeChanged(double from, double to) override;
    void CurrentWavelengthChanged(double angstrom) override;

    void BuildControls();
    void Connect();
    void UpdateSpinVisibility();
    void ProcessingChanged();
    // Hands "Strip Kα2", the ratio and the tube line's doublet to the session.
    void StripChanged();
    void DisplayChanged();
    void RunFindPeaks(analysis::TPeakMethod method);
    void ApplyPlotRange();

    WorkbenchSession& session_;
    QPushButton* open_ = nullptr;            // BitBtnOpen
    QPushButton* insert_ = nullptr;          // BitBtnInsert
    QCheckBox* noiseSuppression_ = nullptr;  // CheckBox1
    QSpinBox* smoothWidth_ = nullptr;        // SpinEdit2
    QLabel* smoothWidthLabel_ = nullptr;
    QCheckBox* removeBackground_ = nullptr;  // CheckBox11
    QSpinBox* backgroundWidth_ = nullptr;    // SpinEdit5
    QLabel* backgroundWidthLabel_ = nullptr;
    QCheckBox* stripKalpha2_ = nullptr;  // CheckBoxStripKalpha2
    FloatEdit* kalpha2Ratio_ = nullptr;  // FloatEditKalpha2Ratio
    std::function<tools::KalphaDoubletLookup()> doubletSource_;
    QCheckBox* logScaling_ = nullptr;          // CheckBox4
    QCheckBox* showSlope_ = nullptr;           // CheckBox6
    QCheckBox* scaleOnAll_ = nullptr;          // CheckBox8
    QCheckBox* offsetGraphs_ = nullptr;        // CheckBox10
    QSpinBox* slopeCount_ = nullptr;           // SpinEditSlopeCnt
    QSpinBox* minPeakHeight_ = nullptr;        // SpinEditMinPeak
    QSpinBox* minPeakSlope_ = nullptr;         // SpinEdit1
    QSpinBox* minPeakCurvature_ = nullptr;     // SpinEdit6
    FloatEdit* doublePeakDistance_ = nullptr;  // FloatEdit13
    QPushButton* findMethod1_ = nullptr;       // Button1
    QPushButton* findMethod2_ = nullptr;       // Button14
    QCheckBox* areaBisector_ = nullptr;        // CheckBox2
    QSpinBox* bisectorPercentage_ = nullptr;   // SpinEdit3
    QLabel* bisectorPercentageLabel_ = nullptr;
    QCheckBox* rangeOnly_ = nullptr;         // CheckBox15
    QCheckBox* spanAllFiles_ = nullptr;      // CheckBox13
    FloatEdit* displayFrom_ = nullptr;       // FloatEdit11
    FloatEdit* displayTo_ = nullptr;         // FloatEdit12
    QPushButton* applyRange_ = nullptr;      // Button18
    QPushButton* fitDisplayArea_ = nullptr;  // Button11
    QPushButton* autoGauss_ = nullptr;       // Button12
    QPushButton* autoLorentz_ = nullptr;     // Button13
};

}  // namespace trevasc
