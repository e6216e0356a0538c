// The tabs "Substrate", "Additional reflections" and "Structure" and the JCPDS import, driven
// through their widgets offscreen.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "GuiTestSupport.h"
#include "formats/ReflectionTable.h"
#include "gui/substrates/JcpdsImportDialog.h"
#include "gui/tabs/SubstrateTab.h"
#include "gui/widgets/FloatEdit.h"
#include "support/ReflectionTableText.h"

using namespace trevasc;
using trevasc::test::MainWindowHarness;
using trevasc::test::Rows;

namespace {

using Strings = std::vector<std::string>;

// The markers of the plot in `color` (main-scan peaks left out).
int MarkersInColor(MainWindowHarness& h, plot::TColor color) {
    plot::TPlotDataset ds;
    EXPECT_TRUE(h.Window->Session().View().BuildPlotDataset(ds));
    int n = 0;
    for (const auto& m : ds.Highlights) n += m.Color == color && !m.IsMainPeak;
    return n;
}

QString SiliconCard() {
    return QString::fromStdString(
        "Si                                        Silicon          7\n" +
        test::ReflectionTableLine("3.1355", "  1  1  1", "1.9201", "  2  2  0") + "\n");
}

}  // namespace

TEST(ReflectionTabs, SubstrateSelectionShowsMarkersAndFillsTheAdditionalTab) {
    MainWindowHarness h;
    auto* tabs = h.Find<QTabWidget>("PageControl1");
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(QStringList({tabs->tabText(2), tabs->tabText(3), tabs->tabText(4)}),
              QStringList({"Substrate", "Additional reflections", "Structure"}));
    h.OpenTestScan();
    auto* material = h.Find<QComboBox>("ComboBox1");
    auto* markers = h.Find<QCheckBox>("CheckBox3");
    auto* identify = h.Find<QPushButton>("Button7");
    EXPECT_EQ(material->currentIndex(), -1);
    EXPECT_FALSE(markers->isEnabled() || identify->isEnabled());

    material->setCurrentIndex(material->findText("SrTiO3"));
    const QStringList rows = Rows(h.Find<QListWidget>("ListBox1"));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "SrTiO3 (001): 22.753");
    // "ALLOWED" and "LATTICE" reach the other tab through the session.
    EXPECT_EQ(h.Find<QLineEdit>("Edit1")->text(), "1,2,3,4,5,6,7,8");
    EXPECT_EQ(h.Find<FloatEdit>("FloatEdit3")->Value(), 3.905);
    h.Click("CheckBox3");
    const plot::TColor substrate = h.Window->Session().Settings().Colors().SubstratePeak;
    EXPECT_EQ(MarkersInColor(h, substrate), rows.size());
    // A peak near the substrate reflection is named by "Auto identify".
    h.Window->Session().Peaks().Add(22.76);
    h.Click("Button7");
    EXPECT_EQ(Rows(h.Find<QListWidget>("CheckListBox1"))[0], "22.760: SrTiO3 (001)");

    // "Auto select" over the scan's 15..30 degrees: SrTiO3 (001) at 22.753 lies 0.007 from the
    // peak; the next best, LSAT (100) at 22.974, 0.214. Cancel in the progress dialog first:
    // nothing selected, the tab usable again.
    material->setCurrentIndex(-1);
    h.Window->Session().Progress().SetCallback(
        [](const ProgressEvent& e) { return e.Stage != ProgressEvent::Phase::Step || e.Done < 3; });
    h.Click("Button5");
    EXPECT_EQ(material->currentIndex(), -1);
    EXPECT_TRUE(h.Find<QWidget>("TabSheet3")->isEnabled());
    h.Window->Session().Progress().SetCallback(nullptr);
    h.Click("Button5");
    EXPECT_EQ(material->currentText(), "SrTiO3");
    EXPECT_TRUE(identify->isEnabled());
}

// A card on the clipboard is shown and imported; a clipboard of plain d and I lines holds no
// card: both JCPDS items say which layout they read and leave what they show alone.
TEST(ReflectionTabs, ClipboardCardShownAndImportedAndAPlainListChangesNothing) {
    MainWindowHarness h;
    h.OpenTestScan();
    QApplication::clipboard()->setText(SiliconCard());
    QAction* show = h.MenuItem("&JCPDS", "&Show material from clipboard in spectrum");
    show->trigger();
    const QStringList silicon{"Si(1 1 1): 28.442", "Si(2 2 0): 47.302"};
    auto* shown = h.Find<QListWidget>("ListBox1");
    EXPECT_EQ(Rows(shown), silicon);
    EXPECT_TRUE(h.Find<QCheckBox>("CheckBox3")->isChecked());
    const plot::TColor substrate = h.Window->Session().Settings().Colors().SubstratePeak;
    const int markers = MarkersInColor(h, substrate);
    ASSERT_GT(markers, 0);
    const QString plain = "d (A)  I (rel.)\n3.1355  100\n1.9201  55\n1.6375  30\n";
    QApplication::clipboard()->setText(plain);
    show->trigger();
    EXPECT_EQ(h.Prompts.Errors, Strings{formats::kNoReflectionLinesMessage});
    EXPECT_EQ(Rows(shown), silicon);
    EXPECT_EQ(MarkersInColor(h, substrate), markers);
    h.Window->Substrate()->ShowClipboardMaterial(QString());
    EXPECT_TRUE(Rows(shown).empty());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox3")->isEnabled());

    // The import dialog: a plain list read again keeps the rows and the name; a first read of
    // one shows nothing. A name that would rewrite the database is refused, nothing written.
    QApplication::clipboard()->setText(SiliconCard());
    JcpdsImportDialog dialog(h.Window->Session(), h.Window->SubstratesIniPath(), h.Window.get());
    dialog.ReadClipboard();
    auto* list = dialog.findChild<QListWidget*>("ListBoxImported");
    auto* name = dialog.findChild<QLineEdit*>("EditName");
    const QStringList imported{"(1 1 1)=28.442", "(2 2 0)=47.302"};
    EXPECT_EQ(Rows(list), imported);
    EXPECT_EQ(name->text(), "Si");  // the first 40 characters of the "7" line
    QApplication::clipboard()->setText(plain);
    dialog.findChild<QPushButton*>("ButtonReadAgain")->click();
    EXPECT_EQ(h.Prompts.Errors.size(), 2u);
    EXPECT_EQ(Rows(list), imported);
    EXPECT_EQ(name->text(), "Si");
    JcpdsImportDialog fresh(h.Window->Session(), h.Window->SubstratesIniPath(), h.Window.get());
    fresh.ReadClipboard();
    EXPECT_TRUE(Rows(fresh.findChild<QListWidget*>("ListBoxImported")).empty());

    const std::string database = h.Config.Read("substrates.ini");
    name->setText("X]\n[Si]\nLATTICE=9.99");
    dialog.AddToDatabase();
    ASSERT_EQ(h.Prompts.Errors.size(), 4u);
    EXPECT_NE(h.Prompts.Errors[3].find("must not hold"), std::string::npos) << h.Prompts.Errors[3];
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(h.Config.Read("substrates.ini"), database);

    // Added to the database, the card is a material of the Substrate tab.
    name->setText("Si");
    dialog.AddToDatabase();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    h.Window->Substrate()->LoadMaterialList();
    auto* material = h.Find<QComboBox>("ComboBox1");
    material->setCurrentIndex(material->findText("Si poly"));
    EXPECT_EQ(Rows(shown), silicon);
}

TEST(ReflectionTabs, AdditionalLinesFollowFieldsModesAndTheHighlightedPeak) {
    MainWindowHarness h;
    auto* energy = h.Find<FloatEdit>("FloatEdit2");
    EXPECT_EQ(energy->text(), "8000");
    auto* list = h.Find<QListWidget>("ListBox2");
    EXPECT_TRUE(Rows(list).empty());
    EXPECT_FALSE(h.Find<QCheckBox>("CheckBox5")->isEnabled());

    QTest::keyClicks(h.Find<QLineEdit>("Edit1"), ",9");  // "1,...,8,9": still n = 1..5
    EXPECT_EQ(Rows(list), (QStringList{"22.343", "45.597", "71.076", "101.608", "151.269"}));
    EXPECT_EQ(h.Window->Session().Settings().PermittedReflexes(), "1,2,3,4,5,6,7,8,9");
    // Another window hands a lattice spacing over through the session.
    h.Window->Session().Settings().SetAdditionalLatticeSpacing(8.0);
    EXPECT_EQ(h.Find<FloatEdit>("FloatEdit3")->Value(), 8.0);
    EXPECT_EQ(Rows(list).size(), 9);
    h.Click("CheckBox5");
    h.OpenTestScan();
    EXPECT_EQ(MarkersInColor(h, h.Window->Session().Settings().Colors().AdditionalPeak), 9);

    // "Use selected peak": the highlighted peak's spacing, disabled fields.
    h.Click("CheckBox7");
    EXPECT_FALSE(h.Find<FloatEdit>("FloatEdit3")->isEnabled());
    EXPECT_TRUE(Rows(list).empty());
    const int row = h.Window->Session().Peaks().Add(30.0);
    h.Window->Session().Peaks().SetHighlightedRow(row);
    EXPECT_EQ(Rows(list).size(), 1);
    // A transition sets the energy from the X-ray line table.
    h.Find<QComboBox>("ComboBox2")->setCurrentIndex(0);
    EXPECT_NE(energy->text(), "8000");
}

TEST(ReflectionTabs, StructureSimulationListsAndMarksReflections) {
    MainWindowHarness h;
    EXPECT_EQ(h.Find<QLabel>("Label25")->text(), "a<>b<>c = ??");
    auto* list = h.Find<QListWidget>("CheckListBox2");
    EXPECT_EQ(list->count(), 0);
    h.Find<QComboBox>("ComboBox3")->setCurrentIndex(3);  // Hexagonal
    EXPECT_EQ(h.Find<QLabel>("Label26")->text(), "α=β=90°, γ=120°");
    EXPECT_FALSE(h.Find<FloatEdit>("FloatEdit6")->isEnabled());
    h.Find<FloatEdit>("FloatEdit5")->SetValue(3.189);
    h.Find<FloatEdit>("FloatEdit7")->SetValue(5.185);
    for (const char* name : {"SpinEdit10", "SpinEdit11", "SpinEdit12"})
        h.Find<QSpinBox>(name)->setValue(2);
    ASSERT_GT(list->count(), 5);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    // The lattice window's wavelength reaches the list through the session: 2 asin(1.540562 /
    // 5.185) = 34.569° for (0 0 0 2).
    h.Window->Session().Settings().SetCurrentWavelength(1.540562);
    EXPECT_EQ(list->item(2)->text(), "0 0 0 2 34.569°");

    h.OpenTestScan();
    h.Click("CheckBox12");
    const plot::TColor color = h.Window->Session().Settings().Colors().StrucSimPeak;
    EXPECT_EQ(MarkersInColor(h, color), list->count());
    h.Click("ButtonDisplayNone");
    EXPECT_EQ(MarkersInColor(h, color), 0);
    list->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(MarkersInColor(h, color), 1);
}
