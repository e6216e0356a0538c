// The Help menu: the About box and the keyboard shortcut list generated from the actions.
#include <QKeySequence>

#include "GuiTestSupport.h"
#include "Version.h"
#include "gui/plot/PlotWindow.h"

namespace trevasc::test {
namespace {

TEST(HelpMenu, AboutNamesVersionLicenceAddressAndQt) {
    MainWindowHarness h;
    QAction* about = h.MenuItem("&Help", "&About");
    ASSERT_NE(about, nullptr);
    about->trigger();
    const QString text = h.Dialogs.AboutText;
    EXPECT_TRUE(text.contains(kVersionText)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("build %1").arg(kVersionBuild)));
    EXPECT_TRUE(text.contains("MIT"));
    EXPECT_TRUE(text.contains(kHomePage));
    EXPECT_TRUE(text.contains(qVersion()));
}

TEST(HelpMenu, ShortcutListNamesEveryShortcutOfEveryWindow) {
    MainWindowHarness h;
    // An action added later shows up without anybody editing the list.
    auto* extra = new QAction("Zoom &back", h.Window->Plot());
    extra->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    h.Window->Plot()->addAction(extra);

    QAction* item = h.MenuItem("&Help", "&Keyboard shortcuts");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(h.Dialogs.DocumentCaption, "Keyboard shortcuts");
    const QString html = h.Dialogs.DocumentHtml;

    int checked = 0;
    for (QWidget* window : h.Window->Windows().Windows())
        for (QAction* a : window->findChildren<QAction*>()) {
            if (a->shortcut().isEmpty() || a->text().isEmpty()) continue;
            QString plain = a->text();
            plain.remove('&');
            EXPECT_TRUE(html.contains(plain.toHtmlEscaped())) << plain.toStdString();
            EXPECT_TRUE(html.contains(a->shortcut().toString(QKeySequence::NativeText)))
                << plain.toStdString();
            ++checked;
        }
    // Open, insert, the plot window's PNG, print and copy, the legend's copy, this list, the
    // added one: the list covers more than one window.
    EXPECT_GE(checked, 7);
    EXPECT_TRUE(html.contains("Zoom back"));
    EXPECT_TRUE(html.contains("File &gt; Open data file..."));
    EXPECT_TRUE(html.contains("<h3>XRD Plot</h3>"));
    EXPECT_TRUE(html.contains("<h3>Trevasc</h3>"));
}

}  // namespace
}  // namespace trevasc::test
