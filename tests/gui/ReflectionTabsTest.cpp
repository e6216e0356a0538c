// The tabs "Substrate", "Additional reflections" and "Structure" and the JCPDS import, driven
// through their widgets offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "GuiTestSupport.h"
#include "formats/ReflectionTable.h"
#include "gui/plot/PlotWindow.h"
#include "gui/substrates/JcpdsImportDialog.h"
#include "gui/tabs/AdditionalReflectionsTab.h"
#include "gui/tabs/StructureTab.h"
#include "gui/tabs/SubstrateTab.h"
#include "gui/widgets/FloatEdit.h"
#include "support/ReflectionTableText.h"

using namespace trevasc;
using trevasc::test::MainWindowHarness;

namespace {

std::vector<std::string> Rows(QListWidget* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
    return rows;
}

int MarkersInColor(const plot::TPlotDataset& ds, plot::TColor color) {
    int n = 0;
    for (const auto& h : ds.Highlights) n += h.Color == color && !h.IsMainPeak;
    return n;
}

std::string TableText() {
    return "Si                                        Silicon          7\n" +
           test::ReflectionTableLine("3.1355", "  1  1  1", "1.9201", "  2  2  0") + "\n";
}

}  // namespace

TEST(ReflectionTabs, TabsKeepTheirOrderAndCaptions) {
    MainWindowHarness h;
    auto* tabs = h.Find<QTabWidget>("PageControl1");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->tabText(2), "Substrate");
    EXPECT_EQ(tabs->tabText(3), "Additional reflections");
    EXPECT_EQ(tabs->tabText(4), "Structure");
    EXPECT_EQ(tabs->tabToolTip(4), "Crystal structure simulation");
}

TEST(ReflectionTabs, SubstrateSelectionShowsMarkersAndFillsTheAdditionalTab) {
    MainWindowHarness h;
    h.Window->Session().OpenMainFile(
        test::TestDataFile("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml").toStdString());
    auto* material = h.Find<QComboBox>("ComboBox1");
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->currentIndex(), -1);
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox3")->isEnabled());
    EXPECT_FALSE(h.Find<QPushButton>("Button7")->isEnabled());
    ASSERT_GE(material->count(), 20);

    material->setCurrentIndex(material->findText("SrTiO3"));
    const auto rows = Rows(h.Find<QListWidget>("ListBox1"));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "SrTiO3 (001): 22.753");
    // "ALLOWED" and "LATTICE" reach the other tab through the session
    EXPECT_EQ(h.Find<QLineEdit>("Edit1")->text(), "1,2,3,4,5,6,7,8");
    EXPECT_EQ(h.Find<FloatEdit>("FloatEdit3")->Value(), 3.905);

    h.Click("CheckBox3");
    ASSERT_TRUE(h.Find<QCheckBox>("CheckBox3")->isChecked());
    plot::TPlotDataset ds;
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(ds));
    EXPECT_EQ(MarkersInColor(ds, h.Window->Session().Settings().Colors().SubstratePeak),
              static_cast<int>(rows.size()));

    // a peak near the substrate reflection is named by "Auto identify"
    h.Window->Session().Peaks().Add(22.76);
    h.Click("Button7");
    EXPECT_EQ(h.Window->Session().Scans().MainScan().Peaks.Items[0].Description, "SrTiO3 (001)");
    EXPECT_EQ(Rows(h.Find<QListWidget>("CheckListBox1"))[0], "22.760: SrTiO3 (001)");

    // "Auto select" over the scan's 15..30 degrees: SrTiO3 (001) at 22.753 lies 0.007 from the
    // peak; the next best, LSAT (100) at 22.974, 0.214. Materials without a reflection in the
    // range (MgO: 36.9 and up) take no part.
    material->setCurrentIndex(-1);
    // Cancel in the progress dialog: nothing selected, the tab usable again
    std::vector<ProgressEvent::Phase> phases;
    h.Window->Session().Progress().SetCallback([&](const ProgressEvent& e) {
        phases.push_back(e.Stage);
        return e.Stage != ProgressEvent::Phase::Step || e.Done < 3;
    });
    h.Click("Button5");
    EXPECT_EQ(material->currentIndex(), -1);
    EXPECT_TRUE(h.Find<QWidget>("TabSheet3")->isEnabled());
    ASSERT_EQ(phases.size(), 6u);  // Begin, Step 0..3, End
    EXPECT_EQ(phases.back(), ProgressEvent::Phase::End);
    h.Window->Session().Progress().SetCallback(nullptr);
    h.Click("Button5");
    EXPECT_TRUE(h.Find<QWidget>("TabSheet3")->isEnabled());
    EXPECT_EQ(material->currentText(), "SrTiO3");
    EXPECT_EQ(h.Find<QLineEdit>("Edit1")->text(), "1,2,3,4,5,6,7,8");
    EXPECT_TRUE(h.Find<QPushButton>("Button7")->isEnabled());

    // A scan from 5 to 15 degrees: no material has a reflection there (the lowest one of the
    // database lies at 19°), so none is a candidate and the selection is cleared.
    std::string low;
    for (int i = 0; i <= 100; ++i) low += std::to_string(5 + 0.1 * i) + "\t10\n";
    h.Window->Session().OpenMainFile(h.Config.Write("low.txt", low));
    h.Window->Session().Peaks().Add(10.0);
    h.Click("Button5");
    EXPECT_EQ(material->currentIndex(), -1);
    EXPECT_TRUE(Rows(h.Find<QListWidget>("ListBox1")).empty());
    EXPECT_FALSE(h.Find<QPushButton>("Button7")->isEnabled());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox3")->isEnabled());
}

TEST(ReflectionTabs, ClipboardMaterialAndJcpdsImport) {
    MainWindowHarness h;
    QApplication::clipboard()->setText(QString::fromStdString(TableText()));
    QAction* show = h.MenuItem("&JCPDS", "&Show material from clipboard in spectrum");
    ASSERT_NE(show, nullptr);
    EXPECT_TRUE(h.MenuItem("&JCPDS", "&Import dataset from clipboard to substrate database...")
                    ->isEnabled());
    show->trigger();
    EXPECT_EQ(Rows(h.Find<QListWidget>("ListBox1")),
              (std::vector<std::string>{"Si(1 1 1): 28.442", "Si(2 2 0): 47.302"}));
    EXPECT_TRUE(h.Find<QCheckBox>("CheckBox3")->isChecked());
    h.Window->Substrate()->ShowClipboardMaterial(QString());
    EXPECT_TRUE(Rows(h.Find<QListWidget>("ListBox1")).empty());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox3")->isEnabled());

    JcpdsImportDialog dialog(h.Window->Session(), h.Window->SubstratesIniPath(), h.Window.get());
    dialog.ReadClipboard();
    auto* list = dialog.findChild<QListWidget*>("ListBoxImported");
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"(1 1 1)=28.442", "(2 2 0)=47.302"}));
    auto* name = dialog.findChild<QLineEdit*>("EditName");
    EXPECT_EQ(name->text(), "Si");  // the first 40 characters of the "7" line
    dialog.AddToDatabase();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    h.Window->Substrate()->LoadMaterialList();
    auto* material = h.Find<QComboBox>("ComboBox1");
    const int poly = material->findText("Si poly");
    ASSERT_GE(poly, 0);
    material->setCurrentIndex(poly);
    EXPECT_EQ(Rows(h.Find<QListWidget>("ListBox1")),
              (std::vector<std::string>{"Si(1 1 1): 28.442", "Si(2 2 0): 47.302"}));
}

// A clipboard of plain d and I lines holds no card: both JCPDS items say which layout they read
// and leave what they show alone.
TEST(ReflectionTabs, PlainDSpacingListIsNoCardAndChangesNothing) {
    MainWindowHarness h;
    h.Window->Session().OpenMainFile(
        test::TestDataFile("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml").toStdString());
    QApplication::clipboard()->setText(QString::fromStdString(TableText()));
    QAction* show = h.MenuItem("&JCPDS", "&Show material from clipboard in spectrum");
    ASSERT_NE(show, nullptr);
    show->trigger();
    const std::vector<std::string> silicon{"Si(1 1 1): 28.442", "Si(2 2 0): 47.302"};
    ASSERT_EQ(Rows(h.Find<QListWidget>("ListBox1")), silicon);
    plot::TPlotDataset before;
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(before));
    const auto substrateColor = h.Window->Session().Settings().Colors().SubstratePeak;
    const int markers = MarkersInColor(before, substrateColor);
    ASSERT_GT(markers, 0);

    QApplication::clipboard()->setText("d (A)  I (rel.)\n3.1355  100\n1.9201  55\n1.6375  30\n");
    h.Prompts.Errors.clear();
    show->trigger();
    EXPECT_EQ(h.Prompts.Errors, (std::vector<std::string>{formats::kNoReflectionLinesMessage}));
    EXPECT_EQ(Rows(h.Find<QListWidget>("ListBox1")), silicon);
    EXPECT_TRUE(h.Find<QCheckBox>("CheckBox3")->isChecked());
    EXPECT_TRUE(h.Find<QPushButton>("Button7")->isEnabled());
    plot::TPlotDataset after;
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(after));
    EXPECT_EQ(MarkersInColor(after, substrateColor), markers);

    // The import dialog: the rows read before and the name stay; a first read shows nothing.
    QApplication::clipboard()->setText(QString::fromStdString(TableText()));
    JcpdsImportDialog dialog(h.Window->Session(), h.Window->SubstratesIniPath(), h.Window.get());
    dialog.ReadClipboard();
    auto* list = dialog.findChild<QListWidget*>("ListBoxImported");
    auto* name = dialog.findChild<QLineEdit*>("EditName");
    ASSERT_EQ(Rows(list).size(), 2u);
    name->setText("Silicon");
    QApplication::clipboard()->setText("3.1355 100\n1.9201 55\n");
    h.Prompts.Errors.clear();
    dialog.findChild<QPushButton*>("ButtonReadAgain")->click();
    EXPECT_EQ(h.Prompts.Errors, (std::vector<std::string>{formats::kNoReflectionLinesMessage}));
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"(1 1 1)=28.442", "(2 2 0)=47.302"}));
    EXPECT_EQ(name->text(), "Silicon");
    JcpdsImportDialog fresh(h.Window->Session(), h.Window->SubstratesIniPath(), h.Window.get());
    fresh.ReadClipboard();
    EXPECT_TRUE(Rows(fresh.findChild<QListWidget*>("ListBoxImported")).empty());
    EXPECT_EQ(h.Prompts.Errors.size(), 2u);
}

TEST(ReflectionTabs, AdditionalLinesFollowFieldsModesAndTheHighlightedPeak) {
    MainWindowHarness h;
    auto* energy = h.Find<FloatEdit>("FloatEdit2");
    ASSERT_NE(energy, nullptr);
    EXPECT_EQ(energy->text(), "8000");
    auto* list = h.Find<QListWidget>("ListBox2");
    EXPECT_TRUE(Rows(list).empty());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox5")->isEnabled());

    QTest::keyClicks(h.Find<QLineEdit>("Edit1"), ",9");  // "1,...,8,9": still n = 1..5
    EXPECT_EQ(Rows(list),
              (std::vector<std::string>{"22.343", "45.597", "71.076", "101.608", "151.269"}));
    EXPECT_EQ(h.Window->Session().Settings().PermittedReflexes(), "1,2,3,4,5,6,7,8,9");
    EXPECT_TRUE(h.Find<QCheckBox>("CheckBox5")->isEnabled());

    // another window hands a lattice spacing over through the session
    h.Window->Session().Settings().SetAdditionalLatticeSpacing(8.0);
    EXPECT_EQ(h.Find<FloatEdit>("FloatEdit3")->Value(), 8.0);
    EXPECT_EQ(Rows(list).size(), 9u);

    h.Click("CheckBox5");
    plot::TPlotDataset ds;
    h.OpenTestScan();
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(ds));
    EXPECT_EQ(MarkersInColor(ds, h.Window->Session().Settings().Colors().AdditionalPeak), 9);

    // "Use selected peak": the highlighted peak's spacing, disabled fields
    h.Click("CheckBox7");
    EXPECT_FALSE(h.Find<FloatEdit>("FloatEdit3")->isEnabled());
    EXPECT_FALSE(h.Find<QLineEdit>("Edit1")->isEnabled());
    EXPECT_TRUE(Rows(list).empty());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox5")->isChecked());
    const int row = h.Window->Session().Peaks().Add(30.0);
    h.Window->Session().Peaks().SetHighlightedRow(row);
    ASSERT_EQ(Rows(list).size(), 1u);

    // a transition sets the energy from the X-ray line table
    auto* transition = h.Find<QComboBox>("ComboBox2");
    ASSERT_GT(transition->count(), 0);
    transition->setCurrentIndex(0);
    EXPECT_NE(energy->text(), "8000");
    ASSERT_EQ(Rows(list).size(), 1u);
}

TEST(ReflectionTabs, StructureSimulationListsAndMarksReflections) {
    MainWindowHarness h;
    EXPECT_EQ(h.Find<QLabel>("Label25")->text(), "a<>b<>c = ??");
    EXPECT_EQ(h.Find<QLabel>("Label26")->text(), "α<>β<>γ = ??");
    auto* list = h.Find<QListWidget>("CheckListBox2");
    EXPECT_EQ(list->count(), 0);

    h.Find<QComboBox>("ComboBox3")->setCurrentIndex(3);  // Hexagonal
    EXPECT_EQ(h.Find<QLabel>("Label26")->text(), "α=β=90°, γ=120°");
    EXPECT_FALSE(h.Find<FloatEdit>("FloatEdit6")->isEnabled());
    EXPECT_TRUE(h.Find<FloatEdit>("FloatEdit7")->isEnabled());
    h.Find<FloatEdit>("FloatEdit5")->SetValue(3.189);
    h.Find<FloatEdit>("FloatEdit7")->SetValue(5.185);
    h.Find<QSpinBox>("SpinEdit10")->setValue(2);
    h.Find<QSpinBox>("SpinEdit11")->setValue(2);
    h.Find<QSpinBox>("SpinEdit12")->setValue(2);
    ASSERT_GT(list->count(), 5);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    // the lattice window's wavelength reaches the list through the session
    h.Window->Session().Settings().SetCurrentWavelength(1.540562);
    EXPECT_EQ(list->item(2)->text(), "0 0 0 2 34.569°");
    h.Window->Session().Settings().SetCurrentWavelength(0.709319);  // Mo K-alpha1
    EXPECT_EQ(list->item(2)->text().left(8), "0 0 0 2 ");
    EXPECT_NE(list->item(2)->text(), "0 0 0 2 34.569°");

    h.OpenTestScan();
    h.Click("CheckBox12");
    plot::TPlotDataset ds;
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(ds));
    const auto color = h.Window->Session().Settings().Colors().StrucSimPeak;
    EXPECT_EQ(MarkersInColor(ds, color), list->count());
    h.Click("ButtonDisplayNone");
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(ds));
    EXPECT_EQ(MarkersInColor(ds, color), 0);
    list->item(1)->setCheckState(Qt::Checked);
    ASSERT_TRUE(h.Window->Session().View().BuildPlotDataset(ds));
    ASSERT_EQ(MarkersInColor(ds, color), 1);
}
