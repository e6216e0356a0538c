// The main window driven like a user would: real windows offscreen, widgets found by their
// object names, questions and file dialogs answered by scripts, a temporary configuration folder.
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "GuiTestSupport.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "core/Configuration.h"
#include "gui/app/SelectMainPlotDialog.h"
#include "gui/plot/LegendWindow.h"
#include "gui/plot/PlotWindow.h"
#include "gui/widgets/FloatEdit.h"
#include "plot/PlotMapping.h"

using namespace trevasc;
using trevasc::test::MainWindowHarness;
using trevasc::test::TestDataFile;

namespace {

constexpr const char* kUnsavedPeaks =
    "The collected peak data of the main plot has not been saved so far. Are you sure you want ";

// A point in the middle of the plot's paint area at the given fraction of its width, and its x.
std::pair<QPoint, double> PlotPoint(PlotWindow& plot, double fraction) {
    plot.PaintBox()->repaint();  // the mapping describes the screen after a paint
    const plot::TPlotArea& a = plot.Area();
    const QPoint p(a.Left + static_cast<int>(fraction * (a.Right - a.Left)),
                   (a.Top + a.Bottom) / 2);
    return {p, plot::PixelToWorld(p.x(), p.y(), a).X};
}

}  // namespace

TEST(MainWindowTest, StartsWithSeededFilesAndTheRulesOfAnEmptyWorkbench) {
    MainWindowHarness h;
    MainWindow& w = *h.Window;
    // Definition files beside the program seed the configuration folder.
    EXPECT_TRUE(std::filesystem::exists(h.Config.File("xray.ini")) &&
                std::filesystem::exists(h.Config.File("substrates.ini")));
    EXPECT_EQ(w.windowTitle().toStdString(), CurrentProgramTitle());
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        if (a->isVisible()) titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "E&xport", "&Import", "&Edit", "&Plot", "&Options",
                                   "&Window", "&JCPDS", "&Help"}));
    // The smoothing width shows only while its check box is checked.
    EXPECT_FALSE(h.Find<QSpinBox>("SpinEdit2")->isVisible());
    h.Click("CheckBox1");
    EXPECT_TRUE(h.Find<QSpinBox>("SpinEdit2")->isVisible());
    // Without a scan only what needs none is enabled.
    EXPECT_FALSE(h.Find<QPushButton>("Button1")->isEnabled());
    EXPECT_TRUE(h.MenuItem("E&xport", "&All spectra to textfile")->isEnabled());
    for (auto [menu, item] : {std::pair{"E&xport", "&Spectrum to textfile"},
                              {"E&xport", "&Peak list to textfile"},
                              {"&Import", "&Peak list from textfile"},
                              {"&Edit", "Copy s&elected peaks"}})
        EXPECT_FALSE(h.MenuItem(menu, item)->isEnabled()) << item;
}

TEST(MainWindowTest, OpenFindPeaksToggleCheckMarkAndCloseWithQuestions) {
    MainWindowHarness h;
    MainWindow& w = *h.Window;
    h.OpenTestScan();
    const TDataSet& main = w.Session().Scans().MainScan();
    PlotWindow& plot = *w.Plot();
    EXPECT_TRUE(plot.isVisible());
    // The captions get nothing appended (the platform appends an application display name).
    EXPECT_EQ(w.windowTitle().toStdString(),
              std::string(test::kTestScan) + ": " + CurrentProgramTitle());
    EXPECT_EQ(plot.windowTitle(), "XRD Plot");

    h.Click("Button1");
    const auto& peaks = main.Peaks.Items;
    ASSERT_GE(peaks.size(), 2u);
    auto* list = h.Find<QListWidget>("CheckListBox1");
    ASSERT_EQ(list->count(), static_cast<int>(peaks.size()));
    EXPECT_NEAR(list->item(0)->text().toDouble(), peaks[0].Position, 5e-4);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    // (What the plot window paints is the plot window's and the renderer's tests'.)
    h.Click("CheckBox4");  // "Logarithmic scaling" off only refreshes the plot
    EXPECT_FALSE(plot.Dataset().LogY);

    // The check mark is the model's Checked field; the marker turns to the "Peak" colour.
    list->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(peaks[0].Checked);
    EXPECT_EQ(plot.Dataset().Highlights[0].Color, w.Session().Settings().Colors().Peak);
    h.Click("Button9");  // "Check all"
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(plot.Dataset().Highlights[0].Color, w.Session().Settings().Colors().HiLitPeak);
    // A highlighted peak (a marker click) highlights its row.
    w.Session().Peaks().SelectNearPosition(peaks[1].Position);
    EXPECT_EQ(list->currentRow(), 1);

    // Closing with unsaved peaks: "No" keeps the program running, the positions are saved but
    // not the settings of the exit; "Yes" writes those too.
    h.Prompts.ConfirmAnswers = {false, true};
    EXPECT_FALSE(w.close() || !w.isVisible());
    EXPECT_EQ(h.Prompts.Questions,
              std::vector<std::string>{std::string(kUnsavedPeaks) + "to exit?"});
    IniFile ini(h.Config.File("trevasc.INI"));
    EXPECT_EQ(ini.ReadInteger("PLOTWINDOW", "Width", -1), plot.width());
    EXPECT_FALSE(ini.HasKey("FILEHISTORY", "FILE0"));
    EXPECT_FALSE(std::filesystem::exists(h.Config.File("colors.ini")));
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(plot.isVisible());
    EXPECT_EQ(IniFile(h.Config.File("trevasc.INI")).ReadString("FILEHISTORY", "FILE0", ""),
              TestDataFile().toStdString());
    EXPECT_TRUE(std::filesystem::exists(h.Config.File("colors.ini")));
}

TEST(MainWindowTest, PlotZoomAndRangeFieldsFollowEachOther) {
    MainWindowHarness h;
    h.OpenTestScan();
    PlotWindow& plot = *h.Window->Plot();
    const auto [p1, from] = PlotPoint(plot, 0.25);
    const auto [p2, to] = PlotPoint(plot, 0.75);
    QTest::mouseClick(plot.PaintBox(), Qt::LeftButton, {}, p2);
    QTest::mouseClick(plot.PaintBox(), Qt::LeftButton, {}, p1);
    auto* fromEdit = h.Find<FloatEdit>("FloatEdit11");
    auto* toEdit = h.Find<FloatEdit>("FloatEdit12");
    EXPECT_NEAR(fromEdit->Value(), from, 1e-6);
    EXPECT_NEAR(toEdit->Value(), to, 1e-6);
    h.Click("CheckBox6");  // "Show slope": a refresh keeps the zoom
    EXPECT_EQ(plot.Dataset().SecondaryTitle, "Slope");
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), from);

    // "Apply" takes the typed limits (swapped too); with "In current 2Theta plot range only" a
    // peak search keeps the zoom (the search's rules are the session's tests').
    fromEdit->SetValue(20);
    toEdit->SetValue(15);
    h.Click("Button18");
    EXPECT_DOUBLE_EQ(plot.ViewXMax(), 20);
    h.Click("CheckBox15");
    h.Click("Button1");
    EXPECT_DOUBLE_EQ(plot.ViewXMin(), 15);
}

TEST(MainWindowTest,
     RestartBringsBackPositionsHistoryColoursAndSwitchesAndOpensTheCommandLineFile) {
    MainWindowHarness h;
    h.OpenTestScan();
    h.Window->Plot()->resize(500, 400);
    h.Window->Plot()->move(10, 20);
    h.Window->Session().Settings().Colors().MainPlot = 0x00AA00;
    h.MenuItem("&Options", "Check for &update on start")->trigger();
    const QPoint plotPos = h.Window->Plot()->pos();
    ASSERT_TRUE(h.Window->close());

    // A command-line file that is missing is ignored without a message.
    MainWindow& w = h.Start(QString::fromStdString(h.Config.File("missing.xrdml")));
    QApplication::processEvents();
    EXPECT_EQ(w.Session().Scans().MainScan().Count(), 0);
    EXPECT_TRUE(h.Prompts.Errors.empty());
    EXPECT_EQ(w.Plot()->size(), QSize(500, 400));
    EXPECT_EQ(w.Plot()->pos(), plotPos);
    EXPECT_FALSE(h.MenuItem("&Options", "Check for &update on start")->isChecked());
    // The history is the tail of the File menu; choosing it opens the file again.
    h.MenuItem("&File", TestDataFile())->trigger();
    EXPECT_GT(w.Session().Scans().MainScan().Count(), 100);
    EXPECT_EQ(w.Plot()->Dataset().MainColor, 0x00AA00u);

    // Stored positions off the desktop are pulled back onto it; the command-line file opens.
    h.Window.reset();
    {
        IniFile ini(h.Config.File("trevasc.INI"));
        ini.WriteInteger("MAINWINDOW", "Left", 50000);
        ini.WriteInteger("MAINWINDOW", "Top", -300);
        ini.Save();
    }
    MainWindow& again = h.Start(TestDataFile());
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(again.pos(),
              QPoint(std::max(desktop.left(), desktop.right() + 1 - again.width()), desktop.top()));
    QApplication::processEvents();
    EXPECT_GT(again.Session().Scans().MainScan().Count(), 100);
}

TEST(MainWindowTest, PeakButtonsAddIdentifyAndDeletePeaks) {
    MainWindowHarness h;
    h.OpenTestScan();
    MainWindow& w = *h.Window;
    const TDataSet& main = w.Session().Scans().MainScan();
    auto* list = h.Find<QListWidget>("CheckListBox1");
    w.Session().Peaks().Add(18.0);
    w.Session().Peaks().Add(20.5);
    // Left click on "Add manually": the plot window's next click adds the peak.
    h.Click("Button4");
    const auto [click, clicked] = PlotPoint(*w.Plot(), 0.5);
    QTest::mouseClick(w.Plot()->PaintBox(), Qt::LeftButton, {}, click);
    ASSERT_EQ(main.Peaks.Count(), 3);
    ASSERT_GT(clicked, 20.5);
    EXPECT_DOUBLE_EQ(main.Peaks.Items[2].Position, clicked);

    // Identify the highlighted row; Cancel keeps the description.
    list->setCurrentRow(0);
    h.Prompts.InputAnswers = {std::string("Si (004)"), std::nullopt};
    h.Click("Button2");
    h.Click("Button2");
    EXPECT_EQ(list->item(0)->text(), "18.000: Si (004)");
    EXPECT_EQ(w.Plot()->Dataset().Highlights[0].Text, "Si (004)");

    // Delete the highlighted row: the rows below move up with their check marks.
    list->item(2)->setCheckState(Qt::Unchecked);
    list->setCurrentRow(1);
    h.Click("Button3");
    ASSERT_EQ(main.Peaks.Count(), 2);
    EXPECT_DOUBLE_EQ(main.Peaks.Items[1].Position, clicked);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w.Plot()->Dataset().Highlights[1].Color, w.Session().Settings().Colors().Peak);
}

TEST(MainWindowTest, UnsavedPeaksQuestionsClipboardExportImportAndAFailedOpen) {
    MainWindowHarness h;
    h.OpenTestScan();
    MainWindow& w = *h.Window;
    h.Click("Button1");
    TDataSet& main = w.Session().Scans().MainScan();
    const size_t found = main.Peaks.Items.size();
    ASSERT_GE(found, 2u);
    // "No" to the open button and to files dropped on the plot: nothing opened, no dialog.
    h.Prompts.ConfirmAnswers = {false, false};
    h.Click("BitBtnOpen");
    emit w.Plot()->filesDropped({TestDataFile()});
    const std::string question = std::string(kUnsavedPeaks) + "to open a new XRD file?";
    EXPECT_EQ(h.Prompts.Questions, (std::vector<std::string>{question, question}));
    EXPECT_EQ(h.Dialogs.OpenCalls, 0);
    EXPECT_EQ(main.Peaks.Items.size(), found);

    // "Copy selected peaks": one line per checked peak.
    auto* list = h.Find<QListWidget>("CheckListBox1");
    list->item(1)->setCheckState(Qt::Unchecked);
    h.MenuItem("&Edit", "Copy s&elected peaks")->trigger();
    EXPECT_EQ(static_cast<size_t>(QGuiApplication::clipboard()->text().count("\r\n")), found - 1);

    // Export with descriptions, proposed beside the scan; the list is then saved. Imported back
    // (the file's layout is the formats tests'): the same peaks, check marks and plot title.
    const std::string target = h.Config.File("peaks.txt");
    h.Dialogs.SaveAnswers = {QString::fromStdString(target)};
    h.MenuItem("E&xport", "Peak list+&ident to textfile")->trigger();
    EXPECT_EQ(h.Dialogs.LastProposedName,
              QString(TREVASC_TEST_DATA_DIR) + "/xrdtools_test_scan_2ThetaOmega_v1.0_Peaks.txt");
    EXPECT_FALSE(main.Peaks.Unsaved);
    const std::string title = w.Session().Scans().Registry().PlotTitle;
    w.Session().Scans().Registry().PlotTitle = "changed";
    main.Peaks.Items.clear();
    h.Dialogs.PeakListAnswers = {QString::fromStdString(target)};
    h.MenuItem("&Import", "&Peak list from textfile")->trigger();
    ASSERT_EQ(main.Peaks.Items.size(), found);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w.Plot()->Dataset().Title, title);
    // "Change plot title...": the input box's text becomes the plot title.
    h.Prompts.InputAnswers = {std::string("My film")};
    h.MenuItem("&Edit", "Change plot &title...")->trigger();
    EXPECT_EQ(w.Plot()->Dataset().Title, "My film");

    // A file that is not a scan: the reader's message, and the peak list is emptied.
    h.Dialogs.OpenAnswers = {{QString::fromStdString(h.Config.Write("bad.txt", "no numbers\n"))}};
    h.Click("BitBtnOpen");
    EXPECT_EQ(h.Prompts.Errors.size(), 1u);
    EXPECT_EQ(list->count(), 0);
}

TEST(MainWindowTest, BackgroundDropInsertLegendAndSelectMainPlot) {
    MainWindowHarness h;
    h.OpenTestScan();
    MainWindow& w = *h.Window;
    // Background removal rebuilds the processed points; switched off, they are the raw ones.
    const TDataSet& main = w.Session().Scans().MainScan();
    h.Click("CheckBox11");
    EXPECT_NE(main.Points[0].Intensity, main.RawPoints[0].Intensity);
    h.Click("CheckBox11");
    EXPECT_EQ(main.Points[0].Intensity, main.RawPoints[0].Intensity);

    // Dropped files: the first becomes the main scan, the others are inserted, and the legend
    // lists them all.
    const QString scan = TestDataFile();
    EXPECT_TRUE(test::DropUrls(&w, QList<QUrl>(3, QUrl::fromLocalFile(scan))));
    QApplication::processEvents();  // the files open after the drop handler
    EXPECT_EQ(w.Plot()->Dataset().OverlayCount(), 2);
    h.MenuItem("&Window", "Plot &Color Legend")->trigger();
    EXPECT_EQ(w.Legend()->Rows().size(), 3u);
    QMenu* plotMenu = h.Menu("&Plot");  // the list of scans, main first
    ASSERT_EQ(plotMenu->actions().size(), 3);
    EXPECT_TRUE(plotMenu->actions()[0]->isChecked());

    // With 20 additional scans the Plot entry becomes the "Select Main Plot" dialog; the row
    // chosen there becomes the main scan.
    h.Dialogs.OpenAnswers = {QStringList(18, scan)};
    h.Click("BitBtnInsert");
    EXPECT_EQ(w.SelectMainPlot()->List()->count(), 21);
    const TDataSet* third = &w.Session().Scans().Registry().Additional(2);
    QTimer::singleShot(0, &w, [&w] {
        w.SelectMainPlot()->List()->setCurrentRow(3);
        w.SelectMainPlot()->accept();
    });
    w.findChild<QAction*>("PlotDialogAction")->trigger();
    EXPECT_EQ(&w.Session().Scans().MainScan(), third);
}

// An export chosen onto the open scan file (by a link too) replaces the measurement only when the
// user says so; "No" leaves the file as it was. The plot's PNG goes through the same question.
TEST(MainWindowTest, ExportsAskBeforeReplacingTheOpenScanFile) {
    MainWindowHarness h;
    MainWindow& w = *h.Window;
    const std::string scan = h.Config.File("s.xrdml");
    std::filesystem::copy_file(TestDataFile().toStdString(), scan);
    const std::string link = h.Config.File("link.xrdml");
    std::filesystem::create_symlink(scan, link);
    h.OpenTestScan(QString::fromStdString(scan));
    const std::string measured = h.Config.Read("s.xrdml");
    const std::string question =
        link + " is the open scan file. Replace the measurement with the export?";

    h.Prompts.ConfirmAnswers = {false, false};
    h.Dialogs.SaveAnswers = {QString::fromStdString(link)};
    h.MenuItem("E&xport", "&All spectra to textfile")->trigger();
    h.Dialogs.PngSizeAnswer = true;
    h.Dialogs.PngAnswers = {QString::fromStdString(link)};
    w.Plot()->SaveAsPngClick();
    EXPECT_EQ(h.Prompts.Questions, (std::vector<std::string>{question, question}));
    EXPECT_EQ(h.Config.Read("s.xrdml"), measured);
    EXPECT_TRUE(h.Prompts.Errors.empty());

    // Another name is written without a question; "Yes" replaces the scan with the text.
    h.Dialogs.SaveAnswers = {QString::fromStdString(h.Config.File("s.txt"))};
    h.MenuItem("E&xport", "&All spectra to textfile")->trigger();
    EXPECT_EQ(h.Prompts.Questions.size(), 2u);
    const std::string exported = h.Config.Read("s.txt");
    ASSERT_FALSE(exported.empty());
    h.Prompts.ConfirmAnswers = {true};
    h.Dialogs.SaveAnswers = {QString::fromStdString(scan)};
    h.MenuItem("E&xport", "&All spectra to textfile")->trigger();
    EXPECT_EQ(h.Config.Read("s.xrdml"), exported);
}
