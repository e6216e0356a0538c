// trevasc-screenshot-profile: the pictures of the line-profile windows for the documentation.
// Opens a powder scan on a configuration folder of its own, finds its peaks, fits the strong
// reflections together in the Profile Fit window, shows their sizes in the Size and Strain
// window and the scan over d in the XRD Plot window; saves the windows at their real sizes.
//   trevasc-screenshot-profile SCAN OUTPUT-FOLDER
#include <QPushButton>
#include <algorithm>

#include "ScreenshotHarness.h"
#include "gui/plot/PlotWindow.h"
#include "gui/profile/ProfileFitWindow.h"
#include "gui/profile/SizeStrainWindow.h"

int main(int argc, char* argv[]) {
    const trevasc::screenshot::Harness harness{"trevasc-screenshot-profile SCAN OUTPUT-FOLDER", 2,
                                               false, false, 1000};
    return trevasc::screenshot::Run(
        argc, argv, harness,
        [](trevasc::MainWindow& window, const QStringList& args, const QString& folder) {
            trevasc::WorkbenchSession& session = window.Session();
            bool ok = trevasc::screenshot::OpenAndFindPeaks(window, args.at(1));
            // The three strong reflections: the 100 strongest counts decide.
            const auto& peaks = session.Scans().MainScan().Peaks.Items;
            std::vector<std::pair<int, int>> heights;
            for (size_t i = 0; i < peaks.size(); ++i)
                heights.push_back({peaks[i].Intensity, static_cast<int>(i)});
            std::sort(heights.rbegin(), heights.rend());
            for (size_t i = 0; i < peaks.size(); ++i)
                session.Peaks().SetChecked(static_cast<int>(i), false);
            for (size_t k = 0; k < heights.size() && k < 3; ++k)
                session.Peaks().SetChecked(heights[k].second, true);
            auto* profile = window.ProfileFit();
            profile->OpenForView();
            profile->move(40, 40);
            if (auto* fit = profile->findChild<QPushButton*>("ButtonFit")) fit->click();
            QApplication::processEvents();
            ok = profile->Result().has_value() && ok;
            ok = profile->grab().save(folder + "/screenshot-profile-fit.png") && ok;

            window.Windows().ShowWindow("SizeStrainWindow");
            window.SizeStrain()->move(900, 40);
            QApplication::processEvents();
            ok = window.SizeStrain()->grab().save(folder + "/screenshot-size-strain.png") && ok;

            window.Plot()->SetXAxis(trevasc::plot::TScanAxis::Spacing);
            QApplication::processEvents();
            return window.Plot()->grab().save(folder + "/screenshot-plot-spacing.png") && ok;
        });
}
