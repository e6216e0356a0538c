#pragma once
// Helpers for the GUI tests: a main window on a temporary configuration folder with scripted
// prompts and scripted file dialogs.
#include <QApplication>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <string>

#include "core/ScriptedPrompts.h"
#include "core/TempDir.h"
#include "gui/FileDialogs.h"
#include "gui/MainWindow.h"

namespace trevasc::test {

// File dialogs that return prepared answers (an empty answer = Cancel) and count their calls.
class ScriptedFileDialogs : public FileDialogs {
  public:
    std::deque<QStringList> OpenAnswers;  // for OpenScanFile (first entry) and OpenScanFiles
    std::deque<QString> SaveAnswers;
    std::deque<QString> PeakListAnswers;
    int OpenCalls = 0;
    int SaveCalls = 0;
    QString LastProposedName;

    QString OpenScanFile(QWidget*) override {
        ++OpenCalls;
        const QStringList files = Next(OpenAnswers);
        return files.isEmpty() ? QString() : files.first();
    }
    QStringList OpenScanFiles(QWidget*) override {
        ++OpenCalls;
        return Next(OpenAnswers);
    }
    QString OpenPeakListFile(QWidget*) override { return Next(PeakListAnswers); }
    QString SaveTextFile(QWidget*, const QString& proposed) override {
        ++SaveCalls;
        LastProposedName = proposed;
        return Next(SaveAnswers);
    }
    QString GnuplotExecutable(QWidget*, const QString&) override { return {}; }

  private:
    template <typename T>
    static T Next(std::deque<T>& answers) {
        if (answers.empty()) return T();
        T a = answers.front();
        answers.pop_front();
        return a;
    }
};

inline QString TestDataFile(const char* name) {
    return QString(TREVASC_TEST_DATA_DIR) + "/" + name;
}

inline const char* kTestScan = "xrdtools_test_scan_2ThetaOmega_v1.0.xrdml";

// A main window on a configuration folder that lives as long as the fixture (a second window
// on the same folder is a restart of the program).
class MainWindowHarness {
  public:
    TempDir Config;
    ScriptedPrompts Prompts;
    ScriptedFileDialogs Dialogs;
    std::unique_ptr<MainWindow> Window;

    MainWindowHarness() { Start(); }
    ~MainWindowHarness() { Window.reset(); }

    // Creates (or re-creates) the main window and shows it, with an optional command-line file.
    MainWindow& Start(const QString& commandLineFile = {}) {
        Window.reset();
        MainWindowOptions options;
        options.ConfigFolder = QString::fromStdString(Config.Path());
        options.ProgramFolder = TREVASC_BIN_DIR;
        options.ProgramName = "trevasc";
        Window = std::make_unique<MainWindow>(options, &Prompts);
        Window->SetFileDialogs(&Dialogs);
        Window->SetCommandLineFile(commandLineFile);
        Window->show();
        QApplication::processEvents();
        return *Window;
    }

    template <typename T>
    T* Find(const char* name) const {
        return Window->findChild<T*>(name);
    }
};

}  // namespace trevasc::test
