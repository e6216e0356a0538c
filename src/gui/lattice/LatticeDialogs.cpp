#include "gui/lattice/LatticeDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/widgets/FloatEdit.h"
#include "tools/lattice/LatticeCalculation.h"

namespace trevasc {

AutoScanDialog::AutoScanDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("AutoScanDialog");
    setWindowTitle("Auto scan parameters");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Lattice constant range [Å]", this);
    auto* form = new QFormLayout(group);
    const auto field = tools::LatticeCalculation::AutoStartField();
    start_ = new FloatEdit(group, field.Min(), field.Max(), 1.0, field.Digits());
    start_->setObjectName("FloatEditStart");
    start_->setToolTip("Minimum lattice parameter for fit.");
    end_ = new FloatEdit(group, field.Min(), field.Max(), 120.0, field.Digits());
    end_->setObjectName("FloatEditEnd");
    end_->setToolTip("Maximum lattice parameter for fit.");
    const auto stepField = tools::LatticeCalculation::AutoStepField();
    step_ = new FloatEdit(group, stepField.Min(), stepField.Max(), 0.1, stepField.Digits());
    step_->setObjectName("FloatEditStep");
    step_->setToolTip("Stepwidth used for fit.");
    form->addRow("Start", start_);
    form->addRow("End", end_);
    form->addRow("Stepwidth [Å]", step_);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("Start", QDialogButtonBox::AcceptRole);
    ok->setObjectName("ButtonStart");
    ok->setToolTip("Find best matching lattice parameter in the selected range.");
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("ButtonCancel");
    cancel->setToolTip("Cancels auto scan.");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

double AutoScanDialog::Start() const {
    return start_->Value();
}
double AutoScanDialog::End() const {
    return end_->Value();
}
double AutoScanDialog::Step() const {
    return step_->Value();
}

HklAssignDialog::HklAssignDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("HklAssignDialog");
    setWindowTitle("Assign hkl to selected peak");
    auto* layout = new QVBoxLayout(this);
    spin_ = new QSpinBox(this);
    spin_->setObjectName("SpinEditMultiplier");
    spin_->setRange(0, 100);
    auto* label =
        new QLabel("Multiple of base hkl (set to zero to return to auto assignment)", this);
    label->setBuddy(spin_);
    layout->addWidget(label);
    layout->addWidget(spin_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int HklAssignDialog::Multiplier() const {
    return spin_->value();
}

void HklAssignDialog::SetMultiplier(int value) {
    spin_->setValue(value);
}

}  // namespace trevasc
