#include "gui/tabs/SubstrateTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "formats/ReflectionTable.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"

namespace trevasc {

SubstrateTab::SubstrateTab(WorkbenchSession& session, QString databasePath, QWidget* parent)
    : QWidget(parent), session_(session), databasePath_(std::move(databasePath)) {
    setObjectName("TabSheet3");
    BuildControls();
    LoadMaterialList();
}

void SubstrateTab::BuildControls() {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* group = new QGroupBox("Substrate", this);
    group->setObjectName("GroupBoxSubstrate");
    outer->addWidget(group);
    auto* layout = new QGridLayout(group);

    material_ = new QComboBox(group);
    material_->setObjectName("ComboBox1");
    material_->setToolTip("Select the substrate material here.");
    material_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    material_->setMinimumContentsLength(18);
    expectedList_ = new QListWidget(group);
    expectedList_->setObjectName("ListBox1");
    // three columns: the rows flow top to bottom and wrap into the next column
    expectedList_->setFlow(QListView::TopToBottom);
    expectedList_->setWrapping(true);
    expectedList_->setResizeMode(QListView::Adjust);
    expectedList_->setUniformItemSizes(true);
    expectedList_->setGridSize(QSize(150, 18));
    highlight_ = MakeCheck(group, "CheckBox3", "Highlight in spectrum", false,
                           "Shows the expected reflections as markers in the plot.");
    maxDeviation_ = new FloatEdit(group, 0.0, 10.0, 0.5, 10);
    maxDeviation_->setObjectName("FloatEdit1");
    maxDeviation_->setToolTip(
        "Largest distance of a peak from an expected reflection that still "
        "identifies it.");
    maxDeviation_->setMaximumWidth(80);
    identify_ = MakeButton(group, "Button7", "Auto identify",
                           "Names the peaks closest to the expected reflections.");
    autoSelect_ = MakeButton(group, "Button5", "Auto select",
                             "Does an least-squares search over the peak positions to identify "
                             "the substrate of the sample.");

    layout->addWidget(MakeLabel(group, "Material", material_), 0, 0);
    layout->addWidget(material_, 0, 1);
    layout->addWidget(autoSelect_, 0, 2);
    layout->addWidget(MakeLabel(group, "Expected peaks", expectedList_), 1, 0, 1, 3);
    layout->addWidget(expectedList_, 2, 0, 1, 3);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(highlight_);
    bottom->addSpacing(12);
    bottom->addWidget(MakeLabel(group, "Maximum deviation (°)", maxDeviation_));
    bottom->addWidget(maxDeviation_);
    bottom->addStretch(1);
    bottom->addWidget(identify_);
    layout->addLayout(bottom, 3, 0, 1, 3);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);

    connect(material_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!loading_) SelectMaterial(index);
    });
    connect(highlight_, &QCheckBox::toggled, this, [this] { UpdateMarkers(); });
    connect(identify_, &QPushButton::clicked, this, &SubstrateTab::AutoIdentifySubstratePeaks);
    connect(autoSelect_, &QPushButton::clicked, this, &SubstrateTab::AutoSelectSubstrate);
}

void SubstrateTab::LoadMaterialList() {
    loading_ = true;
    material_->clear();
    for (const std::string& name : analysis::LoadMaterialList(S(databasePath_)))
        material_->addItem(Q(name));
    material_->setCurrentIndex(-1);
    loading_ = false;
    SetExpected({});
    SetControlsEnabled(false);
}

void SubstrateTab::SetControlsEnabled(bool loaded) {
    highlight_->setEnabled(loaded);
    identify_->setEnabled(loaded);
}

void SubstrateTab::SetExpected(std::vector<analysis::TExpectedReflection> expected) {
    expected_ = std::move(expected);
    expectedList_->clear();
    for (const auto& r : expected_) expectedList_->addItem(Q(analysis::ExpectedRowText(r)));
}

void SubstrateTab::SelectMaterial(int index, bool showProblems) {
    if (index < 0) {
        SetExpected({});
        SetControlsEnabled(false);
        UpdateMarkers();
        return;
    }
    ApplyMaterial(analysis::ReadMaterial(S(databasePath_), S(material_->itemText(index))),
                  showProblems);
}

void SubstrateTab::ApplyMaterial(const analysis::TSubstrateMaterial& m, bool showProblems) {
    if (m.Allowed) session_.Settings().SetPermittedReflexes(*m.Allowed);
    if (m.Lattice) session_.Settings().SetAdditionalLatticeSpacing(*m.Lattice);
    SetExpected(m.Reflections);
    SetControlsEnabled(true);
    UpdateMarkers();
    if (showProblems && !m.Problems.empty()) {
        std::string text = "Some values of [" + m.Name + "] are no numbers and were left out:";
        for (const auto& p : m.Problems) text += "\n" + p;
        session_.GetPrompts().ShowError(text);
    }
}

void SubstrateTab::ShowClipboardMaterial(const QString& clipboardText) {
    if (clipboardText.isEmpty()) {
        SetExpected({});
        SetControlsEnabled(false);
        UpdateMarkers();
        return;
    }
    const formats::TReflectionTable table = formats::ParseReflectionTable(S(clipboardText));
    if (const std::string nothing = formats::NoReflectionsMessage(table); !nothing.empty()) {
        // No card in the clipboard: say what is read, and keep the reflections shown so far.
        session_.GetPrompts().ShowError(nothing);
        return;
    }
    SetExpected(analysis::ClipboardMaterialReflections(
        table, session_.Settings().CurrentWavelength(), session_.Settings().DecimalSeparator()));
    const bool any = !expected_.empty();
    SetControlsEnabled(any);
    if (any) highlight_->setChecked(true);
    UpdateMarkers();
    if (!table.Error.empty()) session_.GetPrompts().ShowError(table.Error);
}

void SubstrateTab::UpdateMarkers() {
    auto& markers = session_.View().Markers().Substrate;
    markers.clear();
    if (highlight_->isChecked() && highlight_->isEnabled())
        for (const auto& r : expected_)
            markers.push_back(
                {r.Position, session_.Settings().Colors().SubstratePeak, r.Name, false});
    session_.View().MarkersChanged();
}

void SubstrateTab::AutoIdentifySubstratePeaks() {
    std::vector<double> positions;
    std::vector<std::string> names;
    for (const auto& r : expected_) {
        positions.push_back(r.Position);
        names.push_back(r.Name);
    }
    session_.Peaks().IdentifyByPositions(positions, names, maxDeviation_->Value());
}

void SubstrateTab::AutoSelectSubstrate() {
    const TDataSet& scan = session_.Scans().MainScan();
    if (scan.Count() < 2) return;
    // The tab stays disabled while the search runs and is enabled again in every case; the
    // progress dialog keeps the window painting and offers Cancel.
    setEnabled(false);
    struct Enable {
        QWidget* w;
        ~Enable() { w->setEnabled(true); }
    } enable{this};
    const std::string caption = "Auto select";
    session_.Progress().Report({ProgressEvent::Phase::Begin, caption, 0, 0});
    struct End {
        WorkbenchSession& session;
        const std::string& caption;
        ~End() { session.Progress().Report({ProgressEvent::Phase::End, caption, 0, 0}); }
    };
    analysis::TAutoSelectResult result;
    {
        const End end{session_, caption};
        const auto materials = analysis::ReadAllMaterials(S(databasePath_));
        std::vector<double> peaks;
        for (const TPeak& p : scan.Peaks.Items) peaks.push_back(p.Position);
        result = analysis::AutoSelectSubstrate(
            materials, peaks, scan.RawPoints.front().Position, scan.RawPoints.back().Position,
            [&](int done, int total) {
                return session_.Progress().Report(
                    {ProgressEvent::Phase::Step, caption, done, total});
            });
    }
    if (result.Cancelled) return;
    // Selecting every material in turn leaves the fields of the last one that had them.
    if (result.LastAllowed) session_.Settings().SetPermittedReflexes(*result.LastAllowed);
    if (result.LastLattice) session_.Settings().SetAdditionalLatticeSpacing(*result.LastLattice);
    loading_ = true;
    material_->setCurrentIndex(result.Best);
    loading_ = false;
    SelectMaterial(result.Best);
}

}  // namespace trevasc
