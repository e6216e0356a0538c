#include "gui/app/ShortcutList.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSet>
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
        for (const QAction* action : actions) {
            const QList<QKeySequence> keys = action->shortcuts();
            if (keys.isEmpty() || action->text().isEmpty()) continue;
            QStringList keyTexts;
            for (const QKeySequence& key : keys)
                keyTexts << key.toString(QKeySequence::NativeText).toHtmlEscaped();
            const QString row = QStringLiteral("<tr><td>%1</td><td><b>%2</b></td></tr>")
                                    .arg(ActionPath(action).toHtmlEscaped(), keyTexts.join(", "));
            if (seen.contains(row)) continue;
            seen.insert(row);
            rows += row;
        }
        if (rows.isEmpty()) continue;
        html += "<h3>" + caption.toHtmlEscaped() + "</h3>" + "<table cellspacing=\"4\">" + rows +
                "</table>";
    }
    return html + "</body></html>";
}

}  // namespace trevasc
