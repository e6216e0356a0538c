#include "gui/tabs/StructureTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"

namespace trevasc {

namespace {
// The angle constraint is written with a, b, g for alpha, beta, gamma (a symbol font's letters).
QString GreekAngles(const std::string& text) {
    QString s = Q(text);
    s.replace('a', QChar(0x03B1)).replace('b', QChar(0x03B2)).replace('g', QChar(0x03B3));
    return s;
}
}  // namespace

StructureTab::StructureTab(WorkbenchSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName("TabSheet5");
    BuildControls();
    SelectCrystalSystem(-1);
    session_.Settings().AddObserver(this);
}

StructureTab::~StructureTab() {
    session_.Settings().RemoveObserver(this);
}

void StructureTab::BuildControls() {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* definition = new QGroupBox("Structure Definition", this);
    definition->setObjectName("GroupBoxStructureDefinition");
    auto* result = new QGroupBox("Calculated peak positions", this);
    result->setObjectName("GroupBoxCalculatedPeaks");
    outer->addWidget(definition, 3);
    outer->addWidget(result, 2);

    auto* grid = new QGridLayout(definition);
    system_ = new QComboBox(definition);
    system_->setObjectName("ComboBox3");
    system_->setToolTip("Crystal system of the lattice.");
    for (const std::string& name : analysis::CrystalSystemNames()) system_->addItem(Q(name));
    system_->setCurrentIndex(-1);
    grid->addWidget(MakeLabel(definition, "Crystal system", system_), 0, 0);
    grid->addWidget(system_, 0, 1, 1, 5);

    const char* lengthNames[3] = {"FloatEdit5", "FloatEdit6", "FloatEdit7"};
    const char* angleNames[3] = {"FloatEdit8", "FloatEdit9", "FloatEdit10"};
    const QString lengthCaptions[3] = {"a [Å]", "b [Å]", "c [Å]"};
    const QString angleCaptions[3] = {"α [°]", "β [°]", "γ [°]"};
    for (int i = 0; i < 3; ++i) {
        lengths_[i] = new FloatEdit(definition, 0.0, analysis::kMaxLatticeLength, 4.0, 10);
        lengths_[i]->setObjectName(lengthNames[i]);
        lengths_[i]->setToolTip("Lattice constant in Å.");
        angles_[i] = new FloatEdit(definition, 0.0, analysis::kMaxLatticeAngle, 4.0, 10);
        angles_[i]->setObjectName(angleNames[i]);
        angles_[i]->setToolTip("Lattice angle in degrees.");
        lengthLabels_[i] = MakeLabel(definition, lengthCaptions[i], lengths_[i]);
        angleLabels_[i] = MakeLabel(definition, angleCaptions[i], angles_[i]);
        grid->addWidget(lengthLabels_[i], 1, 2 * i);
        grid->addWidget(lengths_[i], 1, 2 * i + 1);
        grid->addWidget(angleLabels_[i], 3, 2 * i);
        grid->addWidget(angles_[i], 3, 2 * i + 1);
        connect(lengths_[i], &QLineEdit::textChanged, this, [this] { SimulateStructure(); });
        connect(angles_[i], &QLineEdit::textChanged, this, [this] { SimulateStructure(); });
    }
    lengthConstraint_ = new QLabel(definition);
    lengthConstraint_->setObjectName("Label25");
    angleConstraint_ = new QLabel(definition);
    angleConstraint_->setObjectName("Label26");
    grid->addWidget(lengthConstraint_, 2, 1, 1, 5);
    grid->addWidget(angleConstraint_, 4, 1, 1, 5);

    const char* minNames[3] = {"SpinEdit7", "SpinEdit8", "SpinEdit9"};
    const char* maxNames[3] = {"SpinEdit10", "SpinEdit11", "SpinEdit12"};
    const char* letters[3] = {"h", "k", "l"};
    for (int i = 0; i < 3; ++i) {
        minIndex_[i] =
            MakeSpin(definition, minNames[i], analysis::kMinIndexLimit, analysis::kMaxMinIndexLimit,
                     0, QString("Smallest index %1").arg(letters[i]));
        maxIndex_[i] =
            MakeSpin(definition, maxNames[i], analysis::kMinMaxIndexLimit, analysis::kMaxIndexLimit,
                     0, QString("Largest index %1").arg(letters[i]));
        grid->addWidget(MakeLabel(definition, QString("%1 min").arg(letters[i]), minIndex_[i]), 5,
                        2 * i);
        grid->addWidget(minIndex_[i], 5, 2 * i + 1);
        grid->addWidget(MakeLabel(definition, QString("%1 max").arg(letters[i]), maxIndex_[i]), 6,
                        2 * i);
        grid->addWidget(maxIndex_[i], 6, 2 * i + 1);
        for (QSpinBox* spin : {minIndex_[i], maxIndex_[i]})
            connect(spin, &QSpinBox::valueChanged, this, [this] { SimulateStructure(); });
    }
    grid->setRowStretch(7, 1);

    auto* right = new QGridLayout(result);
    list_ = new QListWidget(result);
    list_->setObjectName("CheckListBox2");
    list_->setToolTip(
        "Peak positions calculated from the crystal structure ignoring any selection rules. The "
        "X-ray wavelength is taken from the lattice data calculation window.");
    list_->setUniformItemSizes(true);
    auto* all = MakeButton(result, "ButtonDisplayAll", "Display all", "Checks every row.");
    auto* none = MakeButton(result, "ButtonDisplayNone", "Display none", "Unchecks every row.");
    show_ = MakeCheck(result, "CheckBox12", "Show in spectrum", false,
                      "Shows the checked reflections as markers in the plot.");
    right->addWidget(list_, 0, 0, 1, 2);
    right->addWidget(all, 1, 0);
    right->addWidget(none, 1, 1);
    right->addWidget(show_, 2, 0, 1, 2);

    connect(system_, &QComboBox::currentIndexChanged, this, &StructureTab::SelectCrystalSystem);
    connect(all, &QPushButton::clicked, this, [this] { SetAllChecks(true); });
    connect(none, &QPushButton::clicked, this, [this] { SetAllChecks(false); });
    connect(show_, &QCheckBox::toggled, this, [this] { UpdateMarkers(); });
    connect(list_, &QListWidget::itemChanged, this, [this] {
        if (!filling_ && show_->isChecked()) UpdateMarkers();
    });
}

void StructureTab::SelectCrystalSystem(int index) {
    const auto system = static_cast<analysis::TCrystalSystem>(index < 0 ? -1 : index);
    const analysis::TCrystalSystemInputs in = analysis::SelectCrystalSystem(system);
    const bool lengths[3] = {in.A, in.B, in.C}, angles[3] = {in.Alpha, in.Beta, in.Gamma};
    for (int i = 0; i < 3; ++i) {
        lengths_[i]->setEnabled(lengths[i]);
        lengthLabels_[i]->setEnabled(lengths[i]);
        angles_[i]->setEnabled(angles[i]);
        angleLabels_[i]->setEnabled(angles[i]);
    }
    lengthConstraint_->setText(Q(in.LengthLabel));
    angleConstraint_->setText(GreekAngles(in.AngleLabel));
    SimulateStructure();
}

analysis::StructureDefinition StructureTab::Definition() const {
    analysis::StructureDefinition d;
    d.System = static_cast<analysis::TCrystalSystem>(system_->currentIndex());
    d.Lattice.A = lengths_[0]->Value();
    d.Lattice.B = lengths_[1]->Value();
    d.Lattice.C = lengths_[2]->Value();
    d.Lattice.Alpha = angles_[0]->Value();
    d.Lattice.Beta = angles_[1]->Value();
    d.Lattice.Gamma = angles_[2]->Value();
    d.H = {minIndex_[0]->value(), maxIndex_[0]->value()};
    d.K = {minIndex_[1]->value(), maxIndex_[1]->value()};
    d.L = {minIndex_[2]->value(), maxIndex_[2]->value()};
    return d;
}

void StructureTab::SetDefinition(const analysis::StructureDefinition& definition) {
    const analysis::TLatticeParameters& cell = definition.Lattice;
    const double lengths[3] = {cell.A, cell.B, cell.C};
    const double angles[3] = {cell.Alpha, cell.Beta, cell.Gamma};
    const analysis::TIndexRange ranges[3] = {definition.H, definition.K, definition.L};
    // Every field would simulate on its own; the list is worked out once, at the end.
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker b1(lengths_[i]), b2(angles_[i]), b3(minIndex_[i]), b4(maxIndex_[i]);
        lengths_[i]->SetValue(lengths[i]);
        angles_[i]->SetValue(angles[i]);
        minIndex_[i]->setValue(ranges[i].Min);
        maxIndex_[i]->setValue(ranges[i].Max);
    }
    const int index = static_cast<int>(definition.System);
    {
        const QSignalBlocker blocker(system_);
        system_->setCurrentIndex(index);
    }
    SelectCrystalSystem(system_->currentIndex());
}

void StructureTab::SimulateStructure() {
    const analysis::StructureDefinition d = Definition();
    peaks_ = analysis::SimulateStructure(d.System, d.Lattice, d.H, d.K, d.L,
                                         session_.Settings().CurrentWavelength(),
                                         session_.Settings().DecimalSeparator());
    filling_ = true;
    list_->setUpdatesEnabled(false);
    list_->clear();
    for (const auto& p : peaks_) {
        auto* item = new QListWidgetItem(Q(p.Text), list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    list_->setUpdatesEnabled(true);
    filling_ = false;
    if (show_->isChecked()) UpdateMarkers();
}

void StructureTab::SetAllChecks(bool checked) {
    filling_ = true;
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
    if (show_->isChecked()) UpdateMarkers();
}

void StructureTab::UpdateMarkers() {
    auto& markers = session_.View().Markers().Structure;
    markers.clear();
    if (show_->isChecked())
        for (int i = 0; i < list_->count() && i < static_cast<int>(peaks_.size()); ++i)
            if (list_->item(i)->checkState() == Qt::Checked) {
                const auto& p = peaks_[static_cast<size_t>(i)];
                markers.push_back(
                    {p.TwoTheta, session_.Settings().Colors().StrucSimPeak, p.Text, false});
            }
    session_.View().MarkersChanged();
}

}  // namespace trevasc
