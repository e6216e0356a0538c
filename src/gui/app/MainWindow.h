#pragma once
// The main window: menus, the tabs with the processing, peak search and peak list controls, and
// the start-up and shutdown of the program's windows. The state and the file flow live in
// WorkbenchSession; this window observes it and forwards the user's actions to it.
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "core/Configuration.h"
#include "gui/app/FileDialogs.h"
#include "plot/ColorConfig.h"
#include "plot/XrdPlotRefresh.h"
#include "session/WorkbenchSession.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace trevasc {

class FloatEdit;
class LegendWindow;
class PlotWindow;
class QtPrompts;
class SelectMainPlotDialog;

// Where the program keeps and finds its files. Empty folders are determined as the program does
// (the per-user configuration folder, the folder of the executable).
struct MainWindowOptions {
    QString ConfigFolder;   // with or without a trailing "/"
    QString ProgramFolder;  // holds XRAY.DEF and Substrates.DEF
    QString ProgramName;    // base of the main configuration file name ("trevasc" -> trevasc.INI)
};

class MainWindow : public QMainWindow, private SessionObserver {
    Q_OBJECT
  public:
    // `prompts` answers the session's questions; without one the window shows Qt dialogs.
    explicit MainWindow(const MainWindowOptions& options = {}, Prompts* prompts = nullptr);
    ~MainWindow() override;

    WorkbenchSession& Session() { return session_; }
    PlotWindow* Plot() const { return plotWindow_.get(); }
    LegendWindow* Legend() const { return legendWindow_.get(); }
    SelectMainPlotDialog* SelectMainPlot() const { return selectMainPlotDialog_; }
    plot::TColorConfig& Colors() { return colors_; }
    // Replaces the file dialogs (tests); nullptr restores the Qt dialogs.
    void SetFileDialogs(FileDialogs* dialogs);

    QString ConfigFolder() const { return configFolder_; }
    QString MainIniPath() const { return mainIniPath_; }
    QString ColorsIniPath() const { return colorsIniPath_; }
    QString XrayIniPath() const { return xrayIniPath_; }
    QString SubstratesIniPath() const { return substratesIniPath_; }
    QString GnuplotExecutable() const { return gnuplotExe_; }
    bool ContourLines() const { return contourLines_; }
    bool CheckUpdatesOnStart() const { return autoUpdates_; }

    // The file named on the command line; opened when the window is first shown.
    void SetCommandLineFile(const QString& fileName) { commandLineFile_ = fileName; }

    // Writes the position keys of every window to the main configuration file.
    void SaveWindowPositions();
    // Writes colors.ini and the settings of the main configuration file (history, gnuplot,
    // update check). Runs once, when the close went through.
    void WriteExitConfiguration();

    // The actions behind the controls and menus (public so that other windows and tests use the
    // same code paths as a click).
    void OpenDataFile();
    void InsertPlot();
    void OpenFiles(const QStringList& files);  // drag and drop: first as main, rest inserted
    // Fills the plot window's record from the open scans, shows the window and repaints it.
    void PlotRefresh() override;
    void RunFindPeaks(analysis::TPeakMethod method);
    void AddPeakToMainScan(const std::string& description, bool checked, bool redraw,
                           double position);
    void AddPeakByAngle();
    void DeleteHighlightedPeak();
    void IdentifyHighlightedPeak();
    void SetAllChecks(bool checked);
    void SelectPeakNearPosition(double position);
    void ShowLegend();
    void ChangePlotTitle();

    // Settings as the controls show them.
    analysis::ProcessingSettings CurrentProcessingSettings() const;
    analysis::PeakSearchSettings CurrentPeakSearchSettings() const;
    plot::XrdPlotSettings CurrentPlotSettings() const;

  signals:
    // The close went through (questions answered, configuration written): the program ends.
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // SessionObserver
    void CaptionChanged(const std::string& caption) override;
    void FileHistoryChanged() override;
    void PeakListReset() override;
    void FindPeaksEnabledChanged(bool enabled) override;
    void SpanAllFilesChecked() override;
    void PlotWindowUpdate() override;
    void LegendRefresh() override;
    void ScanMenuChanged() override;

    void DetermineConfigFolder(const MainWindowOptions& options);
    void SeedConfigurationFiles();
    void ReadMainConfiguration();
    void CreateToolWindows();
    void ApplyStoredGeometry(QWidget* window, const WindowPosition& position, bool withSize);

    void BuildMenus();
    void BuildFileDisplayTab(QWidget* page);
    void BuildPeaksTab(QWidget* page);
    void BuildPlaceholderTab(const QString& caption, const QString& hint,
                             const QStringList& groups);
    void ConnectControls();
    void UpdateSpinVisibility();

    void FirstShow();
    void UpdateExportMenu();
    void UpdateImportMenu();
    void UpdateEditMenu();
    void PlotMenuAboutToShow();
    void ShowSelectMainPlotDialog();

    void ProcessingChanged();
    void SpanAllFilesClicked();
    void ApplyPlotRange();
    void ShowViewRange(double from, double to);
    void PeakItemChanged(QListWidgetItem* item);
    void RefillPeakList();
    void RefreshPeakRow(int row);
    int HighlightedRow() const;
    // Redraws the plot with the current peaks (marker colours, labels).
    void RedrawPlot();

    void ExportSpectrum();
    void ExportAllSpectra();
    void ExportPeakList(bool withIdent);
    void ImportPeakList();
    void CopyText(const std::string& text);
    void CopySpectrum();
    void CopyAllSpectra();
    void CopyPeaks(int content);
    void ChooseGnuplotExecutable();
    void EditColorsClicked();
    void OpenHistoryItem(int slot);

    QString ProposedExportName(const char* suffix) const;
    char DecimalSeparator() const;

    std::unique_ptr<QtPrompts> ownPrompts_;
    WorkbenchSession session_;
    plot::TColorConfig colors_;
    std::mt19937 randomEngine_;
    plot::TRandomColorSource randomColor_;
    FileDialogs defaultDialogs_;
    FileDialogs* dialogs_ = &defaultDialogs_;

    ConfigPaths paths_;
    QString configFolder_, programFolder_, mainIniPath_, colorsIniPath_, xrayIniPath_,
        substratesIniPath_;
    QString gnuplotExe_;
    bool contourLines_ = true;
    bool autoUpdates_ = true;
    QString commandLineFile_;
    bool shownOnce_ = false;
    bool exitWritten_ = false;

    std::unique_ptr<PlotWindow> plotWindow_;
    std::unique_ptr<LegendWindow> legendWindow_;
    SelectMainPlotDialog* selectMainPlotDialog_ = nullptr;

    // Menus
    QMenu* fileMenu_ = nullptr;
    QMenu* exportMenu_ = nullptr;
    QMenu* importMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* plotMenu_ = nullptr;
    QAction* plotMenuAction_ = nullptr;
    QAction* plotDialogAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* insertAction_ = nullptr;
    QAction* exportSpectrumAction_ = nullptr;
    QAction* exportAllSpectraAction_ = nullptr;
    QAction* exportPeaksAction_ = nullptr;
    QAction* exportPeaksIdentAction_ = nullptr;
    QAction* importPeaksAction_ = nullptr;
    QAction* copySpectrumAction_ = nullptr;
    QAction* copyAllSpectraAction_ = nullptr;
    std::vector<QAction*> copyPeakActions_;
    QAction* checkUpdateOnStartAction_ = nullptr;
    std::vector<QAction*> historyActions_;

    // Tab "File/Display"
    QTabWidget* tabs_ = nullptr;
    QPushButton* bitBtnOpen_ = nullptr;
    QPushButton* bitBtnInsert_ = nullptr;
    QCheckBox* checkBox1_ = nullptr;  // Noise suppression
    QSpinBox* spinEdit2_ = nullptr;
    QLabel* labelSpinEdit2_ = nullptr;
    QCheckBox* checkBox11_ = nullptr;  // Remove background
    QSpinBox* spinEdit5_ = nullptr;
    QLabel* labelSpinEdit5_ = nullptr;
    QCheckBox* checkBox4_ = nullptr;   // Logarithmic scaling
    QCheckBox* checkBox6_ = nullptr;   // Show slope
    QCheckBox* checkBox8_ = nullptr;   // Scale on all graphs
    QCheckBox* checkBox10_ = nullptr;  // Offset addit. graphs
    QSpinBox* spinEditSlopeCnt_ = nullptr;
    QSpinBox* spinEditMinPeak_ = nullptr;
    QSpinBox* spinEdit1_ = nullptr;
    QSpinBox* spinEdit6_ = nullptr;
    FloatEdit* floatEdit13_ = nullptr;
    QPushButton* button1_ = nullptr;   // Find peaks (Method 1)
    QPushButton* button14_ = nullptr;  // Find peaks (Method 2)
    QCheckBox* checkBox2_ = nullptr;   // Use area bisector
    QSpinBox* spinEdit3_ = nullptr;
    QLabel* labelSpinEdit3_ = nullptr;
    QCheckBox* checkBox15_ = nullptr;  // In current 2Theta plot range only
    QCheckBox* checkBox13_ = nullptr;  // Span over all opened files
    FloatEdit* floatEdit11_ = nullptr;
    FloatEdit* floatEdit12_ = nullptr;
    QPushButton* button18_ = nullptr;  // Apply

    // Tab "Peaks/Reflections"
    QListWidget* checkListBox1_ = nullptr;
    QPushButton* button3_ = nullptr;
    QPushButton* button4_ = nullptr;
    QPushButton* button2_ = nullptr;
    QPushButton* button9_ = nullptr;
    QPushButton* button10_ = nullptr;
    QPushButton* button8_ = nullptr;
    QPushButton* button15_ = nullptr;
    QCheckBox* checkBox14_ = nullptr;

    bool fillingPeakList_ = false;
};

}  // namespace trevasc
