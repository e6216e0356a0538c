// trevasc-screenshot-analysis: the pictures of the analysis windows for the documentation. Opens
// a scan with film peaks on a configuration folder of its own, hands the peaks to the lattice
// window, draws the Nelson-Riley plot, then opens a reflectivity scan and computes the film
// thickness from its fringes; saves the three windows at their real sizes.
//   trevasc-screenshot-analysis LATTICE-SCAN XRR-SCAN OUTPUT-FOLDER
#include <QLineEdit>
#include <QPushButton>

#include "ScreenshotHarness.h"
#include "gui/app/WindowRegistry.h"

namespace {

void Click(QWidget* window, const char* name) {
    if (auto* b = window->findChild<QPushButton*>(name)) b->click();
    QApplication::processEvents();
}

// Keeps the checked peaks inside the ranges.
void CheckRanges(trevasc::WorkbenchSession& session,
                 std::initializer_list<std::pair<double, double>> ranges) {
    const auto& peaks = session.Scans().MainScan().Peaks.Items;
    for (size_t i = 0; i < peaks.size(); ++i) {
        bool inside = false;
        for (const auto& [from, to] : ranges)
            inside = inside || (peaks[i].Position >= from && peaks[i].Position <= to);
        session.Peaks().SetChecked(static_cast<int>(i), inside);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const trevasc::screenshot::Harness harness{
        "trevasc-screenshot-analysis LATTICE-SCAN XRR-SCAN OUTPUT-FOLDER", 3, false, false, 1000};
    return trevasc::screenshot::Run(
        argc, argv, harness,
        [](trevasc::MainWindow& window, const QStringList& args, const QString& folder) {
            trevasc::WorkbenchSession& session = window.Session();
            bool ok = trevasc::screenshot::OpenAndFindPeaks(window, args.at(1));
            // The substrate's (200) and (400) reflections of the sample scan.
            CheckRanges(session, {{33.0, 33.5}, {69.0, 69.5}});
            session.Peaks().SendChecked(trevasc::PeakHandOverTarget::Lattice);
            QWidget* lattice = window.Windows().Window("LatticeWindow");
            QWidget* nr = window.Windows().Window("NelsonRileyWindow");
            QWidget* xrr = window.Windows().Window("XrrWindow");
            if (!lattice || !nr || !xrr) return false;
            lattice->findChild<QLineEdit*>("FloatEdit1")->setText("5.4");
            Click(lattice, "Button2");
            lattice->move(40, 40);
            nr->move(860, 40);
            QApplication::processEvents();
            ok = lattice->grab().save(folder + "/screenshot-lattice.png") && ok;
            ok = nr->grab().save(folder + "/screenshot-nelson-riley.png") && ok;

            ok = trevasc::screenshot::OpenAndFindPeaks(window, args.at(2)) && ok;
            CheckRanges(session, {{1.0, 2.0}});
            session.Peaks().SendChecked(trevasc::PeakHandOverTarget::Thickness);
            // "Fit orders" calculates too, so that the refraction fields show their values.
            Click(xrr, "ButtonFitOrders");
            return xrr->grab().save(folder + "/screenshot-thickness.png") && ok;
        });
}
