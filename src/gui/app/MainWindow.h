#pragma once
// The main window: the menus and the host of the tabs, the configuration files, and the tool
// windows (created through the window registry). The workbench state and the file flow live in
// WorkbenchSession; each tab is a class of its own that talks to the session.
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "core/Configuration.h"
#include "gui/app/WindowRegistry.h"
#include "gui/widgets/Controls.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/Kalpha2Stripping.h"

class QAction;
class QApplication;
class QMenu;
class QTabWidget;

namespace trevasc {

class Dialogs;
class ErrorInfoWindow;
class ExchangeMenus;
class FileDisplayTab;
class LatticeWindow;
class LegendWindow;
class PeakFitWindow;
class ProfileFitWindow;
class SizeStrainWindow;
class NelsonRileyWindow;
class PeaksTab;
class SubstrateTab;
class AdditionalReflectionsTab;
class StructureTab;
class PlotWindow;
class ProgressFeedback;
class QtDialogs;
class QtPrompts;
class RsmOffsetDialog;
class SelectMainPlotDialog;
class ThicknessWindow;
class TwoAxisWindow;
class UpdateCheckController;

// Where the program keeps and finds its files. Empty folders are determined as the program does
// (the per-user configuration folder, the folder of the executable).
struct MainWindowOptions {
    QString ConfigFolder;   // with or without a trailing "/"
    QString ProgramFolder;  // holds XRAY.DEF and Substrates.DEF
    QString ProgramName;    // base of the main configuration file name ("trevasc" -> trevasc.INI)
};

// Application-wide settings of the program (names, the quit rule). Window captions are shown
// exactly as the program sets them: nothing is appended to them.
void ConfigureApplication(QApplication& app);

class MainWindow : public QMainWindow, private OpenScansObserver, private PlotViewObserver {
    Q_OBJECT
  public:
    // `prompts` answers the session's questions and `dialogs` shows the file, colour, printer
    // and PNG dialogs; without them the window shows Qt dialogs.
    explicit MainWindow(const MainWindowOptions& options = {}, Prompts* prompts = nullptr,
                        Dialogs* dialogs = nullptr);
    ~MainWindow() override;

    WorkbenchSession& Session() { return session_; }
    WindowRegistry& Windows() { return windows_; }
    PlotWindow* Plot() const { return plotWindow_; }
    LegendWindow* Legend() const { return legendWindow_; }
    TwoAxisWindow* TwoAxis() const { return twoAxisWindow_; }
    RsmOffsetDialog* RsmOffsets() const { return rsmOffsetDialog_; }
    SelectMainPlotDialog* SelectMainPlot() const { return selectMainPlotDialog_; }
    UpdateCheckController* UpdateCheck() const { return updateCheck_; }
    FileDisplayTab* FileDisplay() const { return fileDisplayTab_; }
    PeaksTab* Peaks() const { return peaksTab_; }
    PeakFitWindow* PeakFit() const { return peakFitWindow_; }
    ProfileFitWindow* ProfileFit() const { return profileFitWindow_; }
    SizeStrainWindow* SizeStrain() const { return sizeStrainWindow_; }
    // The Kα1/Kα2 pair of the lattice window's X-ray tube line, or why there is none.
    tools::KalphaDoubletLookup SelectedKalphaDoublet() const;
    SubstrateTab* Substrate() const { return substrateTab_; }
    AdditionalReflectionsTab* AdditionalReflections() const { return additionalTab_; }
    StructureTab* Structure() const { return structureTab_; }

    QString ConfigFolder() const { return Q(paths_.ConfigFolder); }
    QString MainIniPath() const { return Q(paths_.MainIniPath); }
    QString ColorsIniPath() const { return Q(paths_.ColorsIniPath); }
    QString XrayIniPath() const { return Q(paths_.XrayIniPath); }
    QString SubstratesIniPath() const { return Q(paths_.SubstratesIniPath); }
    QString GnuplotExecutable() const { return Q(settings_.GnuplotExeFile); }

    // The file named on the command line; opened when the window is first shown.
    void SetCommandLineFile(const QString& fileName) { commandLineFile_ = fileName; }

    // Writes the position keys of every window to the main configuration file.
    void SaveWindowPositions();
    // Writes colors.ini and the settings of the main configuration file (history, gnuplot,
    // update check, the tabs' kept fields). Runs once, when the close went through.
    void WriteExitConfiguration();

    // The actions behind the controls and menus (public so that other windows and tests use the
    // same code paths as a click).
    void OpenDataFile();
    void InsertPlot();
    void OpenFiles(const QStringList& files);  // drag and drop: first as main, rest inserted
    void ShowLegend();
    // A click into the measured map: the offsets dialog for the scan nearest to the click; OK
    // replaces the reciprocal space map's offsets.
    void OpenOffsetsDialog(double twoTheta, double secondAxis);
    // "Fit actual display area": the fit window on the displayed range of the main scan.
    void FitDisplayArea();
    // "Auto Gauss checked" / "Auto Lorentz checked": every checked peak in turn in the fit
    // window, each waiting for Accept or Cancel.
    void AutoFitCheckedPeaks(bool gauss);
    // "&User manual" (the installed HTML manual in the browser), "&About" and "&Keyboard
    // shortcuts" of the Help menu.
    static constexpr const char* kManualFileName = "manual.html";
    void ShowUserManual();
    void ShowAbout();
    void ShowKeyboardShortcuts();

  signals:
    // The close went through (questions answered, configuration written): the program ends.
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // OpenScansObserver, PlotViewObserver
    void CaptionChanged(const std::string& caption) override;
    void FileHistoryChanged() override;
    void LegendRefresh() override;
    void ScanMenuChanged() override;

    void DetermineConfigFolder(const MainWindowOptions& options);
    void RegisterWindows();
    void BuildTabs();
    // "&Import dataset from clipboard to substrate database...".
    void ImportJcpdsDataset();
    void BuildMenus();
    void FirstShow();
    void ShowSelectMainPlotDialog();
    void OpenHistoryItem(int slot);

    void ChooseGnuplotExecutable();
    void EditColorsClicked();

    std::unique_ptr<QtPrompts> ownPrompts_;
    std::unique_ptr<QtDialogs> ownDialogs_;
    Dialogs& dialogs_;
    WorkbenchSession session_;
    std::unique_ptr<ProgressFeedback> progress_;
    WindowRegistry windows_;

    ConfigPaths paths_;
    QString programFolder_;
    MainSettings settings_;  // as read at start-up; the history and switches follow the user
    QString commandLineFile_;
    bool shownOnce_ = false;
    // Configuration files that could not be read whole, reported once the window is shown.
    std::vector<std::string> configProblems_;
    bool exitWritten_ = false;

    QTabWidget* tabs_ = nullptr;
    FileDisplayTab* fileDisplayTab_ = nullptr;
    PeaksTab* peaksTab_ = nullptr;
    SubstrateTab* substrateTab_ = nullptr;
    AdditionalReflectionsTab* additionalTab_ = nullptr;
    StructureTab* structureTab_ = nullptr;
    PlotWindow* plotWindow_ = nullptr;      // owned by the registry's window list (children of
    LegendWindow* legendWindow_ = nullptr;  // nothing: deleted in the destructor)
    SelectMainPlotDialog* selectMainPlotDialog_ = nullptr;
    PeakFitWindow* peakFitWindow_ = nullptr;
    ProfileFitWindow* profileFitWindow_ = nullptr;
    SizeStrainWindow* sizeStrainWindow_ = nullptr;
    double fitViewFrom_ = 0.0, fitViewTo_ = 0.0;    // the displayed range the fit window opened on
    ExchangeMenus* exchange_ = nullptr;             // a child: "E&xport", "&Import", the copies
    UpdateCheckController* updateCheck_ = nullptr;  // a child: the timer, the GET, the reminder
    LatticeWindow* latticeWindow_ = nullptr;  // the analysis windows: deleted in the destructor
    NelsonRileyWindow* nelsonRileyWindow_ = nullptr;
    ThicknessWindow* thicknessWindow_ = nullptr;
    ErrorInfoWindow* errorInfoWindow_ = nullptr;
    TwoAxisWindow* twoAxisWindow_ = nullptr;
    RsmOffsetDialog* rsmOffsetDialog_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QMenu* plotMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QAction* plotMenuAction_ = nullptr;
    QAction* plotDialogAction_ = nullptr;
    QAction* checkUpdateOnStartAction_ = nullptr;
    std::vector<QAction*> historyActions_;
};

}  // namespace trevasc
