#pragma once
// The tab "Structure": the lattice of one of the seven crystal systems, the index ranges, and the
// checked list of the reflections' 2Theta positions with their markers in the plot.
#include <QWidget>
#include <vector>

#include "analysis/StructureSimulation.h"
#include "session/WorkbenchSession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace trevasc {

class FloatEdit;

class StructureTab : public QWidget, private SettingsObserver {
    Q_OBJECT
  public:
    explicit StructureTab(WorkbenchSession& session, QWidget* parent = nullptr);
    ~StructureTab() override;

    void SelectCrystalSystem(int index);
    void SimulateStructure();
    // The crystal system, lattice and index ranges as the fields show them, and the other way.
    analysis::StructureDefinition Definition() const;
    void SetDefinition(const analysis::StructureDefinition& definition);
    const std::vector<analysis::TStrucSimPeak>& Peaks() const { return peaks_; }

  private:
    // SettingsObserver: the list follows the lattice window's wavelength.
    void CurrentWavelengthChanged(double) override { SimulateStructure(); }

    void BuildControls();
    void SetAllChecks(bool checked);
    void UpdateMarkers();

    WorkbenchSession& session_;
    std::vector<analysis::TStrucSimPeak> peaks_;
    QComboBox* system_ = nullptr;  // ComboBox3
    FloatEdit* lengths_[3] = {};   // FloatEdit5..7
    FloatEdit* angles_[3] = {};    // FloatEdit8..10
    QLabel* lengthLabels_[3] = {};
    QLabel* angleLabels_[3] = {};
    QLabel* lengthConstraint_ = nullptr;  // Label25
    QLabel* angleConstraint_ = nullptr;   // Label26
    QSpinBox* minIndex_[3] = {};          // SpinEdit7..9
    QSpinBox* maxIndex_[3] = {};          // SpinEdit10..12
    QListWidget* list_ = nullptr;         // CheckListBox2
    QCheckBox* show_ = nullptr;           // CheckBox12
    bool filling_ = false;
};

}  // namespace trevasc
