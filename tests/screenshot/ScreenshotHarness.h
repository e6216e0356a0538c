#pragma once
// What the documentation's picture harnesses share: the arguments checked, a main window on a
// configuration folder of their own (the user's is never touched), and the pictures taken once
// the window has settled.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "gui/app/MainWindow.h"

namespace trevasc::screenshot {

struct Harness {
    const char* Usage;  // the program and its arguments
    int Required;       // arguments; the last required one is the output folder
    bool Optional;      // one more argument may follow
    bool OpenFirst;     // the first argument is the scan the program opens at start
    int DelayMs;        // the time the window is given to settle
};

// Opens a scan and finds its peaks by the slope method; false when either failed.
inline bool OpenAndFindPeaks(MainWindow& window, const QString& file) {
    WorkbenchSession& session = window.Session();
    return session.RunAction([&] {
        session.OpenMainFile(file.toStdString());
        session.Peaks().Find(analysis::TPeakMethod::Slope);
    });
}

// `shoot` takes the pictures and answers whether every one was saved. The exit status: 0 all
// saved, 1 not, 2 wrong arguments.
inline int Run(int argc, char* argv[], const Harness& harness,
               const std::function<bool(MainWindow&, const QStringList&, const QString&)>& shoot) {
    QApplication app(argc, argv);
    ConfigureApplication(app);
    const QStringList args = QCoreApplication::arguments();
    const int required = harness.Required;
    if (args.size() != required + 1 && !(harness.Optional && args.size() == required + 2)) {
        std::fprintf(stderr, "usage: %s\n", harness.Usage);
        return 2;
    }
    QTemporaryDir config;
    MainWindowOptions options;
    options.ConfigFolder = config.path();
    options.ProgramFolder = QCoreApplication::applicationDirPath();
    options.ProgramName = "trevasc";
    MainWindow window(options);
    if (harness.OpenFirst) window.SetCommandLineFile(args.at(1));
    window.show();
    const QString folder = args.at(required);
    int status = 1;
    QTimer::singleShot(harness.DelayMs, &window, [&] {
        QDir().mkpath(folder);
        status = shoot(window, args, folder) ? 0 : 1;
        QApplication::exit(0);  // no close questions: the peaks are found, not saved
    });
    app.exec();
    return status;
}

}  // namespace trevasc::screenshot
