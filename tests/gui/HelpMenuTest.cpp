// The Help menu: the About box and the keyboard shortcut list generated from the actions.
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>

#include "GuiTestSupport.h"
#include "Version.h"
#include "gui/plot/PlotWindow.h"

namespace trevasc::test {
namespace {

TEST(HelpMenu, AboutNamesVersionLicenceAddressAndQt) {
    MainWindowHarness h;
    h.MenuItem("&Help", "&About")->trigger();
    const QString text = h.Dialogs.AboutText;
    for (const QString& part :
         {QString(kVersionText), QStringLiteral("build %1").arg(kVersionBuild), QString("MIT"),
          QString(kHomePage), QString(qVersion())})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
}

TEST(HelpMenu, UserManualOpensTheManualBesideTheDefinitionFiles) {
    MainWindowHarness h;
    h.MenuItem("&Help", "&User manual")->trigger();
    ASSERT_EQ(h.Dialogs.OpenedUrls.size(), 1);
    const QUrl url = h.Dialogs.OpenedUrls.front();
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    EXPECT_EQ(QFileInfo(url.toLocalFile()).canonicalFilePath(),
              QFileInfo(QString(TREVASC_BIN_DIR) + "/manual.html").canonicalFilePath());
    QFile page(url.toLocalFile());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("<title>Trevasc user manual</title>"));
    EXPECT_TRUE(html.contains("id=\"fit\""));
    EXPECT_TRUE(h.Prompts.Errors.empty());
}

TEST(HelpMenu, ShortcutListNamesEveryShortcutOfEveryWindow) {
    MainWindowHarness h;
    // An action added later shows up without anybody editing the list.
    auto* extra = new QAction("Zoom &back", h.Window->Plot());
    extra->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    h.Window->Plot()->addAction(extra);

    h.MenuItem("&Help", "&Keyboard shortcuts")->trigger();
    EXPECT_EQ(h.Dialogs.DocumentCaption, "Keyboard shortcuts");
    const QString html = h.Dialogs.DocumentHtml;

    // Every key registered in a window, through a menu action or a shortcut of its own, is in
    // the list with what it does.
    int checked = 0;
    QStringList keysOfShortcuts;
    for (QWidget* window : h.Window->Windows().Windows()) {
        for (QAction* a : window->findChildren<QAction*>()) {
            if (a->shortcut().isEmpty() || a->text().isEmpty()) continue;
            QString plain = a->text();
            plain.remove('&');
            EXPECT_TRUE(html.contains(plain.toHtmlEscaped())) << plain.toStdString();
            EXPECT_TRUE(html.contains(a->shortcut().toString(QKeySequence::NativeText)))
                << plain.toStdString();
            ++checked;
        }
        for (QShortcut* s : window->findChildren<QShortcut*>()) {
            const std::string where = window->objectName().toStdString();
            ASSERT_FALSE(s->whatsThis().isEmpty()) << "a key without description in " << where;
            ASSERT_FALSE(s->keys().isEmpty()) << where;
            for (const QKeySequence& key : s->keys()) {
                const QString row =
                    QStringLiteral("<tr><td>%1</td><td><b>").arg(s->whatsThis().toHtmlEscaped());
                const QString text = key.toString(QKeySequence::NativeText);
                EXPECT_TRUE(html.contains(row) && html.contains(text.toHtmlEscaped()))
                    << where << ": " << s->whatsThis().toStdString() << " " << text.toStdString();
                keysOfShortcuts << text;
            }
        }
    }
    // Open, insert, the plot window's PNG, print and copy, the legend's copy, this list, the
    // added one: the list covers more than one window.
    EXPECT_GE(checked, 7);
    // The keys of the analysis windows: calculate and Nelson-Riley plot, Delete in the lattice
    // lists, the fit window's fits, Accept and Cancel.
    for (const char* key : {"F5", "F6", "Del", "Ctrl+G", "Ctrl+L", "Esc", "Return", "Enter"})
        EXPECT_TRUE(keysOfShortcuts.contains(key)) << key;
    for (const char* part : {"<tr><td>Calculate lattice data</td><td><b>F5</b></td></tr>",
                             "<tr><td>Accept and update peak list</td><td><b>Return, Enter</b>",
                             "<h3>Peak Fitting Module</h3>", "Zoom back",
                             "File &gt; Open data file...", "<h3>XRD Plot</h3>"})
        EXPECT_TRUE(html.contains(part)) << part;
}

}  // namespace
}  // namespace trevasc::test
