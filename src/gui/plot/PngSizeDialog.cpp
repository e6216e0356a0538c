#include "gui/plot/PngSizeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace trevasc {

namespace {

QSpinBox* MakeSizeEdit(QWidget* parent, const char* objectName, int value) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setRange(PngSizeDialog::kMinimumSize, PngSizeDialog::kMaximumSize);
    edit->setSingleStep(100);
    edit->setValue(value);
    return edit;
}

}  // namespace

PngSizeDialog::PngSizeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PngSizeDialog"));
    setWindowTitle(QStringLiteral("Save as PNG"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    widthEdit_ = MakeSizeEdit(this, "SpinEditWidth", 1000);
    heightEdit_ = MakeSizeEdit(this, "SpinEditHeight", 750);

    auto* form = new QFormLayout;
    auto* widthLabel = new QLabel(QStringLiteral("Image &width (pixels)"), this);
    widthLabel->setBuddy(widthEdit_);
    auto* heightLabel = new QLabel(QStringLiteral("Image &height (pixels)"), this);
    heightLabel->setBuddy(heightEdit_);
    form->addRow(widthLabel, widthEdit_);
    form->addRow(heightLabel, heightEdit_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog
}

int PngSizeDialog::ImageWidth() const {
    return widthEdit_->value();
}
int PngSizeDialog::ImageHeight() const {
    return heightEdit_->value();
}

void PngSizeDialog::SetImageSize(int width, int height) {
    widthEdit_->setValue(width);
    heightEdit_->setValue(height);
}

void PngSizeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the owner window, as a modal question about that window should be.
    if (QWidget* owner = parentWidget()) {
        const QRect ownerFrame = owner->window()->frameGeometry();
        move(ownerFrame.center() - rect().center());
    }
    widthEdit_->setFocus();
    widthEdit_->selectAll();
}

}  // namespace trevasc
