#pragma once
// The tab "Substrate": the materials of substrates.ini, the expected reflections of the selected
// one (or of a table pasted from the clipboard), their markers in the plot, "Auto identify" and
// the least-squares "Auto select". The material's "ALLOWED" and "LATTICE" go to the "Additional
// reflections" tab through the session.
#include <QWidget>
#include <vector>

#include "analysis/SubstrateDatabase.h"
#include "session/WorkbenchSession.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

namespace trevasc {

class FloatEdit;

class SubstrateTab : public QWidget {
    Q_OBJECT
  public:
    SubstrateTab(WorkbenchSession& session, QString databasePath, QWidget* parent = nullptr);

    // Reads the material names, clears the selection and the expected peaks.
    void LoadMaterialList();
    // "Show material from clipboard in spectrum" with the clipboard's text (empty: no text).
    void ShowClipboardMaterial(const QString& clipboardText);
    // "Auto select": the material whose reflections fit the peak list best.
    void AutoSelectSubstrate();
    void AutoIdentifySubstratePeaks();

    const std::vector<analysis::TExpectedReflection>& Expected() const { return expected_; }
    QComboBox* MaterialList() const { return material_; }

  private:
    void BuildControls();
    void SelectMaterial(int index, bool showProblems = true);
    void ApplyMaterial(const analysis::TSubstrateMaterial& material, bool showProblems);
    void SetExpected(std::vector<analysis::TExpectedReflection> expected);
    void SetControlsEnabled(bool loaded);
    void UpdateMarkers();

    WorkbenchSession& session_;
    QString databasePath_;
    std::vector<analysis::TExpectedReflection> expected_;
    QComboBox* material_ = nullptr;        // ComboBox1
    QListWidget* expectedList_ = nullptr;  // ListBox1
    QCheckBox* highlight_ = nullptr;       // CheckBox3
    FloatEdit* maxDeviation_ = nullptr;    // FloatEdit1
    QPushButton* identify_ = nullptr;      // Button7
    QPushButton* autoSelect_ = nullptr;    // Button5
    bool loading_ = false;
};

}  // namespace trevasc
