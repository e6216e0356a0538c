// What a user set is there again after a restart (a second main window on the same configuration
// folder): the X-ray tube of the lattice window with the wavelength every calculation uses, and
// the fields of the tabs. The selector's stored keys are the core tests'.
#include <QComboBox>
#include <QSpinBox>
#include <utility>

#include "GuiTestSupport.h"
#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/XrayTubeSelector.h"

namespace trevasc::test {
namespace {

XrayTubeSelector* Selector(MainWindowHarness& h, const char* window) {
    QWidget* w = h.Window->Windows().Window(window);
    return w ? w->findChild<XrayTubeSelector*>() : nullptr;
}

// Closes the window as the user does (questions answered Yes), then starts the program again.
XrayTubeSelector* Restart(MainWindowHarness& h) {
    h.Window->close();
    h.Start();
    return Selector(h, "LatticeWindow");
}

TEST(Restart, TypedEnergyOrChosenLineComesBackInBothFieldsAndTheCalculation) {
    MainWindowHarness h;
    XrayTubeSelector* selector = Selector(h, "LatticeWindow");
    ASSERT_NE(selector, nullptr);
    selector->EnergyEdit()->clear();
    QTest::keyClicks(selector->EnergyEdit(), "17479.3");
    selector = Restart(h);
    EXPECT_EQ(selector->TransitionList()->currentIndex(), -1);
    EXPECT_EQ(selector->EnergyEdit()->text(), "17479.3");
    // 12399.78285 eV A / 17479.3 eV = 0.709398 A, shown and used alike.
    EXPECT_NEAR(selector->WavelengthEdit()->Value(), 0.709398, 5e-7);
    EXPECT_EQ(h.Window->Session().Settings().CurrentWavelength(),
              selector->WavelengthEdit()->Value());
    // The film thickness window reads the same choice.
    EXPECT_EQ(Selector(h, "XrrWindow")->EnergyEdit()->text(), "17479.3");

    // A line chosen from the list (Cu K-Alpha2 of the definition file, 1.544390 A).
    QComboBox* list = selector->TransitionList();
    const int line = list->findText("Cu K-Alpha2");
    ASSERT_GE(line, 0);
    list->setCurrentIndex(line);
    emit list->activated(line);
    selector = Restart(h);
    EXPECT_EQ(selector->TransitionList()->currentIndex(), line);
    EXPECT_EQ(h.Window->Session().Settings().CurrentWavelength(), 1.54439);
    EXPECT_TRUE(h.Prompts.Errors.empty());
}

TEST(Restart, TabFieldsComeBackAndTheSessionWorksWithThem) {
    MainWindowHarness h;
    // Smoothing, background, slope points, minimum peak height, the other tabs' spin boxes and
    // l min / l max of a hexagonal structure (chosen first: the system sets the fields' rules).
    h.Find<QComboBox>("ComboBox3")->setCurrentIndex(3);
    const std::pair<const char*, int> spins[] = {
        {"SpinEdit2", 9},         {"SpinEdit5", 120}, {"SpinEditSlopeCnt", 21},
        {"SpinEditMinPeak", 500}, {"SpinEdit1", 60},  {"SpinEdit6", 70},
        {"SpinEdit3", 45},        {"SpinEdit9", -1},  {"SpinEdit12", 2}};
    for (auto [name, value] : spins) h.Find<QSpinBox>(name)->setValue(value);
    h.Find<FloatEdit>("FloatEdit13")->setText("0.25");
    h.Find<FloatEdit>("FloatEdit7")->SetValue(5.185);
    h.Window->close();
    h.Start();

    for (auto [name, value] : spins) EXPECT_EQ(h.Find<QSpinBox>(name)->value(), value) << name;
    EXPECT_EQ(h.Find<FloatEdit>("FloatEdit7")->text(), "5.185");
    EXPECT_FALSE(h.Find<FloatEdit>("FloatEdit6")->isEnabled());  // b = a in the hexagonal system
    WorkbenchSession& session = h.Window->Session();
    EXPECT_EQ(session.Settings().Processing().SlopeCount, 21);
    EXPECT_EQ(session.Settings().PeakSearch().MinDoublePeakDistance, 0.25);
}

}  // namespace
}  // namespace trevasc::test
