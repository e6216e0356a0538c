// The "2 Axis Plot" window and the offsets dialog on a real area measurement (76 Omega-2Theta
// scans): the readout, the click into the map, the reciprocal map and its warning, the scale,
// the clipboard and gnuplot, and the main window after every failure.
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <numbers>

#include "GuiTestSupport.h"
#include "base/IniFile.h"
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
constexpr double kRadians = std::numbers::pi / 180.0;

// Opens the area scan (unless a scan is open) and shows its measured map.
TwoAxisWindow* ShowMap(MainWindowHarness& h) {
    if (h.Window->Session().Scans().MainScan().Count() == 0)
        h.OpenTestScan(test::TestDataFile(kAreaScan));
    h.MenuItem("&Window", "&2-Axis Plot")->trigger();
    EXPECT_TRUE(h.Window->TwoAxis()->isVisible());
    return h.Window->TwoAxis();
}

QPoint AreaCentre(const plot::TPlotArea& a) {
    return {(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2};
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

// Pixels inside the plot area that are not grey.
int ColouredPixels(const QImage& picture, const plot::TPlotArea& a) {
    int n = 0;
    for (int y = a.Top; y < a.Bottom; ++y)
        for (int x = a.Left; x < a.Right; ++x) {
            const QRgb c = picture.pixel(x, y);
            n += qRed(c) != qGreen(c) || qGreen(c) != qBlue(c);
        }
    return n;
}

TEST(TwoAxisWindow, MeasuredMapOfAnAreaScanWithReadoutAndKeptSize) {
    MainWindowHarness h;
    TwoAxisWindow* map = ShowMap(h);
    EXPECT_EQ(map->windowTitle(), "2 Axis Plot");
    EXPECT_TRUE(map->ClickOpensOffsets());
    const plot::TPlotArea area = map->Area();
    // The axes span the measured Omega range; outside the plot area the button face shows.
    EXPECT_EQ(std::pair(area.YMin, area.YMax),
              SecondAxisRange(h.Window->Session().Scans().Registry()));
    EXPECT_GT(ColouredPixels(map->Picture(), area), 0);
    EXPECT_EQ(map->Picture().pixelColor(1, 1), map->palette().color(QPalette::Button));

    // Readout: the 2Theta and Omega under the pointer with a cross, nothing outside.
    MoveMouse(map->PaintBox(), QPoint(area.Left, area.Top));
    EXPECT_EQ(map->statusBar()->currentMessage(),
              "X = " + QString::number(area.XMin, 'f', 5) +
                  "   Y = " + QString::number(area.YMax, 'f', 5));
    EXPECT_EQ(map->PaintBox()->cursor().shape(), Qt::CrossCursor);
    MoveMouse(map->PaintBox(), QPoint(1, 1));
    EXPECT_TRUE(map->statusBar()->currentMessage().isEmpty());

    // Its size is kept in TWOAXISWINDOW.
    map->resize(500, 350);
    h.Window->SaveWindowPositions();
    const IniFile ini(h.Config.File("trevasc.INI"));
    EXPECT_EQ(std::pair(ini.ReadInteger("TWOAXISWINDOW", "Width", 0),
                        ini.ReadInteger("TWOAXISWINDOW", "Height", 0)),
              std::pair(500LL, 350LL));
}

TEST(TwoAxisWindow, ClickOpensTheOffsetsDialogOkSetsAndCancelKeepsTheOffsets) {
    MainWindowHarness h;
    TwoAxisWindow* map = ShowMap(h);
    const QPoint click = AreaCentre(map->Area());
    // The offsets are the typed angles minus the clicked ones the dialog shows (which scan a
    // click takes is the map logic's).
    double shownTwoTheta = 0.0, shownOmega = 0.0, keptOmega = 0.0;
    const auto angle = [](QDialog& d, const char* label) {
        const QString text = d.findChild<QLabel*>(label)->text();
        return text.mid(text.indexOf('=') + 2).chopped(1).toDouble();
    };
    h.Dialogs.FillDialog = [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Set Offsets for Reciprocal Space Mapping");
        shownTwoTheta = angle(dialog, "LabelTwoTheta");
        shownOmega = angle(dialog, "LabelOmega");
        keptOmega = dialog.findChild<FloatEdit*>("FloatEditExpectedOmega")->Value();
        dialog.findChild<FloatEdit*>("FloatEditExpectedTwoTheta")->setText("76.5");
        dialog.findChild<FloatEdit*>("FloatEditExpectedOmega")
            ->setText(h.Dialogs.DialogCalls == 1 ? "21.5" : "30");
    };
    h.Dialogs.DialogAnswers = {true, false};
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, click);
    ASSERT_EQ(h.Dialogs.DialogCalls, 1);
    const MapSettings& maps = h.Window->Session().Settings().Maps();
    EXPECT_NEAR(maps.RsmTwoThetaOffset, 76.5 - shownTwoTheta, 1e-4);
    EXPECT_NEAR(maps.RsmOmegaOffset, 21.5 - shownOmega, 1e-4);

    // Cancel keeps the offsets; the expected Omega keeps the value typed last time.
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, click);
    EXPECT_EQ(keptOmega, 21.5);
    EXPECT_NEAR(maps.RsmOmegaOffset, 21.5 - shownOmega, 1e-4);
    // A click beside the plot area opens nothing.
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(h.Dialogs.DialogCalls, 2);
}

TEST(TwoAxisWindow, OffsetCalculatorWorksOutTheReflexAndReportsBadInput) {
    MainWindowHarness h;
    RsmOffsetDialog* dialog = h.Window->RsmOffsets();
    // A clicked 2Theta with more digits than the field shows: the offset still starts at 0.
    dialog->SetPeak({78.18105263157894, 20.6371, -18.4534});
    EXPECT_EQ(dialog->Offsets().TwoThetaOffset, 0.0);
    dialog->SetPeak({60.0, 30.5, 0.5});
    const auto calculate = [&] { test::ClickButton(dialog, "ButtonCalculate"); };
    // hkl 000: the message, and the expected values stay.
    calculate();
    EXPECT_EQ(h.Prompts.Errors, std::vector<std::string>{tools::kZeroHklMessage});
    EXPECT_EQ(dialog->findChild<FloatEdit*>("FloatEditExpectedTwoTheta")->Value(), 60.0);

    // The fields reach the calculation (its angles are the map tools' tests'): (1 0 3) on a
    // (0 0 1) surface of a cubic 4 Å lattice, d = 4 / sqrt(10), tilt psi = atan(1 / 3); Omega =
    // theta + psi, or theta - psi turned by 180° about the normal.
    dialog->findChild<QSpinBox*>("SpinEditReflexH")->setValue(1);
    dialog->findChild<QSpinBox*>("SpinEditReflexL")->setValue(3);
    dialog->findChild<QSpinBox*>("SpinEditOrientationL")->setValue(1);
    const double wavelength = h.Window->Session().Settings().CurrentWavelength();
    const double theta = std::asin(wavelength / (2 * 4 / std::sqrt(10.0))) / kRadians;
    const double psi = std::atan(1.0 / 3.0) / kRadians;
    calculate();
    EXPECT_NEAR(dialog->Offsets().TwoThetaOffset, 2 * theta - 60.0, 1e-7);
    EXPECT_NEAR(dialog->Offsets().OmegaOffset, theta + psi - 30.5, 1e-5);
    dialog->findChild<QCheckBox*>("CheckBoxRotatePhi")->setChecked(true);
    calculate();
    EXPECT_NEAR(dialog->Offsets().OmegaOffset, theta - psi - 30.5, 1e-5);
}

TEST(TwoAxisWindow, ReciprocalMapAsksWithoutOffsetsAndFlipsItsAxis) {
    MainWindowHarness h;
    h.OpenTestScan(test::TestDataFile(kAreaScan));
    TwoAxisWindow* map = h.Window->TwoAxis();
    MapSettings& settings = h.Window->Session().Settings().Maps();
    // The flip needs a reciprocal map.
    FindAction(*map, "Flip &X axis")->trigger();
    EXPECT_EQ(h.Prompts.Infos, std::vector<std::string>{tools::kNoReciprocalPlotMessage});
    EXPECT_FALSE(settings.FlipKParallel);

    // No offsets: No stops before anything is drawn; Yes draws it in 1/Å.
    h.Prompts.ConfirmAnswers = {false, true};
    h.MenuItem("&Window", "&Reciprocal Space Map")->trigger();
    EXPECT_EQ(h.Prompts.Questions, std::vector<std::string>{tools::kNoOffsetsWarning});
    EXPECT_FALSE(map->isVisible());
    h.MenuItem("&Window", "&Reciprocal Space Map")->trigger();
    ASSERT_TRUE(map->isVisible());
    EXPECT_TRUE(map->ReciprocalReadout());
    const plot::TPlotArea before = map->Area();
    MoveMouse(map->PaintBox(), AreaCentre(before));
    EXPECT_TRUE(map->statusBar()->currentMessage().contains("(1/X = "));
    QTest::mouseClick(map->PaintBox(), Qt::LeftButton, {}, AreaCentre(before));
    EXPECT_EQ(h.Dialogs.DialogCalls, 0);  // no offsets dialog from the reciprocal map

    // With offsets set nobody is asked; the flip mirrors k_parallel.
    settings.RsmOmegaOffset = 0.1;
    FindAction(*map, "Flip &X axis")->trigger();
    EXPECT_EQ(h.Prompts.Questions.size(), 2u);
    EXPECT_TRUE(settings.FlipKParallel);
    EXPECT_NEAR(map->Area().XMin, -before.XMax, 0.01);
    // Without offsets the flip is kept even when the map is not drawn.
    settings.RsmOmegaOffset = 0.0;
    h.Prompts.ConfirmAnswers = {false};
    FindAction(*map, "Flip &X axis")->trigger();
    EXPECT_EQ(h.Prompts.Questions.back(), tools::kNoOffsetsWarning);
    EXPECT_FALSE(settings.FlipKParallel);
    EXPECT_TRUE(h.Window->isEnabled());
}

TEST(TwoAxisWindow, ScaleClipboardAndResize) {
    MainWindowHarness h;
    TwoAxisWindow* map = ShowMap(h);
    FindAction(*map, "&Black && White")->trigger();
    EXPECT_EQ(map->ScaleMode(), plot::TMapScale::BlackWhite);
    EXPECT_FALSE(FindAction(*map, "&Color")->isChecked());
    EXPECT_EQ(ColouredPixels(map->Picture(), map->Area()), 0);

    // Copy as text: a title line and one line per point of all 76 scans of 75 points.
    FindAction(*map, "Copy as &Text")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().count("\r\n"), 76 * 75 + 1);
    // Copy as bitmap: 2400 pixels wide in the drawing area's proportions.
    FindAction(*map, "&Copy as Bitmap")->trigger();
    const QSize box = map->PaintBox()->size();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(),
              QSize(2400, 2400 * box.height() / box.width()));

    // A resize draws the map again once the size has settled.
    map->resize(520, 380);
    QApplication::processEvents();
    map->PaintBox()->repaint();
    EXPECT_TRUE(map->ResizeTimer()->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(map->Picture().size(), map->PaintBox()->size(), 3000);
}

TEST(TwoAxisWindow, CancelledDrawingKeepsThePictureAndTheMainWindowComesBack) {
    MainWindowHarness h;
    TwoAxisWindow* map = ShowMap(h);
    const QImage before = map->Picture();
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
    h.OpenTestScan(QString::fromStdString(scan));
    TwoAxisWindow* map = h.Window->TwoAxis();
    FindAction(*map, "P&NG color")->trigger();
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    EXPECT_EQ(h.Prompts.Errors[0], "Systemfehler.  Code: 2.\r\nNo such file or directory");
    EXPECT_TRUE(map->statusBar()->currentMessage().isEmpty());  // no picture is coming
    // (That nothing stays behind is the gnuplot export's test.) Without its template nothing is
    // started, and the user is told.
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
    h.OpenTestScan(QString::fromStdString(scan));
    // The program chosen in the options is the one started (Cancel keeps it).
    const QString gnuplot = QStandardPaths::findExecutable("gnuplot");
    ASSERT_FALSE(gnuplot.isEmpty()) << "gnuplot is needed (Debian package gnuplot-nox or -x11)";
    h.Dialogs.GnuplotAnswers = {gnuplot, QString()};
    h.MenuItem("&Options", "&GNUPlot Executable...")->trigger();
    EXPECT_EQ(h.Dialogs.LastGnuplotPreset, "gnuplot");
    h.MenuItem("&Options", "&GNUPlot Executable...")->trigger();
    EXPECT_EQ(h.Window->GnuplotExecutable(), gnuplot);

    FindAction(*h.Window->TwoAxis(), "&PNG black && white")->trigger();
    EXPECT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.front();
    // The window that started it names the picture in its status bar.
    const QString picture = QString::fromStdString(
        h.Config.File("xrdtools_test_area_RSM_Omega2Theta_v1.0_GnuPlotData.dat_BW.png"));
    QStatusBar* status = h.Window->TwoAxis()->statusBar();
    EXPECT_EQ(status->currentMessage(),
              "gnuplot writes xrdtools_test_area_RSM_Omega2Theta_v1.0_GnuPlotData.dat_BW.png in " +
                  QFileInfo(QString::fromStdString(h.Config.Path())).absoluteFilePath());
    EXPECT_EQ(status->toolTip(), picture);
    QTRY_VERIFY_WITH_TIMEOUT(QImage(picture).width() > 0, 20000);  // gnuplot runs on its own
}

TEST(TwoAxisWindow, NoMapForASingleScanOrAnotherScanKind) {
    MainWindowHarness h;
    h.OpenTestScan();
    TwoAxisWindow* map = h.Window->TwoAxis();
    // One scan without a second axis: the window stays hidden and says the same words as the
    // batch tool prints for this file.
    h.MenuItem("&Window", "&2-Axis Plot")->trigger();
    EXPECT_FALSE(map->isVisible());
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    QProcess cli;
    cli.start(QString(TREVASC_BIN_DIR) + "/trevasc-cli",
              {"map", test::TestDataFile(), "-o", QString::fromStdString(h.Config.File("m.png"))});
    ASSERT_TRUE(cli.waitForFinished(20000));
    const QString printed = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_NE(cli.exitCode(), 0);
    EXPECT_TRUE(printed.contains(QString::fromStdString(h.Prompts.Errors[0])))
        << printed.toStdString() << " / " << h.Prompts.Errors[0];
    EXPECT_FALSE(std::filesystem::exists(h.Config.File("m.png")));

    // Another scan kind hides a shown map window.
    h.OpenTestScan(test::TestDataFile(kAreaScan));
    ShowMap(h);
    h.Window->Session().Scans().Registry().OpenScanKind = TScanKind::Omega;
    FindAction(*map, "&Color")->trigger();
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(h.Window->isEnabled());
}

TEST(TwoAxisWindow, ShownMapFollowsOpenInsertAndSelectAndHidesWithoutAMap) {
    MainWindowHarness h;
    WorkbenchSession& session = h.Window->Session();
    TwoAxisWindow* map = ShowMap(h);
    const auto [areaLow, areaHigh] = SecondAxisRange(session.Scans().Registry());
    // Another map file (two scans 0.1° apart): the shown window draws its map.
    h.OpenTestScan(test::TestDataFile("two_scans_rsm.ras"));
    ASSERT_TRUE(map->isVisible());
    const auto [low, high] = SecondAxisRange(session.Scans().Registry());
    ASSERT_NE(low, areaLow);
    EXPECT_EQ(std::pair(map->Area().YMin, map->Area().YMax), std::pair(low, high));
    // Inserting widens the map to the scans added.
    ASSERT_TRUE(session.RunAction(
        [&] { session.InsertFiles({test::TestDataFile(kAreaScan).toStdString()}); }));
    EXPECT_EQ(std::pair(map->Area().YMin, map->Area().YMax),
              std::pair(std::min(low, areaLow), std::max(high, areaHigh)));

    // Selecting another main scan keeps the reciprocal map reciprocal, without a new question.
    h.Prompts.ConfirmAnswers = {true};
    h.MenuItem("&Window", "&Reciprocal Space Map")->trigger();
    session.SelectMainScan(2);
    ASSERT_TRUE(map->isVisible());
    EXPECT_TRUE(map->ReciprocalReadout());
    EXPECT_EQ(h.Prompts.Questions.size(), 1u);

    // A single scan forms no map: the window goes, without a message nobody asked for, and
    // does not come back by itself with the next map file.
    h.OpenTestScan();
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.front();
    h.OpenTestScan(test::TestDataFile(kAreaScan));
    EXPECT_FALSE(map->isVisible());
}

TEST(TwoAxisWindow, CopiedTextAndReadoutUseTheUsersDecimalSeparator) {
    test::CommaLocale comma;
    ASSERT_TRUE(comma.Active());
    const test::UserLocale german(QLocale(QLocale::German, QLocale::Germany));
    MainWindowHarness h;
    TwoAxisWindow* map = ShowMap(h);
    FindAction(*map, "Copy as &Text")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split("\r\n");
    ASSERT_GT(lines.size(), 2);
    // The titles keep their points ("[a.u.]"); the numbers get the user's comma.
    EXPECT_EQ(lines[0], "TwoTheta [°](x)\tOmega Center [°](y)\tCounts [a.u.](z)");
    EXPECT_EQ(lines[1].count(','), 3) << lines[1].toStdString();
    EXPECT_FALSE(lines[1].contains('.'));
    MoveMouse(map->PaintBox(), QPoint(map->Area().Left, map->Area().Top));
    const QString readout = map->statusBar()->currentMessage();
    EXPECT_EQ(readout.count(','), 2) << readout.toStdString();
    EXPECT_FALSE(readout.contains('.'));
}

}  // namespace
}  // namespace trevasc
