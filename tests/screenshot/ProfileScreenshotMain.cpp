// trevasc-screenshot-profile: the pictures of the line-profile windows for the documentation.
// Opens a powder scan on a configuration folder of its own, finds its peaks, fits the strong
// reflections together in the Profile Fit window, shows their sizes in the Size and Strain
// window and the scan over d in the XRD Plot window; saves the windows at their real sizes.
//   trevasc-screenshot-profile SCAN OUTPUT-FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "gui/app/MainWindow.h"
#include "gui/plot/PlotWindow.h"
#include "gui/profile/ProfileFitWindow.h"
#include "gui/profile/SizeStrainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    trevasc::ConfigureApplication(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: trevasc-screenshot-profile SCAN OUTPUT-FOLDER\n");
        return 2;
    }
    QTemporaryDir config;
    trevasc::MainWindowOptions options;
    options.ConfigFolder = config.path();
    options.ProgramFolder = QCoreApplication::applicationDirPath();
    options.ProgramName = "trevasc";
    trevasc::MainWindow window(options);
    window.show();
    const QString folder = args.at(2);
    int status = 1;
    QTimer::singleShot(1000, &window, [&] {
        QDir().mkpath(folder);
        trevasc::WorkbenchSession& session = window.Session();
        bool ok = session.RunAction([&] {
            session.OpenMainFile(args.at(1).toStdString());
            session.Peaks().Find(trevasc::analysis::TPeakMethod::Slope);
        });
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
        auto* size = window.SizeStrain();
        profile->OpenForView();
        profile->move(40, 40);
        if (auto* fit = profile->findChild<QPushButton*>("ButtonFit")) fit->click();
        QApplication::processEvents();
        ok = profile->Result().has_value() && ok;
        ok = profile->grab().save(folder + "/screenshot-profile-fit.png") && ok;

        window.Windows().ShowWindow("SizeStrainWindow");
        size->move(900, 40);
        QApplication::processEvents();
        ok = size->grab().save(folder + "/screenshot-size-strain.png") && ok;

        window.Plot()->SetXAxis(trevasc::plot::TScanAxis::Spacing);
        QApplication::processEvents();
        ok = window.Plot()->grab().save(folder + "/screenshot-plot-spacing.png") && ok;
        status = ok ? 0 : 1;
        QApplication::exit(0);
    });
    app.exec();
    return status;
}
