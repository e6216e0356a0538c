#pragma once
// The "Keyboard shortcuts" list, generated from the actions of the windows themselves, so that
// it names every shortcut the program really has.
#include <QString>
#include <vector>

class QWidget;

namespace trevasc {

// One table per window (its caption), one row per action with a shortcut: the menu path
// ("File > Open data file...") and the key sequences in the platform's notation.
QString ShortcutListHtml(const std::vector<QWidget*>& windows);

}  // namespace trevasc
