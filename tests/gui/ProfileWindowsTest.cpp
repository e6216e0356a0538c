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

using namespace trevasc;
using trevasc::test::Child;

namespace {

constexpr double kPiValue = std::numbers::pi;

struct GaussPeak {
    double Centre, Fwhm, Height;
};

// A scan from `from` to `to` in steps of 0.01 degrees: 100 counts of background and Gauss peaks
// H exp(-4 ln2 ((x - c) / w)^2), rounded to whole counts.
std::string ScanText(double from, double to, const std::vector<GaussPeak>& peaks) {
    std::string text;
    const int n = static_cast<int>(std::lround((to - from) / 0.01));
    for (int i = 0; i <= n; ++i) {
        const double x = from + 0.01 * i;
        double y = 100.0;
        for (const GaussPeak& p : peaks) {
            const double u = (x - p.Centre) / p.Fwhm;
            y += p.Height * std::exp(-4.0 * std::log(2.0) * u * u);
        }
        text += std::to_string(x) + "\t" + std::to_string(std::lround(y)) + "\n";
    }
    return text;
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
    // Whole counts are the only noise: the synthetic centres come back closely (the fit's
    // other numbers are the profile tools' tests').
    const auto& peaks = profile->Result()->Model.Peaks;
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_NEAR(peaks[0].Center, 38.0, 1e-3);
    EXPECT_NEAR(peaks[1].Center, 38.4, 1e-3);
    // The chart shows data, model, two components and the difference; the table two peaks, a
    // gap, chi2red and Rwp.
    EXPECT_EQ(profile->Chart().Curves.size(), 5u);
    auto* table = Child<QTableWidget>(profile, "TableProfileResult");
    ASSERT_EQ(table->rowCount(), 5);
    EXPECT_EQ(table->item(4, 0)->text(), "Rwp [%]");

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
    const double lambda = Session().Settings().CurrentWavelength();
    ASSERT_GT(lambda, 1.5);
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
    EXPECT_NEAR(size->Instrument().U, 0.0, 2e-3);
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

    // Typed fields reach the analysis: an instrument of 0.1 degrees, beta = sqrt(0.3^2 - 0.1^2)
    // degrees, Scherrer D = K lambda / (beta cos(theta)) in nm for the peak at 30 degrees.
    SetField("FloatEditU", 0.0);
    SetField("FloatEditV", 0.0);
    SetField("FloatEditW", 0.01);
    const auto& rows = size->Analysis().Peaks;
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_TRUE(rows[0].Size.has_value());
    const double scherrer =
        0.9 * lambda / (std::sqrt(0.08) * kPiValue / 180 * std::cos(15 * kPiValue / 180)) / 10;
    EXPECT_NEAR(*rows[0].Size, scherrer, scherrer * 2e-3);
    auto* table = Child<QTableWidget>(size, "TableSize");
    EXPECT_EQ(table->horizontalHeaderItem(4)->text(), "Size [nm]");
    EXPECT_EQ(size->Chart().Count(), 3);
    EXPECT_NE(size->TableCopyText().find("Williamson-Hall size [nm]\t"), std::string::npos);
    // The correction box is read too (linear: beta = 0.3 - 0.1 degrees); an instrument as wide
    // as the peaks leaves nothing broadened.
    Child<QComboBox>(size, "ComboBoxCorrection")->setCurrentIndex(1);
    EXPECT_NEAR(size->Analysis().Peaks[0].Beta.value_or(0), 0.2 * kPiValue / 180, 2e-6);
    SetField("FloatEditW", 0.1);
    EXPECT_EQ(table->item(0, 4)->text(), kNotBroadened);
    EXPECT_FALSE(size->Analysis().WilliamsonHall.has_value());
}

TEST_F(ProfileWindowsTest, StripBoxNeedsALineWithAKalpha2PartnerAndStripsTheCurve) {
    auto* strip = h.Window->FileDisplay()->findChild<QCheckBox*>("CheckBoxStripKalpha2");
    ASSERT_NE(strip, nullptr);
    SelectLine("Cu K-Alpha1");
    EXPECT_TRUE(strip->isEnabled());
    // A Kα1 peak at 40 degrees with its Kα2 partner of half the height where the Cu lines of
    // XRAY.DEF put it: 2 asin((lambda2 / lambda1) sin 20 deg), lambda2 / lambda1 = E1 / E2.
    const double partner =
        2.0 * std::asin(8048.869731 / 8028.919412 * std::sin(20.0 * kPiValue / 180.0)) * 180.0 /
        kPiValue;
    Open(ScanText(38.0, 42.0, {{40.0, 0.05, 4000.0}, {partner, 0.05, 2000.0}}));
    auto intensityAt = [&](double x) {
        const auto& points = Session().Scans().MainScan().Points;
        const auto it = std::min_element(points.begin(), points.end(), [x](auto& a, auto& b) {
            return std::fabs(a.Position - x) < std::fabs(b.Position - x);
        });
        return it->Intensity;
    };
    // Stripped, the partner is gone down to the stripped background (100 becomes 2/3 of it);
    // the Kα1 peak stays; unchecked, the partner is back.
    h.Click("CheckBoxStripKalpha2");
    EXPECT_LT(intensityAt(partner), 150);
    EXPECT_GT(intensityAt(40.0), 3900);
    h.Click("CheckBoxStripKalpha2");
    EXPECT_GT(intensityAt(partner), 1500);
    SelectLine("Cu K-Beta");
    EXPECT_FALSE(strip->isEnabled());
    EXPECT_TRUE(strip->toolTip().startsWith("Not available: ")) << strip->toolTip().toStdString();
    // The doublet switch of the profile window follows the same line.
    h.Window->Windows().ShowWindow("ProfileFitWindow");
    EXPECT_FALSE(Child<QCheckBox>(profile, "CheckBoxDoublets")->isEnabled());
    SelectLine("Mo K-Alpha1");
    EXPECT_TRUE(strip->isEnabled());
    EXPECT_DOUBLE_EQ(Child<FloatEdit>(h.Window->FileDisplay(), "FloatEditKalpha2Ratio")->Value(),
                     0.5);
}

TEST_F(ProfileWindowsTest, PlotAxisSwitchesToSpacingAndScatteringVector) {
    SelectLine("Cu K-Alpha1");
    const double lambda = Session().Settings().CurrentWavelength();
    Open(ScanText(30.0, 60.0, {{40.0, 0.3, 3000.0}}));
    Session().Peaks().Add(40.0);
    PlotWindow* plot = h.Window->Plot();
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
    const plot::TPlotDataset& ds = plot->Dataset();
    EXPECT_EQ(ds.XTitle, "d [Å]");
    EXPECT_NEAR(ds.ViewXMin, d(60.0), 1e-9);
    EXPECT_NEAR(ds.ViewXMax, d(30.0), 1e-9);
    EXPECT_NEAR(ds.Highlights.front().X, d(40.0), 1e-9);

    // Large spacings on the left; a zoom by two clicks reaches the session in 2Theta.
    plot->PaintBox()->repaint();
    const plot::TPlotArea area = plot->Area();
    EXPECT_NEAR(plot::PixelToWorld(area.Left, area.Top, area).X, d(30.0), 1e-9);
    const int y = (area.Top + area.Bottom) / 2;
    const int left = area.Left + (area.Right - area.Left) / 4;
    const int right = area.Left + (area.Right - area.Left) / 2;
    const double dLeft = plot::PixelToWorld(left, y, area).X;
    const double dRight = plot::PixelToWorld(right, y, area).X;
    QTest::mouseClick(plot->PaintBox(), Qt::LeftButton, Qt::NoModifier, QPoint(left, y));
    QTest::mouseClick(plot->PaintBox(), Qt::LeftButton, Qt::NoModifier, QPoint(right, y));
    auto twoThetaOf = [&](double spacingValue) {
        return 2.0 * std::asin(lambda / (2.0 * spacingValue)) * 180.0 / kPiValue;
    };
    EXPECT_NEAR(Session().View().ViewXMin(), twoThetaOf(dLeft), 1e-9);
    EXPECT_NEAR(Session().View().ViewXMax(), twoThetaOf(dRight), 1e-9);

    // The spectrum is copied in the chosen axis.
    h.MenuItem("&Edit", "Copy &spectrum")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    ASSERT_GT(lines.size(), 2);
    EXPECT_EQ(lines[0], "d\tCounts");
    EXPECT_NEAR(lines[1].split('\t')[0].toDouble(), d(30.0), 1e-12);

    q->trigger();
    EXPECT_EQ(plot->Dataset().XTitle, "Q [1/Å]");
    EXPECT_NEAR(plot->Dataset().Highlights.front().X,
                4 * kPiValue * std::sin(20 * kPiValue / 180) / lambda, 1e-9);
    twoTheta->trigger();
    EXPECT_NEAR(plot->Dataset().Highlights.front().X, 40.0, 1e-12);
}
