// What a new user ran into (captions with a suffix: see the main window test): a peak list that
// disagreed with its view, rows highlighted by surprise, a lost Plot-menu mark, fields and rows
// too narrow to read, a disabled Window menu built in two places, damaged stored sizes and
// directories as scans.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTabWidget>

#include "GuiTestSupport.h"
#include "base/IniFile.h"
#include "gui/app/WindowRegistry.h"
#include "gui/maps/TwoAxisWindow.h"
#include "gui/plot/PlotWindow.h"
#include "gui/widgets/FloatEdit.h"

namespace trevasc {
namespace {

using test::MainWindowHarness;

// The items of the Window menu of `window`, disabled ones marked.
QStringList WindowMenuOf(QMainWindow& window) {
    QStringList texts;
    for (QAction* m : window.menuBar()->actions())
        if (m->text() == "&Window")
            for (QAction* a : m->menu()->actions())
                texts << a->text() + (a->isEnabled() ? "" : " (off)");
    return texts;
}

TEST(NewUserFaults, PeakListViewAndModelNeverDisagree) {
    MainWindowHarness h;
    // A peak list beside the scan with a bad third line: the two peaks before it are kept and
    // shown, and the error says why.
    const std::string scan = h.Config.Write("scan.txt", "10\t5\n10.5\t50\n11\t500\n11.5\t50\n");
    h.Config.Write("scan_Peaks.txt", "10.5\r\n11.0\r\nnot a number\r\n11.5\r\n");
    h.Window->OpenFiles({QString::fromStdString(scan)});
    auto* list = h.Find<QListWidget>("CheckListBox1");
    const TDataSet& main = h.Window->Session().Scans().MainScan();
    EXPECT_EQ(std::pair(main.Peaks.Count(), list->count()), std::pair(2, 2));
    EXPECT_EQ(h.Prompts.Errors.size(), 1u);

    // Deleting leaves nothing highlighted: a second press deletes nothing.
    list->setCurrentRow(0);
    h.Click("Button3");
    EXPECT_EQ(list->currentRow(), -1);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    h.Click("Button3");
    EXPECT_EQ(main.Peaks.Count(), 1);

    // Adding a peak by angle keeps the highlighted peak highlighted.
    list->setCurrentRow(0);  // 11.000
    h.Prompts.InputAnswers = {std::string("10.2")};
    h.Click("Button4", Qt::RightButton);
    ASSERT_EQ(list->currentRow(), 1);
    EXPECT_EQ(list->currentItem()->text(), "11.000");
}

TEST(NewUserFaults, PlotMenuKeepsTheMainScansMark) {
    MainWindowHarness h;
    h.OpenTestScan();
    h.Window->Session().InsertFiles({test::TestDataFile().toStdString()});
    QMenu* plot = h.Menu("&Plot");
    ASSERT_GE(plot->actions().size(), 2);
    QAction* main = plot->actions().first();
    main->trigger();
    EXPECT_TRUE(main->isChecked());
    EXPECT_EQ(h.Window->Session().Scans().Registry().AdditionalCount(), 1);
}

TEST(NewUserFaults, RowsAndRangeFieldsAreReadableAndTheWindowResizes) {
    MainWindowHarness h;
    h.OpenTestScan();
    MainWindow& w = *h.Window;
    w.Session().Peaks().Add(22.5, "SrTiO3 (002) substrate reflection");
    h.Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    w.resize(580, 420);
    QApplication::processEvents();
    auto* list = h.Find<QListWidget>("CheckListBox1");
    const QString text = list->item(0)->text();
    // One row per peak (no wrapping into unlabelled columns), as wide as its text.
    EXPECT_FALSE(list->isWrapping());
    EXPECT_GE(list->visualItemRect(list->item(0)).width(),
              list->fontMetrics().horizontalAdvance(text));
    // The window is resizable and the list grows with it.
    const int before = list->width();
    const int wider = w.width() + 400;
    w.resize(wider, 600);
    QApplication::processEvents();
    EXPECT_EQ(list->width(), before + 400);

    auto* from = h.Find<FloatEdit>("FloatEdit11");
    from->SetValue(-69.99936587);
    EXPECT_EQ(from->text(), "-69.99936587");
    EXPECT_GT(from->contentsRect().width(), from->fontMetrics().horizontalAdvance(from->text()));
}

TEST(NewUserFaults, EveryWindowMenuComesFromTheRegistry) {
    MainWindowHarness h;
    const QStringList expected = {"&Trevasc",
                                  "XRD &Plot",
                                  "&Lattice Data Calculation",
                                  "&Nelson-Riley Plot",
                                  "&2-Axis Plot",
                                  "&Reciprocal Space Map",
                                  "Plot &Color Legend",
                                  "Film &Thickness Calculation",
                                  "Pro&file Fit",
                                  "&Size and Strain"};
    EXPECT_EQ(WindowMenuOf(*h.Window), expected);
    EXPECT_EQ(WindowMenuOf(*h.Window->Plot()), expected);
    EXPECT_EQ(WindowMenuOf(*h.Window->TwoAxis()), expected);
    // Its items bring up their windows.
    h.Window->Plot()->hide();
    h.MenuItem("&Window", "XRD &Plot")->trigger();
    EXPECT_TRUE(h.Window->Plot()->isVisible());
}

TEST(NewUserFaults, StoredSizesStayOnTheScreenAndDirectoriesAreNoScans) {
    MainWindowHarness h;
    {
        IniFile ini(h.Config.File("trevasc.INI"));
        ini.WriteInteger("PLOTWINDOW", "Width", 60000);
        ini.WriteInteger("PLOTWINDOW", "Height", 60000);
        ini.Save();
    }
    h.Start(QString::fromStdString(h.Config.Path()));
    QApplication::processEvents();
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_LE(h.Window->Plot()->width(), desktop.width());
    EXPECT_LE(h.Window->Plot()->height(), desktop.height());
    // The folder given as the scan to open is reported, not silently ignored.
    EXPECT_EQ(h.Prompts.Errors, std::vector<std::string>{h.Config.Path() + " is not a file."});
}

}  // namespace
}  // namespace trevasc
