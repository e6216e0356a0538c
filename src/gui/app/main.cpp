// trevasc: the desktop workbench for X-ray diffraction scans.
#include <QApplication>

#include "gui/app/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    trevasc::ConfigureApplication(app);

    trevasc::MainWindow window;
    const QStringList args = QCoreApplication::arguments();
    // The only argument is a scan file to open.
    if (args.size() > 1) window.SetCommandLineFile(args.at(1));
    window.show();

    QObject::connect(&window, &trevasc::MainWindow::closed, &app, &QApplication::quit);
    return app.exec();
}
