#pragma once
// The tab "Additional reflections": the 2Theta positions of the orders of one lattice spacing for
// an X-ray transition or energy (or of the highlighted peak's spacing), their markers and
// "Auto identify". The lattice constant and the permitted orders live in the session, so the
// substrate tab and the lattice and thickness windows can set them.
#include <QWidget>
#include <vector>

#include "analysis/AdditionalLines.h"
#include "session/WorkbenchSession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace trevasc {

class FloatEdit;

class AdditionalReflectionsTab : public QWidget,
                                 private SettingsObserver,
                                 private PeakListObserver {
    Q_OBJECT
  public:
    AdditionalReflectionsTab(WorkbenchSession& session, QString xrayIniPath,
                             QWidget* parent = nullptr);
    ~AdditionalReflectionsTab() override;

    void ComputeAdditionalLines();
    void AutoIdentifyAdditionalPeaks();
    const std::vector<analysis::TAdditionalLine>& Lines() const { return lines_; }

  private:
    // SettingsObserver, PeakListObserver
    void AdditionalLatticeSpacingChanged(double angstrom) override;
    void PermittedReflexesChanged(const std::string& text) override;
    void HighlightChanged(int row) override;
    void PeakListReset() override;

    void BuildControls();
    void TransitionSelected(int index);
    void UpdateEnabling();
    void UpdateMarkers();

    WorkbenchSession& session_;
    QString xrayIniPath_;
    std::vector<analysis::TAdditionalLine> lines_;
    QComboBox* transition_ = nullptr;       // ComboBox2
    FloatEdit* energy_ = nullptr;           // FloatEdit2
    QCheckBox* useSelectedPeak_ = nullptr;  // CheckBox7
    FloatEdit* lattice_ = nullptr;          // FloatEdit3
    QLabel* latticeLabel_ = nullptr;
    QLineEdit* permitted_ = nullptr;  // Edit1
    QLabel* permittedLabel_ = nullptr;
    QCheckBox* showAll_ = nullptr;       // CheckBox9
    QListWidget* list_ = nullptr;        // ListBox2
    QCheckBox* highlight_ = nullptr;     // CheckBox5
    FloatEdit* maxDeviation_ = nullptr;  // FloatEdit4
    QPushButton* identify_ = nullptr;    // Button6
};

}  // namespace trevasc
