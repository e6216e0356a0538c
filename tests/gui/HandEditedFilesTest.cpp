// The configuration files are edited by hand: a word where a number belongs must never end the
// program. Every value of xray.ini, substrates.ini, colors.ini and the main INI file is replaced
// by text, and every window that reads them is driven; each shows its default or a message.
#include <QComboBox>
#include <QDialog>
#include <QSpinBox>
#include <algorithm>

#include "GuiTestSupport.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"
#include "gui/maps/TwoAxisWindow.h"
#include "gui/plot/LegendWindow.h"
#include "gui/plot/PlotWindow.h"
#include "gui/widgets/FloatEdit.h"

using namespace trevasc;
using trevasc::test::MainWindowHarness;

namespace {

constexpr const char* kWord = "text";

// Every value of the file becomes kWord; the update check keeps the closed local port, so that
// the test never asks a server.
void ReplaceValuesByText(const std::string& fileName) {
    IniFile ini(fileName);
    ASSERT_TRUE(ini.Loaded()) << fileName;
    int values = 0;
    for (const std::string& section : ini.Sections())
        for (const std::string& key : ini.Keys(section)) {
            if (section == "AUTOUPDATES" && key == "HOST") continue;
            ini.WriteString(section, key, kWord);
            ++values;
        }
    EXPECT_GT(values, 0) << fileName;
    ini.Save();
}

// Picks every entry of a list as the user does (a transition list reports "activated").
void PickEach(QComboBox* list) {
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        emit list->activated(i);
        QApplication::processEvents();
    }
}

}  // namespace

TEST(HandEditedFiles, EveryValueReplacedByTextEndsNothing) {
    MainWindowHarness h;
    // The files with every key the program seeds or writes: the definition files, colors.ini
    // and the settings and window positions of the main INI file.
    h.Window->SaveWindowPositions();
    h.Window->WriteExitConfiguration();
    h.Window.reset();
    for (const char* file : {"trevasc.INI", "colors.ini", "xray.ini", "substrates.ini"})
        ReplaceValuesByText(h.Config.File(file));

    MainWindow& window = h.Start();
    const std::string conversion = FloatConversionMessage(kWord);
    // The lattice window selects the stored line at creation (an unreadable index reads as 0)
    // and reports that line's energy; nothing else is said at start.
    for (const std::string& e : h.Prompts.Errors) EXPECT_EQ(e, conversion);
    h.Prompts.Errors.clear();

    // Window positions and colours: the designed ones.
    EXPECT_EQ(QRect(window.TwoAxis()->pos(), window.TwoAxis()->size()), QRect(180, 180, 400, 300));
    EXPECT_EQ(window.Session().Settings().Colors().MainPlot, plot::TColorConfig{}.MainPlot);

    h.OpenTestScan();
    window.Session().Peaks().Find(analysis::TPeakMethod::Slope);
    QApplication::processEvents();
    window.Plot()->grab();
    window.ShowLegend();
    window.Legend()->grab();

    // "Additional reflections": each transition reports its unreadable energy; the field keeps
    // its value and the tab stays usable.
    auto* energy = h.Find<FloatEdit>("FloatEdit2");
    const QString energyBefore = energy->text();
    auto* transitions = h.Find<QComboBox>("ComboBox2");
    for (int i = 0; i < transitions->count(); ++i) {
        h.Prompts.Errors.clear();
        transitions->setCurrentIndex(i);
        QApplication::processEvents();
        ASSERT_EQ(h.Prompts.Errors.size(), 1u) << i;
        EXPECT_EQ(h.Prompts.Errors[0], conversion);
        EXPECT_EQ(energy->text(), energyBefore);
    }
    energy->setText("8048.87");  // a typed energy still computes lines
    EXPECT_GT(h.Find<QListWidget>("ListBox2")->count(), 0);

    // The lattice and film thickness windows' selectors: the same message, fields kept.
    for (const char* name : {"LatticeWindow", "XrrWindow"}) {
        QWidget* tool = h.Window->Windows().Window(name);
        tool->show();
        auto* wavelength = tool->findChild<FloatEdit*>("FloatEditWavelength");
        const QString before = wavelength->text();
        h.Prompts.Errors.clear();
        PickEach(tool->findChild<QComboBox*>("ComboBoxTransition"));
        EXPECT_FALSE(h.Prompts.Errors.empty()) << name;
        for (const std::string& e : h.Prompts.Errors) EXPECT_EQ(e, conversion);
        EXPECT_EQ(wavelength->text(), before) << name;
        tool->hide();
    }

    // Substrates: every material lists its problems instead of reflections; "Auto select" and
    // the markers run on what is left.
    PickEach(h.Find<QComboBox>("ComboBox1"));
    h.Click("CheckBox3");
    h.Click("Button5");
    EXPECT_TRUE(h.Find<QWidget>("TabSheet3")->isEnabled());

    // Structure: the simulation with the wavelength that the start-up left.
    h.Find<QComboBox>("ComboBox3")->setCurrentIndex(1);
    h.Find<QSpinBox>("SpinEdit10")->setValue(2);
    h.Click("CheckBox12");
    window.Plot()->grab();

    // Maps: drawn with the default colours, on an area measurement.
    h.OpenTestScan(test::TestDataFile("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml"));
    h.Prompts.ConfirmAnswers = {true};
    window.TwoAxis()->ShowReciprocalSpaceMap();
    EXPECT_TRUE(window.TwoAxis()->isVisible());
    window.TwoAxis()->ShowTwoAxisPlot();
    window.TwoAxis()->grab();

    // The file history holds the word: opening it is a failed open, reported.
    h.Prompts.Errors.clear();
    h.MenuItem("&File", kWord)->trigger();
    EXPECT_EQ(h.Prompts.Errors.size(), 1u);

    // Every window comes up and the program ends normally, writing readable files again.
    for (QWidget* w : window.Windows().Windows()) {
        if (qobject_cast<QDialog*>(w)) continue;
        w->show();
        w->grab();
    }
    window.close();
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(IniFile(h.Config.File("colors.ini")).ReadInteger("PlotColors", "MainPlot", -1),
              static_cast<long long>(plot::TColorConfig{}.MainPlot));
}

TEST(HandEditedFiles, ADamagedMainFileIsReportedAtStartAndNotWrittenAtExit) {
    MainWindowHarness h;
    const std::string damaged = std::string("[MAINWINDOW]\nLeft=5\0\n", 21) +
                                "[FILEHISTORY]\nFILE0=/data/a.xy\n[GNUPLOT]\nEXEFILE=/opt/gp\n"
                                "[AUTOUPDATES]\nHOST=127.0.0.1:9\nENABLED=0\n[OWN]\nkey=1\n";
    h.Config.Write("trevasc.INI", damaged);
    h.Start();
    QApplication::processEvents();
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    EXPECT_NE(h.Prompts.Errors[0].find("trevasc.INI: line 2 holds a NUL byte"), std::string::npos)
        << h.Prompts.Errors[0];
    h.Window->close();
    h.Window.reset();
    EXPECT_EQ(h.Config.Read("trevasc.INI"), damaged);
}

// A stored energy of 0 or below gives no line positions; the "Additional reflections" tab says
// so as it does for a word, instead of listing nothing (0) or lines of a negative energy.
TEST(HandEditedFiles, ZeroOrNegativeLineEnergyIsReportedInTheAdditionalReflectionsTab) {
    MainWindowHarness h;
    h.Window.reset();
    IniFile ini(h.Config.File("xray.ini"));
    ini.WriteString("ENERGY", "Zero", "0");
    ini.WriteString("ENERGY", "Negative", "-8000");
    ini.Save();
    h.Start();
    auto* energy = h.Find<FloatEdit>("FloatEdit2");
    auto* transitions = h.Find<QComboBox>("ComboBox2");
    const QString energyBefore = energy->text();
    const QStringList linesBefore = test::Rows(h.Window.get(), "ListBox2");
    for (const char* name : {"Zero", "Negative"}) {
        transitions->setCurrentIndex(transitions->findText(name));
        QApplication::processEvents();
        EXPECT_EQ(energy->text(), energyBefore) << name;
        EXPECT_EQ(test::Rows(h.Window.get(), "ListBox2"), linesBefore) << name;
    }
    EXPECT_EQ(h.Prompts.Errors, (std::vector<std::string>{
                                    kZeroDivideMessage, "'-8000' is no photon energy above 0 eV"}));
}
