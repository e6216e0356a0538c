#include "gui/app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "Version.h"
#include "core/XrayTubeSelectorState.h"
#include "gui/app/Dialogs.h"
#include "gui/app/ExchangeMenus.h"
#include "gui/app/ProgressFeedback.h"
#include "gui/app/QtPrompts.h"
#include "gui/app/SelectMainPlotDialog.h"
#include "gui/app/ShortcutList.h"
#include "gui/fitting/PeakFitWindow.h"
#include "gui/lattice/ErrorInfoWindow.h"
#include "gui/lattice/LatticeDialogs.h"
#include "gui/lattice/LatticeWindow.h"
#include "gui/lattice/NelsonRileyWindow.h"
#include "gui/maps/RsmOffsetDialog.h"
#include "gui/maps/TwoAxisWindow.h"
#include "gui/plot/LegendWindow.h"
#include "gui/plot/PlotColorDialog.h"
#include "gui/plot/PlotWindow.h"
#include "gui/profile/ProfileFitWindow.h"
#include "gui/profile/SizeStrainWindow.h"
#include "gui/substrates/JcpdsImportDialog.h"
#include "gui/tabs/AdditionalReflectionsTab.h"
#include "gui/tabs/FileDisplayTab.h"
#include "gui/tabs/PeaksTab.h"
#include "gui/tabs/StructureTab.h"
#include "gui/tabs/SubstrateTab.h"
#include "gui/thickness/ThicknessWindow.h"
#include "gui/update/UpdateCheckController.h"
#include "gui/update/UpdateReminderDialog.h"
#include "qtcanvas/PlotImageExport.h"
#include "session/AutoFitSequence.h"
#include "session/TabSettings.h"

namespace trevasc {

namespace {

QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

void ConfigureApplication(QApplication& app) {
    QApplication::setApplicationName("trevasc");
    QApplication::setApplicationVersion(kVersionText);
    // The desktop entry names the program in the task bar. No application display name is set:
    // the platform would append it to every caption ("scan.xrdml: Trevasc v1.0 (Build 1) —
    // ..."), and the captions must read as the program sets them.
    QGuiApplication::setDesktopFileName(kApplicationId);
    // The installed icon theme's icon (share/icons/hicolor/.../trevasc).
    QApplication::setWindowIcon(QIcon::fromTheme("trevasc"));
    // The program ends with the main window, whatever tool windows are still open.
    app.setQuitOnLastWindowClosed(false);
}

// ---------------------------------------------------------------------------------------------
// Creation

MainWindow::MainWindow(const MainWindowOptions& options, Prompts* prompts, Dialogs* dialogs)
    : ownPrompts_(prompts ? nullptr : std::make_unique<QtPrompts>()),
      ownDialogs_(dialogs ? nullptr : std::make_unique<QtDialogs>()),
      dialogs_(dialogs ? *dialogs : *ownDialogs_),
      session_(prompts ? *prompts : *ownPrompts_) {
    setObjectName("MainWindow");
    setWindowTitle("Trevasc");
    if (ownPrompts_) ownPrompts_->SetParent(this);
    setAcceptDrops(true);
    session_.Settings().SetDecimalSeparator(UserDecimalSeparator());
    progress_ = std::make_unique<ProgressFeedback>(this);
    session_.Progress().SetCallback([this](const ProgressEvent& e) { return (*progress_)(e); });

    // Configuration folder, seeded definition files, colours and the main settings come first:
    // every window created below reads its position from the main configuration file.
    DetermineConfigFolder(options);
    SeedDefinitionFiles(paths_, FindDefinitionFolder(S(programFolder_)));
    configProblems_ = ConfigFileProblems(paths_);
    session_.Settings().Colors() = plot::ReadColorConfig(paths_.ColorsIniPath);
    settings_ = ReadMainSettings(paths_.MainIniPath);
    exchange_ = new ExchangeMenus(session_, dialogs_, this);
    updateCheck_ = new UpdateCheckController(settings_.UpdateHost, settings_.AutoUpdates, dialogs_,
                                             session_.GetPrompts(), this);
    session_.Settings().Maps().ContourLines = settings_.ContourLines;
    // Until the lattice window is created, the wavelength is that of the X-ray line selected,
    // or the value typed, at the last exit.
    XrayTubeSelectorState defaultLine(paths_.XrayIniPath, session_.GetPrompts());
    defaultLine.Create();
    if (defaultLine.SelectedIndex() >= 0 || defaultLine.TypedValue())
        session_.Settings().SetCurrentWavelength(defaultLine.Wavelength());

    session_.Scans().AddObserver(this);
    session_.View().AddObserver(this);
    BuildTabs();
    BuildMenus();
    session_.Scans().SetFileHistory(settings_.FileHistory);
    checkUpdateOnStartAction_->setChecked(settings_.AutoUpdates);

    resize(sizeHint().expandedTo(QSize(562, 337 + menuBar()->sizeHint().height())));
    RegisterWindows();
    windows_.CreateAll(settings_);
    fileDisplayTab_->SetKalphaDoubletSource([this] { return SelectedKalphaDoublet(); });
    windows_.BuildWindowMenu(windowMenu_);
    windows_.BuildWindowMenu(plotWindow_->WindowMenu());
    windows_.SetMenuCommand("TwoAxisPlot", [this] { twoAxisWindow_->ShowTwoAxisPlot(); });
    windows_.SetMenuCommand("ReciprocalSpaceMap",
                            [this] { twoAxisWindow_->ShowReciprocalSpaceMap(); });
    for (QMenu* menu : {latticeWindow_->WindowMenu(), nelsonRileyWindow_->WindowMenu(),
                        thicknessWindow_->WindowMenu(), twoAxisWindow_->WindowMenu()})
        windows_.BuildWindowMenu(menu);
    session_.Scans().RebuildScanMenu();
}

MainWindow::~MainWindow() {
    // The tool windows go first: nothing they emit may reach a half-destroyed main window.
    session_.Scans().RemoveObserver(this);
    session_.View().RemoveObserver(this);
    session_.Progress().SetCallback({});
    delete peakFitWindow_;
    delete sizeStrainWindow_;
    delete profileFitWindow_;
    updateCheck_->Stop();
    delete errorInfoWindow_;
    delete rsmOffsetDialog_;
    delete twoAxisWindow_;
    delete thicknessWindow_;
    delete nelsonRileyWindow_;
    delete latticeWindow_;
    delete legendWindow_;
    delete plotWindow_;
}

void MainWindow::DetermineConfigFolder(const MainWindowOptions& options) {
    programFolder_ = options.ProgramFolder;
    if (programFolder_.isEmpty()) programFolder_ = QCoreApplication::applicationDirPath();
    std::string folder = S(options.ConfigFolder);
    if (folder.empty())
        folder = ChooseConfigFolder(
            S(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
            S(programFolder_));
    QString programName = options.ProgramName;
    if (programName.isEmpty())
        programName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (programName.isEmpty()) programName = "trevasc";
    paths_ = MakeConfigPaths(folder, S(programName));
}

void MainWindow::RegisterWindows() {
    // Creation order of the program's windows; the windows of the analysis tools join this list
    // where they belong when they arrive.
    windows_.Register(
        {"MainWindow", QString(), &MainSettings::MainWindow, false, nullptr, nullptr, this});
    windows_.Register({"PlotWindow", "XRD Plot", &MainSettings::PlotWindow, true, [this] {
                           plotWindow_ = new PlotWindow(session_, dialogs_);
                           connect(plotWindow_, &PlotWindow::filesDropped, this,
                                   &MainWindow::OpenFiles);
                           connect(plotWindow_, &PlotWindow::windowClosing, this,
                                   &MainWindow::SaveWindowPositions);
                           return plotWindow_;
                       }});
    windows_.Register({"LatticeWindow", kLatticeCaption, &MainSettings::LatticeWindow, false,
                       [this] {
                           latticeWindow_ = new LatticeWindow(session_, dialogs_, XrayIniPath());
                           connect(latticeWindow_, &LatticeWindow::windowClosing, this,
                                   &MainWindow::SaveWindowPositions);
                           connect(latticeWindow_, &LatticeWindow::errorInfoRequested, this,
                                   [this] { windows_.ShowWindow("ErrorInfoWindow"); });
                           return latticeWindow_;
                       },
                       [this] { latticeWindow_->ShowWindow(); }});
    windows_.Register({"NelsonRileyWindow", kNelsonRileyCaption, &MainSettings::NelsonRileyWindow,
                       true,
                       [this] {
                           nelsonRileyWindow_ = new NelsonRileyWindow(session_, dialogs_);
                           latticeWindow_->SetNelsonRileyWindow(nelsonRileyWindow_);
                           connect(nelsonRileyWindow_, &NelsonRileyWindow::windowClosing, this,
                                   &MainWindow::SaveWindowPositions);
                           return nelsonRileyWindow_;
                       },
                       [this] { nelsonRileyWindow_->ShowWindow(); }});
    windows_.Register({"AutoScanDialog", QString(), nullptr, false,
                       [this] { return latticeWindow_->AutoScan(); }});
    windows_.Register({"HklAssignDialog", QString(), nullptr, false,
                       [this] { return latticeWindow_->HklAssign(); }});
    windows_.Register(
        {"PeakFitWindow", "Peak Fitting Module", nullptr, false, [this] {
             peakFitWindow_ = new PeakFitWindow(session_.GetPrompts());
             connect(peakFitWindow_, &PeakFitWindow::fitAccepted, this, [this](double position) {
                 session_.Peaks().AcceptDisplayFit(position, fitViewFrom_, fitViewTo_);
             });
             return peakFitWindow_;
         }});
    windows_.Register(
        {"TwoAxisWindow", kTwoAxisCaption, &MainSettings::TwoAxisWindow, true,
         [this] {
             twoAxisWindow_ = new TwoAxisWindow(session_, this);
             twoAxisWindow_->SetGnuplotProgram([this] { return Q(settings_.GnuplotExeFile); });
             twoAxisWindow_->SetGnuplotTemplate(
                 Q(FindDefinitionFolder(S(programFolder_)) + tools::kTemplateFileName));
             connect(twoAxisWindow_, &TwoAxisWindow::offsetsRequested, this,
                     &MainWindow::OpenOffsetsDialog);
             connect(twoAxisWindow_, &TwoAxisWindow::windowClosing, this,
                     &MainWindow::SaveWindowPositions);
             return twoAxisWindow_;
         },
         [this] { twoAxisWindow_->ShowTwoAxisPlot(); }});
    windows_.Register({"LegendWindow", QString(), &MainSettings::LegendWindow, true,
                       [this] {
                           legendWindow_ = new LegendWindow();
                           connect(legendWindow_, &LegendWindow::windowClosing, this,
                                   &MainWindow::SaveWindowPositions);
                           return legendWindow_;
                       },
                       [this] { ShowLegend(); }});
    windows_.Register({"RsmOffsetDialog", kRsmOffsetCaption, nullptr, false, [this] {
                           rsmOffsetDialog_ = new RsmOffsetDialog(session_, this);
                           return rsmOffsetDialog_;
                       }});
    windows_.Register({"UpdateReminderDialog", QString(), nullptr, false,
                       [this] { return updateCheck_->CreateReminder(); }});
    windows_.Register({"XrrWindow", kThicknessCaption, &MainSettings::ThicknessWindow, false,
                       [this] {
                           thicknessWindow_ = new ThicknessWindow(session_, XrayIniPath());
                           connect(thicknessWindow_, &ThicknessWindow::windowClosing, this,
                                   &MainWindow::SaveWindowPositions);
                           return thicknessWindow_;
                       },
                       [this] { thicknessWindow_->ShowWindow(); }});
    windows_.Register({"ProfileFitWindow", kProfileFitCaption, nullptr, false,
                       [this] {
                           profileFitWindow_ = new ProfileFitWindow(
                               session_, [this] { return SelectedKalphaDoublet(); },
                               [this] { return fileDisplayTab_->Kalpha2Ratio(); });
                           return profileFitWindow_;
                       },
                       [this] { profileFitWindow_->ShowWindow(); }});
    windows_.Register(
        {"SizeStrainWindow", kSizeStrainCaption, nullptr, false,
         [this] {
             sizeStrainWindow_ = new SizeStrainWindow(session_, dialogs_, paths_.MainIniPath);
             // The size analysis follows every new profile fit.
             connect(profileFitWindow_, &ProfileFitWindow::fitFinished, sizeStrainWindow_,
                     [this] { sizeStrainWindow_->SetFit(profileFitWindow_->Result()); });
             connect(sizeStrainWindow_, &SizeStrainWindow::windowClosing, this,
                     &MainWindow::SaveWindowPositions);
             return sizeStrainWindow_;
         },
         [this] {
             sizeStrainWindow_->SetFit(profileFitWindow_->Result());
             sizeStrainWindow_->show();
             sizeStrainWindow_->raise();
             sizeStrainWindow_->activateWindow();
         }});
    windows_.Register({"ErrorInfoWindow", QString(), nullptr, false, [this] {
                           errorInfoWindow_ = new ErrorInfoWindow();
                           return errorInfoWindow_;
                       }});
    windows_.Register({"SelectMainPlotDialog", QString(), nullptr, false, [this] {
                           selectMainPlotDialog_ = new SelectMainPlotDialog(this);
                           return selectMainPlotDialog_;
                       }});
}

tools::KalphaDoubletLookup MainWindow::SelectedKalphaDoublet() const {
    const std::string line = latticeWindow_ ? latticeWindow_->SelectedLineName() : std::string();
    if (line.empty())
        return {std::nullopt,
                "No X-ray tube line is selected in the lattice window (a typed "
                "energy or wavelength has no Kα2 partner)."};
    try {
        return tools::FindKalphaDoublet(XrayLineTable(S(XrayIniPath())), line);
    } catch (const std::exception& e) {
        return {std::nullopt, e.what()};
    }
}

void MainWindow::FitDisplayArea() {
    if (!peakFitWindow_) return;
    const std::optional<tools::DisplayFitRange> range = session_.View().DisplayFitRange();
    if (!range) return;
    fitViewFrom_ = range->From;
    fitViewTo_ = range->To;
    peakFitWindow_->OpenFitWindow(range->First, range->Last, session_.Scans().MainScan().Points);
}

void MainWindow::AutoFitCheckedPeaks(bool gauss) {
    if (!peakFitWindow_ || peakFitWindow_->WaitingForDecision()) return;
    const tools::FitProfile profile = gauss ? tools::FitProfile::Gauss : tools::FitProfile::Lorentz;
    // The main window takes no commands until the last peak is done, whatever happens.
    struct Enable {
        QWidget* Window;
        ~Enable() { Window->setEnabled(true); }
    } enable{this};
    setEnabled(false);
    AutoFitSequence sequence(session_);
    while (const std::optional<AutoFitJob> job = sequence.Next()) {
        const double position = peakFitWindow_->AutoFit(
            job->Edges.First, job->Edges.Last, profile, session_.Scans().MainScan().Points,
            job->Edges.LeftBoundary, job->Edges.RightBoundary, job->Centre);
        sequence.Finish(position);
        if (peakFitWindow_->AutoFitsStopped()) break;
    }
    peakFitWindow_->hide();
    sequence.Complete();
}

void MainWindow::BuildTabs() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("PageControl1");
    setCentralWidget(tabs_);
    fileDisplayTab_ = new FileDisplayTab(session_, tabs_);
    tabs_->addTab(fileDisplayTab_, "File/Display");
    tabs_->setTabToolTip(0, "File operations/display options/peak search");
    connect(fileDisplayTab_, &FileDisplayTab::openClicked, this, &MainWindow::OpenDataFile);
    connect(fileDisplayTab_, &FileDisplayTab::insertClicked, this, &MainWindow::InsertPlot);
    connect(fileDisplayTab_, &FileDisplayTab::fitDisplayAreaClicked, this,
            &MainWindow::FitDisplayArea);
    connect(fileDisplayTab_, &FileDisplayTab::autoFitClicked, this,
            &MainWindow::AutoFitCheckedPeaks);
    peaksTab_ = new PeaksTab(session_, tabs_);
    connect(peaksTab_, &PeaksTab::profileFitClicked, this, [this] {
        if (profileFitWindow_ && session_.Scans().HasMainScan()) profileFitWindow_->OpenForView();
    });
    tabs_->addTab(peaksTab_, "Peaks/Reflections");
    tabs_->setTabToolTip(1, "Peak list and lattice data calculation");
    substrateTab_ = new SubstrateTab(session_, SubstratesIniPath(), tabs_);
    tabs_->setTabToolTip(tabs_->addTab(substrateTab_, "Substrate"),
                         "Substrate peak identification");
    additionalTab_ = new AdditionalReflectionsTab(session_, XrayIniPath(), tabs_);
    tabs_->setTabToolTip(tabs_->addTab(additionalTab_, "Additional reflections"),
                         "Additional peak simulation");
    structureTab_ = new StructureTab(session_, tabs_);
    tabs_->setTabToolTip(tabs_->addTab(structureTab_, "Structure"), "Crystal structure simulation");

    // The fields the user set in the last run.
    const TabSettings kept = ReadTabSettings(paths_.MainIniPath);
    fileDisplayTab_->ShowKeptSettings(kept.Processing, kept.PeakSearch);
    fileDisplayTab_->SetKalpha2Ratio(kept.Kalpha2Ratio);
    structureTab_->SetDefinition(kept.Structure);
}

void MainWindow::ImportJcpdsDataset() {
    JcpdsImportDialog dialog(session_, SubstratesIniPath(), this);
    dialog.exec();
    // The list is read again whichever way the dialog ended.
    substrateTab_->LoadMaterialList();
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();

    fileMenu_ = bar->addMenu("&File");
    QAction* open = fileMenu_->addAction("&Open data file...", this, &MainWindow::OpenDataFile);
    open->setShortcut(QKeySequence::Open);
    QAction* insert =
        fileMenu_->addAction("Insert &additional file(s)...", this, &MainWindow::InsertPlot);
    insert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    fileMenu_->addSeparator();
    QAction* quit = fileMenu_->addAction("&Quit", this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    fileMenu_->addSeparator();

    exchange_->AddExportMenu(bar);
    exchange_->AddImportMenu(bar);
    QMenu* editMenu = bar->addMenu("&Edit");
    exchange_->AddCopyEntries(editMenu);
    editMenu->addSeparator();
    editMenu->addAction("Change plot &title...", this,
                        [this] { session_.View().ChangePlotTitle(); });

    plotMenu_ = new QMenu("&Plot", this);
    plotMenuAction_ = bar->addMenu(plotMenu_);
    // With 20 or more additional scans the Plot entry opens the "Select Main Plot" dialog.
    plotDialogAction_ = new QAction("&Plot", this);
    plotDialogAction_->setObjectName("PlotDialogAction");
    bar->addAction(plotDialogAction_);
    plotDialogAction_->setVisible(false);
    connect(plotDialogAction_, &QAction::triggered, this, &MainWindow::ShowSelectMainPlotDialog);

    QMenu* options = bar->addMenu("&Options");
    options->addAction("&Colors...", this, &MainWindow::EditColorsClicked);
    options->addAction("&GNUPlot Executable...", this, &MainWindow::ChooseGnuplotExecutable);
    checkUpdateOnStartAction_ = options->addAction("Check for &update on start");
    checkUpdateOnStartAction_->setCheckable(true);
    connect(checkUpdateOnStartAction_, &QAction::toggled, updateCheck_,
            &UpdateCheckController::SetCheckOnStart);
    options->addAction("Check for &update now...", updateCheck_, &UpdateCheckController::CheckNow);

    windowMenu_ = bar->addMenu("&Window");

    QMenu* jcpds = bar->addMenu("&JCPDS");
    jcpds->addAction("&Show material from clipboard in spectrum", this, [this] {
        substrateTab_->ShowClipboardMaterial(QApplication::clipboard()->text());
    });
    jcpds->addSeparator();
    jcpds->addAction("&Import dataset from clipboard to substrate database...", this,
                     &MainWindow::ImportJcpdsDataset);

    QMenu* help = bar->addMenu("&Help");
    help->addAction("&User manual", this, &MainWindow::ShowUserManual);
    help->addAction("&About", this, &MainWindow::ShowAbout);
    QAction* keys =
        help->addAction("&Keyboard shortcuts", this, &MainWindow::ShowKeyboardShortcuts);
    keys->setShortcut(QKeySequence::HelpContents);
}

// ---------------------------------------------------------------------------------------------
// Shown, closed, exit

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    FirstShow();
}

void MainWindow::FirstShow() {
    session_.Scans().SetProgramTitle(CurrentProgramTitle());
    if (!configProblems_.empty()) {
        // Said once the window is up; the files themselves are never written back.
        QTimer::singleShot(0, this, [this, problems = std::move(configProblems_)] {
            for (const std::string& problem : problems) session_.GetPrompts().ShowError(problem);
        });
        configProblems_.clear();
    }
    updateCheck_->WindowShown();
    if (commandLineFile_.isEmpty()) return;
    const QString file = commandLineFile_;
    commandLineFile_.clear();
    // Opened once the window is on screen, so that the plot window comes up in front of it.
    QTimer::singleShot(0, this, [this, file] {
        const QFileInfo info(file);
        if (!info.exists()) return;
        if (!info.isFile()) {
            session_.GetPrompts().ShowError(S(file) + " is not a file.");
            return;
        }
        if (!session_.Scans().ConfirmDiscardPeaks()) return;
        session_.RunAction([&] { session_.OpenMainFile(S(file)); });
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const bool mayClose = session_.Scans().ConfirmClose();
    SaveWindowPositions();
    if (!mayClose) {
        event->ignore();
        return;
    }
    WriteExitConfiguration();
    updateCheck_->Stop();
    plotWindow_->hide();
    legendWindow_->hide();
    twoAxisWindow_->hide();
    event->accept();
    emit closed();
}

void MainWindow::SaveWindowPositions() {
    // The stored positions of windows this program does not show are kept as they are.
    MainSettings settings = ReadMainSettings(paths_.MainIniPath);
    windows_.StorePositions(settings);
    settings.MainWindow.Width = settings.MainWindow.Height = 0;
    trevasc::SaveWindowPositions(paths_.MainIniPath, settings);
}

void MainWindow::WriteExitConfiguration() {
    if (exitWritten_) return;
    exitWritten_ = true;
    // Configuration write errors are not reported to the user.
    try {
        plot::WriteColorConfig(paths_.ColorsIniPath, session_.Settings().Colors());
    } catch (const std::exception&) {
    }
    MainSettings settings = settings_;
    settings.AutoUpdates = updateCheck_->CheckOnStart();
    settings.FileHistory = session_.Scans().GetFileHistory();
    settings.ContourLines = session_.Settings().Maps().ContourLines;
    WriteMainSettings(paths_.MainIniPath, settings);
    WriteTabSettings(paths_.MainIniPath,
                     TabSettings{fileDisplayTab_->ProcessingFromControls(),
                                 fileDisplayTab_->PeakSearchFromControls(),
                                 structureTab_->Definition(), fileDisplayTab_->Kalpha2Ratio()});
}

// ---------------------------------------------------------------------------------------------
// Session observer

void MainWindow::CaptionChanged(const std::string& caption) {
    setWindowTitle(Q(caption));
}

void MainWindow::FileHistoryChanged() {
    for (QAction* action : historyActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    historyActions_.clear();
    const OpenScans::FileHistory& history = session_.Scans().GetFileHistory();
    for (int slot = 0; slot < OpenScans::kHistorySize; ++slot) {
        const std::string& name = history[static_cast<size_t>(slot)];
        if (name.empty()) continue;
        // The full file name is the caption; "&" in a name must not become a mnemonic.
        QAction* action = fileMenu_->addAction(Q(name).replace('&', "&&"), this,
                                               [this, slot] { OpenHistoryItem(slot); });
        historyActions_.push_back(action);
    }
}

void MainWindow::LegendRefresh() {
    if (legendWindow_)
        legendWindow_->SetContent(session_.Scans().Registry(), session_.Settings().Colors(),
                                  session_.Settings().Display().ShowSlope);
}

void MainWindow::ScanMenuChanged() {
    plotMenu_->clear();
    const ScanMenu& menu = session_.Scans().GetScanMenu();
    for (const ScanMenuEntry& entry : menu.MenuItems) {
        QAction* action = plotMenu_->addAction(Q(entry.Caption).replace('&', "&&"));
        const int number = entry.Number;
        if (number == 0) {
            // The main scan's mark stays when its entry is chosen again.
            action->setCheckable(true);
            action->setChecked(true);
            connect(action, &QAction::triggered, action, [action] { action->setChecked(true); });
            continue;
        }
        connect(action, &QAction::triggered, this,
                [this, number] { session_.SelectMainScan(number); });
    }
    if (selectMainPlotDialog_) selectMainPlotDialog_->SetEntries(menu.DialogItems);
    const bool dialogMode = !menu.DialogItems.empty();
    plotMenuAction_->setVisible(!dialogMode);
    plotDialogAction_->setVisible(dialogMode);
}

// ---------------------------------------------------------------------------------------------
// File flow

void MainWindow::OpenDataFile() {
    if (!session_.Scans().ConfirmDiscardPeaks()) return;
    const QString file = dialogs_.OpenScanFile(this);
    if (file.isEmpty()) return;
    session_.RunAction([&] { session_.OpenMainFile(S(file)); });
}

void MainWindow::InsertPlot() {
    if (session_.InsertOpensMainFile()) {
        OpenDataFile();
        return;
    }
    const QStringList files = dialogs_.OpenScanFiles(this);
    if (files.isEmpty()) return;
    std::vector<std::string> names;
    for (const QString& f : files) names.push_back(S(f));
    session_.RunAction([&] { session_.InsertFiles(names); });
}

void MainWindow::OpenFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    if (!session_.Scans().ConfirmDiscardPeaks()) return;
    const bool opened = session_.RunAction([&] { session_.OpenMainFile(S(files.first())); });
    if (!opened || files.size() < 2) return;
    std::vector<std::string> rest;
    for (qsizetype i = 1; i < files.size(); ++i) rest.push_back(S(files[i]));
    session_.RunAction([&] { session_.InsertFiles(rest); });
}

void MainWindow::OpenHistoryItem(int slot) {
    session_.RunAction([&] { session_.OpenHistoryItem(slot); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    // Leave the drag-and-drop handler before any question box comes up.
    QTimer::singleShot(0, this, [this, files] { OpenFiles(files); });
}

// ---------------------------------------------------------------------------------------------
// Windows and options

void MainWindow::ShowLegend() {
    LegendRefresh();
    if (!session_.Scans().HasMainScan()) return;
    legendWindow_->show();
    legendWindow_->raise();
}

void MainWindow::OpenOffsetsDialog(double twoTheta, double secondAxis) {
    rsmOffsetDialog_->SetPeak(
        tools::OffsetsForClick(session_.Scans().Registry(), twoTheta, secondAxis));
    if (!dialogs_.ExecDialog(*rsmOffsetDialog_)) return;
    const tools::RsmOffsets offsets = rsmOffsetDialog_->Offsets();
    session_.Settings().Maps().RsmOmegaOffset = offsets.OmegaOffset;
    session_.Settings().Maps().RsmTwoThetaOffset = offsets.TwoThetaOffset;
}

void MainWindow::EditColorsClicked() {
    EditColors(this, session_.Settings().Colors(), dialogs_);
    session_.Settings().ColorsChanged();
}

void MainWindow::ChooseGnuplotExecutable() {
    const QString file = dialogs_.GnuplotExecutable(this, Q(settings_.GnuplotExeFile));
    if (!file.isEmpty()) settings_.GnuplotExeFile = S(file);
}

// ---------------------------------------------------------------------------------------------
// Help

void MainWindow::ShowAbout() {
    const QString text = QStringLiteral(
                             "<h3>Trevasc %1</h3>"
                             "<p>The workbench for X-ray diffraction scans.</p>"
                             "<p>Version %2.%3, build %4<br>Built with Qt %5, running on Qt %6</p>"
                             "<p>Licence: MIT (free software; see the file LICENSE).</p>"
                             "<p><a href=\"%7\">%7</a></p>")
                             .arg(QString(kVersionText), QString::number(kVersionMajor),
                                  QString::number(kVersionMinor), QString::number(kVersionBuild),
                                  QT_VERSION_STR, qVersion(), QString(kHomePage));
    dialogs_.About(this, "About Trevasc", text);
}

void MainWindow::ShowUserManual() {
    // Beside the definition files: in the build folder, or in <prefix>/share/trevasc.
    const QString manual = Q(FindDefinitionFolder(S(programFolder_))) + kManualFileName;
    if (!QFileInfo(manual).isFile()) {
        session_.GetPrompts().ShowError("The user manual " + S(manual) + " was not found.");
        return;
    }
    dialogs_.OpenWebAddress(this, QUrl::fromLocalFile(manual));
}

void MainWindow::ShowKeyboardShortcuts() {
    // Headed by the windows' captions; the main window's changes with the open file, so it is
    // named by the program.
    std::vector<std::pair<QString, QWidget*>> windows;
    for (QWidget* window : windows_.Windows())
        windows.emplace_back(window == this ? Q(ProgramTitle()) : window->windowTitle(), window);
    dialogs_.ShowDocument(this, "Keyboard shortcuts", ShortcutListHtml(windows));
}

void MainWindow::ShowSelectMainPlotDialog() {
    if (selectMainPlotDialog_->IsEmpty()) return;
    const int number = selectMainPlotDialog_->Choose();
    if (number <= 0) return;  // the main scan's row does nothing
    session_.SelectMainScan(number);
}

}  // namespace trevasc
