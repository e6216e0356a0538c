// The line-profile windows driven as a user would: "Profile fit of checked peaks in view" and
// the Window menu, start peaks clicked into the chart, the fit, Accept and Copy; "Size and
// Strain" with the instrument standard and Scherrer sizes; the "Strip Kα2" box of a line without
// Kα2; the plot window's d and Q axes.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <numbers>

#include "GuiTestSupport.h"
#include "gui/plot/PlotWindow.h"
#include "gui/profile/ProfileFitWindow.h"
#include "gui/profile/SizeStrainWindow.h"
#include "gui/tabs/FileDisplayTab.h"
#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/XrayTubeSelector.h"
#include "plot/PlotMapping.h"
#include "support/SyntheticScan.h"

using namespace trevasc;
using trevasc::test::Child;

namespace {

constexpr double kPiValue = std::numbers::pi;

struct GaussPeak {
    double Centre, Fwhm, Height;
};

// A scan from `from` to `to` in steps of 0.01 degrees: 100 counts of background and Gauss peaks.
std::string ScanText(double from, double to, const std::vector<GaussPeak>& peaks) {
    return test::ScanText(from, 0.01, static_cast<int>(std::lround((to - from) / 0.01)) + 1,
                          [&](double x) {
                              double y = 100.0;
                              for (const GaussPeak& p : peaks)
                                  y += p.Height * test::Gauss(x, p.Centre, p.Fwhm);
                              return y;
                          });
}

class ProfileWindowsTest : public ::testing::Test {
  protected:
    test::MainWindowHarness h;
    ProfileFitWindow* profile = nullptr;
    SizeStrainWindow* size = nullptr;

    void SetUp() override {
        profile = h.Window->ProfileFit();
        size = h.Window->SizeStrain();
        ASSERT_NE(profile, nullptr);
        ASSERT_NE(size, nullptr);
    }
    void TearDown() override {
        profile->hide();
        size->hide();
    }
    WorkbenchSession& Session() { return h.Window->Session(); }
    void Open(const std::string& text) {
        Session().OpenMainFile(h.Config.Write("profile.txt", text));
        QApplication::processEvents();
    }
    void Click(QWidget* window, const char* name) { test::ClickButton(window, name); }
    void SetField(const char* name, double value) {
        auto* edit = Child<FloatEdit>(size, name);
        edit->SetValue(value);
        emit edit->editingFinished();
    }
    void ChooseShape(const QString& caption) {
        auto* shape = Child<QComboBox>(profile, "ComboBoxShape");
        shape->setCurrentIndex(shape->findText(caption));
    }
    void ClickChart(double x, Qt::MouseButton button) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(profile));
        profile->PaintBox()->repaint();
        const plot::TPlotArea& a = profile->Area();
        QTest::mouseClick(profile->PaintBox(), button, Qt::NoModifier,
                          QPoint(test::PixelColumn(a, x), (a.Top + a.Bottom) / 2));
    }
    std::vector<double> PeakPositions() {
        std::vector<double> positions;
        for (const TPeak& p : Session().Scans().MainScan().Peaks.Items)
            positions.push_back(p.Position);
        return positions;
    }
    // Chooses a line of the lattice window's X-ray tube selector.
    void SelectLine(const QString& line) {
        auto* selector =
            h.Window->Windows().Window("LatticeWindow")->findChild<XrayTubeSelector*>();
        ASSERT_NE(selector, nullptr);
        const int index = selector->TransitionList()->findText(line);
        ASSERT_GE(index, 0) << line.toStdString();
        // As a user's choice: the selector follows "activated", not a programmatic change.
        selector->TransitionList()->setCurrentIndex(index);
        emit selector->TransitionList()->activated(index);
        QApplication::processEvents();
    }
};

}  // namespace

TEST_F(ProfileWindowsTest, OverlappingPeaksFittedFromThePeakListAcceptedAndCopied) {
    // Two overlapping Gauss peaks and a third one outside the zoom.
    Open(ScanText(36.0, 42.0, {{38.0, 0.25, 5000.0}, {38.4, 0.25, 3000.0}, {41.0, 0.3, 800.0}}));
    for (double x : {38.02, 38.38, 41.0}) Session().Peaks().Add(x);
    Session().View().SetRange(37.0, 39.5);

    h.Click("ButtonProfileFit");
    ASSERT_TRUE(profile->isVisible());
    EXPECT_EQ(profile->windowTitle(), "Profile Fit");
    EXPECT_EQ(std::pair(profile->From(), profile->To()), std::pair(37.0, 39.5));
    EXPECT_EQ(profile->StartPeaks(), (std::vector<double>{38.02, 38.38}));
    EXPECT_FALSE(Child<QPushButton>(profile, "ButtonAccept")->isEnabled());

    // A click adds a start peak, a right click near it removes it again.
    ClickChart(39.0, Qt::LeftButton);
    ASSERT_EQ(profile->StartPeaks().size(), 3u);
    EXPECT_NEAR(profile->StartPeaks()[2], 39.0, 0.02);
    ClickChart(39.01, Qt::RightButton);
    EXPECT_EQ(profile->StartPeaks(), (std::vector<double>{38.02, 38.38}));

    ChooseShape("Gauss");
    Click(profile, "ButtonFit");
    ASSERT_TRUE(profile->Result().has_value())
        << Child<QLabel>(profile, "LabelFitMessage")->text().toStdString();
    // The fit's numbers, chart and table are the profile tools' and session's tests'.
    const auto& peaks = profile->Result()->Model.Peaks;
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_EQ(Child<QTableWidget>(profile, "TableProfileResult")->rowCount(), 5);

    // Copy in the user's decimal format: the centres read back with a comma.
    {
        const test::UserLocale german(QLocale(QLocale::German, QLocale::Germany));
        Click(profile, "ButtonCopy");
    }
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith("Peak\tCentre [°]\t± Centre\tFWHM [°]"));
    const QString centre = lines[1].section('\t', 1, 1);
    EXPECT_TRUE(centre.contains(',')) << centre.toStdString();
    EXPECT_NEAR(QString(centre).replace(',', '.').toDouble(), 38.0, 1e-3);

    // Accept moves the two listed peaks to the centres; the peak outside stays.
    Click(profile, "ButtonAccept");
    EXPECT_EQ(PeakPositions(), (std::vector<double>{peaks[0].Center, peaks[1].Center, 41.0}));

    // The Window menu brings the window up again as it is.
    profile->hide();
    h.MenuItem("&Window", "Pro&file Fit")->trigger();
    EXPECT_TRUE(profile->isVisible());
    EXPECT_TRUE(profile->Result().has_value());
}

TEST_F(ProfileWindowsTest, SizeAndStrainFromTheFitAndTheInstrumentStandard) {
    SelectLine("Cu K-Alpha1");
    // Three peaks of FWHM 0.3 degrees: as a standard, W = 0.09 and U = V = 0.
    Open(ScanText(28.0, 72.0, {{30.0, 0.3, 4000.0}, {50.0, 0.3, 4000.0}, {70.0, 0.3, 4000.0}}));
    for (double x : {30.0, 50.0, 70.0}) Session().Peaks().Add(x);
    Session().View().SetRange(28.0, 72.0);
    h.Window->Windows().ShowWindow("ProfileFitWindow");
    ChooseShape("Gauss");
    Click(profile, "ButtonFit");
    ASSERT_TRUE(profile->Result().has_value());

    h.MenuItem("&Window", "&Size and Strain")->trigger();
    ASSERT_TRUE(size->isVisible());
    EXPECT_DOUBLE_EQ(Child<FloatEdit>(size, "FloatEditK")->Value(), 0.9);
    Click(size, "ButtonInstrumentStandard");
    EXPECT_NEAR(size->Instrument().W, 0.09, 2e-4);
    // Kept in the main INI file, and read back by a new window.
    const QStringList filesBefore = QDir::current().entryList(QDir::Files);
    {
        SizeStrainWindow again(Session(), h.Dialogs, h.Config.File("trevasc.INI"));
        EXPECT_DOUBLE_EQ(again.Instrument().W, size->Instrument().W);
        // Destroyed with the focus in a field: the field's editingFinished must not reach it.
        again.show();
        again.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
        Child<FloatEdit>(&again, "FloatEditU")->setFocus();
        QApplication::processEvents();
    }
    // (It stored the instrument under a destroyed file name: stray files appeared.)
    EXPECT_EQ(QDir::current().entryList(QDir::Files), filesBefore);

    // Typed fields and the correction box reach the analysis (the sizes are the size tools'
    // tests'): an instrument of 0.1 degrees, linear: beta = 0.3 - 0.1 degrees; an instrument as
    // wide as the peaks leaves nothing broadened.
    SetField("FloatEditU", 0.0);
    SetField("FloatEditV", 0.0);
    SetField("FloatEditW", 0.01);
    Child<QComboBox>(size, "ComboBoxCorrection")->setCurrentIndex(1);
    ASSERT_EQ(size->Analysis().Peaks.size(), 3u);
    EXPECT_NEAR(size->Analysis().Peaks[0].Beta.value_or(0), 0.2 * kPiValue / 180, 2e-6);
    SetField("FloatEditW", 0.1);
    EXPECT_EQ(Child<QTableWidget>(size, "TableSize")->item(0, 4)->text(), kNotBroadened);
    EXPECT_FALSE(size->Analysis().WilliamsonHall.has_value());
}

TEST_F(ProfileWindowsTest, StripBoxNeedsALineWithAKalpha2PartnerAndStripsTheCurve) {
    auto* strip = h.Window->FileDisplay()->findChild<QCheckBox*>("CheckBoxStripKalpha2");
    ASSERT_NE(strip, nullptr);
    SelectLine("Cu K-Alpha1");
    EXPECT_TRUE(strip->isEnabled());
    // Stripped with the ratio 0.5, a flat 100 counts tend to 100 / 1.5; unchecked, they are back
    // (where the Kα2 partner lies is the stripping's test).
    Open(ScanText(38.0, 42.0, {}));
    const auto lastCounts = [&] { return Session().Scans().MainScan().Points.back().Intensity; };
    h.Click("CheckBoxStripKalpha2");
    EXPECT_NEAR(lastCounts(), 66.7, 1.0);
    h.Click("CheckBoxStripKalpha2");
    EXPECT_EQ(lastCounts(), 100);
    SelectLine("Cu K-Beta");
    EXPECT_FALSE(strip->isEnabled());
    EXPECT_TRUE(strip->toolTip().startsWith("Not available: ")) << strip->toolTip().toStdString();
    // The doublet switch of the profile window follows the same line.
    h.Window->Windows().ShowWindow("ProfileFitWindow");
    EXPECT_FALSE(Child<QCheckBox>(profile, "CheckBoxDoublets")->isEnabled());
    SelectLine("Mo K-Alpha1");
    EXPECT_TRUE(strip->isEnabled());
}

TEST_F(ProfileWindowsTest, PlotAxisSwitchesToSpacingAndScatteringVector) {
    SelectLine("Cu K-Alpha1");
    const double lambda = Session().Settings().CurrentWavelength();
    Open(ScanText(30.0, 60.0, {{40.0, 0.3, 3000.0}}));
    PlotWindow* plot = h.Window->Plot();
    // The conversions themselves are the plot axis tests'.
    auto d = [&](double twoTheta) {
        return lambda / (2.0 * std::sin(twoTheta / 2 * kPiValue / 180));
    };
    QAction* spacing = plot->findChild<QAction*>("ActionAxisSpacing");
    QAction* q = plot->findChild<QAction*>("ActionAxisQ");
    QAction* twoTheta = plot->findChild<QAction*>("ActionAxisTwoTheta");
    ASSERT_TRUE(spacing && q && twoTheta);
    EXPECT_TRUE(twoTheta->isChecked());
    spacing->trigger();
    EXPECT_FALSE(twoTheta->isChecked());
    EXPECT_EQ(plot->Dataset().XTitle, "d [Å]");

    // A zoom by two clicks reaches the session in 2Theta.
    plot->PaintBox()->repaint();
    const plot::TPlotArea area = plot->Area();
    const int y = (area.Top + area.Bottom) / 2;
    const int left = area.Left + (area.Right - area.Left) / 4;
    const int right = area.Left + (area.Right - area.Left) / 2;
    const double dRight = plot::PixelToWorld(right, y, area).X;
    QTest::mouseClick(plot->PaintBox(), Qt::LeftButton, Qt::NoModifier, QPoint(left, y));
    QTest::mouseClick(plot->PaintBox(), Qt::LeftButton, Qt::NoModifier, QPoint(right, y));
    EXPECT_NEAR(Session().View().ViewXMax(),
                2.0 * std::asin(lambda / (2.0 * dRight)) * 180.0 / kPiValue, 1e-9);

    // The spectrum is copied in the chosen axis.
    h.MenuItem("&Edit", "Copy &spectrum")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    ASSERT_GT(lines.size(), 2);
    EXPECT_EQ(lines[0], "d\tCounts");
    EXPECT_NEAR(lines[1].split('\t')[0].toDouble(), d(30.0), 1e-12);

    q->trigger();
    EXPECT_EQ(plot->Dataset().XTitle, "Q [1/Å]");
    twoTheta->trigger();
    EXPECT_DOUBLE_EQ(plot->Dataset().ViewXMax, Session().View().ViewXMax());
}
