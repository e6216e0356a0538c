// The "2 Axis Plot" window and the offsets dialog on a real area measurement (76 Omega-2Theta
// scans): the Window menu items, the readout, the click into the map, the reciprocal map and its
// warning, the scale, the clipboard and gnuplot, and the main window after every failure.
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include "GuiTestSupport.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "gui/maps/RsmOffsetDialog.h"
#include "gui/maps/TwoAxisWindow.h"
#include "gui/widgets/FloatEdit.h"
#include "support/CommaLocale.h"
#include "tools/maps/MapBuilder.h"

namespace trevasc {
namespace {

using test::FindAction;
using test::MainWindowHarness;
using test::MoveMouse;

constexpr const char* kAreaScan = "xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml";
// Two 2Theta-Omega scans of 4 points, 0.1 degrees of Omega apart.
constexpr const char* kTwoScans = "two_scans_rsm.ras";
constexpr double kRadians = std::numbers::pi / 180.0;

void OpenArea(MainWindowHarness& h, const QString& file = test::TestDataFile(kAreaScan)) {
    ASSERT_TRUE(h.Window->Session().RunAction(
        [&] { h.Window->Session().OpenMainFile(file.toStdString()); }));
    QApplication::processEvents();
}

QAction* WindowMenuItem(MainWindowHarness& h, const QString& text) {
    return h.MenuItem("&Window", text);
}

QPoint AreaCentre(const plot::TPlotArea& a) {
    return {(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2};
}

// The user's locale (QLocale) for the lifetime of the object; the tests' default afterwards.
class UserLocale {
  public:
    explicit UserLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~UserLocale() { QLocale::setDefault(QLocale::c()); }
};

// `value` in fixed notation as the C library writes it in the locale in force.
QString Printed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return QString::fromLatin1(text);
}

// The smallest and largest second-axis position of the open scans.
std::pair<double, double> SecondAxisRange(const ScanRegistry& scans) {
    double low = 1e10, high = -1e10;
    for (int k = 0; k <= scans.AdditionalCount(); ++k) {
        low = std::min(low, scans.ScanAt(k).SecondAxisPosition);
        high = std::max(high, scans.ScanAt(k).SecondAxisPosition);
    }
    return {low, high};
}

bool IsGrey(QRgb c) {
    return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

// Pixels inside the plot area that are not grey.
int ColouredPixels(const QImage& picture, const plot::TPlotArea& a) {
    int n = 0;
    for (int y = a.Top; y < a.Bottom; ++y)
        for (int x = a.Left; x < a.Right; ++x) n += !IsGrey(picture.pixel(x, y));
    return n;
}

TEST(TwoAxisWindow, MeasuredMapOfAnAreaScanWithReadoutAndDesignedPlace) {
    MainWindowHarness h;
    TwoAxisWindow* map = h.Window->TwoAxis();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->windowTitle(), "2 Axis Plot");
    EXPECT_EQ(map->minimumSize(), QSize(200, 200));
    EXPECT_EQ(map->size(), QSize(400, 300));
    EXPECT_EQ(map->pos(), QPoint(180, 180));
    EXPECT_FALSE(map->isVisible());

    OpenArea(h);
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    ASSERT_TRUE(map->isVisible());
    EXPECT_TRUE(h.Window->isEnabled());
    EXPECT_EQ(map->Picture().size(), map->PaintBox()->size());
    EXPECT_TRUE(map->ClickOpensOffsets());
    EXPECT_FALSE(map->ReciprocalReadout());
    const plot::TPlotArea area = map->Area();
    ASSERT_GT(area.Right, area.Left);
    ASSERT_GT(area.Bottom, area.Top);
    // The axes span the measured 2Theta and Omega ranges.
    const ScanRegistry& scans = h.Window->Session().Scans().Registry();
    double xMin = 1e10;
    for (int k = 0; k <= scans.AdditionalCount(); ++k)
        for (const auto& p : scans.ScanAt(k).Points) xMin = std::min(xMin, p.Position);
    EXPECT_DOUBLE_EQ(area.XMin, xMin);
    EXPECT_EQ(std::pair(area.YMin, area.YMax), SecondAxisRange(scans));
    EXPECT_GT(ColouredPixels(map->Picture(), area), 0);
    // Outside the plot area the button face shows.
    EXPECT_EQ(map->Picture().pixelColor(1, 1), map->palette().color(QPalette::Button));

    // Readout: the 2Theta and Omega under the pointer, a cross inside, nothing outside.
    MoveMouse(map->PaintBox(), QPoint(area.Left, area.Top));
    const QString text = map->statusBar()->currentMessage();
    ASSERT_TRUE(text.startsWith("X = ")) << text.toStdString();
    EXPECT_EQ(text, "X = " + QString::number(area.XMin, 'f', 5) +
                        "   Y = " + QString::number(area.YMax, 'f', 5));
    EXPECT_EQ(map->PaintBox()->cursor().shape(), Qt::CrossCursor);
    MoveMouse(map->PaintBox(), QPoint(1, 1));
    EXPECT_TRUE(map->statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(map->PaintBox()->cursor().shape(), Qt::ArrowCursor);

    // Its size and place are kept in TWOAXISWINDOW.
    map->resize(500, 350);
    h.Window->SaveWindowPositions();
    const IniFile ini(h.Config.File("trevasc.INI"));
    EXPECT_EQ(ini.ReadInteger("TWOAXISWINDOW", "Width", 0), 500);
    EXPECT_EQ(ini.ReadInteger("TWOAXISWINDOW", "Height", 0), 350);
}

TEST(TwoAxisWindow, ClickOpensTheOffsetsDialogAndOkSetsTheOffsets) {
    MainWindowHarness h;
    OpenArea(h);
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    const plot::TPlotArea area = map->Area();
    const QPoint click = AreaCentre(area);
    const tools::MapPoint at = tools::MapPointAt(area, click.x(), click.y());
    // The dialog shows what the map logic makes of the click (its rules are tested there).
    const tools::OffsetsDialogInput clicked =
        tools::OffsetsForClick(h.Window->Session().Scans().Registry(), at.X, at.Y);
    const double omega = clicked.Omega;

    QString shownTwoTheta, shownOmega, shownDelta;
    double liveTwoThetaOffset = -1.0, liveOmegaOffset = -1.0;
    h.Dialogs.FillDialog = [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Set Offsets for Reciprocal Space Mapping");
        shownTwoTheta = dialog.findChild<QLabel*>("LabelTwoTheta")->text();
        shownOmega = dialog.findChild<QLabel*>("LabelOmega")->text();
        shownDelta = dialog.findChild<QLabel*>("LabelDeltaOmega")->text();
        EXPECT_DOUBLE_EQ(dialog.findChild<FloatEdit*>("FloatEditTwoThetaOffset")->Value(), 0.0);
        dialog.findChild<FloatEdit*>("FloatEditExpectedTwoTheta")
            ->setText(QString::number(at.X + 0.25, 'f', 6));
        dialog.findChild<FloatEdit*>("FloatEditExpectedOmega")->setText("21.5");
        liveTwoThetaOffset = dialog.findChild<FloatEdit*>("FloatEditTwoThetaOffset")->Value();
        liveOmegaOffset = dialog.findChild<FloatEdit*>("FloatEditOmegaOffset")->Value();
    };
    h.Dialogs.DialogAnswers = {true};
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, click);
    ASSERT_EQ(h.Dialogs.DialogCalls, 1);
    const auto fixed = [](const char* name, double v) {
        return QString(name) + QString::fromStdString(FormatFixed(v, 4)) + "°";
    };
    EXPECT_EQ(shownTwoTheta, fixed("2Theta = ", clicked.TwoTheta));
    EXPECT_EQ(shownOmega, fixed("Omega = ", omega));
    EXPECT_EQ(shownDelta, fixed("DeltaOmega = ", clicked.DeltaOmega));
    const double twoThetaOffset = std::round((at.X + 0.25) * 1e6) / 1e6 - at.X;
    EXPECT_NEAR(liveTwoThetaOffset, twoThetaOffset, 1e-7);
    EXPECT_NEAR(liveOmegaOffset, 21.5 - omega, 1e-7);
    EXPECT_NEAR(h.Window->Session().Settings().Maps().RsmTwoThetaOffset, twoThetaOffset, 1e-7);
    EXPECT_NEAR(h.Window->Session().Settings().Maps().RsmOmegaOffset, 21.5 - omega, 1e-7);

    // Cancel keeps the offsets; the expected Omega keeps the value typed last time.
    double keptOmega = 0.0;
    h.Dialogs.FillDialog = [&](QDialog& dialog) {
        keptOmega = dialog.findChild<FloatEdit*>("FloatEditExpectedOmega")->Value();
        dialog.findChild<FloatEdit*>("FloatEditExpectedOmega")->setText("30");
    };
    h.Dialogs.DialogAnswers = {false};
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, click);
    EXPECT_EQ(keptOmega, 21.5);
    EXPECT_NEAR(h.Window->Session().Settings().Maps().RsmOmegaOffset, 21.5 - omega, 1e-7);
    // A click beside the plot area opens nothing.
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(h.Dialogs.DialogCalls, 2);
}

TEST(TwoAxisWindow, OffsetCalculatorWorksOutTheReflexAndReportsBadInput) {
    MainWindowHarness h;
    RsmOffsetDialog* dialog = h.Window->RsmOffsets();
    ASSERT_NE(dialog, nullptr);
    dialog->SetPeak({60.0, 30.5, 0.5});
    auto* expectedTwoTheta = dialog->findChild<FloatEdit*>("FloatEditExpectedTwoTheta");
    auto* expectedOmega = dialog->findChild<FloatEdit*>("FloatEditExpectedOmega");
    EXPECT_EQ(expectedTwoTheta->Value(), 60.0);
    EXPECT_EQ(expectedOmega->Value(), 10.0);
    // A clicked 2Theta with more digits than the field shows: the offset still starts at 0.
    dialog->SetPeak({78.18105263157894, 20.6371, -18.4534});
    EXPECT_EQ(dialog->Offsets().TwoThetaOffset, 0.0);
    dialog->SetPeak({60.0, 30.5, 0.5});
    const auto spin = [&](const char* name, int v) {
        dialog->findChild<QSpinBox*>(name)->setValue(v);
    };
    const auto calculate = [&] {
        QTest::mouseClick(dialog->findChild<QPushButton*>("ButtonCalculate"), Qt::LeftButton);
    };

    // hkl 000: the message, and the expected values stay.
    calculate();
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    EXPECT_EQ(h.Prompts.Errors.back(), tools::kZeroHklMessage);
    EXPECT_EQ(expectedTwoTheta->Value(), 60.0);

    // (1 0 3) on a (0 0 1) surface of a cubic 4 Å lattice: d = 4 / sqrt(10), the tilt
    // psi = atan(1 / 3); Omega = theta + psi, or theta - psi turned by 180° about the normal.
    spin("SpinEditReflexH", 1);
    spin("SpinEditReflexL", 3);
    spin("SpinEditOrientationL", 1);
    const double wavelength = h.Window->Session().Settings().CurrentWavelength();
    const double theta = std::asin(wavelength / (2 * 4 / std::sqrt(10.0))) / kRadians;
    const double psi = std::atan(1.0 / 3.0) / kRadians;
    calculate();
    EXPECT_NEAR(expectedTwoTheta->Value(), 2 * theta, 1e-7);
    EXPECT_NEAR(expectedOmega->Value(), theta + psi, 1e-5);
    EXPECT_NEAR(dialog->Offsets().TwoThetaOffset, 2 * theta - 60.0, 1e-7);
    EXPECT_NEAR(dialog->Offsets().OmegaOffset, theta + psi - 30.5, 1e-5);
    dialog->findChild<QCheckBox*>("CheckBoxRotatePhi")->setChecked(true);
    calculate();
    EXPECT_NEAR(expectedOmega->Value(), theta - psi, 1e-5);
}

TEST(TwoAxisWindow, ReciprocalMapAsksWithoutOffsetsAndFlipsItsAxis) {
    MainWindowHarness h;
    OpenArea(h);
    TwoAxisWindow* map = h.Window->TwoAxis();
    MapSettings& settings = h.Window->Session().Settings().Maps();

    // The flip needs a reciprocal map.
    FindAction(*map, "Flip &X axis")->trigger();
    ASSERT_EQ(h.Prompts.Infos.size(), 1u);
    EXPECT_EQ(h.Prompts.Infos.back(), tools::kNoReciprocalPlotMessage);
    EXPECT_FALSE(settings.FlipKParallel);

    // No offsets: No stops before anything is drawn.
    h.Prompts.ConfirmAnswers = {false};
    WindowMenuItem(h, "&Reciprocal Space Map")->trigger();
    ASSERT_EQ(h.Prompts.Questions.size(), 1u);
    EXPECT_EQ(h.Prompts.Questions.back(), tools::kNoOffsetsWarning);
    EXPECT_FALSE(map->isVisible());
    EXPECT_EQ(settings.Mode, tools::MapMode::TwoAxis);

    // Yes draws it in 1/Å.
    h.Prompts.ConfirmAnswers = {true};
    WindowMenuItem(h, "&Reciprocal Space Map")->trigger();
    ASSERT_TRUE(map->isVisible());
    EXPECT_EQ(settings.Mode, tools::MapMode::Reciprocal);
    EXPECT_TRUE(map->ReciprocalReadout());
    EXPECT_FALSE(map->ClickOpensOffsets());
    const plot::TPlotArea before = map->Area();
    EXPECT_GT(before.YMin, 0.0);
    EXPECT_LT(before.YMax, 2 / h.Window->Session().Settings().CurrentWavelength());
    MoveMouse(map->PaintBox(), AreaCentre(before));
    EXPECT_TRUE(map->statusBar()->currentMessage().contains("(1/X = "));
    // A click into the reciprocal map opens nothing.
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, AreaCentre(before));
    EXPECT_EQ(h.Dialogs.DialogCalls, 0);

    // With offsets set nobody is asked; the flip mirrors k_parallel.
    settings.RsmOmegaOffset = 0.1;
    const size_t asked = h.Prompts.Questions.size();
    FindAction(*map, "Flip &X axis")->trigger();
    EXPECT_EQ(h.Prompts.Questions.size(), asked);
    EXPECT_TRUE(settings.FlipKParallel);
    EXPECT_NEAR(map->Area().XMin, -before.XMax, 0.01);
    EXPECT_TRUE(h.Window->isEnabled());

    // Without offsets the flip is kept even when the map is not drawn.
    settings.RsmOmegaOffset = 0.0;
    h.Prompts.ConfirmAnswers = {false};
    FindAction(*map, "Flip &X axis")->trigger();
    EXPECT_EQ(h.Prompts.Questions.back(), tools::kNoOffsetsWarning);
    EXPECT_FALSE(settings.FlipKParallel);
}

TEST(TwoAxisWindow, ScaleClipboardAndResize) {
    MainWindowHarness h;
    OpenArea(h);
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    ASSERT_GT(ColouredPixels(map->Picture(), map->Area()), 0);

    FindAction(*map, "&Black && White")->trigger();
    EXPECT_EQ(map->ScaleMode(), plot::TMapScale::BlackWhite);
    EXPECT_TRUE(FindAction(*map, "&Black && White")->isChecked());
    EXPECT_FALSE(FindAction(*map, "&Color")->isChecked());
    EXPECT_EQ(ColouredPixels(map->Picture(), map->Area()), 0);

    // Copy as text: a title line and one line per point of all 76 scans.
    FindAction(*map, "Copy as &Text")->trigger();
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith("TwoTheta [°](x)\t")) << text.left(60).toStdString();
    const ScanRegistry& scans = h.Window->Session().Scans().Registry();
    size_t points = 0;
    for (int k = 0; k <= scans.AdditionalCount(); ++k) points += scans.ScanAt(k).Points.size();
    EXPECT_EQ(static_cast<size_t>(text.count("\r\n")), points + 1);

    // Copy as bitmap: 2400 pixels wide in the drawing area's proportions.
    FindAction(*map, "&Copy as Bitmap")->trigger();
    const QImage bitmap = QGuiApplication::clipboard()->image();
    const QSize box = map->PaintBox()->size();
    EXPECT_EQ(bitmap.width(), 2400);
    EXPECT_EQ(bitmap.height(), 2400 * box.height() / box.width());
    EXPECT_TRUE(h.Window->isEnabled());

    // A resize draws the map again once the size has settled.
    map->resize(520, 380);
    QApplication::processEvents();
    map->PaintBox()->repaint();
    EXPECT_TRUE(map->ResizeTimer()->isActive());
    EXPECT_NE(map->Picture().size(), map->PaintBox()->size());
    QTRY_COMPARE_WITH_TIMEOUT(map->Picture().size(), map->PaintBox()->size(), 3000);
}

TEST(TwoAxisWindow, CancelledDrawingKeepsThePictureAndTheMainWindowComesBack) {
    MainWindowHarness h;
    OpenArea(h);
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    const QImage before = map->Picture();
    ASSERT_GT(ColouredPixels(before, map->Area()), 0);
    // The user presses Cancel in the progress dialog while the gaps are filled.
    int steps = 0;
    bool mainEnabledWhileDrawing = true;
    h.Window->Session().Progress().SetCallback([&](const ProgressEvent& e) {
        if (e.Stage != ProgressEvent::Phase::Step) return true;
        ++steps;
        mainEnabledWhileDrawing = mainEnabledWhileDrawing && h.Window->isEnabled();
        return false;
    });
    FindAction(*map, "&Black && White")->trigger();
    EXPECT_EQ(steps, 1);
    EXPECT_FALSE(mainEnabledWhileDrawing);
    EXPECT_TRUE(map->Picture() == before);
    EXPECT_TRUE(h.Window->isEnabled());
    // Nothing is put on the clipboard from a cancelled drawing either.
    QGuiApplication::clipboard()->setText("kept");
    FindAction(*map, "&Copy as Bitmap")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    EXPECT_TRUE(h.Window->isEnabled());
}

TEST(TwoAxisWindow, GnuplotFailuresAreReportedAndTheMainWindowComesBack) {
    MainWindowHarness h;
    h.Config.Write("trevasc.INI",
                   "[AUTOUPDATES]\nHOST=127.0.0.1:9\n[GNUPLOT]\nEXEFILE=/nonexistent/gnuplot\n");
    h.Start();
    // The files are written beside the scan.
    const std::string scan = h.Config.File(kAreaScan);
    std::filesystem::copy_file(test::TestDataFile(kAreaScan).toStdString(), scan);
    OpenArea(h, QString::fromStdString(scan));
    TwoAxisWindow* map = h.Window->TwoAxis();

    h.Window->Session().Settings().Maps().ContourLines = false;
    QAction* contour = FindAction(*map, "Co&ntour lines");
    for (QAction* a : map->menuBar()->actions())
        if (a->text() == "&Gnuplot") emit a->menu()->aboutToShow();
    EXPECT_FALSE(contour->isChecked());
    contour->trigger();
    EXPECT_TRUE(h.Window->Session().Settings().Maps().ContourLines);

    FindAction(*map, "P&NG color")->trigger();
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    EXPECT_EQ(h.Prompts.Errors[0], "Systemfehler.  Code: 2.\r\nNo such file or directory");
    EXPECT_TRUE(map->statusBar()->currentMessage().isEmpty());  // no picture is coming
    EXPECT_TRUE(h.Window->isEnabled());
    // A program that could not be started leaves neither the data file nor the script behind.
    const std::string base = h.Config.File("xrdtools_test_area_RSM_Omega2Theta_v1.0");
    EXPECT_FALSE(std::filesystem::exists(base + "_GnuPlotData.dat"));
    EXPECT_FALSE(std::filesystem::exists(base + "_GnuPlotCOLOR2PNG.plt"));

    // Without its template nothing is started, and the user is told.
    map->SetGnuplotTemplate(QString::fromStdString(h.Config.File("missing.plt")));
    FindAction(*map, "Open &color")->trigger();
    ASSERT_EQ(h.Prompts.Errors.size(), 2u);
    EXPECT_NE(h.Prompts.Errors[1].find("missing.plt"), std::string::npos) << h.Prompts.Errors[1];
    EXPECT_TRUE(h.Window->isEnabled());
}

TEST(TwoAxisWindow, GnuplotChosenInTheOptionsRendersThePngBesideTheScan) {
    MainWindowHarness h;
    const std::string scan = h.Config.File(kAreaScan);
    std::filesystem::copy_file(test::TestDataFile(kAreaScan).toStdString(), scan);
    OpenArea(h, QString::fromStdString(scan));
    // The program chosen in the options is the one started (Cancel keeps it).
    const QString gnuplot = QStandardPaths::findExecutable("gnuplot");
    ASSERT_FALSE(gnuplot.isEmpty()) << "gnuplot is needed (Debian package gnuplot-nox or -x11)";
    h.Dialogs.GnuplotAnswers = {gnuplot, QString()};
    h.MenuItem("&Options", "&GNUPlot Executable...")->trigger();
    EXPECT_EQ(h.Dialogs.LastGnuplotPreset, "gnuplot");
    h.MenuItem("&Options", "&GNUPlot Executable...")->trigger();
    EXPECT_EQ(h.Dialogs.LastGnuplotPreset, gnuplot);
    EXPECT_EQ(h.Window->GnuplotExecutable(), gnuplot);

    FindAction(*h.Window->TwoAxis(), "&PNG black && white")->trigger();
    EXPECT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.front();
    EXPECT_TRUE(h.Window->isEnabled());
    const QString picture = QString::fromStdString(
        h.Config.File("xrdtools_test_area_RSM_Omega2Theta_v1.0_GnuPlotData.dat_BW.png"));
    // The window that started it names the picture in its status bar.
    QStatusBar* status = h.Window->TwoAxis()->statusBar();
    EXPECT_EQ(status->currentMessage(),
              "gnuplot writes xrdtools_test_area_RSM_Omega2Theta_v1.0_GnuPlotData.dat_BW.png in " +
                  QFileInfo(QString::fromStdString(h.Config.Path())).absoluteFilePath());
    EXPECT_EQ(status->toolTip(), picture);
    // gnuplot runs on its own; a PNG starts with its signature.
    QTRY_VERIFY_WITH_TIMEOUT(QImage(picture).width() > 0, 20000);
}

TEST(TwoAxisWindow, NoMapForOtherScanKindsOrASingleScan) {
    MainWindowHarness h;
    h.OpenTestScan();
    TwoAxisWindow* map = h.Window->TwoAxis();
    // One scan without a second axis: no Omega series for a reciprocal map.
    h.Prompts.ConfirmAnswers = {true};
    WindowMenuItem(h, "&Reciprocal Space Map")->trigger();
    ASSERT_FALSE(h.Prompts.Errors.empty());
    EXPECT_EQ(h.Prompts.Errors.back(), tools::kNotOmegaSeriesMessage);
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(h.Window->isEnabled());

    // Another scan kind hides a shown map window.
    OpenArea(h);
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    ASSERT_TRUE(map->isVisible());
    h.Window->Session().Scans().Registry().OpenScanKind = TScanKind::Omega;
    FindAction(*map, "&Color")->trigger();
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(h.Window->isEnabled());
}

// Si (004) as 2Theta scans from 67.5° to 70° at fixed Omegas 34.06, 34.11 ... 34.56 (a Rigaku
// RAS file); the sample's Omega zero is off, so the reflection (2Theta 69.13°) shows in the scan
// at Omega 34.31 instead of theta_B = 34.564°.
std::string FixedOmegaSeries() {
    std::string ras = "*RAS_DATA_START\n";
    for (int k = 0; k <= 10; ++k) {
        const double omega = 34.06 + 0.05 * k;
        ras +=
            "*RAS_HEADER_START\n*FILE_SAMPLE \"Si\"\n*MEAS_COND_AXIS_NAME-0 \"Omega\"\n"
            "*MEAS_COND_AXIS_POSITION-0 \"" +
            FormatFixed(omega, 2) +
            "\"\n*MEAS_SCAN_AXIS_X \"2-Theta\"\n*RAS_HEADER_END\n*RAS_INT_START\n";
        for (int i = 0; i <= 250; ++i) {
            const double p = 67.5 + 0.01 * i;
            const double counts = 10 + 1e5 * std::exp(-std::pow((p - 69.13) / 0.02, 2) -
                                                      std::pow((omega - 34.31) / 0.02, 2));
            ras += FormatFixed(p, 4) + " " + FormatFixed(std::round(counts), 0) + " 1.0000\n";
        }
        ras += "*RAS_INT_END\n";
    }
    return ras + "*RAS_DATA_END\n";
}

TEST(TwoAxisWindow, ClickIntoScansAtFixedOmegaTakesTheScansOmega) {
    MainWindowHarness h;
    test::TempDir dir;
    OpenArea(h, QString::fromStdString(dir.Write("si004.ras", FixedOmegaSeries())));
    WorkbenchSession& session = h.Window->Session();
    ASSERT_EQ(session.Scans().Registry().OpenScanKind, TScanKind::TwoThetaCommonOmega);
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    ASSERT_TRUE(map->isVisible());

    // Click the reflection.
    const plot::TPlotArea a = map->Area();
    const QPoint click(a.Left + static_cast<int>(std::lround((69.13 - a.XMin) / (a.XMax - a.XMin) *
                                                             (a.Right - a.Left))),
                       a.Top + static_cast<int>(std::lround((a.YMax - 34.31) / (a.YMax - a.YMin) *
                                                            (a.Bottom - a.Top))));
    const tools::MapPoint at = tools::MapPointAt(a, click.x(), click.y());
    ASSERT_NEAR(at.X, 69.13, 0.02);
    ASSERT_NEAR(at.Y, 34.31, 0.02);

    QString shownOmega, shownDelta;
    h.Dialogs.FillDialog = [&](QDialog& dialog) {
        shownOmega = dialog.findChild<QLabel*>("LabelOmega")->text();
        shownDelta = dialog.findChild<QLabel*>("LabelDeltaOmega")->text();
    };
    h.Dialogs.DialogAnswers = {false};
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, click);
    ASSERT_EQ(h.Dialogs.DialogCalls, 1);
    // The Omega of the scan, whatever the scan's 2Theta range; DeltaOmega = Omega - 2Theta / 2.
    EXPECT_EQ(shownOmega, "Omega = 34.3100°");
    EXPECT_EQ(shownDelta,
              "DeltaOmega = " + QString::fromStdString(FormatFixed(34.31 - at.X / 2, 4)) + "°");
}

TEST(TwoAxisWindow, ShownMapFollowsOpenInsertAndSelectAndHidesWithoutAMap) {
    MainWindowHarness h;
    WorkbenchSession& session = h.Window->Session();
    OpenArea(h);
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    ASSERT_TRUE(map->isVisible());
    const auto [areaLow, areaHigh] = SecondAxisRange(session.Scans().Registry());
    EXPECT_DOUBLE_EQ(map->Area().YMin, areaLow);
    const QImage areaPicture = map->Picture();

    // Another map file: the shown window draws its map, not the one before.
    ASSERT_TRUE(session.RunAction(
        [&] { session.OpenMainFile(test::TestDataFile(kTwoScans).toStdString()); }));
    ASSERT_TRUE(map->isVisible());
    const auto [low, high] = SecondAxisRange(session.Scans().Registry());
    ASSERT_NE(low, areaLow);
    EXPECT_DOUBLE_EQ(map->Area().YMin, low);
    EXPECT_DOUBLE_EQ(map->Area().YMax, high);
    EXPECT_FALSE(map->Picture() == areaPicture);
    EXPECT_GT(ColouredPixels(map->Picture(), map->Area()), 0);

    // Inserting widens the map to the scans added.
    ASSERT_TRUE(session.RunAction(
        [&] { session.InsertFiles({test::TestDataFile(kAreaScan).toStdString()}); }));
    ASSERT_TRUE(map->isVisible());
    EXPECT_DOUBLE_EQ(map->Area().YMin, std::min(low, areaLow));
    EXPECT_DOUBLE_EQ(map->Area().YMax, std::max(high, areaHigh));

    // Selecting another main scan draws again in the current mode: the reciprocal map stays
    // reciprocal (the offsets question was answered when it was asked for).
    h.Prompts.ConfirmAnswers = {true};
    WindowMenuItem(h, "&Reciprocal Space Map")->trigger();
    ASSERT_TRUE(map->ReciprocalReadout());
    const size_t questions = h.Prompts.Questions.size();
    session.SelectMainScan(2);
    ASSERT_TRUE(map->isVisible());
    EXPECT_TRUE(map->ReciprocalReadout());
    EXPECT_EQ(h.Prompts.Questions.size(), questions);

    // A single scan forms no map: the window goes, without a message nobody asked for.
    h.OpenTestScan();
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.front();
    EXPECT_TRUE(h.Window->isEnabled());
    // Nor does a hidden window come back by itself with the next map file.
    OpenArea(h);
    EXPECT_FALSE(map->isVisible());
}

TEST(TwoAxisWindow, TwoAxisPlotOfAScanWithoutSecondAxisTellsTheBatchToolsReason) {
    MainWindowHarness h;
    h.OpenTestScan();
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(h.Window->isEnabled());
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    // The same words as the batch tool prints for this file.
    QProcess cli;
    cli.start(QString(TREVASC_BIN_DIR) + "/trevasc-cli",
              {"map", test::TestDataFile(), "-o", QString::fromStdString(h.Config.File("m.png"))});
    ASSERT_TRUE(cli.waitForFinished(20000));
    const QString printed = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_NE(cli.exitCode(), 0);
    EXPECT_TRUE(printed.contains(QString::fromStdString(h.Prompts.Errors[0])))
        << printed.toStdString() << " / " << h.Prompts.Errors[0];
    EXPECT_FALSE(std::filesystem::exists(h.Config.File("m.png")));
}

TEST(TwoAxisWindow, CopiedTextAndReadoutUseTheUsersDecimalSeparator) {
    test::CommaLocale comma;
    ASSERT_TRUE(comma.Active());
    const UserLocale german(QLocale(QLocale::German, QLocale::Germany));
    MainWindowHarness h;
    OpenArea(h);
    TwoAxisWindow* map = h.Window->TwoAxis();
    WindowMenuItem(h, "&2-Axis Plot")->trigger();
    ASSERT_TRUE(map->isVisible());

    FindAction(*map, "Copy as &Text")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    ASSERT_GT(lines.size(), 2);
    // The titles keep their points ("[a.u.]"); the numbers get the user's comma, as the C
    // library writes them in the comma locale.
    EXPECT_EQ(lines[0], "TwoTheta [°](x)\tOmega Center [°](y)\tCounts [a.u.](z)");
    const TDataSet& main = h.Window->Session().Scans().MainScan();
    EXPECT_EQ(lines[1], Printed(main.Points[0].Position, 5) + "\t" +
                            Printed(main.SecondAxisPosition, 5) + "\t" +
                            Printed(main.Points[0].Intensity, 5));
    EXPECT_TRUE(lines[1].contains(','));
    EXPECT_FALSE(lines[1].contains('.'));

    // The readout under the pointer: 2Theta and Omega at the area's top left corner.
    const plot::TPlotArea area = map->Area();
    MoveMouse(map->PaintBox(), QPoint(area.Left, area.Top));
    EXPECT_EQ(map->statusBar()->currentMessage(),
              "X = " + Printed(area.XMin, 5) + "   Y = " + Printed(area.YMax, 5));
}

}  // namespace
}  // namespace trevasc
