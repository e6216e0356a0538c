// trevasc: the desktop workbench for X-ray diffraction scans.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "gui/app/MainWindow.h"
#include "gui/plot/PlotWindow.h"

namespace {

// TREVASC_SCREENSHOT=<folder>: after start-up, find the peaks of the opened scan, save pictures
// of the main window (both peak tabs) and of the plot window into the folder, and quit without
// writing any configuration. Used to produce the pictures of the documentation.
void ScheduleScreenshots(trevasc::MainWindow& window, const QString& folder) {
    QTimer::singleShot(1500, &window, [&window, folder] {
        QDir().mkpath(folder);
        if (auto* find = window.findChild<QPushButton*>("Button1"); find && find->isEnabled())
            find->click();
        QApplication::processEvents();
        auto* tabs = window.findChild<QTabWidget*>("PageControl1");
        window.grab().save(folder + "/screenshot-main.png");
        if (tabs) {
            tabs->setCurrentIndex(1);
            QApplication::processEvents();
            window.grab().save(folder + "/screenshot-peaks.png");
            tabs->setCurrentIndex(0);
        }
        if (window.Plot()) window.Plot()->grab().save(folder + "/screenshot-plot.png");
        QApplication::exit(0);
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("XRD Analysis");
    QApplication::setApplicationName("trevasc");

    trevasc::MainWindowOptions options;
    // The configuration folder may be given by the environment for tests and screenshots, so
    // that they never touch the user's own configuration.
    options.ConfigFolder = qEnvironmentVariable("TREVASC_CONFIG_DIR");
    options.ProgramFolder = QCoreApplication::applicationDirPath();
    options.ProgramName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();

    trevasc::MainWindow window(options);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) window.SetCommandLineFile(args.at(1));
    window.show();

    const QString screenshots = qEnvironmentVariable("TREVASC_SCREENSHOT");
    if (!screenshots.isEmpty()) ScheduleScreenshots(window, screenshots);

    // The program ends with the main window, whatever tool windows are still open.
    app.setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &trevasc::MainWindow::closed, &app, &QApplication::quit);
    return app.exec();
}
