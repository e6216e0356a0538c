#pragma once
// The "Keyboard shortcuts" list, generated from the actions of the windows themselves, so that
// it names every shortcut the program really has.
#include <QString>
#include <utility>
#include <vector>

class QWidget;

namespace trevasc {

// One table per window (heading, window), one row per action with a shortcut: the menu path
// ("File > Open data file...") and the key sequences in the platform's notation; then one row
// per QShortcut of the window, named by its "What's this" text (see AddShortcut). Windows
// without a shortcut are left out.
QString ShortcutListHtml(const std::vector<std::pair<QString, QWidget*>>& windows);

}  // namespace trevasc
