// What a user set is there again after a restart (a second main window on the same configuration
// folder): the X-ray tube of the lattice window with the wavelength every calculation uses, and
// the fields of the tabs.
#include <QComboBox>
#include <QSpinBox>
#include <utility>

#include "GuiTestSupport.h"
#include "base/IniFile.h"
#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/XrayTubeSelector.h"

namespace trevasc::test {
namespace {

constexpr double kEnergyTimesWavelength = 12399.78285;  // eV * A from the program's constants

XrayTubeSelector* Selector(MainWindowHarness& h, const char* window) {
    QWidget* w = h.Window->Windows().Window(window);
    return w ? w->findChild<XrayTubeSelector*>() : nullptr;
}

// Closes the window as the user does (questions answered Yes), then starts the program again.
void Restart(MainWindowHarness& h) {
    h.Window->close();
    h.Start();
}

TEST(Restart, TypedEnergyOrChosenLineComesBackInBothFieldsAndTheCalculation) {
    MainWindowHarness h;
    XrayTubeSelector* selector = Selector(h, "LatticeWindow");
    ASSERT_NE(selector, nullptr);
    selector->EnergyEdit()->clear();
    QTest::keyClicks(selector->EnergyEdit(), "17479.3");
    Restart(h);
    selector = Selector(h, "LatticeWindow");
    EXPECT_EQ(selector->TransitionList()->currentIndex(), -1);
    EXPECT_EQ(selector->EnergyEdit()->text(), "17479.3");
    const double typedWavelength = kEnergyTimesWavelength / 17479.3;  // 0.709398 A
    EXPECT_NEAR(selector->WavelengthEdit()->Value(), typedWavelength, 5e-7);
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
    Restart(h);
    selector = Selector(h, "LatticeWindow");
    EXPECT_EQ(selector->TransitionList()->currentIndex(), line);
    EXPECT_EQ(selector->WavelengthEdit()->text(), "1.54439");
    EXPECT_EQ(h.Window->Session().Settings().CurrentWavelength(), 1.54439);

    // An xray.ini of an earlier version: no line, no typed value. The initial energy and its
    // wavelength, shown and used alike.
    const std::string xrayIni = h.Window->XrayIniPath().toStdString();
    h.Window.reset();
    IniFile xray(xrayIni);
    xray.WriteInteger("CONFIG", "DEFAULTENERGY", -1);
    xray.Save();
    h.Start();
    selector = Selector(h, "LatticeWindow");
    EXPECT_EQ(selector->EnergyEdit()->text(), "8000");
    EXPECT_EQ(selector->WavelengthEdit()->text(), "1.54997");
    EXPECT_EQ(h.Window->Session().Settings().CurrentWavelength(), 1.54997);
    EXPECT_TRUE(h.Prompts.Errors.empty());
}

TEST(Restart, TabFieldsComeBackAndAnUnreadableKeyGivesItsDefault) {
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
    h.Find<FloatEdit>("FloatEdit5")->SetValue(3.189);
    h.Find<FloatEdit>("FloatEdit7")->SetValue(5.185);
    Restart(h);

    for (auto [name, value] : spins) EXPECT_EQ(h.Find<QSpinBox>(name)->value(), value) << name;
    // The session works with what the fields show.
    WorkbenchSession& session = h.Window->Session();
    EXPECT_EQ(session.Settings().Processing().SlopeCount, 21);
    EXPECT_EQ(session.Settings().PeakSearch().MinDoublePeakDistance, 0.25);
    EXPECT_FALSE(h.Find<FloatEdit>("FloatEdit6")->isEnabled());  // b = a in the hexagonal system
    // The list is worked out from the restored fields: (0 0 0 1) and (0 0 0 2) of c = 5.185 A;
    // with Cu K-alpha1 (1.540562 A) 2 theta = 2 asin(1.540562 / 5.185) = 34.569°.
    auto* list = h.Find<QListWidget>("CheckListBox2");
    session.Settings().SetCurrentWavelength(1.540562);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "0 0 0 2 34.569°");

    // A hand edit that is no number: that field's default, no message.
    const std::string mainIni = h.Window->MainIniPath().toStdString();
    h.Window.reset();
    IniFile ini(mainIni);
    ini.WriteString("PROCESSING", "SMOOTHWIDTH", "nine");
    ini.Save();
    h.Start();
    EXPECT_EQ(
        std::pair(h.Find<QSpinBox>("SpinEdit2")->value(), h.Find<QSpinBox>("SpinEdit5")->value()),
        std::pair(5, 120));
    EXPECT_TRUE(h.Prompts.Errors.empty());
}

}  // namespace
}  // namespace trevasc::test
