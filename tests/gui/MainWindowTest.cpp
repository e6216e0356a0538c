// The main window driven like a user would: real windows offscreen, widgets found by their
// object names, questions and file dialogs answered by scripts, a temporary configuration folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "GuiTestSupport.h"
#include "core/Configuration.h"
#include "core/IniFile.h"
#include "formats/NumberText.h"
#include "formats/TextExchange.h"
#include "gui/FloatEdit.h"
#include "gui/LegendWindow.h"
#include "gui/PlotWindow.h"
#include "gui/SelectMainPlotDialog.h"
#include "plot/PlotMapping.h"

using namespace trevasc;
using trevasc::test::MainWindowHarness;
using trevasc::test::TestDataFile;

namespace {

constexpr const char* kMainExitQuestion =
    "The collected peak data of the main plot has not been saved so far. Are you sure you want "
    "to exit?";
constexpr const char* kMainOpenQuestion =
    "The collected peak data of the main plot has not been saved so far. Are you sure you want "
    "to open a new XRD file?";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The menu of the main window's menu bar with the given title.
QMenu* MenuOf(MainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == title && a->menu()) return a->menu();
    return nullptr;
}

QAction* ActionOf(QMenu* menu, const QString& text) {
    if (!menu) return nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

// Enabling is evaluated when a menu opens.
void OpenMenu(QMenu* menu) {
    emit menu->aboutToShow();
}

void OpenTestScan(MainWindowHarness& h) {
    ASSERT_TRUE(h.Window->Session().RunAction([&] {
        h.Window->Session().OpenMainFile(TestDataFile(trevasc::test::kTestScan).toStdString());
    })) << (h.Prompts.Errors.empty() ? "" : h.Prompts.Errors.back());
    QApplication::processEvents();
}

// Paints the plot window so that its mapping describes the screen.
void PaintPlot(PlotWindow& plot) {
    plot.PaintBox()->repaint();
    QApplication::processEvents();
}

// Clicks a check box on its indicator (the middle of a stretched box is outside its hit area).
void Click(QCheckBox* box) {
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QStringList Rows(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

}  // namespace

TEST(MainWindowTest, StartsWithSeededFilesDocumentedDefaultsAndCaption) {
    MainWindowHarness h;
    MainWindow& w = *h.Window;
    // Definition files beside the program seed the configuration folder.
    EXPECT_TRUE(std::filesystem::exists(h.Config.File("xray.ini")));
    EXPECT_TRUE(std::filesystem::exists(h.Config.File("substrates.ini")));
    EXPECT_EQ(w.MainIniPath().toStdString(), h.Config.File("trevasc.INI"));
    EXPECT_EQ(w.windowTitle().toStdString(), CurrentProgramTitle());
    EXPECT_EQ(w.objectName(), "MainWindow");

    auto* tabs = h.Find<QTabWidget>("PageControl1");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->tabText(0), "File/Display");
    EXPECT_EQ(tabs->tabToolTip(0), "File operations/display options/peak search");
    EXPECT_EQ(tabs->tabText(1), "Peaks/Reflections");
    EXPECT_EQ(tabs->tabText(4), "Structure");
    EXPECT_EQ(tabs->tabToolTip(4), "Crystal structure simulation");

    EXPECT_TRUE(h.Find<QCheckBox>("CheckBox4")->isChecked());
    EXPECT_TRUE(h.Find<QCheckBox>("CheckBox8")->isChecked());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox6")->isChecked());
    EXPECT_EQ(h.Find<QSpinBox>("SpinEditSlopeCnt")->value(), 15);
    EXPECT_EQ(h.Find<QSpinBox>("SpinEditSlopeCnt")->minimum(), 3);
    EXPECT_EQ(h.Find<QSpinBox>("SpinEditMinPeak")->value(), 30);
    EXPECT_EQ(h.Find<QSpinBox>("SpinEditMinPeak")->maximum(), 10000000);
    EXPECT_EQ(h.Find<QSpinBox>("SpinEdit1")->maximum(), 1000000000);
    EXPECT_EQ(h.Find<QSpinBox>("SpinEdit2")->value(), 5);
    EXPECT_EQ(h.Find<QSpinBox>("SpinEdit5")->value(), 40);
    EXPECT_DOUBLE_EQ(h.Find<FloatEdit>("FloatEdit13")->Value(), 0.1);
    // The window spin boxes show only while their check boxes are checked.
    EXPECT_FALSE(h.Find<QSpinBox>("SpinEdit2")->isVisible());
    EXPECT_FALSE(h.Find<QSpinBox>("SpinEdit3")->isVisible());
    Click(h.Find<QCheckBox>("CheckBox1"));
    EXPECT_TRUE(h.Find<QSpinBox>("SpinEdit2")->isVisible());

    auto* find1 = h.Find<QPushButton>("Button1");
    EXPECT_EQ(find1->text(), "Find peaks (Method 1)");
    EXPECT_FALSE(find1->isEnabled());
    EXPECT_FALSE(h.Find<QPushButton>("Button14")->isEnabled());
    EXPECT_EQ(h.Find<QPushButton>("BitBtnOpen")->toolTip(),
              "Clears the plot window and open a new XRD file.");
    EXPECT_EQ(h.Find<QListWidget>("CheckListBox1")->toolTip(), "List of peaks of the main plot. ");
    // Every control explains itself.
    for (QWidget* child : w.findChildren<QWidget*>()) {
        if ((qobject_cast<QPushButton*>(child) || qobject_cast<QCheckBox*>(child) ||
             qobject_cast<QSpinBox*>(child)) &&
            child->window() == &w)
            EXPECT_FALSE(child->toolTip().isEmpty()) << child->objectName().toStdString();
    }

    // Menus in order, with the enabling rules of an empty workbench.
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        if (a->isVisible()) titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "E&xport", "&Import", "&Edit", "&Plot", "&Options",
                                   "&Window", "&JCPDS"}));
    QMenu* exportMenu = MenuOf(w, "E&xport");
    OpenMenu(exportMenu);
    EXPECT_FALSE(ActionOf(exportMenu, "&Spectrum to textfile")->isEnabled());
    EXPECT_TRUE(ActionOf(exportMenu, "&All spectra to textfile")->isEnabled());
    EXPECT_FALSE(ActionOf(exportMenu, "&Peak list to textfile")->isEnabled());
    QMenu* importMenu = MenuOf(w, "&Import");
    OpenMenu(importMenu);
    EXPECT_FALSE(ActionOf(importMenu, "&Peak list from textfile")->isEnabled());
    QMenu* editMenu = MenuOf(w, "&Edit");
    OpenMenu(editMenu);
    EXPECT_FALSE(ActionOf(editMenu, "Copy &spectrum")->isEnabled());
    EXPECT_FALSE(ActionOf(editMenu, "Copy s&elected peaks")->isEnabled());
    EXPECT_TRUE(ActionOf(MenuOf(w, "&Options"), "Check for &update on start")->isChecked());
}

TEST(MainWindowTest, OpenFindPeaksToggleCheckMarkAndCloseWithQuestions) {
    MainWindowHarness h;
    MainWindow& w = *h.Window;
    OpenTestScan(h);
    const TDataSet& main = w.Session().MainScan();
    ASSERT_GT(main.Count, 100);

    PlotWindow& plot = *w.Plot();
    EXPECT_TRUE(plot.isVisible());
    const plot::TPlotDataset& ds = plot.Dataset();
    EXPECT_EQ(ds.Count, main.Count);
    EXPECT_EQ(ds.Title, w.Session().Registry().PlotTitle);
    EXPECT_EQ(ds.Title.rfind("XRD Plot: ", 0), 0u);
    EXPECT_EQ(ds.XTitle, "TwoTheta");
    EXPECT_EQ(ds.YTitle, "Counts");
    EXPECT_TRUE(ds.LogY);
    EXPECT_DOUBLE_EQ(ds.ViewXMin, main.Points.front().Position);
    EXPECT_DOUBLE_EQ(ds.ViewXMax, main.Points.back().Position);
    EXPECT_DOUBLE_EQ(h.Find<FloatEdit>("FloatEdit11")->Value(), ds.ViewXMin);
    EXPECT_EQ(w.windowTitle().toStdString(),
              std::string(trevasc::test::kTestScan) + ": " + CurrentProgramTitle());

    // Unchecking "Logarithmic scaling" only refreshes the plot.
    Click(h.Find<QCheckBox>("CheckBox4"));
    EXPECT_FALSE(plot.Dataset().LogY);

    auto* find1 = h.Find<QPushButton>("Button1");
    ASSERT_TRUE(find1->isEnabled());
    QTest::mouseClick(find1, Qt::LeftButton);
    const auto& peaks = main.Peaks.Items;
    ASSERT_FALSE(peaks.empty());
    EXPECT_TRUE(main.Peaks.Unsaved);
    auto* list = h.Find<QListWidget>("CheckListBox1");
    ASSERT_EQ(list->count(), static_cast<int>(peaks.size()));
    for (int i = 0; i < list->count(); ++i) {
        EXPECT_EQ(list->item(i)->text().toStdString(), formats::FormatFixed(peaks[i].Position, 3));
        EXPECT_EQ(list->item(i)->checkState(), Qt::Checked);
    }
    // Every peak is a marker of the main scan, red while checked.
    ASSERT_EQ(plot.Dataset().HighlightCount, static_cast<int>(peaks.size()));
    for (const plot::THighlightPoint& m : plot.Dataset().Highlights) {
        EXPECT_TRUE(m.IsMainPeak);
        EXPECT_EQ(m.Color, w.Colors().HiLitPeak);
    }

    // The check mark is the model's Checked field; the marker turns to the "Peak" colour.
    list->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(peaks[0].Checked);
    EXPECT_EQ(plot.Dataset().Highlights[0].Color, w.Colors().Peak);
    QTest::mouseClick(h.Find<QPushButton>("Button9"), Qt::LeftButton);  // "Check all"
    EXPECT_TRUE(peaks[0].Checked);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(plot.Dataset().Highlights[0].Color, w.Colors().HiLitPeak);

    // Clicking a peak marker highlights its row; a second click toggles its check mark.
    w.SelectPeakNearPosition(peaks[1].Position + 0.001);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(peaks[1].Checked);
    w.SelectPeakNearPosition(peaks[1].Position);
    EXPECT_FALSE(peaks[1].Checked);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);

    // Closing with unsaved peaks: "No" keeps the program running, but the positions are saved.
    h.Prompts.ConfirmAnswers = {false};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(h.Prompts.Questions.size(), 1u);
    EXPECT_EQ(h.Prompts.Questions[0], kMainExitQuestion);
    IniFile ini(h.Config.File("trevasc.INI"));
    EXPECT_EQ(ini.ReadInteger("MAINWINDOW", "Left", -1), w.x());
    EXPECT_EQ(ini.ReadInteger("PLOTWINDOW", "Width", -1), plot.width());
    // Settings of the exit are not written by a cancelled close.
    EXPECT_FALSE(ini.HasKey("FILEHISTORY", "FILE0"));
    EXPECT_FALSE(std::filesystem::exists(h.Config.File("colors.ini")));

    h.Prompts.ConfirmAnswers = {true};
    EXPECT_TRUE(w.close());
    EXPECT_EQ(h.Prompts.Questions.size(), 2u);
    EXPECT_FALSE(plot.isVisible());
    IniFile after(h.Config.File("trevasc.INI"));
    EXPECT_EQ(after.ReadString("FILEHISTORY", "FILE0", ""),
              TestDataFile(trevasc::test::kTestScan).toStdString());
    EXPECT_TRUE(std::filesystem::exists(h.Config.File("colors.ini")));
}

TEST(MainWindowTest, TwoClicksOnThePlotZoomAndTheRangeFieldsFollow) {
    MainWindowHarness h;
    OpenTestScan(h);
    PlotWindow& plot = *h.Window->Plot();
    PaintPlot(plot);
    const plot::TPlotArea area = plot.Area();
    ASSERT_GT(area.Right - area.Left, 100);
    const int y = (area.Top + area.Bottom) / 2;
    const int x1 = area.Left + (area.Right - area.Left) / 4;
    const int x2 = area.Left + 3 * (area.Right - area.Left) / 4;
    // Second click left of the first: the same range.
    QTest::mouseClick(plot.PaintBox(), Qt::LeftButton, {}, QPoint(x2, y));
    QTest::mouseClick(plot.PaintBox(), Qt::LeftButton, {}, QPoint(x1, y));
    const double from = plot::PixelToWorld(x1, y, area).X;
    const double to = plot::PixelToWorld(x2, y, area).X;
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), from);
    EXPECT_DOUBLE_EQ(plot.ViewXMax(), to);
    auto* fromEdit = h.Find<FloatEdit>("FloatEdit11");
    auto* toEdit = h.Find<FloatEdit>("FloatEdit12");
    EXPECT_NEAR(fromEdit->Value(), from, 1e-6);
    EXPECT_NEAR(toEdit->Value(), to, 1e-6);

    // A refresh (here: "Show slope") keeps the zoom.
    Click(h.Find<QCheckBox>("CheckBox6"));
    EXPECT_EQ(plot.Dataset().SecondaryTitle, "Slope");
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), from);

    // "Apply" with swapped limits, then with equal limits.
    fromEdit->SetValue(25);
    toEdit->SetValue(20);
    QTest::mouseClick(h.Find<QPushButton>("Button18"), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), 20);
    EXPECT_DOUBLE_EQ(plot.ViewXMax(), 25);
    fromEdit->SetValue(25);
    toEdit->SetValue(25);
    QTest::mouseClick(h.Find<QPushButton>("Button18"), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), 25);
    EXPECT_DOUBLE_EQ(plot.ViewXMax(), 26);

    // "In current 2Theta plot range only" keeps the old peaks outside the zoom range.
    const TDataSet& main = h.Window->Session().MainScan();
    QTest::mouseClick(h.Find<QPushButton>("Button1"), Qt::LeftButton);
    const size_t all = main.Peaks.Items.size();
    ASSERT_GT(all, 1u);
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), main.Points.front().Position);  // full range again
    fromEdit->SetValue(15);
    toEdit->SetValue(20);
    QTest::mouseClick(h.Find<QPushButton>("Button18"), Qt::LeftButton);
    Click(h.Find<QCheckBox>("CheckBox15"));
    QTest::mouseClick(h.Find<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(main.Peaks.Items.size(), all);
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), 15);  // the zoom stays in range-only mode

    // A right click shows the full range.
    QTest::mouseClick(plot.PaintBox(), Qt::RightButton, {}, QPoint(x1, y));
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), main.Points.front().Position);
    EXPECT_DOUBLE_EQ(plot.ViewXMax(), main.Points.back().Position);
}

TEST(MainWindowTest, RestartBringsBackPositionsHistoryColoursAndSwitches) {
    MainWindowHarness h;
    OpenTestScan(h);
    h.Window->move(40, 30);
    h.Window->Plot()->resize(500, 400);
    h.Window->Plot()->move(10, 20);
    h.Window->Colors().HiLitPeak = 0x123456;
    h.Window->Colors().MainPlot = 0x00AA00;
    ActionOf(MenuOf(*h.Window, "&Options"), "Check for &update on start")->trigger();
    EXPECT_FALSE(h.Window->CheckUpdatesOnStart());
    const QPoint mainPos = h.Window->pos();
    const QPoint plotPos = h.Window->Plot()->pos();
    ASSERT_TRUE(h.Window->close());

    MainWindow& w = h.Start();
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(w.x(), ClampLeft(mainPos.x(), w.width(), desktop.left(), desktop.width()));
    EXPECT_EQ(w.y(), ClampTop(mainPos.y(), w.height(), desktop.top(), desktop.height()));
    EXPECT_EQ(w.Plot()->size(), QSize(500, 400));
    EXPECT_EQ(w.Plot()->pos(), plotPos);
    EXPECT_EQ(w.Colors().HiLitPeak, 0x123456u);
    EXPECT_EQ(w.Colors().MainPlot, 0x00AA00u);
    EXPECT_FALSE(w.CheckUpdatesOnStart());
    EXPECT_FALSE(ActionOf(MenuOf(w, "&Options"), "Check for &update on start")->isChecked());
    EXPECT_EQ(w.Session().GetFileHistory()[0],
              TestDataFile(trevasc::test::kTestScan).toStdString());
    // The history is the tail of the File menu; choosing it opens the file again.
    QAction* item = ActionOf(MenuOf(w, "&File"), TestDataFile(trevasc::test::kTestScan));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_GT(w.Session().MainScan().Count, 100);
    EXPECT_EQ(w.Plot()->Dataset().MainColor, 0x00AA00u);
}

TEST(MainWindowTest, StoredPositionsAreKeptInsideTheDesktop) {
    MainWindowHarness h;
    h.Window.reset();
    {
        IniFile ini(h.Config.File("trevasc.INI"));
        ini.WriteInteger("MAINWINDOW", "Left", 50000);
        ini.WriteInteger("MAINWINDOW", "Top", -300);
        ini.Save();
    }
    MainWindow& w = h.Start();
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(w.x(), std::max(desktop.left(), desktop.left() + desktop.width() - w.width()));
    EXPECT_EQ(w.y(), desktop.top());
}

TEST(MainWindowTest, CommandLineFileIsOpenedWhenShownAndAMissingOneIsIgnored) {
    MainWindowHarness h;
    h.Start(QString::fromStdString(h.Config.File("missing.xrdml")));
    QApplication::processEvents();
    EXPECT_EQ(h.Window->Session().MainScan().Count, 0);
    EXPECT_TRUE(h.Prompts.Errors.empty());
    EXPECT_FALSE(h.Window->Plot()->isVisible());

    h.Start(TestDataFile(trevasc::test::kTestScan));
    QApplication::processEvents();
    EXPECT_GT(h.Window->Session().MainScan().Count, 100);
    EXPECT_TRUE(h.Window->Plot()->isVisible());
}

TEST(MainWindowTest, OpenButtonAsksAboutUnsavedPeaksFirst) {
    MainWindowHarness h;
    OpenTestScan(h);
    QTest::mouseClick(h.Find<QPushButton>("Button1"), Qt::LeftButton);
    const int32_t peakCount = h.Window->Session().MainScan().Peaks.Count;
    ASSERT_GT(peakCount, 0);

    // "No": nothing is opened and no dialog comes up.
    h.Prompts.ConfirmAnswers = {false};
    QTest::mouseClick(h.Find<QPushButton>("BitBtnOpen"), Qt::LeftButton);
    EXPECT_EQ(h.Prompts.Questions.back(), kMainOpenQuestion);
    EXPECT_EQ(h.Dialogs.OpenCalls, 0);
    EXPECT_EQ(h.Window->Session().MainScan().Peaks.Count, peakCount);

    // "Yes", then a file that is not a scan: the error box shows the reader's message.
    const std::string bad = h.Config.Write("bad.txt", "no numbers here\n");
    h.Prompts.ConfirmAnswers = {true};
    h.Dialogs.OpenAnswers = {{QString::fromStdString(bad)}};
    QTest::mouseClick(h.Find<QPushButton>("BitBtnOpen"), Qt::LeftButton);
    EXPECT_EQ(h.Dialogs.OpenCalls, 1);
    EXPECT_FALSE(h.Prompts.Errors.empty());
    EXPECT_EQ(h.Find<QListWidget>("CheckListBox1")->count(), 0);  // the peak list was emptied
}

TEST(MainWindowTest, PeakButtonsAddIdentifyAndDeletePeaks) {
    MainWindowHarness h;
    OpenTestScan(h);
    MainWindow& w = *h.Window;
    const TDataSet& main = w.Session().MainScan();
    auto* list = h.Find<QListWidget>("CheckListBox1");

    // Right click on "Add manually" asks for the angle; a comma is a decimal mark too.
    h.Prompts.InputAnswers = {std::string("20,5")};
    QTest::mouseClick(h.Find<QPushButton>("Button4"), Qt::RightButton);
    ASSERT_EQ(main.Peaks.Count, 1);
    EXPECT_DOUBLE_EQ(main.Peaks.Items[0].Position, 20.5);
    EXPECT_EQ(h.Prompts.Questions.back(), "Add peak by two theta value");
    h.Prompts.InputAnswers = {std::string("18")};
    QTest::mouseClick(h.Find<QPushButton>("Button4"), Qt::RightButton);
    EXPECT_EQ(Rows(list), QStringList({"18.000", "20.500"}));
    // Not a number: the conversion message, nothing added.
    h.Prompts.InputAnswers = {std::string("abc")};
    QTest::mouseClick(h.Find<QPushButton>("Button4"), Qt::RightButton);
    EXPECT_EQ(main.Peaks.Count, 2);
    ASSERT_FALSE(h.Prompts.Errors.empty());
    EXPECT_EQ(h.Prompts.Errors.back(), formats::FloatConversionMessage("abc"));

    // Left click: the plot window's next click adds the peak.
    QTest::mouseClick(h.Find<QPushButton>("Button4"), Qt::LeftButton);
    EXPECT_TRUE(w.Plot()->AddMode());
    PaintPlot(*w.Plot());
    const plot::TPlotArea area = w.Plot()->Area();
    const QPoint click(area.Left + (area.Right - area.Left) / 2, (area.Top + area.Bottom) / 2);
    QTest::mouseClick(w.Plot()->PaintBox(), Qt::LeftButton, {}, click);
    ASSERT_EQ(main.Peaks.Count, 3);
    EXPECT_FALSE(w.Plot()->AddMode());
    const double clicked = plot::PixelToWorld(click.x(), click.y(), area).X;
    EXPECT_GT(clicked, 20.5);
    EXPECT_DOUBLE_EQ(main.Peaks.Items[2].Position, clicked);

    // Identify the highlighted row; Cancel keeps the description.
    list->setCurrentRow(0);
    h.Prompts.InputAnswers = {std::string("Si (004)")};
    QTest::mouseClick(h.Find<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_EQ(list->item(0)->text(), "18.000: Si (004)");
    EXPECT_EQ(w.Plot()->Dataset().Highlights[0].Text, "Si (004)");
    h.Prompts.InputAnswers = {std::nullopt};
    QTest::mouseClick(h.Find<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_EQ(main.Peaks.Items[0].Description, "Si (004)");

    // Delete the highlighted row: the rows below move up with their check marks.
    list->item(2)->setCheckState(Qt::Unchecked);
    list->setCurrentRow(1);
    QTest::mouseClick(h.Find<QPushButton>("Button3"), Qt::LeftButton);
    ASSERT_EQ(main.Peaks.Count, 2);
    EXPECT_EQ(Rows(list).size(), 2);
    EXPECT_DOUBLE_EQ(main.Peaks.Items[1].Position, clicked);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(main.Peaks.Items[1].Checked);
    EXPECT_EQ(w.Plot()->Dataset().HighlightCount, 2);
    EXPECT_EQ(w.Plot()->Dataset().Highlights[1].Color, w.Colors().Peak);
}

TEST(MainWindowTest, ExportImportAndClipboardUseTheMenus) {
    MainWindowHarness h;
    OpenTestScan(h);
    MainWindow& w = *h.Window;
    QTest::mouseClick(h.Find<QPushButton>("Button1"), Qt::LeftButton);
    TDataSet& main = w.Session().MainScan();
    ASSERT_GE(main.Peaks.Count, 2);
    h.Find<QListWidget>("CheckListBox1")->item(1)->setCheckState(Qt::Unchecked);

    QMenu* editMenu = MenuOf(w, "&Edit");
    OpenMenu(editMenu);
    QAction* copySelected = ActionOf(editMenu, "Copy s&elected peaks");
    ASSERT_TRUE(copySelected->isEnabled());
    copySelected->trigger();
    EXPECT_EQ(
        QGuiApplication::clipboard()->text().toStdString(),
        formats::PeakListClipboardText(main, formats::PeakClipboardContent::SelectedPeaks, '.'));
    ActionOf(editMenu, "Copy &spectrum")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              formats::SpectrumClipboardText(w.Session().Registry(), '.'));

    // Export with descriptions, proposed beside the scan; the list is then saved.
    const std::string target = h.Config.File("peaks.txt");
    h.Dialogs.SaveAnswers = {QString::fromStdString(target)};
    QMenu* exportMenu = MenuOf(w, "E&xport");
    OpenMenu(exportMenu);
    ActionOf(exportMenu, "Peak list+&ident to textfile")->trigger();
    EXPECT_EQ(h.Dialogs.LastProposedName,
              QString(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0_Peaks.txt");
    EXPECT_FALSE(main.Peaks.Unsaved);
    const std::string written = ReadText(target);
    EXPECT_EQ(written.rfind("TITLE " + w.Session().Registry().PlotTitle, 0), 0u);

    // Cancelled save dialog: nothing written.
    h.Dialogs.SaveAnswers = {QString()};
    ActionOf(exportMenu, "&Spectrum to textfile")->trigger();
    EXPECT_FALSE(std::filesystem::exists(h.Config.File("spectrum.txt")));

    // Import it back: same positions and check marks, title restored.
    const std::vector<TPeak> before = main.Peaks.Items;
    w.Session().Registry().PlotTitle = "changed";
    h.Find<QListWidget>("CheckListBox1")->setCurrentRow(-1);
    QTest::mouseClick(h.Find<QPushButton>("Button3"), Qt::LeftButton);  // no highlight: nothing
    EXPECT_EQ(main.Peaks.Items.size(), before.size());
    h.Dialogs.PeakListAnswers = {QString::fromStdString(target)};
    QMenu* importMenu = MenuOf(w, "&Import");
    OpenMenu(importMenu);
    ActionOf(importMenu, "&Peak list from textfile")->trigger();
    ASSERT_EQ(main.Peaks.Items.size(), before.size());
    auto* list = h.Find<QListWidget>("CheckListBox1");
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(main.Peaks.Items[i].Position, before[i].Position, 1e-4);
        EXPECT_EQ(main.Peaks.Items[i].Checked, before[i].Checked);
    }
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_NE(w.Plot()->Dataset().Title, "changed");

    // "Change plot title...": the input box's text becomes the plot title.
    h.Prompts.InputAnswers = {std::string("My film")};
    ActionOf(editMenu, "Change plot &title...")->trigger();
    EXPECT_EQ(h.Prompts.Questions.back(), "Change title of XRD plot");
    EXPECT_EQ(w.Plot()->Dataset().Title, "My film");
}

TEST(MainWindowTest, ProcessingInsertAndThePlotMenu) {
    MainWindowHarness h;
    OpenTestScan(h);
    MainWindow& w = *h.Window;
    TDataSet& main = w.Session().MainScan();
    // Background removal rebuilds the processed points and the plot.
    Click(h.Find<QCheckBox>("CheckBox11"));
    EXPECT_TRUE(h.Find<QSpinBox>("SpinEdit5")->isVisible());
    bool changed = false;
    for (int i = 0; i < main.Count; ++i)
        changed = changed || main.Points[i].Intensity != main.RawPoints[i].Intensity;
    EXPECT_TRUE(changed);
    Click(h.Find<QCheckBox>("CheckBox11"));
    for (int i = 0; i < main.Count; ++i)
        ASSERT_EQ(main.Points[i].Intensity, main.RawPoints[i].Intensity);

    // Dropped files: the first becomes the main scan, the others are inserted.
    const QString scan = TestDataFile(trevasc::test::kTestScan);
    w.OpenFiles({scan, scan, scan});
    EXPECT_EQ(w.Session().Registry().AdditionalCount(), 2);
    EXPECT_EQ(w.Plot()->Dataset().OverlayCount, 2);
    EXPECT_EQ(w.Colors().AdditionalColorCount, 2);  // random overlay colours were added
    QMenu* plotMenu = MenuOf(w, "&Plot");
    ASSERT_NE(plotMenu, nullptr);
    ASSERT_EQ(plotMenu->actions().size(), 3);
    EXPECT_TRUE(plotMenu->actions()[0]->isChecked());

    // With 20 additional scans the Plot entry becomes the "Select Main Plot" dialog.
    h.Dialogs.OpenAnswers = {QStringList(18, scan)};
    QTest::mouseClick(h.Find<QPushButton>("BitBtnInsert"), Qt::LeftButton);
    EXPECT_EQ(w.Session().Registry().AdditionalCount(), 20);
    EXPECT_TRUE(plotMenu->actions().isEmpty());
    EXPECT_FALSE(w.SelectMainPlot()->IsEmpty());
    EXPECT_EQ(w.SelectMainPlot()->List()->count(), 21);
    EXPECT_EQ(w.SelectMainPlot()->SelectedNumber(), 0);

    // Choosing additional scan 3 in the dialog makes it the main scan; the old main scan becomes
    // additional scan 1.
    TDataSet* oldMain = &w.Session().MainScan();
    TDataSet* third = &w.Session().Registry().Additional(2);
    QAction* plotDialog = w.findChild<QAction*>("PlotDialogAction");
    ASSERT_NE(plotDialog, nullptr);
    EXPECT_TRUE(plotDialog->isVisible());
    QTimer::singleShot(0, &w, [&w] {
        w.SelectMainPlot()->List()->setCurrentRow(3);
        w.SelectMainPlot()->accept();
    });
    plotDialog->trigger();
    EXPECT_EQ(&w.Session().MainScan(), third);
    EXPECT_EQ(&w.Session().Registry().Additional(0), oldMain);
}

TEST(MainWindowTest, DroppedFilesOpenTheFirstAndInsertTheRest) {
    MainWindowHarness h;
    MainWindow& w = *h.Window;
    const QString scan = TestDataFile(trevasc::test::kTestScan);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(scan), QUrl::fromLocalFile(scan)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QApplication::processEvents();
    EXPECT_GT(w.Session().MainScan().Count, 100);
    EXPECT_EQ(w.Session().Registry().AdditionalCount(), 1);

    // The legend lists both scans.
    ActionOf(MenuOf(w, "&Window"), "Plot &Color Legend")->trigger();
    EXPECT_TRUE(w.Legend()->isVisible());
    EXPECT_EQ(w.Legend()->Rows().size(), 2u);

    // Files dropped on the plot window: the same, after the unsaved-peaks question.
    QTest::mouseClick(h.Find<QPushButton>("Button1"), Qt::LeftButton);
    h.Prompts.ConfirmAnswers = {false};
    emit w.Plot()->filesDropped({scan});
    EXPECT_EQ(h.Prompts.Questions.back(), kMainOpenQuestion);
    EXPECT_EQ(w.Session().Registry().AdditionalCount(), 1);
    h.Prompts.ConfirmAnswers = {true};
    emit w.Plot()->filesDropped({scan});
    EXPECT_EQ(w.Session().Registry().AdditionalCount(), 0);
    EXPECT_EQ(h.Find<QListWidget>("CheckListBox1")->count(), 0);
}
