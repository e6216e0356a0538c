#include "gui/app/ShortcutList.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSet>
#include <QShortcut>
#include <QWidget>

namespace trevasc {

namespace {

// A caption without its mnemonic marks ("&Open" -> "Open", "A && B" -> "A & B").
QString Plain(QString text) {
    text.replace("&&", QStringLiteral("\x01"));
    text.remove('&');
    text.replace(QStringLiteral("\x01"), "&");
    return text;
}

// "Menu > Item" for an action that sits in a menu, else the action's own text.
QString ActionPath(const QAction* action) {
    QString path = Plain(action->text());
    for (QObject* owner : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            if (!menu->title().isEmpty()) return Plain(menu->title()) + " > " + path;
        }
    return path;
}

}  // namespace

QString ShortcutListHtml(const std::vector<std::pair<QString, QWidget*>>& windows) {
    QString html = "<html><body>";
    for (const auto& [caption, window] : windows) {
        QList<QAction*> actions = window->actions();
        for (QAction* a : window->findChildren<QAction*>())
            if (!actions.contains(a)) actions << a;
        QString rows;
        QSet<QString> seen;
        auto addRow = [&](const QString& what, const QList<QKeySequence>& keys) {
            if (keys.isEmpty() || what.isEmpty()) return;
            QStringList keyTexts;
            for (const QKeySequence& key : keys)
                keyTexts << key.toString(QKeySequence::NativeText).toHtmlEscaped();
            const QString row = QStringLiteral("<tr><td>%1</td><td><b>%2</b></td></tr>")
                                    .arg(what.toHtmlEscaped(), keyTexts.join(", "));
            if (seen.contains(row)) return;  // the same key on several lists of one window
            seen.insert(row);
            rows += row;
        };
        for (const QAction* action : actions)
            if (!action->text().isEmpty()) addRow(ActionPath(action), action->shortcuts());
        // Keys without a menu entry (F5, Enter, Esc ...) carry their description as "What's
        // this" text.
        for (const QShortcut* shortcut : window->findChildren<QShortcut*>())
            addRow(Plain(shortcut->whatsThis()), shortcut->keys());
        if (rows.isEmpty()) continue;
        html += "<h3>" + caption.toHtmlEscaped() + "</h3>" + "<table cellspacing=\"4\">" + rows +
                "</table>";
    }
    return html + "</body></html>";
}

}  // namespace trevasc
