#include "gui/widgets/Controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>

namespace trevasc {

QSpinBox* MakeSpin(QWidget* parent, const char* name, int min, int max, int value,
                   const QString& hint) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(min, max);
    spin->setValue(value);
    spin->setToolTip(hint);
    spin->setKeyboardTracking(false);
    return spin;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, bool checked,
                     const QString& hint) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    box->setToolTip(hint);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    label->setToolTip(buddy->toolTip());
    return label;
}

void KeepSpaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

void FitSpinWidth(QSpinBox* spin) {
    const QString widest(QString::number(spin->maximum()).size(), '0');
    spin->setFixedWidth(spin->fontMetrics().horizontalAdvance(widest) + 34);
}

QShortcut* AddShortcut(QWidget* parent, const QList<QKeySequence>& keys, const QString& description,
                       Qt::ShortcutContext context) {
    auto* shortcut = new QShortcut(parent);
    shortcut->setKeys(keys);
    shortcut->setContext(context);
    shortcut->setWhatsThis(description);
    return shortcut;
}

}  // namespace trevasc
