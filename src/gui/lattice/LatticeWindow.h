#pragma once
// "Lattice Data Calculation": the checked peaks of the peak list with their spacings, hkl
// multiples and lattice constants, the mean and the Nelson-Riley extrapolation. The window holds
// the widgets; LatticeCalculation does the work, and the results go back through the session.
#include <QMainWindow>

#include "gui/app/Dialogs.h"
#include "session/WorkbenchSession.h"
#include "tools/lattice/LatticeCalculation.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace trevasc {

class AutoScanDialog;
class FloatEdit;
class HklAssignDialog;
class ListGroup;
class NelsonRileyWindow;
class XrayTubeSelector;

inline constexpr const char* kLatticeCaption = "Lattice Data Calculation";
inline constexpr const char* kLatticeOldCaption =
    "Lattice Data Calculation (Old peak data in use!)";
inline constexpr const char* kOldPeakDataMessage =
    "Peak positions and calculation are not automatically updated with the current dataset and "
    "are still showing old data.";

class LatticeWindow : public QMainWindow, private PeakListObserver {
    Q_OBJECT
  public:
    LatticeWindow(WorkbenchSession& session, Dialogs& dialogs, const QString& xrayIniPath,
                  QWidget* parent = nullptr);
    ~LatticeWindow() override;

    // The Nelson-Riley window that the plot command fills (created after this window).
    void SetNelsonRileyWindow(NelsonRileyWindow* window) { nelsonRiley_ = window; }
    AutoScanDialog* AutoScan() const { return autoScanDialog_; }
    HklAssignDialog* HklAssign() const { return hklDialog_; }
    QMenu* WindowMenu() const { return windowMenu_; }
    // The X-ray line selected in the tube selector; empty when a typed value is in use.
    std::string SelectedLineName() const;
    const tools::LatticeCalculation& Calculation() const { return calc_; }

    // "&Window" and every other way of bringing it up: the old-data message first when old.
    void ShowWindow();
    // The actions behind the buttons and menus.
    void CalculateClick();
    void NelsonRileyPlotClick();
    void AutoClick();
    void AssignManuallyClick();
    void DeleteSelectedClick();
    void AdjustPeaksClick();

  signals:
    void errorInfoRequested();
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // PeakListObserver
    void CheckedPeaksSent(PeakHandOverTarget target, const std::vector<std::string>& rows,
                          const std::string& sourceName) override;
    void PeakDataOutdated() override;

    void BuildControls();
    // Reads the fields into the calculation.
    void ReadFields();
    // Shows the calculation's lists and fields.
    void ShowCalculation();
    void Apply(const tools::TLatticeEffects& effects);
    void SetOld(bool old);

    WorkbenchSession& session_;
    Dialogs& dialogs_;
    tools::LatticeCalculation calc_;
    NelsonRileyWindow* nelsonRiley_ = nullptr;
    AutoScanDialog* autoScanDialog_ = nullptr;
    HklAssignDialog* hklDialog_ = nullptr;

    FloatEdit* expected_ = nullptr;
    QPushButton* auto_ = nullptr;
    QLineEdit* direction_ = nullptr;
    XrayTubeSelector* selector_ = nullptr;
    QListWidget* peaks_ = nullptr;
    QListWidget* spacings_ = nullptr;
    QListWidget* hkl_ = nullptr;
    QListWidget* lattice_ = nullptr;
    ListGroup* lists_ = nullptr;
    QPushButton* deleteSelected_ = nullptr;
    QPushButton* assign_ = nullptr;
    FloatEdit* mean_ = nullptr;
    FloatEdit* meanError_ = nullptr;
    FloatEdit* nelsonRileyValue_ = nullptr;
    FloatEdit* nelsonRileyError_ = nullptr;
    QLabel* meanErrorCaption_ = nullptr;
    QLabel* nelsonRileyErrorCaption_ = nullptr;
    QCheckBox* addIds_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QPushButton* plot_ = nullptr;
    QMenu* windowMenu_ = nullptr;
};

}  // namespace trevasc
