#include "gui/tabs/AdditionalReflectionsTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/XrayLines.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"

namespace trevasc {

AdditionalReflectionsTab::AdditionalReflectionsTab(WorkbenchSession& session, QString xrayIniPath,
                                                   QWidget* parent)
    : QWidget(parent), session_(session), xrayIniPath_(std::move(xrayIniPath)) {
    setObjectName("TabSheet4");
    BuildControls();
    session_.Settings().AddObserver(this);
    session_.Peaks().AddObserver(this);
    UpdateEnabling();
}

AdditionalReflectionsTab::~AdditionalReflectionsTab() {
    session_.Settings().RemoveObserver(this);
    session_.Peaks().RemoveObserver(this);
}

void AdditionalReflectionsTab::BuildControls() {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* group = new QGroupBox("Additional lines", this);
    group->setObjectName("GroupBoxAdditionalLines");
    outer->addWidget(group);
    auto* layout = new QGridLayout(group);

    transition_ = new QComboBox(group);
    transition_->setObjectName("ComboBox2");
    transition_->setToolTip("Select the X-ray transition for the line position calculation.");
    for (const std::string& name : XrayLineTable(S(xrayIniPath_)).Names())
        transition_->addItem(Q(name));
    transition_->setCurrentIndex(-1);
    energy_ = new FloatEdit(group, 0.0, 1e10, analysis::kDefaultAdditionalEnergy, 10);
    energy_->setObjectName("FloatEdit2");
    energy_->setToolTip("Photon energy of the X-ray line in eV.");
    useSelectedPeak_ = MakeCheck(group, "CheckBox7", "Use selected peak", false,
                                 "Takes the lattice spacing from the highlighted peak.");
    lattice_ =
        new FloatEdit(group, 0.0, 10000.0, session_.Settings().AdditionalLatticeSpacing(), 10);
    lattice_->setObjectName("FloatEdit3");
    lattice_->setToolTip("Enter a lattice spacing here to calculate additional peak positions.");
    permitted_ = new QLineEdit(Q(session_.Settings().PermittedReflexes()), group);
    permitted_->setObjectName("Edit1");
    permitted_->setToolTip("Allowed multiples of the selected lattice constant.");
    showAll_ = MakeCheck(group, "CheckBox9", "Show all in range", false,
                         "Lists every order up to the end of the main scan.");
    list_ = new QListWidget(group);
    list_->setObjectName("ListBox2");
    list_->setFlow(QListView::TopToBottom);  // two columns
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setGridSize(QSize(90, 18));
    highlight_ = MakeCheck(group, "CheckBox5", "Highlight in spectrum", false,
                           "Shows the lines as markers in the plot.");
    maxDeviation_ = new FloatEdit(group, 0.0, 10.0, 0.5, 10);
    maxDeviation_->setObjectName("FloatEdit4");
    maxDeviation_->setToolTip("Largest distance of a peak from a line that still identifies it.");
    identify_ = MakeButton(group, "Button6", "Auto identify",
                           "Names the peaks closest to the lines after the transition.");
    for (FloatEdit* f : {energy_, lattice_, maxDeviation_}) f->setMaximumWidth(100);

    latticeLabel_ = MakeLabel(group, "Lattice constant [Å]", lattice_);
    permittedLabel_ = MakeLabel(group, "Permitted reflexes (commasep.)", permitted_);
    layout->addWidget(MakeLabel(group, "Material/transition", transition_), 0, 0);
    layout->addWidget(transition_, 0, 1);
    layout->addWidget(MakeLabel(group, "Energy [eV]", energy_), 1, 0);
    layout->addWidget(energy_, 1, 1);
    layout->addWidget(useSelectedPeak_, 2, 0, 1, 2);
    layout->addWidget(latticeLabel_, 3, 0);
    layout->addWidget(lattice_, 3, 1);
    layout->addWidget(permittedLabel_, 4, 0);
    layout->addWidget(permitted_, 4, 1);
    layout->addWidget(showAll_, 5, 0, 1, 2);
    layout->setRowStretch(6, 1);
    layout->addWidget(MakeLabel(group, "Expected peaks from this", list_), 0, 2);
    layout->addWidget(list_, 1, 2, 6, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(highlight_);
    bottom->addSpacing(12);
    bottom->addWidget(MakeLabel(group, "Maximum deviation (°)", maxDeviation_));
    bottom->addWidget(maxDeviation_);
    bottom->addStretch(1);
    bottom->addWidget(identify_);
    layout->addLayout(bottom, 7, 0, 1, 3);
    layout->setColumnStretch(2, 1);

    connect(transition_, &QComboBox::currentIndexChanged, this,
            &AdditionalReflectionsTab::TransitionSelected);
    connect(energy_, &QLineEdit::textChanged, this, [this] { ComputeAdditionalLines(); });
    connect(lattice_, &QLineEdit::textEdited, this, [this] {
        // The session tells every observer, this tab included, which then recomputes.
        session_.Settings().SetAdditionalLatticeSpacing(lattice_->Value());
        ComputeAdditionalLines();
    });
    connect(permitted_, &QLineEdit::textEdited, this, [this](const QString& text) {
        session_.Settings().SetPermittedReflexes(S(text));
        ComputeAdditionalLines();
    });
    connect(useSelectedPeak_, &QCheckBox::toggled, this, [this] {
        UpdateEnabling();
        ComputeAdditionalLines();
    });
    connect(showAll_, &QCheckBox::toggled, this, [this] {
        UpdateEnabling();
        ComputeAdditionalLines();
    });
    connect(highlight_, &QCheckBox::toggled, this, [this] { UpdateMarkers(); });
    connect(identify_, &QPushButton::clicked, this,
            &AdditionalReflectionsTab::AutoIdentifyAdditionalPeaks);
}

void AdditionalReflectionsTab::TransitionSelected(int index) {
    if (index < 0) {
        lines_.clear();
        list_->clear();
        highlight_->setEnabled(false);
        identify_->setEnabled(false);
        UpdateMarkers();
        return;
    }
    // Writing the energy field recomputes the lines (its change event). A hand-edited value
    // that is no number is reported as the X-ray tube selectors do; the fields and the lines
    // keep what they showed.
    double e = 0.0;
    const bool read = session_.RunAction([&] {
        e = XrayLineTable(S(xrayIniPath_))
                .Energy(S(transition_->itemText(index)), session_.Settings().DecimalSeparator());
    });
    if (!read) return;
    const QString before = energy_->text();
    energy_->SetValue(e);
    if (energy_->text() == before) ComputeAdditionalLines();
}

void AdditionalReflectionsTab::UpdateEnabling() {
    // Fields that the current mode ignores are disabled with their labels (Qt paints disabled
    // line edits in the window colour).
    const bool peak = useSelectedPeak_->isChecked();
    const bool all = showAll_->isChecked();
    lattice_->setEnabled(!peak);
    latticeLabel_->setEnabled(!peak);
    showAll_->setEnabled(!peak);
    permitted_->setEnabled(!peak && !all);
    permittedLabel_->setEnabled(!peak && !all);
    highlight_->setEnabled(!lines_.empty());
    identify_->setEnabled(!lines_.empty());
}

void AdditionalReflectionsTab::ComputeAdditionalLines() {
    analysis::TAdditionalLinesInput in;
    in.Energy = energy_->Value();
    in.Lattice = lattice_->Value();
    in.Permitted = S(permitted_->text());
    in.ShowAllInRange = showAll_->isChecked();
    const TDataSet& scan = session_.Scans().MainScan();
    in.LastScanPosition = scan.Count() > 0 ? scan.RawPoints.back().Position : 0.0;
    in.UseSelectedPeak = useSelectedPeak_->isChecked();
    const int row = session_.Peaks().HighlightedRow();
    if (row >= 0 && row < scan.Peaks.Count())
        in.SelectedPeak = scan.Peaks.Items[static_cast<size_t>(row)].Position;
    in.Wavelength = session_.Settings().CurrentWavelength();
    lines_ = analysis::ComputeAdditionalLines(in);
    list_->clear();
    for (const auto& l : lines_)
        list_->addItem(
            Q(analysis::AdditionalLineRowText(l, session_.Settings().DecimalSeparator())));
    if (in.UseSelectedPeak && lines_.empty()) highlight_->setChecked(false);
    UpdateEnabling();
    UpdateMarkers();
}

void AdditionalReflectionsTab::UpdateMarkers() {
    auto& markers = session_.View().Markers().AdditionalReflections;
    const bool wasShown = !markers.empty();
    markers.clear();
    if (highlight_->isChecked() && highlight_->isEnabled())
        for (const auto& l : lines_)
            markers.push_back({l.TwoTheta, session_.Settings().Colors().AdditionalPeak, "", false});
    if (wasShown || !markers.empty()) session_.View().MarkersChanged();
}

void AdditionalReflectionsTab::AutoIdentifyAdditionalPeaks() {
    std::vector<double> positions;
    for (const auto& l : lines_) positions.push_back(l.TwoTheta);
    const std::vector<std::string> names(lines_.size(), S(transition_->currentText()));
    session_.Peaks().IdentifyByPositions(positions, names, maxDeviation_->Value());
}

void AdditionalReflectionsTab::AdditionalLatticeSpacingChanged(double angstrom) {
    // While the user types the field already holds this value: its text stays as typed.
    if (lattice_->Value() != angstrom) lattice_->SetValue(angstrom);
    ComputeAdditionalLines();
}

void AdditionalReflectionsTab::PermittedReflexesChanged(const std::string& text) {
    if (S(permitted_->text()) != text) permitted_->setText(Q(text));
    ComputeAdditionalLines();
}

void AdditionalReflectionsTab::HighlightChanged(int) {
    if (useSelectedPeak_->isChecked()) ComputeAdditionalLines();
}

void AdditionalReflectionsTab::PeakListReset() {
    if (useSelectedPeak_->isChecked() || showAll_->isChecked()) ComputeAdditionalLines();
}

}  // namespace trevasc
