#include "gui/maps/RsmOffsetDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/NumberText.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"
#include "qtcanvas/PlotImageExport.h"

namespace trevasc {

namespace {

QString AngleText(const char* name, double degrees) {
    return QString::fromUtf8(name) + Q(FormatFixed(degrees, 4, UserDecimalSeparator())) +
           QStringLiteral("°");
}

FloatEdit* MakeFloatEdit(QWidget* parent, const char* name, double min, double max, double value,
                         const QString& hint) {
    auto* edit = new FloatEdit(parent, min, max, value);
    edit->setObjectName(name);
    edit->setToolTip(hint);
    return edit;
}

}  // namespace

RsmOffsetDialog::RsmOffsetDialog(WorkbenchSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setObjectName("RsmOffsetDialog");
    setWindowTitle(kRsmOffsetCaption);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout();
    layout->addLayout(columns);

    // Left: the clicked peak and the offsets it gives.
    auto* left = new QVBoxLayout();
    columns->addLayout(left);
    auto* peakGroup = new QGroupBox("Peak Positions", this);
    peakGroup->setObjectName("GroupBoxPeak");
    auto* peakLayout = new QVBoxLayout(peakGroup);
    twoThetaLabel_ = new QLabel(peakGroup);
    twoThetaLabel_->setObjectName("LabelTwoTheta");
    omegaLabel_ = new QLabel(peakGroup);
    omegaLabel_->setObjectName("LabelOmega");
    deltaOmegaLabel_ = new QLabel(peakGroup);
    deltaOmegaLabel_->setObjectName("LabelDeltaOmega");
    for (QLabel* label : {twoThetaLabel_, omegaLabel_, deltaOmegaLabel_})
        peakLayout->addWidget(label);
    left->addWidget(peakGroup);

    auto* form = new QFormLayout();
    expectedTwoTheta_ = MakeFloatEdit(this, "FloatEditExpectedTwoTheta", 0.0, 179.0, 0.0,
                                      "2Theta where the clicked peak is expected.");
    expectedOmega_ = MakeFloatEdit(this, "FloatEditExpectedOmega", -400.0, 400.0, 10.0,
                                   "Omega where the clicked peak is expected.");
    omegaOffset_ = MakeFloatEdit(this, "FloatEditOmegaOffset", -179.0, 179.0, 0.0,
                                 "Added to every Omega of the reciprocal space map.");
    twoThetaOffset_ = MakeFloatEdit(this, "FloatEditTwoThetaOffset", -179.0, 179.0, 0.0,
                                    "Added to every 2Theta of the reciprocal space map.");
    for (FloatEdit* result : {omegaOffset_, twoThetaOffset_}) result->setReadOnly(true);
    form->addRow(MakeLabel(this, "Expected 2Theta [°]", expectedTwoTheta_), expectedTwoTheta_);
    form->addRow(MakeLabel(this, "Expected Omega [°]", expectedOmega_), expectedOmega_);
    form->addRow(MakeLabel(this, "Additional Omega Offset [°]", omegaOffset_), omegaOffset_);
    form->addRow(MakeLabel(this, "2Theta Offset [°]", twoThetaOffset_), twoThetaOffset_);
    left->addLayout(form);
    left->addStretch(1);

    // Right: the expected angles of a reflex.
    auto* calculator = new QGroupBox("2Theta/Omega Offset Calculator", this);
    calculator->setObjectName("GroupBoxCalculator");
    auto* grid = new QGridLayout(calculator);
    latticeA_ = MakeFloatEdit(calculator, "FloatEditA", 0.0, 1000.0, 4.0, "Lattice parameter a.");
    latticeB_ = MakeFloatEdit(calculator, "FloatEditB", 0.0, 1000.0, 4.0, "Lattice parameter b.");
    latticeC_ = MakeFloatEdit(calculator, "FloatEditC", 0.0, 1000.0, 4.0, "Lattice parameter c.");
    int row = 0;
    for (auto [caption, edit] : {std::pair{"a [Å]", latticeA_}, std::pair{"b [Å]", latticeB_},
                                 std::pair{"c [Å]", latticeC_}}) {
        grid->addWidget(MakeLabel(calculator, caption, edit), row, 0);
        grid->addWidget(edit, row, 1, 1, 3);
        ++row;
    }
    const char* indexNames[] = {"h", "k", "l"};
    for (int i = 0; i < 3; ++i) {
        auto* heading = new QLabel(indexNames[i], calculator);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, row, i + 1);
    }
    ++row;
    const char* reflexNames[] = {"SpinEditReflexH", "SpinEditReflexK", "SpinEditReflexL"};
    const char* orientationNames[] = {"SpinEditOrientationH", "SpinEditOrientationK",
                                      "SpinEditOrientationL"};
    for (int i = 0; i < 3; ++i) {
        reflex_[i] = MakeSpin(calculator, reflexNames[i], -100, 100, 0,
                              "Miller index of the reflex that was clicked.");
        orientation_[i] = MakeSpin(calculator, orientationNames[i], -100, 100, 0,
                                   "Miller index of the substrate's surface normal.");
        FitSpinWidth(reflex_[i]);
        FitSpinWidth(orientation_[i]);
    }
    grid->addWidget(MakeLabel(calculator, "Reflex:", reflex_[0]), row, 0);
    for (int i = 0; i < 3; ++i) grid->addWidget(reflex_[i], row, i + 1);
    ++row;
    grid->addWidget(MakeLabel(calculator, "Substrate orientation", orientation_[0]), row, 0);
    for (int i = 0; i < 3; ++i) grid->addWidget(orientation_[i], row, i + 1);
    ++row;
    rotatePhi_ = MakeCheck(calculator, "CheckBoxRotatePhi", "Rotate by 180° (phi)", false,
                           "The sample was measured turned by 180° about its normal.");
    grid->addWidget(rotatePhi_, row++, 0, 1, 4);
    QPushButton* calculate = MakeButton(calculator, "ButtonCalculate", "Calculate 2Theta/Offset",
                                        "Expected 2Theta and Omega of the reflex.");
    grid->addWidget(calculate, row++, 0, 1, 4);
    grid->setRowStretch(row, 1);
    columns->addWidget(calculator);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("ButtonOK");
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("ButtonCancel");
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(calculate, &QPushButton::clicked, this, &RsmOffsetDialog::CalculateClick);
    for (FloatEdit* expected : {expectedTwoTheta_, expectedOmega_})
        connect(expected, &QLineEdit::textChanged, this, &RsmOffsetDialog::Recalculate);
    SetPeak({});
}

void RsmOffsetDialog::SetPeak(const tools::OffsetsDialogInput& peak) {
    peak_ = peak;
    twoThetaLabel_->setText(AngleText("2Theta = ", peak.TwoTheta));
    omegaLabel_->setText(AngleText("Omega = ", peak.Omega));
    deltaOmegaLabel_->setText(AngleText("DeltaOmega = ", peak.DeltaOmega));
    expectedTwoTheta_->SetValue(peak.TwoTheta);
    // The field shows the clicked 2Theta to its 10 digits and reads back that rounded value:
    // the offset is taken against the same value, so that it starts at exactly 0 instead of
    // the rounding (a 2Theta offset of "-1.578939646E-9" for an untouched field).
    peak_.TwoTheta = expectedTwoTheta_->Value();
    Recalculate();
}

void RsmOffsetDialog::Recalculate() {
    const tools::RsmOffsets offsets =
        tools::ComputeRsmOffsets(peak_, expectedTwoTheta_->Value(), expectedOmega_->Value());
    omegaOffset_->SetValue(offsets.OmegaOffset);
    twoThetaOffset_->SetValue(offsets.TwoThetaOffset);
}

tools::RsmOffsets RsmOffsetDialog::Offsets() const {
    tools::RsmOffsets offsets;
    offsets.OmegaOffset = omegaOffset_->Value();
    offsets.TwoThetaOffset = twoThetaOffset_->Value();
    return offsets;
}

void RsmOffsetDialog::CalculateClick() {
    tools::RsmReflexInput input;
    input.A = latticeA_->Value();
    input.B = latticeB_->Value();
    input.C = latticeC_->Value();
    input.H = reflex_[0]->value();
    input.K = reflex_[1]->value();
    input.L = reflex_[2]->value();
    input.OrientationH = orientation_[0]->value();
    input.OrientationK = orientation_[1]->value();
    input.OrientationL = orientation_[2]->value();
    input.RotatePhi = rotatePhi_->isChecked();
    input.Wavelength = session_.Settings().CurrentWavelength();
    const tools::RsmReflexResult result = tools::CalculateExpectedAngles(input);
    if (!result.Ok) {
        session_.GetPrompts().ShowError(result.Message);
        return;
    }
    expectedTwoTheta_->SetValue(result.ExpectedTwoTheta);
    expectedOmega_->SetValue(result.ExpectedOmega);
}

}  // namespace trevasc
