// The File menu's open dialog with the files of other diffractometers (a Rigaku RAS file with
// two scans opens as a main scan and an overlay), and the Help menu: the About box, the manual
// and the keyboard shortcut list generated from the actions.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <algorithm>

#include "GuiTestSupport.h"
#include "Version.h"
#include "formats/XylibReader.h"
#include "gui/plot/PlotWindow.h"

namespace trevasc::test {
namespace {

// The patterns of a dialog filter "Name (*.A *.B)": the words in its last parentheses, as
// the file dialog takes them.
QString PatternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf('(');
    const qsizetype close = filter.lastIndexOf(')');
    return open < 0 || close < open ? QString() : filter.mid(open + 1, close - open - 1);
}

TEST(OpenFormats, DialogFiltersShowTheSampleFileOfEveryFurtherFormat) {
    const QStringList filters = Dialogs::ScanFileFilters();
    ASSERT_TRUE(filters.first().startsWith("All XRD files ("));
    // The catch-all filter stays last and shows every file.
    EXPECT_EQ(PatternsOf(filters.last()), "*");
    // Each sample file with the start of the filter that names its format.
    std::vector<std::pair<const char*, const char*>> cases = {
        {"two_scans_rsm.ras", "Rigaku RAS files ("},
        {"quartz_v4.raw", "Bruker RAW files ("},
        {"film.xye", "Column files XY/XYE ("}};
    if (formats::XylibAvailable())
        for (const char* file :
             {"quartz.uxd", "quartz.rd", "quartz.cif", "quartz_v1.raw", "quartz_v3.raw",
              "quartz_rigaku.dat", "quartz_riet7.dat", "quartz.cpi", "quartz.rit", "quartz.xdd",
              "quartz.udf", "quartz.chi"})
            cases.push_back({file, "Other diffractometer files (xylib) ("});
    for (const auto& [file, filter] : cases) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(QFileInfo::exists(TestDataFile(file)));
        const auto named = std::find_if(filters.begin(), filters.end(),
                                        [&](const QString& f) { return f.startsWith(filter); });
        ASSERT_NE(named, filters.end());
        EXPECT_TRUE(QDir::match(PatternsOf(*named), file)) << named->toStdString();
        EXPECT_TRUE(QDir::match(PatternsOf(filters.first()), file));
    }
}

TEST(OpenFormats, RasFileChosenInTheOpenDialogLoadsBothScans) {
    MainWindowHarness h;
    h.Dialogs.OpenAnswers = {QStringList{TestDataFile("two_scans_rsm.ras")}};
    h.MenuItem("&File", "&Open data file...")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.back();
    const ScanRegistry& scans = h.Window->Session().Scans().Registry();
    ASSERT_EQ(scans.AdditionalCount(), 1);
    EXPECT_EQ(std::pair(scans.MainScan().Count(), scans.Additional(0).Count()), std::pair(4, 4));
    EXPECT_EQ(h.Window->Plot()->Dataset().OverlayCount(), 1);
}

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
    EXPECT_TRUE(html.contains("<title>Trevasc user manual</title>") && html.contains("id=\"fit\""));
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
            ASSERT_FALSE(s->whatsThis().isEmpty() || s->keys().isEmpty()) << where;
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
