#include <QDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>

#include "GuiTestSupport.h"
#include "base/NumberText.h"
#include "gui/lattice/ErrorInfoWindow.h"
#include "gui/lattice/LatticeDialogs.h"
#include "gui/lattice/LatticeWindow.h"
#include "gui/lattice/NelsonRileyWindow.h"
#include "gui/thickness/ThicknessWindow.h"
#include "gui/widgets/FloatEdit.h"
#include "support/KiessigFringes.h"

using namespace trevasc;
using trevasc::test::Child;
using trevasc::test::MainWindowHarness;
using trevasc::test::Rows;

namespace {

// The main scan with exactly these peaks, all checked.
void SetPeaks(MainWindowHarness& h, const std::vector<double>& positions) {
    WorkbenchSession& s = h.Window->Session();
    s.Scans().MainScan().Peaks.Items.clear();
    for (double p : positions) s.Peaks().Add(p);
    QApplication::processEvents();
}

const std::vector<double> kSrTiO3 = {22.754, 46.472, 72.567, 104.192};

}  // namespace

TEST(LatticeWindow, HandOverCalculateAndTheNelsonRileyPlot) {
    MainWindowHarness h;
    h.OpenTestScan();
    SetPeaks(h, kSrTiO3);
    h.Window->Session().Peaks().SetChecked(3, false);
    auto* lattice = h.Tool<LatticeWindow>("LatticeWindow");
    auto* nr = h.Tool<NelsonRileyWindow>("NelsonRileyWindow");
    h.Click("Button8");
    EXPECT_TRUE(lattice->isVisible());
    EXPECT_EQ(Rows(lattice, "ListBox1"), (QStringList{"22.754", "46.472", "72.567"}));

    h.Window->Session().Settings().SetCurrentWavelength(1.5406);
    Child<QLineEdit>(lattice, "Edit1")->setText(" 0, 0 ,1");
    test::ClickButton(lattice, "Button1");
    ASSERT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.back();
    EXPECT_EQ(Child<QLineEdit>(lattice, "Edit1")->text(), "0,0,1");
    EXPECT_EQ(Rows(lattice, "ListBox3"), (QStringList{"0,0,1", "0,0,2", "0,0,3"}));
    EXPECT_NEAR(Child<FloatEdit>(lattice, "FloatEdit2")->Value(), 3.905, 0.001);
    EXPECT_NE(h.Window->Session().Scans().Registry().PlotTitle.find(" (d=3.90"), std::string::npos);

    test::ClickButton(lattice, "Button2");
    EXPECT_TRUE(nr->isVisible());
    EXPECT_EQ(nr->windowTitle(), kNelsonRileyCaption);
    EXPECT_EQ(nr->Dataset().Count(), 3);
    EXPECT_NEAR(Child<FloatEdit>(lattice, "FloatEdit4")->Value(), nr->Dataset().Intercept, 1e-4);
    // Printing to PDF and the clipboard picture.
    const auto pdf = std::filesystem::path(h.Config.Path()) / "nr.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    nr->PrintPlot(printer);
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
    EXPECT_TRUE(nr->CreatePlotMimeData()->hasFormat("image/svg+xml"));

    // A manual add marks both windows old; opening them tells so.
    h.Window->Session().Peaks().Add(50.0);
    EXPECT_EQ(lattice->windowTitle(), kLatticeOldCaption);
    EXPECT_EQ(nr->windowTitle(), kNelsonRileyOldCaption);
    h.Prompts.Infos.clear();
    lattice->ShowWindow();
    EXPECT_EQ(h.Prompts.Infos, std::vector<std::string>{kOldPeakDataMessage});
}

TEST(LatticeWindow, AutoScanManualMultiplierDeleteAndPeakIds) {
    MainWindowHarness h;
    h.OpenTestScan();
    SetPeaks(h, kSrTiO3);
    h.Window->Session().Settings().SetCurrentWavelength(1.5406);
    h.Click("Button8");
    auto* lattice = h.Tool<LatticeWindow>("LatticeWindow");
    Child<QLineEdit>(lattice, "Edit1")->setText("0,0,1");

    h.Dialogs.DialogAnswers = {true};
    h.Dialogs.FillDialog = [](QDialog& d) {
        ASSERT_EQ(d.windowTitle(), "Auto scan parameters");
        auto& scan = static_cast<AutoScanDialog&>(d);
        scan.StartEdit()->SetValue(2);
        scan.EndEdit()->SetValue(6);
        scan.StepEdit()->SetValue(0.001);
    };
    test::ClickButton(lattice, "Button4");
    ASSERT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.back();
    EXPECT_EQ(Rows(lattice, "ListBox3"), (QStringList{"0,0,1", "0,0,2", "0,0,3", "0,0,4"}));
    const QString found = Child<FloatEdit>(lattice, "FloatEdit1")->text();

    // A step of 0 is refused with a message; the window is usable again and shows what it did.
    h.Dialogs.DialogAnswers = {true};
    h.Dialogs.FillDialog = [](QDialog& d) {
        static_cast<AutoScanDialog&>(d).StepEdit()->setText("0");
    };
    test::ClickButton(lattice, "Button4");
    ASSERT_EQ(h.Prompts.Errors.size(), 1u);
    EXPECT_NE(h.Prompts.Errors[0].find("stepwidth"), std::string::npos);
    EXPECT_TRUE(lattice->isEnabled());
    EXPECT_EQ(Child<FloatEdit>(lattice, "FloatEdit1")->text(), found);
    EXPECT_EQ(Rows(lattice, "ListBox3").size(), 4);
    h.Prompts.Errors.clear();

    // Row 1 by hand: multiplier 5, italic.
    Child<QListWidget>(lattice, "ListBox3")->setCurrentRow(1);
    h.Dialogs.DialogAnswers = {true};
    h.Dialogs.FillDialog = [](QDialog& d) {
        static_cast<HklAssignDialog&>(d).MultiplierSpin()->setValue(5);
    };
    test::ClickButton(lattice, "Button5");
    auto* hkl = Child<QListWidget>(lattice, "ListBox3");
    EXPECT_EQ(hkl->item(1)->text(), "0,0,5");
    EXPECT_TRUE(hkl->item(1)->font().italic());
    EXPECT_FALSE(hkl->item(0)->font().italic());

    // Delete selected takes the row out of all four lists.
    Child<QListWidget>(lattice, "ListBox1")->setCurrentRow(0);
    test::ClickButton(lattice, "Button3");
    EXPECT_EQ(Rows(lattice, "ListBox4").size(), 3);

    // The peak IDs go to the main list; the check box is cleared afterwards (which peaks get
    // them, and the adjusted positions, are the session's tests').
    test::ClickButton(lattice, "CheckBox1");
    test::ClickButton(lattice, "Button2");
    EXPECT_FALSE(Child<QCheckBox>(lattice, "CheckBox1")->isChecked());
    EXPECT_EQ(h.Window->Session().Scans().MainScan().Peaks.Items[1].Description, "(0,0,2)");
}

TEST(ErrorInfoWindow, ShowsTheStandardErrorOfTheIntercept) {
    const QString html = ErrorInfoWindow::InfoHtml();
    // sqrt(Sxx SSE / ((n - 2)(n Sxx - Sx^2))): no further factor n under the root.
    EXPECT_TRUE(html.contains("/ ( (n − 2) ( n Σx<sub>i</sub>² − (Σx<sub>i</sub>)² ) )"))
        << html.toStdString();
    EXPECT_FALSE(html.contains("n (n − 2)"));
    EXPECT_TRUE(html.contains("( n (n − 1) )"));
}

TEST(ThicknessWindow, FringesOfATwentyNanometreFilm) {
    MainWindowHarness h;
    h.OpenTestScan(test::TestDataFile("refnx_180706_HA_DG2_XRR_v1.0.xrdml"));
    SetPeaks(h, {1.324, 1.765, 2.207, 2.648});
    auto* xrr = h.Tool<ThicknessWindow>("XrrWindow");
    h.Click("Button15");
    EXPECT_TRUE(xrr->isVisible());
    EXPECT_NEAR(xrr->Wavelength(), 1.54056, 1e-9);
    EXPECT_NEAR(Child<FloatEdit>(xrr, "FloatEdit1")->Value(), 20.0, 0.1);
    EXPECT_EQ(Child<QSpinBox>(xrr, "SpinEdit1")->value(), 3);
    test::ClickButton(xrr, "CheckBox1");
    test::ClickButton(xrr, "Button1");
    ASSERT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.back();
    EXPECT_EQ(Rows(xrr, "ListBox3"), (QStringList{"3", "4", "5", "6"}));
    EXPECT_NEAR(Child<FloatEdit>(xrr, "FloatEdit2")->Value(), 20.0, 0.05);
    // The thickness goes to the "Additional reflections" tab in Å, the IDs to the peak list.
    EXPECT_NEAR(h.Window->Session().Settings().AdditionalLatticeSpacing(),
                Child<FloatEdit>(xrr, "FloatEdit2")->Value() * 10.0, 1e-9);
    EXPECT_EQ(h.Window->Session().Scans().MainScan().Peaks.Items[0].Description, "(3)");

    // Typing a thickness moves the first index; the lists follow.
    auto* thickness = Child<FloatEdit>(xrr, "FloatEdit1");
    thickness->selectAll();
    QTest::keyClicks(thickness, "26.7");
    EXPECT_EQ(Child<QSpinBox>(xrr, "SpinEdit1")->value(), 4);
    EXPECT_EQ(Rows(xrr, "ListBox3").front(), "4");
    EXPECT_EQ(thickness->text(), "26.7");

    // A peak search marks the window old; opening it says so.
    h.Window->Session().Peaks().Find(analysis::TPeakMethod::Slope);
    EXPECT_EQ(xrr->windowTitle(), kThicknessOldCaption);
    h.Prompts.Infos.clear();
    xrr->ShowWindow();
    EXPECT_EQ(h.Prompts.Infos, std::vector<std::string>{kOldPeakDataMessage});
}

// The fit itself is the thickness tools' test; here the button, the fields and the message.
TEST(ThicknessWindow, FitOrdersAndTheRefractionFields) {
    MainWindowHarness h;
    h.OpenTestScan(test::TestDataFile("refnx_180706_HA_DG2_XRR_v1.0.xrdml"));
    auto* xrr = h.Tool<ThicknessWindow>("XrrWindow");
    auto* refraction = Child<FloatEdit>(xrr, "FloatEditRefraction");
    auto* critical = Child<FloatEdit>(xrr, "FloatEditCriticalAngle");
    auto* index = Child<QSpinBox>(xrr, "SpinEdit1");
    EXPECT_TRUE(refraction->isReadOnly() && critical->isReadOnly());
    EXPECT_EQ(refraction->text(), "-");

    // A 40 nm film with 2Theta_c = 0.9°, fringes at orders 0.5 to 7.5: index 0 with "+½";
    // taking "+½" away makes it 1. The fields show the line near 40 nm and 0.9°.
    SetPeaks(h, test::KiessigFringes(40.0, 0.9, 0.5, 8));
    h.Click("Button15");
    test::ClickButton(xrr, "ButtonFitOrders");
    ASSERT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.back();
    EXPECT_EQ(index->value(), 0);
    EXPECT_TRUE(Child<QCheckBox>(xrr, "CheckBox2")->isChecked());
    EXPECT_NEAR(refraction->Value(), 40.0, 0.1);
    EXPECT_NEAR(critical->Value(), 0.9, 0.01);
    test::ClickButton(xrr, "CheckBox2");
    EXPECT_EQ(index->value(), 1);
    EXPECT_EQ(xrr->Calculation().FirstIndex(), 1);

    // Two fringes: no line, both fields "-", and "Fit orders" says why.
    SetPeaks(h, {1.0, 1.3});
    h.Click("Button15");
    test::ClickButton(xrr, "Button1");
    EXPECT_EQ(refraction->text() + critical->text(), "--");
    test::ClickButton(xrr, "ButtonFitOrders");
    EXPECT_EQ(h.Prompts.Errors, std::vector<std::string>{tools::kFitOrdersMessage});
}
