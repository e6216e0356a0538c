#include "gui/plot/PlotColorDialog.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/Dialogs.h"
#include "gui/plot/ColorConversion.h"

namespace trevasc {

namespace {

const char* const kFixedElements[] = {
    "Peak",
    "Highlighted Peak",
    "Substrate Peak",
    "Additional Peak",
    "Structure Simulation Peaks",
    "Main XRD Plot",
    "Slope Plot",
};
constexpr int kFixedElementCount = 7;

int OverlayColorCount(const plot::TColorConfig& config) {
    return std::clamp<int>(config.AdditionalColorCount(), 0,
                           static_cast<int>(config.AdditionalColors.size()));
}

}  // namespace

PlotColorDialog::PlotColorDialog(plot::TColorConfig& config, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), config_(config), dialogs_(dialogs) {
    setObjectName(QStringLiteral("PlotColorDialog"));
    setWindowTitle(QStringLiteral("Plot Color Configuration"));
    // A fixed-size dialog without border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    elementList_ = new QComboBox(this);
    elementList_->setObjectName(QStringLiteral("ComboBoxElement"));
    elementList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* elementLabel = new QLabel(QStringLiteral("&Plot Element"), this);
    elementLabel->setBuddy(elementList_);

    auto* group = new QGroupBox(QStringLiteral("Color of Element"), this);
    group->setObjectName(QStringLiteral("GroupBoxColor"));
    swatch_ = new QFrame(group);
    swatch_->setObjectName(QStringLiteral("ShapeColor"));
    swatch_->setFrameShape(QFrame::Box);
    swatch_->setAutoFillBackground(true);
    swatch_->setMinimumSize(120, 40);
    changeColorButton_ = new QPushButton(QStringLiteral("Change &Color..."), group);
    changeColorButton_->setObjectName(QStringLiteral("ButtonChangeColor"));
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(swatch_, 1);
    groupLayout->addWidget(changeColorButton_);

    doneButton_ = new QPushButton(QStringLiteral("Done"), this);
    doneButton_->setObjectName(QStringLiteral("ButtonDone"));
    doneButton_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(elementLabel);
    layout->addWidget(elementList_);
    layout->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(doneButton_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(elementList_, &QComboBox::currentIndexChanged, this,
            [this](int index) { ElementListChange(index); });
    connect(changeColorButton_, &QPushButton::clicked, this, [this] { ChangeColorClick(); });
    connect(doneButton_, &QPushButton::clicked, this, &QDialog::accept);

    FillElementList();
}

plot::TColor* PlotColorDialog::ElementColor(plot::TColorConfig& config, int index) {
    switch (index) {
        case 0:
            return &config.Peak;
        case 1:
            return &config.HiLitPeak;
        case 2:
            return &config.SubstratePeak;
        case 3:
            return &config.AdditionalPeak;
        case 4:
            return &config.StrucSimPeak;
        case 5:
            return &config.MainPlot;
        case 6:
            return &config.SlopePlot;
        default:
            break;
    }
    const int overlay = index - kFixedElementCount;
    if (overlay >= 0 && overlay < OverlayColorCount(config))
        return &config.AdditionalColors[static_cast<size_t>(overlay)];
    return nullptr;
}

void PlotColorDialog::FillElementList() {
    const QSignalBlocker blocker(elementList_);
    elementList_->clear();
    for (const char* element : kFixedElements) elementList_->addItem(QString::fromLatin1(element));
    const int overlays = OverlayColorCount(config_);
    for (int i = 1; i <= overlays; ++i)
        elementList_->addItem(QStringLiteral("Additional (Overlay) Plot %1").arg(i));
    elementList_->setCurrentIndex(0);
    ElementListChange(elementList_->currentIndex());
}

void PlotColorDialog::ElementListChange(int index) {
    const plot::TColor* color = ElementColor(config_, index);
    changeColorButton_->setEnabled(color != nullptr);
    SetSwatchColor(color != nullptr ? QColorFromPlotColor(*color)
                                    : palette().color(QPalette::Button));
}

void PlotColorDialog::ChangeColorClick() {
    plot::TColor* color = ElementColor(config_, elementList_->currentIndex());
    if (color == nullptr) return;
    const std::optional<QColor> chosen = dialogs_.ChooseColor(this, SwatchColor());
    if (!chosen || !chosen->isValid()) return;
    *color = PlotColorFromQColor(*chosen);
    SetSwatchColor(QColorFromPlotColor(*color));
}

QColor PlotColorDialog::SwatchColor() const {
    return swatch_->palette().color(QPalette::Window);
}

void PlotColorDialog::SetSwatchColor(const QColor& color) {
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, color);
    swatch_->setPalette(palette);
}

void PlotColorDialog::showEvent(QShowEvent* event) {
    // The overlay entries follow the configuration as it is when the dialog opens.
    FillElementList();
    QDialog::showEvent(event);
}

void EditColors(QWidget* parent, plot::TColorConfig& config, Dialogs& dialogs) {
    PlotColorDialog dialog(config, dialogs, parent);
    dialog.exec();
}

}  // namespace trevasc
