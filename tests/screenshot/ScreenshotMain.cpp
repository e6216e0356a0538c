// trevasc-screenshot: the pictures of the documentation. Starts the workbench on a configuration
// folder of its own, opens a scan, finds its peaks, saves the main window (both peak tabs) and
// the plot window, zooms onto the strongest peak and fits it in the fit window, saves that
// window, the update reminder and the shortcut list too; with an area measurement it also saves
// the map window (measured, reciprocal, black and white) and the offsets dialog; then it quits
// without touching the user's configuration.
//   trevasc-screenshot SCAN OUTPUT-FOLDER [AREA-SCAN]
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <tuple>

#include "ScreenshotHarness.h"
#include "gui/fitting/PeakFitWindow.h"
#include "gui/maps/RsmOffsetDialog.h"
#include "gui/maps/TwoAxisWindow.h"
#include "gui/plot/PlotWindow.h"
#include "gui/update/UpdateCheckController.h"
#include "gui/update/UpdateReminderDialog.h"
#include "gui/widgets/FloatEdit.h"

namespace {

// The tabs "Substrate" (SrTiO3 with its markers), "Additional reflections" (the substrate's
// lattice constant) and "Structure" (hexagonal GaN shown in the plot).
bool ShootReflectionTabs(trevasc::MainWindow& window, QTabWidget& tabs, const QString& folder) {
    tabs.setCurrentIndex(2);
    auto* material = window.findChild<QComboBox*>("ComboBox1");
    material->setCurrentIndex(material->findText("SrTiO3"));
    window.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
    QApplication::processEvents();
    bool ok = window.grab().save(folder + "/screenshot-substrate.png");
    tabs.setCurrentIndex(3);
    window.findChild<QCheckBox*>("CheckBox5")->setChecked(true);
    QApplication::processEvents();
    ok = window.grab().save(folder + "/screenshot-additional.png") && ok;
    tabs.setCurrentIndex(4);
    window.findChild<QComboBox*>("ComboBox3")->setCurrentIndex(3);
    window.findChild<trevasc::FloatEdit*>("FloatEdit5")->SetValue(3.189);
    window.findChild<trevasc::FloatEdit*>("FloatEdit7")->SetValue(5.185);
    for (const char* name : {"SpinEdit10", "SpinEdit11", "SpinEdit12"})
        window.findChild<QSpinBox*>(name)->setValue(2);
    window.findChild<QCheckBox*>("CheckBox12")->setChecked(true);
    QApplication::processEvents();
    ok = window.grab().save(folder + "/screenshot-structure.png") && ok;
    ok = window.Plot()->grab().save(folder + "/screenshot-markers.png") && ok;
    return ok;
}

// The map window on an area measurement: the measured map, the offsets dialog for its strongest
// point (the SrTiO3 (1 0 3) substrate reflex of the sample in grazing incidence: cubic 3.905 Å,
// (0 0 1) surface, turned by 180°), the reciprocal space map with those offsets, the same in
// black and white, and the colour PNG through gnuplot.
bool ShootMaps(trevasc::MainWindow& window, const QString& areaScan, const QString& folder) {
    trevasc::WorkbenchSession& session = window.Session();
    if (!session.RunAction([&] { session.OpenMainFile(areaScan.toStdString()); })) return false;
    // At the size the window opens with, where its titles have the least room.
    trevasc::TwoAxisWindow* map = window.TwoAxis();
    map->ShowTwoAxisPlot();
    QApplication::processEvents();
    map->RenderMap();
    QApplication::processEvents();
    bool ok = map->grab().save(folder + "/screenshot-map.png");

    // The strongest point of all scans (the first of equals).
    const trevasc::ScanRegistry& scans = session.Scans().Registry();
    const trevasc::TDataSet* best = &scans.ScanAt(0);
    const trevasc::TDataPoint* top = &best->Points.front();
    for (int k = 0; k <= scans.AdditionalCount(); ++k)
        for (const trevasc::TDataPoint& p : scans.ScanAt(k).Points)
            if (p.Intensity > top->Intensity) std::tie(best, top) = std::pair(&scans.ScanAt(k), &p);
    trevasc::RsmOffsetDialog* dialog = window.RsmOffsets();
    dialog->SetPeak(
        trevasc::tools::OffsetsForClick(scans, top->Position, best->SecondAxisPosition));
    for (const char* name : {"FloatEditA", "FloatEditB", "FloatEditC"})
        dialog->findChild<trevasc::FloatEdit*>(name)->SetValue(3.905);
    dialog->findChild<QSpinBox*>("SpinEditReflexH")->setValue(1);
    dialog->findChild<QSpinBox*>("SpinEditReflexL")->setValue(3);
    dialog->findChild<QSpinBox*>("SpinEditOrientationL")->setValue(1);
    dialog->findChild<QCheckBox*>("CheckBoxRotatePhi")->setChecked(true);
    dialog->CalculateClick();
    dialog->show();
    QApplication::processEvents();
    ok = dialog->grab().save(folder + "/screenshot-offsets.png") && ok;
    const trevasc::tools::RsmOffsets offsets = dialog->Offsets();
    dialog->hide();
    session.Settings().Maps().RsmOmegaOffset = offsets.OmegaOffset;
    session.Settings().Maps().RsmTwoThetaOffset = offsets.TwoThetaOffset;

    map->ShowReciprocalSpaceMap();
    QApplication::processEvents();
    ok = map->grab().save(folder + "/screenshot-map-reciprocal.png") && ok;
    map->SetScaleMode(trevasc::plot::TMapScale::BlackWhite);
    QApplication::processEvents();
    ok = map->grab().save(folder + "/screenshot-map-bw.png") && ok;
    // gnuplot renders the colour PNG beside the scan on its own time.
    map->ExportGnuplot(trevasc::tools::GnuplotKind::PngColor);
    map->hide();
    return ok;
}

// "Fit actual display area" on the strongest peak, background boundaries 25 points out.
bool ShootFit(trevasc::MainWindow& window, const QString& folder) {
    const auto& points = window.Session().Scans().MainScan().Points;
    if (points.size() <= 100) return true;
    const auto top = std::max_element(points.begin(), points.end(),
                                      [](auto& a, auto& b) { return a.Intensity < b.Intensity; });
    const long i = top - points.begin();
    const auto at = [&](long k) {
        return points[static_cast<size_t>(std::clamp<long>(k, 0, points.size() - 1))].Position;
    };
    window.Session().View().SetRange(at(i - 40), at(i + 40));
    if (auto* open = window.findChild<QPushButton*>("Button11")) open->click();
    trevasc::PeakFitWindow* fit = window.PeakFit();
    fit->resize(720, 540);
    QApplication::processEvents();
    fit->SetBoundary(true, at(i - 25));
    fit->SetBoundary(false, at(i + 25));
    fit->RunFit(trevasc::tools::FitProfile::Gauss);
    QApplication::processEvents();
    const bool ok = fit->grab().save(folder + "/screenshot-fit.png");
    fit->hide();
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    const trevasc::screenshot::Harness harness{"trevasc-screenshot SCAN OUTPUT-FOLDER [AREA-SCAN]",
                                               2, true, true, 1500};
    return trevasc::screenshot::Run(
        argc, argv, harness,
        [](trevasc::MainWindow& window, const QStringList& args, const QString& folder) {
            if (auto* find = window.findChild<QPushButton*>("Button1"); find && find->isEnabled())
                find->click();
            QApplication::processEvents();
            auto* tabs = window.findChild<QTabWidget*>("PageControl1");
            bool ok = window.grab().save(folder + "/screenshot-main.png");
            tabs->setCurrentIndex(1);
            QApplication::processEvents();
            ok = window.grab().save(folder + "/screenshot-peaks.png") && ok;
            ok = window.Plot()->grab().save(folder + "/screenshot-plot.png") && ok;
            ok = ShootFit(window, folder) && ok;
            // The update reminder as a newer version would fill it.
            trevasc::UpdateReminderDialog* reminder = window.UpdateCheck()->Reminder();
            reminder->SetContent(
                "A new version of the Trevasc (version 1.1 Build 0) is available at",
                "http://trevasc.example.org/trevasc/download.html",
                "- two-axis maps export to gnuplot\n- faster xml reader\n"
                "- the peak list keeps its descriptions after a new search");
            reminder->show();
            QApplication::processEvents();
            ok = reminder->grab().save(folder + "/screenshot-update.png") && ok;
            reminder->hide();
            // The generated keyboard shortcut list: grabbed while its dialog runs, then closed.
            QTimer::singleShot(500, &window, [&] {
                if (QWidget* list = QApplication::activeModalWidget()) {
                    ok = list->grab().save(folder + "/screenshot-shortcuts.png") && ok;
                    list->close();
                }
            });
            window.ShowKeyboardShortcuts();
            ok = ShootReflectionTabs(window, *tabs, folder) && ok;
            if (args.size() == 4) ok = ShootMaps(window, args.at(3), folder) && ok;
            return ok;
        });
}
