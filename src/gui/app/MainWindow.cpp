#include "gui/app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/PathText.h"
#include "core/Configuration.h"
#include "core/XrayTubeSelectorState.h"
#include "formats/PeakListFile.h"
#include "formats/TextExchange.h"
#include "gui/app/QtPrompts.h"
#include "gui/app/SelectMainPlotDialog.h"
#include "gui/plot/LegendWindow.h"
#include "gui/plot/PlotColorDialog.h"
#include "gui/plot/PlotWindow.h"
#include "gui/widgets/FloatEdit.h"

namespace trevasc {

namespace {

// Shows the wait cursor for the lifetime of a long action.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string S(const QString& text) {
    return text.toStdString();
}

QSpinBox* MakeSpin(QWidget* parent, const char* name, int min, int max, int value,
                   const QString& hint) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(min, max);
    spin->setValue(value);
    spin->setToolTip(hint);
    // Rebuilding curves on every keystroke would be slow on long scans: report a value only when
    // the user finishes typing (Enter, focus change) or steps with the arrows.
    spin->setKeyboardTracking(false);
    return spin;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, bool checked,
                     const QString& hint) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    box->setToolTip(hint);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    label->setToolTip(buddy->toolTip());
    return label;
}

// Keeps the space of a widget that is hidden, so that the fixed-size window does not jump.
void KeepSpaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation

MainWindow::MainWindow(const MainWindowOptions& options, Prompts* prompts)
    : ownPrompts_(prompts ? nullptr : std::make_unique<QtPrompts>()),
      session_(prompts ? *prompts : *ownPrompts_),
      randomEngine_(std::random_device{}()),
      randomColor_(plot::MakeRandomColorSource(randomEngine_)) {
    setObjectName("MainWindow");
    setWindowTitle("Trevasc");
    if (ownPrompts_) ownPrompts_->SetParent(this);
    setAcceptDrops(true);

    // Configuration folder, seeded definition files, colours and the main settings come first:
    // every window created below reads its position from the main configuration file.
    DetermineConfigFolder(options);
    SeedConfigurationFiles();
    colors_ = plot::ReadColorConfig(S(colorsIniPath_));

    session_.SetObserver(this);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("PageControl1");
    setCentralWidget(tabs_);
    auto* fileDisplay = new QWidget(tabs_);
    fileDisplay->setObjectName("TabSheet1");
    BuildFileDisplayTab(fileDisplay);
    tabs_->addTab(fileDisplay, "File/Display");
    tabs_->setTabToolTip(0, "File operations/display options/peak search");
    auto* peaks = new QWidget(tabs_);
    peaks->setObjectName("TabSheet2");
    BuildPeaksTab(peaks);
    tabs_->addTab(peaks, "Peaks/Reflections");
    tabs_->setTabToolTip(1, "Peak list and lattice data calculation");
    BuildPlaceholderTab("Substrate", "Substrate peak identification", {"Substrate"});
    BuildPlaceholderTab("Additional reflections", "Additional peak simulation",
                        {"Additional lines"});
    BuildPlaceholderTab("Structure", "Crystal structure simulation",
                        {"Structure Definition", "Calculated peak positions"});

    BuildMenus();
    ReadMainConfiguration();
    ConnectControls();
    UpdateSpinVisibility();
    FindPeaksEnabledChanged(false);

    // Fixed size: the documented client area, or larger where this platform's fonts need it.
    const QSize hint = sizeHint();
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(std::max(562, hint.width()), std::max(337 + menuHeight, hint.height()));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    // Main window position, applied with the size it now has.
    ApplyStoredGeometry(this, ReadMainSettings(S(mainIniPath_)).MainWindow, false);

    CreateToolWindows();
    session_.RebuildScanMenu();
}

MainWindow::~MainWindow() {
    // The tool windows go first: nothing they emit may reach a half-destroyed main window.
    legendWindow_.reset();
    plotWindow_.reset();
}

void MainWindow::SetFileDialogs(FileDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : &defaultDialogs_;
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
    configFolder_ = Q(paths_.ConfigFolder);
    mainIniPath_ = Q(paths_.MainIniPath);
    colorsIniPath_ = Q(paths_.ColorsIniPath);
    xrayIniPath_ = Q(paths_.XrayIniPath);
    substratesIniPath_ = Q(paths_.SubstratesIniPath);
}

void MainWindow::SeedConfigurationFiles() {
    SeedDefinitionFiles(paths_, FindDefinitionFolder(S(programFolder_)));
}

void MainWindow::ReadMainConfiguration() {
    const MainSettings settings = ReadMainSettings(S(mainIniPath_));
    session_.SetFileHistory(settings.FileHistory);
    gnuplotExe_ = Q(settings.GnuplotExeFile);
    contourLines_ = settings.ContourLines;
    autoUpdates_ = settings.AutoUpdates;
    checkUpdateOnStartAction_->setChecked(autoUpdates_);
}

void MainWindow::ApplyStoredGeometry(QWidget* window, const WindowPosition& pos, bool withSize) {
    // Width and Height first, then Left and Top kept inside the virtual desktop.
    if (withSize) window->resize(std::max(pos.Width, 50), std::max(pos.Height, 50));
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    window->move(ClampLeft(pos.Left, window->width(), desktop.left(), desktop.width()),
                 ClampTop(pos.Top, window->height(), desktop.top(), desktop.height()));
}

void MainWindow::CreateToolWindows() {
    // Creation order of the program's windows: main window, plot window, ..., colour dialog,
    // legend window, ..., PNG size dialog, "Select Main Plot".
    const MainSettings settings = ReadMainSettings(S(mainIniPath_));
    plotWindow_ = std::make_unique<PlotWindow>();
    ApplyStoredGeometry(plotWindow_.get(), settings.PlotWindow, true);
    // The status bar's d-spacing uses the X-ray line selected at the last exit.
    XrayTubeSelectorState defaultLine(S(xrayIniPath_), [](const std::string&) {});
    defaultLine.Create();
    if (defaultLine.SelectedIndex() >= 0) plotWindow_->SetWavelength(defaultLine.Wavelength());
    legendWindow_ = std::make_unique<LegendWindow>();
    ApplyStoredGeometry(legendWindow_.get(), settings.LegendWindow, true);
    selectMainPlotDialog_ = new SelectMainPlotDialog(this);

    connect(plotWindow_.get(), &PlotWindow::addPeakRequested, this,
            [this](double x) { AddPeakToMainScan("", true, true, x); });
    connect(plotWindow_.get(), &PlotWindow::peakMarkerClicked, this,
            &MainWindow::SelectPeakNearPosition);
    connect(plotWindow_.get(), &PlotWindow::viewRangeChanged, this, &MainWindow::ShowViewRange);
    connect(plotWindow_.get(), &PlotWindow::filesDropped, this, &MainWindow::OpenFiles);
    connect(plotWindow_.get(), &PlotWindow::showWindowRequested, this,
            [this](const QString& which) {
                if (which == "&Trevasc") {
                    show();
                    raise();
                    activateWindow();
                } else if (which == "XRD &Plot") {
                    plotWindow_->show();
                    plotWindow_->raise();
                } else if (which == "Plot &Color Legend") {
                    ShowLegend();
                }
            });
    connect(plotWindow_.get(), &PlotWindow::windowClosing, this, &MainWindow::SaveWindowPositions);
    connect(legendWindow_.get(), &LegendWindow::windowClosing, this,
            &MainWindow::SaveWindowPositions);
}

void MainWindow::BuildPlaceholderTab(const QString& caption, const QString& hint,
                                     const QStringList& groups) {
    auto* page = new QWidget(tabs_);
    auto* layout = new QHBoxLayout(page);
    for (const QString& title : groups) {
        auto* group = new QGroupBox(title, page);
        auto* inner = new QVBoxLayout(group);
        auto* label = new QLabel("(not available yet)", group);
        label->setAlignment(Qt::AlignCenter);
        label->setEnabled(false);
        inner->addWidget(label);
        layout->addWidget(group);
    }
    const int index = tabs_->addTab(page, caption);
    tabs_->setTabToolTip(index, hint);
}

void MainWindow::BuildFileDisplayTab(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(6);

    // Load XRD data
    auto* load = new QGroupBox("Load XRD data", page);
    load->setObjectName("GroupBoxLoad");
    auto* loadGrid = new QGridLayout(load);
    bitBtnOpen_ = MakeButton(load, "BitBtnOpen", "&Open data file",
                             "Clears the plot window and open a new XRD file.");
    bitBtnInsert_ = MakeButton(load, "BitBtnInsert", "&Insert plot",
                               "Inserts an additional XRD file into the plot.");
    checkBox1_ = MakeCheck(load, "CheckBox1", "Noise suppression", false,
                           "Check to enable a simple moving average noise suppression.");
    spinEdit2_ = MakeSpin(load, "SpinEdit2", analysis::kMinSmoothWidth, analysis::kMaxSmoothWidth,
                          5, "Averaging window width for the noise suppression.");
    labelSpinEdit2_ = MakeLabel(load, "Average over # samples", spinEdit2_);
    checkBox11_ = MakeCheck(load, "CheckBox11", "Remove background", false,
                            "Check to enable a background removal by calculating a wide moving "
                            "average and substracting this average from each data point.");
    spinEdit5_ =
        MakeSpin(load, "SpinEdit5", analysis::kMinBackgroundWidth, analysis::kMaxBackgroundWidth,
                 40, "Averaging window width for the background removal.");
    labelSpinEdit5_ = MakeLabel(load, "Average over # samples", spinEdit5_);
    for (QWidget* w : {static_cast<QWidget*>(spinEdit2_), static_cast<QWidget*>(labelSpinEdit2_),
                       static_cast<QWidget*>(spinEdit5_), static_cast<QWidget*>(labelSpinEdit5_)})
        KeepSpaceWhenHidden(w);
    loadGrid->addWidget(bitBtnOpen_, 0, 0, 1, 2);
    loadGrid->addWidget(bitBtnInsert_, 1, 0, 1, 2);
    loadGrid->addWidget(checkBox1_, 2, 0, 1, 2);
    loadGrid->addWidget(labelSpinEdit2_, 3, 0);
    loadGrid->addWidget(spinEdit2_, 3, 1);
    loadGrid->addWidget(checkBox11_, 4, 0, 1, 2);
    loadGrid->addWidget(labelSpinEdit5_, 5, 0);
    loadGrid->addWidget(spinEdit5_, 5, 1);

    // Display
    auto* display = new QGroupBox("Display", page);
    display->setObjectName("GroupBoxDisplay");
    auto* displayLayout = new QVBoxLayout(display);
    checkBox4_ = MakeCheck(display, "CheckBox4", "Logarithmic scaling", true,
                           "Shows the intensity axis of the plot on a logarithmic scale.");
    checkBox6_ = MakeCheck(display, "CheckBox6", "Show slope", false,
                           "Shows the slope of the main plot on a second axis.");
    checkBox8_ = MakeCheck(display, "CheckBox8", "Scale on all graphs", true,
                           "Scales the intensity axis so that all opened plots fit.");
    checkBox10_ = MakeCheck(display, "CheckBox10", "Offset addit. graphs", false,
                            "Shifts the additional plots upwards, one above the other.");
    for (QCheckBox* box : {checkBox4_, checkBox6_, checkBox8_, checkBox10_})
        displayLayout->addWidget(box);

    // Peak finder
    auto* finder = new QGroupBox("Peak finder", page);
    finder->setObjectName("GroupBoxPeakFinder");
    auto* finderGrid = new QGridLayout(finder);
    spinEditSlopeCnt_ =
        MakeSpin(finder, "SpinEditSlopeCnt", analysis::kMinSlopeCount, analysis::kMaxSlopeCount, 15,
                 "Number of data points used to calculate the slope of the curve for each data "
                 "point.");
    spinEditMinPeak_ =
        MakeSpin(finder, "SpinEditMinPeak", 3, 10000000, 30,
                 "Minimum intensity a datapoint must have to be recognized as peak.");
    spinEdit1_ = MakeSpin(finder, "SpinEdit1", 3, 1000000000, 40,
                          "Minimum slope a peak shoulder must have for peak search method 1.");
    spinEdit6_ = MakeSpin(finder, "SpinEdit6", 3, 1000000000, 40,
                          "Minimum second derivative the curve must have to recognize a peak (for "
                          "peak search method 2).");
    floatEdit13_ = new FloatEdit(finder, 0.0, 180.0, 0.1, 10);
    floatEdit13_->setObjectName("FloatEdit13");
    floatEdit13_->setToolTip(
        "Peaks closer than this distance are merged into one peak at their mean position.");
    button1_ = MakeButton(finder, "Button1", "Find peaks (Method 1)",
                          "Click here to do a peak search using the maximum slope of the peak "
                          "shoulders.");
    button14_ = MakeButton(finder, "Button14", "Find peaks (Method 2)",
                           "Click here to do a peak search using the curvature at the peak top.");
    checkBox2_ = MakeCheck(finder, "CheckBox2", "Use area bisector", false,
                           "Moves each found peak to the position that halves the peak area above "
                           "the chosen percentage of the peak height.");
    spinEdit3_ = MakeSpin(finder, "SpinEdit3", 1, 99, 30,
                          "Percentage of the peak height above which the area bisector works.");
    labelSpinEdit3_ = MakeLabel(finder, "Percentage of peak height", spinEdit3_);
    KeepSpaceWhenHidden(spinEdit3_);
    KeepSpaceWhenHidden(labelSpinEdit3_);
    checkBox15_ = MakeCheck(finder, "CheckBox15", "In current 2Theta plot range only", false,
                            "Searches only the displayed range of the plot and keeps the peaks "
                            "outside it.");
    int row = 0;
    finderGrid->addWidget(MakeLabel(finder, "No. of samples for slope", spinEditSlopeCnt_), row, 0);
    finderGrid->addWidget(spinEditSlopeCnt_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Minimum peak height", spinEditMinPeak_), row, 0);
    finderGrid->addWidget(spinEditMinPeak_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Minimum peak slope", spinEdit1_), row, 0);
    finderGrid->addWidget(spinEdit1_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Minimum peak slope'", spinEdit6_), row, 0);
    finderGrid->addWidget(spinEdit6_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Min. double peak dist. [°]", floatEdit13_), row, 0);
    finderGrid->addWidget(floatEdit13_, row++, 1);
    finderGrid->addWidget(button1_, row++, 0, 1, 2);
    finderGrid->addWidget(button14_, row++, 0, 1, 2);
    finderGrid->addWidget(checkBox2_, row++, 0, 1, 2);
    finderGrid->addWidget(labelSpinEdit3_, row, 0);
    finderGrid->addWidget(spinEdit3_, row++, 1);
    finderGrid->addWidget(checkBox15_, row++, 0, 1, 2);

    // Peak fitting module: its window is not part of this program yet.
    auto* fitting = new QGroupBox("Peak fitting module", page);
    fitting->setObjectName("GroupBoxPeakFitting");
    auto* fittingLayout = new QVBoxLayout(fitting);
    for (auto [name, caption, hint] :
         {std::tuple{"Button11", "Fit actual display area",
                     "Opens the Gauss/Lorentz fit window for the currently displayed plot range."},
          std::tuple{"Button12", "Auto Gauss checked",
                     "Does an automatic Gauss fitting of every peak checked in the peak list "
                     "(experimental!)."},
          std::tuple{"Button13", "Auto Lorentz checked",
                     "Does an automatic Lorentz fitting of every peak checked in the peak list "
                     "(experimental!)."}}) {
        QPushButton* button = MakeButton(fitting, name, caption, hint);
        button->setEnabled(false);
        fittingLayout->addWidget(button);
    }

    // Plot range
    auto* range = new QGroupBox("Plot range", page);
    range->setObjectName("GroupBoxPlotRange");
    auto* rangeGrid = new QGridLayout(range);
    checkBox13_ = MakeCheck(range, "CheckBox13", "Span over all opened files", false,
                            "Widens the full plot range to every opened file.");
    floatEdit11_ = new FloatEdit(range, -1e10, 1e10, 0.0, 10);
    floatEdit11_->setObjectName("FloatEdit11");
    floatEdit11_->setToolTip("Left end of the displayed range.");
    floatEdit12_ = new FloatEdit(range, -1e10, 1e10, 0.0, 10);
    floatEdit12_->setObjectName("FloatEdit12");
    floatEdit12_->setToolTip("Right end of the displayed range.");
    button18_ = MakeButton(range, "Button18", "Apply", "Shows the entered range in the plot.");
    rangeGrid->addWidget(checkBox13_, 0, 0, 1, 2);
    rangeGrid->addWidget(MakeLabel(range, "Display from [°]", floatEdit11_), 1, 0);
    rangeGrid->addWidget(floatEdit11_, 1, 1);
    rangeGrid->addWidget(MakeLabel(range, "Display to [°]", floatEdit12_), 2, 0);
    rangeGrid->addWidget(floatEdit12_, 2, 1);
    rangeGrid->addWidget(button18_, 3, 1);

    // Each field as wide as its largest value, no wider: the window is small and keeps its size.
    for (QSpinBox* spin : {spinEdit2_, spinEdit5_, spinEditSlopeCnt_, spinEditMinPeak_, spinEdit1_,
                           spinEdit6_, spinEdit3_}) {
        const QString widest(QString::number(spin->maximum()).size(), '0');
        spin->setFixedWidth(spin->fontMetrics().horizontalAdvance(widest) + 34);
    }
    for (FloatEdit* edit : {floatEdit11_, floatEdit12_, floatEdit13_})
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("-000.00000") + 10);

    grid->addWidget(load, 0, 0);
    grid->addWidget(display, 1, 0);
    grid->addWidget(finder, 0, 1, 2, 1);
    grid->addWidget(fitting, 0, 2);
    grid->addWidget(range, 1, 2);
    grid->setRowStretch(2, 1);
}

void MainWindow::BuildPeaksTab(QWidget* page) {
    auto* outer = new QHBoxLayout(page);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* group = new QGroupBox("Peaks", page);
    group->setObjectName("GroupBoxPeaks");
    outer->addWidget(group);
    auto* layout = new QGridLayout(group);

    checkListBox1_ = new QListWidget(group);
    checkListBox1_->setObjectName("CheckListBox1");
    checkListBox1_->setToolTip("List of peaks of the main plot. ");
    checkListBox1_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Two columns of rows, filled top to bottom.
    checkListBox1_->setFlow(QListView::TopToBottom);
    checkListBox1_->setWrapping(true);
    checkListBox1_->setResizeMode(QListView::Adjust);
    checkListBox1_->setUniformItemSizes(true);

    button3_ = MakeButton(group, "Button3", "Delete highlighted",
                          "Deletes the highlighted peak from the list.");
    button4_ = MakeButton(group, "Button4", "Add manually",
                          "Left click: add a peak by clicking into the plot. Right click: enter "
                          "the peak position.");
    button4_->installEventFilter(this);
    button2_ =
        MakeButton(group, "Button2", "Identify", "Enter a description for the highlighted peak.");
    button9_ = MakeButton(group, "Button9", "Check all", "Checks every peak of the list.");
    button10_ = MakeButton(group, "Button10", "Uncheck all", "Unchecks every peak of the list.");
    button8_ = MakeButton(group, "Button8", "Lattice data calculation",
                          "Opens the lattice data calculation window with the checked peaks.");
    button15_ = MakeButton(group, "Button15", "Thickness calculation",
                           "Opens the thickness calculation (XRR) window with the checked peaks.");
    // Their windows are not part of this program yet.
    button8_->setEnabled(false);
    button15_->setEnabled(false);
    checkBox14_ = MakeCheck(group, "CheckBox14", "Show peaks from all plots in graph", false,
                            "Shows the peaks of the additional plots in the plot, in their plot "
                            "colours.");

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {button3_, button4_, button2_, button9_, button10_, button8_, button15_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    layout->addWidget(checkListBox1_, 0, 0);
    layout->addLayout(buttons, 0, 1);
    layout->addWidget(checkBox14_, 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();

    fileMenu_ = bar->addMenu("&File");
    openAction_ = fileMenu_->addAction("&Open data file...", this, &MainWindow::OpenDataFile);
    openAction_->setShortcut(QKeySequence::Open);
    insertAction_ =
        fileMenu_->addAction("Insert &additional file(s)...", this, &MainWindow::InsertPlot);
    insertAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    fileMenu_->addSeparator();
    QAction* quit = fileMenu_->addAction("&Quit", this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    fileMenu_->addSeparator();

    exportMenu_ = bar->addMenu("E&xport");
    exportSpectrumAction_ =
        exportMenu_->addAction("&Spectrum to textfile", this, &MainWindow::ExportSpectrum);
    exportAllSpectraAction_ =
        exportMenu_->addAction("&All spectra to textfile", this, &MainWindow::ExportAllSpectra);
    exportMenu_->addSeparator();
    exportPeaksAction_ =
        exportMenu_->addAction("&Peak list to textfile", this, [this] { ExportPeakList(false); });
    exportPeaksIdentAction_ = exportMenu_->addAction("Peak list+&ident to textfile", this,
                                                     [this] { ExportPeakList(true); });
    connect(exportMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateExportMenu);

    importMenu_ = bar->addMenu("&Import");
    importPeaksAction_ =
        importMenu_->addAction("&Peak list from textfile", this, &MainWindow::ImportPeakList);
    connect(importMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateImportMenu);

    editMenu_ = bar->addMenu("&Edit");
    copySpectrumAction_ = editMenu_->addAction("Copy &spectrum", this, &MainWindow::CopySpectrum);
    copySpectrumAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    copyAllSpectraAction_ =
        editMenu_->addAction("Copy &all spectra", this, &MainWindow::CopyAllSpectra);
    editMenu_->addSeparator();
    const std::pair<const char*, formats::PeakClipboardContent> copyItems[] = {
        {"Copy full &peak list", formats::PeakClipboardContent::FullPeakList},
        {"Copy full peak list+&ident", formats::PeakClipboardContent::FullPeakListIdent},
        {"Copy s&elected peaks", formats::PeakClipboardContent::SelectedPeaks},
        {"Copy selected peaks+i&dent", formats::PeakClipboardContent::SelectedPeaksIdent},
    };
    for (const auto& [caption, content] : copyItems) {
        const int value = static_cast<int>(content);
        copyPeakActions_.push_back(
            editMenu_->addAction(caption, this, [this, value] { CopyPeaks(value); }));
    }
    editMenu_->addSeparator();
    editMenu_->addAction("Change plot &title...", this, &MainWindow::ChangePlotTitle);
    connect(editMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateEditMenu);

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
    connect(checkUpdateOnStartAction_, &QAction::toggled, this,
            [this](bool on) { autoUpdates_ = on; });
    QAction* checkNow = options->addAction("Check for &update now...");
    checkNow->setEnabled(false);

    QMenu* window = bar->addMenu("&Window");
    window->addAction("&Trevasc", this, [this] {
        show();
        raise();
        activateWindow();
    });
    window->addAction("XRD &Plot", this, [this] {
        plotWindow_->show();
        plotWindow_->raise();
    });
    for (const char* caption : {"&Lattice Data Calculation", "&Nelson-Riley Plot", "&2-Axis Plot",
                                "&Reciprocal Space Map"})
        window->addAction(caption)->setEnabled(false);
    window->addAction("Plot &Color Legend", this, &MainWindow::ShowLegend);
    window->addAction("Film &Thickness Calculation")->setEnabled(false);

    QMenu* jcpds = bar->addMenu("&JCPDS");
    jcpds->addAction("&Show material from clipboard in spectrum")->setEnabled(false);
    jcpds->addSeparator();
    jcpds->addAction("&Import dataset from clipboard to substrate database...")->setEnabled(false);
}

void MainWindow::ConnectControls() {
    connect(bitBtnOpen_, &QPushButton::clicked, this, &MainWindow::OpenDataFile);
    connect(bitBtnInsert_, &QPushButton::clicked, this, &MainWindow::InsertPlot);
    for (QCheckBox* box : {checkBox1_, checkBox11_})
        connect(box, &QCheckBox::clicked, this, [this] {
            UpdateSpinVisibility();
            ProcessingChanged();
        });
    for (QSpinBox* spin : {spinEdit2_, spinEdit5_})
        connect(spin, &QSpinBox::valueChanged, this, &MainWindow::ProcessingChanged);
    for (QCheckBox* box : {checkBox4_, checkBox6_, checkBox8_, checkBox10_})
        connect(box, &QCheckBox::clicked, this, [this] {
            PlotRefresh();
            LegendRefresh();
        });
    connect(checkBox2_, &QCheckBox::clicked, this, &MainWindow::UpdateSpinVisibility);
    connect(button1_, &QPushButton::clicked, this,
            [this] { RunFindPeaks(analysis::TPeakMethod::Slope); });
    connect(button14_, &QPushButton::clicked, this,
            [this] { RunFindPeaks(analysis::TPeakMethod::Curvature); });
    connect(checkBox13_, &QCheckBox::clicked, this, &MainWindow::SpanAllFilesClicked);
    connect(button18_, &QPushButton::clicked, this, &MainWindow::ApplyPlotRange);

    connect(checkListBox1_, &QListWidget::itemChanged, this, &MainWindow::PeakItemChanged);
    connect(button3_, &QPushButton::clicked, this, &MainWindow::DeleteHighlightedPeak);
    connect(button4_, &QPushButton::clicked, this, [this] {
        if (session_.MainScan().Count() > 0) plotWindow_->SetAddMode(true);
    });
    connect(button2_, &QPushButton::clicked, this, &MainWindow::IdentifyHighlightedPeak);
    connect(button9_, &QPushButton::clicked, this, [this] { SetAllChecks(true); });
    connect(button10_, &QPushButton::clicked, this, [this] { SetAllChecks(false); });
    connect(checkBox14_, &QCheckBox::clicked, this, &MainWindow::RedrawPlot);
}

void MainWindow::UpdateSpinVisibility() {
    const bool smoothing = checkBox1_->isChecked();
    spinEdit2_->setVisible(smoothing);
    labelSpinEdit2_->setVisible(smoothing);
    const bool background = checkBox11_->isChecked();
    spinEdit5_->setVisible(background);
    labelSpinEdit5_->setVisible(background);
    const bool bisector = checkBox2_->isChecked();
    spinEdit3_->setVisible(bisector);
    labelSpinEdit3_->setVisible(bisector);
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
    session_.SetProgramTitle(CurrentProgramTitle());
    checkUpdateOnStartAction_->setChecked(autoUpdates_);
    if (commandLineFile_.isEmpty()) return;
    const QString file = commandLineFile_;
    commandLineFile_.clear();
    // Opened once the window is on screen, so that the plot window comes up in front of it.
    QTimer::singleShot(0, this, [this, file] {
        if (!QFileInfo(file).isFile()) return;
        if (!session_.ConfirmDiscardPeaks()) return;
        BusyCursor busy;
        session_.RunAction([&] { session_.OpenMainFile(S(file)); });
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const bool mayClose = session_.ConfirmClose();
    SaveWindowPositions();
    if (!mayClose) {
        event->ignore();
        return;
    }
    WriteExitConfiguration();
    plotWindow_->hide();
    legendWindow_->hide();
    event->accept();
    emit closed();
}

void MainWindow::SaveWindowPositions() {
    // The stored positions of windows this program does not show are kept as they are.
    MainSettings settings = ReadMainSettings(S(mainIniPath_));
    settings.MainWindow = {x(), y(), 0, 0};
    settings.PlotWindow = {plotWindow_->x(), plotWindow_->y(), plotWindow_->width(),
                           plotWindow_->height()};
    settings.LegendWindow = {legendWindow_->x(), legendWindow_->y(), legendWindow_->width(),
                             legendWindow_->height()};
    trevasc::SaveWindowPositions(S(mainIniPath_), settings);
}

void MainWindow::WriteExitConfiguration() {
    if (exitWritten_) return;
    exitWritten_ = true;
    // Configuration write errors are not reported to the user.
    try {
        plot::WriteColorConfig(S(colorsIniPath_), colors_);
    } catch (const std::exception&) {
    }
    MainSettings settings;
    settings.FileHistory = session_.GetFileHistory();
    settings.GnuplotExeFile = S(gnuplotExe_);
    settings.ContourLines = contourLines_;
    settings.AutoUpdates = autoUpdates_;
    WriteMainSettings(S(mainIniPath_), settings);
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
    const WorkbenchSession::FileHistory& history = session_.GetFileHistory();
    for (int slot = 0; slot < WorkbenchSession::kHistorySize; ++slot) {
        const std::string& name = history[static_cast<size_t>(slot)];
        if (name.empty()) continue;
        // The full file name is the caption; "&" in a name must not become a mnemonic.
        QAction* action = fileMenu_->addAction(Q(name).replace('&', "&&"), this,
                                               [this, slot] { OpenHistoryItem(slot); });
        historyActions_.push_back(action);
    }
}

void MainWindow::PeakListReset() {
    RefillPeakList();
}

void MainWindow::FindPeaksEnabledChanged(bool enabled) {
    button1_->setEnabled(enabled);
    button14_->setEnabled(enabled);
}

void MainWindow::SpanAllFilesChecked() {
    // The hand-over that follows shows the full range.
    checkBox13_->setChecked(true);
    plotWindow_->Dataset().ViewXMin = 0.0;
    plotWindow_->Dataset().ViewXMax = 0.0;
}

void MainWindow::PlotWindowUpdate() {
    plotWindow_->ResetZoom();
}

void MainWindow::LegendRefresh() {
    legendWindow_->SetContent(session_.Registry(), colors_, checkBox6_->isChecked());
}

void MainWindow::ScanMenuChanged() {
    plotMenu_->clear();
    const ScanMenu& menu = session_.GetScanMenu();
    for (const ScanMenuEntry& entry : menu.MenuItems) {
        QAction* action = plotMenu_->addAction(Q(entry.Caption).replace('&', "&&"));
        const int number = entry.Number;
        if (number == 0) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        connect(action, &QAction::triggered, this, [this, number] {
            BusyCursor busy;
            session_.SelectMainScan(number);
        });
    }
    selectMainPlotDialog_->SetEntries(menu.DialogItems);
    const bool dialogMode = !menu.DialogItems.empty();
    plotMenuAction_->setVisible(!dialogMode);
    plotDialogAction_->setVisible(dialogMode);
}

// ---------------------------------------------------------------------------------------------
// File flow

void MainWindow::OpenDataFile() {
    if (!session_.ConfirmDiscardPeaks()) return;
    const QString file = dialogs_->OpenScanFile(this);
    if (file.isEmpty()) return;
    BusyCursor busy;
    session_.RunAction([&] { session_.OpenMainFile(S(file)); });
}

void MainWindow::InsertPlot() {
    if (session_.InsertOpensMainFile()) {
        OpenDataFile();
        return;
    }
    const QStringList files = dialogs_->OpenScanFiles(this);
    if (files.isEmpty()) return;
    std::vector<std::string> names;
    for (const QString& f : files) names.push_back(S(f));
    BusyCursor busy;
    session_.RunAction([&] { session_.InsertFiles(names); });
}

void MainWindow::OpenFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    if (!session_.ConfirmDiscardPeaks()) return;
    BusyCursor busy;
    const bool opened = session_.RunAction([&] { session_.OpenMainFile(S(files.first())); });
    if (!opened || files.size() < 2) return;
    std::vector<std::string> rest;
    for (qsizetype i = 1; i < files.size(); ++i) rest.push_back(S(files[i]));
    session_.RunAction([&] { session_.InsertFiles(rest); });
}

void MainWindow::OpenHistoryItem(int slot) {
    BusyCursor busy;
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
// Processing and plot

analysis::ProcessingSettings MainWindow::CurrentProcessingSettings() const {
    analysis::ProcessingSettings s;
    s.NoiseSuppression = checkBox1_->isChecked();
    s.SmoothWidth = spinEdit2_->value();
    s.RemoveBackground = checkBox11_->isChecked();
    s.BackgroundWidth = spinEdit5_->value();
    s.SlopeCount = spinEditSlopeCnt_->value();
    return s;
}

analysis::PeakSearchSettings MainWindow::CurrentPeakSearchSettings() const {
    analysis::PeakSearchSettings s;
    s.MinPeakHeight = spinEditMinPeak_->value();
    s.MinPeakSlope = spinEdit1_->value();
    s.MinPeakCurvature = spinEdit6_->value();
    s.UseAreaBisector = checkBox2_->isChecked();
    s.BisectorPercentage = spinEdit3_->value();
    s.MinDoublePeakDistance = floatEdit13_->Value();
    s.RangeOnly = checkBox15_->isChecked();
    return s;
}

plot::XrdPlotSettings MainWindow::CurrentPlotSettings() const {
    plot::XrdPlotSettings s;
    s.LogScaling = checkBox4_->isChecked();
    s.ShowSlope = checkBox6_->isChecked();
    s.ScaleOnAllGraphs = checkBox8_->isChecked();
    s.OffsetAdditionalGraphs = checkBox10_->isChecked();
    s.SpanAllFiles = checkBox13_->isChecked();
    s.ShowPeaksFromAllPlots = checkBox14_->isChecked();
    s.ViewXMin = plotWindow_->ViewXMin();
    s.ViewXMax = plotWindow_->ViewXMax();
    return s;
}

void MainWindow::ProcessingChanged() {
    BusyCursor busy;
    session_.SetProcessing(CurrentProcessingSettings());
}

void MainWindow::PlotRefresh() {
    if (session_.MainScan().Count() == 0) return;
    plot::TPlotDataset& dataset = plotWindow_->Dataset();
    plot::XrdPlotSettings settings = CurrentPlotSettings();
    settings.ViewXMin = dataset.ViewXMin;
    settings.ViewXMax = dataset.ViewXMax;
    if (!plot::RefreshXrdPlot(dataset, session_.Registry(), settings, colors_, {}, randomColor_))
        return;
    ShowViewRange(dataset.ViewXMin, dataset.ViewXMax);
    plotWindow_->SetLoadedFileName(Q(session_.Registry().LoadedFileName));
    if (plotWindow_->isHidden()) plotWindow_->show();
    plotWindow_->RepaintPlot();
}

void MainWindow::RedrawPlot() {
    PlotRefresh();
}

void MainWindow::ShowViewRange(double from, double to) {
    floatEdit11_->SetValue(from);
    floatEdit12_->SetValue(to);
}

void MainWindow::SpanAllFilesClicked() {
    plotWindow_->Dataset().ViewXMin = 0.0;
    plotWindow_->Dataset().ViewXMax = 0.0;
    PlotRefresh();
}

void MainWindow::ApplyPlotRange() {
    const double from = floatEdit11_->Value();
    const double to = floatEdit12_->Value();
    if (to > from)
        plotWindow_->SetViewRange(from, to);
    else if (to < from)
        plotWindow_->SetViewRange(to, from);
    else
        plotWindow_->SetViewRange(from, from + 1.0);
    ShowViewRange(plotWindow_->ViewXMin(), plotWindow_->ViewXMax());
}

void MainWindow::RunFindPeaks(analysis::TPeakMethod method) {
    TDataSet& main = session_.MainScan();
    if (main.Count() == 0) return;
    {
        BusyCursor busy;
        analysis::RunPeakSearch(main, method, CurrentPeakSearchSettings(),
                                spinEditSlopeCnt_->value(), plotWindow_->ViewXMin(),
                                plotWindow_->ViewXMax());
    }
    RefillPeakList();
    PlotRefresh();
    if (!checkBox15_->isChecked()) plotWindow_->ResetZoom();
    main.Peaks.Unsaved = true;
}

void MainWindow::ShowLegend() {
    LegendRefresh();
    if (session_.MainScan().Count() == 0) return;
    legendWindow_->show();
    legendWindow_->raise();
}

void MainWindow::EditColorsClicked() {
    EditColors(this, colors_);
    PlotRefresh();
    LegendRefresh();
}

void MainWindow::ChooseGnuplotExecutable() {
    const QString file = dialogs_->GnuplotExecutable(this, gnuplotExe_);
    if (!file.isEmpty()) gnuplotExe_ = file;
}

void MainWindow::ChangePlotTitle() {
    ScanRegistry& registry = session_.Registry();
    const std::optional<std::string> title = session_.GetPrompts().InputQuery(
        "Change title of XRD plot", "Enter a title for the plotted data", registry.PlotTitle);
    if (!title || *title == registry.PlotTitle) return;
    registry.PlotTitle = *title;
    if (session_.MainScan().Count() > 0) PlotRefresh();
}

// ---------------------------------------------------------------------------------------------
// Peak list

int MainWindow::HighlightedRow() const {
    return checkListBox1_->currentRow();
}

void MainWindow::RefillPeakList() {
    fillingPeakList_ = true;
    checkListBox1_->clear();
    const char sep = DecimalSeparator();
    for (const TPeak& peak : session_.MainScan().Peaks.Items) {
        auto* item = new QListWidgetItem(Q(formats::PeakRowText(peak, sep)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(peak.Checked ? Qt::Checked : Qt::Unchecked);
        checkListBox1_->addItem(item);
    }
    fillingPeakList_ = false;
}

void MainWindow::RefreshPeakRow(int row) {
    const auto& items = session_.MainScan().Peaks.Items;
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    fillingPeakList_ = true;
    QListWidgetItem* item = checkListBox1_->item(row);
    const TPeak& peak = items[static_cast<size_t>(row)];
    item->setText(Q(formats::PeakRowText(peak, DecimalSeparator())));
    item->setCheckState(peak.Checked ? Qt::Checked : Qt::Unchecked);
    fillingPeakList_ = false;
}

void MainWindow::PeakItemChanged(QListWidgetItem* item) {
    if (fillingPeakList_) return;
    auto& items = session_.MainScan().Peaks.Items;
    const int row = checkListBox1_->row(item);
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    const bool checked = item->checkState() == Qt::Checked;
    if (items[static_cast<size_t>(row)].Checked == checked) return;
    // The list is a view of the model: the check mark is the peak's Checked field.
    items[static_cast<size_t>(row)].Checked = checked;
    session_.MainScan().Peaks.Unsaved = true;
    RedrawPlot();
}

void MainWindow::AddPeakToMainScan(const std::string& description, bool checked, bool redraw,
                                   double position) {
    TDataSet& main = session_.MainScan();
    const int row = AddPeak(main, position, description, checked);
    RefillPeakList();
    checkListBox1_->setCurrentRow(row);
    if (redraw) RedrawPlot();
}

void MainWindow::AddPeakByAngle() {
    if (session_.MainScan().Count() == 0) return;
    const std::optional<std::string> text =
        session_.GetPrompts().InputQuery("Add peak by two theta value", "Peak Position", "");
    if (!text) return;
    session_.RunAction([&] { AddPeakToMainScan("", true, true, ParseFloat(*text)); });
}

void MainWindow::DeleteHighlightedPeak() {
    TDataSet& main = session_.MainScan();
    const int row = HighlightedRow();
    if (row < 0 || row >= static_cast<int>(main.Peaks.Items.size())) return;
    main.Peaks.Items.erase(main.Peaks.Items.begin() + row);
    main.Peaks.Unsaved = true;
    fillingPeakList_ = true;
    delete checkListBox1_->takeItem(row);
    fillingPeakList_ = false;
    RedrawPlot();
}

void MainWindow::IdentifyHighlightedPeak() {
    TDataSet& main = session_.MainScan();
    const int row = HighlightedRow();
    if (row < 0 || row >= static_cast<int>(main.Peaks.Items.size())) return;
    TPeak& peak = main.Peaks.Items[static_cast<size_t>(row)];
    const std::string prompt = "Please enter a description for the peak at " +
                               FormatFixed(peak.Position, 3, DecimalSeparator()) + "°";
    const std::optional<std::string> text =
        session_.GetPrompts().InputQuery("Identify peak", prompt, peak.Description);
    // Cancel keeps the current description.
    peak.Description = text ? *text : peak.Description;
    main.Peaks.Unsaved = true;
    RefreshPeakRow(row);
    RedrawPlot();
}

void MainWindow::SetAllChecks(bool checked) {
    TDataSet& main = session_.MainScan();
    for (TPeak& peak : main.Peaks.Items) peak.Checked = checked;
    if (!main.Peaks.Items.empty()) main.Peaks.Unsaved = true;
    fillingPeakList_ = true;
    for (int row = 0; row < checkListBox1_->count(); ++row)
        checkListBox1_->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    fillingPeakList_ = false;
    RedrawPlot();
}

void MainWindow::SelectPeakNearPosition(double position) {
    const auto& items = session_.MainScan().Peaks.Items;
    int best = -1;
    double bestDistance = 1e100;
    for (size_t i = 0; i < items.size(); ++i) {
        const double distance = std::abs(items[i].Position - position);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    if (best < 0) return;
    if (best == HighlightedRow()) {
        QListWidgetItem* item = checkListBox1_->item(best);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    } else {
        checkListBox1_->setCurrentRow(best);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // "Add manually" with the right mouse button asks for the angle.
    if (watched == button4_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (button4_->isEnabled()) AddPeakByAngle();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Menus

void MainWindow::UpdateExportMenu() {
    const TDataSet& main = session_.MainScan();
    exportSpectrumAction_->setEnabled(main.Count() >= 1);
    exportPeaksAction_->setEnabled(main.Peaks.Count() >= 1);
    exportPeaksIdentAction_->setEnabled(main.Peaks.Count() >= 1);
}

void MainWindow::UpdateImportMenu() {
    importPeaksAction_->setEnabled(session_.MainScan().Count() >= 1);
}

void MainWindow::UpdateEditMenu() {
    const TDataSet& main = session_.MainScan();
    copySpectrumAction_->setEnabled(main.Count() >= 1);
    for (QAction* action : copyPeakActions_) action->setEnabled(main.Peaks.Count() >= 1);
}

void MainWindow::ShowSelectMainPlotDialog() {
    if (selectMainPlotDialog_->IsEmpty()) return;
    const int number = selectMainPlotDialog_->Choose();
    if (number <= 0) return;  // the main scan's row does nothing
    BusyCursor busy;
    session_.SelectMainScan(number);
}

char MainWindow::DecimalSeparator() const {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

QString MainWindow::ProposedExportName(const char* suffix) const {
    const ScanRegistry& registry = session_.Registry();
    return Q(RemoveExtension(registry.LoadedFileFolder + registry.LoadedFileName)) + suffix;
}

void MainWindow::ExportSpectrum() {
    if (session_.MainScan().Count() < 1) return;
    const QString file = dialogs_->SaveTextFile(this, ProposedExportName("_Spec.txt"));
    if (file.isEmpty()) return;
    session_.RunAction(
        [&] { WriteFileAtomic(S(file), formats::SpectrumFileText(session_.Registry())); });
}

void MainWindow::ExportAllSpectra() {
    if (session_.MainScan().Count() < 1) return;
    const QString file = dialogs_->SaveTextFile(this, ProposedExportName("_Spec.txt"));
    if (file.isEmpty()) return;
    session_.RunAction([&] {
        WriteFileAtomic(S(file),
                        formats::AllSpectraFileText(session_.Registry(), DecimalSeparator()));
    });
}

void MainWindow::ExportPeakList(bool withIdent) {
    if (session_.MainScan().Peaks.Count() < 1) return;
    const QString file = dialogs_->SaveTextFile(this, ProposedExportName("_Peaks.txt"));
    if (file.isEmpty()) return;
    session_.RunAction([&] {
        formats::WritePeakListFile(S(file), session_.MainScan(), withIdent,
                                   session_.Registry().PlotTitle);
    });
}

void MainWindow::ImportPeakList() {
    if (session_.MainScan().Count() < 1) return;
    const QString file = dialogs_->OpenPeakListFile(this);
    if (file.isEmpty()) return;
    // A conversion error keeps the peaks read before it: show those as well.
    session_.RunAction([&] {
        formats::ReadPeakListFile(S(file), session_.MainScan(), true,
                                  session_.Registry().PlotTitle);
    });
    RefillPeakList();
    PlotRefresh();
}

void MainWindow::CopyText(const std::string& text) {
    QGuiApplication::clipboard()->setText(Q(text));
}

void MainWindow::CopySpectrum() {
    if (session_.MainScan().Count() < 1) return;
    CopyText(formats::SpectrumClipboardText(session_.Registry(), DecimalSeparator()));
}

void MainWindow::CopyAllSpectra() {
    if (session_.MainScan().Count() < 1) return;
    CopyText(formats::AllSpectraClipboardText(session_.Registry(), DecimalSeparator()));
}

void MainWindow::CopyPeaks(int content) {
    if (session_.MainScan().Peaks.Count() < 1) return;
    CopyText(formats::PeakListClipboardText(session_.MainScan(),
                                            static_cast<formats::PeakClipboardContent>(content),
                                            DecimalSeparator()));
}

}  // namespace trevasc
