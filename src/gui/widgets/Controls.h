#pragma once
// Small helpers shared by the windows: named controls with their hints, and the conversion
// between the program's UTF-8 texts and Qt's strings.
#include <QKeySequence>
#include <QList>
#include <QString>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QShortcut;
class QSpinBox;
class QWidget;

namespace trevasc {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

// A spin box that reports its value only when the user finishes typing or steps with the arrows
// (rebuilding curves on every keystroke would be slow on long scans).
QSpinBox* MakeSpin(QWidget* parent, const char* name, int min, int max, int value,
                   const QString& hint);
QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, bool checked,
                     const QString& hint);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint);
// A label for `buddy` with the buddy's hint.
QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy);
// Keeps the space of a widget while it is hidden, so that its neighbours do not jump.
void KeepSpaceWhenHidden(QWidget* widget);
// Makes a spin box as wide as its largest value, no wider.
void FitSpinWidth(QSpinBox* spin);
// A key of `parent` without a menu entry. `description` (kept as the shortcut's "What's this"
// text) names it in the keyboard shortcut list; connect its activated() signal.
QShortcut* AddShortcut(QWidget* parent, const QList<QKeySequence>& keys, const QString& description,
                       Qt::ShortcutContext context = Qt::WindowShortcut);

}  // namespace trevasc
