// trevasc: the desktop workbench for X-ray diffraction scans.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "Version.h"
#include "gui/app/MainWindow.h"

namespace {

constexpr const char* kHelp =
    "Usage: trevasc [FILE]\n"
    "The workbench for X-ray diffraction scans. FILE, an XRDML or text scan, is opened as the\n"
    "main scan when the window appears.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "Batch commands without a window: trevasc-cli --help. Manual: man trevasc.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so that they work without a display.
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("trevasc %s\n", trevasc::kVersionText);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }

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
