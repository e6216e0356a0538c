#include "gui/widgets/XrayTubeSelector.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "gui/widgets/FloatEdit.h"
#include "qtcanvas/PlotImageExport.h"

namespace trevasc {

XrayTubeSelector::XrayTubeSelector(const QString& xrayIniPath, Prompts& prompts, QWidget* parent)
    : QGroupBox("X-Ray tube", parent),
      state_(xrayIniPath.toStdString(), prompts, UserDecimalSeparator()) {
    setObjectName("XrayTubeSelector");
    const TFloatEditValue energy = XrayTubeSelectorState::EnergyField();
    const TFloatEditValue wavelength = XrayTubeSelectorState::WavelengthField();

    list_ = new QComboBox(this);
    list_->setObjectName("ComboBoxTransition");
    list_->setEditable(false);  // a drop-down that only allows picking
    list_->setToolTip("Select X-ray energy used for calculations.");
    const double initialEnergy = XrayTubeSelectorState::kInitialEnergy;
    energyEdit_ = new FloatEdit(this, energy.Min(), energy.Max(), initialEnergy, energy.Digits());
    energyEdit_->setObjectName("FloatEditEnergy");
    energyEdit_->setToolTip("Select X-ray energy used for calculations.");
    wavelengthEdit_ = new FloatEdit(this, wavelength.Min(), wavelength.Max(),
                                    EnergyToWavelength(initialEnergy), wavelength.Digits());
    wavelengthEdit_->setObjectName("FloatEditWavelength");
    wavelengthEdit_->setToolTip("Select X-ray wavelength used for calculations.");

    auto* grid = new QGridLayout(this);
    auto* listLabel = new QLabel("Material/transition", this);
    listLabel->setBuddy(list_);
    auto* energyLabel = new QLabel("Energy [eV]", this);
    energyLabel->setBuddy(energyEdit_);
    auto* lambdaLabel = new QLabel(QString::fromUtf8("λ"), this);
    lambdaLabel->setBuddy(wavelengthEdit_);
    grid->addWidget(listLabel, 0, 0);
    grid->addWidget(list_, 0, 1, 1, 2);
    grid->addWidget(energyLabel, 1, 0);
    grid->addWidget(energyEdit_, 1, 1, 1, 2);
    grid->addWidget(lambdaLabel, 2, 0);
    grid->addWidget(wavelengthEdit_, 2, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("[Å]"), this), 2, 2);

    state_.Create();
    {
        const QSignalBlocker blocker(list_);
        for (const std::string& name : state_.Names()) list_->addItem(QString::fromStdString(name));
    }
    ShowState(false, false);

    connect(list_, &QComboBox::activated, this, [this](int index) {
        state_.OnSelectionChanged(index);
        ShowState(false, false);
    });
    connect(energyEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        state_.OnEnergyTextEdited(text.toStdString());
        ShowState(true, false);
    });
    connect(wavelengthEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        state_.OnWavelengthTextEdited(text.toStdString());
        ShowState(false, true);
    });
}

void XrayTubeSelector::ShowState(bool energyTyped, bool wavelengthTyped) {
    {
        const QSignalBlocker blocker(list_);
        list_->setCurrentIndex(state_.SelectedIndex());
    }
    // The field the user is typing in keeps its text (and cursor); the other one follows.
    if (!energyTyped) energyEdit_->setText(QString::fromStdString(state_.EnergyText()));
    if (!wavelengthTyped) wavelengthEdit_->setText(QString::fromStdString(state_.WavelengthText()));
    emit wavelengthChanged(state_.Wavelength());
}

}  // namespace trevasc
